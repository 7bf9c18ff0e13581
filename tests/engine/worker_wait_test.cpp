// NextDeadline, and the idle poll's rhythm for a loop sleeping until it.
#include "engine/worker/next_deadline.h"
#include "requests/request_codes.h"
#include "tests/support/engine_rig.h"
#include "tests/support/wait_for.h"

#include <gtest/gtest.h>

#include <thread>

namespace {

bool Settled(CameraController* c) { return c->phase.load() == PHASE_IDLE && c->line.load() == -1; }

// A stray wake steps again in the same millisecond.
void SleepThenStep(EngineRig& rig, bool strayWake) {
  rig.SleepThenStep();
  if (strayWake) rig.StepAtThisTick();
}

}  // namespace

TEST(NextDeadline, StartupDelayReplyTimeoutThenIdleUntilARequest) {
  EngineRig rig;
  WirePeer& com1 = rig.Attach(1);  // nobody answers
  rig.Start();
  CameraController* c = rig.c;
  auto since = [c] { return OsTickCount() - c->sendTick.load(); };
  EXPECT_EQ(NextDeadline(c), 51u - since()) << "start-up waits more than 50 ms";
  rig.Jump(50 - since());
  EXPECT_EQ(NextDeadline(c), 1u);
  rig.Step();
  EXPECT_EQ(NextDeadline(c), 0u) << "the start-up steps follow at once";

  ASSERT_TRUE(rig.RunUntil([&] { return com1.Frames().size() == 1; }, 100));
  EXPECT_EQ(com1.Hexes(), Lines{"88 30 01 FF"});
  EXPECT_EQ(NextDeadline(c), 201u - since()) << "the address set's echo is awaited 200 ms";
  rig.Jump(200 - since());
  EXPECT_EQ(NextDeadline(c), 1u);
  WorkerStep(c, &rig.pollCounter);
  EXPECT_NE(c->stage.load(), STAGE_NONE) << "still awaited at 200 ms";
  rig.Run(1);
  EXPECT_EQ(c->stage.load(), STAGE_NONE) << "given up at 201 ms";
  ASSERT_TRUE(rig.RunUntil([&] { return Settled(c); }, 10));
  EXPECT_EQ(NextDeadline(c), kMaxWorkerWaitMs) << "nothing to do without cameras";
  rig.Post(0, REQ_FREEZE, 1);
  EXPECT_EQ(NextDeadline(c), 0u) << "a request waits";
}

// Nothing polled before a selection; then focus and brightness (gain on 0x40)
// alternate; a stray wake uses up no turn; a command pushes the next poll back.
TEST(IdlePoll, AfterSelectionFocusAndBrightnessAlternateAt203And201Ms) {
  const struct {
    uint8_t model;
    const char* brightInquiry;
    bool strayWakes;
  } cases[] = {{0x45, "81 09 04 4D FF", false}, {0x45, "81 09 04 4D FF", true}, {0x40, "81 09 04 4C FF", false}};
  for (const auto& k : cases) {
    SCOPED_TRACE(testing::Message() << "model " << int(k.model) << (k.strayWakes ? ", stray wakes" : ""));
    EngineRig rig;
    WirePeer& com1 = rig.Attach(1, {k.model}, SimFastTiming());
    com1.SetStoredPicture(0, [](SimCameraState& s) { s.picture.gainPos = 6; });
    rig.Start();
    ASSERT_TRUE(rig.RunToReady());
    size_t start = com1.Frames().size();
    for (const uint32_t until = VirtualTick() + 1500; VirtualTick() < until;) SleepThenStep(rig, k.strayWakes);
    EXPECT_EQ(com1.Frames().size(), start);
    EXPECT_TRUE(rig.TakeNotifications().empty());  // nor during initialisation

    ASSERT_TRUE(rig.Select(0));
    for (int i = 0; i < 100 && com1.Frames().size() < start + 7; i++) SleepThenStep(rig, k.strayWakes);
    std::vector<WireFrame> frames = com1.Frames();
    ASSERT_GE(frames.size(), start + 7);
    for (size_t i = start; i < start + 7; i++) {
      const bool focus = (i - start) % 2 == 0;
      EXPECT_EQ(frames[i].hex, focus ? "81 09 04 48 FF" : k.brightInquiry) << i;
      if (i > start) {
        EXPECT_EQ(frames[i].tick - frames[i - 1].tick, focus ? 203u : 201u) << i;
      }
    }
    // Each answer reaches the panel: focus as 4, brightness as 5.
    std::vector<QueueMessage> notes = rig.TakeNotifications();
    ASSERT_GE(notes.size(), 2u);
    EXPECT_EQ(std::make_pair(notes[0].code, notes[1].code), std::make_pair(4u, 5u));
    EXPECT_EQ(notes[1].a, static_cast<uint32_t>(rig.c->cameras[0].brightPos));

    const size_t polled = com1.Frames().size();
    rig.Post(0, REQ_FREEZE, 1);
    for (int i = 0; i < 100 && com1.Frames().size() < polled + 3; i++) SleepThenStep(rig, k.strayWakes);
    frames = com1.Frames();
    ASSERT_GE(frames.size(), polled + 3);
    EXPECT_EQ(frames[polled].hex + " " + frames[polled + 1].hex, "81 01 04 62 02 FF 81 09 04 62 FF");
    EXPECT_GE(frames[polled + 2].tick - frames[polled + 1].tick, 201u);
  }
}

