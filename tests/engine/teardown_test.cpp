// Stopping the worker: the stop event, teardown in the middle of a
// transaction, and teardown while the worker waits on the panel's thread.
#include "common/control_ids.h"
#include "common/text.h"
#include "engine/link_service.h"
#include "engine_rig.h"
#include "requests/request_codes.h"

#include <gtest/gtest.h>

#include <chrono>
#include <string>

namespace {

bool Shown(HWND status, const std::string& text) {
  for (const std::string& t : FakeTextHistory(status))
    if (t == text) return true;
  return false;
}

TEST(Worker, NullParameterReturnsAtOnce) { EXPECT_EQ(CameraWorkerThread(nullptr), 0u); }

TEST(Worker, StopEventEndsTheWorkerWithResultZero) {
  WirePeer com1;
  EngineRig rig;
  rig.Attach(1, &com1);
  rig.StartThreaded();
  rig.Jump(100);
  ASSERT_TRUE(EngineRig::WaitFor([&] { return rig.c->mode.load() == MODE_PORT_CHECK; }, 5000));
  rig.c->stopEvent.Set();
  ASSERT_TRUE(rig.c->thread.Join(5000));
  EXPECT_EQ(rig.c->thread.exitCode, 0u);
}

// The virtual clock stands still, so nothing times out while the test thread
// plays the cameras at its own pace.
TEST(Teardown, WhileATransactionIsInFlight) {
  WirePeer com1;
  EngineRig rig;
  rig.Attach(1, &com1);
  rig.StartThreaded();
  rig.Jump(100);
  ASSERT_TRUE(EngineRig::WaitFor([&] { return com1.Frames().size() == 1; }, 5000));
  com1.Inject(B({0x88, 0x30, 0x02, 0xFF}));
  ASSERT_TRUE(EngineRig::WaitFor([&] { return com1.Frames().size() == 2; }, 5000));
  com1.Inject(B({0x88, 0x01, 0x00, 0x01, 0xFF}));
  ASSERT_TRUE(EngineRig::WaitFor([&] { return com1.Frames().size() == 3; }, 5000));
  EXPECT_EQ(Hex(com1.Frames()[2].bytes), "81 09 00 02 FF");
  EXPECT_EQ(rig.c->mode.load(), 70);
  EXPECT_EQ(rig.c->stage.load(), STAGE_ANSWER);
  com1.Inject(B({0x90, 0x50, 0x00, 0x20}));  // half an answer on its way
  auto begin = std::chrono::steady_clock::now();
  DestroyCameraController(rig.c);
  rig.c = nullptr;
  EXPECT_LT(std::chrono::steady_clock::now() - begin, std::chrono::seconds(5));
}

TEST(Teardown, WhileTheWorkerWaitsOnThePanel) {
  WirePeer com1;
  EngineRig rig;
  rig.Attach(1, &com1);
  // From here the test thread owns the windows: the worker's control updates
  // wait until this thread serves them, as with a cross-thread SendMessage.
  FakeBecomeOwner();
  rig.StartThreaded();
  rig.Jump(100);
  ASSERT_TRUE(EngineRig::WaitFor([] { return FakePendingSentCount() > 0; }, 5000));
  EXPECT_FALSE(Shown(rig.status, "Checking COM1..."));
  auto begin = std::chrono::steady_clock::now();
  DestroyCameraController(rig.c);
  rig.c = nullptr;
  EXPECT_LT(std::chrono::steady_clock::now() - begin, std::chrono::seconds(5));
  EXPECT_EQ(FakePendingSentCount(), 0);
  EXPECT_TRUE(Shown(rig.status, "Checking COM1..."));
  FakeReleaseOwner();
}

TEST(Teardown, WhileThePanelRefreshOfARereadingWaits) {
  SimLine line;
  line.AddCamera(0x45);
  WirePeer com1(&line);
  EngineRig rig;
  rig.Attach(1, &com1);
  rig.Start();
  ASSERT_TRUE(rig.RunToReady());
  rig.Select(0);
  rig.Run(5);
  ASSERT_TRUE(rig.RunUntil([&] { return rig.c->mode.load() == 0; }, 50));
  // Hand the controller to a real worker thread now that discovery is done.
  SetPanelRefreshHandler([](CameraController*, int32_t) { SetDlgItemTextA(hPage[0], IDC_STATUS, "refreshed"); });
  FakeBecomeOwner();
  CameraController* c = rig.c;
  ASSERT_TRUE(c->thread.Start(
      [](void* p) -> uint32_t {
        CameraController* controller = static_cast<CameraController*>(p);
        int32_t poll = 0;
        while (controller->stopEvent.Wait(1) != 0) WorkerStep(controller, &poll);
        return 0;
      },
      c));
  c->requestQueue->Put(0, REQ_PRESET_RECALL_3, 0, 0);
  auto tick = [] {
    SetVirtualTick(VirtualTick() + 1);
    return FakePendingSentCount() > 0;
  };
  ASSERT_TRUE(EngineRig::WaitFor(tick, 5000));
  DestroyCameraController(rig.c);
  rig.c = nullptr;
  EXPECT_TRUE(Shown(rig.status, "refreshed"));
  FakeReleaseOwner();
}

}  // namespace
