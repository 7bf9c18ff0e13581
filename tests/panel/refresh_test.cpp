// The panel refresh: every control by model family and exposure mode, the
// Setup dialog's choices by model, and the refresh from the worker's thread.
#include "panel/panel_refresh.h"
#include "panel/window_hooks.h"

#include "tests/panel/panel_rig.h"

namespace {

class Refresh : public PanelTest {
 protected:
  // Range, ticks and position of a slider.
  std::vector<int> Slider(int id) {
    return {Ask(panel, id, TBM_GETRANGEMIN), Ask(panel, id, TBM_GETRANGEMAX), FakeTicFreq(GetDlgItem(panel, id)),
            Pos(panel, id)};
  }
};

// A 10x camera last: the zoom range shrinks back from 0..290.
TEST_F(Refresh, ZoomAndFocusFollowTheModelFamily) {
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
    SCOPED_TRACE(k.model);
    c.cameras[0].modelCode = k.model;
    c.cameras[0].zoomPos = k.zoomPos;
    c.cameras[0].focusPos = k.focusPos;
    RefreshPanel(&c, 0);
    EXPECT_EQ(Slider(IDC_ZOOM_SLIDER), (std::vector<int>{0, k.zoomMax, 10, k.zoomSlider}));
    EXPECT_EQ(Pos(panel, IDC_FOCUS_SLIDER), k.focusSlider);
    EXPECT_EQ(Text(panel, IDC_ZOOM_VALUE) + " " + Text(panel, IDC_FOCUS_VALUE), k.texts);
  }
}

// The boxes show where the sliders stopped.
TEST_F(Refresh, SharpnessGainsPowerAndFocusMode) {
  AddCameras(1, 0x4B);
  c.cameras[0].aperture = 11;
  c.cameras[0].focusAuto = 1;
  c.cameras[0].rGain = 300;
  c.cameras[0].bGain = 168;
  RefreshPanel(&c, 0);
  EXPECT_EQ(
      (std::vector<int>{Pos(panel, IDC_SHARP_SLIDER), Pos(setup, IDC_R_GAIN_SLIDER), Pos(setup, IDC_B_GAIN_SLIDER)}),
      (std::vector<int>{11, 255, 168}));
  EXPECT_EQ(Text(panel, IDC_SHARP_VALUE) + " " + Text(setup, IDC_R_GAIN_VALUE) + " " + Text(setup, IDC_B_GAIN_VALUE),
            "11 255 168");
  EXPECT_TRUE(Checked(panel, IDC_POWER) && Checked(panel, IDC_FOCUS_AUTO) && !Enabled(panel, IDC_FOCUS_SLIDER));
  c.cameras[0].focusAuto = 0;
  RefreshPanel(&c, 0);
  EXPECT_TRUE(!Checked(panel, IDC_FOCUS_AUTO) && Enabled(panel, IDC_FOCUS_SLIDER));
}

// Every case starts from a panel left in manual mode with ticks every 5, so
// a range or tick frequency the refresh does not set stays visible. States:
// Auto and Iris checked; Auto, brightness and level enabled; labels enabled.
TEST_F(Refresh, ExposureModesSetChecksCaptionsAndSliders) {
  const struct {
    int32_t aeMode;
    const char *states, *labels, *texts;
    std::vector<int> bright, level;  // range, ticks, position
  } cases[] = {
      {0, "1010101", "Brightness/Exp. Level", "15/-5", {5, 23, 5, 20}, {0, 14, 5, 2}},
      {3, "0101111", "Exposure/Iris Level", "1/300s/F 6.8", {0, 12, 1, 3}, {5, 17, 1, 9}},
      {13, "0011010", "Brightness/Exp. Level", "15/-5", {5, 23, 5, 20}, {5, 17, 5, 5}},
      {0x0A, "0011010", "Brightness/Exp. Level", "15/-5", {5, 23, 5, 20}, {5, 17, 5, 5}},
  };
  AddCameras(1, 0x4B);
  c.cameras[0].brightPos = 20;
  c.cameras[0].expCompPos = 2;
  c.cameras[0].irisPos = 9;
  c.cameras[0].shutterPos = 12;
  for (const auto& k : cases) {
    SCOPED_TRACE(k.aeMode);
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
    EXPECT_EQ(states, k.states);
    EXPECT_TRUE(Enabled(panel, IDC_IRIS));
    EXPECT_EQ(Text(panel, IDC_BRIGHT_LABEL) + "/" + Text(panel, IDC_LEVEL_LABEL), k.labels);
    EXPECT_EQ(Text(panel, IDC_BRIGHT_VALUE) + "/" + Text(panel, IDC_LEVEL_VALUE), k.texts);
    EXPECT_EQ(Slider(IDC_BRIGHT_SLIDER), k.bright);
    EXPECT_EQ(Slider(IDC_LEVEL_SLIDER), k.level);
  }
}

