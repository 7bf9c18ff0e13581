#include "panel/notification_drain.h"

#include "tests/panel/panel_rig.h"

namespace {

class Drain : public PanelTest {
 protected:
  void SetUp() override {
    PanelTest::SetUp();
    AddCameras(2, 0x4B);
  }

  void Notify(uint32_t code, uint32_t value, uint32_t camera = 0) { notifyQueue.Put(camera, code, value, 0); }

  // Drains one notification and returns the text it left in `id`.
  std::string Shown(HWND parent, int id, uint32_t code, uint32_t value) {
    Notify(code, value);
    DrainNotifications();
    return Text(parent, id);
  }

  bool QueueEmpty() {
    uint32_t a, b, d, e;
    return !notifyQueue.TryGet(a, b, d, e);
  }
};

TEST_F(Drain, ZoomShowsTheSlidersPositionNotTheValue) {
  SetPos(panel, IDC_ZOOM_SLIDER, 25);
  EXPECT_EQ("x 3.5", Shown(panel, IDC_ZOOM_VALUE, 1, 16384));
}

TEST_F(Drain, FocusUsesTheSpanOfTheCurrentCameraAndLeavesTheSlider) {
  c.cameras[1].modelCode = 0x67;
  c.camera = 1;
  EXPECT_EQ("100", Shown(panel, IDC_FOCUS_VALUE, 4, 0xE500));
  EXPECT_EQ("41", Shown(panel, IDC_FOCUS_VALUE, 4, 0x6800));
  c.camera = 0;
  EXPECT_EQ("50", Shown(panel, IDC_FOCUS_VALUE, 4, 0x6800));
  EXPECT_EQ("1", Shown(panel, IDC_FOCUS_VALUE, 4, 0x1000));
  EXPECT_EQ(50, Pos(panel, IDC_FOCUS_SLIDER));
}

TEST_F(Drain, BrightnessOrShutterByTheIrisCheckBox) {
  EXPECT_EQ("0", Shown(panel, IDC_BRIGHT_VALUE, 5, 5));
  EXPECT_EQ("18", Shown(panel, IDC_BRIGHT_VALUE, 5, 23));
  Check(panel, IDC_IRIS, true);
  EXPECT_EQ("1/1000s", Shown(panel, IDC_BRIGHT_VALUE, 5, 0));
  EXPECT_EQ("1/300s", Shown(panel, IDC_BRIGHT_VALUE, 5, 3));
  EXPECT_EQ("1/6s", Shown(panel, IDC_BRIGHT_VALUE, 5, 12));
  EXPECT_EQ("1/--s", Shown(panel, IDC_BRIGHT_VALUE, 5, 13));
  EXPECT_EQ("1/--s", Shown(panel, IDC_BRIGHT_VALUE, 5, 0xFFFFFFFF));
}

TEST_F(Drain, SharpnessAndGains) {
  EXPECT_EQ("11", Shown(panel, IDC_SHARP_VALUE, 29, 11));
  SetPos(setup, IDC_R_GAIN_SLIDER, 205);
  SetPos(setup, IDC_B_GAIN_SLIDER, 168);
  EXPECT_EQ("205", Shown(setup, IDC_R_GAIN_VALUE, 39, 7)) << "the box follows its slider";
  EXPECT_EQ("168", Shown(setup, IDC_B_GAIN_VALUE, 40, 7));
}

TEST_F(Drain, LevelByTheExposureCheckBoxes) {
  Notify(41, 7);
  DrainNotifications();
  EXPECT_TRUE(History(panel, IDC_LEVEL_VALUE).empty()) << "neither Auto nor Iris";
  Check(panel, IDC_EXPOSURE_AUTO, true);
  EXPECT_EQ("-7", Shown(panel, IDC_LEVEL_VALUE, 41, 0));
  EXPECT_EQ("7", Shown(panel, IDC_LEVEL_VALUE, 41, 14));
  Check(panel, IDC_IRIS, true);
  EXPECT_EQ("F 1.6", Shown(panel, IDC_LEVEL_VALUE, 41, 17)) << "Iris is asked first";
  EXPECT_EQ("F 14.0", Shown(panel, IDC_LEVEL_VALUE, 41, 5));
  EXPECT_EQ("F 4.8", Shown(panel, IDC_LEVEL_VALUE, 41, 11));
  EXPECT_EQ("F --", Shown(panel, IDC_LEVEL_VALUE, 41, 4));
  EXPECT_EQ("F --", Shown(panel, IDC_LEVEL_VALUE, 41, 18));
}

TEST_F(Drain, CodesWithoutAValueBoxAreTakenAndChangeNothing) {
  Check(panel, IDC_EXPOSURE_AUTO, true);
  for (uint32_t code : {45u, 8201u, 43u, 0u, 2u, 6u, 53u, 0xFFFFFFFFu}) Notify(code, 3);
  DrainNotifications();
  EXPECT_TRUE(QueueEmpty());
  for (int id : {IDC_ZOOM_VALUE, IDC_BRIGHT_VALUE, IDC_FOCUS_VALUE, IDC_SHARP_VALUE, IDC_LEVEL_VALUE, IDC_STATUS})
    EXPECT_TRUE(History(panel, id).empty()) << "control " << id;
  for (int id : {IDC_R_GAIN_VALUE, IDC_B_GAIN_VALUE}) EXPECT_TRUE(History(setup, id).empty()) << "control " << id;
  EXPECT_TRUE(Checked(panel, IDC_EXPOSURE_AUTO));
  EXPECT_EQ(50, Pos(panel, IDC_ZOOM_SLIDER));
}

TEST_F(Drain, EmptiesTheQueueInOrderWhateverCameraReports) {
  Notify(29, 3, 0);
  Notify(29, 9, 1);
  Notify(29, 12, 40);
  DrainNotifications();
  EXPECT_TRUE(QueueEmpty());
  EXPECT_EQ((std::vector<std::string>{"3", "9", "12"}), History(panel, IDC_SHARP_VALUE));
}

TEST_F(Drain, WithoutAControllerNothingIsTaken) {
  Notify(29, 3);
  pController = nullptr;
  DrainNotifications();
  EXPECT_TRUE(History(panel, IDC_SHARP_VALUE).empty());
  EXPECT_FALSE(QueueEmpty());
}

}  // namespace
