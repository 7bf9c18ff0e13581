// Replies that go wrong: error packets, missing acknowledges, time-outs, late,
// bunched, misplaced and malformed replies.
#include "common/control_ids.h"
#include "engine/link_service.h"
#include "engine_rig.h"
#include "requests/request_codes.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using Lines = std::vector<std::string>;

const Bytes kAck = {0x90, 0x41, 0xFF};
const Bytes kDone = {0x90, 0x51, 0xFF};

bool Contains(const Lines& texts, const std::string& text) {
  for (const std::string& t : texts)
    if (t == text) return true;
  return false;
}

// A line whose replies the test writes itself.
class ScriptedLine : public ::testing::Test {
protected:
  void SetUp() override {
    rig.Attach(1, &com1);
    rig.Start();
  }

  // Discovery of `cameras` cameras on COM1, up to the version inquiry of the first.
  void Discover(int cameras = 1) {
    ASSERT_TRUE(rig.RunUntil([&] { return rig.c->stage.load() == STAGE_ECHO; }, 200));
    com1.Inject(B({0x88, 0x30, cameras + 1, 0xFF}));
    ASSERT_TRUE(rig.RunUntil([&] { return rig.c->mode.load() == MODE_NEXT_PORT; }, 10));
    com1.Inject(B({0x88, 0x01, 0x00, 0x01, 0xFF}));
    ASSERT_TRUE(rig.RunUntil([&] { return rig.c->mode.load() == 70; }, 10));
  }

  // Injects a reply and steps until the engine has moved on from `mode`.
  void Reply(const Bytes& bytes) {
    int32_t mode = rig.c->mode.load();
    int32_t stage = rig.c->stage.load();
    com1.Inject(bytes);
    ASSERT_TRUE(rig.RunUntil([&] { return rig.c->mode.load() != mode || rig.c->stage.load() != stage; }, 10))
        << "no reaction to " << Hex(bytes);
  }

  void Command() {
    Reply(kAck);
    Reply(kDone);
  }

  // Version (model 0x45) and last preset 0, to the power-on command.
  void AnswerHead() {
    Reply(B({0x90, 0x50, 0x00, 0x20, 0x04, 0x45, 0x01, 0x00, 0x02, 0xFF}));
    Reply(B({0x90, 0x50, 0x00, 0xFF}));
    ASSERT_EQ(rig.c->mode.load(), 63);
  }

  WirePeer com1;
  EngineRig rig;
};

TEST_F(ScriptedLine, ErrorDuringInitialisationStopsTheChain) {
  Discover(2);
  AnswerHead();
  Reply(B({0x90, 0x60, 0x02, 0xFF}));
  rig.Run(2000);
  Lines texts = rig.StatusTexts();
  EXPECT_EQ(texts.back(), "Err Answer 60, COM1, Cam:1 p.Mode:63");
  EXPECT_FALSE(Contains(texts, "Initializing camera 2..."));
  EXPECT_EQ(rig.c->mode.load(), 0);
  EXPECT_EQ(rig.c->stage.load(), 0);
  EXPECT_EQ(rig.c->listReady.load(), 0);
  EXPECT_TRUE(rig.ListItems().empty());
  EXPECT_EQ(Hex(com1.FrameBytes().back()), "81 01 04 00 02 FF");
}

TEST_F(ScriptedLine, NonAcknowledgeRestartsInitialisationWhileReinitOnNack) {
  Discover(1);
  AnswerHead();
  Reply(B({0x90, 0x60, 0x41, 0xFF}));
  EXPECT_EQ(rig.c->timeoutMs.load(), 10000);
  ASSERT_TRUE(rig.RunUntil([&] { return rig.c->mode.load() == 70; }, 5));
  Lines texts = rig.StatusTexts();
  Lines tail(texts.end() - 3, texts.end());
  EXPECT_EQ(tail, (Lines{"Err Answer 60, COM1, Cam:1 p.Mode:63", "Found 1 camera", "Initializing camera 1..."}));
  EXPECT_EQ(Hex(com1.FrameBytes().back()), "81 09 00 02 FF");
  EXPECT_EQ(rig.c->cameraCount.load(), 1);  // records found earlier stay
}

