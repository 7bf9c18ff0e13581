// What the conversation tells the recovery of lines and cameras, and the few
// things it asks it: a table the recovery fills when a controller is created
// (InstallLineRecovery). The conversation raises each entry by the table,
// never by a recovery function's name. A controller made without recovery
// keeps kNoRecoveryEvents: nothing is heard, every answer the neutral one (a
// line in service, every camera answering). Worker thread only.
#pragma once

#include <cstdint>

struct CameraController;

// The idle poll asks only after the line has been quiet longer than this.
constexpr uint32_t kPollSpacingMs = 200;

struct RecoveryEvents {
  // The conversation: every frame read, every transaction started or overdue.
  void (*reset)(CameraController* c);            // the conversation starts afresh
  bool (*packetTaken)(CameraController* c);      // false: not the state machine's packet
  void (*replyOverdue)(CameraController* c);     // the transaction ends with no reply
  bool (*notAnEcho)(const CameraController* c);  // pass over this packet while an echo is awaited
  int32_t (*replyWaitCapMs)(const CameraController* c, int32_t index);  // 0: no cap
  uint32_t (*pollSpacingMs)(const CameraController* c);                 // quiet time before the idle poll
  bool (*cameraMissing)(const CameraController* c, int32_t index);
  // Discovery and initialisation.
  bool (*lineOutOfService)(const CameraController* c, int32_t line);
  void (*lineAddressed)(CameraController* c, int32_t line);     // an address set goes to `line`
  bool (*quietCheck)(const CameraController* c);                // no status text for this check
  bool (*echoCounted)(CameraController* c, int32_t announced);  // true: recovery matched the records
  bool (*interfaceCleared)(CameraController* c);                // the check ended: true when recovery initialises
  bool (*nobodyAnswered)(CameraController* c);                  // true: recovery's line, left open
  void (*discoveryOver)(CameraController* c);
  bool (*initialisationBegins)(CameraController* c, int32_t index);  // false: pass the camera over
  void (*cameraInitialised)(CameraController* c, int32_t index);
  bool (*initialisationEnded)(CameraController* c);  // true: it ended recovery's check
  void (*listFilled)(CameraController* c);           // the camera list holds every record
  // Network lines.
  void (*lineLost)(CameraController* c, int32_t line);
  void (*lineBack)(CameraController* c, int32_t line);
};

extern const RecoveryEvents kNoRecoveryEvents;
