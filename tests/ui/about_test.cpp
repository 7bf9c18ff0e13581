// The About window: its texts; one at a time, brought to the front by a
// second "About", made afresh after "OK", closed by Enter on "OK"; its fonts
// and logo let go when it closes.
#include "ui_rig.h"

#include "ui/about_window.h"
#include "ui/ui_globals.h"

namespace {

class About : public ShellTest {
 protected:
  // The About window has no owner: it outlives the main window.
  void TearDown() override {
    if (IsWindow(hAboutWnd)) DestroyWindow(hAboutWnd);
    ShellTest::TearDown();
  }
};

int AboutWindowsOpen() {
  int count = 0;
  EnumThreadWindows(
      GetCurrentThreadId(),
      [](HWND w, LPARAM counter) {
        if (WindowText(w) == "About Orvalix" && IsWindowVisible(w)) ++*reinterpret_cast<int*>(counter);
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&count));
  return count;
}

TEST_F(About, OpensWithItsTexts) {
  Click(IDC_ABOUT);
  HWND about = hAboutWnd;
  ASSERT_TRUE(IsWindow(about));
  EXPECT_EQ("About Orvalix", WindowText(about));
  EXPECT_EQ(nullptr, GetParent(about));
  EXPECT_TRUE(GetWindowLongA(about, GWL_EXSTYLE) & WS_EX_TOPMOST);
  HWND text = GetDlgItem(about, 8242);
  HWND link = GetDlgItem(about, 8243);
  EXPECT_EQ("Tessaly Orvalix Software\n\t\tVersion: 2.2 \n2026 Tessaly Orvalix Software", WindowText(text));
  EXPECT_EQ("https://orvalix.example.org", WindowText(link));
  EXPECT_EQ("OK", WindowText(GetDlgItem(about, 8244)));
  EXPECT_EQ(GetDlgItem(about, 8244), GetFocus());
}

// One window at a time: a second "About" activates it; "OK" closes it
// alone and lets its fonts and logo go; the next one is made afresh, and the
// loop's Enter on its focused "OK" closes it too.
TEST_F(About, OneAtATimeClosedByOkOrEnter) {
  Click(IDC_ABOUT);
  HWND about = hAboutWnd;
  SetActiveWindow(hMainWnd);
  ASSERT_EQ(hMainWnd, GetActiveWindow());
  Click(IDC_ABOUT);
  EXPECT_EQ(about, hAboutWnd);
  EXPECT_EQ(about, GetActiveWindow());
  EXPECT_EQ(1, AboutWindowsOpen());
  EXPECT_EQ(0, ShowAboutWindow());

  HGDIOBJ objects[] = {reinterpret_cast<HGDIOBJ>(SendDlgItemMessageA(about, 8242, WM_GETFONT, 0, 0)),
                       reinterpret_cast<HGDIOBJ>(SendDlgItemMessageA(about, 8243, WM_GETFONT, 0, 0)),
                       reinterpret_cast<HGDIOBJ>(SendDlgItemMessageA(about, 8222, BM_GETIMAGE, IMAGE_BITMAP, 0))};
  for (HGDIOBJ object : objects) ASSERT_NE(0, GetObjectType(object));
  SendDlgItemMessageA(about, 8244, BM_CLICK, 0, 0);
  RunLoop();
  EXPECT_FALSE(IsWindow(about));
  EXPECT_TRUE(IsWindow(hMainWnd)) << "closing About ends nothing else";
  for (HGDIOBJ object : objects) EXPECT_EQ(0, GetObjectType(object));

  EXPECT_EQ(1, ShowAboutWindow()) << "a fresh window after OK";
  about = hAboutWnd;
  EXPECT_TRUE(IsWindowVisible(about));
  EXPECT_EQ(1, AboutWindowsOpen());
  ASSERT_EQ(GetDlgItem(about, 8244), GetFocus());
  Press(VK_RETURN);
  EXPECT_FALSE(IsWindow(about));
  EXPECT_TRUE(IsWindow(hMainWnd));
}

}  // namespace
