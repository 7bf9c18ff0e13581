// The Setup dialog: a modal window of the panel, big enough for its
// controls, each radio set exclusive on its own; what it shows when it opens
// (the selected camera's settings, the choices a model lacks
// greyed and offered again the next time, the panel's recall choice as the
// preset to store); every way it ends, and what stays queued after it.
#include "ui_rig.h"

#include "ui/ui_globals.h"

#include <commctrl.h>

#include <string>

namespace {

using SetupLayout = ShellTest;

TEST_F(SetupLayout, OpensOnTheEmptyTemplateAsAModalWindowOfThePanel) {
  InSetup([](HWND dialog) {
    EXPECT_EQ("Setup", WindowText(dialog));
    EXPECT_TRUE(IsWindowVisible(dialog));
    // 366 x 297 dialog units, never too small for the controls ("Exit" and "Save" end at y 465).
    RECT units = {0, 0, 366, 297}, client;
    MapDialogRect(dialog, &units);
    GetClientRect(dialog, &client);
    EXPECT_EQ(units.right, client.right);
    EXPECT_GE(client.bottom, units.bottom > 465 ? units.bottom : 465);
    if (units.bottom >= 475) {
      EXPECT_EQ(units.bottom, client.bottom) << "grown although the controls fitted";
    }
    EXPECT_EQ(hMainWnd, GetWindow(dialog, GW_OWNER));
    EXPECT_FALSE(IsWindowEnabled(hMainWnd));
  });
  EXPECT_TRUE(IsWindowEnabled(hMainWnd));
  EXPECT_EQ(nullptr, hSetupDlg.load()) << "a refresh after the end still reaches the dialog";
}

// Each radio set has its own parent, so each is exclusive by itself; the
// preset buttons are the dialog's one set and leave the check boxes alone.
TEST_F(SetupLayout, EachRadioSetIsExclusiveOnItsOwn) {
  NoticeWatch notices;  // "PAL" is a video format
  InSetup([](HWND) {
    for (int id : {8228, 8218, 8247, 8258, 8220, 8217, 8229}) SetupClick(id);
    EXPECT_FALSE(SetupChecked(8228));
    for (int id : {8229, 8218, 8247, 8258}) EXPECT_TRUE(SetupChecked(id)) << id;
    SetupClick(8257);  // "PAL" in the other column
    EXPECT_FALSE(SetupChecked(8258));
    SetupClick(8278);
    SetupClick(8280);
    for (int id = 8278; id <= 8282; id++) EXPECT_EQ(id == 8280, SetupChecked(id)) << id;
    for (int id : {8220, 8217, 8229}) EXPECT_TRUE(SetupChecked(id)) << id;
  });
}

using SetupInit = ShellTest;

const int kGainControls[] = {8234, 8238, 8250, 8251, 8235, 8239};

// In id order, as are the expected lists.
const int kChoiceIds[] = {8215, 8216, 8217, 8218, 8220, 8228, 8229, 8230, 8231, 8232, 8233, 8247,
                          8248, 8249, 8252, 8253, 8254, 8255, 8256, 8257, 8258, 8259, 8260, 8261};

// The choices among kChoiceIds that are checked (or disabled when !checked).
std::vector<int> Choices(bool checked) {
  std::vector<int> ids;
  for (int id : kChoiceIds)
    if (checked ? SetupChecked(id) : !SetupEnabled(id)) ids.push_back(id);
  return ids;
}

// The dialog opens on the selected camera (the second): a 0x40 with two
// effects and gamma types, no NTSC or PAL, in manual white balance.
TEST_F(SetupInit, ShowsTheSelectedCamera) {
  AddCameras(2, false);
  Camera(0, 0x66);
  CameraRecord& r = Camera(1, 0x40);
  r.pictureEffect = 4;
  r.gamma = 1;
  r.videoOutReg = 19;
  r.wbMode = 5;
  r.pictureFlip = 2;
  r.icrMode = 2;
  r.rGain = 205;
  r.bGain = 168;
  Select(1);
  InSetup([&](HWND dialog) {
    EXPECT_EQ((std::vector<int>{8215, 8217, 8220, 8232, 8248, 8258}), Choices(true));
    EXPECT_EQ((std::vector<int>{8216, 8249, 8254, 8257}), Choices(false));
    for (int id : kGainControls) EXPECT_TRUE(SetupEnabled(id)) << "gain control " << id;
    EXPECT_EQ(205, SendDlgItemMessageA(dialog, 8234, TBM_GETPOS, 0, 0));
    EXPECT_EQ(168, SendDlgItemMessageA(dialog, 8238, TBM_GETPOS, 0, 0));
    EXPECT_EQ("205 168", SetupText(8235) + " " + SetupText(8239));
  });
}

// The refresh only ever greys choices: a new dialog offers them all again,
// and without a selection every control keeps its first state.
TEST_F(SetupInit, ChoicesGreyedForOneCameraAreOfferedAgainNextTime) {
  AddCameras(2, false);
  Camera(0, 0x40);
  Camera(1, 0x66).wbMode = 1;
  Select(0);
  InSetup([](HWND) { EXPECT_FALSE(SetupEnabled(8254)); });
  Select(1);
  InSetup([](HWND) { EXPECT_EQ(std::vector<int>(), Choices(false)); });
  Select(-1);
  InSetup([](HWND dialog) {
    EXPECT_EQ(std::vector<int>(), Choices(true));
    EXPECT_EQ(std::vector<int>(), Choices(false));
    for (int id : kGainControls) EXPECT_TRUE(SetupEnabled(id)) << id;
    EXPECT_EQ(50, SendDlgItemMessageA(dialog, 8234, TBM_GETPOS, 0, 0));
  });
}

TEST_F(SetupInit, ThePanelsRecallChoiceIsThePresetOffered) {
  AddCameras(1, false);
  Camera(0, 0x5F);
  Select(0);
  for (int recall : {0, 8279}) {
    if (recall) Click(IDC_RECALL2);
    InSetup([&](HWND) {
      for (int id = 8278; id <= 8282; id++) EXPECT_EQ(id == recall, SetupChecked(id)) << id;
    });
  }
}

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
