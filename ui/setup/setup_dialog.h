// The modal Setup dialog for the camera selected in the panel's list.
#pragma once

#include <windows.h>

// Runs the dialog on its empty template, owned by `owner`, until it ends;
// returns how it ended: 1 (IDOK) or 2 (IDCANCEL: "Exit", the close box, Esc,
// or the engine closing it after a preset store).
INT_PTR OpenSetupDialog(HWND owner);

INT_PTR CALLBACK SetupDlgProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
