#include "ui/main_wnd_proc.h"

#include "common/control_ids.h"
#include "panel/notification_drain.h"
#include "panel/pad_panel.h"
#include "panel/slider_controls.h"
#include "panel/window_hooks.h"
#include "ui/about_window.h"
#include "ui/painting.h"
#include "ui/panel_commands.h"
#include "ui/presets_window.h"
#include "ui/remote_messages.h"
#include "ui/traffic_window.h"
#include "ui/ui_globals.h"
#include "ui/window_names.h"

#include <commctrl.h>

namespace {

// The low four bits of a system command are Windows' own.
constexpr WPARAM kSystemCommandMask = 0xFFF0;

// Killed before the drain and set again after it, so the next tick comes a
// full period after the work however long it took. Other timers fire once.
void OnTimer(HWND hwnd, UINT_PTR timerId) {
  KillTimer(hwnd, timerId);
  if (timerId != kDrainTimerId) return;
  DrainNotifications();
  FollowWindowNames();
  SetTimer(hwnd, kDrainTimerId, kDrainPeriodMs, nullptr);
}

// A slider's thumb was let go: its position becomes a request, or the
// pad's held drive takes the new speed.
void OnNotify(WPARAM controlId, const NMHDR* header) {
  if (!header || header->code != static_cast<UINT>(NM_RELEASEDCAPTURE)) return;
  if (controlId == IDC_PAD_SPEED)
    PadRefreshDrive(GetKeyState(VK_SHIFT) < 0);
  else
    PostSliderRequest(static_cast<int>(controlId));
}

void OnPaint(HWND hwnd) {
  PAINTSTRUCT ps;
  HDC hdc = BeginPaint(hwnd, &ps);
  PaintWindow(hwnd, hdc);
  EndPaint(hwnd, &ps);
}

// Nothing keeps moving while the window is not the operator's; the menu and
// move/size loops take the key-ups themselves.
bool LosesTheOperator(UINT message, WPARAM wParam) {
  switch (message) {
    case WM_ACTIVATE:
      return LOWORD(wParam) == WA_INACTIVE;
    case WM_ACTIVATEAPP:
      return !wParam;
    case WM_ENTERMENULOOP:
    case WM_ENTERSIZEMOVE:
    case WM_CANCELMODE:
      return true;
    default:
      return false;
  }
}

// The system menu's own items; false for Windows' items.
bool OnSystemCommand(WPARAM wParam) {
  if ((wParam & kSystemCommandMask) == kTrafficMenuCommand) {
    OpenTrafficWindow();
    return true;
  }
  if ((wParam & kSystemCommandMask) == kPresetsMenuCommand) {
    OpenPresetsWindow();
    return true;
  }
  return false;
}

}  // namespace

LRESULT CALLBACK MainWndProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  if (IsRemoteMessage(message)) {
    OnRemoteMessage(message, wParam, lParam);
    return 0;
  }
  if (LosesTheOperator(message, wParam)) PadRelease();
  switch (message) {
    case WM_COMMAND:
      OnCommand(hwnd, LOWORD(wParam), HIWORD(wParam));
      break;
    case WM_TIMER:
      OnTimer(hwnd, wParam);
      break;
    case WM_NOTIFY:
      OnNotify(wParam, reinterpret_cast<const NMHDR*>(lParam));
      break;
    case WM_LBUTTONDOWN:
      // A click on the bare background takes the focus from every control.
      SetFocus(hwnd);
      break;
    case WM_PAINT:
      OnPaint(hwnd);
      break;
    case WM_DESTROY:
      OnAboutWindowDestroyed(hwnd);
      if (hwnd == hMainWnd) PostQuitMessage(0);
      break;
    case WM_ENDSESSION:
      if (hwnd == hMainWnd) PostQuitMessage(0);
      break;
    case WM_CLOSE:
      DestroyWindow(hwnd);
      return 0;
    case kCameraEntryMessage:
      return ReplaceCameraEntry(hwnd, message, wParam, lParam);
    case WM_SYSCOMMAND:
      if (OnSystemCommand(wParam)) return 0;
      break;
    default:
      break;
  }
  return DefWindowProcA(hwnd, message, wParam, lParam);
}
