// Zoom and focus move at a finite speed: inquiries during a move report
// positions on the way, and the completion comes when the move ends.
#include "tests/sim/sim_test_util.h"

#include <gtest/gtest.h>

namespace {

uint16_t Nibbles(const Bytes& answer) {
  return static_cast<uint16_t>((answer[2] << 12) | (answer[3] << 8) | (answer[4] << 4) | answer[5]);
}

struct Moves : ::testing::Test {
  LineDriver d{SimRealisticTiming()};

  void SetUp() override {
    d.line.AddCamera(0x66);
    d.AssignAddresses();
  }

  std::vector<Bytes> others;  // replies that came while waiting for an answer

  uint16_t AskPosition(uint8_t what) {
    d.WriteBytes(Bytes{0x81, 0x09, 0x04, what, 0xFF});
    for (int ms = 0; ms < 40; ++ms) {
      for (const Bytes& p : d.RunMs(1)) {
        if (p.size() == 7) return Nibbles(p);
        others.push_back(p);
      }
    }
    ADD_FAILURE() << "no answer";
    return 0;
  }
};

}  // namespace

TEST_F(Moves, ZoomInquiriesDuringAMoveReportPositionsOnTheWay) {
  d.Write({0x81, 0x01, 0x04, 0x47, 0x04, 0x00, 0x00, 0x00, 0xFF});
  auto got = d.RunMs(20);
  ASSERT_EQ(got.size(), 1u);
  EXPECT_EQ(got[0], (Bytes{0x90, 0x41, 0xFF}));

  uint16_t last = 0;
  int rising = 0;
  bool completed = false;
  uint64_t completedAtUs = 0;
  while (!completed && d.nowUs < 10000000u) {
    const uint16_t pos = AskPosition(0x47);
    if (pos > last) ++rising;
    EXPECT_GE(pos, last);
    last = pos;
    for (const Bytes& p : d.RunMs(200)) others.push_back(p);
    for (const Bytes& p : others) {
      if (!completed && p == Bytes{0x90, 0x51, 0xFF}) {
        completed = true;
        completedAtUs = d.nowUs;
      }
    }
    others.clear();
  }
  ASSERT_TRUE(completed);
  EXPECT_GE(rising, 5);  // seen on the way, not only at the end
  // a full sweep takes a few seconds
  EXPECT_GT(completedAtUs, 2000000u);
  EXPECT_LT(completedAtUs, 5000000u);
  EXPECT_EQ(AskPosition(0x47), 0x4000);
}

TEST_F(Moves, CompletionOnlyWhenTheTargetIsReached) {
  d.Write({0x81, 0x01, 0x04, 0x47, 0x02, 0x00, 0x00, 0x00, 0xFF});
  d.RunMs(20);
  int reachedAt = -1;
  int completedAt = -1;
  for (int ms = 0; ms < 3000 && completedAt < 0; ++ms) {
    const auto got = d.RunMs(1);
    if (reachedAt < 0 && d.line.State(0).picture.zoomPos == 0x2000) reachedAt = ms;
    if (!got.empty()) {
      EXPECT_EQ(got[0], (Bytes{0x90, 0x51, 0xFF}));
      completedAt = ms;
    }
  }
  ASSERT_GT(reachedAt, 1000);  // half a sweep of 3 s
  ASSERT_GE(completedAt, reachedAt);
  EXPECT_LE(completedAt - reachedAt, 17);  // within the frame
}

TEST_F(Moves, FocusMovesInManualAndSettlesOnTheSceneInAuto) {
  d.Write({0x81, 0x01, 0x04, 0x38, 0x03, 0xFF});
  d.RunMs(40);
  d.Write({0x81, 0x01, 0x04, 0x48, 0x0C, 0x00, 0x00, 0x00, 0xFF});
  d.RunMs(40);
  const uint16_t mid = AskPosition(0x48);
  EXPECT_GT(mid, 0x6000);
  EXPECT_LT(mid, 0xC000);
  d.RunMs(3000);
  EXPECT_EQ(AskPosition(0x48), 0xC000);
  // back to auto: the lens hunts back to the scene by itself
  d.Write({0x81, 0x01, 0x04, 0x38, 0x02, 0xFF});
  d.RunMs(100);
  const uint16_t moving = AskPosition(0x48);
  EXPECT_LT(moving, 0xC000);
  EXPECT_GT(moving, d.line.State(0).sceneFocus);
  d.RunMs(3000);
  EXPECT_EQ(AskPosition(0x48), d.line.State(0).sceneFocus);
}

TEST_F(Moves, FocusDirectIsHeldToTheModelsRange) {
  d.Write({0x81, 0x01, 0x04, 0x38, 0x03, 0xFF});
  d.RunMs(40);
  d.Write({0x81, 0x01, 0x04, 0x48, 0x0F, 0x0F, 0x0F, 0x0F, 0xFF});
  d.RunMs(4000);
  EXPECT_EQ(d.line.State(0).picture.focusPos, 0xE500);  // wide-range model

  LineDriver narrow;
  narrow.line.AddCamera(0x45);
  narrow.AssignAddresses();
  narrow.Write({0x81, 0x01, 0x04, 0x38, 0x03, 0xFF});
  narrow.RunMs(5);
  narrow.Write({0x81, 0x01, 0x04, 0x48, 0x0F, 0x0F, 0x0F, 0x0F, 0xFF});
  narrow.RunMs(1000);
  EXPECT_EQ(narrow.line.State(0).picture.focusPos, 0xC000);
}

TEST_F(Moves, NewZoomTargetCutsTheEarlierCommandShort) {
  d.Write({0x81, 0x01, 0x04, 0x47, 0x04, 0x00, 0x00, 0x00, 0xFF});
  d.RunMs(500);
  d.Write({0x81, 0x01, 0x04, 0x47, 0x00, 0x00, 0x00, 0x00, 0xFF});
  auto got = d.RunMs(20);
  ASSERT_EQ(got.size(), 2u);
  EXPECT_EQ(got[0], (Bytes{0x90, 0x61, 0x04, 0xFF}));  // the first one, cancelled
  EXPECT_EQ(got[1], (Bytes{0x90, 0x42, 0xFF}));
  got = d.RunMs(1500);
  ASSERT_EQ(got.size(), 1u);
  EXPECT_EQ(got[0], (Bytes{0x90, 0x52, 0xFF}));
  EXPECT_EQ(d.line.State(0).picture.zoomPos, 0);
}

TEST_F(Moves, ZoomDriveRunsUntilStopped) {
  d.Write({0x81, 0x01, 0x04, 0x07, 0x27, 0xFF});
  auto got = d.RunMs(20);
  ASSERT_EQ(got.size(), 2u);  // completed at once; the lens keeps going
  d.RunMs(600);
  d.Write({0x81, 0x01, 0x04, 0x07, 0x00, 0xFF});
  d.RunMs(20);
  const uint16_t stopped = d.line.State(0).picture.zoomPos;
  EXPECT_GT(stopped, 0);
  EXPECT_LT(stopped, 0x4000);
  d.RunMs(500);
  EXPECT_EQ(d.line.State(0).picture.zoomPos, stopped);
}
