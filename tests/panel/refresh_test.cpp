#include "panel/panel_refresh.h"
#include "panel/window_hooks.h"

#include "platform/os.h"
#include "tests/panel/panel_rig.h"

#include <chrono>
#include <thread>

namespace {

class Refresh : public PanelTest {};

TEST_F(Refresh, ZoomAndFocusFollowTheModelFamily) {
  // A 10x camera last: the zoom range shrinks back from 0..290.
  const struct {
    int32_t model, zoomPos;
    int zoomMax, zoomSlider;
    const char* zoomText;
    int32_t focusPos;
    int focusSlider;
    const char* focusText;
  } cases[] = {
      {0x45, 9332, 90, 19, "x 2.9", 0x6800, 50, "50"},   {0x5F, 16384, 190, 190, "x 20.0", 0xE500, 99, "100"},
      {0x5C, 6225, 190, 10, "x 2.0", 0x6800, 41, "41"},  {0x66, 16384, 290, 290, "x 30.0", 0xE500, 99, "100"},
      {0x67, 8291, 290, 20, "x 3.0", 0x6800, 41, "41"},  {0x40, 0, 290, 0, "x 1.0", 0x1000, 1, "1"},
      {0x4B, 16000, 90, 84, "x 9.4", 0xC000, 99, "100"},
  };
  AddCameras(1, 0);
  for (const auto& k : cases) {
    SCOPED_TRACE(testing::Message() << "model 0x" << std::hex << k.model);
    c.cameras[0].modelCode = k.model;
    c.cameras[0].zoomPos = k.zoomPos;
    c.cameras[0].focusPos = k.focusPos;
    RefreshPanel(&c, 0);
    EXPECT_EQ(0, Min(panel, IDC_ZOOM_SLIDER));
    EXPECT_EQ(k.zoomMax, Max(panel, IDC_ZOOM_SLIDER));
    EXPECT_EQ(10, Ticks(panel, IDC_ZOOM_SLIDER));
    EXPECT_EQ(k.zoomSlider, Pos(panel, IDC_ZOOM_SLIDER));
    EXPECT_EQ(k.zoomText, Text(panel, IDC_ZOOM_VALUE));
    EXPECT_EQ(k.focusSlider, Pos(panel, IDC_FOCUS_SLIDER));
    EXPECT_EQ(k.focusText, Text(panel, IDC_FOCUS_VALUE));
  }
}

TEST_F(Refresh, SharpnessGainsPowerAndFocusMode) {
  AddCameras(1, 0x4B);
  c.cameras[0].aperture = 11;
  c.cameras[0].focusAuto = 1;
  c.cameras[0].rGain = 300;
  c.cameras[0].bGain = 168;
  RefreshPanel(&c, 0);
  EXPECT_EQ(
      (std::vector<int>{11, 255, 168}),
      (std::vector<int>{Pos(panel, IDC_SHARP_SLIDER), Pos(setup, IDC_R_GAIN_SLIDER), Pos(setup, IDC_B_GAIN_SLIDER)}));
  // The boxes show where the sliders stopped.
  EXPECT_EQ((std::vector<std::string>{"11", "255", "168"}),
            (std::vector<std::string>{Text(panel, IDC_SHARP_VALUE), Text(setup, IDC_R_GAIN_VALUE),
                                      Text(setup, IDC_B_GAIN_VALUE)}));
  EXPECT_TRUE(Checked(panel, IDC_POWER));
  EXPECT_TRUE(Checked(panel, IDC_FOCUS_AUTO));
  EXPECT_FALSE(Enabled(panel, IDC_FOCUS_SLIDER));
  c.cameras[0].focusAuto = 0;
  RefreshPanel(&c, 0);
  EXPECT_FALSE(Checked(panel, IDC_FOCUS_AUTO));
  EXPECT_TRUE(Enabled(panel, IDC_FOCUS_SLIDER));
}

struct SliderView {
  int lo, hi, pos, ticks;
  const char* text;
};

// Every case starts from a panel left in manual mode with ticks every 5, so
// a range or tick frequency the refresh does not set stays visible.
TEST_F(Refresh, ExposureModesSetChecksCaptionsAndSliders) {
  // states: checks Auto and Iris; Auto, brightness and level enabled; the
  // labels enabled.
  const struct {
    int32_t aeMode;
    const char *states, *brightLabel, *levelLabel;
    SliderView bright, level;
  } cases[] = {
      {0, "1010101", "Brightness", "Exp. Level", {5, 23, 20, 5, "15"}, {0, 14, 2, 5, "-5"}},
      {3, "0101111", "Exposure", "Iris Level", {0, 12, 3, 1, "1/300s"}, {5, 17, 9, 1, "F 6.8"}},
      {13, "0011010", "Brightness", "Exp. Level", {5, 23, 20, 5, "15"}, {5, 17, 5, 5, "-5"}},
      {0x0A, "0011010", "Brightness", "Exp. Level", {5, 23, 20, 5, "15"}, {5, 17, 5, 5, "-5"}},
  };
  AddCameras(1, 0x4B);
  c.cameras[0].brightPos = 20;
  c.cameras[0].expCompPos = 2;
  c.cameras[0].irisPos = 9;
  c.cameras[0].shutterPos = 12;
  for (const auto& k : cases) {
    SCOPED_TRACE(testing::Message() << "aeMode " << k.aeMode);
    SetRange(panel, IDC_LEVEL_SLIDER, 5, 17);
    SetRange(panel, IDC_BRIGHT_SLIDER, 0, 12);
    for (int id : {IDC_LEVEL_SLIDER, IDC_BRIGHT_SLIDER}) SendDlgItemMessageA(panel, id, TBM_SETTICFREQ, 5, 0);
    c.cameras[0].aeMode = k.aeMode;
    RefreshPanel(&c, 0);
    std::string states;
    for (bool on : {Checked(panel, IDC_EXPOSURE_AUTO), Checked(panel, IDC_IRIS), Enabled(panel, IDC_EXPOSURE_AUTO),
                    Enabled(panel, IDC_BRIGHT_SLIDER), Enabled(panel, IDC_LEVEL_SLIDER),
                    Enabled(panel, IDC_BRIGHT_LABEL), Enabled(panel, IDC_LEVEL_LABEL)})
      states += on ? '1' : '0';
    EXPECT_EQ(k.states, states);
    EXPECT_TRUE(Enabled(panel, IDC_IRIS));
    EXPECT_EQ(k.brightLabel, Text(panel, IDC_BRIGHT_LABEL));
    EXPECT_EQ(k.levelLabel, Text(panel, IDC_LEVEL_LABEL));
    const struct {
      int slider, value;
      SliderView want;
    } views[] = {{IDC_BRIGHT_SLIDER, IDC_BRIGHT_VALUE, k.bright}, {IDC_LEVEL_SLIDER, IDC_LEVEL_VALUE, k.level}};
    for (const auto& v : views) {
      SCOPED_TRACE(testing::Message() << "slider " << v.slider);
      EXPECT_EQ(v.want.lo, Min(panel, v.slider));
      EXPECT_EQ(v.want.hi, Max(panel, v.slider));
      EXPECT_EQ(v.want.pos, Pos(panel, v.slider));
      EXPECT_EQ(v.want.ticks, Ticks(panel, v.slider));
      EXPECT_EQ(v.want.text, Text(panel, v.value));
    }
  }
}

TEST_F(Refresh, ManualModeValuesOffTheTablesShowPlaceholders) {
  AddCameras(1, 0x66);
  c.cameras[0].aeMode = 3;
  const struct {
    int32_t irisPos, shutterPos;
    int levelPos, brightPos;
  } cases[] = {{20, 1, 17, 12}, {4, 16, 5, 0}};
  for (const auto& k : cases) {
    c.cameras[0].irisPos = k.irisPos;
    c.cameras[0].shutterPos = k.shutterPos;
    RefreshPanel(&c, 0);
    EXPECT_EQ("F --", Text(panel, IDC_LEVEL_VALUE));
    EXPECT_EQ("1/--s", Text(panel, IDC_BRIGHT_VALUE));
    EXPECT_EQ(k.levelPos, Pos(panel, IDC_LEVEL_SLIDER));
    EXPECT_EQ(k.brightPos, Pos(panel, IDC_BRIGHT_SLIDER));
  }
}

// Every button of the group but the wanted one is checked before the refresh;
// after it exactly that one is. Model 0x40 lacks the last effect and gamma,
// whose check is left alone. Video: register 0x72 models, then 0x70 ones.
TEST_F(Refresh, RadioButtonsByRegisterAndModel) {
  std::vector<int> video;
  for (int id = IDC_VIDEO_1080I_5994; id <= IDC_VIDEO_1080P_25; id++) video.push_back(id);
  const struct {
    char kind;
    HWND group;
    std::vector<int> ids;
    SharedInt CameraRecord::*field;
  } groups[] = {
      {'e', effectGroup, {IDC_EFFECT_NORMAL, IDC_EFFECT_BW, IDC_EFFECT_NEGATIVE}, &CameraRecord::pictureEffect},
      {'g', gammaGroup, {IDC_GAMMA_NORMAL, IDC_GAMMA_TYPE1, IDC_GAMMA_TYPE2}, &CameraRecord::gamma},
      {'w',
       wbGroup,
       {IDC_WB_AUTO, IDC_WB_COLD, IDC_WB_WARM, IDC_WB_ONE_PUSH, IDC_WB_MANUAL, IDC_WB_LED},
       &CameraRecord::wbMode},
      {'v', videoGroup, video, &CameraRecord::videoOutReg},
  };
  const struct {
    char kind;
    int32_t model, value;
    int checked;
  } cases[] = {
      {'e', 0x4B, 0, IDC_EFFECT_NORMAL},    {'e', 0x4B, 2, IDC_EFFECT_NEGATIVE},  {'e', 0x66, 4, IDC_EFFECT_BW},
      {'e', 0x66, 7, IDC_EFFECT_BW},        {'e', 0x40, 4, IDC_EFFECT_BW},        {'e', 0x40, 2, IDC_EFFECT_BW},
      {'e', 0x40, 0, IDC_EFFECT_NORMAL},    {'g', 0x45, 0, IDC_GAMMA_NORMAL},     {'g', 0x45, 1, IDC_GAMMA_TYPE1},
      {'g', 0x5F, 2, IDC_GAMMA_TYPE2},      {'g', 0x5F, 9, IDC_GAMMA_TYPE2},      {'g', 0x40, 2, IDC_GAMMA_TYPE1},
      {'g', 0x40, 0, IDC_GAMMA_NORMAL},     {'w', 0x4B, 0, IDC_WB_AUTO},          {'w', 0x4B, 1, IDC_WB_COLD},
      {'w', 0x4B, 2, IDC_WB_WARM},          {'w', 0x4B, 3, IDC_WB_ONE_PUSH},      {'w', 0x4B, 5, IDC_WB_MANUAL},
      {'w', 0x4B, 6, IDC_WB_LED},           {'v', 0x5F, 1, IDC_VIDEO_1080I_5994}, {'v', 0x5C, 2, IDC_VIDEO_1080I_5994},
      {'v', 0x66, 10, IDC_VIDEO_720P_5994}, {'v', 0x67, 3, IDC_VIDEO_NTSC},       {'v', 0x67, 16, IDC_VIDEO_NTSC},
      {'v', 0x40, 4, IDC_VIDEO_1080I_50},   {'v', 0x5F, 12, IDC_VIDEO_720P_50},   {'v', 0x66, 19, IDC_VIDEO_1080P_5994},
      {'v', 0x66, 20, IDC_VIDEO_1080P_50},  {'v', 0x67, 6, IDC_VIDEO_1080P_2997}, {'v', 0x40, 8, IDC_VIDEO_1080P_25},
      {'v', 0x5F, 13, IDC_VIDEO_PAL},       {'v', 0x66, 17, IDC_VIDEO_PAL},       {'v', 0x4B, 1, IDC_VIDEO_1080I_5994},
      {'v', 0x45, 2, IDC_VIDEO_720P_5994},  {'v', 0x4B, 3, IDC_VIDEO_NTSC},       {'v', 0x4B, 17, IDC_VIDEO_1080I_50},
      {'v', 0x45, 18, IDC_VIDEO_720P_50},   {'v', 0x4B, 19, IDC_VIDEO_PAL},       {'v', 0x4B, 10, IDC_VIDEO_PAL},
  };
  AddCameras(1, 0);
  for (const auto& k : cases) {
    SCOPED_TRACE(testing::Message() << k.kind << " model 0x" << std::hex << k.model << std::dec << " value "
                                    << k.value);
    for (const auto& g : groups) {
      if (g.kind != k.kind) continue;
      std::vector<int> ids = g.ids;
      for (int id : ids) Check(g.group, id, id != k.checked);
      if (k.model == 0x40 && (k.kind == 'e' || k.kind == 'g')) ids.pop_back();
      c.cameras[0].modelCode = k.model;
      c.cameras[0].*g.field = k.value;
      RefreshPanel(&c, 0);
      for (int id : ids) EXPECT_EQ(id == k.checked, Checked(g.group, id)) << "button " << id;
    }
  }
}

// Refresh disables the gains outside manual white balance and never enables
// them; an unknown mode leaves the buttons.
TEST_F(Refresh, WhiteBalanceGainControls) {
  const int gainControls[] = {IDC_R_GAIN_SLIDER, IDC_B_GAIN_SLIDER, IDC_R_GAIN_LABEL,
                              IDC_B_GAIN_LABEL,  IDC_R_GAIN_VALUE,  IDC_B_GAIN_VALUE};
  AddCameras(1, 0x4B);
  for (int32_t mode : {0, 5, 4}) {
    SCOPED_TRACE(testing::Message() << "wbMode " << mode);
    for (int id : gainControls) Enable(setup, id, true);
    Check(wbGroup, IDC_WB_WARM, true);
    c.cameras[0].wbMode = mode;
    RefreshPanel(&c, 0);
    for (int id : gainControls) EXPECT_EQ(mode == 5, Enabled(setup, id)) << "control " << id;
  }
  EXPECT_TRUE(Checked(wbGroup, IDC_WB_WARM) && Checked(wbGroup, IDC_WB_MANUAL));
  EXPECT_FALSE(Checked(wbGroup, IDC_WB_AUTO));
  c.cameras[0].wbMode = 5;
  RefreshPanel(&c, 0);
  for (int id : gainControls) EXPECT_FALSE(Enabled(setup, id));
}

TEST_F(Refresh, Model40DisablesTheChoicesItLacks) {
  AddCameras(2, 0x40);
  c.cameras[1].modelCode = 0x67;
  RefreshPanel(&c, 1);
  EXPECT_TRUE(Enabled(effectGroup, IDC_EFFECT_NEGATIVE) && Enabled(gammaGroup, IDC_GAMMA_TYPE2) &&
              Enabled(videoGroup, IDC_VIDEO_NTSC) && Enabled(videoGroup, IDC_VIDEO_PAL));
  Check(effectGroup, IDC_EFFECT_NEGATIVE, true);
  RefreshPanel(&c, 0);
  EXPECT_FALSE(Enabled(effectGroup, IDC_EFFECT_NEGATIVE) || Enabled(gammaGroup, IDC_GAMMA_TYPE2) ||
               Enabled(videoGroup, IDC_VIDEO_NTSC) || Enabled(videoGroup, IDC_VIDEO_PAL));
  EXPECT_TRUE(Checked(effectGroup, IDC_EFFECT_NEGATIVE)) << "its check is left alone";
  EXPECT_TRUE(Enabled(videoGroup, IDC_VIDEO_1080P_25));
  RefreshPanel(&c, 1);
  EXPECT_FALSE(Enabled(videoGroup, IDC_VIDEO_NTSC)) << "only the dialog's creation enables them again";
}

TEST_F(Refresh, RotateAndNirVisionByModel) {
  const struct {
    int32_t model;
    bool rotate, nir;
  } cases[] = {{0x5F, true, true}, {0x5C, true, true},  {0x66, true, true},  {0x67, true, true},
               {0x40, true, true}, {0x4B, false, true}, {0x45, false, false}};
  AddCameras(1, 0);
  for (const auto& k : cases) {
    c.cameras[0].modelCode = k.model;
    for (int32_t on : {2, 3}) {
      SCOPED_TRACE(testing::Message() << "model 0x" << std::hex << k.model << " value " << on);
      Check(setup, IDC_ROTATE, on != 2);
      Check(nirGroup, IDC_NIR_VISION, on != 2);
      c.cameras[0].pictureFlip = on;
      c.cameras[0].icrMode = on;
      RefreshPanel(&c, 0);
      EXPECT_EQ(k.rotate, Enabled(setup, IDC_ROTATE));
      EXPECT_EQ(k.rotate ? on == 2 : on != 2, Checked(setup, IDC_ROTATE));
      EXPECT_EQ(k.nir, Enabled(nirGroup, IDC_NIR_VISION));
      EXPECT_EQ(k.nir ? on == 2 : on != 2, Checked(nirGroup, IDC_NIR_VISION));
    }
  }
}

TEST_F(Refresh, ClosedOrNeverOpenedSetupDialogStillRefreshesThePanel) {
  AddCameras(1, 0x67);
  c.cameras[0].zoomPos = 16384;
  c.cameras[0].wbMode = 1;
  FakeDestroyWindow(setup);
  RefreshPanel(&c, 0);
  hSetupDlg = hWbGroup = hEffectGroup = hNirGroup = hGammaGroup = hVideoGroup = nullptr;
  c.cameras[0].zoomPos = 0;
  RefreshPanel(&c, 0);
  EXPECT_EQ((std::vector<std::string>{"x 30.0", "x 1.0"}), History(panel, IDC_ZOOM_VALUE));
  EXPECT_EQ((std::vector<std::string>{"Camera 1 selected", "Camera 1 selected"}), History(panel, IDC_STATUS));
}

// An index outside the list or no controller changes nothing.
TEST_F(Refresh, SelectsTheCameraAnnouncesItAndFocusesZoom) {
  AddCameras(3, 0x4B);
  c.cameras[2].port = 4;
  reinitOnNack = 1;
  for (int index : {-1, 3, kMaxCameras}) RefreshPanel(&c, index);
  RefreshPanel(nullptr, 0);
  int32_t pollCounter = 0;
  WorkerStep(&c, &pollCounter);
  EXPECT_EQ(0, c.cameraSelected.load());
  EXPECT_TRUE(History(panel, IDC_ZOOM_VALUE).empty());
  EXPECT_TRUE(History(panel, IDC_STATUS).empty());
  EXPECT_FALSE(Checked(panel, IDC_POWER));
  EXPECT_EQ(nullptr, FakeGetFocus());
  RefreshPanel(&c, 0);
  EXPECT_EQ(GetDlgItem(panel, IDC_ZOOM_SLIDER), FakeGetFocus());
  RefreshPanel(&c, 2);
  EXPECT_EQ((std::vector<std::string>{"Camera 1 selected", "Camera 3 selected"}), History(panel, IDC_STATUS));
  // The engine may take a selection over between transactions: one idle step.
  WorkerStep(&c, &pollCounter);
  EXPECT_EQ(2, c.camera.load());
  EXPECT_EQ(4, c.port.load());
  EXPECT_EQ(1, c.cameraSelected.load());
  EXPECT_EQ(0, reinitOnNack.load());
}

// Serves the worker's control calls until it ends, for at most 10 s.
bool ServeUntilEnded(OsThread& worker) {
  for (int ms = 0; ms < 10000; ms++) {
    DispatchIncomingSentMessages();
    if (worker.Join(1)) return true;
  }
  return false;
}

uint32_t RefreshFirstCamera(void* arg) {
  RefreshPanel(static_cast<CameraController*>(arg), 0);
  return 0;
}

// From the worker the control calls wait for the user-interface thread, and
// the focus, which belongs to that thread, stays where it was.
TEST_F(Refresh, FromTheWorkerThroughTheUserInterfaceThread) {
  AddCameras(1, 0x66);
  c.cameras[0].zoomPos = 16384;
  FakeBecomeOwner();
  OsThread worker;
  ASSERT_TRUE(worker.Start(RefreshFirstCamera, &c));
  const bool ended = ServeUntilEnded(worker);
  FakeReleaseOwner();
  ASSERT_TRUE(ended);
  EXPECT_EQ("x 30.0", Text(panel, IDC_ZOOM_VALUE));
  EXPECT_EQ("Camera 1 selected", Text(panel, IDC_STATUS));
  EXPECT_EQ(nullptr, FakeGetFocus());
}

uint32_t RereadFirstCamera(void* arg) {
  RunPanelRefresh(static_cast<CameraController*>(arg), 0);
  return 0;
}

// A re-reading of camera 1 refreshes the panel from the worker; while it waits
// on the panel, the user picks camera 2. The panel ends up showing camera 2
// throughout, not a mix of both.
TEST_F(Refresh, ClickWhileTheWorkerRefreshesWinsThePanel) {
  AddCameras(2, 0x66);
  c.cameras[0].zoomPos = 0;
  c.cameras[0].aeMode = 0;  // full auto
  c.cameras[1].zoomPos = 16384;
  c.cameras[1].aeMode = 3;  // manual
  InstallPanelHooks(WindowHooks());
  FakeBecomeOwner();
  OsThread worker;
  ASSERT_TRUE(worker.Start(RereadFirstCamera, &c));
  // Serve the worker until it has written the zoom box, then click.
  auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
  while (History(panel, IDC_ZOOM_VALUE).empty() && std::chrono::steady_clock::now() < deadline) {
    DispatchIncomingSentMessages();
    std::this_thread::yield();
  }
  ASSERT_FALSE(History(panel, IDC_ZOOM_VALUE).empty());
  Select(1);
  RefreshPanel(&c, 1);
  const bool ended = ServeUntilEnded(worker);
  FakeReleaseOwner();
  ASSERT_TRUE(ended);
  EXPECT_EQ(1, c.pendingSelection.load());
  EXPECT_EQ("Camera 2 selected", Text(panel, IDC_STATUS));
  EXPECT_TRUE(Checked(panel, IDC_IRIS));
  EXPECT_FALSE(Checked(panel, IDC_EXPOSURE_AUTO));
  EXPECT_EQ("x 30.0", Text(panel, IDC_ZOOM_VALUE));
}

}  // namespace
