// Faults on a line or a camera: silence, error replies, replies in pieces,
// replies together, noise, late replies, a camera that stops, a short
// address-set echo and the network-change packet.
#include "tests/sim/sim_test_util.h"

#include <gtest/gtest.h>

namespace {

struct Faults : ::testing::Test {
  LineDriver d;

  void SetUp() override {
    d.line.AddCamera(0x66);
    d.line.AddCamera(0x4B);
    d.AssignAddresses();
  }

  // Every byte that comes back within ms, uncut.
  Bytes RawFor(uint32_t ms) {
    Bytes all;
    for (uint32_t i = 0; i < ms; ++i) {
      d.nowUs += 1000;
      d.line.AdvanceToUs(d.nowUs);
      uint8_t b = 0;
      while (d.line.ReadByte(&b) == 1) all.push_back(b);
    }
    return all;
  }
};

const Bytes kPower1{0x81, 0x09, 0x04, 0x00, 0xFF};
const Bytes kPower2{0x82, 0x09, 0x04, 0x00, 0xFF};
const Bytes kFreeze1{0x81, 0x01, 0x04, 0x62, 0x02, 0xFF};

}  // namespace

TEST_F(Faults, SilentCameraActsButNeverAnswersWhileTheOtherDoes) {
  SimFaults f;
  f.silent = true;
  d.line.SetCameraFaults(0, f);
  d.WriteBytes(kFreeze1);
  d.WriteBytes(kPower2);
  const auto got = d.RunMs(10);
  ASSERT_EQ(got.size(), 1u);
  EXPECT_EQ(got[0][0], 0xA0);
  EXPECT_EQ(d.line.State(0).freeze, 2);
  EXPECT_EQ(d.line.ReceivedCount(0), 2);  // address set and the command
}

TEST_F(Faults, SilentLineSendsNothingBack) {
  SimFaults f;
  f.silent = true;
  d.line.SetLineFaults(f);
  d.Write({0x88, 0x30, 0x01, 0xFF});
  d.WriteBytes(kPower1);
  EXPECT_TRUE(d.RunMs(50).empty());
  EXPECT_EQ(d.line.State(1).address, 2);
}

TEST_F(Faults, ErrorOfAGivenCodeToAGivenCommand) {
  SimFaults f;
  const uint8_t match[3] = {0x01, 0x04, 0x62};
  ASSERT_TRUE(f.AddError(match, 3, 0x41, 1));
  d.line.SetCameraFaults(0, f);
  d.WriteBytes(kFreeze1);
  auto got = d.RunMs(5);
  ASSERT_EQ(got.size(), 1u);
  EXPECT_EQ(got[0], (Bytes{0x90, 0x61, 0x41, 0xFF}));
  EXPECT_EQ(d.line.State(0).freeze, 3);
  d.WriteBytes(kFreeze1);  // only once
  EXPECT_EQ(d.RunMs(5).size(), 2u);

  SimFaults g;
  const uint8_t inquiry[2] = {0x09, 0x04};
  ASSERT_TRUE(g.AddError(inquiry, 2, 0x02));
  d.line.SetLineFaults(g);  // a line rule holds for every camera, every time
  for (int i = 0; i < 2; ++i) {
    d.WriteBytes(kPower1);
    d.WriteBytes(kPower2);
    got = d.RunMs(5);
    ASSERT_EQ(got.size(), 2u);
    EXPECT_EQ(got[0], (Bytes{0x90, 0x60, 0x02, 0xFF}));
    EXPECT_EQ(got[1], (Bytes{0xA0, 0x60, 0x02, 0xFF}));
  }
}

TEST_F(Faults, RepliesCutIntoPiecesWithGaps) {
  SimFaults f;
  f.splitBytes = 2;
  f.splitGapMs = 10;
  d.line.SetCameraFaults(0, f);
  d.WriteBytes(kPower1);
  EXPECT_EQ(RawFor(1), (Bytes{0x90, 0x50}));
  EXPECT_TRUE(RawFor(9).empty());
  EXPECT_EQ(RawFor(1), (Bytes{0x02, 0xFF}));
}

TEST_F(Faults, PiecesOfOneReplyAreNotInterleavedWithTheNext) {
  SimFaults f;
  f.splitBytes = 1;
  f.splitGapMs = 3;
  d.line.SetCameraFaults(0, f);
  d.WriteBytes(kFreeze1);
  EXPECT_EQ(RawFor(30), (Bytes{0x90, 0x41, 0xFF, 0x90, 0x51, 0xFF}));
}

TEST_F(Faults, BatchedAcknowledgeLeavesWithTheCompletion) {
  SimFaults f;
  f.batchReplies = true;
  d.line.SetLineFaults(f);
  d.Write({0x81, 0x01, 0x04, 0x47, 0x01, 0x00, 0x00, 0x00, 0xFF});
  EXPECT_TRUE(RawFor(40).empty());  // a sixteenth of a 200 ms sweep is 13 ms
  d.line.AdvanceToUs(d.nowUs);
  EXPECT_EQ(RawFor(20), (Bytes{0x90, 0x41, 0xFF, 0x90, 0x51, 0xFF}));
}

