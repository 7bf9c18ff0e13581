// The program's message loop. Tab, Space and Enter characters and every
// key-down and key-up are taken by the keyboard rules before any window sees
// them; everything else is dispatched.
#pragma once

#include <windows.h>

// Runs until WM_QUIT and returns its wParam.
int RunMessageLoop();
// Translates one message and hands it to the keyboard rules or its window.
void RouteMessage(const MSG& msg);
