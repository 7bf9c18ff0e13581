#include "engine/worker/phase_table.h"

#include "engine/conversation/engine_state.h"
#include "engine/discovery/discovery.h"
#include "engine/discovery/network_lines.h"
#include "engine/dispatch/read_back.h"

namespace {

// clang-format off
const Phase kPhases[] = {
    {PHASE_IDLE,           nullptr,           WAKE_FOR_WORK},
    {PHASE_STARTUP,        StartupPhase,      WAKE_AFTER_START_DELAY},
    {PHASE_LINE_CHECK,     LineCheckStep,         WAKE_WHEN_NOT_WAITING},
    {PHASE_NEXT_LINE,      nullptr,           WAKE_ON_REPLY},
    {PHASE_DISCOVERY_DONE, DiscoveryFinished, WAKE_AT_ONCE},
    {PHASE_INIT_CAMERA,    InitialiseCamera,  WAKE_AT_ONCE},
    {PHASE_CAMERA_DONE,    CameraInitialised, WAKE_AT_ONCE},
    {PHASE_COMMAND,       ReadBackStep,      WAKE_WHEN_NOT_WAITING},
    {PHASE_ABORT,          EndAbort,          WAKE_AT_ONCE},
    {PHASE_LINE_WAIT,      AwaitLine,         WAKE_ON_LINE},
};
// clang-format on

// Every transaction but a dispatcher command; a phase the table does not list
// has its row too.
const Phase kTransaction = {PHASE_TRANSACTION, nullptr, WAKE_ON_REPLY};

}  // namespace

const Phase& PhaseOf(EnginePhase phase) {
  for (const Phase& row : kPhases)
    if (row.phase == phase) return row;
  return kTransaction;
}

void PhaseStep(CameraController* c) {
  const Phase& phase = PhaseOf(c->phase.load());
  if (!phase.step) return;
  if (phase.wake == WAKE_WHEN_NOT_WAITING && c->stage.load() != STAGE_NONE) return;
  phase.step(c);
}
