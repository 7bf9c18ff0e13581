// What the dispatcher does besides the bytes: the controller words and record
// fields it writes, the panel and Setup controls it updates directly, the
// requests it drops, and the order in which queued requests reach a camera.
#include "requests/dispatch_request.h"
#include "requests/request_codes.h"
#include "tests/requests/engine_rig.h"

#include "common/control_ids.h"
#include "common/text.h"
#include "platform/fakewin.h"
#include "platform/os.h"

#include <gtest/gtest.h>

#include <string>

namespace {

std::string Text(HWND parent, int id) { return FakeGetText(GetDlgItem(parent, id)); }
int Pos(HWND parent, int id) { return static_cast<int>(SendDlgItemMessageA(parent, id, TBM_GETPOS, 0, 0)); }
int Min(HWND parent, int id) { return static_cast<int>(SendDlgItemMessageA(parent, id, TBM_GETRANGEMIN, 0, 0)); }
int Max(HWND parent, int id) { return static_cast<int>(SendDlgItemMessageA(parent, id, TBM_GETRANGEMAX, 0, 0)); }
CameraRecord& R0(EngineRig& rig) { return rig.Record(0); }
bool Enabled(HWND parent, int id) { return IsWindowEnabled(GetDlgItem(parent, id)) != 0; }

// A rig whose camera list is filled; requests are then taken one at a time by
// DispatchRequest alone, so the record is seen before any answer changes it.
class Dispatch : public ::testing::Test {
protected:
  void Start(uint8_t model) {
    rig.reset(new EngineRig({model, model}, WORKER_MANUAL));
    ASSERT_TRUE(rig->Initialise());
  }
  // Takes the request and sends its command; the reply is left for Finish.
  void Take(uint32_t code, int32_t a, uint32_t camera = 0) {
    rig->Post(camera, code, a);
    DispatchRequest(rig->c);
  }
  void Finish() { ASSERT_TRUE(rig->RunUntil([this] { return rig->Idle(); }, 5000)); }
  CameraRecord& R() { return rig->Record(0); }
  HWND Panel() { return rig->panel; }