TEST_F(ScriptedLine, NonAcknowledgeIsReportedWhenReinitOnNackIsClear) {
  Discover(1);
  AnswerHead();
  reinitOnNack = 0;
  com1.Inject(B({0x90, 0x52, 0xFF}));
  rig.Run(3);
  EXPECT_EQ(rig.StatusTexts().back(), "No ACK-c (52)");
  EXPECT_EQ(rig.c->mode.load(), 63);
  EXPECT_EQ(rig.c->stage.load(), STAGE_ACK);
  // Still waiting: a late acknowledge and completion carry on the chain.
  Command();
  EXPECT_EQ(rig.c->mode.load(), 10);
}

TEST_F(ScriptedLine, ReplyAfterAcknowledgeThatIsNoCompletionKeepsWaiting) {
  Discover(1);
  AnswerHead();
  Reply(kAck);
  com1.Inject(B({0x90, 0x42, 0xFF}));
  rig.Run(3);
  EXPECT_EQ(rig.StatusTexts().back(), "No Complete (42)");
  EXPECT_EQ(rig.c->stage.load(), STAGE_COMPLETION);
  EXPECT_EQ(rig.c->timeoutMs.load(), 400);
  Reply(kDone);
  EXPECT_EQ(rig.c->mode.load(), 10);
}

TEST_F(ScriptedLine, ErrorCode41IsTakenAsTheAwaitedAnswer) {
  Discover(1);
  Reply(B({0x90, 0x60, 0x41, 0xFF}));
  EXPECT_EQ(rig.StatusTexts().back(), "Err Answer 60, COM1, Cam:1 p.Mode:70");
  EXPECT_EQ(rig.c->mode.load(), 71);
  // Decoded like an answer: byte 5 lies behind the packet and reads as 0.
  EXPECT_EQ(rig.c->cameras[0].modelCode, 0);
  EXPECT_EQ(Hex(com1.FrameBytes().back()), "81 09 04 3F FF");
}

TEST_F(ScriptedLine, UnansweredInquiryEndsAfter201Ms) {
  Discover(1);
  uint32_t sent = rig.c->sendTick.load();
  rig.RunUntil([&] { return VirtualTick() - sent == 200; }, 300);
  EXPECT_EQ(rig.c->mode.load(), 70);
  EXPECT_EQ(rig.c->stage.load(), STAGE_ANSWER);
  rig.Step();
  EXPECT_EQ(rig.c->mode.load(), 0);
  EXPECT_EQ(rig.c->stage.load(), 0);
  EXPECT_EQ(rig.StatusTexts().back(), "Initializing camera 1...");

  // A late answer while idle is read and dropped.
  size_t framesBefore = com1.FrameBytes().size();
  size_t textsBefore = rig.StatusTexts().size();
  com1.Inject(B({0x90, 0x50, 0x00, 0x20, 0x04, 0x45, 0x01, 0x00, 0x02, 0xFF}));
  rig.Run(5);
  EXPECT_EQ(rig.c->mode.load(), 0);
  EXPECT_EQ(rig.c->cameras[0].modelCode, 0);
  EXPECT_EQ(com1.FrameBytes().size(), framesBefore);
  EXPECT_EQ(rig.StatusTexts().size(), textsBefore);
}

TEST_F(ScriptedLine, CommandWithoutCompletionEndsAfter401MsOnceARepliesCame) {
  Discover(1);
  AnswerHead();
  Command();
  ASSERT_EQ(rig.c->mode.load(), 10);
  EXPECT_EQ(rig.c->timeoutMs.load(), 400);
  uint32_t sent = rig.c->sendTick.load();
  rig.RunUntil([&] { return VirtualTick() - sent == 400; }, 500);
  EXPECT_EQ(rig.c->mode.load(), 10);
  rig.Step();
  EXPECT_EQ(rig.c->mode.load(), 0);
}

