// The panel's layout rules that can fail: rows and columns that line up,
// the step images, the pages, "On Top" and the Recall buttons' own group.
#include "ui_rig.h"

#include "panel/notification_drain.h"
#include "ui/panel_commands.h"
#include "ui/ui_globals.h"

namespace {

// Each slider row: slider, minus and plus buttons, value box.
const int kRows[][4] = {{IDC_ZOOM_SLIDER, IDC_ZOOM_MINUS, IDC_ZOOM_PLUS, IDC_ZOOM_VALUE},
                        {IDC_SHARP_SLIDER, IDC_SHARP_MINUS, IDC_SHARP_PLUS, IDC_SHARP_VALUE},
                        {IDC_BRIGHT_SLIDER, IDC_BRIGHT_MINUS, IDC_BRIGHT_PLUS, IDC_BRIGHT_VALUE},
                        {IDC_LEVEL_SLIDER, IDC_LEVEL_MINUS, IDC_LEVEL_PLUS, IDC_LEVEL_VALUE},
                        {IDC_FOCUS_SLIDER, IDC_FOCUS_MINUS, IDC_FOCUS_PLUS, IDC_FOCUS_VALUE}};

// A control's rectangle in the panel's client coordinates.
RECT At(int id) {
  RECT r;
  GetWindowRect(GetDlgItem(hPage[0], id), &r);
  MapWindowPoints(nullptr, hPage[0], reinterpret_cast<POINT*>(&r), 2);
  return r;
}

using Layout = ShellTest;

// The value boxes share a right edge left of the camera list; each row's
// controls share its top, minus left of the slider, plus right of it; the
// right column's buttons share both edges; Freeze stands left of Power.
TEST_F(Layout, RowsAndColumnsLineUp) {
  const RECT list = At(IDC_CAMERA_LIST);
  int previousTop = 0;
  for (const auto& row : kRows) {
    const RECT slider = At(row[0]), minus = At(row[1]), plus = At(row[2]), value = At(row[3]);
    EXPECT_EQ(value.right, At(IDC_ZOOM_VALUE).right) << row[3];
    EXPECT_LT(value.right, list.left) << row[3];
    EXPECT_TRUE(minus.top == slider.top && plus.top == slider.top && value.top == slider.top) << row[0];
    EXPECT_TRUE(minus.right <= slider.left && slider.right <= plus.left && plus.right < value.left) << row[0];
    EXPECT_GT(slider.top, previousTop) << row[0];
    previousTop = slider.top;
    EXPECT_EQ(reinterpret_cast<LRESULT>(hbmMinus), SendMessageA(Item(row[1]), BM_GETIMAGE, IMAGE_BITMAP, 0));
    EXPECT_EQ(reinterpret_cast<LRESULT>(hbmPlus), SendMessageA(Item(row[2]), BM_GETIMAGE, IMAGE_BITMAP, 0));
  }
  int previousBottom = list.bottom;
  for (int id : {IDC_ON_TOP, IDC_SETUP, IDC_HELP, IDC_ABOUT, IDC_POWER, IDC_EXIT}) {
    const RECT r = At(id);
    EXPECT_TRUE(r.left == At(IDC_ON_TOP).left && r.right == At(IDC_ON_TOP).right) << id;
    EXPECT_GE(r.top, previousBottom) << id;
    previousBottom = r.bottom;
  }
  EXPECT_LT(At(IDC_FREEZE).right, At(IDC_POWER).left);
  EXPECT_EQ(At(IDC_FREEZE).top, At(IDC_POWER).top);
}

// The Return button brings page 0 back; the main window starts topmost with
// "On Top" pressed, and the button toggles both.
TEST_F(Layout, PagesAndOnTop) {
  ShowPage(1);
  EXPECT_FALSE(IsWindowVisible(hPage[0]));
  EXPECT_TRUE(IsWindowVisible(hPage[1]));
  SendMessageA(GetDlgItem(hPage[1], IDC_RETURN), BM_CLICK, 0, 0);
  EXPECT_EQ(0, curPage.load());
  EXPECT_TRUE(IsWindowVisible(hPage[0]) && !IsWindowVisible(hPage[1]) && !IsWindowVisible(hPage[2]));
  for (bool on : {true, false, true}) {
    EXPECT_EQ(on, Checked(IDC_ON_TOP));
    EXPECT_EQ(on, (GetWindowLongA(hMainWnd, GWL_EXSTYLE) & WS_EX_TOPMOST) != 0);
    Click(IDC_ON_TOP);
  }
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

// A pan/tilt camera puts the pad up beside today's panel, named for screen
// readers, Speed at half of 0x18: keypad 8 and the held "Down" drive tilt at
// 10 of 0x14 and stop on deactivation or letting go; "Home" sends Home. For
// any other camera none of it exists and the window is today's 570 x 516.
TEST_F(Layout, PadOnlyForAPanTiltCamera) {
  AddCameras(2);
  CameraRecord& pt = Camera(1, 0x7B);
  pt.panTilt = 1, pt.panMax = 0x18, pt.tiltMax = 0x14, pt.panPos = -5, pt.tiltPos = 7;
  const char* const kTexts[] = {"Up Left", "Up",        "Up Right", "Left",      "Home",
                                "Right",   "Down Left", "Down",     "Down Right"};
  for (int vk : {VK_F2, VK_F1, VK_F2}) {
    Press(vk);
    RECT w;
    GetWindowRect(hMainWnd, &w);
    EXPECT_TRUE(w.right - w.left == (vk == VK_F2 ? 750 : 570) && w.bottom - w.top == 516) << vk;
    for (int id = IDC_PAD_UP_LEFT; id <= IDC_PAD_POSITION; id++) EXPECT_EQ(vk == VK_F2, Item(id) != nullptr) << id;
  }
  for (int h = 0; h < 9; h++) EXPECT_EQ(kTexts[h], Text(IDC_PAD_UP_LEFT + h));
  EXPECT_EQ("Pan -5  Tilt 7", Text(IDC_PAD_POSITION));
  EXPECT_EQ(12, Pos(IDC_PAD_SPEED));
  for (uint32_t n : {1u, 0u}) notifyQueue.Put(n, NOTIFY_PAN_POSITION, 300 + n, 0), notifyQueue.Put(n, 62, -20, 0);
  DrainNotifications();
  EXPECT_EQ("Pan 301  Tilt -20", Text(IDC_PAD_POSITION));
  auto pending = [&] {
    Movement m = UnpackMovement(controller.movements[1].pending.load());
    return std::to_string(m.kind) + " " + std::to_string(m.panSpeed) + " " + std::to_string(m.tiltSpeed);
  };
  PostMessageA(GetFocus(), WM_KEYDOWN, VK_NUMPAD8, 0), RunLoop();
  EXPECT_EQ("1 0 10", pending());
  SendMessageA(hMainWnd, WM_ACTIVATE, WA_INACTIVE, 0);
  EXPECT_EQ("1 0 0", pending());
  PostMessageA(Item(IDC_PAD_DOWN), WM_LBUTTONDOWN, MK_LBUTTON, 0), RunLoop();
  EXPECT_EQ("1 0 -10", pending());
  PostMessageA(Item(IDC_PAD_DOWN), WM_LBUTTONUP, 0, 0), RunLoop();
  EXPECT_EQ("1 0 0", pending());
  Click(IDC_PAD_HOME);
  EXPECT_EQ("2 0 0", pending());
}

}  // namespace
