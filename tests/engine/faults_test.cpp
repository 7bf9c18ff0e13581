// Replies that go wrong: errors, missing acknowledges, time-outs, late, bunched, misplaced, malformed.
#include "requests/request_codes.h"
#include "tests/support/engine_rig.h"

#include <gtest/gtest.h>

namespace {

const Bytes kAck = {0x90, 0x41, 0xFF};
const Bytes kDone = {0x90, 0x51, 0xFF};
// Version (model 0x45) and last preset 0: the engine goes on to power on.
const Bytes kHead[] = {{0x90, 0x50, 0x00, 0x20, 0x04, 0x45, 0x01, 0x00, 0x02, 0xFF}, {0x90, 0x50, 0x00, 0xFF}};

// A line whose replies the test writes itself.
struct Scripted {
  Scripted() { rig.Start(); }

  // Up to the first camera's version inquiry.
  void Discover(int cameras = 1) {
    ASSERT_TRUE(rig.RunUntil([&] { return rig.c->stage.load() == STAGE_ECHO; }, 200));
    com1.Inject({0x88, 0x30, static_cast<uint8_t>(cameras + 1), 0xFF});
    ASSERT_TRUE(rig.RunUntil([&] { return rig.c->phase.load() == PHASE_NEXT_LINE; }, 10));
    com1.Inject({0x88, 0x01, 0x00, 0x01, 0xFF});
    ASSERT_TRUE(rig.RunUntil([&] { return rig.c->transaction.load() == 70; }, 10));
  }

  void Reply(const Bytes& bytes) {  // steps until the engine moves on
    int32_t mode = StateNumber(rig.c), stage = rig.c->stage.load();
    com1.Inject(bytes);
    ASSERT_TRUE(rig.RunUntil([&] { return StateNumber(rig.c) != mode || rig.c->stage.load() != stage; }, 10))
        << "no reaction to " << Hex(bytes);
  }

