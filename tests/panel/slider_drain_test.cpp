// The panel's two ways to the engine and back: sliders that post their
// request when let go of or stepped, and the drain of the engine's
// notifications into the value boxes.
#include "panel/notification_drain.h"
#include "panel/slider_controls.h"

#include "tests/panel/panel_rig.h"

namespace {

using Posts = std::vector<std::pair<uint32_t, uint32_t>>;

class Sliders : public PanelTest {
 protected:
  void SetUp() override {
    PanelTest::SetUp();
    AddCameras(3, 0x4B);
    Select(1);
  }

  // (code, value) of each request put, for camera 1 (the selection).
  Posts Posted() {
    Posts out;
    QueueMessage m;
    while (requestQueue.TryGet(m.cameraIndex, m.code, m.a, m.b)) {
      EXPECT_EQ(1u, m.cameraIndex);
      EXPECT_EQ(0u, m.b);
      out.emplace_back(m.code, m.a);
    }
    return out;
  }
};

TEST_F(Sliders, ReleasePostsTheSlidersRequestWithItsPosition) {
  SetPos(panel, IDC_ZOOM_SLIDER, 37);
  SetPos(panel, IDC_BRIGHT_SLIDER, 9);
  SetPos(panel, IDC_FOCUS_SLIDER, 1);
  SetPos(panel, IDC_SHARP_SLIDER, 15);
  SetPos(setup, IDC_R_GAIN_SLIDER, 205);
  SetPos(setup, IDC_B_GAIN_SLIDER, 168);
  for (int id : std::initializer_list<int>{IDC_ZOOM_SLIDER, IDC_BRIGHT_SLIDER, IDC_FOCUS_SLIDER, IDC_SHARP_SLIDER,
                                           IDC_R_GAIN_SLIDER, IDC_B_GAIN_SLIDER, IDC_CAMERA_LIST, IDC_ZOOM_VALUE,
                                           IDC_ZOOM_PLUS, IDC_RECALL1, IDC_LEVEL_LABEL, 0, -1})
    PostSliderRequest(id);
  EXPECT_EQ((Posts{{1, 37}, {5, 9}, {4, 1}, {29, 15}, {39, 205}, {40, 168}}), Posted());
}

TEST_F(Sliders, LevelSliderPostsByTheExposureCheckBoxes) {
  SetPos(panel, IDC_LEVEL_SLIDER, 12);
  PostSliderRequest(IDC_LEVEL_SLIDER);
  EXPECT_TRUE(Posted().empty()) << "neither Auto nor Iris";
  Check(panel, IDC_IRIS, true);
  PostSliderRequest(IDC_LEVEL_SLIDER);
  EXPECT_EQ((Posts{{10, 12}}), Posted());
  Check(panel, IDC_EXPOSURE_AUTO, true);
  PostSliderRequest(IDC_LEVEL_SLIDER);
  EXPECT_EQ((Posts{{41, 12}}), Posted()) << "Auto is asked first";
}

// Zoom snaps to whole factors; the others move by one within the range.
TEST_F(Sliders, StepsMoveWithinTheRangeAndPostTheSlidersRequest) {
  const struct {
    HWND parent;
    int id;
    int32_t code, delta;
    int from, to;
  } cases[] = {
      {panel, IDC_ZOOM_SLIDER, 1, 10, 37, 40},     {panel, IDC_ZOOM_SLIDER, 1, -10, 37, 30},
      {panel, IDC_ZOOM_SLIDER, 1, 10, 40, 50},     {panel, IDC_ZOOM_SLIDER, 1, -10, 40, 30},
      {panel, IDC_ZOOM_SLIDER, 1, 10, 90, 90},     {panel, IDC_ZOOM_SLIDER, 1, -10, 0, 0},
      {panel, IDC_ZOOM_SLIDER, 1, -10, 3, 0},      {panel, IDC_FOCUS_SLIDER, 4, -1, 1, 1},
      {panel, IDC_FOCUS_SLIDER, 4, 1, 37, 38},     {panel, IDC_SHARP_SLIDER, 29, 1, 15, 15},
      {panel, IDC_SHARP_SLIDER, 29, -1, 0, 0},     {panel, IDC_BRIGHT_SLIDER, 5, -1, 5, 5},
      {panel, IDC_BRIGHT_SLIDER, 5, 1, 20, 21},    {setup, IDC_R_GAIN_SLIDER, 39, -1, 50, 49},
      {setup, IDC_B_GAIN_SLIDER, 40, 1, 255, 255}, {panel, IDC_LEVEL_SLIDER, 41, 1, 14, 14},
  };
  Check(panel, IDC_EXPOSURE_AUTO, true);
  for (const auto& k : cases) {
    SCOPED_TRACE(testing::Message() << "slider " << k.id << " from " << k.from << " by " << k.delta);
    SetPos(k.parent, k.id, k.from);
    StepSlider(k.code, k.delta, GetDlgItem(k.parent, k.id));
    EXPECT_EQ(k.to, Pos(k.parent, k.id));
    EXPECT_EQ((Posts{{static_cast<uint32_t>(k.code), static_cast<uint32_t>(k.to)}}), Posted());
  }
}

class Drain : public PanelTest {
 protected:
  void SetUp() override {
    PanelTest::SetUp();
    AddCameras(2, 0x4B);
  }

