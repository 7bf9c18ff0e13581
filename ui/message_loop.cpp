#include "ui/message_loop.h"

#include "ui/keyboard.h"
#include "ui/pad_column.h"
#include "ui/presets_window.h"
#include "ui/traffic_window.h"

namespace {

constexpr WPARAM kTabCharacter = 9;
constexpr WPARAM kEnterCharacter = 13;
constexpr WPARAM kSpaceCharacter = 32;
// A key message's flag of the dedicated arrow and navigation keys.
constexpr LPARAM kExtendedKey = static_cast<LPARAM>(1) << 24;

int ShiftedKeypad(const MSG& msg) {
  return ShiftedKeypadKey(static_cast<int>(msg.wParam), (msg.lParam & kExtendedKey) != 0);
}

void RouteCharacter(const MSG& msg) {
  switch (msg.wParam) {
    case kTabCharacter:
      NextTabStop(GetKeyState(VK_SHIFT) < 0 ? 0 : 1);
      break;
    case kSpaceCharacter:
      // On a pad button Space holds the button instead.
      if (FocusedPadHeading() < 0) ToggleFreeze();
      break;
    case kEnterCharacter:
      PressFocusedControl();
      break;
    default:
      DispatchMessageA(&msg);
      break;
  }
}

}  // namespace

void RouteMessage(const MSG& msg) {
  // A key let go stops the pad whichever window had it, with Alt or not.
  if (msg.message == WM_KEYUP || msg.message == WM_SYSKEYUP) {
    const int keypad = ShiftedKeypad(msg);
    if (keypad)
      OnShiftedKeypadKey(keypad, 0);
    else
      ReleaseKey(static_cast<int>(msg.wParam));
  }
  // The Traffic window keeps the usual dialog keys; the panel's rules stay out of it.
  MSG copy = msg;
  if (RouteTrafficMessage(&copy) || RoutePresetsMessage(&copy)) return;
  TranslateMessage(&msg);
  switch (msg.message) {
    case WM_CHAR:
      RouteCharacter(msg);
      break;
    // No window ever sees these two: sliders, list and buttons have no
    // keyboard handling of their own.
    case WM_KEYDOWN:
      if (const int keypad = ShiftedKeypad(msg))
        OnShiftedKeypadKey(keypad, 1);
      else
        OnKey(static_cast<int>(msg.wParam), 1);
      break;
    case WM_KEYUP:
      OnKey(static_cast<int>(msg.wParam), 0);
      break;
    default:
      DispatchMessageA(&msg);
      break;
  }
}

int RunMessageLoop() {
  MSG msg = {};
  while (GetMessageA(&msg, nullptr, 0, 0) > 0) RouteMessage(msg);
  return static_cast<int>(msg.wParam);
}
