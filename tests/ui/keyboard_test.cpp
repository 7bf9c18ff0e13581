// The keyboard through the program's own message loop: keys are posted as
// the system would post them, and no window may ever see a key-down or
// key-up.
#include "ui_rig.h"

#include "ui/ui_globals.h"

#include <map>
#include <vector>

namespace {

// Every window of the program, subclassed to count what reaches it.
struct Received {
  int keyMessages = 0;
  std::map<WPARAM, int> characters;
};
Received received;
std::map<HWND, WNDPROC> originals;

LRESULT CALLBACK Recorder(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_KEYDOWN || message == WM_KEYUP) received.keyMessages++;
  if (message == WM_CHAR) received.characters[wParam]++;
  return CallWindowProcA(originals[hwnd], hwnd, message, wParam, lParam);
}

BOOL CALLBACK SubclassOne(HWND w, LPARAM) {
  originals[w] = reinterpret_cast<WNDPROC>(SetWindowLongPtrA(w, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(Recorder)));
  return TRUE;
}

const int kTabOrder[] = {IDC_ZOOM_MINUS,  IDC_ZOOM_PLUS,     IDC_SHARP_MINUS,  IDC_SHARP_PLUS,  IDC_EXPOSURE_AUTO,
                         IDC_IRIS,        IDC_BRIGHT_SLIDER, IDC_BRIGHT_MINUS, IDC_BRIGHT_PLUS, IDC_LEVEL_SLIDER,
                         IDC_LEVEL_MINUS, IDC_LEVEL_PLUS,    IDC_FOCUS_AUTO,   IDC_FOCUS_MINUS, IDC_FOCUS_PLUS,
                         IDC_RECALL1,     IDC_RECALL2,       IDC_RECALL3,      IDC_RECALL4,     IDC_RECALL5,
                         IDC_CAMERA_LIST, IDC_ON_TOP,        IDC_SETUP,        IDC_HELP,        IDC_ABOUT,
                         IDC_POWER,       IDC_EXIT,          IDC_FREEZE,       IDC_STATUS};

class Keyboard : public ShellTest {
 protected:
  void SetUp() override {
    ShellTest::SetUp();
    received = Received();
    originals.clear();
    SubclassOne(hMainWnd, 0);
    EnumChildWindows(hMainWnd, SubclassOne, 0);
  }
  void TearDown() override {
    EXPECT_EQ(0, received.keyMessages) << "a window received WM_KEYDOWN or WM_KEYUP";
    ShellTest::TearDown();
  }
  void Focus(int id) {
    SetFocus(Item(id));
    ASSERT_EQ(id, FocusId());
  }
};

TEST_F(Keyboard, TabAndShiftTabFollowTheCreationOrderSkippingDisabledControls) {
  EnableWindow(Item(IDC_BRIGHT_SLIDER), FALSE);
  EnableWindow(Item(IDC_POWER), FALSE);
  std::vector<int> expected;
  for (int id : kTabOrder)
    if (id != IDC_BRIGHT_SLIDER && id != IDC_POWER) expected.push_back(id);
  Focus(expected[0]);
  for (size_t i = 1; i <= expected.size(); i++) {
    Press(VK_TAB);
    EXPECT_EQ(expected[i % expected.size()], FocusId()) << "after Tab " << i;
  }
  for (size_t i = expected.size(); i-- > 0;) {
    Press(VK_TAB, true);
    EXPECT_EQ(expected[i], FocusId()) << "after Shift+Tab back to " << i;
  }
  EXPECT_EQ(0, received.characters[9]) << "Tab reached a control";
  // From a page or the main window Tab reaches no control.
  SetFocus(hPage[0]);
  Press(VK_TAB);
  EXPECT_EQ(hPage[0], GetFocus());
  SetFocus(hMainWnd);
  Press(VK_TAB, true);
  EXPECT_EQ(hMainWnd, GetFocus());
}

TEST_F(Keyboard, UpAndDownTravelTheRowsAndSkipWhatAutoDisables) {
  // From `from`, each press of vk moves the focus to the next of `path`.
  auto travel = [this](int from, int vk, std::vector<int> path) {
    Focus(from);
    for (int id : path) {
      Press(vk);
      EXPECT_EQ(id, FocusId()) << from << " " << vk;
    }
  };
  travel(IDC_ZOOM_VALUE, VK_DOWN,
         {IDC_SHARP_SLIDER, IDC_EXPOSURE_AUTO, IDC_BRIGHT_SLIDER, IDC_FOCUS_AUTO, IDC_FOCUS_SLIDER, IDC_ZOOM_SLIDER});
  travel(IDC_ZOOM_SLIDER, VK_UP,
         {IDC_FOCUS_SLIDER, IDC_FOCUS_AUTO, IDC_BRIGHT_SLIDER, IDC_EXPOSURE_AUTO, IDC_SHARP_SLIDER, IDC_ZOOM_SLIDER});
  travel(IDC_EXIT, VK_UP, {IDC_EXIT});
  CheckDlgButton(hPage[0], IDC_EXPOSURE_AUTO, BST_CHECKED);
  CheckDlgButton(hPage[0], IDC_FOCUS_AUTO, BST_CHECKED);
  travel(IDC_ZOOM_SLIDER, VK_UP, {IDC_FOCUS_AUTO});
  travel(IDC_FOCUS_AUTO, VK_DOWN, {IDC_ZOOM_SLIDER});
  travel(IDC_EXPOSURE_AUTO, VK_DOWN, {IDC_LEVEL_SLIDER});
  travel(IDC_LEVEL_SLIDER, VK_UP, {IDC_SHARP_SLIDER});
  travel(IDC_FOCUS_AUTO, VK_UP, {IDC_LEVEL_SLIDER});
}

