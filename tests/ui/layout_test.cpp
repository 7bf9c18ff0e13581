// The main window, its pages and every panel control as created: classes,
// style words, geometry, slider ranges and ticks, initial states.
#include "ui_rig.h"

#include "ui/panel_commands.h"
#include "ui/ui_globals.h"

#include <commctrl.h>

#include <string>
#include <vector>

namespace {

// The style words of each kind of control, and the controls of that kind.
struct StyleKind {
  const char* cls;
  DWORD style;
  std::vector<int> ids;
};

const StyleKind kKinds[] = {
    {"STATIC", 0x56000000, {IDC_BRIGHT_LABEL, IDC_LEVEL_LABEL}},
    {TRACKBAR_CLASSA, 0x56000001, {IDC_ZOOM_SLIDER, IDC_SHARP_SLIDER, IDC_FOCUS_SLIDER}},
    {TRACKBAR_CLASSA, 0x56010001, {IDC_BRIGHT_SLIDER, IDC_LEVEL_SLIDER}},
    {"BUTTON",
     0x56010080,
     {IDC_ZOOM_PLUS, IDC_ZOOM_MINUS, IDC_BRIGHT_PLUS, IDC_BRIGHT_MINUS, IDC_FOCUS_PLUS, IDC_FOCUS_MINUS, IDC_SHARP_PLUS,
      IDC_SHARP_MINUS, IDC_LEVEL_PLUS, IDC_LEVEL_MINUS}},
    {"EDIT", 0x56000801, {IDC_ZOOM_VALUE, IDC_SHARP_VALUE, IDC_BRIGHT_VALUE, IDC_LEVEL_VALUE, IDC_FOCUS_VALUE}},
    {"EDIT", 0x56010800, {IDC_STATUS}},
    {"BUTTON", 0x56010003, {IDC_EXPOSURE_AUTO, IDC_FOCUS_AUTO, IDC_IRIS}},
    {"BUTTON", 0x56011003, {IDC_POWER, IDC_ON_TOP, IDC_FREEZE}},
    {"BUTTON", 0x56010009, {IDC_RECALL1, IDC_RECALL2, IDC_RECALL3, IDC_RECALL4, IDC_RECALL5}},
    {"BUTTON", 0x56010000, {IDC_EXIT, IDC_SETUP, IDC_HELP, IDC_ABOUT}},
    {"LISTBOX", 0x54310201, {IDC_CAMERA_LIST}},
};

// Each slider row: its controls, its y, and the slider's initial setting.
struct SliderRow {
  int slider, minus, plus, value, y;
  int lo, hi, pos, ticEvery;
};

const SliderRow kRows[] = {
    {IDC_ZOOM_SLIDER, IDC_ZOOM_MINUS, IDC_ZOOM_PLUS, IDC_ZOOM_VALUE, 56, 0, 90, 50, 10},
    {IDC_SHARP_SLIDER, IDC_SHARP_MINUS, IDC_SHARP_PLUS, IDC_SHARP_VALUE, 142, 0, 15, 8, 1},
    {IDC_BRIGHT_SLIDER, IDC_BRIGHT_MINUS, IDC_BRIGHT_PLUS, IDC_BRIGHT_VALUE, 228, 5, 23, 16, 1},
    {IDC_LEVEL_SLIDER, IDC_LEVEL_MINUS, IDC_LEVEL_PLUS, IDC_LEVEL_VALUE, 286, 0, 14, 7, 1},
    {IDC_FOCUS_SLIDER, IDC_FOCUS_MINUS, IDC_FOCUS_PLUS, IDC_FOCUS_VALUE, 372, 1, 99, 50, 5},
};

// A control's rectangle in its parent's client coordinates.
RECT RectIn(HWND parent, int id) {
  RECT r;
  GetWindowRect(GetDlgItem(parent, id), &r);
  MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&r), 2);
  return r;
}

void ExpectRect(HWND parent, int id, int x, int y, int w, int h) {
  RECT r = RectIn(parent, id);
  EXPECT_EQ((std::vector<long>{x, y, w, h}), (std::vector<long>{r.left, r.top, r.right - r.left, r.bottom - r.top}))
      << id;
}

int ClientWidth(HWND w) {
  RECT r;
  GetClientRect(w, &r);
  return r.right;
}

const Created* CreatedItem(HWND parent, int id) {
  for (const Created& c : created)
    if (c.parent == parent && c.id == id) return &c;
  return nullptr;
}

using Layout = ShellTest;