// Every button of the group but the wanted one is checked before the refresh;
// after it exactly that one is. Model 0x40 lacks the last effect and gamma,
// whose check is left alone. Video: register 0x72 models, then 0x70 ones.
TEST_F(Refresh, RadioButtonsByRegisterAndModel) {
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
      {'v',
       videoGroup,
       {IDC_VIDEO_1080I_5994, IDC_VIDEO_720P_5994, IDC_VIDEO_NTSC, IDC_VIDEO_1080I_50, IDC_VIDEO_720P_50, IDC_VIDEO_PAL,
        IDC_VIDEO_1080P_5994, IDC_VIDEO_1080P_50, IDC_VIDEO_1080P_2997, IDC_VIDEO_1080P_25},
       &CameraRecord::videoOutReg},
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
    SCOPED_TRACE(testing::Message() << k.kind << " model " << k.model << " value " << k.value);
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
  const int gains[] = {IDC_R_GAIN_SLIDER, IDC_B_GAIN_SLIDER, IDC_R_GAIN_LABEL,
                       IDC_B_GAIN_LABEL,  IDC_R_GAIN_VALUE,  IDC_B_GAIN_VALUE};
  AddCameras(1, 0x4B);
  for (int32_t mode : {0, 5, 4}) {
    SCOPED_TRACE(mode);
    for (int id : gains) EnableWindow(GetDlgItem(setup, id), TRUE);
    Check(wbGroup, IDC_WB_WARM, true);
    c.cameras[0].wbMode = mode;
    RefreshPanel(&c, 0);
    for (int id : gains) EXPECT_EQ(mode == 5, Enabled(setup, id)) << id;
  }
  EXPECT_TRUE(Checked(wbGroup, IDC_WB_WARM) && Checked(wbGroup, IDC_WB_MANUAL) && !Checked(wbGroup, IDC_WB_AUTO));
  c.cameras[0].wbMode = 5;  // after mode 4 disabled them
  RefreshPanel(&c, 0);
  for (int id : gains) EXPECT_FALSE(Enabled(setup, id)) << id;
}

