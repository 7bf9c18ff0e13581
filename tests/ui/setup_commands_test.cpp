// What each Setup control posts for the selected camera, the restart notice
// after a video format, the gain steps and sliders in manual white balance
// only, and nothing at all without a selection or a controller.
#include "ui_rig.h"

#include "ui/setup/setup_commands.h"

#include <commctrl.h>

namespace {

class SetupCommands : public ShellTest {
 protected:
  void SetUp() override {
    ShellTest::SetUp();
    AddCameras(2, false);
    for (int i = 0; i < 2; i++) {
      CameraRecord& r = Camera(i, 0x5F);
      r.rGain = 120;
      r.bGain = 80;
    }
    Select(1);
  }
};

// Control id, then the codes it posts for camera 1 with a = 0, in order.
const std::vector<std::vector<uint32_t>> kCommands = {
    {8215, 12},     {8216, 13},     {8218, 14},
    {8220, 28},     {8220, 28},  // unchecking posts the same toggle
    {8247, 15},     {8248, 16},     {8249, 17},
    {8228, 30, 30}, {8229, 31, 31}, {8230, 32, 32, 34, 34, 33, 33},
    {8231, 35, 35}, {8232, 36, 36}, {8233, 37, 37, 38, 38},
    {8219, 46, 47}, {8278},         {8282},
};

TEST_F(SetupCommands, EachControlPostsExactlyItsRequestsAndNoNotice) {
  NoticeWatch notices;
  InSetup([&](HWND) {
    Requests();
    for (const auto& c : kCommands) {
      SetupClick(static_cast<int>(c[0]));
      RequestList expected;
      for (size_t i = 1; i < c.size(); i++) expected.push_back({1, c[i], 0});
      EXPECT_EQ(expected, Requests()) << "control " << c[0];
    }
    // NIR Vision sends the state the click gave it.
    bool was = SetupChecked(8217);
    SetupClick(8217);
    SetupClick(8217);
    EXPECT_EQ((RequestList{{1, 43, was ? 0u : 1u}, {1, 43, was ? 1u : 0u}}), Requests());
    EXPECT_TRUE(notices.Take().empty());
  });
}

TEST_F(SetupCommands, AVideoFormatIsPostedAndThenTheRestartNoticeShown) {
  const std::pair<int, uint32_t> kFormats[] = {{8252, 18}, {8253, 19}, {8254, 20}, {8255, 21}, {8256, 22},
                                               {8257, 23}, {8258, 24}, {8259, 25}, {8260, 26}, {8261, 27}};
  NoticeWatch watch;
  InSetup([&](HWND dialog) {
    Requests();
    for (const auto& v : kFormats) {
      SetupClick(v.first);
      std::vector<Notice> notices = watch.Take();
      ASSERT_EQ(1u, notices.size()) << "control " << v.first;
      const Notice& n = notices[0];
      EXPECT_EQ("Restart the camera", n.caption);
      EXPECT_EQ("Please restart ( power off / on) the camera to apply changes.", n.text);
      EXPECT_EQ(dialog, n.owner);
      EXPECT_TRUE(n.informationIcon);
      EXPECT_EQ((RequestList{{1, v.second, 0}}), n.requestsBefore) << "control " << v.first;
      EXPECT_EQ(RequestList(), Requests());
    }
  });
}

TEST_F(SetupCommands, WithoutASelectionOrControllerNothingIsPostedButButtonsStillCheck) {
  NoticeWatch watch;
  Select(-1);
  InSetup([&](HWND) {
    for (int id : {8215, 8220, 8247, 8230, 8233, 8232, 8237, 8219, 8217, 8257}) SetupClick(id);
    for (int id : {8215, 8232, 8220}) EXPECT_TRUE(SetupChecked(id)) << id;
    EXPECT_EQ(1u, watch.Take().size()) << "the notice follows every format choice";
    Select(0);
    pController = nullptr;
    SetupClick(8216);
    SetupClick(8231);
    pController = &controller;
    EXPECT_EQ(RequestList(), Requests());
  });
}

// The gain controls are in use in manual white balance only; the step
// buttons stay enabled and check "Manual" themselves.
TEST_F(SetupCommands, GainStepsWorkOnlyWhileManualIsChecked) {
  InSetup([&](HWND dialog) {
    const int gainControls[] = {8234, 8238, 8250, 8251, 8235, 8239};
    SetupClick(8231);  // "Auto"
    Requests();
    for (int id : gainControls) EXPECT_FALSE(SetupEnabled(id)) << id;
    for (int id : {8236, 8237, 8240, 8241}) EXPECT_TRUE(SetupEnabled(id)) << id;
    SetupClick(8237);
    SetupClick(8240);
    EXPECT_EQ(RequestList(), Requests());
    EXPECT_EQ(120, SendDlgItemMessageA(dialog, 8234, TBM_GETPOS, 0, 0));

    SetupClick(8232);  // "Manual"
    for (int id : gainControls) EXPECT_TRUE(SetupEnabled(id)) << id;
    for (int id : {8237, 8236, 8236, 8240, 8241, 8241}) SetupClick(id);
    EXPECT_EQ(
        (RequestList{
            {1, 36, 0}, {1, 36, 0}, {1, 39, 121}, {1, 39, 120}, {1, 39, 119}, {1, 40, 79}, {1, 40, 80}, {1, 40, 81}}),
        Requests());
    EXPECT_EQ(119, SendDlgItemMessageA(dialog, 8234, TBM_GETPOS, 0, 0));
    EXPECT_EQ(81, SendDlgItemMessageA(dialog, 8238, TBM_GETPOS, 0, 0));

    SetupClick(8229);  // "Warm"
    for (int id : gainControls) EXPECT_FALSE(SetupEnabled(id)) << id;
    Requests();
    SetupClick(8241);
    EXPECT_EQ(RequestList(), Requests());
  });
}

// Letting go of a gain slider's thumb posts its position; a wheel notch steps
// it as its plus (forward) or minus (back) button does.
TEST_F(SetupCommands, ReleasingOrWheelingAGainSliderPostsItsPosition) {
  InSetup([&](HWND dialog) {
    SetupClick(8232);
    Requests();
    for (int id : {8234, 8238})
      ReleaseThumbAndTurn(GetDlgItem(dialog, id), 140, {id == 8234 ? WHEEL_DELTA : -WHEEL_DELTA}), RouteWaiting();
    EXPECT_EQ((RequestList{{1, 39, 140}, {1, 39, 141}, {1, 40, 140}, {1, 40, 139}}), Requests());
  });
}

}  // namespace
