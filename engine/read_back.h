// What the engine asks a camera after one of its commands has completed, by
// request code, and the re-reading of all settings that some requests start.
#pragma once

#include "engine/camera_controller.h"

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

// After the completion of a dispatcher command (`mode` 8, nothing awaited):
// asks for the new state of request `followUp`, or returns to idle.
void ReadBackStep(CameraController* c);
