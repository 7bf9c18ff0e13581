// The reply state machine's vocabulary: the phases and transaction codes kept
// in `mode`, the awaited reply kinds kept in `stage`, the reply time-outs kept
// in `timeoutMs`, and the few transitions that are the only writers of `mode`,
// `stage`, `followUp` and `timeoutMs`.
#pragma once

#include "engine/camera_controller.h"

// Reply time-outs. Each stays in force until a transition sets another; a
// transmission keeps the one it finds, except the acknowledge's, which ends
// with the transaction that got it.
constexpr int32_t kFirstTimeoutMs = 200;       // from creation until a reply sets another
constexpr int32_t kCompletionTimeoutMs = 400;  // a reply came while a completion was awaited
constexpr int32_t kRereadTimeoutMs = 5000;     // a re-reading of all settings runs
constexpr int32_t kAckTimeoutMs = 10000;       // acknowledged (a power-on completes this late)

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
  MODE_LINE_WAIT = 9,  // discovery waits for a network line to come up
};

// Transaction codes: what a packet was sent for, kept in `mode` while its
// reply is awaited. Codes 70 and 71 open a camera's initialisation, 10 to 16
// and 60 to 66 are its commands, 20 to 42 and 50 the inquiries of the setting
// chain.
enum : int32_t {
  TX_COMMAND = MODE_COMMAND,  // every dispatcher command but the preset saves
  TX_RECALL_PRESET = 10,
  TX_DIGITAL_ZOOM = 11,
  TX_INIT_SETTING = 15,  // also the preset saves, told apart by `followUp`
  TX_STORE_HOME = 16,
  TX_ASK_POWER = 20,
  TX_ASK_ZOOM = 21,
  TX_ASK_FOCUS = 23,
  TX_ASK_SHUTTER = 24,
  TX_ASK_IRIS_AT_START = 25,
  TX_ASK_GAIN = 26,
  TX_ASK_BRIGHTNESS = 27,
  TX_ASK_FOCUS_MODE = 28,
  TX_ASK_EFFECT = 29,
  TX_ASK_FLIP = 30,
  TX_ASK_APERTURE = 31,
  TX_ASK_WHITE_BALANCE = 32,
  TX_ASK_B_GAIN = 33,
  TX_ASK_R_GAIN = 34,
  TX_ASK_GAMMA = 35,
  TX_ASK_VIDEO_OUT = 36,
  TX_ASK_AE_MODE = 37,
  TX_ASK_EXP_COMP = 38,
  TX_ASK_IR_CUT = 39,
  TX_REPORT_IR_CUT = 40,
  TX_ASK_IRIS = 41,
  TX_ASK_FREEZE = 42,
  TX_ASK_MODEL = 50,
  TX_INIT_WIDE_4 = 60,
  TX_INIT_EXP_COMP = 61,
  TX_INIT_WIDE_3 = 62,
  TX_POWER_ON = 63,
  TX_INIT_WIDE_1 = 65,
  TX_INIT_WIDE_2 = 66,
  TX_ASK_VERSION = 70,
  TX_ASK_LAST_PRESET = 71,
  TX_PRESET_SAVE = TX_INIT_SETTING,
  // A packet typed by the operator; no handler, so every reply that ends it
  // ends it through the abort phase.
  TX_RAW_COMMAND = 80,
};

// A packet has gone out: `mode` names its transaction, `stage` the reply
// awaited, and the time-out is the one in force before any acknowledge.
void StartTransaction(CameraController* c, int32_t code, int32_t stage);
// The acknowledge came: the completion is awaited next, as long as a slow
// command may take, for this transaction only.
void AwaitCompletion(CameraController* c);
// A reply came while the completion was awaited: what is still due must come soon.
void ShortenTimeout(CameraController* c);
// A refused command while a refusal restarts initialisation: the end of
// discovery runs again.
void RestartInitialisation(CameraController* c);
// The awaited reply came and its handler runs; `mode` still names the transaction.
void StopAwaiting(CameraController* c);
// `stage`, `followUp` and `mode` to 0: the transaction is over, the engine idle.
void FinishTransaction(CameraController* c);
// The transaction is given up; the abort phase returns the engine to idle.
void AbandonTransaction(CameraController* c);
// A phase of discovery or initialisation begins; nothing is awaited.
// `subStep` counts the start-up phase's steps and is 0 everywhere else.
void EnterPhase(CameraController* c, int32_t phase, int32_t subStep = 0);
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
