// One virtual VISCA camera: its input queue (one packet handled per frame),
// its two command sockets, zoom, focus and pan/tilt moves over time, and the
// command and inquiry tables. The line owns the cameras and carries their replies.
#pragma once

#include "sim/sim_camera_state.h"
#include "sim/sim_faults.h"
#include "sim/sim_head.h"
#include "sim/sim_line.h"
#include "sim/sim_timing.h"

#include <cstdint>

struct SimCamera;

// Where a camera's output goes: replies toward the controller, and broadcast
// packets on to the next camera of the chain.
struct SimCameraSink {
  virtual void Reply(SimCamera& camera, uint64_t timeUs, const uint8_t* data, int length) = 0;
  virtual void PassOn(SimCamera& camera, uint64_t timeUs, const uint8_t* data, int length) = 0;

 protected:
  ~SimCameraSink() = default;
};

// A linear move of a zoom or focus position.
struct SimMove {
  bool active = false;
  uint16_t from = 0;
  uint16_t to = 0;
  uint64_t startUs = 0;
  uint64_t endUs = 0;
  int socket = 0;  // the command socket waiting for this move, 0 when none

  uint16_t At(uint64_t timeUs) const;
};

struct SimSocket {
  bool busy = false;
  uint64_t doneUs = 0;
  bool ackHeld = false;  // the acknowledge leaves with the completion
};

enum SimCommandResult { SIM_DONE, SIM_RUNNING, SIM_SYNTAX, SIM_NOT_EXECUTABLE };

constexpr uint64_t kSimNever = UINT64_MAX;

// What a command or inquiry needs of the model.
// FULL_SET: what some cameras of other makes refuse.
enum SimFeature {
  SIM_FEATURE_ANY,
  SIM_FEATURE_NEAR_INFRARED,
  SIM_FEATURE_BRIGHT_MODE,
  SIM_FEATURE_PAN_TILT,
  SIM_FEATURE_MAX_SPEED,
  SIM_FEATURE_FULL_SET
};

struct SimCamera {
  static constexpr int kQueue = 16;
  static constexpr int kSockets = 2;

  struct Input {
    uint8_t bytes[SimPacket::kMaxStored];
    int length;
    uint64_t arrivalUs;
  };

  SimCameraState state;
  SimFaults faults;
  const SimTiming* timing = nullptr;
  SimFaults* lineFaults = nullptr;  // the line's, shared by its cameras
  Input queue[kQueue];
  int queueHead = 0;
  int queueCount = 0;
  uint64_t nextFrameUs = 0;  // no packet is handled before this
  SimPacket log[SimLine::kPacketLog];
  int logStart = 0;
  int logCount = 0;
  SimSocket sockets[kSockets];
  SimMove zoom;
  SimMove focus;
  SimAxisRun pan;
  SimAxisRun tilt;
  int headSocket = 0;              // the socket waiting for a Home or absolute move, 0 when none
  uint32_t positionInquiries = 0;  // counted for the flaky position answer
  bool powerPending = false;
  uint8_t powerTarget = 2;
  uint64_t powerDoneUs = 0;
  bool onePushPending = false;
  uint64_t onePushDoneUs = 0;
  bool networkChangeDue = false;
  bool unpowered = false;        // mains power cut: takes nothing, passes nothing on
  bool awaitingAddress = false;  // powered again, not numbered since
  int noiseAhead = 0;            // noise bytes before its packets since its power came back
  uint32_t handled = 0;
  uint64_t outputFreeUs = 0;  // the line uses it to keep this camera's replies in order

  void Init(uint8_t modelCode, const SimTiming* lineTiming, SimFaults* onLine);
  void ReplaceState(const SimCameraState& newState);
  // Queues a packet that reached this camera at arrivalUs and logs it.
  void Enqueue(const uint8_t* data, int length, uint64_t arrivalUs);
  uint64_t NextEventUs() const;
  // Runs everything due at or before timeUs: power and measurement ends,
  // command completions, then at most one queued packet.
  void Step(uint64_t timeUs, SimCameraSink& sink);
  // Brings zoom, focus and pan/tilt positions in the state up to timeUs.
  void Settle(uint64_t timeUs);
  // A reply of this camera (body without header and terminator), unless it is silent.
  void Send(SimCameraSink& sink, uint64_t t, const uint8_t* body, int length);
  // Mains power cut at t: whatever was queued or running is gone.
  void CutPower(uint64_t t);
  // Mains power back at t: the camera comes up as after a power-on and, when
  // it announces itself, says so with y0 38 FF and awaits an address set.
  void RestorePower(uint64_t t, SimCameraSink& sink, bool announces);

