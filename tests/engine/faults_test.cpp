// Replies that go wrong: error packets, missing acknowledges, time-outs, late,
// bunched, misplaced and malformed replies.
#include "engine_rig.h"

namespace {

const Bytes kAck = {0x90, 0x41, 0xFF};
const Bytes kDone = {0x90, 0x51, 0xFF};
const Bytes kVersion45 = {0x90, 0x50, 0x00, 0x20, 0x04, 0x45, 0x01, 0x00, 0x02, 0xFF};

// A line whose replies the test writes itself.
struct Scripted {
  Scripted() {
    rig.Attach(1, &com1);
    rig.Start();
  }

  // Discovery of `cameras` cameras on COM1, up to the first one's version inquiry.
  void Discover(int cameras = 1) {
    ASSERT_TRUE(rig.RunUntil([&] { return rig.c->stage.load() == STAGE_ECHO; }, 200));
    com1.Inject({0x88, 0x30, static_cast<uint8_t>(cameras + 1), 0xFF});
    ASSERT_TRUE(rig.RunUntil([&] { return rig.c->mode.load() == MODE_NEXT_PORT; }, 10));
    com1.Inject({0x88, 0x01, 0x00, 0x01, 0xFF});
    ASSERT_TRUE(rig.RunUntil([&] { return rig.c->mode.load() == 70; }, 10));
  }

  // Injects a reply and steps until the engine has moved on.
  void Reply(const Bytes& bytes) {
    int32_t mode = rig.c->mode.load();
    int32_t stage = rig.c->stage.load();
    com1.Inject(bytes);
    ASSERT_TRUE(rig.RunUntil([&] { return rig.c->mode.load() != mode || rig.c->stage.load() != stage; }, 10))
        << "no reaction to " << Hex(bytes);
  }

  // Version and last preset 0, up to the power-on command (transaction 63).
  void AnswerHead() {
    Reply(kVersion45);
    Reply({0x90, 0x50, 0x00, 0xFF});
    ASSERT_EQ(rig.c->mode.load(), 63);
  }

