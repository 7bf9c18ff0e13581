// Decoding inquiry answers into the camera records: the setting chain of
// initialisation and re-reading, the read-back after a user command, and the
// idle poll's answers.
#pragma once

#include "engine/camera_controller.h"

// An answer to the inquiry whose code is in `mode`.
void HandleAnswer(CameraController* c);
// After the completion of a dispatcher command: asks for the new state.
void ReadBackStep(CameraController* c);