  EngineRig rig;
  WirePeer& com1 = rig.Attach(1);
};

struct Step {  // replies injected, then what holds 5 ms later
  Bytes replies;
  int32_t mode, stage;
  Lines texts;  // shown while the step ran
  const char* lastFrame;
};

struct Script {
  const char* name;
  int cameras;
  bool head;  // starts after version and last preset, at the power-on command
  int32_t reinitOnNack;
  std::vector<Step> steps;
  Lines entries;  // in the camera list at the end
};

// One byte more than the packet buffer holds, then the longest packet: last preset 3.
const Bytes kOversizedThenLongest = [] {
  Bytes bytes(81, 0x55), longest(kPacketCapacity, 0x00);
  longest[0] = 0x90, longest[1] = 0x50, longest[2] = 0x03, longest.back() = bytes.back() = 0xFF;
  return bytes.insert(bytes.end(), longest.begin(), longest.end()), bytes;
}();

// clang-format off
const Script kScripts[] = {
    {"RefusedCommandsPassedOverBeforeAndAfterTheAcknowledge", 1, true, 1,
     {{{0x90, 0x60, 0x02, 0xFF}, 10, STAGE_ACK, {"Err Answer 60, COM1, Cam:1 p.Mode:63"}, "81 01 04 3F 02 01 FF"},
      {kAck, 10, STAGE_COMPLETION, {}, "81 01 04 3F 02 01 FF"},
      {{0x90, 0x61, 0x02, 0xFF}, 11, STAGE_ACK, {"Err Answer 61, COM1, Cam:1 p.Mode:10"}, "81 01 04 06 03 FF"}}, {}},
    {"NonAcknowledgeRestartsInitialisation", 2, true, 1,
     {{{0x90, 0x60, 0x41, 0xFF}, 70, STAGE_ANSWER,
       {"Err Answer 60, COM1, Cam:1 p.Mode:63", "Found 2 cameras", "Initializing camera 1..."}, "81 09 00 02 FF"}}, {}},
    {"NonAcknowledgeReportedWhileWaiting", 1, true, 0,
     {{{0x90, 0x52, 0xFF}, 63, STAGE_ACK, {"No ACK-c (52)"}, "81 01 04 00 02 FF"},
      {{0xFF}, 63, STAGE_ACK, {"No ACK-c (00)"}, "81 01 04 00 02 FF"},
      {kAck, 63, STAGE_COMPLETION, {}, "81 01 04 00 02 FF"},
      {{0x90, 0x42, 0xFF}, 63, STAGE_COMPLETION, {"No Complete (42)"}, "81 01 04 00 02 FF"},
      {kDone, 10, STAGE_ACK, {}, "81 01 04 3F 02 01 FF"}}, {}},
    // An oversized packet is skipped, the next handled in the same step.
    {"Error41AndPacketsReadInOrderInsideTheBuffer", 1, false, 1,
     {{{0x90, 0x60, 0x41, 0xFF}, 70, STAGE_ANSWER, {"Err Answer 60, COM1, Cam:1 p.Mode:70"}, "81 09 00 02 FF"},
      {kHead[0], 71, STAGE_ANSWER, {}, "81 09 04 3F FF"},
      {kOversizedThenLongest, 63, STAGE_ACK, {}, "81 01 04 00 02 FF"},
      {{0x90, 0x41, 0xFF, 0x90, 0x51, 0xFF}, 10, STAGE_ACK, {}, "81 01 04 3F 02 03 FF"},
      {{0x90, 0x41, 0xFF, 0x90, 0x51, 0xFF}, 11, STAGE_ACK, {}, "81 01 04 06 03 FF"}}, {}},
};
// clang-format on

TEST(Faults, ScriptedRepliesDuringInitialisation) {
  for (const Script& script : kScripts) {
    SCOPED_TRACE(script.name);
    Scripted s;
    s.rig.c->reinitOnNack = script.reinitOnNack;
    s.Discover(script.cameras);
    for (int i = 0; script.head && i < 2; i++) s.Reply(kHead[i]);
    for (const Step& step : script.steps) {
      SCOPED_TRACE(Hex(step.replies));
      size_t shown = s.rig.StatusTexts().size();
      s.com1.Inject(step.replies);
      s.rig.Run(5);
      EXPECT_EQ(std::make_pair(StateNumber(s.rig.c), s.rig.c->stage.load()), std::make_pair(step.mode, step.stage));
      Lines texts = s.rig.StatusTexts();
      EXPECT_EQ(Lines(texts.begin() + static_cast<long>(shown), texts.end()), step.texts);
      EXPECT_EQ(s.com1.Hexes().back(), step.lastFrame);
    }
    EXPECT_EQ(s.rig.ListItems(), script.entries);
  }
}

// A transaction ends once its time-out has passed; a later reply is dropped.
TEST(Faults, TimeOutsEndTheTransactionAndLateRepliesAreDropped) {
  const Bytes script[] = {kHead[0], kHead[1], kAck, kDone};
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
    s.rig.Jump(tc.lateStep ? tc.lateStep : s.rig.c->sendTick.load() + tc.timeoutMs - 1 - VirtualTick());
    if (!tc.lateStep) {
      s.rig.Step();
      EXPECT_NE(s.rig.c->stage.load(), 0) << "ended before its time-out";
    }
    s.rig.Step();
    ASSERT_EQ(s.rig.c->stage.load(), 0);
    const size_t shown = s.rig.StatusTexts().size();
    for (const Bytes& late : {kHead[0], kDone}) s.com1.Inject(late);
    s.rig.Run(3);
    ASSERT_EQ(s.rig.c->listReady.load(), 1);
    const Lines texts = s.rig.StatusTexts();
    EXPECT_EQ(Lines(texts.begin() + static_cast<long>(shown), texts.end()), Lines{"1 Cameras OK, none selected"});
    EXPECT_EQ(s.rig.ListItems(), Lines{"Camera 1 (no answer)"});
    EXPECT_EQ(int32_t(s.rig.c->cameras[0].modelCode), tc.replies > 0 ? 0x45 : 0)
        << "the late version answer was dropped";
  }
}

