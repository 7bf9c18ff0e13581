// Where raw commands' bytes wait, as the queue's words cannot hold them: a
// slot per ticket, sealed with the ticket.
#pragma once

#include "engine/core/sealed_slot.h"
#include "platform/os.h"
#include "requests/visca_packet.h"

#include <atomic>
#include <cstdint>

// Raw commands that may wait at once.
constexpr uint32_t kRawMailboxSlots = 16;
constexpr int32_t kRawPayloadWords = kMaxPacketBytes / 4;

// Word 0 holds the payload's length, the words after it its bytes.
using RawSlot = SealedSlot<1 + kRawPayloadWords>;

struct RawMailbox {
  RawSlot slots[kRawMailboxSlots];
  // Producers hold it from taking a ticket to handing it out; the worker never
  // takes it.
  OsLock producers;
  std::atomic<uint32_t> issued{0};  // producers: the last ticket handed out
  std::atomic<uint32_t> taken{0};   // worker: the last ticket it met in the queue
};
