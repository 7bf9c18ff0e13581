// The worker sleeps between deadlines: on a virtual clock NextDeadline names
// the first tick a rule acts on; on the real clock the threaded worker keeps
// the reply time-out and the idle poll's spacing, and idles without waking.
#include "engine/next_deadline.h"
#include "requests/request_codes.h"
#include "tests/support/engine_rig.h"
#include "tests/support/wait_for.h"

#include <gtest/gtest.h>

#include <thread>

namespace {

// On the real clock a busy machine may hold any thread back; a bound there
// allows three times the time the rule gives, so it fails only when the rule
// is broken; the virtual-clock tests hold the exact times.
constexpr uint32_t kRealTimeSlack = 3;
constexpr uint32_t kReplyTimeoutMs = 200;
constexpr uint32_t kFocusPollGapMs = 203;

// Cameras on the real clock; every write is kept with its tick and the
// engine's sendTick at that moment.
class TimedPeer : public SerialPeer {
 public:
  struct Write {
    uint32_t tick;
    uint32_t sendTick;
    std::string hex;
  };
  explicit TimedPeer(uint8_t model) : line(SimFastTiming()), cameras(line, OsTickCount) { line.AddCamera(model); }
  void OnWrite(const uint8_t* data, int32_t length) override {
    {
      std::lock_guard<std::mutex> lk(m);
      const std::atomic<uint32_t>* sent = sendTick.load();
      writes.push_back(Write{OsTickCount(), sent ? sent->load() : 0, Hex(Bytes(data, data + length))});
    }
    cameras.OnWrite(data, length);
  }
  int ReadByte(uint8_t* byte) override { return cameras.ReadByte(byte); }
  std::vector<Write> Writes() {
    std::lock_guard<std::mutex> lk(m);
    return writes;
  }
  std::atomic<const std::atomic<uint32_t>*> sendTick{nullptr};

 private:
  SimLine line;
  SimPeer cameras;
  std::mutex m;
  std::vector<Write> writes;
};

bool Settled(CameraController* c) { return c->mode.load() == MODE_IDLE && c->port.load() == -1; }

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

// The two empty poll turns take a millisecond each, as with a step every
// millisecond: focus follows brightness 203 ms later, brightness follows
// focus 201 ms later. A second wake in the same millisecond (a frame on
// another line, a request dropped) must not use up a turn.
TEST(WorkerWait, SleepingLoopKeepsTheIdlePollAt201And203Ms) {
  for (const bool strayWakes : {false, true}) {
    SCOPED_TRACE(strayWakes ? "with a stray wake after every step" : "woken only when due");
    EngineRig rig;
    WirePeer& com1 = rig.Attach(1, {0x45}, SimFastTiming());
    rig.Start();
    ASSERT_TRUE(rig.RunToReady());
    ASSERT_TRUE(rig.Select(0));
    const size_t start = com1.Frames().size();
    for (int i = 0; i < 100 && com1.Frames().size() < start + 7; i++) {
      rig.SleepThenStep();
      if (strayWakes) rig.StepAtThisTick();
    }
    const std::vector<WireFrame> frames = com1.Frames();
    ASSERT_GE(frames.size(), start + 7);
    for (size_t i = start + 1; i < start + 7; i++) {
      const bool focus = frames[i].hex == "81 09 04 48 FF";
      EXPECT_TRUE(focus || frames[i].hex == "81 09 04 4D FF") << frames[i].hex;
      EXPECT_NE(frames[i].hex, frames[i - 1].hex) << i;
      EXPECT_EQ(frames[i].tick - frames[i - 1].tick, focus ? 203u : 201u) << i;
    }
  }
}

TEST(WorkerWait, ReplyTimeoutEndsTheTransactionAfter201MsOnRealTime) {
  EngineRig rig;
  WirePeer& com1 = rig.Attach(1);
  OsSetTickSourceForTest(nullptr);
  rig.Start(WORKER_THREAD);
  ASSERT_TRUE(WaitFor([&] { return com1.Frames().size() == 1; }));
  const uint32_t sent = rig.c->sendTick.load();
  ASSERT_TRUE(WaitFor([&] { return Settled(rig.c); }));
  // The time-out stamps sendTick with the tick it ended the port check at.
  const uint32_t ended = rig.c->sendTick.load() - sent;
  EXPECT_GE(ended, 201u);
  EXPECT_LE(ended, kRealTimeSlack * kReplyTimeoutMs);
  EXPECT_EQ(rig.StatusTexts().back(), "Found 0 cameras");
}

TEST(WorkerWait, IdlePollSpacedMoreThan200MsOnRealTime) {
  TimedPeer peer(0x45);
  EngineRig rig;
  SerialPortSetPeer(1, &peer);
  OsSetTickSourceForTest(nullptr);
  rig.Start(WORKER_THREAD);
  peer.sendTick = &rig.c->sendTick;
  ASSERT_TRUE(WaitFor([&] { return rig.c->listReady.load() == 1 && rig.c->mode.load() == MODE_IDLE; }, 20000));
  const size_t start = peer.Writes().size();
  SelectCamera(rig.c, 0);
  ASSERT_TRUE(WaitFor([&] { return peer.Writes().size() >= start + 6; }, 3000));
  const std::vector<TimedPeer::Write> writes = peer.Writes();
  for (size_t i = start; i < start + 6; i++) {
    EXPECT_EQ(writes[i].hex, (i - start) % 2 ? "81 09 04 4D FF" : "81 09 04 48 FF") << i;
    if (i == start) continue;
    EXPECT_GE(writes[i].sendTick - writes[i - 1].sendTick, 201u) << i;
    EXPECT_LE(writes[i].tick - writes[i - 1].tick, kRealTimeSlack * kFocusPollGapMs) << i;
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
  // A request still wakes it at once: posted as it has just gone back to
  // sleep, it is taken long before that sleep would end.
  const uint32_t slept = rig.c->workerSteps.load();
  ASSERT_TRUE(WaitFor([&] { return rig.c->workerSteps.load() > slept; }));
  rig.Post(0, REQ_FREEZE, 1);
  EXPECT_TRUE(WaitFor([&] { return !rig.c->requestQueue->HasMessages(); }, kMaxWorkerWaitMs / 2));
}
