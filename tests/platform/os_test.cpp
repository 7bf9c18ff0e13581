// A thread joined with a limit: the base of every bounded close.
#include "platform/os.h"

#include <gtest/gtest.h>

namespace {

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