TEST_F(ScriptedLine, CompletionAwaitedAfterAcknowledgeEndsAfter10000Ms) {
  Discover(1);
  AnswerHead();
  Reply(kAck);
  ASSERT_EQ(rig.c->timeoutMs.load(), 10000);
  uint32_t sent = rig.c->sendTick.load();
  rig.Jump(sent + 9998 - VirtualTick());
  rig.Step();  // 9999
  rig.Step();  // 10000
  EXPECT_EQ(rig.c->mode.load(), 63);
  EXPECT_EQ(rig.c->stage.load(), STAGE_COMPLETION);
  rig.Step();  // 10001
  EXPECT_EQ(rig.c->mode.load(), 0);
  EXPECT_EQ(rig.c->stage.load(), 0);
}

TEST_F(ScriptedLine, StepDelayedPast5000MsStillEndsTheTransaction) {
  Discover(1);
  rig.Jump(6000);
  rig.Step();
  EXPECT_EQ(rig.c->mode.load(), 0);
  EXPECT_EQ(rig.c->stage.load(), 0);
}

TEST_F(ScriptedLine, TwoPacketsInOneStepAreHandledInOrder) {
  Discover(1);
  AnswerHead();
  Bytes both = kAck;
  both.insert(both.end(), kDone.begin(), kDone.end());
  com1.Inject(both);
  rig.Step();
  EXPECT_EQ(rig.c->mode.load(), 10);
  EXPECT_EQ(rig.c->stage.load(), STAGE_ACK);
  EXPECT_EQ(Hex(com1.FrameBytes().back()), "81 01 04 3F 02 01 FF");
}

TEST_F(ScriptedLine, ShortReplyReadsZeroBehindItsEnd) {
  Discover(1);
  Reply(B({0x90, 0x50, 0x77, 0x77, 0x77, 0x5F, 0x77, 0xFF}));
  EXPECT_EQ(rig.c->cameras[0].modelCode, 0x5F);
  Reply(B({0x90, 0xFF}));
  EXPECT_EQ(rig.c->cameras[0].lastPreset, 0);
  EXPECT_EQ(rig.Checked(IDC_RECALL1), 1);
  Command();
  EXPECT_EQ(Hex(com1.FrameBytes().back()), "81 01 04 3F 02 01 FF");
}

TEST_F(ScriptedLine, OversizedPacketIsSkippedAndTheNextOneHandledInTheSameStep) {
  Discover(1);
  Bytes huge(81, 0x55);
  huge.back() = 0xFF;
  Bytes longest(kPacketCapacity, 0x00);
  longest[0] = 0x90;
  longest[1] = 0x50;
  longest[5] = 0x66;
  longest.back() = 0xFF;
  Bytes both = huge;
  both.insert(both.end(), longest.begin(), longest.end());
  com1.Inject(both);
  rig.Step();
  EXPECT_EQ(rig.c->cameras[0].modelCode, 0x66);
  EXPECT_EQ(rig.c->mode.load(), 71);
}

TEST_F(ScriptedLine, OneBytePacketIsNoAcknowledge) {
  Discover(1);
  AnswerHead();
  reinitOnNack = 0;
  com1.Inject(B({0xFF}));
  rig.Run(3);
  EXPECT_EQ(rig.StatusTexts().back(), "No ACK-c (00)");
}

