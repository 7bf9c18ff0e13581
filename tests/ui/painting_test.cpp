// What page 0 paints over its background.
#include "ui_rig.h"

#include "ui/painting.h"
#include "ui/ui_globals.h"

#include <string>

namespace {

constexpr COLORREF kFill = RGB(1, 2, 3);  // a colour nothing paints

// A 32-bit top-down bitmap of a window's client size filled with kFill.
struct Canvas {
  HDC dc = CreateCompatibleDC(nullptr);
  HBITMAP bitmap = nullptr;
  HGDIOBJ previous = nullptr;
  const DWORD* pixels = nullptr;
  RECT all;

  explicit Canvas(HWND w) {
    GetClientRect(w, &all);
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = all.right;
    info.bmiHeader.biHeight = -all.bottom;  // top-down rows
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    void* bits = nullptr;
    bitmap = CreateDIBSection(dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    pixels = static_cast<const DWORD*>(bits);
    previous = SelectObject(dc, bitmap);
    HBRUSH fill = CreateSolidBrush(kFill);
    FillRect(dc, &all, fill);
    DeleteObject(fill);
    PaintWindow(w, dc);
    GdiFlush();
  }
  ~Canvas() {
    SelectObject(dc, previous);
    DeleteObject(bitmap);
    DeleteDC(dc);
  }
  COLORREF At(int x, int y) const {
    DWORD p = pixels[y * all.right + x];  // 0x00RRGGBB
    return RGB((p >> 16) & 0xFF, (p >> 8) & 0xFF, p & 0xFF);
  }
  bool Untouched(int left, int top, int right, int bottom) const {
    for (int y = top; y < bottom; y++)
      for (int x = left; x < right; x++)
        if (At(x, y) != kFill) return false;
    return true;
  }
};

using Painting = ShellTest;

TEST_F(Painting, SunkenFramesRoundTheVisibleBoxesOnly) {
  ShowWindow(Item(IDC_LEVEL_VALUE), SW_HIDE);
  EnableWindow(Item(IDC_ZOOM_VALUE), FALSE);
  Canvas canvas(hPage[0]);
  const COLORREF grey = RGB(128, 128, 128), white = RGB(255, 255, 255);
  for (int id : {IDC_STATUS, IDC_CAMERA_LIST, IDC_ZOOM_VALUE, IDC_SHARP_VALUE, IDC_BRIGHT_VALUE, IDC_FOCUS_VALUE,
                 IDC_LEVEL_VALUE}) {
    RECT r;
    GetWindowRect(Item(id), &r);
    MapWindowPoints(nullptr, hPage[0], reinterpret_cast<POINT*>(&r), 2);
    int midX = (r.left + r.right) / 2, midY = (r.top + r.bottom) / 2;
    if (id == IDC_LEVEL_VALUE) {
      EXPECT_TRUE(canvas.Untouched(r.left - 1, r.top - 1, r.right + 1, r.bottom + 1)) << "hidden box framed";
      continue;
    }
    EXPECT_EQ((std::vector<COLORREF>{grey, grey, white, white, kFill}),
              (std::vector<COLORREF>{canvas.At(midX, r.top - 1), canvas.At(r.left - 1, midY), canvas.At(r.right, midY),
                                     canvas.At(midX, r.bottom), canvas.At(midX, r.top - 2)}))
        << id;
  }
}

}  // namespace
