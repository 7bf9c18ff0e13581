// The daisy chain: numbering by the address-set broadcast, the interface-clear
// echo, routing of addressed packets and the frame timing of replies.
#include "tests/sim/sim_test_util.h"

#include <gtest/gtest.h>

TEST(SimChain, AddressSetNumbersCamerasInChainOrder) {
  LineDriver d;
  d.line.AddCamera(0x66);
  d.line.AddCamera(0x4B);
  d.line.AddCamera(0x5F);
  d.Write({0x88, 0x30, 0x01, 0xFF});
  const auto got = d.RunMs(20);
  ASSERT_EQ(got.size(), 1u);
  EXPECT_EQ(got[0], (Bytes{0x88, 0x30, 0x04, 0xFF}));
  EXPECT_EQ(d.line.State(0).address, 1);
  EXPECT_EQ(d.line.State(1).address, 2);
  EXPECT_EQ(d.line.State(2).address, 3);
}

TEST(SimChain, SevenCamerasEchoEightAndNoMoreFit) {
  LineDriver d;
  for (int i = 0; i < SimLine::kMaxCameras; ++i) EXPECT_EQ(d.line.AddCamera(0x45), i);
  EXPECT_EQ(d.line.AddCamera(0x45), -1);
  d.Write({0x88, 0x30, 0x01, 0xFF});
  const auto got = d.RunMs(20);
  ASSERT_EQ(got.size(), 1u);
  EXPECT_EQ(got[0], (Bytes{0x88, 0x30, 0x08, 0xFF}));
}

TEST(SimChain, EachCameraTakesOneFrameToPassTheAddressOn) {
  LineDriver d(SimRealisticTiming());
  d.line.AddCamera(0x66);
  d.line.AddCamera(0x66);
  d.line.AddCamera(0x66);
  d.Write({0x88, 0x30, 0x01, 0xFF});
  EXPECT_TRUE(d.RunMs(33).empty());  // two frames: two cameras done
  const auto got = d.RunMs(20);
  ASSERT_EQ(got.size(), 1u);
  EXPECT_EQ(got[0][2], 0x04);
}

TEST(SimChain, InterfaceClearIsEchoed) {
  LineDriver d;
  d.line.AddCamera(0x66);
  d.line.AddCamera(0x66);
  d.AssignAddresses();
  d.Write({0x88, 0x01, 0x00, 0x01, 0xFF});
  const auto got = d.RunMs(10);
  ASSERT_EQ(got.size(), 1u);
  EXPECT_EQ(got[0], (Bytes{0x88, 0x01, 0x00, 0x01, 0xFF}));
}

TEST(SimChain, EmptyLineAnswersNothing) {
  LineDriver d;
  d.Write({0x88, 0x30, 0x01, 0xFF});
  EXPECT_TRUE(d.RunMs(100).empty());
}

TEST(SimChain, OnlyTheAddressedCameraAnswersAndLogsThePacket) {
  LineDriver d;
  d.line.AddCamera(0x66);
  d.line.AddCamera(0x4B);
  d.AssignAddresses();
  d.line.ClearReceived();
  d.Write({0x82, 0x09, 0x00, 0x02, 0xFF});
  const auto got = d.RunMs(10);
  ASSERT_EQ(got.size(), 1u);
  EXPECT_EQ(got[0][0], 0xA0);
  EXPECT_EQ(got[0][5], 0x4B);
  EXPECT_EQ(d.line.ReceivedCount(0), 0);
  ASSERT_EQ(d.line.ReceivedCount(1), 1);
  SimPacket p;
  ASSERT_TRUE(d.line.Received(1, 0, &p));
  EXPECT_EQ(p.length, 5);
  EXPECT_EQ(p.bytes[0], 0x82);
  EXPECT_EQ(p.bytes[3], 0x02);
}

