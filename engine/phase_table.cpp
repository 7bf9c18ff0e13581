#include "engine/phase_table.h"

#include "engine/discovery.h"
#include "engine/engine_state.h"
#include "engine/network_lines.h"
#include "engine/read_back.h"

namespace {

// clang-format off
const Phase kPhases[] = {
    {MODE_IDLE,           nullptr,           WAKE_FOR_WORK},
    {MODE_STARTUP,        StartupPhase,      WAKE_AFTER_START_DELAY},
    {MODE_PORT_CHECK,     PortCheck,         WAKE_WHEN_NOT_WAITING},
    {MODE_NEXT_PORT,      nullptr,           WAKE_ON_REPLY},
    {MODE_DISCOVERY_DONE, DiscoveryFinished, WAKE_AT_ONCE},
    {MODE_INIT_CAMERA,    InitialiseCamera,  WAKE_AT_ONCE},
    {MODE_CAMERA_DONE,    CameraInitialised, WAKE_AT_ONCE},
    {MODE_COMMAND,        ReadBackStep,      WAKE_WHEN_NOT_WAITING},
    {MODE_ABORT,          EndAbort,          WAKE_AT_ONCE},
    {MODE_LINE_WAIT,      AwaitLine,         WAKE_ON_LINE},
};
// clang-format on

// Every mode the table does not list (the transaction codes) shares this row;
// PhaseOf never compares its mode.
constexpr int32_t kEveryTransaction = -1;
const Phase kTransaction = {kEveryTransaction, nullptr, WAKE_ON_REPLY};

}  // namespace

const Phase& PhaseOf(int32_t mode) {
  for (const Phase& phase : kPhases)
    if (phase.mode == mode) return phase;
  return kTransaction;
}

void PhaseStep(CameraController* c) {
  const Phase& phase = PhaseOf(c->mode.load());
  if (!phase.step) return;
  if (phase.wake == WAKE_WHEN_NOT_WAITING && c->stage.load() != STAGE_NONE) return;
  phase.step(c);
}