TEST_F(Layout, MainWindowPagesAndOnTop) {
  // The main window and the pages, leaving out what the system adds (an
  // input-method window).
  std::vector<Created> own;
  for (const Created& c : created)
    if (c.cls == "Orvalix") own.push_back(c);
  ASSERT_EQ(4u, own.size());
  const Created& main = own[0];
  EXPECT_EQ(nullptr, main.parent);
  EXPECT_EQ("Orvalix", main.text);
  EXPECT_EQ(0x82CA0000u, main.style);
  // The system adds the edge style of a captioned window.
  EXPECT_EQ(static_cast<DWORD>(WS_EX_TOPMOST), main.exStyle & ~WS_EX_WINDOWEDGE);
  EXPECT_EQ((std::vector<int>{(GetSystemMetrics(SM_CXSCREEN) - 570) / 2 + 280,
                              (GetSystemMetrics(SM_CYSCREEN) - 516) / 2 + 125, 570, 516}),
            (std::vector<int>{main.x, main.y, main.width, main.height}));
  const DWORD pageStyles[] = {0x56000000, 0x46000000, 0x46000000};
  for (int i = 0; i < 3; i++) {
    EXPECT_EQ(hMainWnd, own[1 + i].parent);
    EXPECT_EQ(pageStyles[i], own[1 + i].style) << "page " << i;
    EXPECT_EQ(0, own[1 + i].x);
    EXPECT_EQ(ClientWidth(hMainWnd), own[1 + i].width);
  }
  ShowPage(1);
  EXPECT_FALSE(IsWindowVisible(hPage[0]));
  EXPECT_TRUE(IsWindowVisible(hPage[1]));
  SendMessageA(GetDlgItem(hPage[1], IDC_RETURN), BM_CLICK, 0, 0);
  EXPECT_EQ(0, curPage.load());
  EXPECT_TRUE(IsWindowVisible(hPage[0]));
  EXPECT_FALSE(IsWindowVisible(hPage[1]));
  EXPECT_FALSE(IsWindowVisible(hPage[2]));

  // Starts topmost with "On Top" pressed; the button toggles both.
  for (bool on : {true, false, true}) {
    EXPECT_EQ(on, Checked(IDC_ON_TOP));
    EXPECT_EQ(on, (GetWindowLongA(hMainWnd, GWL_EXSTYLE) & WS_EX_TOPMOST) != 0);
    Click(IDC_ON_TOP);
  }
}

TEST_F(Layout, ClassesAndStyleWords) {
  for (const StyleKind& kind : kKinds)
    for (int id : kind.ids) {
      const Created* made = CreatedItem(hPage[0], id);
      ASSERT_NE(nullptr, made) << id;
      EXPECT_EQ(kind.cls, made->cls) << id;
      EXPECT_EQ(kind.style, made->style) << id;
    }
  const Created* ret = CreatedItem(hPage[1], IDC_RETURN);
  ASSERT_NE(nullptr, ret);
  EXPECT_EQ(0x56010000u, ret->style);
  EXPECT_EQ("Return", ret->text);
  // The four fixed captions share one identifier.
  std::vector<std::string> captions;
  for (const Created& c : created) {
    if (c.id != IDC_LABEL) continue;
    captions.push_back(c.text);
    EXPECT_EQ(0x56000000u, c.style);
    EXPECT_EQ("STATIC", c.cls);
  }
  EXPECT_EQ((std::vector<std::string>{"Optical Zoom", "Sharpness", "Focus", "Recall"}), captions);
  EXPECT_EQ("Brightness", Text(IDC_BRIGHT_LABEL));
  EXPECT_EQ("Bright/Iris Level", Text(IDC_LEVEL_LABEL));
  EXPECT_EQ("Freeze", Text(IDC_FREEZE));
  for (const SliderRow& row : kRows) {
    EXPECT_EQ(reinterpret_cast<LRESULT>(hbmMinus), SendMessageA(Item(row.minus), BM_GETIMAGE, IMAGE_BITMAP, 0));
    EXPECT_EQ(reinterpret_cast<LRESULT>(hbmPlus), SendMessageA(Item(row.plus), BM_GETIMAGE, IMAGE_BITMAP, 0));
  }
  EXPECT_NE(hbmMinus, hbmPlus);
}

