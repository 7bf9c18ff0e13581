#include "net/late_replies.h"

#include <cstring>

void LateReplies::Put(const uint8_t* packet, int32_t length) {
  if (length < 1 || length > ViscaIpDatagram::kMaxPayload) return;
  OsLockGuard guard(lock);
  if (count == kDepth) return;
  const int slot = (first + count++) % kDepth;
  std::memcpy(packets[slot], packet, static_cast<size_t>(length));
  lengths[slot] = length;
}

int32_t LateReplies::Take(uint8_t* buffer, int32_t capacity) {
  OsLockGuard guard(lock);
  if (count == 0) return 0;
  const int slot = first;
  first = (first + 1) % kDepth;
  count--;
  if (lengths[slot] > capacity) return 0;
  std::memcpy(buffer, packets[slot], static_cast<size_t>(lengths[slot]));
  return lengths[slot];
}
