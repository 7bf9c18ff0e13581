// Five presets store and recall the picture settings; the last preset
// recalled is answered by 09 04 3F; memory 0x7F holds the power-on settings.
#include "tests/sim/sim_test_util.h"

#include <gtest/gtest.h>

namespace {

struct Presets : ::testing::Test {
  LineDriver d;

  void SetUp() override {
    d.line.AddCamera(0x67);
    d.AssignAddresses();
  }

  void Command(std::initializer_list<uint8_t> payload, uint32_t ms = 400) {
    Bytes packet{0x81, 0x01, 0x04};
    packet.insert(packet.end(), payload);
    packet.push_back(0xFF);
    d.WriteBytes(packet);
    const auto got = d.RunMs(ms);
    ASSERT_FALSE(got.empty());
    ASSERT_EQ(got[0][1] & 0xF0, 0x40) << "refused";
  }

  uint8_t LastPreset() {
    d.Write({0x81, 0x09, 0x04, 0x3F, 0xFF});
    const auto got = d.RunMs(3);
    EXPECT_EQ(got.size(), 1u);
    return got.empty() ? 0xEE : got[0][2];
  }
};

}  // namespace

TEST_F(Presets, RecallRestoresThePictureAndIsRemembered) {
  EXPECT_EQ(LastPreset(), 0);
  Command({0x39, 0x03});
  Command({0x4B, 0x00, 0x00, 0x00, 0x0E});
  Command({0x63, 0x04});
  Command({0x47, 0x03, 0x00, 0x00, 0x00});
  Command({0x3F, 0x01, 0x03});  // store in preset 3
  Command({0x39, 0x00});
  Command({0x63, 0x00});
  Command({0x47, 0x00, 0x00, 0x00, 0x00});
  EXPECT_EQ(d.line.State(0).picture.zoomPos, 0);

  Command({0x3F, 0x02, 0x03});
  const SimCameraState& s = d.line.State(0);
  EXPECT_EQ(s.picture.aeMode, 0x03);
  EXPECT_EQ(s.picture.irisPos, 0x0E);
  EXPECT_EQ(s.picture.pictureEffect, 0x04);
  EXPECT_EQ(s.picture.zoomPos, 0x3000);
  EXPECT_EQ(LastPreset(), 3);
}

TEST_F(Presets, RecallMovesTheZoomAndCompletesWhenThere) {
  Command({0x47, 0x04, 0x00, 0x00, 0x00});
  Command({0x3F, 0x01, 0x05});
  Command({0x47, 0x00, 0x00, 0x00, 0x00});
  d.Write({0x81, 0x01, 0x04, 0x3F, 0x02, 0x05, 0xFF});
  auto got = d.RunMs(2);
  ASSERT_EQ(got.size(), 1u);
  EXPECT_EQ(got[0], (Bytes{0x90, 0x41, 0xFF}));
  got = d.RunMs(100);  // half of a fast full sweep
  EXPECT_TRUE(got.empty());
  const uint16_t halfway = d.line.State(0).picture.zoomPos;
  EXPECT_GT(halfway, 0x1000);
  EXPECT_LT(halfway, 0x3000);
  got = d.RunMs(110);
  ASSERT_EQ(got.size(), 1u);
  EXPECT_EQ(got[0], (Bytes{0x90, 0x51, 0xFF}));
  EXPECT_EQ(d.line.State(0).picture.zoomPos, 0x4000);
}

TEST_F(Presets, EachOfFiveKeepsItsOwnSettings) {
  for (uint8_t n = 1; n <= 5; ++n) {
    Command({0x5B, static_cast<uint8_t>(n - 1)});
    Command({0x3F, 0x01, n});
  }
  for (uint8_t n = 5; n >= 1; --n) {
    Command({0x3F, 0x02, n});
    EXPECT_EQ(d.line.State(0).picture.gamma, n - 1);
    EXPECT_EQ(LastPreset(), n);
  }
}

TEST_F(Presets, ResetAndTheNumbersACameraDoesNotHave) {
  Command({0x63, 0x02});
  Command({0x3F, 0x01, 0x02});
  Command({0x3F, 0x00, 0x02});  // reset to the factory picture
  Command({0x3F, 0x02, 0x02});
  EXPECT_EQ(d.line.State(0).picture.pictureEffect, 0);
  for (uint8_t bad : {0x00, 0x06, 0x10}) {
    d.WriteBytes(Bytes{0x81, 0x01, 0x04, 0x3F, 0x02, bad, 0xFF});
    const auto got = d.RunMs(3);
    ASSERT_EQ(got.size(), 1u);
    EXPECT_EQ(got[0], (Bytes{0x90, 0x60, 0x02, 0xFF}));
  }
  EXPECT_EQ(LastPreset(), 2);
}

TEST_F(Presets, RecallWhileInStandbyIsRefused) {
  Command({0x00, 0x03}, 50);
  d.Write({0x81, 0x01, 0x04, 0x3F, 0x02, 0x01, 0xFF});
  const auto got = d.RunMs(3);
  ASSERT_EQ(got.size(), 1u);
  EXPECT_EQ(got[0], (Bytes{0x90, 0x61, 0x41, 0xFF}));
  EXPECT_EQ(LastPreset(), 0);
}
