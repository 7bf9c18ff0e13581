// The engine's hooks for the windows: each draws into or reads the panel's
// and the Setup dialog's controls with the window messages the engine used
// to send itself, on the thread that calls it. From the worker those calls
// wait for the user-interface thread.
#pragma once

#include "engine/orvalix_engine.h"
#include "platform/winapi.h"

// The application shell gives these when it creates the controller.
PanelHooks WindowHooks();

// Sent to the panel's page with a camera list entry's index and its new text:
// the entry is replaced on the user-interface thread in one step, so a click
// never lands between the removal and the insertion.
constexpr UINT kCameraEntryMessage = WM_APP + 1;
// The page's handler of kCameraEntryMessage (`text` is its lParam); any other
// message is left alone.
LRESULT ReplaceCameraEntry(HWND page, UINT message, WPARAM index, LPARAM text);
