#include "engine/conversation/engine_state.h"

#include "engine/conversation/command_window.h"

#include <cstring>

namespace {

// The time-out the transitions set comes back once a transaction's own ends.
void RestoreStandingTimeout(CameraController* c) {
  if (c->standingTimeoutMs != 0) c->timeoutMs = c->standingTimeoutMs;
  c->standingTimeoutMs = 0;
}

}  // namespace

// The wait an acknowledge lengthened belongs to its own transaction: a
// completion that never came, or an error in its place, must not make the
// next one wait as long. A camera that missed its last reply is given the
// first-reply wait at most, so a dead one is marked within a second, and the
// wait after a completion once marked; one that answers gets the usual waits.
void StartTransaction(CameraController* c, TransactionCode code, int32_t stage) {
  RestoreStandingTimeout(c);
  const int32_t cap = c->events->replyWaitCapMs(c, c->camera.load());
  if (cap != 0 && c->timeoutMs.load() > cap) {
    c->standingTimeoutMs = c->timeoutMs.load();
    c->timeoutMs = cap;
  }
  c->transaction = code;
  c->phase = code == TX_COMMAND ? PHASE_COMMAND : PHASE_TRANSACTION;
  c->stage = stage;
}

void AwaitEcho(CameraController* c, EnginePhase phase) {
  RestoreStandingTimeout(c);
  c->transaction = TX_NONE;
  c->phase = phase;
  c->stage = STAGE_ECHO;
}

void AwaitCompletion(CameraController* c) {
  c->stage = STAGE_COMPLETION;
  if (c->standingTimeoutMs == 0) c->standingTimeoutMs = c->timeoutMs.load();
  c->timeoutMs = kAckTimeoutMs;
}

void ShortenTimeout(CameraController* c) {
  c->standingTimeoutMs = 0;
  c->timeoutMs = kCompletionTimeoutMs;
}

void RestartInitialisation(CameraController* c) {
  EnterPhase(c, PHASE_DISCOVERY_DONE);
  c->standingTimeoutMs = 0;
  c->timeoutMs = kAckTimeoutMs;
}

void StopAwaiting(CameraController* c) { c->stage = STAGE_NONE; }

void FinishTransaction(CameraController* c) {
  c->stage = STAGE_NONE;
  c->followUp = 0;
  c->transaction = TX_NONE;
  c->phase = PHASE_IDLE;
}

void AbandonTransaction(CameraController* c) {
  c->stage = STAGE_NONE;
  c->transaction = TX_NONE;
  c->phase = PHASE_ABORT;
}

void EnterPhase(CameraController* c, EnginePhase phase, int32_t subStep) {
  c->stage = STAGE_NONE;
  c->followUp = subStep;
  c->transaction = TX_NONE;
  c->phase = phase;
}

void BeginRecoveryCheck(CameraController* c) {
  EnterPhase(c, PHASE_LINE_CHECK);
  c->standingTimeoutMs = 0;
  c->timeoutMs = kFirstTimeoutMs;
}

void BeginWork(CameraController* c, int32_t followUp, int32_t index) {
  c->followUp = followUp;
  SetCurrentCamera(c, index);
}

void BeginRereading(CameraController* c) {
  BeginWork(c, 0, c->camera.load());
  StampCommand(c);
  c->reinitChain = 1;
  c->standingTimeoutMs = 0;
  c->timeoutMs = kRereadTimeoutMs;
}

namespace {

// A two-step brightness read, a pair's pending replies and a re-reading cut
// short must not arm anything of the next transaction.
void ClearLeftovers(CameraController* c) {
  c->brightStep = 0;
  c->extraAcks = 0;
  c->extraCompletions = 0;
  c->reinitChain = 0;
}

}  // namespace

void EndAbort(CameraController* c) {
  FinishTransaction(c);
  ClearLeftovers(c);
  if (c->initialising) {
    c->initialising = false;
    RestoreSelection(c);
  }
}

void ResetConversation(CameraController* c) {
  FinishTransaction(c);
  ClearLeftovers(c);
  memset(c->packetBuffer, 0, sizeof c->packetBuffer);
  c->packetLength = 0;
  c->lineChecks = 0;
  c->standingTimeoutMs = 0;
  c->pollTurnTick = 0;
  c->pollTurnTaken = false;
  c->timeoutMs = kFirstTimeoutMs;
  c->events->reset(c);
}
