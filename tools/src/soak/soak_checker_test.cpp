// The soak's own judge: the command bytes it expects for each request (from
// the protocol's request and zoom tables), how it settles requests that did
// not reach their camera, and which outages came back in service.
#include "tools/src/soak/soak_checker.h"
#include "requests/request_codes.h"
#include "tools/src/soak/soak_outages.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

std::string Hex(const SoakCommand& c) {
  std::string out;
  char text[4];
  for (int i = 0; i < c.length; i++) out += (snprintf(text, sizeof text, i ? " %02X" : "%02X", c.bytes[i]), text);
  return out;
}

TEST(SoakExpect, CommandBytesFollowTheRequestTable) {
  // Zoom: the slider's tenths are the zoom table's entries.
  EXPECT_EQ(Hex(ExpectedCommand(REQ_ZOOM_DIRECT, 140, 1, 0x66)), "81 01 04 47 03 0A 0C 0A FF");  // 15050
  EXPECT_EQ(Hex(ExpectedCommand(REQ_ZOOM_DIRECT, 90, 2, 0x4B)), "82 01 04 47 04 00 00 00 FF");   // 16384
  EXPECT_EQ(Hex(ExpectedCommand(REQ_ZOOM_DIRECT, 20, 1, 0x5F)), "81 01 04 47 02 02 0B 0E FF");   // 8894
  EXPECT_EQ(ExpectedCommand(REQ_ZOOM_DIRECT, 95, 1, 0x66).length, 0);
  EXPECT_EQ(ExpectedCommand(REQ_ZOOM_DIRECT, 100, 1, 0x45).length, 0);  // past a 10x slider
  EXPECT_EQ(ZoomSliderMax(0x66) * 1000 + ZoomSliderMax(0x40), 290290);
  EXPECT_EQ(ZoomSliderMax(0x5C) * 1000 + ZoomSliderMax(0x45), 190090);

  SoakCommand sharp = ExpectedCommand(REQ_SHARPNESS_DIRECT, 11, 3, 0x45);
  EXPECT_EQ(Hex(sharp), "83 01 04 42 00 00 00 0B FF");
  EXPECT_EQ(sharp.field, FIELD_APERTURE);
  EXPECT_EQ(Hex(ExpectedCommand(REQ_R_GAIN_DIRECT, 205, 1, 0x45)), "81 01 04 43 00 00 0C 0D FF");
  EXPECT_EQ(ExpectedCommand(REQ_B_GAIN_DIRECT, 168, 1, 0x45).field, FIELD_B_GAIN);
  EXPECT_EQ(Hex(ExpectedCommand(REQ_B_GAIN_DIRECT, 168, 1, 0x45)), "81 01 04 44 00 00 0A 08 FF");

  SoakCommand freeze = ExpectedCommand(REQ_FREEZE, 1, 1, 0x45);
  EXPECT_EQ(Hex(freeze), "81 01 04 62 02 FF");
  EXPECT_EQ(freeze.field, FIELD_NONE);
  EXPECT_EQ(Hex(ExpectedCommand(REQ_FREEZE, 0, 1, 0x45)), "81 01 04 62 03 FF");
  EXPECT_EQ(Hex(ExpectedCommand(REQ_FOCUS_AUTO, 0x10, 1, 0x45)), "81 01 04 38 03 FF");  // low 4 bits 0: off
  EXPECT_EQ(Hex(ExpectedCommand(REQ_FOCUS_AUTO, 1, 1, 0x45)), "81 01 04 38 02 FF");
  EXPECT_EQ(Hex(ExpectedCommand(REQ_WB_WARM, 0, 2, 0x45)), "82 01 04 35 02 FF");
  EXPECT_EQ(Hex(ExpectedCommand(REQ_WB_AUTO, 0, 2, 0x45)), "82 01 04 35 00 FF");
  EXPECT_EQ(Hex(ExpectedCommand(REQ_POWER, 1, 2, 0x45)), "82 01 04 00 02 FF");
}

