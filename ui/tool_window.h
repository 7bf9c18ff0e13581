// The program's tool windows beside the panel (Traffic, Presets): a class of
// their own, owned by the main window so they go with it, the usual dialog
// keys, and their controls.
#pragma once

#include <windows.h>

enum ToolPlace { TOOL_PLACE_DEFAULT, TOOL_PLACE_OVER_PANEL };

// Registers `className` (once) and creates the window with a client area of
// width x height, hidden; null when it cannot be had.
HWND CreateToolWindow(const char* className, const char* title, WNDPROC proc, int width, int height, ToolPlace place);
// The open window restored and brought to the front.
void ShowToolWindow(HWND window);
// A child control of `window` in the stock font `font`.
HWND MakeToolControl(HWND window, const char* cls, const char* text, DWORD style, int x, int y, int w, int h, int id,
                     DWORD exStyle, int font = DEFAULT_GUI_FONT);
// True when `msg` was for `window` or a child and was a dialog key handled
// there (no panel rules).
bool RouteToolMessage(HWND window, MSG* msg);
