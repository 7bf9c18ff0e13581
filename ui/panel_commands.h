// What the panel's buttons, check boxes and list do: requests for the engine,
// enable states, page switching and the main window's topmost state.
#pragma once

#include <windows.h>

#include <cstdint>

// Puts (selected camera, code, a, 0) for the engine, which ignores a
// negative camera. Nothing without a controller.
void PutRequest(uint32_t code, uint32_t a);

// WM_COMMAND of control `id` received by `hwnd` (page 0 for every panel
// control and for the commands the keyboard posts).
void OnCommand(HWND hwnd, int id, int notifyCode);
void ShowPage(int index);
void SetTopmost(int on);
// Puts recall request `code` twice for the selected camera: the camera gets
// the command twice. Nothing without a selection or a controller.
void PostRecall(uint32_t code);
// Camera `index` chosen in the list or by its key: the pad lets go first,
// then the panel shows that camera, the pad's column up or down as it pans
// and tilts or not.
void SelectCamera(int32_t index);
