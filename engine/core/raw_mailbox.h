// Where raw commands' bytes wait, as the queue's words cannot hold them: a
// slot per ticket. `ticket` holds the ticket once the payload is in place and
// 0 while the producer writes it (the same check as the traffic trace's slots).
#pragma once

#include "requests/visca_packet.h"

#include <atomic>
#include <cstdint>

// Raw commands that may wait at once.
constexpr uint32_t kRawMailboxSlots = 16;
constexpr int32_t kRawPayloadWords = kMaxPacketBytes / 4;

struct RawSlot {
  std::atomic<uint32_t> ticket{0};
  std::atomic<uint32_t> length{0};
  std::atomic<uint32_t> words[kRawPayloadWords] = {};
};

struct RawMailbox {
  RawSlot slots[kRawMailboxSlots];
  std::atomic<uint32_t> issued{0};  // producer: the last ticket handed out
  std::atomic<uint32_t> taken{0};   // worker: the last ticket it met in the queue
};
