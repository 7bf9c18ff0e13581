#include "panel/panel_refresh.h"
#include "panel/window_hooks.h"

#include "tests/panel/panel_rig.h"

namespace {

class Refresh : public PanelTest {};

TEST_F(Refresh, ZoomAndFocusFollowTheModelFamily) {
  // A 10x camera last: the zoom range shrinks back from 0..290.
  const struct {
    int32_t model, zoomPos, focusPos;
    int zoomMax, zoomSlider, focusSlider;
    const char* texts;
  } cases[] = {
      {0x45, 9332, 0x6800, 90, 19, 50, "x 2.9 50"},   {0x5F, 16384, 0xE500, 190, 190, 99, "x 20.0 100"},
      {0x5C, 6225, 0x6800, 190, 10, 41, "x 2.0 41"},  {0x66, 16384, 0xE500, 290, 290, 99, "x 30.0 100"},
      {0x67, 8291, 0x6800, 290, 20, 41, "x 3.0 41"},  {0x40, 0, 0x1000, 290, 0, 1, "x 1.0 1"},
      {0x4B, 16000, 0xC000, 90, 84, 99, "x 9.4 100"},
  };
  AddCameras(1, 0);
  for (const auto& k : cases) {
    SCOPED_TRACE(testing::Message() << "model 0x" << std::hex << k.model);
    c.cameras[0].modelCode = k.model;
    c.cameras[0].zoomPos = k.zoomPos;
    c.cameras[0].focusPos = k.focusPos;
    RefreshPanel(&c, 0);
    EXPECT_EQ(
        (std::vector<int>{0, k.zoomMax, 10, k.zoomSlider, k.focusSlider}),
        (std::vector<int>{Ask(panel, IDC_ZOOM_SLIDER, TBM_GETRANGEMIN), Ask(panel, IDC_ZOOM_SLIDER, TBM_GETRANGEMAX),
                          FakeTicFreq(GetDlgItem(panel, IDC_ZOOM_SLIDER)), Pos(panel, IDC_ZOOM_SLIDER),
                          Pos(panel, IDC_FOCUS_SLIDER)}));
    EXPECT_EQ(Text(panel, IDC_ZOOM_VALUE) + " " + Text(panel, IDC_FOCUS_VALUE), k.texts);
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
    SendDlgItemMessageA(panel, IDC_LEVEL_SLIDER, TBM_SETRANGE, 1, MAKELONG(5, 17));
    SendDlgItemMessageA(panel, IDC_BRIGHT_SLIDER, TBM_SETRANGE, 1, MAKELONG(0, 12));
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
      EXPECT_EQ((std::vector<int>{v.want.lo, v.want.hi, v.want.pos, v.want.ticks}),
                (std::vector<int>{Ask(panel, v.slider, TBM_GETRANGEMIN), Ask(panel, v.slider, TBM_GETRANGEMAX),
                                  Pos(panel, v.slider), FakeTicFreq(GetDlgItem(panel, v.slider))}));
      EXPECT_EQ(v.want.text, Text(panel, v.value));
    }
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
    for (int id : gainControls) EnableWindow(GetDlgItem(setup, id), TRUE);
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

// From the worker the control calls wait for the user-interface thread, and
// the focus, which belongs to that thread, stays where it was.
TEST_F(Refresh, FromTheWorkerThroughTheUserInterfaceThread) {
  AddCameras(1, 0x66);
  c.cameras[0].zoomPos = 16384;
  ASSERT_TRUE(RunAsWorker([&] { RefreshPanel(&c, 0); }));
  EXPECT_EQ("x 30.0", Text(panel, IDC_ZOOM_VALUE));
  EXPECT_EQ("Camera 1 selected", Text(panel, IDC_STATUS));
  EXPECT_EQ(nullptr, FakeGetFocus());
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
  bool clicked = false;  // once the worker has written the zoom box
  ASSERT_TRUE(RunAsWorker([&] { RunPanelRefresh(&c, 0); }, [&] { return !History(panel, IDC_ZOOM_VALUE).empty(); },
                          [&] { clicked = !History(panel, IDC_ZOOM_VALUE).empty(), Select(1), RefreshPanel(&c, 1); },
                          true));
  ASSERT_TRUE(clicked);
  EXPECT_EQ(1, c.pendingSelection.load());
  EXPECT_EQ("Camera 2 selected", Text(panel, IDC_STATUS));
  EXPECT_TRUE(Checked(panel, IDC_IRIS));
  EXPECT_FALSE(Checked(panel, IDC_EXPOSURE_AUTO));
  EXPECT_EQ("x 30.0", Text(panel, IDC_ZOOM_VALUE));
}

}  // namespace
