#include "platform/os.h"

#include <gtest/gtest.h>

namespace {

TEST(OsEvent, ResetKindsWaitAnyAndTimeout) {
  OsEvent a, b, c;
  ASSERT_TRUE(a.Create(false, false) && b.Create(false, false) && c.Create(true, true));
  OsEvent* all[] = {&a, &b, &c};
  EXPECT_EQ(2, OsWaitAny(all, 3, 0)) << "manual-reset event created set";
  EXPECT_EQ(0, c.Wait(0));
  c.Reset();
  EXPECT_EQ(OS_WAIT_TIMEOUT, OsWaitAny(all, 3, 0));
  c.Set();
  b.Set();
  EXPECT_EQ(1, OsWaitAny(all, 3, 0)) << "the lowest index first";
  EXPECT_EQ(2, OsWaitAny(all, 3, 0)) << "auto-reset cleared on wake";
  EXPECT_EQ(2, OsWaitAny(all, 3, 0)) << "manual-reset stays set";
  OsEvent* none[] = {nullptr};
  EXPECT_EQ(OS_WAIT_FAILED, OsWaitAny(none, 1, 0));
  EXPECT_EQ(OS_WAIT_FAILED, OsWaitAny(all, 0, 0));
  const uint32_t start = OsTickCount();
  EXPECT_EQ(OS_WAIT_TIMEOUT, a.Wait(30));
  EXPECT_GE(OsTickCount() - start, 25u);  // tick granularity on Windows
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
