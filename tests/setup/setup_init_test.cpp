// What the dialog shows when it opens: the selected camera's settings by
// model family, the choices a model lacks greyed (and offered again the next
// time), the panel's recall choice as the preset to store, and the icon
// file of the current directory.
#include "setup_rig.h"

#include <commctrl.h>

#include <algorithm>
#include <string>

namespace {

using SetupInit = SetupTest;

const int kGainControls[] = {8234, 8238, 8250, 8251, 8235, 8239};

struct FamilyCase {
  const char* family;
  int32_t model;
  int32_t pictureEffect, gamma, videoOutReg, wbMode, pictureFlip, icrMode;
  std::vector<int> checked;   // among effect, gamma, video, white balance, Rotate, NIR
  std::vector<int> disabled;  // among the same
  bool gainsInUse;
};

const int kChoiceIds[] = {8215, 8216, 8218, 8247, 8248, 8249, 8252, 8253, 8254, 8255, 8256, 8257,
                          8258, 8259, 8260, 8261, 8228, 8229, 8230, 8231, 8232, 8233, 8220, 8217};

const FamilyCase kFamilies[] = {
    // Two effects and gamma types, no NTSC or PAL; register 72; flip and NIR.
    {"0x40", 0x40, 4, 1, 19, 5, 2, 2, {8215, 8248, 8258, 8232, 8220, 8217}, {8216, 8249, 8254, 8257}, true},
    {"0x40 plain", 0x40, 0, 0, 16, 0, 3, 3, {8218, 8247, 8254, 8231}, {8216, 8249, 8254, 8257}, false},
    // 20x, register 72: 13 is no listed value and shows "PAL".
    {"0x5F", 0x5F, 2, 2, 13, 6, 2, 3, {8216, 8249, 8257, 8230, 8220}, {}, false},
    {"0x66", 0x66, 0, 0, 8, 3, 3, 2, {8218, 8247, 8261, 8233, 8217}, {}, false},
    // Register 70, NIR but no flip.
    {"0x4B", 0x4B, 2, 2, 17, 1, 2, 2, {8216, 8249, 8255, 8228, 8217}, {8220}, false},
    // Neither flip nor NIR; their boxes keep their (initial) check.
    {"other", 0x45, 7, 9, 2, 2, 2, 2, {8215, 8249, 8253, 8229}, {8220, 8217}, false},
};

TEST_F(SetupInit, ShowsTheSelectedCameraByModelFamily) {
  for (const FamilyCase& f : kFamilies) {
    SCOPED_TRACE(f.family);
    SendMessageA(Item(IDC_CAMERA_LIST), LB_RESETCONTENT, 0, 0);
    AddCameras(2, false);
    Camera(0, 0x66);
    CameraRecord& r = Camera(1, f.model);
    r.pictureEffect = f.pictureEffect;
    r.gamma = f.gamma;
    r.videoOutReg = f.videoOutReg;
    r.wbMode = f.wbMode;
    r.pictureFlip = f.pictureFlip;
    r.icrMode = f.icrMode;
    r.rGain = 205;
    r.bGain = 168;
    Select(1);
    RunSetup([&](HWND dialog) {
      for (int id : kChoiceIds) {
        bool checked = std::find(f.checked.begin(), f.checked.end(), id) != f.checked.end();
        bool disabled = std::find(f.disabled.begin(), f.disabled.end(), id) != f.disabled.end();
        EXPECT_EQ(checked, SetupChecked(id)) << "check of " << id;
        EXPECT_EQ(!disabled, SetupEnabled(id)) << "enabled " << id;
      }
      for (int id : kGainControls) EXPECT_EQ(f.gainsInUse, SetupEnabled(id)) << "gain control " << id;
      EXPECT_EQ(205, SendDlgItemMessageA(dialog, 8234, TBM_GETPOS, 0, 0));
      EXPECT_EQ(168, SendDlgItemMessageA(dialog, 8238, TBM_GETPOS, 0, 0));
      EXPECT_EQ("205", SetupText(8235));
      EXPECT_EQ("168", SetupText(8239));
      PostMessageA(dialog, WM_CLOSE, 0, 0);
    });
  }
}

// The refresh only ever greys choices; a new dialog offers them all again.
TEST_F(SetupInit, ChoicesGreyedForOneCameraAreOfferedAgainNextTime) {
  AddCameras(2, false);
  Camera(0, 0x40);
  Camera(1, 0x66);
  Select(0);
  RunSetup([](HWND dialog) {
    EXPECT_FALSE(SetupEnabled(8254));
    PostMessageA(dialog, WM_CLOSE, 0, 0);
  });
  Select(1);
  RunSetup([](HWND dialog) {
    for (int id : {8216, 8249, 8254, 8257, 8220, 8217}) EXPECT_TRUE(SetupEnabled(id)) << id;
    PostMessageA(dialog, WM_CLOSE, 0, 0);
  });
}

TEST_F(SetupInit, WithoutASelectionTheControlsKeepTheirFirstState) {
  AddCameras(1, false);
  CameraRecord& r = Camera(0, 0x40);
  r.wbMode = 1;
  r.rGain = 9;
  RunSetup([](HWND dialog) {
    for (int id : kChoiceIds) {
      EXPECT_FALSE(SetupChecked(id)) << id;
      EXPECT_TRUE(SetupEnabled(id)) << id;
    }
    for (int id : kGainControls) EXPECT_TRUE(SetupEnabled(id)) << id;
    EXPECT_EQ(50, SendDlgItemMessageA(dialog, 8234, TBM_GETPOS, 0, 0));
    PostMessageA(dialog, WM_CLOSE, 0, 0);
  });
}

TEST_F(SetupInit, ThePanelsRecallChoiceIsThePresetOffered) {
  AddCameras(1, false);
  Camera(0, 0x5F);
  Select(0);
  RunSetup([](HWND dialog) {
    for (int id = 8278; id <= 8282; id++) EXPECT_FALSE(SetupChecked(id)) << id;
    PostMessageA(dialog, WM_CLOSE, 0, 0);
  });
  Click(IDC_RECALL2);
  RunSetup([](HWND dialog) {
    for (int id = 8278; id <= 8282; id++) EXPECT_EQ(id == 8279, SetupChecked(id)) << id;
    PostMessageA(dialog, WM_CLOSE, 0, 0);
  });
}

// icon1.ico lies in the test's working directory; the dialog takes it as
// its small icon and lets it go when it ends. Elsewhere there is none.
TEST_F(SetupInit, SmallIconFromTheFileInTheCurrentDirectory) {
  ASSERT_NE(INVALID_FILE_ATTRIBUTES, GetFileAttributesA("icon1.ico")) << "run in the build directory";
  HICON shown = nullptr;
  RunSetup([&](HWND dialog) {
    shown = reinterpret_cast<HICON>(SendMessageA(dialog, WM_GETICON, ICON_SMALL, 0));
    PostMessageA(dialog, WM_CLOSE, 0, 0);
  });
  ASSERT_NE(nullptr, shown);
  ICONINFO info;
  EXPECT_FALSE(GetIconInfo(shown, &info)) << "the icon outlived the dialog";

  char here[MAX_PATH], empty[MAX_PATH];
  GetCurrentDirectoryA(sizeof here, here);
  GetTempPathA(sizeof empty, empty);
  lstrcatA(empty, "orvalix-no-icon");
  CreateDirectoryA(empty, nullptr);
  ASSERT_TRUE(SetCurrentDirectoryA(empty));
  NoticeWatch watch;
  RunSetup([](HWND dialog) {
    EXPECT_EQ(0, SendMessageA(dialog, WM_GETICON, ICON_SMALL, 0));
    PostMessageA(dialog, WM_CLOSE, 0, 0);
  });
  EXPECT_TRUE(watch.Take().empty()) << "a missing icon is no error at opening";
  SetCurrentDirectoryA(here);
  RemoveDirectoryA(empty);
}

// The dialog procedure's WM_CREATE (the window system sends it before the
// procedure is in place, so only a direct call reaches it) takes both icons
// from the file and says which one it could not load.
TEST_F(SetupInit, CreateMessageLoadsBothIconsOrSaysWhichFailed) {
  HICON big = nullptr;
  RunSetup([&](HWND dialog) {
    SendMessageA(dialog, WM_CREATE, 0, 0);
    big = reinterpret_cast<HICON>(SendMessageA(dialog, WM_GETICON, ICON_BIG, 0));
    PostMessageA(dialog, WM_CLOSE, 0, 0);
  });
  EXPECT_NE(nullptr, big);

  char here[MAX_PATH], empty[MAX_PATH];
  GetCurrentDirectoryA(sizeof here, here);
  GetTempPathA(sizeof empty, empty);
  lstrcatA(empty, "orvalix-no-icon");
  CreateDirectoryA(empty, nullptr);
  ASSERT_TRUE(SetCurrentDirectoryA(empty));
  NoticeWatch watch;
  HWND owner = nullptr;
  RunSetup([&](HWND dialog) {
    owner = dialog;
    SendMessageA(dialog, WM_CREATE, 0, 0);
    PostMessageA(dialog, WM_CLOSE, 0, 0);
  });
  SetCurrentDirectoryA(here);
  RemoveDirectoryA(empty);
  std::vector<Notice> notices = watch.Take();
  ASSERT_EQ(2u, notices.size());
  EXPECT_EQ("Could not load large icon!", notices[0].text);
  EXPECT_EQ("Could not load small icon!", notices[1].text);
  for (const Notice& n : notices) {
    EXPECT_EQ("Error", n.caption);
    EXPECT_EQ(owner, n.owner);
  }
}

}  // namespace