  void Notify(uint32_t code, uint32_t value, uint32_t camera = 0) { notifyQueue.Put(camera, code, value, 0); }
};

// Zoom and the gains show their slider's position, not the value; with both
// check boxes the level is an iris.
TEST_F(Drain, EachCodeWritesItsValueBoxByTheCheckBoxes) {
  SetPos(panel, IDC_ZOOM_SLIDER, 25);
  SetPos(setup, IDC_R_GAIN_SLIDER, 205);
  SetPos(setup, IDC_B_GAIN_SLIDER, 168);
  const int kAuto = 1, kIris = 2;
  const struct {
    int id, checks;
    uint32_t code, value;
    const char* want;
  } cases[] = {{IDC_ZOOM_VALUE, 0, 1, 16384, "x 3.5"},    {IDC_BRIGHT_VALUE, 0, 5, 23, "18"},
               {IDC_BRIGHT_VALUE, kIris, 5, 3, "1/300s"}, {IDC_SHARP_VALUE, 0, 29, 11, "11"},
               {IDC_R_GAIN_VALUE, 0, 39, 7, "205"},       {IDC_B_GAIN_VALUE, 0, 40, 7, "168"},
               {IDC_LEVEL_VALUE, kAuto, 41, 0, "-7"},     {IDC_LEVEL_VALUE, kAuto | kIris, 41, 11, "F 4.8"}};
  for (const auto& k : cases) {
    SCOPED_TRACE(testing::Message() << "code " << k.code << " value " << k.value);
    Check(panel, IDC_EXPOSURE_AUTO, (k.checks & kAuto) != 0);
    Check(panel, IDC_IRIS, (k.checks & kIris) != 0);
    Notify(k.code, k.value);
    DrainNotifications();
    EXPECT_EQ(k.want, Text(k.id == IDC_R_GAIN_VALUE || k.id == IDC_B_GAIN_VALUE ? setup : panel, k.id));
  }
}

TEST_F(Drain, FocusUsesTheSpanOfTheCurrentCameraAndLeavesTheSlider) {
  c.cameras[1].modelCode = 0x67;
  c.camera = 1;
  for (uint32_t v : {0xE500u, 0x6800u}) Notify(4, v);
  DrainNotifications();
  c.camera = 0;
  for (uint32_t v : {0x6800u, 0x1000u}) Notify(4, v);
  DrainNotifications();
  EXPECT_EQ((std::vector<std::string>{"100", "41", "50", "1"}), History(panel, IDC_FOCUS_VALUE));
  EXPECT_EQ(50, Pos(panel, IDC_FOCUS_SLIDER));
}

TEST_F(Drain, CodesWithoutAValueBoxAreTakenAndChangeNothing) {
  Notify(41, 7);  // neither Auto nor Iris
  DrainNotifications();
  Check(panel, IDC_EXPOSURE_AUTO, true);
  for (uint32_t code : {45u, 8201u, 43u, 0u, 2u, 6u, 53u, 0xFFFFFFFFu}) Notify(code, 3);
  DrainNotifications();
  EXPECT_FALSE(notifyQueue.HasMessages());
  for (int id : {IDC_ZOOM_VALUE, IDC_BRIGHT_VALUE, IDC_FOCUS_VALUE, IDC_SHARP_VALUE, IDC_LEVEL_VALUE, IDC_STATUS})
    EXPECT_TRUE(History(panel, id).empty()) << "control " << id;
  for (int id : {IDC_R_GAIN_VALUE, IDC_B_GAIN_VALUE}) EXPECT_TRUE(History(setup, id).empty()) << "control " << id;
  EXPECT_TRUE(Checked(panel, IDC_EXPOSURE_AUTO));
  EXPECT_EQ(50, Pos(panel, IDC_ZOOM_SLIDER));
}

TEST_F(Drain, EmptiesTheQueueInOrderWhateverCameraReportsButNotWithoutAController) {
  Notify(29, 3, 0);
  Notify(29, 9, 1);
  Notify(29, 12, 40);
  DrainNotifications();
  EXPECT_FALSE(notifyQueue.HasMessages());
  EXPECT_EQ((std::vector<std::string>{"3", "9", "12"}), History(panel, IDC_SHARP_VALUE));
  Notify(29, 4);
  pController = nullptr;
  DrainNotifications();
  EXPECT_EQ(3u, History(panel, IDC_SHARP_VALUE).size());
  EXPECT_TRUE(notifyQueue.HasMessages());
}

}  // namespace