// Packets on a port the engine is not speaking to wait in that channel and
// are handled first when the engine turns to it.
TEST(OtherPort, PacketsWaitUntilTheEngineTurnsToTheirPort) {
  SimLine line1;
  line1.AddCamera(0x45);
  WirePeer com1(&line1);
  WirePeer com2;
  EngineRig rig;
  rig.Attach(1, &com1);
  rig.Attach(2, &com2);
  rig.Start();
  ASSERT_TRUE(rig.RunUntil([&] { return rig.c->port.load() == 1 && rig.c->stage.load() == STAGE_ECHO; }, 500));
  com2.Inject(B({0x88, 0x30, 0x02, 0xFF}));
  ASSERT_TRUE(rig.RunUntil([&] { return rig.c->mode.load() == MODE_NEXT_PORT; }, 10));
  com2.Inject(B({0x88, 0x01, 0x00, 0x01, 0xFF}));
  ASSERT_TRUE(rig.RunUntil([&] { return rig.c->mode.load() == 70; }, 10));
  ASSERT_EQ(rig.c->port.load(), 0);

  // Camera 2's "answer" arrives while camera 1 is being initialised.
  com2.Inject(B({0xA0, 0x50, 0x00, 0x20, 0x04, 0x5F, 0x01, 0x00, 0x02, 0xFF}));
  ASSERT_TRUE(rig.RunUntil([&] { return rig.c->camera.load() == 1 && rig.c->mode.load() == 70; }, 10000));
  EXPECT_EQ(rig.c->cameras[1].modelCode, 0);
  rig.Step();
  EXPECT_EQ(rig.c->cameras[1].modelCode, 0x5F);
  EXPECT_EQ(rig.c->mode.load(), 71);
  std::vector<WireFrame> frames = com2.Frames();
  ASSERT_EQ(frames.size(), 4u);
  EXPECT_EQ(Hex(frames[2].bytes), "81 09 00 02 FF");
  EXPECT_EQ(Hex(frames[3].bytes), "81 09 04 3F FF");
  EXPECT_EQ(frames[3].tick - frames[2].tick, 1u);
}

}  // namespace

namespace {

// The same faults coming from the virtual cameras' own error rules.
TEST(SimulatedFaults, SyntaxErrorOnAnInquiryStopsEveryLaterCamera) {
  SimLine line;
  line.AddCamera(0x45);
  line.AddCamera(0x45);
  SimFaults faults;
  const uint8_t zoomInquiry[] = {0x09, 0x04, 0x47};
  ASSERT_TRUE(faults.AddError(zoomInquiry, 3, 0x02));
  line.SetCameraFaults(0, faults);
  WirePeer com1(&line);
  EngineRig rig;
  rig.Attach(1, &com1);
  rig.Start();
  rig.Run(3000);
  Lines texts = rig.StatusTexts();
  ASSERT_FALSE(texts.empty());
  EXPECT_EQ(texts.back().rfind("Err Answer 6", 0), 0u) << texts.back();
  EXPECT_NE(texts.back().find(", COM1, Cam:1 p.Mode:21"), std::string::npos) << texts.back();
  EXPECT_FALSE(Contains(texts, "Initializing camera 2..."));
  EXPECT_TRUE(rig.ListItems().empty());
  EXPECT_EQ(rig.c->listReady.load(), 0);
  EXPECT_EQ(rig.c->mode.load(), 0);
}

// After a power request the engine again restarts initialisation on a first
// reply that is no acknowledge; the list gets its entries a second time.
TEST(SimulatedFaults, NonAcknowledgeAfterPowerRequestInitialisesAgain) {
  SimLine line;
  line.AddCamera(0x45);
  WirePeer com1(&line);
  EngineRig rig;
  rig.Attach(1, &com1);
  rig.Start();
  ASSERT_TRUE(rig.RunToReady());
  rig.Select(0);
  rig.Run(300);
  com1.WithLine([](SimLine& l) {
    SimFaults faults;
    const uint8_t freeze[] = {0x01, 0x04, 0x62};
    EXPECT_TRUE(faults.AddError(freeze, 3, 0x41, 1));
    l.SetCameraFaults(0, faults);
  });
  reinitOnNack = 1;  // as request 44 leaves it
  rig.c->requestQueue->Put(0, REQ_FREEZE, 1, 0);
  ASSERT_TRUE(rig.RunUntil([&] { return rig.ListItems().size() == 2; }, 5000));
  EXPECT_EQ(rig.ListItems(), (Lines{"Camera 1", "Camera 1"}));
  Lines texts = rig.StatusTexts();
  int found = 0;
  for (const std::string& t : texts) found += t == "Found 1 camera";
  EXPECT_EQ(found, 2);
  EXPECT_EQ(texts.back(), "1 Cameras OK, none selected");
}

}  // namespace
