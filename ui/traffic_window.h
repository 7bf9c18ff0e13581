// The Traffic window: the traffic trace as a list, and a raw command line.
// Opened from "Traffic..." in the main window's system menu; one at a time,
// owned by the main window, so it goes when the main window goes.
#pragma once

#include <windows.h>

// Control ids inside the window ("Send" is IDOK, so Enter sends).
enum {
  IDC_TRAFFIC_LIST = 300,
  IDC_TRAFFIC_PAUSE = 301,
  IDC_TRAFFIC_CLEAR = 302,
  IDC_TRAFFIC_SAVE = 303,
  IDC_TRAFFIC_EDIT = 304,
  IDC_TRAFFIC_MESSAGE = 305,
  IDC_TRAFFIC_SEND = IDOK,
};

// The system-menu command that opens the window.
constexpr UINT kTrafficMenuCommand = 0x0110;

// Adds "Traffic..." to `mainWindow`'s system menu.
void AddTrafficMenuItem(HWND mainWindow);
// Creates the window, or brings the open one to the front.
void OpenTrafficWindow();
// The message loop's first look at each message: true when it belonged to
// the Traffic window and has been handled there (dialog keys, no panel rules).
bool RouteTrafficMessage(MSG* msg);
