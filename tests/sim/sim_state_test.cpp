// Commands change the camera as the camera would: exposure modes gate their
// settings, white balance gains need manual mode, power takes time and most
// commands wait for it, and the initialisation commands are accepted.
#include "tests/sim/sim_test_util.h"

#include <gtest/gtest.h>

namespace {

constexpr int kAcked = 0x100;
constexpr int kNone = -1;

struct CameraState : ::testing::Test {
  LineDriver d;

  void SetUp() override {
    d.line.AddCamera(0x5F);
    d.AssignAddresses();
  }

  // kAcked for an acknowledge, the error code of an error reply, kNone.
  int Command(std::initializer_list<uint8_t> payload, uint32_t ms = 5) {
    Bytes packet{0x81, 0x01, 0x04};
    packet.insert(packet.end(), payload);
    packet.push_back(0xFF);
    d.WriteBytes(packet);
    const auto got = d.RunMs(ms);
    if (got.empty()) return kNone;
    if ((got[0][1] & 0xF0) == 0x40) return kAcked;
    return got[0][2];
  }

  Bytes Inquiry(uint8_t b, uint8_t c = 0xFF) {
    Bytes packet{0x81, 0x09, 0x04, b};
    if (c != 0xFF) packet.push_back(c);
    packet.push_back(0xFF);
    d.WriteBytes(packet);
    const auto got = d.RunMs(3);
    return got.size() == 1 ? got[0] : Bytes{};
  }
};

}  // namespace

TEST_F(CameraState, ShutterIrisAndGainNeedManualExposure) {
  EXPECT_EQ(Command({0x4A, 0x00, 0x00, 0x0A, 0x00}), 0x41);
  EXPECT_EQ(Command({0x4B, 0x00, 0x00, 0x00, 0x09}), 0x41);
  EXPECT_EQ(Command({0x4C, 0x00, 0x00, 0x00, 0x02}), 0x41);
  EXPECT_EQ(Command({0x39, 0x03}), kAcked);
  EXPECT_EQ(Command({0x4A, 0x00, 0x00, 0x00, 0x0C}), kAcked);
  EXPECT_EQ(Command({0x4B, 0x00, 0x00, 0x00, 0x09}), kAcked);
  EXPECT_EQ(Command({0x4C, 0x00, 0x00, 0x00, 0x02}), kAcked);
  EXPECT_EQ(Inquiry(0x4A), (Bytes{0x90, 0x50, 0x00, 0x00, 0x00, 0x0C, 0xFF}));
  EXPECT_EQ(Inquiry(0x4B), (Bytes{0x90, 0x50, 0x00, 0x00, 0x00, 0x09, 0xFF}));
  EXPECT_EQ(Inquiry(0x4C), (Bytes{0x90, 0x50, 0x00, 0x00, 0x00, 0x02, 0xFF}));
  EXPECT_EQ(Command({0x0A, 0x00}), kAcked);  // shutter reset
  EXPECT_EQ(d.line.State(0).picture.shutterPos, 0x08);
  // exposure compensation belongs to the automatic modes
  EXPECT_EQ(Command({0x4E, 0x00, 0x00, 0x00, 0x09}), 0x41);
}

TEST_F(CameraState, BrightAndCompensationHaveTheirOwnModes) {
  EXPECT_EQ(Command({0x4D, 0x00, 0x00, 0x01, 0x02}), 0x41);
  EXPECT_EQ(Command({0x4E, 0x00, 0x00, 0x00, 0x09}), kAcked);
  EXPECT_EQ(Inquiry(0x4E), (Bytes{0x90, 0x50, 0x00, 0x00, 0x00, 0x09, 0xFF}));
  EXPECT_EQ(Command({0x39, 0x0D}), kAcked);
  EXPECT_EQ(Command({0x4D, 0x00, 0x00, 0x01, 0x02}), kAcked);
  EXPECT_EQ(Inquiry(0x4D), (Bytes{0x90, 0x50, 0x00, 0x00, 0x01, 0x02, 0xFF}));
  EXPECT_EQ(Inquiry(0x39), (Bytes{0x90, 0x50, 0x0D, 0xFF}));
}

