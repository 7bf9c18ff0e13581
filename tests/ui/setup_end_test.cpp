// Every way the Setup dialog ends, and what stays queued after it.
#include "ui_rig.h"

namespace {

class SetupEnd : public ShellTest {
 protected:
  void SetUp() override {
    ShellTest::SetUp();
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

}  // namespace