  // Model properties.
  bool WideRange() const;
  bool HasNearInfrared() const;
  bool HasBrightMode() const;
  bool Offers(SimFeature feature) const;
  uint16_t FocusMin() const { return 0x1000; }
  uint16_t FocusMax() const;
  int PresetsKept() const { return Head() != nullptr ? SimCameraState::kPresets : SimCameraState::kBlockPresets; }
  const SimHeadModel* Head() const { return FindHeadModel(state.modelCode); }

 private:
  uint64_t HandleTime(const Input& input) const;
  void Handle(const Input& input, uint64_t t, SimCameraSink& sink);
  void HandleBroadcast(const Input& input, uint64_t t, SimCameraSink& sink);
  void AnswerInquiry(const uint8_t* payload, int m, uint64_t t, SimCameraSink& sink);
  void TakeCommand(const uint8_t* payload, int m, uint64_t t, SimCameraSink& sink);
  void SendError(SimCameraSink& sink, uint64_t t, int socket, uint8_t code);
  bool Answering() const;
  bool Stopped() const;
  bool MatchErrorRule(const uint8_t* payload, int length, uint8_t* code);
  uint64_t SlowAnswerUs(const uint8_t* payload, int length) const;
  int FreeSocket() const;
  void Complete(int socket, uint64_t t, SimCameraSink& sink);
  void CancelSocket(int socket, uint64_t t, SimCameraSink* sink, uint8_t code);
  void ClearSockets();
  void Cancel(int socket, uint64_t t, SimCameraSink& sink);

  // Commands (sim_commands.cpp). c points at the category byte after 0x01.
  bool CommandKnown(const uint8_t* c, int m) const;
  int Execute(const uint8_t* c, uint64_t t, int socket, SimCameraSink* sink, uint64_t* doneUs);
  friend struct SimCommandActions;
  uint64_t StartMove(SimMove& move, uint16_t target, uint64_t t, uint32_t sweepMs, uint32_t range, int socket,
                     SimCameraSink* sink);
  void StopMove(SimMove& move, uint64_t t);
  void PlaceAt(SimMove& move, uint16_t position);
  void ApplyPicture(const SimPicture& picture);
  uint64_t MovePicture(const SimPicture& picture, uint64_t t, int socket, SimCameraSink* sink);
  void FinishPower();
  bool Batching() const;
  uint64_t FrameAfter(uint64_t t) const;
  uint64_t FrameAtOrAfter(uint64_t t) const;

  // The pan/tilt head (sim_head.cpp). c points at 06.
  bool HeadCommandKnown(const uint8_t* c, int m) const;
  int ExecuteHead(const uint8_t* c, uint64_t t, int socket, SimCameraSink* sink, uint64_t* doneUs);
  void PlaceHead(int32_t panPos, int32_t tiltPos);
  // Runs both axes toward a target within the limits; returns when the later arrives.
  uint64_t RunHead(int32_t panTarget, int32_t tiltTarget, uint32_t panSpeed, uint32_t tiltSpeed, uint64_t t);
  // A preset's head spot: stored where the head is at t; recalled at the
  // maximum speeds, ending a Home or absolute move on its way, and returns
  // when the head arrives (t without a head).
  void StoreHeadSpot(SimHeadSpot& spot, uint64_t t) const;
  uint64_t RecallHeadSpot(const SimHeadSpot& spot, uint64_t t, SimCameraSink* sink);
  void StopHead(uint64_t t);
  void SettleHead(uint64_t timeUs);
  bool SkipsPositionAnswer(const uint8_t* payload, int m);

  // Inquiries (sim_inquiries.cpp): the answer body after the header, or 0
  // when the inquiry is not known.
  int Answer(const uint8_t* q, int m, uint8_t* body, int capacity) const;
};
