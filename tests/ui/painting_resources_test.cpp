// What page 0 paints over its background, and the resources the program is
// built with: icon, step images, logo and the empty Setup template.
#include "ui_rig.h"

#include "resources/resource_ids.h"
#include "ui/painting.h"
#include "ui/ui_globals.h"

#include <cstring>
#include <string>

namespace {

constexpr COLORREF kFill = RGB(1, 2, 3);  // a colour nothing paints
constexpr COLORREF kGrey = RGB(128, 128, 128);
constexpr COLORREF kWhite = RGB(255, 255, 255);

// A 32-bit bitmap of a window's client size filled with kFill, on which a
// test paints and whose pixels it reads directly.
struct Canvas {
  HDC dc = nullptr;
  HBITMAP bitmap = nullptr;
  HGDIOBJ previous = nullptr;
  const DWORD* pixels = nullptr;
  int width = 0, height = 0;

  explicit Canvas(HWND like) {
    RECT r;
    GetClientRect(like, &r);
    width = r.right;
    height = r.bottom;
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;  // top-down rows
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    void* bits = nullptr;
    dc = CreateCompatibleDC(nullptr);
    bitmap = CreateDIBSection(dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    pixels = static_cast<const DWORD*>(bits);
    previous = SelectObject(dc, bitmap);
    HBRUSH fill = CreateSolidBrush(kFill);
    RECT all = {0, 0, width, height};
    FillRect(dc, &all, fill);
    DeleteObject(fill);
    GdiFlush();
  }
  ~Canvas() {
    SelectObject(dc, previous);
    DeleteObject(bitmap);
    DeleteDC(dc);
  }
  void Paint(HWND w) {
    PaintWindow(w, dc);
    GdiFlush();
  }
  COLORREF At(int x, int y) const {
    DWORD p = pixels[y * width + x];  // 0x00RRGGBB
    return RGB((p >> 16) & 0xFF, (p >> 8) & 0xFF, p & 0xFF);
  }
  // True when every pixel of the rectangle still shows kFill.
  bool Untouched(int left, int top, int right, int bottom) const {
    for (int y = top; y < bottom; y++)
      for (int x = left; x < right; x++)
        if (At(x, y) != kFill) return false;
    return true;
  }
};

RECT RectOnPage(int id) {
  RECT r;
  GetWindowRect(GetDlgItem(hPage[0], id), &r);
  MapWindowPoints(nullptr, hPage[0], reinterpret_cast<POINT*>(&r), 2);
  return r;
}

using Painting = ShellTest;

TEST_F(Painting, SunkenFramesRoundTheVisibleBoxesOnly) {
  ShowWindow(Item(IDC_LEVEL_VALUE), SW_HIDE);
  EnableWindow(Item(IDC_ZOOM_VALUE), FALSE);
  Canvas canvas(hPage[0]);
  canvas.Paint(hPage[0]);
  for (int id : {IDC_STATUS, IDC_CAMERA_LIST, IDC_ZOOM_VALUE, IDC_SHARP_VALUE, IDC_BRIGHT_VALUE, IDC_FOCUS_VALUE}) {
    RECT r = RectOnPage(id);
    int midX = (r.left + r.right) / 2, midY = (r.top + r.bottom) / 2;
    EXPECT_EQ(kGrey, canvas.At(midX, r.top - 1)) << id << " top";
    EXPECT_EQ(kGrey, canvas.At(r.left - 1, midY)) << id << " left";
    EXPECT_EQ(kWhite, canvas.At(r.right, midY)) << id << " right";
    EXPECT_EQ(kWhite, canvas.At(midX, r.bottom)) << id << " bottom";
    EXPECT_EQ(kFill, canvas.At(midX, r.top - 2)) << id << " one pixel only";
  }
  RECT hidden = RectOnPage(IDC_LEVEL_VALUE);
  EXPECT_TRUE(canvas.Untouched(hidden.left - 1, hidden.top - 1, hidden.right + 1, hidden.bottom + 1));
}

TEST_F(Painting, LogoAndTheFirstTwoWordsOfThePrompt) {
  Canvas canvas(hPage[0]);
  int W = canvas.width;
  canvas.Paint(hPage[0]);
  // The logo's 136 x 40 block at (W - 146, 10), nothing just outside it.
  EXPECT_FALSE(canvas.Untouched(W - 146, 10, W - 10, 50));
  EXPECT_TRUE(canvas.Untouched(W - 146, 9, W - 10, 10));
  EXPECT_TRUE(canvas.Untouched(W - 147, 10, W - 146, 50));
  // The prompt from (W - 148, 66): as wide as "Highlight Camera" and no wider.
  SIZE shown;
  GetTextExtentPoint32A(canvas.dc, "Highlight Camera", 16, &shown);
  EXPECT_FALSE(canvas.Untouched(W - 148, 66, W - 148 + shown.cx, 66 + shown.cy));
  EXPECT_TRUE(canvas.Untouched(W - 148 + shown.cx + 1, 66, W, 66 + shown.cy));
  EXPECT_TRUE(canvas.Untouched(0, 0, W - 150, 20)) << "nothing else drawn at the top";
}

TEST_F(Painting, OtherWindowsOfTheClassDrawNothing) {
  for (HWND w : {hPage[1], hPage[2], hMainWnd}) {
    Canvas canvas(w);
    canvas.Paint(w);
    EXPECT_TRUE(canvas.Untouched(0, 0, canvas.width, canvas.height));
  }
}

// The header of bitmap resource `id` as stored in the program.
const BITMAPINFOHEADER* BitmapResource(int id) {
  HRSRC found = FindResourceA(nullptr, MAKEINTRESOURCEA(id), MAKEINTRESOURCEA(2));  // RT_BITMAP
  if (!found) return nullptr;
  return static_cast<const BITMAPINFOHEADER*>(LockResource(LoadResource(nullptr, found)));
}

// Colour of pixel (x, y), counted from the top, of a 4-bit bitmap resource.
RGBQUAD Pixel4(const BITMAPINFOHEADER* h, int x, int y) {
  const RGBQUAD* palette = reinterpret_cast<const RGBQUAD*>(h + 1);
  const BYTE* bits = reinterpret_cast<const BYTE*>(palette + 16);
  int stride = ((h->biWidth * 4 + 31) / 32) * 4;
  BYTE pair = bits[(h->biHeight - 1 - y) * stride + x / 2];
  return palette[(x % 2) ? (pair & 0x0F) : (pair >> 4)];
}

bool Dark(RGBQUAD c) { return c.rgbRed + c.rgbGreen + c.rgbBlue < 3 * 64; }

TEST(Resources, ImagesHaveTheirSizesDepthsAndDirections) {
  struct {
    int id, width, height, bits;
  } const images[] = {{IDB_MINUS, 16, 16, 4}, {IDB_PLUS, 16, 16, 4}, {IDB_LOGO, 136, 40, 8}};
  for (const auto& image : images) {
    const BITMAPINFOHEADER* h = BitmapResource(image.id);
    ASSERT_NE(nullptr, h) << image.id;
    EXPECT_EQ(image.width, h->biWidth) << image.id;
    EXPECT_EQ(image.height, h->biHeight) << image.id;
    EXPECT_EQ(image.bits, h->biBitCount) << image.id;
  }
  // Minus points left: its dark columns grow from left to right. Plus is its
  // mirror image.
  const BITMAPINFOHEADER* minus = BitmapResource(IDB_MINUS);
  const BITMAPINFOHEADER* plus = BitmapResource(IDB_PLUS);
  int previous = 0, grown = 0;
  for (int x = 0; x < 16; x++) {
    int column = 0;
    for (int y = 0; y < 16; y++) {
      column += Dark(Pixel4(minus, x, y));
      EXPECT_EQ(Dark(Pixel4(minus, x, y)), Dark(Pixel4(plus, 15 - x, y))) << x << "," << y;
    }
    if (column == 0) continue;
    EXPECT_GT(column, previous) << "column " << x;
    previous = column;
    grown++;
  }
  EXPECT_GT(grown, 3);
  EXPECT_FALSE(Dark(Pixel4(minus, 0, 0))) << "the first pixel is the background";
}

TEST(Resources, ClassIconIs32By32With16Colours) {
  HRSRC found = FindResourceA(nullptr, MAKEINTRESOURCEA(IDI_ORVALIX), MAKEINTRESOURCEA(14));  // RT_GROUP_ICON
  ASSERT_NE(nullptr, found);
  const BYTE* group = static_cast<const BYTE*>(LockResource(LoadResource(nullptr, found)));
  // Directory: reserved, type 1, count; then entries of width, height, colours.
  EXPECT_EQ(1, group[2] | group[3] << 8);
  ASSERT_EQ(1, group[4] | group[5] << 8);
  EXPECT_EQ(32, group[6]);
  EXPECT_EQ(32, group[7]);
  EXPECT_EQ(16, group[8]);
  ResetUiGlobals(GetModuleHandleA(nullptr));
  EXPECT_NE(nullptr, LoadIconA(hInst, MAKEINTRESOURCEA(IDI_ORVALIX)));
}

TEST(Resources, SetupTemplateIsEmpty) {
  HRSRC found = FindResourceA(nullptr, MAKEINTRESOURCEA(IDD_SETUP), MAKEINTRESOURCEA(5));  // RT_DIALOG
  ASSERT_NE(nullptr, found);
  const WORD* t = static_cast<const WORD*>(LockResource(LoadResource(nullptr, found)));
  // Extended template: version 1, signature 0xFFFF, help id, extended style,
  // style, item count, x, y, cx, cy, then menu, class, caption, font.
  EXPECT_EQ(1, t[0]);
  EXPECT_EQ(0xFFFF, t[1]);
  DWORD exStyle, style;
  memcpy(&exStyle, t + 4, sizeof exStyle);
  memcpy(&style, t + 6, sizeof style);
  EXPECT_EQ(0u, exStyle);
  EXPECT_EQ(0x80C800C0u, style);
  EXPECT_EQ(0, t[8]) << "controls";
  EXPECT_EQ(0, static_cast<short>(t[9]));
  EXPECT_EQ(0, static_cast<short>(t[10]));
  EXPECT_EQ(366, t[11]);
  EXPECT_EQ(297, t[12]);
  EXPECT_EQ(0, t[13]) << "menu";
  EXPECT_EQ(0, t[14]) << "class";
  const WORD* p = t + 15;
  std::string caption;
  while (*p) caption += static_cast<char>(*p++);
  EXPECT_EQ("Setup", caption);
  p++;
  EXPECT_EQ(8, p[0]) << "point size";
  p += 3;  // point size, weight, italic and character set
  std::string face;
  while (*p) face += static_cast<char>(*p++);
  EXPECT_EQ("MS Sans Serif", face);
}

}  // namespace