  std::unique_ptr<EngineRig> rig;
};

TEST_F(Dispatch, ControllerWordsNameTheRequestedCamera) {
  Start(0x67);
  rig->c->camera = 0;
  rig->ClearReceived();
  Take(REQ_EFFECT_BW, 0, 1);
  EXPECT_EQ(rig->c->followUp.load(), static_cast<int32_t>(REQ_EFFECT_BW));
  EXPECT_EQ(rig->c->camera.load(), 1);
  EXPECT_EQ(rig->c->port.load(), rig->Record(1).port);
  EXPECT_EQ(rig->c->mode.load(), 8);
  Finish();
  // The second camera on the line (address 2) got it; the first got nothing.
  ASSERT_EQ(rig->ReceivedCommands(1).size(), 1u);
  EXPECT_EQ(rig->ReceivedCommands(1)[0], Packet(2, {0x01, 0x04, 0x63, 0x04}));
  EXPECT_TRUE(rig->ReceivedCommands(0).empty());
}

TEST_F(Dispatch, DroppedRequestsSendNothingAndStayIdle) {
  Start(0x4B);
  rig->ClearReceived();
  // Camera index 2 while two cameras are listed, and "-1": nothing changes.
  for (uint32_t camera : {2u, 69u, 70u, 0xFFFFFFFFu}) {
    rig->c->followUp = 77;
    rig->c->camera = 1;
    rig->c->port = 5;
    Take(REQ_ZOOM_DIRECT, 10, camera);
    EXPECT_EQ(rig->c->followUp.load(), 77);
    EXPECT_EQ(rig->c->camera.load(), 1);
    EXPECT_EQ(rig->c->port.load(), 5);
    EXPECT_EQ(rig->c->mode.load(), 0);
  }
  rig->c->port = 0;
  rig->c->followUp = 0;
  // Unused and unknown codes: the three words change, nothing is sent.
  for (uint32_t code : {11u, 42u, 0u, 53u, 100u, 0x80000000u}) {
    rig->c->camera = 0;
    Take(code, 1, 1);
    EXPECT_EQ(rig->c->followUp.load(), static_cast<int32_t>(code));
    EXPECT_EQ(rig->c->camera.load(), 1);
    EXPECT_EQ(rig->c->port.load(), rig->Record(1).port);
    EXPECT_TRUE(rig->Idle());
  }
  rig->RunUntil([] { return false; }, 50);
  EXPECT_TRUE(rig->Received(0).empty());
  EXPECT_TRUE(rig->Received(1).empty());
  EXPECT_TRUE(rig->Idle());
}

TEST_F(Dispatch, NoCameraFoundDropsEveryRequest) {
  rig.reset(new EngineRig({}, WORKER_MANUAL));
  ASSERT_TRUE(rig->RunUntil([this] { return rig->c->mode.load() == 0 && rig->c->followUp.load() == 0 &&
                                            rig->c->port.load() == -1; },
                            5000));
  rig->c->followUp = 0;
  Take(REQ_ZOOM_DIRECT, 10, 0);
  EXPECT_EQ(rig->c->followUp.load(), 0);
  EXPECT_TRUE(rig->Idle());
}

TEST_F(Dispatch, EmptyQueueDoesNothing) {
  Start(0x4B);
  rig->c->followUp = 0;
  DispatchRequest(rig->c);
  EXPECT_EQ(rig->c->followUp.load(), 0);
  EXPECT_TRUE(rig->Idle());
}

TEST_F(Dispatch, RecordFieldsWritten) {
  Start(0x66);
  struct {
    uint32_t code;
    int32_t CameraRecord::*field;
    int32_t value;
  } rows[] = {
      {REQ_EFFECT_BW, &CameraRecord::pictureEffect, 4},   {REQ_EFFECT_NEGATIVE, &CameraRecord::pictureEffect, 2},
      {REQ_EFFECT_NORMAL, &CameraRecord::pictureEffect, 0}, {REQ_GAMMA_NORMAL, &CameraRecord::gamma, 0},
      {REQ_GAMMA_TYPE1, &CameraRecord::gamma, 1},         {REQ_GAMMA_TYPE2, &CameraRecord::gamma, 2},
      {REQ_WB_COLD, &CameraRecord::wbMode, 1},            {REQ_WB_WARM, &CameraRecord::wbMode, 2},
      {REQ_WB_LED, &CameraRecord::wbMode, 6},             {REQ_WB_AUTO, &CameraRecord::wbMode, 0},
      {REQ_WB_MANUAL, &CameraRecord::wbMode, 5},          {REQ_WB_ONE_PUSH, &CameraRecord::wbMode, 3},
      {REQ_WB_ONE_PUSH_TRIGGER, &CameraRecord::wbMode, 3}, {REQ_VIDEO_PAL, &CameraRecord::videoOutReg, 0},
      {REQ_VIDEO_1080P_25, &CameraRecord::videoOutReg, 0},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.code);
    R().*row.field = 99;
    Take(row.code, 0);
    EXPECT_EQ(R().*row.field, row.value);
    Finish();
  }

  R().pictureFlip = 3;
  Take(REQ_ROTATE_TOGGLE, 0);
  EXPECT_EQ(R().pictureFlip, 2);
  Finish();
  R().pictureFlip = 2;
  Take(REQ_ROTATE_TOGGLE, 0);
  EXPECT_EQ(R().pictureFlip, 3);
  Finish();

  Take(REQ_ZOOM_DIRECT, 145);
  EXPECT_EQ(R().zoomRequest, 15055);
  Finish();

  Take(REQ_NIR_VISION, 1);
  EXPECT_EQ(R().icrMode, 1);
  EXPECT_EQ(R().icrRequest, 1);
  Finish();

  reinitOnNack = 0;
  Take(REQ_POWER, 1);
  EXPECT_EQ(R().powerRequest, 1);
  EXPECT_EQ(R().powerSwitch, 1);
  EXPECT_EQ(reinitOnNack.load(), 1);
  Finish();
  reinitOnNack = 0;