TEST(SoakExpect, InitialisationCommandsAreKnown) {
  const uint8_t recall[] = {0x81, 0x01, 0x04, 0x3F, 0x02, 0x03, 0xFF};
  const uint8_t wide4[] = {0x82, 0x01, 0x04, 0x28, 0x0E, 0x05, 0x00, 0x00, 0xFF};
  const uint8_t zoom[] = {0x81, 0x01, 0x04, 0x47, 0x00, 0x00, 0x00, 0x00, 0xFF};
  EXPECT_TRUE(IsInitialisationCommand(recall, sizeof recall));
  EXPECT_TRUE(IsInitialisationCommand(wide4, sizeof wide4));
  EXPECT_FALSE(IsInitialisationCommand(zoom, sizeof zoom));
}

struct CheckerTest : ::testing::Test {
  void SetUp() override {
    checker.AddCamera(SoakCamera{1, 0x66});
    checker.AddCamera(SoakCamera{1, 0x45});
  }
  void Arrive(int camera, std::vector<uint8_t> packet) {
    checker.Received(camera, packet.data(), static_cast<int>(packet.size()));
  }
  SoakChecker checker;
};

TEST_F(CheckerTest, RequestsMatchTheirCommandsInOrderAndOthersAreIgnored) {
  checker.Expect(0, REQ_FREEZE, 1, 0);
  checker.Expect(0, REQ_ZOOM_DIRECT, 0, 0);
  checker.Expect(1, REQ_FREEZE, 0, 0);
  Arrive(0, {0x81, 0x09, 0x04, 0x48, 0xFF});        // the idle poll
  Arrive(0, {0x88, 0x30, 0x01, 0xFF});              // a broadcast
  Arrive(0, {0x81, 0x01, 0x04, 0x00, 0x02, 0xFF});  // initialisation's power-on
  Arrive(1, {0x81, 0x01, 0x04, 0x62, 0x03, 0xFF});
  Arrive(0, {0x81, 0x01, 0x04, 0x62, 0x02, 0xFF});
  Arrive(0, {0x81, 0x01, 0x04, 0x47, 0x00, 0x00, 0x00, 0x00, 0xFF});
  checker.Finish();
  EXPECT_EQ(checker.Delivered(), 3u);
  EXPECT_EQ(checker.Lost() + checker.Unexpected(), 0u);
}

TEST_F(CheckerTest, AMissingRequestIsLostUnlessARuleExplainsIt) {
  checker.Expect(0, REQ_FREEZE, 1, 0);            // skipped: lost
  checker.Expect(0, REQ_SHARPNESS_DIRECT, 4, 0);  // the camera reports 4: unchanged
  checker.Expect(0, REQ_R_GAIN_DIRECT, 9, 0);     // never reported: lost
  checker.Expect(0, REQ_FREEZE, 0, 0);
  checker.ObserveFields(0, 4, 8, 0);
  Arrive(0, {0x81, 0x01, 0x04, 0x62, 0x03, 0xFF});
  EXPECT_EQ(checker.Delivered(), 1u);
  EXPECT_EQ(checker.Lost(), 2u);
  EXPECT_EQ(checker.Dropped(DROP_VALUE_UNCHANGED), 1u);
  ASSERT_EQ(checker.Notes().size(), 2u);
  EXPECT_EQ(checker.Notes()[0], "lost: camera 1 request 45 a=1 put at 0 ms");
}

