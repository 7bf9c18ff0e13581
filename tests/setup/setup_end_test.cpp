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

// "Exit", the close box, Esc and WM_CLOSE (the engine's, once a preset is
// stored) end it as cancel; Enter as OK.
TEST_F(SetupEnd, EveryWayItEnds) {
  EXPECT_EQ(IDCANCEL, RunSetup([](HWND) {
              SetupClick(8281);
              SetupClick(8219);
              SetupClick(8245);
            }));
  EXPECT_EQ((RequestList{{0, 46, 0}, {0, 47, 0}}), Requests()) << "requests posted before the end stay queued";
  EXPECT_EQ(IDCANCEL, RunSetup([](HWND dialog) { PostMessageA(dialog, WM_SYSCOMMAND, SC_CLOSE, 0); }));
  EXPECT_EQ(IDCANCEL, RunSetup([](HWND dialog) { PostMessageA(dialog, WM_CLOSE, 0, 0); }));
  for (int vk : {VK_ESCAPE, VK_RETURN}) {
    EXPECT_EQ(vk == VK_RETURN ? IDOK : IDCANCEL, RunSetup([vk](HWND) {
                HWND focus = SetupItem(vk == VK_RETURN ? 8220 : 8229);
                SetFocus(focus);
                LPARAM scan = static_cast<LPARAM>(MapVirtualKeyA(static_cast<UINT>(vk), MAPVK_VK_TO_VSC)) << 16;
                PostMessageA(focus, WM_KEYDOWN, static_cast<WPARAM>(vk), scan | 1);
                PostMessageA(focus, WM_KEYUP, static_cast<WPARAM>(vk), scan | 1 | (3u << 30));
              }));
  }
}

// The drain shows the gain slider's own position for a gain notification.
TEST_F(SetupEnd, GainValueBoxesFollowNotificationsWhileOpen) {
  SetTimer(hMainWnd, kDrainTimerId, kDrainPeriodMs, nullptr);
  RunSetup([&](HWND dialog) {
    SendDlgItemMessageA(dialog, 8234, TBM_SETPOS, TRUE, 123);
    SendDlgItemMessageA(dialog, 8238, TBM_SETPOS, TRUE, 45);
    notifyQueue.Put(0, 39, 123, 0);
    notifyQueue.Put(0, 40, 45, 0);
    EXPECT_TRUE(PumpUntil([] { return SetupText(8235) == "123" && SetupText(8239) == "45"; }, 5000))
        << SetupText(8235) << " " << SetupText(8239);
    PostMessageA(dialog, WM_CLOSE, 0, 0);
  });
  KillTimer(hMainWnd, kDrainTimerId);
}

}  // namespace
