// Replies to the engine's own transactions: answers decoded into the camera
// records (setting chain, read-back, idle poll) and the completions of the
// initialisation commands, each followed by its row's next step.
#pragma once

#include "engine/core/camera_controller.h"

// An answer to the inquiry whose code is in `mode`.
void HandleAnswer(CameraController* c);
// A completion of the command whose code is in `mode`.
void HandleCompletion(CameraController* c);
// An error reply to a step of a camera's initialisation or of a re-reading of
// all its settings: the chain goes on with the step after it. False for any
// other transaction, which the error ends.
bool PassOverRefusedStep(CameraController* c);
