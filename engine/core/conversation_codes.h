// The reply state machine's vocabulary: the phase the engine is in, the
// transaction in flight and the reply it awaits.
#pragma once

#include <cstdint>

// Values of `stage`: which reply the transaction in flight awaits.
enum : int32_t {
  STAGE_NONE = 0,
  STAGE_ACK = 2,
  STAGE_COMPLETION = 3,
  STAGE_ANSWER = 4,
  STAGE_ECHO = 5,
};

// What the engine is doing, kept in `phase`. A transaction in flight puts it
// in PHASE_COMMAND or PHASE_TRANSACTION, and `transaction` names it.
enum EnginePhase : int32_t {
  PHASE_IDLE = 0,
  PHASE_LINE_CHECK = 1,  // the address set (a datagram line's version inquiry) goes out, its echo awaited
  PHASE_NEXT_LINE = 2,   // the interface clear's echo awaited
  PHASE_ABORT = 3,
  PHASE_DISCOVERY_DONE = 4,
  PHASE_STARTUP = 5,
  PHASE_INIT_CAMERA = 6,
  PHASE_CAMERA_DONE = 7,
  PHASE_COMMAND = 8,       // a dispatcher command in flight; its read-back follows
  PHASE_LINE_WAIT = 9,     // discovery waits for a network line to come up
  PHASE_TRANSACTION = 10,  // any other transaction in flight: its reply moves it on
};

// Transaction codes: what a packet was sent for, kept in `transaction` while
// its reply is awaited. Codes 70 and 71 open a camera's initialisation, 10 to
// 16 and 60 to 66 are its commands, 20 to 42 and 50 the inquiries of the
// setting chain.
enum TransactionCode : int32_t {
  TX_NONE = 0,     // no transaction: a phase of its own, or a broadcast's echo awaited
  TX_COMMAND = 8,  // every dispatcher command but the preset saves
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
  // Pan/tilt: a drive (or a stop), Home and an absolute move, whose late
  // completions come on their own socket; the position read, the inquiry
  // that asks a camera of another make whether it pans and tilts, and its
  // maximum speeds.
  TX_PAN_TILT_DRIVE = 90,
  TX_PAN_TILT_HOME = 91,
  TX_PAN_TILT_ABSOLUTE = 92,
  TX_ASK_PAN_TILT_POSITION = 93,
  TX_PROBE_PAN_TILT = 94,
  TX_ASK_PAN_TILT_MAX_SPEED = 95,
};
