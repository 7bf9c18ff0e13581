// The engine's hooks for the windows: each draws into or reads the panel's
// and the Setup dialog's controls with the window messages the engine used
// to send itself, on the thread that calls it. From the worker those calls
// wait for the user-interface thread.
#pragma once

#include "engine/panel_hooks.h"

// The application shell installs these once, before it creates the controller.
PanelHooks WindowHooks();
