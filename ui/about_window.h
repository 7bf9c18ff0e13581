// The About window: product text, logo, the maker's web address and "OK".
// Modeless, one at a time; its controls' commands go to OnCommand.
#pragma once

#include <windows.h>

// Creates the window (1), or brings the one already open to the front (0,
// also when creation fails).
int ShowAboutWindow();

// Releases the About window's fonts and logo when `window` is the About
// window being destroyed; nothing for any other window.
void OnAboutWindowDestroyed(HWND window);
