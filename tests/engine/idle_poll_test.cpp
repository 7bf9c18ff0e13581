// The idle poll: nothing before a selection, then focus and brightness (gain
// for model 0x40) alternately, each 201 ms or more after the last transmission.
#include "requests/request_codes.h"
#include "tests/support/engine_rig.h"

#include <gtest/gtest.h>

namespace {

const struct {
  uint8_t model;
  const char* brightInquiry;
} kPolled[] = {{0x45, "81 09 04 4D FF"}, {0x40, "81 09 04 4C FF"}};

TEST(IdlePoll, FocusAndBrightnessAlternateOnlyAfterSelection) {
  for (const auto& tc : kPolled) {
    SCOPED_TRACE(tc.model);
    EngineRig rig;
    WirePeer& com1 = rig.Attach(1, {tc.model});
    com1.SetStoredPicture(0, [](SimCameraState& s) { s.picture.gainPos = 6; });
    rig.Start();
    ASSERT_TRUE(rig.RunToReady());
    size_t start = com1.Frames().size();
    rig.Run(1500);
    EXPECT_EQ(com1.Frames().size(), start);
    EXPECT_TRUE(rig.TakeNotifications().empty());  // nor during initialisation

    ASSERT_TRUE(rig.Select(0));
    rig.Run(1300);
    std::vector<WireFrame> frames = com1.Frames();
    ASSERT_GE(frames.size(), start + 6);
    for (size_t i = start; i < frames.size(); i++) {
      EXPECT_EQ(frames[i].hex, (i - start) % 2 ? tc.brightInquiry : "81 09 04 48 FF") << i;
      if (i == start) continue;
      EXPECT_GE(frames[i].tick - frames[i - 1].tick, 201u) << i;
      EXPECT_LE(frames[i].tick - frames[i - 1].tick, 215u) << i;
    }
    // Each answer reaches the panel: focus as 4, brightness as 5.
    std::vector<QueueMessage> notes = rig.TakeNotifications();
    ASSERT_GE(notes.size(), 2u);
    EXPECT_EQ(std::make_pair(notes[0].code, notes[1].code), std::make_pair(4u, 5u));
    EXPECT_EQ(notes[1].a, static_cast<uint32_t>(rig.c->cameras[0].brightPos));

    // A user command and its read-back push the next poll back.
    size_t polled = frames.size();
    rig.Post(0, REQ_FREEZE, 1);
    rig.Run(600);
    frames = com1.Frames();
    ASSERT_GE(frames.size(), polled + 3);
    EXPECT_EQ(frames[polled].hex + " " + frames[polled + 1].hex, "81 01 04 62 02 FF 81 09 04 62 FF");
    EXPECT_GE(frames[polled + 2].tick - frames[polled + 1].tick, 201u);
  }
}

}  // namespace

// Moves the virtual clock forward to `target` in steps the cameras can follow
// (they take a jump of half the tick range or more for one back in time).
void JumpTo(EngineRig& rig, uint32_t target) {
  constexpr uint32_t kStride = 0x40000000u;
  for (; target - VirtualTick() > kStride; rig.Tick()) rig.Jump(kStride);
  rig.Jump(target - VirtualTick());
}

// The 32-bit tick comes back to the command stamp 2^32 ms after it (or to 0,
// where a never-stamped window sits): the polls keep their rhythm through that
// second, and a request put in it goes out at once.
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
    JumpTo(rig, comesRound - kBefore);
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
