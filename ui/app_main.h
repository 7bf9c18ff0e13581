// Start-up and shutdown of the program around its message loop.
#pragma once

#include <windows.h>

// Registers the one window class of the program's own windows (main window,
// pages, About window). Zero on failure.
ATOM RegisterMainClass();
// Builds the main window and the panel, shows page 0, creates the controller
// and arms the drain timer. 0 when the main window cannot be created.
int InitApp(HINSTANCE instance);
// Stops the timer and tears the controller down; later calls do nothing.
void CleanupApp();