  Take(REQ_FREEZE, 1);
  EXPECT_EQ(R().freezeOn, 1);
  Finish();
  Take(REQ_FREEZE, 0);
  EXPECT_EQ(R().freezeOn, 0);
  Finish();

  R().aeMode = 3;
  R().shutterPos = 0;
  Take(REQ_EXPOSURE_LEVEL, 4);
  EXPECT_EQ(R().shutterRequest, 11);
  Finish();

  R().aeMode = 13;
  R().brightPos = 5;
  Take(REQ_EXPOSURE_LEVEL, 9);
  EXPECT_EQ(R().brightRequest, 9);
  Finish();

  R().aeMode = 3;
  R().irisPos = 5;
  Take(REQ_IRIS_DIRECT, 12);
  EXPECT_EQ(R().irisRequest, 12);
  Finish();

  R().aeMode = 0;
  R().expCompPos = 7;
  Take(REQ_EXP_COMP_DIRECT, 3);
  EXPECT_EQ(R().expCompRequest, 3);
  Finish();

  R().aperture = 0;
  Take(REQ_SHARPNESS_DIRECT, 6);
  EXPECT_EQ(R().apertureRequest, 6);
  Finish();
}

TEST_F(Dispatch, FocusRequestsFollowAutoFocus) {
  Start(0x67);
  R().focusAuto = 1;
  R().focusRequest = 1234;
  rig->ClearReceived();
  Take(REQ_FOCUS_DIRECT, 50);
  EXPECT_EQ(R().focusRequest, 1234);
  EXPECT_TRUE(rig->Idle());

  // Auto focus: the slider is first put where the camera reports the focus.
  R().focusPos = 0x1000 + 0xD500;
  Take(REQ_FOCUS_AUTO, 0);
  EXPECT_EQ(Text(Panel(), IDC_FOCUS_VALUE), "100");
  EXPECT_EQ(Pos(Panel(), IDC_FOCUS_SLIDER), 99);
  EXPECT_EQ(R().focusAuto, 0);
  EXPECT_EQ(R().focusAutoRequest, 0);
  Finish();

  R().focusAuto = 0;
  R().focusPos = 0x1000;
  Take(REQ_FOCUS_DIRECT, 50);
  EXPECT_EQ(R().focusRequest, 0x7B93);
  Finish();
}

TEST_F(Dispatch, ExposureAutoShowsLevelAndBrightness) {
  Start(0x5F);
  // Coming from Manual mode, where the level slider was the iris (5..17).
  SendDlgItemMessageA(Panel(), IDC_LEVEL_SLIDER, TBM_SETRANGE, 1, MAKELONG(5, 17));
  R().expCompPos = 2;
  R().brightPos = 20;
  Take(REQ_AE_AUTO, 1);
  EXPECT_EQ(R().aeMode, 0);
  EXPECT_EQ(R().aeModeRequest, 0);
  EXPECT_EQ(Min(Panel(), IDC_LEVEL_SLIDER), 0);
  EXPECT_EQ(Max(Panel(), IDC_LEVEL_SLIDER), 14);
  EXPECT_EQ(Pos(Panel(), IDC_LEVEL_SLIDER), 2);
  EXPECT_EQ(Text(Panel(), IDC_LEVEL_VALUE), "-5");
  EXPECT_EQ(Text(Panel(), IDC_BRIGHT_LABEL), "Brightness");
  EXPECT_FALSE(Enabled(Panel(), IDC_BRIGHT_LABEL));
  EXPECT_EQ(Text(Panel(), IDC_LEVEL_LABEL), "Exp. Level");
  EXPECT_TRUE(Enabled(Panel(), IDC_LEVEL_LABEL));
  EXPECT_EQ(Min(Panel(), IDC_BRIGHT_SLIDER), 5);
  EXPECT_EQ(Max(Panel(), IDC_BRIGHT_SLIDER), 23);
  EXPECT_EQ(Pos(Panel(), IDC_BRIGHT_SLIDER), 20);
  EXPECT_EQ(Text(Panel(), IDC_BRIGHT_VALUE), "15");
  Finish();

  Take(REQ_AE_AUTO, 0);
  EXPECT_EQ(R().aeMode, 13);
  EXPECT_EQ(R().aeModeRequest, 13);
  EXPECT_TRUE(Enabled(Panel(), IDC_BRIGHT_LABEL));
  EXPECT_FALSE(Enabled(Panel(), IDC_LEVEL_LABEL));
  EXPECT_EQ(Text(Panel(), IDC_LEVEL_LABEL), "Exp. Level");
  Finish();
}

