// Teardown while the worker is mid-transaction or waits on the panel's thread;
// the virtual clock stands still, so nothing times out.
#include "tests/support/engine_rig.h"
#include "tests/support/wait_for.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <future>
#include <thread>

namespace {

// Should DestroyCameraController hang, the process ends with a message instead.
void DestroyWithin5s(EngineRig& rig) {
  std::promise<void> destroyed;
  std::thread watchdog([done = destroyed.get_future()] {
    if (done.wait_for(std::chrono::seconds(5)) == std::future_status::ready) return;
    fprintf(stderr, "DestroyCameraController did not return within 5 s\n");
    std::abort();
  });
  DestroyCameraController(rig.c);
  rig.c = nullptr;
  destroyed.set_value();
  watchdog.join();
}

TEST(Teardown, WhileATransactionIsInFlight) {
  EngineRig rig;
  WirePeer& com1 = rig.Attach(1);
  rig.Start(WORKER_THREAD);
  rig.Jump(100);
  ASSERT_TRUE(WaitFor([&] { return com1.Frames().size() == 1; }, 5000)) << "no address set";
  com1.Inject({0x88, 0x30, 0x02, 0xFF, 0x88, 0x01, 0x00, 0x01, 0xFF});  // both echoes
  ASSERT_TRUE(WaitFor([&] { return com1.Frames().size() == 3; }, 5000)) << "no version inquiry";
  EXPECT_TRUE(rig.c->mode.load() == 70 && rig.c->stage.load() == STAGE_ANSWER);  // awaiting the version
  com1.Inject({0x90, 0x50, 0x00, 0x20});                                         // half an answer on its way
  DestroyWithin5s(rig);
}

TEST(Teardown, WhileTheWorkerWaitsOnThePanel) {
  EngineRig rig;
  rig.Attach(1);
  // The worker's control updates now wait for this thread, as with a cross-thread SendMessage.
  FakeBecomeOwner();
  rig.Start(WORKER_THREAD);
  rig.Jump(100);
  ASSERT_TRUE(WaitFor([] { return FakePendingSentCount() > 0; }, 5000)) << "no control update";
  EXPECT_EQ(rig.StatusTexts(), Lines{"Searching for cameras..."});
  DestroyWithin5s(rig);
  EXPECT_EQ(FakePendingSentCount(), 0);
  EXPECT_EQ(rig.StatusTexts(), (Lines{"Searching for cameras...", "Checking COM1..."}));
  FakeReleaseOwner();
}

}  // namespace
