// The request dispatcher: turns one message of the controller's requestQueue
// into the VISCA command(s) for the camera it names. Worker thread only, and
// only while the engine is idle.
#pragma once

struct CameraController;

// Takes at most one message; a request that sends nothing leaves the engine
// idle so the next call takes the next message at once.
void DispatchRequest(CameraController* c);
