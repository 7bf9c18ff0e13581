// Teardown of a controller whose worker thread is mid-transaction, or waits on
// the panel's thread. The virtual clock stands still, so nothing times out.
#include "engine_rig.h"

namespace {

bool DestroyPromptly(EngineRig& rig) {  // within 5 s
  auto begin = std::chrono::steady_clock::now();
  DestroyCameraController(rig.c);
  rig.c = nullptr;
  return std::chrono::steady_clock::now() - begin < std::chrono::seconds(5);
}

TEST(Teardown, WhileATransactionIsInFlight) {
  WirePeer com1;
  EngineRig rig;
  rig.Attach(1, &com1);
  rig.Start(WORKER_THREAD);
  rig.Jump(100);
  ASSERT_TRUE(EngineRig::WaitFor([&] { return com1.Frames().size() == 1; }, 5000));
  com1.Inject({0x88, 0x30, 0x02, 0xFF, 0x88, 0x01, 0x00, 0x01, 0xFF});  // both echoes
  ASSERT_TRUE(EngineRig::WaitFor([&] { return com1.Frames().size() == 3; }, 5000));
  EXPECT_EQ(rig.c->mode.load(), 70);  // the version inquiry awaits its answer
  EXPECT_EQ(rig.c->stage.load(), STAGE_ANSWER);
  com1.Inject({0x90, 0x50, 0x00, 0x20});  // half an answer on its way
  EXPECT_TRUE(DestroyPromptly(rig));
}

TEST(Teardown, WhileTheWorkerWaitsOnThePanel) {
  WirePeer com1;
  EngineRig rig;
  rig.Attach(1, &com1);
  // From here the test thread owns the windows: the worker's control updates
  // wait until this thread serves them, as with a cross-thread SendMessage.
  FakeBecomeOwner();
  rig.Start(WORKER_THREAD);
  rig.Jump(100);
  ASSERT_TRUE(EngineRig::WaitFor([] { return FakePendingSentCount() > 0; }, 5000));
  EXPECT_EQ(rig.StatusTexts(), Lines{"Searching for cameras..."});
  EXPECT_TRUE(DestroyPromptly(rig));
  EXPECT_EQ(FakePendingSentCount(), 0);
  EXPECT_EQ(rig.StatusTexts(), (Lines{"Searching for cameras...", "Checking COM1..."}));
  FakeReleaseOwner();
}

}  // namespace
