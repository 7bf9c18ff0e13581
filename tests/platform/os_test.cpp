// A thread joined with a limit: the base of every bounded close.
#include "platform/os.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace {

// Traffic times need steps finer than the tick's (10 to 16 ms on Windows):
// the smallest step seen between two readings is under a millisecond.
TEST(OsMicroseconds, StepsFinerThanAMillisecond) {
  uint64_t smallest = UINT64_MAX;
  uint64_t last = OsMicroseconds();
  for (int i = 0, steps = 0; i < 10000000 && steps < 100; i++) {
    const uint64_t now = OsMicroseconds();
    ASSERT_GE(now, last);
    if (now != last) smallest = std::min(smallest, now - last), steps++;
    last = now;
  }
  EXPECT_LT(smallest, 1000u);
}

uint32_t WaitForRelease(void* arg) { return static_cast<OsEvent*>(arg)->Wait(10000) == 0 ? 3 : 4; }

TEST(OsThread, JoinTimesOutWhileTheThreadRunsThenReportsItsResult) {
  OsEvent release;
  ASSERT_TRUE(release.Create(true, false));
  OsThread t;
  ASSERT_TRUE(t.Start(WaitForRelease, &release));
  EXPECT_FALSE(t.Join(20));
  EXPECT_TRUE(t.IsStarted());
  release.Set();
  EXPECT_TRUE(t.Join(10000));
  EXPECT_EQ(3u, t.exitCode);
  EXPECT_FALSE(t.IsStarted());
}

}  // namespace
