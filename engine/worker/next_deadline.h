// When the worker next has something to do on its own: the worker sleeps
// until then, or until a request, a selection or a received frame wakes it.
#pragma once

#include "engine/core/camera_controller.h"

#include <cstdint>

// Longest sleep even with nothing due, so a missed wake costs at most this.
constexpr uint32_t kMaxWorkerWaitMs = 1000;
// Steps the worker takes on its own are this far apart at least: a phase
// step, an empty poll turn or a dropped request gives way to the next one a
// millisecond later, never in the same millisecond.
constexpr uint32_t kWorkerStepMs = 1;

// Milliseconds from now until a worker step has something to do: 0 when one
// has now, else until the first tick at which a rule "more than N ms since"
// holds (reply time-out, idle poll, start-up delay), at most kMaxWorkerWaitMs.
// Worker only (it reads worker-owned state).
uint32_t NextDeadline(CameraController* c);

// How long the worker thread sleeps after a step: NextDeadline, but never less
// than kWorkerStepMs. A wake still ends the sleep at once.
uint32_t WorkerWaitMs(CameraController* c);
