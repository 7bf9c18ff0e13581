// The About window: one at a time, brought to the front by a second "About",
// made afresh after "OK", closed by Enter on "OK"; its controls, texts and
// fonts, and the fonts and logo let go when it closes.
#include "ui_rig.h"

#include "ui/about_window.h"
#include "ui/ui_globals.h"

#include <string>
#include <vector>

namespace {

class About : public ShellTest {
 protected:
  // The About window has no owner: it outlives the main window.
  void TearDown() override {
    if (IsWindow(hAboutWnd)) DestroyWindow(hAboutWnd);
    ShellTest::TearDown();
  }
};

// id class style x,y w x h, in creation order.
const std::vector<std::string> kControls = {"8242 Static 56000000 50,5 325x68", "8222 Button 56018080 85,73 152x45",
                                            "8243 Static 56000100 120,130 80x20", "8244 Button 56010000 127,160 70x25"};

std::string TextOf(HWND w) {
  char text[256] = "";
  GetWindowTextA(w, text, sizeof text);
  return text;
}

int AboutWindowsOpen() {
  int count = 0;
  EnumThreadWindows(
      GetCurrentThreadId(),
      [](HWND w, LPARAM counter) {
        if (TextOf(w) == "About Orvalix" && IsWindowVisible(w)) ++*reinterpret_cast<int*>(counter);
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&count));
  return count;
}

TEST_F(About, OpensWithItsControlsTextsAndFonts) {
  Click(IDC_ABOUT);
  HWND about = hAboutWnd;
  ASSERT_TRUE(IsWindow(about));
  EXPECT_EQ("About Orvalix", TextOf(about));
  char cls[32] = "";
  GetClassNameA(about, cls, sizeof cls);
  EXPECT_STREQ("Orvalix", cls);
  EXPECT_EQ(nullptr, GetParent(about));
  EXPECT_EQ(static_cast<DWORD>(WS_POPUP | WS_CLIPCHILDREN | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_VISIBLE),
            GetWindowLongA(about, GWL_STYLE) & ~WS_CLIPSIBLINGS);
  EXPECT_TRUE(GetWindowLongA(about, GWL_EXSTYLE) & WS_EX_TOPMOST);
  RECT r;
  GetWindowRect(about, &r);
  EXPECT_EQ((std::vector<LONG>{(GetSystemMetrics(SM_CXSCREEN) - 325) / 2 + 450,
                               (GetSystemMetrics(SM_CYSCREEN) - 220) / 2 + 60, 325, 220}),
            (std::vector<LONG>{r.left, r.top, r.right - r.left, r.bottom - r.top}));

  std::vector<std::string> controls;
  for (HWND child = GetWindow(about, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
    GetClassNameA(child, cls, sizeof cls);
    GetWindowRect(child, &r);
    MapWindowPoints(nullptr, about, reinterpret_cast<POINT*>(&r), 2);
    long x = r.left, w = r.right - r.left;
    int id = GetDlgCtrlID(child);
    if (id == 8243) {  // widened about its centre to hold the address
      EXPECT_LE(80, w);
      x = (r.left + r.right) / 2 - 40;
      w = 80;
    }
    char line[80];
    snprintf(line, sizeof line, "%d %s %lX %ld,%ld %ldx%ld", id, cls,
             static_cast<unsigned long>(GetWindowLongA(child, GWL_STYLE)), x, r.top, w, r.bottom - r.top);
    controls.push_back(line);
  }
  EXPECT_EQ(kControls, controls);

  HWND text = GetDlgItem(about, 8242);
  HWND link = GetDlgItem(about, 8243);
  EXPECT_EQ("Tessaly Orvalix Software\n\t\tVersion: 2.2 \n2026 Tessaly Orvalix Software", TextOf(text));
  EXPECT_EQ("https://orvalix.example.org", TextOf(link));
  EXPECT_EQ("OK", TextOf(GetDlgItem(about, 8244)));
  HDC screen = GetDC(nullptr);
  const LONG height = -MulDiv(9, GetDeviceCaps(screen, LOGPIXELSY), 72);
  ReleaseDC(nullptr, screen);
  // The whole address shows on the link.
  HDC dc = GetDC(link);
  HGDIOBJ previous = SelectObject(dc, reinterpret_cast<HFONT>(SendMessageA(link, WM_GETFONT, 0, 0)));
  SIZE extent = {};
  GetTextExtentPoint32A(dc, "https://orvalix.example.org", 27, &extent);
  SelectObject(dc, previous);
  ReleaseDC(link, dc);
  GetClientRect(link, &r);
  EXPECT_GE(r.right, extent.cx);
  for (HWND w : {text, link}) {
    LOGFONTA font = {};
    GetObjectA(reinterpret_cast<HFONT>(SendMessageA(w, WM_GETFONT, 0, 0)), sizeof font, &font);
    EXPECT_EQ((std::vector<LONG>{height, FW_NORMAL, w == link}),
              (std::vector<LONG>{font.lfHeight, font.lfWeight, font.lfUnderline}));
  }
  BITMAP logo = {};
  GetObjectA(reinterpret_cast<HBITMAP>(SendDlgItemMessageA(about, 8222, BM_GETIMAGE, IMAGE_BITMAP, 0)), sizeof logo,
             &logo);
  EXPECT_EQ(136, logo.bmWidth);
  EXPECT_EQ(40, logo.bmHeight);
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
