// The reply state machine's 1 ms step: read every waiting reply of the current
// port, end a transaction whose reply is overdue, advance the engine's phase.
#pragma once

#include "engine/camera_controller.h"

// Values of `stage`: which reply the transaction in flight awaits.
enum : int32_t {
  STAGE_NONE = 0,
  STAGE_ACK = 2,
  STAGE_COMPLETION = 3,
  STAGE_ANSWER = 4,
  STAGE_ECHO = 5,
};

// Engine phases kept in `mode` besides the transaction codes.
enum : int32_t {
  MODE_IDLE = 0,
  MODE_PORT_CHECK = 1,
  MODE_NEXT_PORT = 2,
  MODE_ABORT = 3,
  MODE_DISCOVERY_DONE = 4,
  MODE_STARTUP = 5,
  MODE_INIT_CAMERA = 6,
  MODE_CAMERA_DONE = 7,
  MODE_COMMAND = 8,
};

void LinkServiceStep(CameraController* c);

// Sets `stage`, `followUp` and `mode` to 0: the transaction is over.
void FinishTransaction(CameraController* c);
// Ends the transaction in flight through the abort phase.
void AbortTransaction(CameraController* c);