TEST_F(Dispatch, ExposureAutoOffOnModel40IsBrightModeInTheRecord) {
  Start(0x40);
  rig->ClearReceived();
  Take(REQ_AE_AUTO, 0);
  EXPECT_EQ(R().aeMode, 13);
  Finish();
  ASSERT_FALSE(rig->ReceivedCommands(0).empty());
  EXPECT_EQ(rig->ReceivedCommands(0)[0], Packet(1, {0x01, 0x04, 0x39, 0x03}));
}

// Model 0x40's brightness goes out as two commands. Their four replies must
// neither be taken for the read-back's answer nor, with the next request right
// behind and a power request's re-initialisation armed, restart initialisation.
TEST(Model40Brightness, BackToBackCommandsKeepTheRepliesInStep) {
  EngineRig rig({0x40}, WORKER_MANUAL);
  ASSERT_TRUE(rig.Initialise());
  ASSERT_TRUE(rig.Request(REQ_AE_AUTO, 0));
  reinitOnNack = 1;
  rig.ClearReceived();
  HWND status = GetDlgItem(rig.panel, IDC_STATUS);
  size_t textsBefore = FakeTextHistory(status).size();
  rig.Post(0, REQ_EXPOSURE_LEVEL, 18);
  rig.Post(0, REQ_EXPOSURE_LEVEL, 10);
  ASSERT_TRUE(rig.RunUntil([&] { return rig.ReceivedCommands(0).size() == 4 && rig.Idle(); }, 5000));
  rig.RunUntil([] { return false; }, 50);
  EXPECT_EQ(Hex(rig.ReceivedCommands(0)), Hex({Packet(1, {0x01, 0x04, 0x4B, 0x00, 0x00, 0x01, 0x01}),
                                               Packet(1, {0x01, 0x04, 0x4C, 0x00, 0x00, 0x00, 0x02}),
                                               Packet(1, {0x01, 0x04, 0x4C, 0x00, 0x00, 0x00, 0x01}),
                                               Packet(1, {0x01, 0x04, 0x4B, 0x00, 0x00, 0x00, 0x0A})}));
  std::vector<std::string> texts = FakeTextHistory(status);
  texts.erase(texts.begin(), texts.begin() + static_cast<long>(textsBefore));
  EXPECT_TRUE(texts.empty()) << texts.front();
  EXPECT_EQ(R0(rig).brightPos, 10) << "gain 1, so the brightness is the iris position";
  EXPECT_TRUE(rig.Idle());
}

TEST_F(Dispatch, ExposureManualShowsShutterAndIris) {
  Start(0x4B);
  R().irisPos = 11;
  R().shutterPos = 10;
  Take(REQ_AE_MANUAL, 0);
  EXPECT_EQ(R().aeMode, 3);
  EXPECT_EQ(R().aeModeRequest, 3);
  EXPECT_EQ(Text(Panel(), IDC_BRIGHT_LABEL), "Exposure");
  EXPECT_TRUE(Enabled(Panel(), IDC_BRIGHT_LABEL));
  EXPECT_EQ(Text(Panel(), IDC_LEVEL_LABEL), "Iris Level");
  EXPECT_TRUE(Enabled(Panel(), IDC_LEVEL_LABEL));
  EXPECT_EQ(Min(Panel(), IDC_LEVEL_SLIDER), 5);
  EXPECT_EQ(Max(Panel(), IDC_LEVEL_SLIDER), 17);
  EXPECT_EQ(Pos(Panel(), IDC_LEVEL_SLIDER), 11);
  EXPECT_EQ(FakeTicFreq(GetDlgItem(Panel(), IDC_LEVEL_SLIDER)), 1);
  EXPECT_EQ(Text(Panel(), IDC_LEVEL_VALUE), "F 4.8");
  EXPECT_EQ(Min(Panel(), IDC_BRIGHT_SLIDER), 0);
  EXPECT_EQ(Max(Panel(), IDC_BRIGHT_SLIDER), 12);
  EXPECT_EQ(Pos(Panel(), IDC_BRIGHT_SLIDER), 5);
  EXPECT_EQ(FakeTicFreq(GetDlgItem(Panel(), IDC_BRIGHT_SLIDER)), 1);
  EXPECT_EQ(Text(Panel(), IDC_BRIGHT_VALUE), "1/150s");
  Finish();
}

