#include "engine/engine_state.h"

#include "engine/line_recovery.h"
#include "engine/read_back.h"

#include <cstring>

// The wait an acknowledge lengthened belongs to its own transaction: a
// completion that never came, or an error in its place, must not make the
// next one wait as long. A camera that missed its last reply is given the
// first-reply wait at most, so a dead one is marked within a second, and the
// wait after a completion once marked; one that answers gets the usual waits.
void StartTransaction(CameraController* c, int32_t code, int32_t stage) {
  if (c->standingTimeoutMs != 0) c->timeoutMs = c->standingTimeoutMs;
  c->standingTimeoutMs = 0;
  const int32_t cap = code >= TX_COMMAND ? ReplyWaitCapMs(c, c->camera.load()) : 0;
  if (cap != 0 && c->timeoutMs.load() > cap) {
    c->standingTimeoutMs = c->timeoutMs.load();
    c->timeoutMs = cap;
  }
  c->mode = code;
  c->stage = stage;
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
  EnterPhase(c, MODE_DISCOVERY_DONE);
  c->standingTimeoutMs = 0;
  c->timeoutMs = kAckTimeoutMs;
}

void StopAwaiting(CameraController* c) { c->stage = STAGE_NONE; }

void FinishTransaction(CameraController* c) {
  c->stage = STAGE_NONE;
  c->followUp = 0;
  c->mode = MODE_IDLE;
}

void AbandonTransaction(CameraController* c) {
  c->stage = STAGE_NONE;
  c->mode = MODE_ABORT;
}

void EnterPhase(CameraController* c, int32_t phase, int32_t subStep) {
  c->stage = STAGE_NONE;
  c->followUp = subStep;
  c->mode = phase;
}

void BeginRecoveryCheck(CameraController* c) {
  EnterPhase(c, MODE_PORT_CHECK);
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
  c->portChecks = 0;
  c->standingTimeoutMs = 0;
  c->pollTurnTick = 0;
  c->pollTurnTaken = false;
  c->timeoutMs = kFirstTimeoutMs;
  ResetLineRecovery(c);
}
