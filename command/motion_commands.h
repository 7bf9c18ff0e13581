// move, stop, home and goto for the selected camera; the session remembers
// the cameras its moves left moving, so its end can stop them.
#pragma once

#include "command/command_call.h"

CommandOutcome RunMotion(CommandCall& call, const char* word, const char* arg);
// Stops each camera a move of `session` left moving.
void StopDrivenCameras(CameraController* c, CommandSession* session);