TEST_F(CameraState, DirectValuesAreHeldToTheCameraRange) {
  EXPECT_EQ(Command({0x39, 0x03}), kAcked);
  EXPECT_EQ(Command({0x4B, 0x00, 0x00, 0x0F, 0x0F}), kAcked);
  EXPECT_EQ(d.line.State(0).picture.irisPos, 0x11);
  EXPECT_EQ(Command({0x47, 0x0F, 0x0F, 0x0F, 0x0F}, 400), kAcked);
  EXPECT_EQ(d.line.State(0).picture.zoomPos, 0x4000);
  EXPECT_EQ(Command({0x42, 0x00, 0x00, 0x0F, 0x0F}), kAcked);
  EXPECT_EQ(Inquiry(0x42), (Bytes{0x90, 0x50, 0x00, 0x00, 0x00, 0x0F, 0xFF}));
}

TEST_F(CameraState, ColourGainsOnlyInManualWhiteBalance) {
  EXPECT_EQ(Command({0x43, 0x00, 0x00, 0x0C, 0x0D}), 0x41);
  EXPECT_EQ(Command({0x35, 0x05}), kAcked);
  EXPECT_EQ(Command({0x43, 0x00, 0x00, 0x0C, 0x0D}), kAcked);
  EXPECT_EQ(Command({0x44, 0x00, 0x00, 0x0A, 0x08}), kAcked);
  EXPECT_EQ(Inquiry(0x35), (Bytes{0x90, 0x50, 0x05, 0xFF}));
  EXPECT_EQ(Inquiry(0x43), (Bytes{0x90, 0x50, 0x00, 0x00, 0x0C, 0x0D, 0xFF}));
  EXPECT_EQ(Inquiry(0x44), (Bytes{0x90, 0x50, 0x00, 0x00, 0x0A, 0x08, 0xFF}));
  EXPECT_EQ(Command({0x35, 0x06}), 0x02);  // no such mode
}

TEST_F(CameraState, OnePushTriggerMeasuresInOnePushModeOnly) {
  EXPECT_EQ(Command({0x10, 0x05}), 0x41);
  EXPECT_EQ(Command({0x35, 0x03}), kAcked);
  d.Write({0x81, 0x01, 0x04, 0x10, 0x05, 0xFF});
  auto got = d.RunMs(2);
  ASSERT_EQ(got.size(), 1u);  // acknowledge; the measurement takes a moment
  EXPECT_EQ(got[0], (Bytes{0x90, 0x41, 0xFF}));
  got = d.RunMs(SimFastTiming().onePushMs + 2);
  ASSERT_EQ(got.size(), 1u);
  EXPECT_EQ(got[0], (Bytes{0x90, 0x51, 0xFF}));
  EXPECT_NE(d.line.State(0).picture.rGain, 0xC0);
}

TEST_F(CameraState, PictureSettingsReadBack) {
  EXPECT_EQ(Command({0x63, 0x04}), kAcked);
  EXPECT_EQ(Command({0x5B, 0x02}), kAcked);
  EXPECT_EQ(Command({0x66, 0x02}), kAcked);
  EXPECT_EQ(Command({0x62, 0x02}), kAcked);
  EXPECT_EQ(Command({0x24, 0x72, 0x00, 0x0D}), kAcked);
  EXPECT_EQ(Command({0x24, 0x70, 0x00, 0x08}), kAcked);
  EXPECT_EQ(Inquiry(0x63), (Bytes{0x90, 0x50, 0x04, 0xFF}));
  EXPECT_EQ(Inquiry(0x5B), (Bytes{0x90, 0x50, 0x02, 0xFF}));
  EXPECT_EQ(Inquiry(0x66), (Bytes{0x90, 0x50, 0x02, 0xFF}));
  EXPECT_EQ(Inquiry(0x62), (Bytes{0x90, 0x50, 0x02, 0xFF}));
  EXPECT_EQ(Inquiry(0x24, 0x72), (Bytes{0x90, 0x50, 0x00, 0x0D, 0xFF}));
  EXPECT_EQ(Inquiry(0x24, 0x70), (Bytes{0x90, 0x50, 0x00, 0x08, 0xFF}));
  EXPECT_EQ(Command({0x38, 0x03}), kAcked);
  EXPECT_EQ(Inquiry(0x38), (Bytes{0x90, 0x50, 0x03, 0xFF}));
}