TEST(SimChain, PacketForAnAbsentAddressComesBackUnchanged) {
  LineDriver d;
  d.line.AddCamera(0x66);
  d.AssignAddresses();
  d.Write({0x83, 0x09, 0x04, 0x00, 0xFF});
  const auto got = d.RunMs(10);
  ASSERT_EQ(got.size(), 1u);
  EXPECT_EQ(got[0], (Bytes{0x83, 0x09, 0x04, 0x00, 0xFF}));
  EXPECT_EQ(d.line.ReceivedCount(0), 1);  // only the address set
}

TEST(SimChain, CamerasWithoutAddressIgnoreAddressedPacketsUntilNumbered) {
  LineDriver d;
  d.line.AddCamera(0x66);
  d.Write({0x81, 0x09, 0x04, 0x00, 0xFF});
  const auto got = d.RunMs(10);
  ASSERT_EQ(got.size(), 1u);
  EXPECT_EQ(got[0][0], 0x81);  // went round unanswered
  EXPECT_EQ(d.line.ReceivedCount(0), 0);
}

TEST(SimChain, NoiseFromTheControllerSideIsDropped) {
  LineDriver d;
  d.line.AddCamera(0x66);
  d.AssignAddresses();
  d.Write({0x12, 0x34, 0xFF, 0x90, 0x41, 0xFF});
  EXPECT_TRUE(d.RunMs(10).empty());
}

TEST(SimChain, FastRepliesComeAfterAboutAMillisecond) {
  LineDriver d;
  d.line.AddCamera(0x66);
  d.AssignAddresses();
  d.Write({0x81, 0x09, 0x04, 0x00, 0xFF});
  EXPECT_TRUE(d.Take().empty());
  const auto got = d.RunMs(1);
  ASSERT_EQ(got.size(), 1u);
  EXPECT_EQ(got[0], (Bytes{0x90, 0x50, 0x02, 0xFF}));
}

TEST(SimChain, RealisticRepliesComeWithinOneFrameAndOnePacketPerFrame) {
  LineDriver d(SimRealisticTiming());
  d.line.AddCamera(0x66);
  d.AssignAddresses();
  d.RunMs(3);
  d.Write({0x81, 0x09, 0x04, 0x00, 0xFF, 0x81, 0x09, 0x04, 0x47, 0xFF});
  int firstAt = -1;
  int secondAt = -1;
  for (int ms = 1; ms <= 40 && secondAt < 0; ++ms) {
    for (const Bytes& p : d.RunMs(1)) {
      if (p.size() == 4) firstAt = ms;
      if (p.size() == 7) secondAt = ms;
    }
  }
  ASSERT_GT(firstAt, 0);
  EXPECT_LE(firstAt, 17);
  EXPECT_GE(secondAt - firstAt, 16);
  EXPECT_LE(secondAt - firstAt, 17);
}

TEST(SimChain, FiftyHertzFramesAreTwentyMilliseconds) {
  LineDriver d(SimRealisticTiming(true));
  d.line.AddCamera(0x45);
  d.AssignAddresses();
  d.Write({0x81, 0x09, 0x04, 0x00, 0xFF, 0x81, 0x09, 0x04, 0x00, 0xFF});
  int times[2] = {-1, -1};
  int n = 0;
  for (int ms = 1; ms <= 50 && n < 2; ++ms) {
    const auto got = d.RunMs(1);
    for (size_t i = 0; i < got.size() && n < 2; ++i) times[n++] = ms;
  }
  ASSERT_EQ(n, 2);
  EXPECT_EQ(times[1] - times[0], 20);
}

TEST(SimChain, VirtualMillisecondClockWrapsLikeATickCount) {
  SimLine line;
  line.AddCamera(0x66);
  line.Advance(0xFFFFFFF0u);
  const uint8_t set[4] = {0x88, 0x30, 0x01, 0xFF};
  line.Feed(set, 4);
  line.Advance(0x00000010u);  // 32 ms later, across the wrap
  uint8_t out[8];
  EXPECT_EQ(line.TakeOutput(out, 8), 4);
  EXPECT_EQ(line.NowUs(), 32000u);
  line.Advance(0x00000005u);  // a tick from the past changes nothing
  EXPECT_EQ(line.NowUs(), 32000u);
}
