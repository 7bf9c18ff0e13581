// Teardown of a controller whose worker thread is mid-transaction, or waits on
// the panel's thread. The virtual clock stands still, so nothing times out.
#include "tests/support/engine_rig.h"
#include "tests/support/wait_for.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <future>
#include <thread>

namespace {

// DestroyCameraController waits for the worker without a limit; should it hang,
// the process ends here with a message instead.
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
  ASSERT_TRUE(WaitFor([&] { return com1.Frames().size() == 1; }, 5000)) << "no address set within 5 s";
  com1.Inject({0x88, 0x30, 0x02, 0xFF, 0x88, 0x01, 0x00, 0x01, 0xFF});  // both echoes
  ASSERT_TRUE(WaitFor([&] { return com1.Frames().size() == 3; }, 5000)) << "no version inquiry within 5 s";
  EXPECT_EQ(rig.c->mode.load(), 70);  // the version inquiry awaits its answer
  EXPECT_EQ(rig.c->stage.load(), STAGE_ANSWER);
  com1.Inject({0x90, 0x50, 0x00, 0x20});  // half an answer on its way
  DestroyWithin5s(rig);
}

TEST(Teardown, WhileTheWorkerWaitsOnThePanel) {
  EngineRig rig;
  rig.Attach(1);
  // From here the test thread owns the windows: the worker's control updates
  // wait until this thread serves them, as with a cross-thread SendMessage.
  FakeBecomeOwner();
  rig.Start(WORKER_THREAD);
  rig.Jump(100);
  ASSERT_TRUE(WaitFor([] { return FakePendingSentCount() > 0; }, 5000)) << "no control update within 5 s";
  EXPECT_EQ(rig.StatusTexts(), Lines{"Searching for cameras..."});
  DestroyWithin5s(rig);
  EXPECT_EQ(FakePendingSentCount(), 0);
  EXPECT_EQ(rig.StatusTexts(), (Lines{"Searching for cameras...", "Checking COM1..."}));
  FakeReleaseOwner();
}

}  // namespace
