// What the engine asks a camera after one of its commands has completed, by
// request code, and the re-reading of all settings that some requests start.
#pragma once

#include "engine/core/camera_controller.h"

#include <cstdint>

// After the completion of a dispatcher command (`mode` 8, nothing awaited):
// asks for the new state of request `followUp`, or returns to idle.
void ReadBackStep(CameraController* c);