TEST_F(CameraState, InitialisationCommandsAreAccepted) {
  EXPECT_EQ(Command({0x36, 0x00}), kAcked);
  EXPECT_EQ(Command({0x06, 0x03}), kAcked);
  EXPECT_EQ(Command({0x74, 0x3F}), kAcked);
  EXPECT_EQ(Command({0x53, 0x03}), kAcked);
  EXPECT_EQ(Command({0x3E, 0x02}), kAcked);
  EXPECT_EQ(Command({0x2C, 0x07}), kAcked);
  EXPECT_EQ(Command({0x28, 0x0E, 0x05, 0x00, 0x00}), kAcked);
  EXPECT_EQ(Command({0x26, 0x00}), kAcked);
  EXPECT_EQ(Command({0x3F, 0x01, 0x7F}), kAcked);
  const SimCameraState& s = d.line.State(0);
  EXPECT_EQ(s.gainLimit, 0x07);
  EXPECT_EQ(s.noiseReduction, 0x03);
  EXPECT_EQ(s.picture.expCompOn, 2);
  EXPECT_EQ(s.setting74, 0x3F);
  EXPECT_EQ(s.setting28[0], 0x0E);
  EXPECT_EQ(Inquiry(0x2C), (Bytes{0x90, 0x50, 0x07, 0xFF}));
}

TEST_F(CameraState, PowerOffAndOnTakeTimeAndMostCommandsWait) {
  const SimTiming t = SimFastTiming();
  d.Write({0x81, 0x01, 0x04, 0x00, 0x03, 0xFF});
  auto got = d.RunMs(2);
  ASSERT_EQ(got.size(), 1u);
  EXPECT_EQ(got[0], (Bytes{0x90, 0x41, 0xFF}));
  EXPECT_TRUE(d.line.State(0).powerChanging);
  got = d.RunMs(t.powerOffMs + 1);
  ASSERT_EQ(got.size(), 1u);
  EXPECT_EQ(got[0], (Bytes{0x90, 0x51, 0xFF}));
  EXPECT_EQ(Inquiry(0x00), (Bytes{0x90, 0x50, 0x03, 0xFF}));
  EXPECT_EQ(Command({0x62, 0x02}), 0x41);
  EXPECT_EQ(Inquiry(0x47).size(), 7u);  // inquiries still answered in standby

  d.Write({0x81, 0x01, 0x04, 0x00, 0x02, 0xFF});
  got = d.RunMs(2);
  ASSERT_EQ(got.size(), 1u);
  EXPECT_EQ(Command({0x62, 0x02}), 0x41);  // still coming up
  EXPECT_EQ(Inquiry(0x00), (Bytes{0x90, 0x50, 0x03, 0xFF}));
  got = d.RunMs(t.powerOnMs);
  ASSERT_EQ(got.size(), 1u);
  EXPECT_EQ(got[0][1] & 0xF0, 0x50);
  EXPECT_EQ(Inquiry(0x00), (Bytes{0x90, 0x50, 0x02, 0xFF}));
  EXPECT_EQ(Command({0x62, 0x02}), kAcked);
  // power on while on completes at once
  d.Write({0x81, 0x01, 0x04, 0x00, 0x02, 0xFF});
  EXPECT_EQ(d.RunMs(2).size(), 2u);
}

TEST_F(CameraState, PowerComesUpWithThePowerOnSettings) {
  EXPECT_EQ(Command({0x63, 0x02}), kAcked);
  EXPECT_EQ(Command({0x3F, 0x01, 0x7F}), kAcked);  // remember as power-on settings
  EXPECT_EQ(Command({0x63, 0x00}), kAcked);
  EXPECT_EQ(Command({0x00, 0x03}, 50), kAcked);
  EXPECT_EQ(Command({0x00, 0x02}, 50), kAcked);
  EXPECT_EQ(Inquiry(0x63), (Bytes{0x90, 0x50, 0x02, 0xFF}));
}

TEST_F(CameraState, BroadcastCommandIsCarriedOutWithoutReplies) {
  d.Write({0x88, 0x01, 0x04, 0x62, 0x02, 0xFF});
  const auto got = d.RunMs(5);
  ASSERT_EQ(got.size(), 1u);  // only the packet itself, come round
  EXPECT_EQ(got[0], (Bytes{0x88, 0x01, 0x04, 0x62, 0x02, 0xFF}));
  EXPECT_EQ(d.line.State(0).freeze, 2);
}