TEST_F(Dispatch, ReportedIrisAndShutterOffTheirTablesShowPlaceholders) {
  Start(0x4B);
  struct {
    int32_t iris, shutter;
    int irisSlider, shutterSlider;
  } rows[] = {{0x20, 0x20, 17, 0}, {18, 16, 17, 0}, {4, 2, 5, 12}, {0, 0, 5, 12}, {0xFFFF, 0xFFFF, 17, 0}};
  for (const auto& row : rows) {
    SCOPED_TRACE(testing::Message() << row.iris << "/" << row.shutter);
    R().irisPos = row.iris;
    R().shutterPos = row.shutter;
    Take(REQ_AE_MANUAL, 0);
    EXPECT_EQ(Text(Panel(), IDC_LEVEL_VALUE), "F --");
    EXPECT_EQ(Pos(Panel(), IDC_LEVEL_SLIDER), row.irisSlider);
    EXPECT_EQ(Text(Panel(), IDC_BRIGHT_VALUE), "1/--s");
    EXPECT_EQ(Pos(Panel(), IDC_BRIGHT_SLIDER), row.shutterSlider);
    Finish();
  }
}

TEST_F(Dispatch, LedGainsGoToTheSetupDialog) {
  Start(0x5C);
  R().rGain = 1;
  Take(REQ_R_GAIN_LED, 0);
  EXPECT_EQ(R().rGain, 205);
  EXPECT_EQ(R().rGainRequest, 205);
  EXPECT_EQ(Text(rig->setup, IDC_R_GAIN_VALUE), "205");
  EXPECT_EQ(Pos(rig->setup, IDC_R_GAIN_SLIDER), 205);
  Finish();
  Take(REQ_B_GAIN_LED, 0);
  EXPECT_EQ(R().bGain, 168);
  EXPECT_EQ(R().bGainRequest, 168);
  EXPECT_EQ(Text(rig->setup, IDC_B_GAIN_VALUE), "168");
  EXPECT_EQ(Pos(rig->setup, IDC_B_GAIN_SLIDER), 168);
  Finish();

  // Direct gains compare with the reported value.
  R().rGain = 0x40;
  Take(REQ_R_GAIN_DIRECT, 0x40);
  EXPECT_EQ(R().rGainRequest, 0x40);
  EXPECT_TRUE(rig->Idle());
  R().bGain = 0x41;
  Take(REQ_B_GAIN_DIRECT, 0x41);
  EXPECT_EQ(R().bGainRequest, 0x41);
  EXPECT_TRUE(rig->Idle());
}

