// What the panel's controls put for the engine, enable and check, and the
// main window's timers, slider release, background click and closing.
#include "ui_rig.h"

#include "names/names_store.h"
#include "panel/camera_names.h"
#include "requests/request_codes.h"
#include "ui/main_wnd_proc.h"
#include "ui/panel_commands.h"
#include "ui/recall_tips.h"
#include "ui/remote_messages.h"
#include "ui/ui_globals.h"
#include "ui/window_names.h"

#include <commctrl.h>

namespace {

using Commands = ShellTest;

TEST_F(Commands, PowerAndFreezeSendEvenWithoutASelectionRecallTwiceOnlyWithOne) {
  AddCameras(2);
  Click(IDC_POWER);
  Click(IDC_POWER);
  Click(IDC_FREEZE);
  Click(IDC_RECALL3);
  EXPECT_EQ((RequestList{{-1, 44, 1}, {-1, 44, 0}, {-1, 45, 1}}), Requests());
  Select(1);
  Click(IDC_FREEZE);
  Click(IDC_POWER);
  Click(IDC_RECALL3);
  Click(IDC_RECALL5);
  EXPECT_EQ((RequestList{{1, 45, 0}, {1, 44, 1}, {1, 50, 0}, {1, 50, 0}, {1, 52, 0}, {1, 52, 0}}), Requests());
  pController = nullptr;
  Click(IDC_RECALL1);
  EXPECT_TRUE(Requests().empty());
}

TEST_F(Commands, AutoBoxesSwapTheSlidersAndClearIris) {
  AddCameras(1, false);
  Select(0);
  CheckDlgButton(hPage[0], IDC_IRIS, BST_CHECKED);
  Click(IDC_EXPOSURE_AUTO);
  EXPECT_EQ((std::vector<bool>{false, true, false}),
            (std::vector<bool>{Enabled(IDC_BRIGHT_SLIDER), Enabled(IDC_LEVEL_SLIDER), Checked(IDC_IRIS)}));
  Click(IDC_EXPOSURE_AUTO);
  EXPECT_TRUE(Enabled(IDC_BRIGHT_SLIDER));
  EXPECT_FALSE(Enabled(IDC_LEVEL_SLIDER));
  Click(IDC_FOCUS_AUTO);
  EXPECT_FALSE(Enabled(IDC_FOCUS_SLIDER));
  // The slider's own command (Enter on it) asks for manual focus and leaves
  // the box as it is.
  OnCommand(hPage[0], IDC_FOCUS_SLIDER, 0);
  EXPECT_TRUE(Enabled(IDC_FOCUS_SLIDER));
  EXPECT_TRUE(Checked(IDC_FOCUS_AUTO));
  EXPECT_EQ((RequestList{{0, 6, 1}, {0, 6, 0}, {0, 3, 1}, {0, 3, 0}}), Requests());
}

TEST_F(Commands, IrisOnAndOff) {
  AddCameras(2, false);
  Click(IDC_IRIS);  // no selection: the box keeps its new state, nothing is put
  EXPECT_TRUE(Checked(IDC_IRIS));
  EXPECT_TRUE(Requests().empty());
  CheckDlgButton(hPage[0], IDC_IRIS, BST_UNCHECKED);

  Select(1);
  CheckDlgButton(hPage[0], IDC_EXPOSURE_AUTO, BST_CHECKED);
  EnableWindow(Item(IDC_BRIGHT_SLIDER), FALSE);
  EnableWindow(Item(IDC_LEVEL_SLIDER), FALSE);
  Click(IDC_IRIS);
  EXPECT_EQ((RequestList{{1, 7, 1}, {1, 8, 1}, {1, 9, 1}, {1, 7, 1}}), Requests());
  EXPECT_EQ((std::vector<bool>{false, true, true, true}),
            (std::vector<bool>{Checked(IDC_EXPOSURE_AUTO), Enabled(IDC_BRIGHT_SLIDER), Enabled(IDC_LEVEL_SLIDER),
                               Enabled(IDC_IRIS)}));

  EnableWindow(Item(IDC_EXPOSURE_AUTO), FALSE);  // as a manual-exposure camera leaves it
  Click(IDC_IRIS);
  EXPECT_EQ((RequestList{{1, 6, 1}}), Requests());
  EXPECT_EQ((std::vector<bool>{true, false, true, true}),
            (std::vector<bool>{Checked(IDC_EXPOSURE_AUTO), Enabled(IDC_BRIGHT_SLIDER), Enabled(IDC_LEVEL_SLIDER),
                               Enabled(IDC_EXPOSURE_AUTO)}));
}

TEST_F(Commands, StepButtonsMoveTheirSliderWithinTheirGuards) {
  AddCameras(1, false);
  Click(IDC_ZOOM_PLUS);  // no selection: the slider stays
  EXPECT_EQ(50, Pos(IDC_ZOOM_SLIDER));
  EXPECT_TRUE(Requests().empty());
  Select(0);
  Click(IDC_ZOOM_PLUS);
  Click(IDC_SHARP_MINUS);
  EXPECT_EQ(60, Pos(IDC_ZOOM_SLIDER));
  EXPECT_EQ(7, Pos(IDC_SHARP_SLIDER));
  EXPECT_EQ((RequestList{{0, 1, 60}, {0, 29, 7}}), Requests());

  // Full auto: brightness steps do nothing, level steps post compensation.
  CheckDlgButton(hPage[0], IDC_EXPOSURE_AUTO, BST_CHECKED);
  Click(IDC_BRIGHT_PLUS);
  Click(IDC_LEVEL_PLUS);
  EXPECT_EQ((RequestList{{0, 41, 8}}), Requests());
  // Neither box: brightness steps work, level steps do nothing.
  CheckDlgButton(hPage[0], IDC_EXPOSURE_AUTO, BST_UNCHECKED);
  Click(IDC_BRIGHT_MINUS);
  Click(IDC_LEVEL_MINUS);
  EXPECT_EQ((RequestList{{0, 5, 15}}), Requests());
  // Iris: both work; the level slider posts the iris.
  CheckDlgButton(hPage[0], IDC_IRIS, BST_CHECKED);
  Click(IDC_BRIGHT_PLUS);
  Click(IDC_LEVEL_MINUS);
  EXPECT_EQ((RequestList{{0, 5, 16}, {0, 10, 7}}), Requests());
  // Focus steps only in manual focus.
  Click(IDC_FOCUS_MINUS);
  CheckDlgButton(hPage[0], IDC_FOCUS_AUTO, BST_CHECKED);
  Click(IDC_FOCUS_PLUS);
  EXPECT_EQ(49, Pos(IDC_FOCUS_SLIDER));
  EXPECT_EQ((RequestList{{0, 4, 49}}), Requests());
}

// Letting go of the thumb posts the position; each wheel notch presses the
// slider's plus (forward) or minus (back) button, half notches add up.
TEST_F(Commands, ReleasingASliderThumbOrTurningTheWheelPostsItsPosition) {
  AddCameras(1, false);
  Select(0);
  ReleaseThumbAndTurn(Item(IDC_ZOOM_SLIDER), 30, {-WHEEL_DELTA, 2 * WHEEL_DELTA, WHEEL_DELTA / 2, WHEEL_DELTA / 2});
  RunLoop();
  EXPECT_EQ((RequestList{{0, 1, 30}, {0, 1, 20}, {0, 1, 30}, {0, 1, 40}, {0, 1, 50}}), Requests());
  EXPECT_EQ(50, Pos(IDC_ZOOM_SLIDER));
}

TEST_F(Commands, TheDrainTimerIsArmedAgainAfterEachDrain) {
  SetTimer(hMainWnd, kDrainTimerId, kDrainPeriodMs, nullptr);
  for (int sharpness : {11, 3}) {
    notifyQueue.Put(0, 29, static_cast<uint32_t>(sharpness), 0);
    ASSERT_TRUE(PumpUntil([&] { return Text(IDC_SHARP_VALUE) == std::to_string(sharpness); }, 5000));
  }
}

bool QuitPosted() {
  MSG msg;
  return PeekMessageA(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE) != FALSE;
}

// Closing the main window ends the program (Exit in the end-to-end test);
// closing another window of its class does not.
TEST_F(Commands, AnotherWindowOfTheClassDoesNotEndTheLoop) {
  HWND other = CreateWindowExA(0, szClassName, "other", WS_POPUP, 0, 0, 100, 100, nullptr, nullptr, hInst, nullptr);
  SendMessageA(other, WM_CLOSE, 0, 0);
  EXPECT_FALSE(IsWindow(other));
  EXPECT_FALSE(QuitPosted());
}

TEST_F(Commands, BackgroundClickTakesTheFocusEndOfSessionEndsTheLoop) {
  SetFocus(Item(IDC_EXIT));
  SendMessageA(hPage[0], WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(300, 5));
  EXPECT_EQ(hPage[0], GetFocus());
  SendMessageA(hPage[0], WM_ENDSESSION, TRUE, 0);
  EXPECT_FALSE(QuitPosted());
  SendMessageA(hMainWnd, WM_ENDSESSION, TRUE, 0);
  EXPECT_TRUE(QuitPosted());
}

// A remote command's messages do what the click does to the panel and put nothing themselves.
TEST_F(Commands, RemoteMessagesActOnThePanelAsClicks) {
  AddCameras(2);
  SendMessageA(hMainWnd, kRemoteSelectMessage, 2, 0);  // past the list
  EXPECT_EQ(LB_ERR, SendMessageA(Item(IDC_CAMERA_LIST), LB_GETCURSEL, 0, 0));
  SendMessageA(hMainWnd, kRemoteSelectMessage, 1, 0);
  EXPECT_EQ(1, SendMessageA(Item(IDC_CAMERA_LIST), LB_GETCURSEL, 0, 0));
  EXPECT_EQ("Camera 2 selected", Text(IDC_STATUS));
  SendMessageA(hMainWnd, kRemoteRecallMessage, 4, 1);
  SendMessageA(hMainWnd, kRemoteRecallMessage, 2, 0);                  // camera 1's: not the one shown
  SendMessageA(hMainWnd, kRemoteMirrorMessage, MAKEWPARAM(7, 1), 1);   // manual exposure
  SendMessageA(hMainWnd, kRemoteMirrorMessage, MAKEWPARAM(45, 1), 1);  // freeze on
  SendMessageA(hMainWnd, kRemoteMirrorMessage, MAKEWPARAM(3, 1), 1);   // focus auto
  SendMessageA(hMainWnd, kRemoteMirrorMessage, MAKEWPARAM(45, 0), 0);  // camera 1's freeze off: not shown
  for (int id = IDC_RECALL1; id <= IDC_RECALL5; id++) EXPECT_EQ(id == IDC_RECALL4, Checked(id)) << id;
  EXPECT_EQ((std::vector<bool>{true, false, true, true, false}),
            (std::vector<bool>{Checked(IDC_IRIS), Checked(IDC_EXPOSURE_AUTO), Checked(IDC_FREEZE),
                               Checked(IDC_FOCUS_AUTO), Enabled(IDC_FOCUS_SLIDER)}));
  EXPECT_TRUE(Requests().empty());
}

// A name shows in the camera list, "(no answer)" kept, and on the Recall
// buttons' tooltips for the selected camera.
TEST_F(Commands, NamesShowInTheListAndOnTheRecallButtonsTips) {
  AddCameras(2);
  Camera(0, 0x4B).address = 1;
  Camera(1, 0x4B).address = 2;
  SendMessageA(Item(IDC_CAMERA_LIST), LB_DELETESTRING, 1, 0);
  SendMessageA(Item(IDC_CAMERA_LIST), LB_ADDSTRING, 0, reinterpret_cast<LPARAM>("Camera 2 (no answer)"));
  char status[kNamesStatusChars];
  pNames = NamesOpen(nullptr, status, sizeof status);
  CreateRecallTips();
  NamesSetCamera(pNames, "COM1 2", "Door", status, sizeof status);
  NamesSetPreset(pNames, "COM1 1", 2, "Pulpit", status, sizeof status);
  Select(0);
  FollowWindowNames();
  HWND tips = nullptr;
  EnumThreadWindows(
      GetCurrentThreadId(),
      [](HWND w, LPARAM found) {
        char cls[32] = "";
        GetClassNameA(w, cls, sizeof cls);
        if (lstrcmpiA(cls, TOOLTIPS_CLASSA) == 0 && GetWindow(w, GW_OWNER) == hMainWnd)
          *reinterpret_cast<HWND*>(found) = w;
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&tips));
  std::vector<std::string> tipTexts;
  for (int id : {IDC_RECALL1, IDC_RECALL2}) {
    char text[80] = "";
    TOOLINFOA tool = {};
    tool.cbSize = TTTOOLINFOA_V2_SIZE;
    tool.hwnd = hPage[0];
    tool.uId = reinterpret_cast<UINT_PTR>(Item(id));
    tool.lpszText = text;
    SendMessageA(tips, TTM_GETTEXTA, sizeof text, reinterpret_cast<LPARAM>(&tool));
    tipTexts.push_back(text);
  }
  EXPECT_EQ((std::vector<std::string>{"", "Pulpit"}), tipTexts);
  char entry[kCameraEntryChars] = "";
  SendMessageA(Item(IDC_CAMERA_LIST), LB_GETTEXT, 1, reinterpret_cast<LPARAM>(entry));
  EXPECT_STREQ("Camera 2: Door (no answer)", entry);
  CloseWindowNames();
}

}  // namespace
