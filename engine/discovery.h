// Finding the cameras on every open port and bringing each into a known state:
// the start-up phase, the port check and its broadcast echoes, the end of
// discovery, and the per-camera command chain up to the first inquiry.
#pragma once

#include "engine/camera_controller.h"

void StartupPhase(CameraController* c);
void PortCheck(CameraController* c);
// A packet read while a broadcast echo is awaited.
void HandleBroadcastEcho(CameraController* c);
// Moves on to the next open port, or ends discovery after the last one.
void AdvancePort(CameraController* c);
void DiscoveryFinished(CameraController* c);
void InitialiseCamera(CameraController* c);
void CameraInitialised(CameraController* c);
// A completion of the command whose code is in `mode`.
void HandleCompletion(CameraController* c);
