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
    for (const QueueMessage& m : Requests()) {
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

}  // namespace
