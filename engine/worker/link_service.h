// The reply state machine's 1 ms step: read every waiting reply of the current
// line, end a transaction whose reply is overdue, advance the engine's phase.
#pragma once

#include "engine/core/camera_controller.h"

void LinkServiceStep(CameraController* c);
