// The hand-off of event lines from any thread to the listener's: a bounded
// ring under a lock held only to copy one line in or out.
#pragma once

#include "platform/os.h"
#include "remote/http_request.h"

#include <cstdint>

constexpr int kRemoteEventSlots = 256;

struct EventQueue {
  OsLock lock;
  char lines[kRemoteEventSlots][kRemoteLineChars + 1];
  int head = 0;  // the oldest line
  int count = 0;
};

// False, the line not taken, when the ring is full, or the line is empty,
// longer than kRemoteLineChars or holds a control character.
bool EventQueuePush(EventQueue* queue, const char* line);
// The oldest line into `out`; false when none waits.
bool EventQueuePop(EventQueue* queue, char (&out)[kRemoteLineChars + 1]);
