// The Setup dialog as a modal window of the panel, big enough for its
// controls; each radio set exclusive on its own; group boxes that still draw.
#include "ui_rig.h"

#include "ui/ui_globals.h"

namespace {

using SetupLayout = ShellTest;

TEST_F(SetupLayout, OpensOnTheEmptyTemplateAsAModalWindowOfThePanel) {
  HWND keptWb = nullptr;
  INT_PTR result = RunSetup([&](HWND dialog) {
    keptWb = hWbGroup.load();
    char caption[32] = "";
    GetWindowTextA(dialog, caption, sizeof caption);
    EXPECT_STREQ("Setup", caption);
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
    PostMessageA(dialog, WM_CLOSE, 0, 0);
  });
  EXPECT_EQ(IDCANCEL, result);
  EXPECT_TRUE(IsWindowEnabled(hMainWnd));
  // The group handles are kept after the end, but nothing reaches the closed dialog.
  EXPECT_EQ(keptWb, hWbGroup.load());
  EXPECT_FALSE(IsWindow(keptWb));
  EXPECT_EQ(nullptr, hSetupDlg.load());
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

}  // namespace
