// The engine and the Setup dialog's group boxes as the panel code reaches
// them. Set by the application shell and the Setup dialog.
#pragma once

#include "engine/orvalix_engine.h"
#include "platform/winapi.h"

#include <atomic>

// The one controller; null before start-up and after shutdown. Written and
// read on the user-interface thread only.
extern CameraController* pController;

// The Setup dialog's group boxes, parents of its radio buttons and of "NIR
// Vision"; null until the dialog is first created, stale after it closes.
// Atomic because the refresh of a re-reading reads them on the worker thread.
extern std::atomic<HWND> hWbGroup;
extern std::atomic<HWND> hEffectGroup;
extern std::atomic<HWND> hNirGroup;
extern std::atomic<HWND> hGammaGroup;
extern std::atomic<HWND> hVideoGroup;
