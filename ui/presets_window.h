// The Presets window: the selected camera's preset numbers with their names,
// Recall, Store and Rename, and the camera's own name. Opened from
// "Presets..." in the main window's system menu; one at a time, owned by the
// main window; it follows the selection.
#pragma once

#include <windows.h>

// Control ids inside the window ("Recall" is IDOK, so Enter recalls).
enum {
  IDC_PRESETS_CAMERA = 320,
  IDC_PRESETS_CAMERA_NAME = 321,
  IDC_PRESETS_CAMERA_RENAME = 322,
  IDC_PRESETS_LIST = 323,
  IDC_PRESETS_NAME = 324,
  IDC_PRESETS_RENAME = 325,
  IDC_PRESETS_STORE = 326,
  IDC_PRESETS_MESSAGE = 327,
  IDC_PRESETS_RECALL = IDOK,
};

// The system-menu command that opens the window.
constexpr UINT kPresetsMenuCommand = 0x0120;

// Adds "Presets..." to `mainWindow`'s system menu, after "Traffic...".
void AddPresetsMenuItem(HWND mainWindow);
// Creates the window, or brings the open one to the front.
void OpenPresetsWindow();
// Shows the camera now selected and the names as they stand, when either
// changed since the window last showed them. Cheap when neither did.
void FollowPresetsWindow();
// The message loop's first look at each message: true when it belonged to
// the Presets window and has been handled there (dialog keys, no panel rules).
bool RoutePresetsMessage(MSG* msg);
