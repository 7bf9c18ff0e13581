// The reply state machine's time-outs, kept in `timeoutMs`, and the few
// transitions that are the only writers of `phase`, `transaction`, `stage`,
// `followUp` and `timeoutMs` (their codes: engine/core/conversation_codes.h).
#pragma once

#include "engine/core/camera_controller.h"

// Reply time-outs. Each stays in force until a transition sets another; a
// transmission keeps the one it finds, except the acknowledge's, which ends
// with the transaction that got it.
constexpr int32_t kFirstTimeoutMs = 200;       // from creation until a reply sets another
constexpr int32_t kCompletionTimeoutMs = 400;  // a reply came while a completion was awaited
constexpr int32_t kRereadTimeoutMs = 5000;     // a re-reading of all settings runs
constexpr int32_t kAckTimeoutMs = 10000;       // acknowledged (a power-on completes this late)

// A packet has gone out: `transaction` names it, `stage` the reply awaited,
// and the time-out is the one in force before any acknowledge.
void StartTransaction(CameraController* c, TransactionCode code, int32_t stage);
// A broadcast (or a datagram line's check) has gone out in discovery phase
// `phase`: its echo is awaited, with the time-out in force.
void AwaitEcho(CameraController* c, EnginePhase phase);
// The acknowledge came: the completion is awaited next, as long as a slow
// command may take, for this transaction only.
void AwaitCompletion(CameraController* c);
// A reply came while the completion was awaited: what is still due must come soon.
void ShortenTimeout(CameraController* c);
// A refused command while a refusal restarts initialisation: the end of
// discovery runs again.
void RestartInitialisation(CameraController* c);
// The awaited reply came and its handler runs; `transaction` still names it.
void StopAwaiting(CameraController* c);
// Nothing awaited, owed or in flight: the transaction is over, the engine idle.
void FinishTransaction(CameraController* c);
// The transaction is given up; the abort phase returns the engine to idle.
void AbandonTransaction(CameraController* c);
// A phase of discovery or initialisation begins; nothing is awaited.
// `subStep` counts the start-up phase's steps and is 0 everywhere else.
void EnterPhase(CameraController* c, EnginePhase phase, int32_t subStep = 0);
// A line is addressed and initialised again: its echoes are awaited as long
// as discovery's, whatever time-out the last transaction left.
void BeginRecoveryCheck(CameraController* c);
// The worker takes on a request (`followUp` = its code) or a poll for camera `index`.
void BeginWork(CameraController* c, int32_t followUp, int32_t index);
// The setting chain runs again for the current camera, with the time the
// whole chain may take; its end returns the engine to idle.
void BeginRereading(CameraController* c);
// The abort phase: idle, with everything a cut-short transaction left behind cleared.
void EndAbort(CameraController* c);
// No conversation at all, as at creation: idle, nothing awaited or owed,
// the first reply time-out. A rig that reuses a controller calls it too.
void ResetConversation(CameraController* c);
