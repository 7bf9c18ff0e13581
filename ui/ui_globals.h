// The user-interface state of the program: its module, class name, main and
// About windows and the step-button images. hPage, curPage and hSetupDlg live
// in common/text.h, pController in panel/panel_globals.h. User-interface
// thread only.
#pragma once

#include <windows.h>

#include <cstdint>

constexpr UINT_PTR kDrainTimerId = 39320;
constexpr UINT kDrainPeriodMs = 10;
constexpr int kClassNameSize = 16;

extern int32_t bCleanupPending;  // 1 until CleanupApp has run
extern HINSTANCE hInst;
extern HWND hMainWnd;
extern HWND hAboutWnd;  // stale after the About window closes
extern HBITMAP hbmMinus;
extern HBITMAP hbmPlus;
extern char szClassName[kClassNameSize];  // "Orvalix": the class and the main window's title

// Zeroes the state above (bCleanupPending and the controller excepted), as
// at program entry, and keeps the module.
void ResetUiGlobals(HINSTANCE instance);