TEST_F(CheckerTest, OutOfRangeFullQueueGoneLinesAndMarkedCamerasAreNamedDrops) {
  EXPECT_FALSE(checker.Expect(2, REQ_FREEZE, 1, 0));
  EXPECT_FALSE(checker.Expect(0xFFFFFFFFu, REQ_FREEZE, 1, 0));
  EXPECT_TRUE(checker.Expect(0, REQ_FREEZE, 1, 0));
  checker.QueueRefused(0);
  checker.Expect(1, REQ_FREEZE, 1, 0);
  checker.LineGone(1);
  EXPECT_EQ(checker.Waiting(0) * 10 + checker.Waiting(1), 1u);
  checker.LineBack(1);
  checker.Expect(1, REQ_FREEZE, 0, 0);  // put once the line is back: owed,
  checker.Expect(0, REQ_FREEZE, 0, 0);
  checker.ObserveMarked(0, true);  // unless its camera is marked meanwhile
  checker.Finish();
  EXPECT_EQ(checker.Dropped(DROP_INDEX_OUT_OF_RANGE), 2u);
  EXPECT_EQ(checker.Dropped(DROP_FULL_QUEUE), 1u);
  EXPECT_EQ(checker.Dropped(DROP_LINE_GONE), 1u);
  EXPECT_EQ(checker.Dropped(DROP_NO_ANSWER), 1u);
  EXPECT_EQ(checker.Lost(), 1u);
  EXPECT_EQ(checker.Requests(), 6u);
}

TEST_F(CheckerTest, InitialisationPowerOnIsNotAPowerRequestStillQueued) {
  checker.Expect(0, REQ_FREEZE, 1, 0);
  checker.Expect(0, REQ_SHARPNESS_DIRECT, 6, 0);
  checker.Expect(0, REQ_POWER, 1, 0);
  // A re-initialisation runs while all three wait in the engine's queue.
  Arrive(0, {0x81, 0x01, 0x04, 0x00, 0x02, 0xFF});
  EXPECT_EQ(checker.Waiting(0), 3u);
  Arrive(0, {0x81, 0x01, 0x04, 0x62, 0x02, 0xFF});
  Arrive(0, {0x81, 0x01, 0x04, 0x42, 0x00, 0x00, 0x00, 0x06, 0xFF});
  Arrive(0, {0x81, 0x01, 0x04, 0x00, 0x02, 0xFF});
  EXPECT_EQ(checker.Delivered(), 3u);
  EXPECT_EQ(checker.Lost() + checker.Unexpected(), 0u);
}

TEST_F(CheckerTest, PowerOnSettlesOnlyRequestsARuleExplains) {
  checker.Expect(0, REQ_SHARPNESS_DIRECT, 4, 0);  // reported 4: left unsent
  checker.Expect(0, REQ_POWER, 1, 0);
  checker.ObserveFields(0, 4, 0, 0);
  Arrive(0, {0x81, 0x01, 0x04, 0x00, 0x02, 0xFF});
  EXPECT_EQ(checker.Delivered(), 1u);
  EXPECT_EQ(checker.Dropped(DROP_VALUE_UNCHANGED), 1u);

  checker.Expect(1, REQ_FREEZE, 0, 0);  // never arrives
  checker.Expect(1, REQ_POWER, 1, 0);
  checker.Expect(1, REQ_FREEZE, 1, 0);
  Arrive(1, {0x81, 0x01, 0x04, 0x00, 0x02, 0xFF});
  Arrive(1, {0x81, 0x01, 0x04, 0x62, 0x02, 0xFF});
  EXPECT_EQ(checker.Lost(), 2u) << "the freeze and the power request behind it";
  EXPECT_EQ(checker.Delivered(), 2u);
}

// Two freezes alike: the first waited while its camera was marked, so the
// engine may have dropped it and sent the second, or sent both.
TEST(SoakChecker, ACommandMayAnswerALaterRequestAlikeWhenARuleDropsTheEarlier) {
  const uint8_t freezeOff[] = {0x81, 0x01, 0x04, 0x62, 0x03, 0xFF};
  for (uint64_t sent : {1u, 2u}) {
    SoakChecker checker;
    checker.AddCamera(SoakCamera{1, 0x45});
    checker.Expect(0, REQ_FREEZE, 0, 0);
    checker.ObserveMarked(0, true);
    checker.ObserveMarked(0, false);
    checker.Expect(0, REQ_FREEZE, 0, 0);
    for (uint64_t i = 0; i < sent; i++) checker.Received(0, freezeOff, sizeof freezeOff);
    EXPECT_EQ(checker.Waiting(0), 0u) << sent;
    checker.Finish();
    EXPECT_EQ(checker.Delivered(), sent);
    EXPECT_EQ(checker.Dropped(DROP_NO_ANSWER), 2 - sent);
    EXPECT_EQ(checker.Lost() + checker.Unexpected(), 0u) << sent;
  }
}

