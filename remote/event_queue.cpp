#include "remote/event_queue.h"

#include <cstring>

namespace {

// One line on the wire: no line end inside, no NUL, not too long.
bool FitsOneLine(const char* line, size_t* length) {
  size_t n = 0;
  for (; line[n] != 0; n++)
    if (n == kRemoteLineChars || static_cast<unsigned char>(line[n]) < 0x20) return false;
  *length = n;
  return n > 0;
}

}  // namespace

bool EventQueuePush(EventQueue* queue, const char* line) {
  size_t n = 0;
  if (!FitsOneLine(line, &n)) return false;
  OsLockGuard guard(queue->lock);
  if (queue->count == kRemoteEventSlots) return false;
  char* slot = queue->lines[(queue->head + queue->count) % kRemoteEventSlots];
  std::memcpy(slot, line, n + 1);
  queue->count++;
  return true;
}

bool EventQueuePop(EventQueue* queue, char (&out)[kRemoteLineChars + 1]) {
  OsLockGuard guard(queue->lock);
  if (queue->count == 0) return false;
  std::memcpy(out, queue->lines[queue->head], sizeof out);
  queue->head = (queue->head + 1) % kRemoteEventSlots;
  queue->count--;
  return true;
}
