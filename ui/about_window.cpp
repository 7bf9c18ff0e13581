#include "ui/about_window.h"

#include "common/control_ids.h"
#include "resources/resource_ids.h"
#include "ui/bitmaps.h"
#include "ui/shell_open.h"
#include "ui/ui_globals.h"

namespace {

constexpr int kWidth = 325;
constexpr int kHeight = 220;
// Over the right-hand part of the main window.
constexpr int kOffsetX = 450;
constexpr int kOffsetY = 60;

// The address is centred under the logo, at least 80 pixels wide and as
// wide as its text, so that the whole address shows.
constexpr int kLinkCentreX = 160;
constexpr int kLinkMinWidth = 80;
constexpr int kLinkMargin = 4;

constexpr int kFontPoints = 9;
constexpr int kPointsPerInch = 72;

const char kTitle[] = "About Orvalix";
const char kAboutText[] =
    "Tessaly Orvalix Software\n"
    "\t\tVersion: 2.2 \n"
    "2026 Tessaly Orvalix Software";

constexpr DWORD kWindowStyle = WS_POPUP | WS_CLIPCHILDREN | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;
constexpr DWORD kTextStyle = WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | WS_CLIPCHILDREN;
constexpr DWORD kLogoStyle = kTextStyle | WS_TABSTOP | BS_FLAT | BS_BITMAP;
constexpr DWORD kLinkStyle = kTextStyle | SS_NOTIFY;
constexpr DWORD kOkStyle = kTextStyle | WS_TABSTOP | BS_PUSHBUTTON;

// Made for each About window and released when it is destroyed.
struct AboutResources {
  HFONT normalFont;
  HFONT linkFont;
  HBITMAP logo;
};
AboutResources about;

void ReleaseResources() {
  if (about.normalFont) DeleteObject(about.normalFont);
  if (about.linkFont) DeleteObject(about.linkFont);
  if (about.logo) DeleteObject(about.logo);
  about = AboutResources{};
}

HFONT CreateAboutFont(bool underlined) {
  HDC screen = GetDC(nullptr);
  int height = -MulDiv(kFontPoints, GetDeviceCaps(screen, LOGPIXELSY), kPointsPerInch);
  ReleaseDC(nullptr, screen);
  return CreateFontA(height, 0, 0, 0, FW_NORMAL, FALSE, underlined ? TRUE : FALSE, FALSE, 0, 0, 0, 0, 0, "");
}

int LinkWidth() {
  HDC screen = GetDC(nullptr);
  HGDIOBJ previous = SelectObject(screen, about.linkFont);
  SIZE size = {};
  GetTextExtentPoint32A(screen, kMakerWebAddress, lstrlenA(kMakerWebAddress), &size);
  SelectObject(screen, previous);
  ReleaseDC(nullptr, screen);
  int width = size.cx + kLinkMargin;
  return width > kLinkMinWidth ? width : kLinkMinWidth;
}

HWND CreateAboutControl(const char* className, const char* text, DWORD style, int x, int y, int w, int h, int id) {
  return CreateWindowExA(0, className, text, style, x, y, w, h, hAboutWnd,
                         reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), hInst, nullptr);
}

void CreateAboutControls() {
  HWND text = CreateAboutControl("STATIC", kAboutText, kTextStyle, 50, 5, kWidth, kHeight / 3 - 5, IDC_ABOUT_TEXT);
  HWND logo = CreateAboutControl("BUTTON", "", kLogoStyle, 85, kHeight / 4 + 18, kWidth / 2 - 10, kHeight / 4 - 10,
                                 IDC_ABOUT_LOGO);
  about.logo = LoadPanelBitmap(IDB_LOGO);
  SendMessageA(logo, BM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(about.logo));
  int linkWidth = LinkWidth();
  HWND link = CreateAboutControl("STATIC", kMakerWebAddress, kLinkStyle, kLinkCentreX - linkWidth / 2, kHeight / 2 + 20,
                                 linkWidth, 20, IDC_ABOUT_LINK);
  HWND ok = CreateAboutControl("BUTTON", "OK", kOkStyle, kWidth / 2 - 35, kHeight / 2 + 50, 70, 25, IDC_ABOUT_OK);
  SendMessageA(text, WM_SETFONT, reinterpret_cast<WPARAM>(about.normalFont), TRUE);
  SendMessageA(link, WM_SETFONT, reinterpret_cast<WPARAM>(about.linkFont), TRUE);
  SetFocus(ok);
}

}  // namespace

int ShowAboutWindow() {
  // A closed window's stale handle is not enabled.
  if (IsWindowEnabled(hAboutWnd)) {
    SetActiveWindow(hAboutWnd);
    return 0;
  }
  int x = (GetSystemMetrics(SM_CXSCREEN) - kWidth) / 2 + kOffsetX;
  int y = (GetSystemMetrics(SM_CYSCREEN) - kHeight) / 2 + kOffsetY;
  about.normalFont = CreateAboutFont(false);
  about.linkFont = CreateAboutFont(true);
  hAboutWnd = CreateWindowExA(WS_EX_TOPMOST, szClassName, kTitle, kWindowStyle, x, y, kWidth, kHeight, nullptr, nullptr,
                              hInst, nullptr);
  if (!hAboutWnd) {
    ReleaseResources();
    return 0;
  }
  CreateAboutControls();
  ShowWindow(hAboutWnd, SW_SHOW);
  UpdateWindow(hAboutWnd);
  return 1;
}

void OnAboutWindowDestroyed(HWND window) {
  if (window && window == hAboutWnd) ReleaseResources();
}
