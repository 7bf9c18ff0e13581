// Replies a visca-ip line dropped as late, kept until the engine takes them
// to name them in its trace. The line's I/O thread puts, the engine's worker
// takes; a few at most wait, and any more before the worker looks go unnamed.
#pragma once

#include "net/visca_ip_session.h"
#include "platform/os.h"

#include <cstdint>

class LateReplies {
 public:
  static constexpr int kDepth = 4;

  void Put(const uint8_t* packet, int32_t length);
  // The oldest into `buffer`: its length, 0 when none waits (or it was longer
  // than `capacity`, and is dropped).
  int32_t Take(uint8_t* buffer, int32_t capacity);

 private:
  OsLock lock;
  uint8_t packets[kDepth][ViscaIpDatagram::kMaxPayload] = {};
  int32_t lengths[kDepth] = {};
  int first = 0;  // oldest
  int count = 0;
};