// The tick coming round to the command stamp (or 0) shuts no poll or request out.
TEST(IdlePoll, TheRereadWindowStaysShutWhenTheTickComesRoundAgain) {
  constexpr uint32_t kBefore = 3000, kPutAt = 314, kSlackMs = 30;
  for (bool stamped : {false, true}) {
    SCOPED_TRACE(stamped ? "stamped 2^32 ms before" : "never stamped");
    EngineRig rig({0x45});
    WirePeer& com1 = rig.Com(1);
    ASSERT_TRUE(rig.RunToReady());
    ASSERT_TRUE(rig.Select(0));
    if (stamped) {
      rig.Post(0, REQ_FREEZE, 1);
      ASSERT_TRUE(rig.Settle());
      rig.Run(1500);
    }
    ASSERT_TRUE(rig.RunUntil([&] { return rig.Idle(); }, 1000));
    const uint32_t comesRound = stamped ? rig.c->cmdTick.load() : 0;
    rig.JumpFar(comesRound - kBefore - VirtualTick());
    const size_t start = com1.Frames().size();
    rig.Run(static_cast<int>(kBefore + kPutAt));
    rig.Post(0, REQ_FREEZE, 0);
    const std::string freeze = "81 01 04 62 03 FF";
    ASSERT_TRUE(rig.RunUntil([&] { return com1.Frames().back().hex == freeze; }, 2000));
    std::vector<WireFrame> frames = com1.Frames();
    EXPECT_LE(frames.back().tick - comesRound, kPutAt + kSlackMs) << "the request waited";
    for (size_t i = start + 1; i + 1 < frames.size(); i++)
      EXPECT_GE(frames[i].tick - frames[i - 1].tick, 201u) << frames[i].hex << " at " << frames[i].tick - comesRound;
  }
}

TEST(WorkerWait, AnIdleWorkerWithoutCamerasWakesSeldom) {
  EngineRig rig;  // no port at all
  OsSetTickSourceForTest(nullptr);
  rig.Start(WORKER_THREAD);
  ASSERT_TRUE(WaitFor([&] { return rig.c->workerSteps.load() >= 3 && Settled(rig.c); }));
  const uint32_t before = rig.c->workerSteps.load();
  std::this_thread::sleep_for(std::chrono::seconds(1));  // the idle second being counted
  EXPECT_LT(rig.c->workerSteps.load() - before, 10u);
  // A request posted as it goes back to sleep still wakes it.
  const uint32_t slept = rig.c->workerSteps.load();
  ASSERT_TRUE(WaitFor([&] { return rig.c->workerSteps.load() > slept; }));
  rig.Post(0, REQ_FREEZE, 1);
  EXPECT_TRUE(WaitFor([&] { return !rig.c->requestQueue->HasMessages(); }, kMaxWorkerWaitMs / 2));
}