TEST_F(Keyboard, LeftAndRightStepTheFocusedSliderOnly) {
  AddCameras(3, false);
  Select(1);
  Focus(IDC_ZOOM_SLIDER);
  SendMessageA(Item(IDC_ZOOM_SLIDER), TBM_SETPOS, TRUE, 37);
  Press(VK_RIGHT);
  Press(VK_RIGHT);
  Press(VK_LEFT);
  EXPECT_EQ(40, Pos(IDC_ZOOM_SLIDER));
  Focus(IDC_SHARP_SLIDER);
  Press(VK_LEFT);
  EXPECT_EQ((RequestList{{1, 1, 40}, {1, 1, 50}, {1, 1, 40}, {1, 29, 7}}), Requests());
  // Neither the list nor a slider handles arrows of its own.
  Focus(IDC_CAMERA_LIST);
  Press(VK_DOWN);
  Press(VK_RIGHT);
  EXPECT_EQ(1, SendMessageA(Item(IDC_CAMERA_LIST), LB_GETCURSEL, 0, 0));
  Focus(IDC_FOCUS_SLIDER);
  Press(VK_UP);
  EXPECT_EQ(50, Pos(IDC_FOCUS_SLIDER));
  EXPECT_TRUE(Requests().empty());
}

TEST_F(Keyboard, DigitsRecallAndCheckTheirButton) {
  AddCameras(1, false);
  Select(0);
  Click(IDC_RECALL1);
  Requests();
  Focus(IDC_EXIT);
  for (int vk : {'4', '6', '0'}) Press(vk);  // only 1 to 5 recall
  for (int id = IDC_RECALL1; id <= IDC_RECALL5; id++) EXPECT_EQ(id == IDC_RECALL4, Checked(id)) << id;
  Press(VK_NUMPAD2);
  EXPECT_EQ((RequestList{{0, 51, 0}, {0, 51, 0}}), Requests());
}

TEST_F(Keyboard, SpaceTogglesFreezeFromAnyFocusAndPressesNothing) {
  AddCameras(1, false);
  Select(0);
  Focus(IDC_EXIT);
  Press(VK_SPACE);
  EXPECT_TRUE(Checked(IDC_FREEZE));
  EXPECT_TRUE(IsWindow(hMainWnd)) << "Space pressed Exit";
  SetFocus(hPage[0]);
  Press(VK_SPACE);
  EXPECT_FALSE(Checked(IDC_FREEZE));
  Select(-1);
  Press(VK_SPACE);
  EXPECT_EQ((RequestList{{0, 45, 1}, {0, 45, 0}, {-1, 45, 1}}), Requests());
  EXPECT_EQ(0, received.characters[' ']);
}

TEST_F(Keyboard, EnterRunsTheFocusedControlsCommand) {
  AddCameras(1, false);
  Select(0);
  for (int id : {IDC_ON_TOP, IDC_POWER, IDC_RECALL2, IDC_FOCUS_AUTO}) {
    Focus(id);
    Press(VK_RETURN);
  }
  // Each runs its command; a Recall button is not checked by Enter.
  EXPECT_EQ(
      (std::vector<bool>{false, false, false, true}),
      (std::vector<bool>{Checked(IDC_ON_TOP), Checked(IDC_POWER), Checked(IDC_RECALL2), Checked(IDC_FOCUS_AUTO)}));
  EXPECT_EQ((RequestList{{0, 44, 0}, {0, 49, 0}, {0, 49, 0}, {0, 3, 1}}), Requests());
  SetFocus(hPage[0]);
  Press(VK_RETURN);
  EXPECT_TRUE(Requests().empty());
  Focus(IDC_EXIT);
  Press(VK_RETURN);
  EXPECT_FALSE(IsWindow(hMainWnd));
  EXPECT_EQ(0, received.characters['\r']);
}

// With NumLock on, keypad 8 held with Shift comes as a VK_UP without the
// extended bit: with the pad up it drives at the tilt maximum 0x14 (not the
// slider's 10). The arrow key, and VK_UP with NumLock off, keep the row rule.
TEST_F(Keyboard, ShiftedKeypadKeyWithNumLockDrivesAtTheMaximum) {
  AddCameras(2);
  CameraRecord& pt = Camera(1, 0x7B);
  pt.panTilt = 1, pt.panMax = 0x18, pt.tiltMax = 0x14;
  Press(VK_F2);
  // The movement put (kind, pan, tilt), then the focus: zoom, focus slider, focus "Auto".
  const struct {
    bool extended, numLock, down;
    const char* after;
  } rows[] = {{true, true, true, "0 0 0 8205"},
              {false, false, true, "0 0 0 8204"},
              {false, true, true, "1 0 20 8204"},
              {false, true, false, "1 0 0 8204"}};
  for (const auto& row : rows) {
    BYTE keys[256] = {};
    keys[VK_NUMLOCK] = row.numLock ? 1 : 0, SetKeyboardState(keys);
    const LPARAM flags = (row.extended ? 1 << 24 : 0) | (row.down ? 0 : 3u << 30);
    PostMessageA(GetFocus(), row.down ? WM_KEYDOWN : WM_KEYUP, VK_UP, 0x480001 | flags), RunLoop();
    const Movement m = UnpackMovement(controller.movements[1].pending.load());
    char after[48];
    snprintf(after, sizeof after, "%d %d %d %d", static_cast<int>(m.kind), m.panSpeed, m.tiltSpeed, FocusId());
    EXPECT_STREQ(row.after, after) << row.extended << row.numLock << row.down;
  }
}

}  // namespace