TEST_F(Dispatch, PresetSaveReadsTheSetupPresetButtons) {
  Start(0x67);
  auto lastCommand = [this] { return rig->ReceivedCommands(0).back(); };
  rig->Check(IDC_SETUP_PRESET_3, true);
  Take(REQ_PRESET_SAVE, 0);
  EXPECT_EQ(rig->c->mode.load(), 15);
  Finish();
  EXPECT_EQ(lastCommand(), Packet(1, {0x01, 0x04, 0x3F, 0x01, 0x03}));

  // The first checked button wins.
  rig->Check(IDC_SETUP_PRESET_5, true);
  Take(REQ_PRESET_SAVE, 0);
  Finish();
  EXPECT_EQ(lastCommand(), Packet(1, {0x01, 0x04, 0x3F, 0x01, 0x03}));

  rig->Check(IDC_SETUP_PRESET_3, false);
  Take(REQ_PRESET_SAVE, 0);
  Finish();
  EXPECT_EQ(lastCommand(), Packet(1, {0x01, 0x04, 0x3F, 0x01, 0x05}));

  rig->Check(IDC_SETUP_PRESET_5, false);
  Take(REQ_PRESET_SAVE, 0);
  Finish();
  EXPECT_EQ(lastCommand(), Packet(1, {0x01, 0x04, 0x3F, 0x01, 0x7F}));

  // A Setup dialog that was never opened has no checked button.
  hSetupDlg = nullptr;
  Take(REQ_PRESET_SAVE, 0);
  Finish();
  EXPECT_EQ(lastCommand(), Packet(1, {0x01, 0x04, 0x3F, 0x01, 0x7F}));
}

TEST_F(Dispatch, SaveAndCloseClosesTheSetupDialog) {
  Start(0x67);
  Take(REQ_SAVE_AND_CLOSE, 0);
  EXPECT_EQ(rig->c->mode.load(), 15);
  std::vector<FakePosted> posted = FakePostedMessages();
  ASSERT_EQ(posted.size(), 1u);
  EXPECT_EQ(posted[0].wnd, rig->setup);
  EXPECT_EQ(posted[0].msg, static_cast<UINT>(WM_CLOSE));
  Finish();
  EXPECT_EQ(rig->ReceivedCommands(0).back(), Packet(1, {0x01, 0x04, 0x3F, 0x01, 0x7F}));

  // Without a dialog the preset is still stored; nothing is posted.
  hSetupDlg = nullptr;
  Take(REQ_SAVE_AND_CLOSE, 0);
  Finish();
  EXPECT_EQ(FakePostedMessages().size(), 1u);
  EXPECT_EQ(rig->ReceivedCommands(0).back(), Packet(1, {0x01, 0x04, 0x3F, 0x01, 0x7F}));
}

// Requests put while discovery and initialisation run, or while another
// request's transaction is in flight, wait and then go out in order.
TEST(DispatchOrder, RequestsPostedDuringDiscoveryFollowInOrder) {
  EngineRig rig({0x4B}, WORKER_THREAD);
  ASSERT_NE(rig.c, nullptr);
  rig.Post(0, REQ_EFFECT_NEGATIVE, 0);
  rig.Post(0, REQ_GAMMA_TYPE2, 0);
  rig.Post(0, REQ_FREEZE, 1);
  ASSERT_TRUE(rig.RunUntil([&] { return rig.c->listReady.load() == 1; }, 10000));
  const Bytes freezeOn = Packet(1, {0x01, 0x04, 0x62, 0x02});
  ASSERT_TRUE(rig.RunUntil([&] { return rig.ReceivedCommands(0).back() == freezeOn; }, 5000));
  ASSERT_TRUE(rig.RunUntil([&] { return rig.Idle(); }, 5000));

  std::vector<Bytes> all = rig.Received(0);
  // The last inquiry of initialisation is the freeze inquiry.
  size_t initEnd = 0;
  for (size_t i = 0; i < all.size(); i++)
    if (all[i] == Packet(1, {0x09, 0x04, 0x62})) {
      initEnd = i;
      break;
    }
  ASSERT_GT(initEnd, 0u);
  std::vector<Bytes> after;
  for (size_t i = initEnd + 1; i < all.size(); i++)
    if (all[i][1] == 0x01) after.push_back(all[i]);
  EXPECT_EQ(Hex(after), Hex({Packet(1, {0x01, 0x04, 0x63, 0x02}), Packet(1, {0x01, 0x04, 0x5B, 0x02}),
                             Packet(1, {0x01, 0x04, 0x62, 0x02})}));
}

