// The traffic trace's storage: a fixed ring of slots, each an entry as words
// sealed with its id.
#pragma once

#include "engine/core/sealed_slot.h"
#include "requests/visca_packet.h"

#include <atomic>
#include <cstdint>

constexpr uint32_t kTraceCapacity = 4096;
// Bytes kept per entry: a whole VISCA packet. Longer frames keep their start.
constexpr int32_t kTraceBytes = kMaxPacketBytes;
// Time (two words), shape, length, the bytes, code and elapsed time.
constexpr int32_t kTraceSlotWords = 4 + kTraceBytes / 4 + 2;

using TraceSlot = SealedSlot<kTraceSlotWords>;

struct TrafficTrace {
  TraceSlot slots[kTraceCapacity];
  std::atomic<uint32_t> newest{0};
  // Worker only; times from OsMicroseconds, whose steps are finer than the tick's.
  uint64_t origin = 0;
  uint64_t lastSentAt = 0;
  int8_t lastSentCamera = -1;
};
