#include "ui/main_window.h"

#include "common/text.h"
#include "ui/ui_globals.h"

namespace {

// The window sits right of and below the screen's centre position.
constexpr int kOffsetX = 280;
constexpr int kOffsetY = 125;
constexpr DWORD kMainStyle = WS_POPUP | WS_CLIPCHILDREN | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;
constexpr DWORD kPageStyle = WS_CHILD | WS_CLIPSIBLINGS | WS_CLIPCHILDREN;

}  // namespace

int CreateMainWindow() {
  int x = (GetSystemMetrics(SM_CXSCREEN) - kMainWidth) / 2 + kOffsetX;
  int y = (GetSystemMetrics(SM_CYSCREEN) - kMainHeight) / 2 + kOffsetY;
  hMainWnd = CreateWindowExA(WS_EX_TOPMOST, szClassName, szClassName, kMainStyle, x, y, kMainWidth, kMainHeight,
                             nullptr, nullptr, hInst, nullptr);
  if (!hMainWnd) return 0;
  RECT client;
  GetClientRect(hMainWnd, &client);
  for (int i = 0; i < 3; i++) {
    DWORD style = kPageStyle | (i == 0 ? WS_VISIBLE : 0);
    hPage[i] = CreateWindowExA(0, szClassName, szClassName, style, 0, 0, client.right, client.bottom, hMainWnd, nullptr,
                               hInst, nullptr);
  }
  return 1;
}
