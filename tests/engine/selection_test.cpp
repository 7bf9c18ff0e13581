// Which camera the engine talks to as the selection changes.
#include "engine/conversation/engine_state.h"
#include "panel/panel_refresh.h"
#include "panel/slider_controls.h"
#include "requests/request_codes.h"
#include "tests/support/engine_rig.h"

#include <thread>

namespace {

// Cameras 1 and 2 on COM1 (0x66, then 0x4B at address 2), camera 3 on COM2 (0x5F).
struct TwoLines {
  TwoLines() : com1(rig.Attach(1, {0x66, 0x4B})), com2(rig.Attach(2, {0x5F})) { rig.Start(); }

  // Ready with camera `index` selected and the engine idle.
  bool ReadyAndSelect(int32_t index) {
    return rig.RunToReady() && rig.Select(index) && rig.RunUntil([&] { return rig.Idle(); }, 500);
  }
  static bool Has(const Lines& frames, size_t from, const std::string& hex) {
    return std::find(frames.begin() + static_cast<long>(from), frames.end(), hex) != frames.end();
  }

  EngineRig rig;
  WirePeer& com1;
  WirePeer& com2;
};

TEST(Selection, RequestGoesToTheCameraItNamesWhileTheListSelectionChanges) {
  TwoLines t;
  ASSERT_TRUE(t.ReadyAndSelect(0));
  size_t on1 = t.com1.Frames().size(), on2 = t.com2.Frames().size();

  // Focus auto updates the focus controls before it sends its command.
  t.rig.c->requestQueue->Put(0, REQ_FOCUS_AUTO, 1, 0);
  bool clicked = false;  // while the step waits on a control call
  EXPECT_TRUE(RunAsWorker([&] { t.rig.Step(); }, [] { return FakePendingSentCount() > 0; },
                          [&] { clicked = FakePendingSentCount() > 0, SelectCamera(t.rig.c, 2); }));
  EXPECT_TRUE(clicked);
  t.rig.Run(5);
  EXPECT_TRUE(TwoLines::Has(t.com1.Hexes(), on1, "81 01 04 38 02 FF"));
  EXPECT_FALSE(TwoLines::Has(t.com2.Hexes(), on2, "81 01 04 38 02 FF"));
  EXPECT_EQ(t.rig.c->camera.load(), 0) << "the selection took effect inside the transaction";

  // The read-back lands in camera 1's record; a later request for it still goes to it.
  int32_t thirdFocus = t.rig.c->cameras[2].focusPos;
  ASSERT_TRUE(t.rig.RunUntil([&] { return t.rig.c->camera.load() == 2; }, 2000));
  EXPECT_EQ(t.rig.c->cameras[0].focusPos, t.com1.State(0).picture.focusPos);
  EXPECT_EQ(t.rig.c->cameras[2].focusPos, thirdFocus);
  EXPECT_EQ(t.rig.c->line.load(), 1);
  t.rig.Post(0, REQ_ZOOM_DIRECT, 20);
  ASSERT_TRUE(t.rig.Settle());
  EXPECT_TRUE(TwoLines::Has(t.com1.Hexes(), on1, "81 01 04 47 02 00 06 03 FF"));
  on1 = t.com1.Frames().size(), on2 = t.com2.Frames().size();
  t.rig.Run(1000);
  EXPECT_EQ(t.com1.Frames().size(), on1);
  EXPECT_GE(t.com2.Frames().size(), on2 + 4);
}

// Power on for camera `index`, refused with error 41: all initialised again.
void RestartInitialisation(TwoLines& t, int32_t index) {
  t.rig.c->requestQueue->Put(static_cast<uint32_t>(index), REQ_POWER, 1, 0);
  ASSERT_TRUE(t.rig.RunUntil([&] { return t.rig.c->followUp.load() == REQ_POWER; }, 500));
  t.com1.Inject({static_cast<uint8_t>(0x90 + 0x10 * index), 0x60, 0x41, 0xFF});
  ASSERT_TRUE(t.rig.RunUntil([&] { return t.rig.c->phase.load() == PHASE_INIT_CAMERA; }, 50));
  ASSERT_TRUE(t.rig.RunUntil([&] { return t.rig.c->phase.load() == PHASE_IDLE; }, 20000));
}

// Camera 2 picked while camera 1 re-reads: the panel and a zoom step stay on camera 2.
TEST(Selection, ARereadingOfAnotherCameraLeavesTheOperatorsChoice) {
  for (uint32_t code : {uint32_t(REQ_PRESET_RECALL_3), uint32_t(REQ_WB_WARM)}) {
    SCOPED_TRACE(code);
    TwoLines t;
    t.rig.UseRefresh(RefreshPanel);
    t.com1.SetStoredPicture(0, [](SimCameraState& s) { s.picture.zoomPos = 0x4000; });
    t.com1.SetStoredPicture(1, [](SimCameraState& s) { s.picture.zoomPos = 9432; });
    auto click = [&](int index) {
      SendDlgItemMessageA(t.rig.panel, IDC_CAMERA_LIST, LB_SETCURSEL, static_cast<WPARAM>(index), 0);
      RefreshPanel(t.rig.c, index);
    };
    ASSERT_TRUE(t.rig.RunToReady());
    click(0);
    ASSERT_TRUE(t.rig.RunUntil([&] { return t.rig.Idle() && t.rig.c->cameraSelected.load() == 1; }, 500));
    t.rig.Post(0, code, 0);
    t.rig.Post(0, code, 0);
    ASSERT_TRUE(t.rig.RunUntil([&] { return t.rig.c->reinitChain == 1; }, 1000));
    click(1);
    ASSERT_TRUE(t.rig.RunUntil(
        [&] { return t.rig.Idle() && t.rig.c->reinitChain == 0 && !t.rig.c->requestQueue->HasMessages(); }, 10000));

    EXPECT_EQ(SendDlgItemMessageA(t.rig.panel, IDC_CAMERA_LIST, LB_GETCURSEL, 0, 0), 1);
    EXPECT_EQ(t.rig.StatusTexts().back(), "Camera 2 selected");
    EXPECT_EQ(FakeGetText(GetDlgItem(t.rig.panel, IDC_ZOOM_VALUE)), "x 3.0");
    t.rig.ClearReceived();
    StepSlider(REQ_ZOOM_DIRECT, kZoomStep, GetDlgItem(t.rig.panel, IDC_ZOOM_SLIDER));
    ASSERT_TRUE(t.rig.Settle());
    EXPECT_EQ(Hex(t.rig.ReceivedCommands(1)), "82 01 04 47 02 0B 0F 06 FF");
    EXPECT_TRUE(t.rig.ReceivedCommands(0).empty());
  }
}

TEST(Selection, InitialisationRunAgainReturnsToTheSelectedCameraAndKeepsTheList) {
  TwoLines t;
  ASSERT_TRUE(t.ReadyAndSelect(1));
  RestartInitialisation(t, 1);
  Lines texts = t.rig.StatusTexts();
  EXPECT_EQ(texts.back(), "3 Cameras OK, none selected");
  EXPECT_EQ(std::count(texts.begin(), texts.end(), "Initializing camera 3..."), 2);

  EXPECT_EQ(t.rig.ListItems(), (Lines{"Camera 1", "Camera 2", "Camera 3"}));
  EXPECT_TRUE(t.rig.c->camera.load() == 1 && t.rig.c->line.load() == 0);
  // The polls ask camera 2 (address 2 on COM1), not a camera on COM2.
  size_t on1 = t.com1.Frames().size(), on2 = t.com2.Frames().size();
  t.rig.Run(450);
  EXPECT_TRUE(TwoLines::Has(t.com1.Hexes(), on1, "82 09 04 48 FF"));
  EXPECT_EQ(t.com2.Frames().size(), on2);
}

// Under ThreadSanitizer: any record field shared without an atomic.
TEST(Selection, RecordsReadWhileARereadingWritesThem) {
  TwoLines t;
  ASSERT_TRUE(t.ReadyAndSelect(0));
  t.com1.SetStoredPicture(0, [](SimCameraState& s) { s.picture.zoomPos = 0x2000; });

  t.rig.c->requestQueue->Put(0, REQ_PRESET_RECALL_3, 0, 0);
  std::atomic<bool> done{false};
  std::thread worker([&] {
    t.rig.RunUntil([&] { return t.rig.c->reinitChain == 1; }, 50);
    t.rig.RunUntil([&] { return t.rig.c->reinitChain == 0 && t.rig.c->phase.load() == PHASE_IDLE; }, 5000);
    done = true;
  });
  int reads = 0;
  auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
  while (!done && std::chrono::steady_clock::now() < deadline) {
    RefreshPanel(t.rig.c, 0);
    reads++;
  }
  worker.join();
  EXPECT_GT(reads, 0);
  EXPECT_EQ(t.rig.c->cameras[0].zoomPos, 0x2000);
  EXPECT_EQ(t.rig.c->reinitChain, 0);
}

}  // namespace