TEST_F(CheckerTest, CommandsOutOfOrderOrUnaskedAreFaults) {
  checker.Expect(0, REQ_FREEZE, 1, 0);
  checker.Expect(0, REQ_FREEZE, 0, 0);
  Arrive(0, {0x81, 0x01, 0x04, 0x62, 0x03, 0xFF});  // the second first: the first is lost
  Arrive(0, {0x81, 0x01, 0x04, 0x62, 0x02, 0xFF});  // and then nobody waits for it
  Arrive(0, {0x81, 0x01, 0x04, 0x01, 0x02, 0xFF});  // never requested
  EXPECT_EQ(checker.Lost(), 1u);
  EXPECT_EQ(checker.Unexpected(), 2u);
  EXPECT_EQ(checker.Notes().back(), "unexpected command to camera 1 at 0 ms: 81 01 04 01 02 FF");
}

// Lines from 0, cameras counted over every line, the run started at 0 ms.
TEST(SoakOutages, EachOutageMustBeBackInServiceOnItsOwn) {
  SoakOutages o;
  o.Began(2, 3, 1000);
  EXPECT_FALSE(o.LineBack(2, 2000)) << "back before the camera is on again";
  o.Ended(4000);
  o.Began(0, -1, 9000);  // while COM3 is not back yet
  EXPECT_TRUE(o.LineBack(2, 9500));
  o.Ended(12000);
  EXPECT_TRUE(o.LineBack(0, 13620));
  EXPECT_EQ(o.Unrecovered(), 0u);

  o.Began(2, 3, 20000);
  o.Ended(24800);
  EXPECT_FALSE(o.LineBack(0, 25000));
  EXPECT_FALSE(o.Settled(54799));
  EXPECT_TRUE(o.Settled(54800));
  o.Began(2, -1, 60000);  // COM3's return now recovers this outage, not the one before
  o.Ended(63000);
  EXPECT_TRUE(o.LineBack(2, 64490));
  EXPECT_EQ(o.Unrecovered(), 1u);

  o.Began(1, 2, 70000);
  o.Ended(72000);
  EXPECT_TRUE(o.LineBack(1, 102001));
  o.Began(1, -1, 110000);
  o.Ended(113000);  // still out when the soak ends
  EXPECT_FALSE(o.Settled(113000));
  o.Began(0, -1, 120000);
  EXPECT_EQ(o.Unrecovered(), 4u);

  const char* const expected[] = {
      "camera 4 (COM3) off at 1.0 s for 3.0 s, back in service 5500 ms after power-on",
      "COM1 unplugged at 9.0 s for 3.0 s, back in service 1620 ms after its return",
      "camera 4 (COM3) off at 20.0 s for 4.8 s, never back in service",
      "COM3 unplugged at 60.0 s for 3.0 s, back in service 1490 ms after its return",
      "camera 3 (COM2) off at 70.0 s for 2.0 s, back in service 30001 ms after power-on, past the grace",
      "COM2 unplugged at 110.0 s for 3.0 s, never back in service",
      "COM1 unplugged at 120.0 s, never ended",
  };
  ASSERT_EQ(o.All().size(), sizeof expected / sizeof expected[0]);
  for (size_t i = 0; i < o.All().size(); i++) {
    char text[160];
    DescribeOutage(o.All()[i], 0, text, sizeof text);
    EXPECT_EQ(std::string(text), expected[i]);
  }
}

}  // namespace
