// A camera's pan/tilt movements: the one waiting to be sent (the latest put
// wins) and what the worker knows of the head on its way.
#pragma once

#include <atomic>
#include <cstdint>

enum MovementKind : uint8_t { MOVEMENT_NONE = 0, MOVEMENT_DRIVE = 1, MOVEMENT_HOME = 2, MOVEMENT_ABSOLUTE = 3 };

// A movement as it waits in `pending`: speeds as signed bytes, positions as
// signed 16-bit numbers.
struct Movement {
  MovementKind kind = MOVEMENT_NONE;
  int32_t panSpeed = 0, tiltSpeed = 0;
  int32_t pan = 0, tilt = 0;
};

inline uint64_t PackMovement(const Movement& m) {
  return static_cast<uint64_t>(m.kind) << 56 | static_cast<uint64_t>(static_cast<uint8_t>(m.panSpeed)) |
         static_cast<uint64_t>(static_cast<uint8_t>(m.tiltSpeed)) << 8 |
         static_cast<uint64_t>(static_cast<uint16_t>(m.pan)) << 16 |
         static_cast<uint64_t>(static_cast<uint16_t>(m.tilt)) << 32;
}

inline Movement UnpackMovement(uint64_t packed) {
  Movement m;
  m.kind = static_cast<MovementKind>(packed >> 56);
  m.panSpeed = static_cast<int8_t>(packed & 0xFF);
  m.tiltSpeed = static_cast<int8_t>((packed >> 8) & 0xFF);
  m.pan = static_cast<int16_t>((packed >> 16) & 0xFFFF);
  m.tilt = static_cast<int16_t>((packed >> 32) & 0xFFFF);
  return m;
}

struct MovementSlot {
  // The movement put and not yet sent (0: none). Any thread stores it; the
  // worker takes it.
  std::atomic<uint64_t> pending{0};
  // The worker's, read by teardown: the last drive sent moves the head, and
  // a Home or absolute move is on its way.
  std::atomic<bool> driving{false};
  std::atomic<bool> onItsWay{false};
  // A drive or stop went out after the move on its way, which it ends.
  std::atomic<bool> overtaken{false};
  // Worker only: the sockets (bit s for socket s) Home or absolute moves on
  // their way were acknowledged on, and since when. A move overtaken may
  // still answer on its own socket after the next one is acknowledged.
  uint32_t sockets = 0;
  uint32_t newest = 0;  // the bit of the latest move: the head is on its way while it is set
  uint32_t since = 0;
  // Worker only: the drive in flight is a stop; whether the head was driven
  // before the movement in flight went out; a position read is due.
  bool stopInFlight = false;
  bool drivingBefore = false;
  bool overtakenBefore = false;
  bool positionDue = false;
  // The worker's, read by the front ends' list snapshot: the camera is still
  // to be asked whether it pans and tilts.
  std::atomic<bool> probeDue{false};
};

// Worker: what a lost line or a silent camera leaves of its movements:
// nothing to send, nothing on its way, nothing driven when it is back.
inline void ForgetMovements(MovementSlot& slot) {
  slot.pending.store(0);
  slot.driving.store(false);
  slot.onItsWay.store(false);
  slot.overtaken.store(false);
  slot.sockets = 0;
  slot.newest = 0;
  slot.stopInFlight = false;
  slot.positionDue = false;
}