// Enabled per model: Rotate, NIR Vision, and the choices model 0x40 lacks,
// whose checks are left alone; only the dialog's creation enables them again.
TEST_F(Refresh, SetupChoicesByModel) {
  const struct {
    int32_t model;
    bool rotate, nir, all;
  } cases[] = {{0x5F, true, true, true},  {0x5C, true, true, true},  {0x66, true, true, true},
               {0x67, true, true, true},  {0x4B, false, true, true}, {0x45, false, false, true},
               {0x40, true, true, false}, {0x67, true, true, false}};
  const std::pair<HWND, int> lacking[] = {{effectGroup, IDC_EFFECT_NEGATIVE},
                                          {gammaGroup, IDC_GAMMA_TYPE2},
                                          {videoGroup, IDC_VIDEO_NTSC},
                                          {videoGroup, IDC_VIDEO_PAL}};
  AddCameras(1, 0);
  for (const auto& k : cases) {
    c.cameras[0].modelCode = k.model;
    for (int32_t on : {2, 3}) {
      SCOPED_TRACE(testing::Message() << "model " << k.model << " value " << on);
      Check(setup, IDC_ROTATE, on != 2);
      Check(nirGroup, IDC_NIR_VISION, on != 2);
      c.cameras[0].pictureFlip = on;
      c.cameras[0].icrMode = on;
      Check(effectGroup, IDC_EFFECT_NEGATIVE, true);
      RefreshPanel(&c, 0);
      EXPECT_EQ(k.rotate, Enabled(setup, IDC_ROTATE));
      EXPECT_EQ(k.rotate ? on == 2 : on != 2, Checked(setup, IDC_ROTATE));
      EXPECT_EQ(k.nir, Enabled(nirGroup, IDC_NIR_VISION));
      EXPECT_EQ(k.nir ? on == 2 : on != 2, Checked(nirGroup, IDC_NIR_VISION));
      for (const auto& choice : lacking) EXPECT_EQ(k.all, Enabled(choice.first, choice.second)) << choice.second;
      EXPECT_TRUE(Enabled(videoGroup, IDC_VIDEO_1080P_25));
      EXPECT_TRUE(k.model != 0x40 || Checked(effectGroup, IDC_EFFECT_NEGATIVE));
    }
  }
}

// An index outside the list or no controller changes nothing; the engine
// takes a selection over between transactions, in one idle step.
TEST_F(Refresh, SelectsTheCameraAnnouncesItAndFocusesZoom) {
  AddCameras(3, 0x4B);
  c.cameras[2].line = 4;
  c.reinitOnNack = 1;
  for (int index : {-1, 3, kMaxCameras}) RefreshPanel(&c, index);
  RefreshPanel(nullptr, 0);
  int32_t pollCounter = 0;
  WorkerStep(&c, &pollCounter);
  EXPECT_EQ(0, c.cameraSelected.load());
  EXPECT_TRUE(History(panel, IDC_ZOOM_VALUE).empty() && History(panel, IDC_STATUS).empty());
  EXPECT_FALSE(Checked(panel, IDC_POWER));
  EXPECT_EQ(nullptr, FakeGetFocus());
  RefreshPanel(&c, 0);
  EXPECT_EQ(GetDlgItem(panel, IDC_ZOOM_SLIDER), FakeGetFocus());
  RefreshPanel(&c, 2);
  EXPECT_EQ((std::vector<std::string>{"Camera 1 selected", "Camera 3 selected"}), History(panel, IDC_STATUS));
  WorkerStep(&c, &pollCounter);
  EXPECT_EQ((std::vector<int>{2, 4, 1, 0}),
            (std::vector<int>{c.camera.load(), c.line.load(), c.cameraSelected.load(), c.reinitOnNack.load()}));
}

// A re-reading of camera 1 refreshes the panel from the worker; once it has
// written the zoom box, the user picks camera 2. The panel ends up showing
// camera 2 throughout, not a mix of both.
TEST_F(Refresh, ClickWhileTheWorkerRefreshesWinsThePanel) {
  AddCameras(2, 0x66);
  c.cameras[0].aeMode = 0;  // full auto
  c.cameras[1].zoomPos = 16384;
  c.cameras[1].aeMode = 3;  // manual
  InstallPanelHooks(&c, WindowHooks());
  bool clicked = false;
  ASSERT_TRUE(RunAsWorker([&] { RunPanelRefresh(&c, 0); }, [&] { return !History(panel, IDC_ZOOM_VALUE).empty(); },
                          [&] { clicked = !History(panel, IDC_ZOOM_VALUE).empty(), Select(1), RefreshPanel(&c, 1); },
                          true));
  ASSERT_TRUE(clicked);
  EXPECT_EQ(1, c.pendingSelection.load());
  EXPECT_EQ(Text(panel, IDC_STATUS) + " " + Text(panel, IDC_ZOOM_VALUE), "Camera 2 selected x 30.0");
  EXPECT_TRUE(Checked(panel, IDC_IRIS) && !Checked(panel, IDC_EXPOSURE_AUTO));
}

}  // namespace