  WirePeer com1;
  EngineRig rig;
};

TEST(Faults, ErrorDuringInitialisationStopsTheChain) {
  Scripted s;
  s.Discover(2);
  s.AnswerHead();
  s.Reply({0x90, 0x60, 0x02, 0xFF});
  s.rig.Run(2000);
  Lines texts = s.rig.StatusTexts();
  EXPECT_EQ(texts.back(), "Err Answer 60, COM1, Cam:1 p.Mode:63");
  EXPECT_EQ(std::count(texts.begin(), texts.end(), "Initializing camera 2..."), 0);
  EXPECT_EQ(s.rig.c->mode.load() | s.rig.c->stage.load() | s.rig.c->listReady.load(), 0);
  EXPECT_TRUE(s.rig.ListItems().empty());
  EXPECT_EQ(s.com1.Hexes().back(), "81 01 04 00 02 FF");
}

TEST(Faults, ErrorCode41IsTakenAsTheAwaitedAnswer) {
  Scripted s;
  s.Discover();
  s.Reply({0x90, 0x60, 0x41, 0xFF});
  EXPECT_EQ(s.rig.StatusTexts().back(), "Err Answer 60, COM1, Cam:1 p.Mode:70");
  EXPECT_EQ(s.rig.c->mode.load(), 71);
  EXPECT_EQ(s.rig.c->cameras[0].modelCode, 0);  // byte 5 lies behind the packet
  EXPECT_EQ(s.com1.Hexes().back(), "81 09 04 3F FF");
}

TEST(Faults, NonAcknowledgeRestartsInitialisationWhileReinitOnNack) {
  Scripted s;
  s.Discover();
  s.AnswerHead();
  s.Reply({0x90, 0x60, 0x41, 0xFF});
  ASSERT_TRUE(s.rig.RunUntil([&] { return s.rig.c->mode.load() == 70; }, 5));
  Lines texts = s.rig.StatusTexts();
  EXPECT_EQ(Lines(texts.end() - 3, texts.end()),
            (Lines{"Err Answer 60, COM1, Cam:1 p.Mode:63", "Found 1 camera", "Initializing camera 1..."}));
  EXPECT_EQ(s.com1.Hexes().back(), "81 09 00 02 FF");
  EXPECT_EQ(s.rig.c->cameraCount.load(), 1);  // records found earlier stay
}

TEST(Faults, NonAcknowledgeAndNonCompletionAreReportedWhileWaiting) {
  Scripted s;
  s.Discover();
  s.AnswerHead();
  reinitOnNack = 0;
  const struct {
    Bytes reply;
    const char* text;
    int32_t stage;
  } steps[] = {{{0x90, 0x52, 0xFF}, "No ACK-c (52)", STAGE_ACK},
               {{0xFF}, "No ACK-c (00)", STAGE_ACK},
               {kAck, "No ACK-c (00)", STAGE_COMPLETION},
               {{0x90, 0x42, 0xFF}, "No Complete (42)", STAGE_COMPLETION}};
  for (const auto& step : steps) {
    s.com1.Inject(step.reply);
    s.rig.Run(3);
    EXPECT_EQ(s.rig.StatusTexts().back(), step.text) << Hex(step.reply);
    EXPECT_EQ(s.rig.c->mode.load(), 63) << Hex(step.reply);
    EXPECT_EQ(s.rig.c->stage.load(), step.stage) << Hex(step.reply);
  }
  s.Reply(kDone);
  EXPECT_EQ(s.rig.c->mode.load(), 10);
}

// Every transaction ends once its time-out has passed, however late the step
// that checks it; a reply arriving after that is read and dropped.
TEST(Faults, TimeOutsEndTheTransactionAndLateRepliesAreDropped) {
  const struct {
    int progress;  // 0: version inquiry, 1: recall command completed, 2: power-on acknowledged
    int32_t timeoutMs;
    uint32_t lateStep;  // first step after the send too late for a step to be checked normally
  } cases[] = {{0, 200, 0}, {1, 400, 0}, {2, 10000, 0}, {0, 200, 6000}};
  for (const auto& tc : cases) {
    SCOPED_TRACE(testing::Message() << tc.progress << "/" << tc.lateStep);
    Scripted s;
    s.Discover();
    if (tc.progress > 0) s.AnswerHead();
    if (tc.progress > 0) s.Reply(kAck);
    if (tc.progress == 1) s.Reply(kDone);
    ASSERT_EQ(s.rig.c->timeoutMs.load(), tc.timeoutMs);
    int32_t mode = s.rig.c->mode.load();
    uint32_t sent = s.rig.c->sendTick.load();
    if (tc.lateStep) {
      s.rig.Jump(tc.lateStep);
    } else {
      s.rig.Jump(sent + tc.timeoutMs - 1 - VirtualTick());
      s.rig.Step();
      EXPECT_EQ(s.rig.c->mode.load(), mode);
      EXPECT_NE(s.rig.c->stage.load(), 0);
    }
    s.rig.Step();
    ASSERT_EQ(s.rig.c->mode.load() | s.rig.c->stage.load(), 0);

    size_t frames = s.com1.Frames().size();
    size_t texts = s.rig.StatusTexts().size();
    s.com1.Inject(kVersion45);
    s.com1.Inject(kDone);
    s.rig.Run(5);
    EXPECT_EQ(s.rig.c->mode.load(), 0);
    EXPECT_EQ(s.com1.Frames().size(), frames);
    EXPECT_EQ(s.rig.StatusTexts().size(), texts);
  }
}

TEST(Faults, TwoPacketsInOneStepAreHandledInOrder) {
  Scripted s;
  s.Discover();
  s.AnswerHead();
  s.com1.Inject({0x90, 0x41, 0xFF, 0x90, 0x51, 0xFF});
  s.rig.Step();
  EXPECT_EQ(s.rig.c->mode.load(), 10);
  EXPECT_EQ(s.rig.c->stage.load(), STAGE_ACK);
  EXPECT_EQ(s.com1.Hexes().back(), "81 01 04 3F 02 01 FF");
}

// An oversized packet is skipped and the next one, of the largest size the
// buffer holds, handled in the same step; short answers read 0 behind their end.
TEST(Faults, ReadsStayInsideThePacketBuffer) {
  Scripted s;
  s.Discover();
  Bytes packets(81, 0x55);
  packets.back() = 0xFF;
  Bytes longest(kPacketCapacity, 0x00);
  longest[0] = 0x90;
  longest[1] = 0x50;
  longest[5] = 0x66;
  longest.back() = 0xFF;
  packets.insert(packets.end(), longest.begin(), longest.end());
  s.com1.Inject(packets);
  s.rig.Step();
  EXPECT_EQ(s.rig.c->cameras[0].modelCode, 0x66);
  EXPECT_EQ(s.rig.c->mode.load(), 71);
  s.Reply({0x90, 0xFF});
  EXPECT_EQ(s.rig.c->cameras[0].lastPreset, 0);
  EXPECT_EQ(s.rig.Checked(IDC_RECALL1), 1);
  EXPECT_EQ(s.rig.c->mode.load(), 63);
}

// Packets on a port the engine is not speaking to wait in that channel and are
// handled first when the engine turns to it.
TEST(Faults, PacketsWaitUntilTheEngineTurnsToTheirPort) {
  SimLine line1;
  line1.AddCamera(0x45);
  WirePeer com1(&line1);
  WirePeer com2;
  EngineRig rig;
  rig.Attach(1, &com1);
  rig.Attach(2, &com2);
  rig.Start();
  ASSERT_TRUE(rig.RunUntil([&] { return rig.c->port.load() == 1 && rig.c->stage.load() == STAGE_ECHO; }, 500));
  com2.Inject({0x88, 0x30, 0x02, 0xFF});
  ASSERT_TRUE(rig.RunUntil([&] { return rig.c->mode.load() == MODE_NEXT_PORT; }, 10));
  com2.Inject({0x88, 0x01, 0x00, 0x01, 0xFF});
  ASSERT_TRUE(rig.RunUntil([&] { return rig.c->mode.load() == 70 && rig.c->port.load() == 0; }, 10));

  // Camera 2's "answer" arrives while camera 1 is being initialised.
  com2.Inject({0xA0, 0x50, 0x00, 0x20, 0x04, 0x5F, 0x01, 0x00, 0x02, 0xFF});
  ASSERT_TRUE(rig.RunUntil([&] { return rig.c->camera.load() == 1 && rig.c->mode.load() == 70; }, 10000));
  EXPECT_EQ(rig.c->cameras[1].modelCode, 0);
  rig.Step();
  EXPECT_EQ(rig.c->cameras[1].modelCode, 0x5F);
  EXPECT_EQ(rig.c->mode.load(), 71);
  std::vector<WireFrame> frames = com2.Frames();
  ASSERT_EQ(frames.size(), 4u);
  EXPECT_EQ(frames[2].hex, "81 09 00 02 FF");
  EXPECT_EQ(frames[3].hex, "81 09 04 3F FF");
  EXPECT_EQ(frames[3].tick - frames[2].tick, 1u);
}

}  // namespace
