// A group box holding buttons of its own passes their commands on to the
// window it lies in, and draws and behaves as a group box otherwise.
#pragma once

#include <windows.h>

// Installs the forwarding on `groupBox` for the rest of its life.
void ForwardCommandsToParent(HWND groupBox);
