#include "engine/engine_state.h"

void StartTransaction(CameraController* c, int32_t code, int32_t stage) {
  c->mode = code;
  c->stage = stage;
}

void AwaitCompletion(CameraController* c) { c->stage = STAGE_COMPLETION; }

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

void BeginWork(CameraController* c, int32_t followUp, int32_t index) {
  c->followUp = followUp;
  SetCurrentCamera(c, index);
}

void EndAbort(CameraController* c) {
  FinishTransaction(c);
  // A two-step brightness read, a pair's pending replies and a re-reading cut
  // short must not arm anything of the next transaction.
  brightStep = 0;
  extraAcks = 0;
  extraCompletions = 0;
  reinitChain = 0;
  if (c->initialising) {
    c->initialising = false;
    RestoreSelection(c);
  }
}
