// One RS-232 line with up to seven virtual VISCA cameras in a daisy chain,
// driven by bytes and a virtual clock: no threads, no devices. Feed() takes
// what the controller writes; ReadByte()/TakeOutput() give what the line sends
// back once its time has come; Advance() moves the clock.
//
// Not thread-safe: one caller at a time (SimPeer adds a lock).
#pragma once

#include "sim/sim_camera_state.h"
#include "sim/sim_faults.h"
#include "sim/sim_timing.h"

#include <cstdint>
#include <memory>

// One packet as a camera received it.
struct SimPacket {
  static constexpr int kMaxStored = 24;
  uint8_t bytes[kMaxStored];
  int length;       // full length on the wire; bytes beyond kMaxStored are not kept
  uint64_t timeUs;  // line time when it arrived
};

class SimLine {
 public:
  static constexpr int kMaxCameras = 7;
  static constexpr int kPacketLog = 512;  // packets kept per camera, newest last

  explicit SimLine(const SimTiming& timing = SimFastTiming());
  ~SimLine();
  SimLine(const SimLine&) = delete;
  SimLine& operator=(const SimLine&) = delete;

  // Appends a camera to the end of the chain. Its index (0 = first on the
  // line) or -1 when the line is full.
  int AddCamera(uint8_t modelCode);

  // Clock. Advance() takes a wrapping millisecond tick (GetTickCount style);
  // the first call only anchors it. AdvanceToUs() takes absolute line time.
  // Both run everything that falls due up to the new time.
  void Advance(uint32_t nowMs);
  void AdvanceToUs(uint64_t nowUs);
  // Line time of the next thing that will happen (a reply byte due, a camera
  // handling a packet, a move ending); UINT64_MAX when nothing is pending.
  uint64_t NextEventUs() const;

  // Bytes from the controller, arriving at the current time.
  void Feed(const uint8_t* data, int length);
  // 1 and the next byte the line sends back when it is due, else 0.
  int ReadByte(uint8_t* byte);
  // Every due byte, up to capacity; the count.
  int TakeOutput(uint8_t* buffer, int capacity);

  // Faults.
  void SetLineFaults(const SimFaults& faults);
  void SetCameraFaults(int index, const SimFaults& faults);
  // The camera sends y0 38 FF now, as after its power came on.
  void SendNetworkChange(int index);
  // The camera's mains power. Without it the whole line falls silent, as a
  // daisy chain is a ring; when it comes back the camera powers on, sends
  // y0 38 FF and ignores packets addressed to it until an address set
  // reaches it; one that does not announce itself (a camera on a datagram
  // line) keeps its address and just answers again.
  void SwitchCamera(int index, bool powered, bool announces = true);

  // Inspection. Index 0 is the first camera of the chain.
  const SimCameraState& State(int index) const;
  // Replaces a camera's state (for test set-ups: powered off, a preset stored);
  // running moves and commands are dropped.
  void SetState(int index, const SimCameraState& state);
  // Packets that reached the camera (addressed to it, or broadcasts), in order.
  int ReceivedCount(int index) const;                        // kept in the log
  bool Received(int index, int n, SimPacket* packet) const;  // n = 0 is the oldest kept
  void ClearReceived();

 private:
  struct Impl;
  std::unique_ptr<Impl> impl;
};
