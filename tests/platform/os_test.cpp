#include "platform/os.h"

#include <gtest/gtest.h>

#include <atomic>

namespace {

TEST(OsEvent, AutoResetWakesOneWaitThenClears) {
  OsEvent e;
  ASSERT_TRUE(e.Create(false, false));
  EXPECT_EQ(OS_WAIT_TIMEOUT, e.Wait(0));
  e.Set();
  EXPECT_EQ(0, e.Wait(0));
  EXPECT_EQ(OS_WAIT_TIMEOUT, e.Wait(0));
}

TEST(OsEvent, ManualResetStaysSetUntilReset) {
  OsEvent e;
  ASSERT_TRUE(e.Create(true, true));
  EXPECT_EQ(0, e.Wait(0));
  EXPECT_EQ(0, e.Wait(0));
  e.Reset();
  EXPECT_EQ(OS_WAIT_TIMEOUT, e.Wait(0));
}

TEST(OsEvent, WaitAnyReportsLowestSignalledIndex) {
  OsEvent a, b, c;
  ASSERT_TRUE(a.Create(false, false) && b.Create(false, false) && c.Create(true, false));
  OsEvent* all[] = {&a, &b, &c};
  EXPECT_EQ(OS_WAIT_TIMEOUT, OsWaitAny(all, 3, 0));
  c.Set();
  b.Set();
  EXPECT_EQ(1, OsWaitAny(all, 3, 0));
  EXPECT_EQ(2, OsWaitAny(all, 3, 0));
  EXPECT_EQ(2, OsWaitAny(all, 3, 0)) << "manual-reset event stays set";
  OsEvent* none[] = {nullptr};
  EXPECT_EQ(OS_WAIT_FAILED, OsWaitAny(none, 1, 0));
  EXPECT_EQ(OS_WAIT_FAILED, OsWaitAny(all, 0, 0));
}

TEST(OsEvent, TimedWaitLastsAtLeastItsTimeout) {
  OsEvent e;
  ASSERT_TRUE(e.Create(false, false));
  uint32_t start = OsTickCount();
  EXPECT_EQ(OS_WAIT_TIMEOUT, e.Wait(30));
  EXPECT_GE(OsTickCount() - start, 25u);  // tick granularity on Windows
}

uint32_t SetAfterDelay(void* arg) {
  OsSleep(20);
  static_cast<OsEvent*>(arg)->Set();
  return 7;
}

TEST(OsThread, AnotherThreadWakesAWaiterAndReportsItsResult) {
  OsEvent e;
  ASSERT_TRUE(e.Create(false, false));
  OsThread t;
  ASSERT_TRUE(t.Start(SetAfterDelay, &e));
  uint32_t start = OsTickCount();
  EXPECT_EQ(0, e.Wait(10000));
  EXPECT_LT(OsTickCount() - start, 5000u);
  EXPECT_TRUE(t.Join(10000));
  EXPECT_EQ(7u, t.exitCode);
  EXPECT_FALSE(t.IsStarted());
}

uint32_t WaitForRelease(void* arg) { return static_cast<OsEvent*>(arg)->Wait(10000) == 0 ? 3 : 4; }

TEST(OsThread, JoinTimesOutWhileTheThreadRuns) {
  OsEvent release;
  ASSERT_TRUE(release.Create(true, false));
  OsThread t;
  ASSERT_TRUE(t.Start(WaitForRelease, &release));
  EXPECT_FALSE(t.Join(20));
  EXPECT_TRUE(t.IsStarted());
  release.Set();
  EXPECT_TRUE(t.Join(10000));
  EXPECT_EQ(3u, t.exitCode);
}

TEST(OsSemaphore, CountsUpToItsMaximum) {
  OsSemaphore s;
  ASSERT_TRUE(s.Create(0, 2));
  EXPECT_EQ(OS_WAIT_TIMEOUT, s.Wait(0));
  EXPECT_TRUE(s.Release());
  EXPECT_TRUE(s.Release());
  EXPECT_FALSE(s.Release()) << "past the maximum";
  EXPECT_EQ(0, s.Wait(0));
  EXPECT_EQ(0, s.Wait(0));
  EXPECT_EQ(OS_WAIT_TIMEOUT, s.Wait(0));
  OsSemaphore bad;
  EXPECT_FALSE(bad.Create(3, 2));
  EXPECT_FALSE(bad.Release());
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
  ASSERT_TRUE(a.Join(60000)) << "still counting after 60 s";
  ASSERT_TRUE(b.Join(60000)) << "still counting after 60 s";
  EXPECT_EQ(200000, c.value);
}

std::atomic<uint32_t> virtualNow{0};
uint32_t VirtualTick() { return virtualNow.load(); }

TEST(OsTick, TestClockReplacesTheRealOneAndWraps) {
  virtualNow = 0xFFFFFFF0u;
  OsSetTickSourceForTest(VirtualTick);
  uint32_t before = OsTickCount();
  virtualNow += 0x20;
  uint32_t after = OsTickCount();
  OsSetTickSourceForTest(nullptr);
  EXPECT_EQ(0x10u, after);
  EXPECT_EQ(0x20u, after - before);
  uint32_t real = OsTickCount();
  OsSleep(60);
  EXPECT_GE(OsTickCount() - real, 40u);  // Wine's tick moves in coarse steps
}

}  // namespace