TEST(DispatchOrder, RequestsPostedDuringATransactionWaitForIt) {
  EngineRig rig({0x67}, WORKER_THREAD);
  ASSERT_TRUE(rig.Initialise());
  rig.ClearReceived();
  rig.Post(0, REQ_ZOOM_DIRECT, 100);
  ASSERT_TRUE(rig.RunUntil([&] { return !rig.Idle(); }, 2000));
  rig.Post(0, REQ_SHARPNESS_DIRECT, 4);
  rig.Post(0, REQ_ZOOM_DIRECT, 0);
  ASSERT_TRUE(rig.RunUntil([&] { return rig.ReceivedCommands(0).size() >= 3 && rig.Idle(); }, 5000));
  rig.RunUntil([] { return false; }, 50);

  // Each command follows the read-back of the one before it.
  std::vector<Bytes> expected = {
      Packet(1, {0x01, 0x04, 0x47, 0x03, 0x05, 0x0D, 0x07}), Packet(1, {0x09, 0x04, 0x47}),
      Packet(1, {0x01, 0x04, 0x42, 0x00, 0x00, 0x00, 0x04}), Packet(1, {0x09, 0x04, 0x42}),
      Packet(1, {0x01, 0x04, 0x47, 0x00, 0x00, 0x00, 0x00}), Packet(1, {0x09, 0x04, 0x47})};
  EXPECT_EQ(Hex(rig.Received(0)), Hex(expected));
}

// The road of one request: put into requestQueue, through the worker to the
// camera, the focus moves, the read-back asks again while it moves, and the
// final position reaches notifyQueue. Switching auto focus on completes at
// once while the lens travels to the scene's focus.
TEST(RequestRoad, FocusMoveIsFollowedUntilItStops) {
  SimTiming timing = SimFastTiming();
  timing.focusSweepMs = 600;
  EngineRig rig({0x67}, WORKER_THREAD, timing);
  ASSERT_TRUE(rig.Initialise());
  // Manual focus at the near end, far from where auto focus will settle.
  rig.Post(0, REQ_FOCUS_AUTO, 0);
  rig.Post(0, REQ_FOCUS_DIRECT, 99);
  const Bytes farEnd = Packet(1, {0x01, 0x04, 0x48, 0x0E, 0x05, 0x00, 0x00});
  ASSERT_TRUE(rig.RunUntil([&] { return rig.ReceivedCommands(0).back() == farEnd; }, 3000));
  ASSERT_TRUE(rig.RunUntil([&] { return rig.Idle(); }, 3000));
  rig.TakeNotifications();
  rig.ClearReceived();
  uint16_t scene = 0;
  rig.peer.WithLine([&](SimLine& l) { scene = l.State(0).sceneFocus; });
  ASSERT_NE(rig.Record(0).focusPos, scene);

  rig.Post(0, REQ_FOCUS_AUTO, 1);
  ASSERT_TRUE(rig.RunUntil([&] { return !rig.ReceivedCommands(0).empty(); }, 2000));
  ASSERT_TRUE(rig.RunUntil([&] { return rig.Idle(); }, 3000));

  EXPECT_EQ(Hex(rig.ReceivedCommands(0)), Hex({Packet(1, {0x01, 0x04, 0x38, 0x02})}));
  std::vector<Bytes> asks = rig.ReceivedInquiries(0);
  EXPECT_GE(asks.size(), 3u);
  for (const Bytes& q : asks) EXPECT_EQ(q, Packet(1, {0x09, 0x04, 0x48}));

  std::vector<QueueMessage> notes = rig.TakeNotifications();
  ASSERT_EQ(notes.size(), asks.size());
  std::vector<uint32_t> values;
  for (const QueueMessage& m : notes) {
    EXPECT_EQ(m.cameraIndex, 0u);
    EXPECT_EQ(m.code, 4u);
    values.push_back(m.a);
  }
  // Positions on the way, then where the lens stopped.
  EXPECT_NE(values.front(), scene);
  EXPECT_EQ(values.back(), scene);
  EXPECT_EQ(rig.Record(0).focusPos, scene);
  EXPECT_EQ(rig.Record(0).focusAuto, 1);
}

}  // namespace