TEST_F(Layout, SliderRangesPositionsAndTicks) {
  for (const SliderRow& s : kRows) {
    HWND w = Item(s.slider);
    // A tick every ticEvery from the low end, plus the two ends.
    int tics = 2 + (s.hi - s.lo - 1) / s.ticEvery;
    EXPECT_EQ((std::vector<LRESULT>{s.lo, s.hi, s.pos, tics, s.lo + s.ticEvery, s.lo + 2 * s.ticEvery}),
              (std::vector<LRESULT>{SendMessageA(w, TBM_GETRANGEMIN, 0, 0), SendMessageA(w, TBM_GETRANGEMAX, 0, 0),
                                    SendMessageA(w, TBM_GETPOS, 0, 0), SendMessageA(w, TBM_GETNUMTICS, 0, 0),
                                    SendMessageA(w, TBM_GETTIC, 0, 0), SendMessageA(w, TBM_GETTIC, 1, 0)}))
        << s.slider;
  }
}

TEST_F(Layout, ColumnsRowsAndTheRightEdge) {
  int W = ClientWidth(hPage[0]);
  int colW = (W - 24) / 2;
  // The list rounds its height down to whole rows.
  const Created* made = CreatedItem(hPage[0], IDC_CAMERA_LIST);
  ASSERT_NE(nullptr, made);
  EXPECT_EQ((std::vector<int>{W - 148, 88, 140, 140}), (std::vector<int>{made->x, made->y, made->width, made->height}));
  RECT list = RectIn(hPage[0], IDC_CAMERA_LIST);
  EXPECT_EQ(W - 148, list.left);
  EXPECT_EQ(88, list.top);
  EXPECT_LE(list.bottom, 88 + 140);
  for (const SliderRow& row : kRows) {
    ExpectRect(hPage[0], row.slider, 28, row.y, colW - 40, 32);
    ExpectRect(hPage[0], row.minus, 8, row.y, 20, 20);
    ExpectRect(hPage[0], row.plus, colW - 12, row.y, 20, 20);
    ExpectRect(hPage[0], row.value, colW + 16, row.y, 60, 20);
    EXPECT_LT(RectIn(hPage[0], row.value).right, list.left) << row.value;
  }
  const int rightColumn[] = {IDC_ON_TOP, IDC_SETUP, IDC_HELP, IDC_ABOUT, IDC_POWER, IDC_EXIT};
  const int rowY[] = {236, 292, 328, 364, 420, 456};
  int btnW = colW - 140 - 16 - 18;
  for (int i = 0; i < 6; i++) ExpectRect(hPage[0], rightColumn[i], W - 8 - btnW, rowY[i], btnW, 25);
  ExpectRect(hPage[0], IDC_FREEZE, W - 16 - 2 * btnW - 28, 420, btnW, 62);
  EXPECT_LT(RectIn(hPage[0], IDC_FREEZE).right, RectIn(hPage[0], IDC_POWER).left);
  for (int k = 0; k < 5; k++) ExpectRect(hPage[0], IDC_RECALL1 + k, 80 + 42 * k, 414, 40, 20);
  ExpectRect(hPage[0], IDC_STATUS, 8, 461, colW, 20);
  RECT page1;
  GetClientRect(hPage[1], &page1);
  ExpectRect(hPage[1], IDC_RETURN, page1.right - 128, page1.bottom - 36, 120, 28);
}

TEST_F(Layout, RecallButtonsAreOneGroupOfTheirOwn) {
  // A radio set in a group box of its own, as the Setup dialog has them.
  HWND box = CreateWindowExA(0, "BUTTON", "", WS_CHILD | WS_VISIBLE | BS_GROUPBOX, 0, 0, 60, 60, hPage[0], nullptr,
                             hInst, nullptr);
  HWND other = CreateWindowExA(0, "BUTTON", "x", WS_CHILD | WS_VISIBLE | BS_AUTORADIOBUTTON, 0, 0, 50, 20, box,
                               reinterpret_cast<HMENU>(9000), hInst, nullptr);
  SendMessageA(other, BM_CLICK, 0, 0);
  CheckDlgButton(hPage[0], IDC_EXPOSURE_AUTO, BST_CHECKED);
  for (int pick : {IDC_RECALL3, IDC_RECALL5, IDC_RECALL1}) {
    Click(pick);
    for (int id = IDC_RECALL1; id <= IDC_RECALL5; id++) EXPECT_EQ(id == pick, Checked(id)) << pick << " " << id;
  }
  EXPECT_EQ(BST_CHECKED, SendMessageA(other, BM_GETCHECK, 0, 0));
  EXPECT_TRUE(Checked(IDC_EXPOSURE_AUTO));
}

}  // namespace
