// Pan/tilt cameras: asking a camera of another make whether it pans and
// tilts, the movements the front ends put (sent ahead of queued requests, the
// latest for a camera winning), Home and absolute moves that complete late on
// their own socket while the line goes on, and the position reads after them.
#pragma once

#include "engine/core/camera_controller.h"

// Worker, while the engine is idle. Each sends at most one packet and says
// whether it did.
// A stop for the camera being driven, before a selection moves to another one.
bool StopBeforeSelection(CameraController* c);
// The newest movement put for a camera, else a position read that is due.
bool ServeMovements(CameraController* c);
// After every camera's initialisation: a camera of another make is asked its
// position, once each time it is initialised.
bool ProbeCameras(CameraController* c);
// The idle poll's position turn for camera `index`; false for a camera
// without pan/tilt (nothing sent).
bool AskPosition(CameraController* c, int32_t index);
// Worker: something of the above is waiting (the worker should not sleep).
bool MotionHasWork(const CameraController* c);
// Any thread: a camera of another make is still to be asked, or being asked,
// whether it pans and tilts.
bool PanTiltQuestionsOpen(const CameraController* c);

// Worker: the reply in packetBuffer, while a pan/tilt transaction is in
// flight; false leaves it to the usual handling (an error other than a
// probe's, which shows its text and ends the transaction).
bool MotionTakesReply(CameraController* c);
// Worker: a packet from line `line` that ends (or outlives) a Home or an
// absolute move on its way: true when it was that move's completion or error
// and needs nothing more.
bool TakeMovementReply(CameraController* c, int32_t line, const uint8_t* packet, uint32_t length);

// Teardown, before the worker is told to stop: every camera that is driven
// or on its way gets a stop put. True when any was put.
bool PutExitStops(CameraController* c);
// Teardown: the stops put have gone out and the engine is idle again.
bool ExitStopsDone(const CameraController* c);
