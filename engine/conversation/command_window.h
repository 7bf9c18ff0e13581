// The re-inquiry window a user command opens: while it is open the
// read-backs and the idle poll ask again, as the camera is still on its way.
#pragma once

#include "engine/core/camera_controller.h"

#include <cstdint>

// After a user command the read-backs and the idle poll ask again while the
// camera is still on its way, for this long after `cmdTick`.
constexpr uint32_t kReinquiryWindowMs = 1000;
// What SinceCommand gives once the window has passed.
constexpr uint32_t kWindowClosed = UINT32_MAX;

// Opens the window: `cmdTick` := now.
void StampCommand(CameraController* c);
// Worker, every step: a window that has passed stays shut, also when the
// 32-bit tick comes round to `cmdTick` again 2^32 ms later.
void ExpireCommandWindow(CameraController* c);
// Milliseconds since `cmdTick` while the window is open, else kWindowClosed.
uint32_t SinceCommand(CameraController* c);
