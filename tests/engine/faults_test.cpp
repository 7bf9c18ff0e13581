// Replies that go wrong: error packets, missing acknowledges, time-outs, late,
// bunched, misplaced and malformed replies.
#include "engine/transmission.h"
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

// An error reply during initialisation stops the chain; a first reply that is
// no acknowledge starts initialisation again while reinitOnNack is 1.
TEST(Faults, ErrorStopsInitialisationAndNonAcknowledgeRestartsIt) {
  const struct {
    uint8_t code;
    Lines lastTexts;
    const char* lastFrame;
    int32_t mode;
  } cases[] = {{0x02, {"Initializing camera 1...", "Err Answer 60, COM1, Cam:1 p.Mode:63"}, "81 01 04 00 02 FF", 0},
               {0x41,
                {"Err Answer 60, COM1, Cam:1 p.Mode:63", "Found 2 cameras", "Initializing camera 1..."},
                "81 09 00 02 FF",
                70}};
  for (const auto& tc : cases) {
    Scripted s;
    s.Discover(2);
    s.AnswerHead();
    s.Reply({0x90, 0x60, tc.code, 0xFF});
    s.rig.Run(5);
    Lines texts = s.rig.StatusTexts();
    EXPECT_EQ(Lines(texts.end() - static_cast<long>(tc.lastTexts.size()), texts.end()), tc.lastTexts);
    EXPECT_EQ(s.com1.Hexes().back(), tc.lastFrame);
    EXPECT_EQ(s.rig.c->mode.load(), tc.mode);
    EXPECT_EQ(s.rig.c->cameraCount.load(), 2);  // records found earlier stay
    EXPECT_EQ(s.rig.c->listReady.load(), 0);
    EXPECT_TRUE(s.rig.ListItems().empty());
  }
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
  const Bytes script[] = {kVersion45, {0x90, 0x50, 0x00, 0xFF}, kAck, kDone};
  const struct {
    int replies;  // of the script above: none, up to the power-on acknowledge, or its completion too
    int32_t timeoutMs;
    uint32_t lateStep;  // when not 0, the only step comes this long after the previous one
  } cases[] = {{0, 200, 0}, {3, 10000, 0}, {4, 400, 0}, {0, 200, 6000}};
  for (const auto& tc : cases) {
    SCOPED_TRACE(testing::Message() << tc.replies << "/" << tc.lateStep);
    Scripted s;
    s.Discover();
    for (int i = 0; i < tc.replies; i++) s.Reply(script[i]);
    ASSERT_EQ(s.rig.c->timeoutMs.load(), tc.timeoutMs);
    int32_t mode = s.rig.c->mode.load();
    s.rig.Jump(tc.lateStep ? tc.lateStep : s.rig.c->sendTick.load() + tc.timeoutMs - 1 - VirtualTick());
    if (!tc.lateStep) {
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

// An error with code 0x41 is decoded as the awaited answer, reading 0 behind
// its end; an oversized packet is skipped and the next one, as large as the
// buffer holds, handled in the same step; two packets in one step both count.
TEST(Faults, Error41IsAnAnswerAndPacketsAreReadInOrderInsideTheBuffer) {
  Scripted s;
  s.Discover();
  s.Reply({0x90, 0x60, 0x41, 0xFF});
  EXPECT_EQ(s.rig.StatusTexts().back(), "Err Answer 60, COM1, Cam:1 p.Mode:70");
  EXPECT_EQ(s.rig.c->cameras[0].modelCode, 0);
  EXPECT_EQ(s.rig.c->mode.load(), 71);
  Bytes packets(81, 0x55);
  packets.back() = 0xFF;
  packets.resize(81 + kPacketCapacity, 0x00);
  packets[81] = 0x90;
  packets[82] = 0x50;
  packets[83] = 0x03;
  packets.back() = 0xFF;
  s.com1.Inject(packets);
  s.rig.Step();
  EXPECT_EQ(s.rig.c->cameras[0].lastPreset, 3);
  EXPECT_EQ(s.rig.Checked(IDC_RECALL3), 1);
  EXPECT_EQ(s.rig.c->mode.load(), 63);
  s.com1.Inject({0x90, 0x41, 0xFF, 0x90, 0x51, 0xFF});
  s.rig.Step();
  EXPECT_EQ(s.rig.c->mode.load(), 10);
  EXPECT_EQ(s.rig.c->stage.load(), STAGE_ACK);
  EXPECT_EQ(s.com1.Hexes().back(), "81 01 04 3F 02 03 FF");

  // A payload over 14 bytes would not fit a packet: refused, nothing changes.
  uint32_t sent = s.rig.c->sendTick.load();
  s.rig.Jump(5);
  SendPacket(s.rig.c, 8, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, -1);
  s.com1.Settle();
  EXPECT_EQ(s.rig.c->sendTick.load(), sent);
  EXPECT_EQ(s.rig.c->stage.load(), STAGE_ACK);
  EXPECT_EQ(s.com1.Hexes().back(), "81 01 04 3F 02 03 FF");
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
