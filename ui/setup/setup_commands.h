// What the Setup dialog's controls ask of the selected camera.
#pragma once

#include <windows.h>

#include <cstdint>

// Command of control `id`, received by `window`: the requests it posts, the
// gain steps, the restart notice after a video format and "Exit".
void OnSetupCommand(HWND window, int id);

// The gain controls are in use only in manual white balance (code 36); the
// white balance request goes to the camera twice.
void SetWbMode(uint32_t code);

// Puts (selected camera, code, a, 0) for the engine; nothing without a
// selection or a controller.
void PostSetupRequest(uint32_t code, uint32_t a);
