// The About window: one at a time, brought to the front by a second "About",
// made afresh after "OK", closed by Enter on "OK"; its controls, texts and
// fonts, and the fonts and logo let go when it closes.
#include "ui_rig.h"

#include "ui/about_window.h"
#include "ui/ui_globals.h"

#include <string>

namespace {

class About : public ShellTest {
 protected:
  // The About window has no owner: it outlives the main window.
  void TearDown() override {
    if (IsWindow(hAboutWnd)) DestroyWindow(hAboutWnd);
    ShellTest::TearDown();
  }
};

struct AboutControl {
  int id;
  const char* cls;
  DWORD style;
  int x, y, w, h;
};

const AboutControl kControls[] = {
    {8242, "Static", 0x56000000, 50, 5, 325, 68},
    {8222, "Button", 0x56018080, 85, 73, 152, 45},
    {8243, "Static", 0x56000100, 120, 130, 80, 20},  // widened about its centre to hold the address
    {8244, "Button", 0x56010000, 127, 160, 70, 25},
};

std::string TextOf(HWND w) {
  char text[256] = "";
  GetWindowTextA(w, text, sizeof text);
  return text;
}

LOGFONTA FontOf(HWND w) {
  LOGFONTA font = {};
  GetObjectA(reinterpret_cast<HFONT>(SendMessageA(w, WM_GETFONT, 0, 0)), sizeof font, &font);
  return font;
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
  EXPECT_EQ((GetSystemMetrics(SM_CXSCREEN) - 325) / 2 + 450, r.left);
  EXPECT_EQ((GetSystemMetrics(SM_CYSCREEN) - 220) / 2 + 60, r.top);
  EXPECT_EQ(325, r.right - r.left);
  EXPECT_EQ(220, r.bottom - r.top);

  HWND child = GetWindow(about, GW_CHILD);
  for (const AboutControl& c : kControls) {
    SCOPED_TRACE(c.id);
    ASSERT_NE(nullptr, child);
    EXPECT_EQ(c.id, GetDlgCtrlID(child));
    GetClassNameA(child, cls, sizeof cls);
    EXPECT_STREQ(c.cls, cls);
    EXPECT_EQ(c.style, static_cast<DWORD>(GetWindowLongA(child, GWL_STYLE)));
    GetWindowRect(child, &r);
    MapWindowPoints(nullptr, about, reinterpret_cast<POINT*>(&r), 2);
    if (c.id == 8243) {
      EXPECT_EQ(c.x + c.w / 2, (r.left + r.right) / 2);
      EXPECT_LE(c.w, r.right - r.left);
    } else {
      EXPECT_EQ(c.x, r.left);
      EXPECT_EQ(c.w, r.right - r.left);
    }
    EXPECT_EQ(c.y, r.top);
    EXPECT_EQ(c.h, r.bottom - r.top);
    child = GetWindow(child, GW_HWNDNEXT);
  }
  EXPECT_EQ(nullptr, child);

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
    LOGFONTA font = FontOf(w);
    EXPECT_EQ(height, font.lfHeight);
    EXPECT_EQ(FW_NORMAL, font.lfWeight);
    EXPECT_EQ(w == link ? 1 : 0, font.lfUnderline);
  }
  BITMAP logo = {};
  GetObjectA(reinterpret_cast<HBITMAP>(SendDlgItemMessageA(about, 8222, BM_GETIMAGE, IMAGE_BITMAP, 0)), sizeof logo,
             &logo);
  EXPECT_EQ(136, logo.bmWidth);
  EXPECT_EQ(40, logo.bmHeight);
  EXPECT_EQ(GetDlgItem(about, 8244), GetFocus());
}

TEST_F(About, ASecondPressBringsTheOpenWindowToTheFront) {
  Click(IDC_ABOUT);
  HWND about = hAboutWnd;
  SetActiveWindow(hMainWnd);
  ASSERT_EQ(hMainWnd, GetActiveWindow());
  Click(IDC_ABOUT);
  EXPECT_EQ(about, hAboutWnd);
  EXPECT_EQ(about, GetActiveWindow());
  EXPECT_EQ(1, AboutWindowsOpen());
  EXPECT_EQ(0, ShowAboutWindow());
}

TEST_F(About, OkClosesItAloneAndLetsItsFontsAndLogoGo) {
  Click(IDC_ABOUT);
  HWND about = hAboutWnd;
  HGDIOBJ fonts[] = {reinterpret_cast<HGDIOBJ>(SendDlgItemMessageA(about, 8242, WM_GETFONT, 0, 0)),
                     reinterpret_cast<HGDIOBJ>(SendDlgItemMessageA(about, 8243, WM_GETFONT, 0, 0))};
  HGDIOBJ logo = reinterpret_cast<HGDIOBJ>(SendDlgItemMessageA(about, 8222, BM_GETIMAGE, IMAGE_BITMAP, 0));
  for (HGDIOBJ object : {fonts[0], fonts[1], logo}) ASSERT_NE(0, GetObjectType(object));

  SendDlgItemMessageA(about, 8244, BM_CLICK, 0, 0);
  RunLoop();
  EXPECT_FALSE(IsWindow(about));
  EXPECT_TRUE(IsWindow(hMainWnd)) << "closing About ends nothing else";
  for (HGDIOBJ object : {fonts[0], fonts[1], logo}) EXPECT_EQ(0, GetObjectType(object));

  EXPECT_EQ(1, ShowAboutWindow()) << "a fresh window after OK";
  EXPECT_TRUE(IsWindowVisible(hAboutWnd));
  EXPECT_EQ(1, AboutWindowsOpen());
}

// The loop's Enter action posts the focused control's command to the panel,
// which closes the About window for "OK".
TEST_F(About, EnterOnOkClosesIt) {
  Click(IDC_ABOUT);
  HWND about = hAboutWnd;
  ASSERT_EQ(GetDlgItem(about, 8244), GetFocus());
  Press(VK_RETURN);
  EXPECT_FALSE(IsWindow(about));
  EXPECT_TRUE(IsWindow(hMainWnd));
}

}  // namespace