TEST_F(Faults, NoiseBeforeEveryReply) {
  SimFaults f;
  f.noiseBytes = 3;
  d.line.SetCameraFaults(1, f);
  d.WriteBytes(kPower2);
  Bytes got = RawFor(5);
  ASSERT_EQ(got.size(), 7u);
  for (int i = 0; i < 3; ++i) EXPECT_NE(got[i], 0xFF);
  EXPECT_EQ(Bytes(got.begin() + 3, got.end()), (Bytes{0xA0, 0x50, 0x02, 0xFF}));

  f.noiseEndsPacket = true;
  d.line.SetCameraFaults(1, f);
  d.WriteBytes(kPower2);
  got = RawFor(5);
  ASSERT_EQ(got.size(), 7u);
  EXPECT_EQ(got[2], 0xFF);  // noise as a packet of its own
}

TEST_F(Faults, LateReplies) {
  SimFaults f;
  f.delayMs = 450;
  d.line.SetCameraFaults(0, f);
  d.WriteBytes(kPower1);
  d.WriteBytes(kPower2);
  auto got = d.RunMs(400);
  ASSERT_EQ(got.size(), 1u);
  EXPECT_EQ(got[0][0], 0xA0);  // the other camera is on time
  got = d.RunMs(60);
  ASSERT_EQ(got.size(), 1u);
  EXPECT_EQ(got[0][0], 0x90);
}

TEST_F(Faults, CameraStopsAnsweringAfterNPackets) {
  SimFaults f;
  f.stopAfterPackets = 2;
  d.line.SetCameraFaults(0, f);
  for (int i = 0; i < 2; ++i) {
    d.WriteBytes(kPower1);
    EXPECT_EQ(d.RunMs(5).size(), 1u);
  }
  d.WriteBytes(kPower1);
  d.WriteBytes(kFreeze1);
  EXPECT_TRUE(d.RunMs(20).empty());
  EXPECT_EQ(d.line.State(0).freeze, 3);  // hung: it does nothing either
  d.WriteBytes(kPower2);
  EXPECT_EQ(d.RunMs(5).size(), 1u);
}

TEST_F(Faults, ShortAddressEchoThenNormal) {
  SimFaults f;
  f.shortAddressEchoes = 1;
  d.line.SetLineFaults(f);
  d.Write({0x88, 0x30, 0x01, 0xFF});
  auto got = d.RunMs(10);
  ASSERT_EQ(got.size(), 1u);
  EXPECT_EQ(got[0].size(), 3u);
  EXPECT_LT(got[0].size(), 4u);
  d.Write({0x88, 0x30, 0x01, 0xFF});
  got = d.RunMs(10);
  ASSERT_EQ(got.size(), 1u);
  EXPECT_EQ(got[0], (Bytes{0x88, 0x30, 0x03, 0xFF}));
}

TEST_F(Faults, NetworkChangeAfterPowerComesOn) {
  SimFaults f;
  f.networkChangeOnPowerOn = true;
  d.line.SetCameraFaults(1, f);
  d.Write({0x82, 0x01, 0x04, 0x00, 0x03, 0xFF});
  d.RunMs(50);
  d.Write({0x82, 0x01, 0x04, 0x00, 0x02, 0xFF});
  const auto got = d.RunMs(50);
  ASSERT_EQ(got.size(), 3u);
  EXPECT_EQ(got[0], (Bytes{0xA0, 0x41, 0xFF}));
  EXPECT_EQ(got[1], (Bytes{0xA0, 0x51, 0xFF}));
  EXPECT_EQ(got[2], (Bytes{0xA0, 0x38, 0xFF}));

  LineDriver fresh;
  fresh.line.AddCamera(0x66);
  fresh.line.SendNetworkChange(0);  // not numbered yet: address 0
  const auto first = fresh.RunMs(1);
  ASSERT_EQ(first.size(), 1u);
  EXPECT_EQ(first[0], (Bytes{0x80, 0x38, 0xFF}));
}

TEST_F(Faults, PacingSpacesBytesAtTheBaudRate) {
  SimTiming t = SimFastTiming();
  t.pacing = true;
  d.line.SetTiming(t);
  d.WriteBytes(Bytes{0x81, 0x09, 0x00, 0x02, 0xFF});  // 10-byte answer
  // 5 bytes in take 1.3 ms, the answer leaves at the next frame and its 10
  // bytes take 2.6 ms more
  const Bytes first = RawFor(3);
  EXPECT_LT(first.size(), 10u);
  const Bytes rest = RawFor(3);
  EXPECT_EQ(first.size() + rest.size(), 10u);
}

TEST_F(Faults, InjectedBytesGoOutAsTheyAre) {
  const uint8_t junk[3] = {0x12, 0x90, 0x51};
  d.line.InjectOutput(junk, 3);
  EXPECT_EQ(RawFor(1), (Bytes{0x12, 0x90, 0x51}));
}
