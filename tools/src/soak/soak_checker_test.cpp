// The soak's own judge: the command bytes it expects for each request (from
// the protocol's request and zoom tables) and how it settles requests that
// did not reach their camera.
#include "tools/src/soak/soak_checker.h"
#include "requests/request_codes.h"

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

}  // namespace
