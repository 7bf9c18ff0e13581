#include "platform/os.h"

#include <gtest/gtest.h>

#include <algorithm>

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

TEST(OsSemaphore, CountsUpToItsMaximum) {
  OsSemaphore s;
  ASSERT_TRUE(s.Create(0, 2));
  EXPECT_EQ(OS_WAIT_TIMEOUT, s.Wait(0));
  EXPECT_TRUE(s.Release() && s.Release());
  EXPECT_FALSE(s.Release()) << "past the maximum";
  EXPECT_TRUE(s.Wait(0) == 0 && s.Wait(0) == 0);
  EXPECT_EQ(OS_WAIT_TIMEOUT, s.Wait(0));
  OsSemaphore bad;
  EXPECT_FALSE(bad.Create(3, 2) || bad.Release());
}

struct Counter {
  OsLock lock;
  long value = 0;
};

uint32_t AddMany(void* arg) {
  Counter* c = static_cast<Counter*>(arg);
  for (int i = 0; i < 100000; i++) {
    OsLockGuard g(c->lock);
    OsLockGuard again(c->lock);  // re-entry on the owning thread
    c->value++;
  }
  return 0;
}

TEST(OsLock, SerialisesTwoThreadsAndIsReentrant) {
  Counter c;
  OsThread a, b;
  ASSERT_TRUE(a.Start(AddMany, &c));
  ASSERT_TRUE(b.Start(AddMany, &c));
  ASSERT_TRUE(a.Join(60000) && b.Join(60000)) << "still counting after 60 s";
  EXPECT_EQ(200000, c.value);
}

}  // namespace
