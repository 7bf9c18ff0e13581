#include "platform/fakewin.h"

#include "platform/os.h"
#include "tests/support/wait_for.h"

#include <gtest/gtest.h>

namespace {

// The window table as the engine's and panel's tests use it across threads:
// as with user32, only the owning thread takes the focus, and another
// thread's call waits for the owner.
class FakeWindowTable : public ::testing::Test {
 protected:
  void SetUp() override {
    FakeReset();
    panel = FakeCreateWindow(FAKE_WINDOW, nullptr, 0);
  }
  void TearDown() override { FakeReset(); }
  HWND panel = nullptr;
};

uint32_t FocusFirstChild(void* arg) {
  SetFocus(GetDlgItem(static_cast<HWND>(arg), 8199));
  return 0;
}

TEST_F(FakeWindowTable, FocusCannotBeSetFromAThreadThatDoesNotOwnTheWindows) {
  HWND zoom = FakeCreateWindow(FAKE_TRACKBAR, panel, 8199);
  FakeBecomeOwner();
  OsThread t;
  ASSERT_TRUE(t.Start(FocusFirstChild, panel));
  ASSERT_TRUE(t.Join(10000)) << "SetFocus does not wait for the owner";
  EXPECT_EQ(nullptr, FakeGetFocus());
  SetFocus(zoom);
  EXPECT_EQ(zoom, FakeGetFocus());
  FakeReleaseOwner();
}

struct Writer {
  HWND panel;
  int id;
};

uint32_t WriteTexts(void* arg) {
  Writer* w = static_cast<Writer*>(arg);
  for (int i = 0; i < 2000; i++) SetDlgItemTextA(w->panel, w->id, i % 2 ? "odd" : "even");
  return 0;
}

TEST_F(FakeWindowTable, CrossThreadCallWaitsForTheOwnerLikeSendMessage) {
  FakeCreateWindow(FAKE_EDIT, panel, 1);
  FakeBecomeOwner();
  Writer w{panel, 1};
  OsThread t;
  ASSERT_TRUE(t.Start(WriteTexts, &w));
  EXPECT_TRUE(WaitFor([] { return FakePendingSentCount() > 0; })) << "the writer made no call within 3 s";
  EXPECT_FALSE(t.Join(20)) << "the writer waits while the owner does not pump";
  EXPECT_TRUE(FakeTextHistory(GetDlgItem(panel, 1)).empty());
  bool ended = false;
  for (const uint32_t start = OsTickCount(); !ended && OsTickCount() - start < 10000; ended = t.Join(0))
    DispatchIncomingSentMessages();
  FakeReleaseOwner();  // runs whatever still waits, so the writer can end
  ASSERT_TRUE(ended) << "the writer still ran after 10 s of pumping";
  EXPECT_EQ(2000u, FakeTextHistory(GetDlgItem(panel, 1)).size());
}

}  // namespace