// A refused inquiry is passed over, at initialisation and when all settings
// are read again: every later one is still asked, the refused field kept.
TEST(Faults, RefusedInquiryLeavesTheRestOfTheChainAsked) {
  EngineRig rig;
  WirePeer& com1 = rig.Attach(1, {0x45}, SimFastTiming());
  com1.SetStoredPicture(0, [](SimCameraState& s) { s.picture.gamma = 2, s.freeze = 2; });
  const uint8_t gamma[] = {0x09, 0x04, 0x5B};
  SimFaults refusing;
  refusing.AddError(gamma, sizeof gamma, 0x02);
  com1.SetFaults(0, refusing);
  rig.Start();
  ASSERT_TRUE(rig.Initialise());
  const Lines texts = rig.StatusTexts();
  EXPECT_EQ(Lines(texts.end() - 2, texts.end()),
            (Lines{"Err Answer 60, COM1, Cam:1 p.Mode:35", "1 Cameras OK, none selected"}));
  EXPECT_EQ(rig.ListItems(), Lines{"Camera 1"});
  const std::string rest =
      Framed("5B|24 70|39|4E", "81 09 04 ") + " | 81 09 00 02 FF | " + Framed("39|4B|62", "81 09 04 ");
  // Then, being of another make, it is asked whether it pans and tilts.
  const std::vector<Bytes> asked = rig.Received(0, 0x09);
  ASSERT_GE(asked.size(), 9u);
  EXPECT_EQ(Hex(std::vector<Bytes>(asked.end() - 9, asked.end())), rest + " | 81 09 06 12 FF");
  EXPECT_EQ(std::make_pair(int32_t(rig.c->cameras[0].gamma), int32_t(rig.c->cameras[0].freezeOn)),
            std::make_pair(0, 1));
  ASSERT_TRUE(rig.Select(0) && rig.Settle());
  rig.c->cameras[0].gamma = 3;
  rig.ClearReceived();
  ASSERT_TRUE(rig.Request(REQ_WB_AUTO, 0));
  const std::vector<Bytes> reread = rig.Received(0, 0x09);
  ASSERT_GE(reread.size(), 11u);
  EXPECT_EQ(Hex(std::vector<Bytes>(reread.begin(), reread.begin() + 11)),
            Framed("35|44|43", "81 09 04 ") + " | " + rest);
  EXPECT_EQ(int32_t(rig.c->cameras[0].gamma), 3);
}

}  // namespace

// The 10 s completion wait after an acknowledge ends with its transaction.
TEST(Faults, TheWaitAfterAnAcknowledgeEndsWithItsTransaction) {
  for (const bool cancelled : {false, true}) {
    SCOPED_TRACE(cancelled ? "cancelled" : "no completion");
    EngineRig rig;
    WirePeer& com1 = rig.Attach(1, {0x45}, SimFastTiming());
    rig.Start();
    ASSERT_TRUE(rig.Initialise() && rig.Select(0) && rig.Settle());
    SimFaults silent;
    silent.silent = true;
    com1.SetFaults(0, silent);
    rig.Post(0, REQ_FREEZE, 1);
    ASSERT_TRUE(rig.RunUntil([&] { return rig.c->stage.load() == STAGE_ACK; }, 50));
    com1.Inject(kAck);
    ASSERT_TRUE(rig.RunUntil([&] { return rig.c->stage.load() == STAGE_COMPLETION; }, 10));
    if (cancelled) {
      com1.Inject({0x90, 0x61, 0x04, 0xFF});
    } else {
      rig.Jump(rig.c->sendTick.load() + 10000 - 1 - VirtualTick());
      rig.Step();
      EXPECT_EQ(rig.c->stage.load(), STAGE_COMPLETION) << "ended before 10 s";
    }
    ASSERT_TRUE(rig.RunUntil([&] { return rig.c->stage.load() == STAGE_ANSWER; }, 300)) << "no idle poll";
    const uint32_t asked = rig.c->sendTick.load();
    ASSERT_TRUE(rig.RunUntil([&] { return rig.c->sendTick.load() != asked; }, 11000));
    EXPECT_EQ(VirtualTick() - asked, 401u);
  }
}
