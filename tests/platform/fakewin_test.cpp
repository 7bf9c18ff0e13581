#include "platform/fakewin.h"

#include "platform/os.h"
#include "tests/support/wait_for.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

class FakeWindowTable : public ::testing::Test {
 protected:
  void SetUp() override {
    FakeReset();
    panel = FakeCreateWindow(FAKE_WINDOW, nullptr, 0);
  }
  void TearDown() override { FakeReset(); }
  HWND panel = nullptr;
};

TEST_F(FakeWindowTable, TrackbarClampsPositionToItsRange) {
  HWND bar = FakeCreateWindow(FAKE_TRACKBAR, panel, 8199);
  SendDlgItemMessageA(panel, 8199, TBM_SETRANGE, TRUE, MAKELONG(5, 17));
  SendMessageA(bar, TBM_SETPOS, TRUE, 40);
  EXPECT_EQ(17, SendMessageA(bar, TBM_GETPOS, 0, 0));
  SendMessageA(bar, TBM_SETPOS, TRUE, 2);
  EXPECT_EQ(5, SendMessageA(bar, TBM_GETPOS, 0, 0));
  SendMessageA(bar, TBM_SETPOS, TRUE, 9);
  SendMessageA(bar, TBM_SETRANGE, TRUE, MAKELONG(0, 6));
  EXPECT_EQ(6, SendMessageA(bar, TBM_GETPOS, 0, 0)) << "a narrower range pulls the thumb in";
  EXPECT_EQ(MAKELONG(0, 6),
            MAKELONG(SendMessageA(bar, TBM_GETRANGEMIN, 0, 0), SendMessageA(bar, TBM_GETRANGEMAX, 0, 0)));
  SendMessageA(bar, TBM_SETTICFREQ, 10, 0);
  EXPECT_EQ(10, FakeTicFreq(bar));
}

TEST_F(FakeWindowTable, ListBoxKeepsOrderAndRefusesMissingSelections) {
  HWND list = FakeCreateWindow(FAKE_LISTBOX, panel, 8198);
  EXPECT_EQ(LB_ERR, SendMessageA(list, LB_GETCURSEL, 0, 0));
  EXPECT_EQ(0, SendMessageA(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>("Camera 1")));
  EXPECT_EQ(1, SendMessageA(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>("Camera 2")));
  EXPECT_EQ(LB_ERR, SendMessageA(list, LB_SETCURSEL, 2, 0));
  EXPECT_EQ(LB_ERR, SendMessageA(list, LB_GETCURSEL, 0, 0));
  EXPECT_EQ(1, SendMessageA(list, LB_SETCURSEL, 1, 0));
  EXPECT_EQ(1, SendMessageA(list, LB_GETCURSEL, 0, 0));
  EXPECT_EQ((std::vector<std::string>{"Camera 1", "Camera 2"}), FakeListItems(list));
}

TEST_F(FakeWindowTable, ChecksEnableStateAndFocusUntilTheWindowIsDestroyed) {
  HWND box = FakeCreateWindow(FAKE_BUTTON, panel, 8201);
  EXPECT_TRUE(SetDlgItemTextA(panel, 8201, "Checking COM3..."));
  char buf[9];
  EXPECT_EQ(8u, GetDlgItemTextA(panel, 8201, buf, sizeof buf));
  EXPECT_STREQ("Checking", buf) << "cut to the caller's buffer";
  EXPECT_FALSE(SetDlgItemTextA(panel, 9999, "x"));
  EXPECT_FALSE(CheckDlgButton(panel, 9999, BST_CHECKED));
  EXPECT_EQ(nullptr, GetDlgItem(nullptr, 8201));
  EXPECT_TRUE(CheckDlgButton(panel, 8201, BST_CHECKED));
  EXPECT_EQ(BST_CHECKED, IsDlgButtonChecked(panel, 8201));
  EXPECT_FALSE(EnableWindow(box, FALSE)) << "it was enabled before";
  EXPECT_FALSE(IsWindowEnabled(box));
  EXPECT_EQ(8201, GetWindowLongA(box, GWL_ID));
  EXPECT_EQ(nullptr, SetFocus(box));
  EXPECT_EQ(box, FakeGetFocus());
  FakeDestroyWindow(panel);
  EXPECT_FALSE(FakeIsWindow(box)) << "children die with their parent";
  EXPECT_EQ(nullptr, FakeGetFocus()) << "a destroyed window loses the focus";
  EXPECT_FALSE(SetDlgItemTextA(panel, 8201, "x") || PostMessageA(panel, WM_CLOSE, 0, 0) || UpdateWindow(box));
  EXPECT_EQ(0u, IsDlgButtonChecked(panel, 8201));
  EXPECT_EQ(0, GetWindowLongA(box, GWL_ID));
  EXPECT_EQ(nullptr, SetFocus(box));
}

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

TEST_F(FakeWindowTable, TwoThreadsMayCallAtOnce) {
  FakeCreateWindow(FAKE_EDIT, panel, 1);
  HWND list = FakeCreateWindow(FAKE_LISTBOX, panel, 2);
  Writer w{panel, 1};
  OsThread t;
  ASSERT_TRUE(t.Start(WriteTexts, &w));
  for (int i = 0; i < 2000; i++) SendMessageA(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>("item"));
  ASSERT_TRUE(t.Join(10000)) << "the writer still runs after 10 s";
  EXPECT_EQ(2000u, FakeListItems(list).size());
  EXPECT_EQ(2000u, FakeTextHistory(GetDlgItem(panel, 1)).size());
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
