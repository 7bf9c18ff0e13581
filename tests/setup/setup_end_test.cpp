// Every way the dialog ends, what stays queued after it, and the value boxes
// that the panel's timer keeps updating while it is open.
#include "setup_rig.h"

#include "ui/ui_globals.h"

#include <commctrl.h>

namespace {

class SetupEnd : public SetupTest {
 protected:
  void SetUp() override {
    SetupTest::SetUp();
    AddCameras(1, false);
    Camera(0, 0x66).wbMode = 5;
    Select(0);
  }
};

void PostKeyTo(HWND target, int vk) {
  LPARAM scan = static_cast<LPARAM>(MapVirtualKeyA(static_cast<UINT>(vk), MAPVK_VK_TO_VSC)) << 16;
  PostMessageA(target, WM_KEYDOWN, static_cast<WPARAM>(vk), scan | 1);
  PostMessageA(target, WM_KEYUP, static_cast<WPARAM>(vk), scan | 1 | (3u << 30));
}

TEST_F(SetupEnd, ExitTheCloseBoxAndEscEndItAsCancel) {
  EXPECT_EQ(IDCANCEL, RunSetup([](HWND) { SetupClick(8245); }));
  EXPECT_EQ(IDCANCEL, RunSetup([](HWND dialog) { PostMessageA(dialog, WM_SYSCOMMAND, SC_CLOSE, 0); }));
  EXPECT_EQ(IDCANCEL, RunSetup([](HWND) {
              SetFocus(SetupItem(8229));
              PostKeyTo(SetupItem(8229), VK_ESCAPE);
            }));
  // The engine closes it with WM_CLOSE once a preset is stored.
  EXPECT_EQ(IDCANCEL, RunSetup([](HWND dialog) { PostMessageA(dialog, WM_CLOSE, 0, 0); }));
}

TEST_F(SetupEnd, EnterEndsItAsOk) {
  EXPECT_EQ(IDOK, RunSetup([](HWND) {
              SetFocus(SetupItem(8220));
              PostKeyTo(SetupItem(8220), VK_RETURN);
            }));
}

TEST_F(SetupEnd, RequestsPostedBeforeTheEndStayQueued) {
  EXPECT_EQ(IDCANCEL, RunSetup([](HWND) {
              SetupClick(8281);
              SetupClick(8219);
              SetupClick(8245);
            }));
  EXPECT_EQ((RequestList{{0, 46, 0}, {0, 47, 0}}), Requests());
}

// The drain shows the gain slider's own position for a gain notification.
TEST_F(SetupEnd, GainValueBoxesFollowNotificationsWhileOpen) {
  SetTimer(hMainWnd, kDrainTimerId, kDrainPeriodMs, nullptr);
  RunSetup([&](HWND dialog) {
    SendDlgItemMessageA(dialog, 8234, TBM_SETPOS, TRUE, 123);
    SendDlgItemMessageA(dialog, 8238, TBM_SETPOS, TRUE, 45);
    notifyQueue.Put(0, 39, 123, 0);
    notifyQueue.Put(0, 40, 45, 0);
    EXPECT_TRUE(PumpDialogUntil([] { return SetupText(8235) == "123" && SetupText(8239) == "45"; }, 5000))
        << SetupText(8235) << " " << SetupText(8239);
    PostMessageA(dialog, WM_CLOSE, 0, 0);
  });
  KillTimer(hMainWnd, kDrainTimerId);
}

}  // namespace
