// The engine's phases kept in `phase`, as one table: what the link service's
// phase step runs in each, and when the worker next has something to do in
// it, which tells the worker how long it may sleep.
#pragma once

#include "engine/core/camera_controller.h"

#include <cstdint>

// When a phase's step has work.
enum PhaseWake : uint8_t {
  WAKE_ON_REPLY,           // no step of its own: a reply or its time-out moves it on
  WAKE_AT_ONCE,            // the step runs on the next tick
  WAKE_WHEN_NOT_WAITING,   // the step runs once nothing is awaited
  WAKE_AFTER_START_DELAY,  // start-up: the first sub-step waits out the start-up delay
  WAKE_FOR_WORK,           // idle: a request, a selection or the idle poll
  WAKE_ON_LINE,            // a network line's news, or the end of the wait for it
};

struct Phase {
  EnginePhase phase;
  void (*step)(CameraController* c);  // null: the phase step does nothing
  PhaseWake wake;
};

// The row of `phase`.
const Phase& PhaseOf(EnginePhase phase);
// The link service's last step: runs the step of the phase in `phase` when it has work.
void PhaseStep(CameraController* c);
