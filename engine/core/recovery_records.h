// What the recovery of lines and cameras keeps between worker steps: a watch
// per line and the marks of every camera. The controller owns one.
#pragma once

#include "engine/core/engine_limits.h"

#include <cstdint>

enum LineState : uint8_t {
  LINE_UP,         // open and in service
  LINE_LOST,       // closed; tried again every second
  LINE_SETTLING,   // open again, the address set not yet sent
  LINE_CHECK_DUE,  // to be addressed and initialised again once the engine is idle
  LINE_CHECKING,   // being addressed and initialised again
};

struct LineWatch {
  LineState state = LINE_UP;
  uint32_t since = 0;  // when the state began, or the last open attempt
  uint32_t lastReplyTick = 0;
  uint32_t lastCheckTick = 0;
  bool networkChange = false;  // a network change waits out its delay
  uint32_t networkChangeTick = 0;
  bool quietCheck = false;  // the check due is a silent line's probe: no "Checking" text
  int32_t announced = 0;    // cameras the last check found
  int32_t silentCount = 0;  // cameras of the line marked "(no answer)", but for missing ones
};

struct LineRecovery {
  LineWatch lines[kChannelCount];
  int32_t activeLine = -1;     // the line being checked and initialised again
  int32_t startedCamera = -1;  // whose initialisation began last
  bool initPending[kMaxCameras] = {};
  uint8_t misses[kMaxCameras] = {};  // transactions in a row without a reply
  bool silent[kMaxCameras] = {};     // marked "(no answer)"
  bool missing[kMaxCameras] = {};    // marked as beyond the chain its line's last echo announced
  bool shownSilent[kMaxCameras] = {};
  uint32_t lastProbeTick[kMaxCameras] = {};
  uint32_t lastProbeAhead = 0;  // when a silent line's probe last went before queued requests
  bool listDirty = false;       // an entry may differ from its camera's mark
  int32_t listed = -1;          // entries in the camera list; -1 until it is filled
  bool discoveryOver = false;   // lines may be checked again from then on, list or none
  bool startedOverdue = false;  // the initialisation begun last ended with a reply overdue
};
