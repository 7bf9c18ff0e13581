// The record of every packet the engine sends and takes in: a fixed ring that
// the worker alone writes and any thread may read without ever holding the
// worker up. A reader copies a slot and checks afterwards that the worker did
// not write it meanwhile (a sequence word per slot).
#pragma once

#include "engine/core/camera_controller.h"
#include "engine/core/trace_ring.h"

#include <cstdint>

enum TraceKind : uint8_t {
  TRACE_SENT,      // a packet went to the channel
  TRACE_RECEIVED,  // the worker took a frame from the channel
  TRACE_TOO_LONG,  // a frame too long for the packet buffer, dropped unread
  TRACE_NO_REPLY,  // the reply time-out ended the transaction
  TRACE_LATE,      // a reply to a message given up, dropped by its network line
  TRACE_NOISE,     // stray bytes cut off ahead of a packet, dropped
};

struct TraceEntry {
  uint32_t id = 0;      // 1, 2, ... in recording order
  uint64_t tenths = 0;  // time since the trace began, tenths of a millisecond
  TraceKind kind = TRACE_SENT;
  int8_t line = -1;    // 0 for COM1; -1 unknown
  int8_t camera = -1;  // index in the camera table; -1 unknown or a broadcast
  uint8_t stage = 0;   // received: the reply kind awaited when the frame was taken
  uint8_t length = 0;  // bytes on the wire, also beyond kTraceBytes
  uint8_t bytes[kTraceBytes] = {};
  int32_t code = 0;        // sent: its transaction code; else the one in flight
  uint32_t elapsedMs = 0;  // received while awaited, no reply: since the last packet was sent
};

// Worker thread only (or before it starts). The clock starts again; ids go
// on, so a reader's place stays valid. Creation of the controller calls it.
void TraceReset(CameraController* c);
void TraceSent(CameraController* c, int32_t code, const uint8_t* packet, int32_t length);
// `frame` null for a frame that was dropped unread; noise is named as such.
void TraceReceived(CameraController* c, const uint8_t* frame, uint32_t length);
// The same for a frame taken from `line` (0..) while the engine reads another
// one: nothing is awaited there.
void TraceReceivedAside(CameraController* c, int32_t line, const uint8_t* frame, uint32_t length);
void TraceNoReply(CameraController* c);
// A reply line `line` dropped as late, never seen by the engine otherwise.
void TraceLate(CameraController* c, int32_t line, const uint8_t* packet, int32_t length);

// Any thread. The id of the newest entry, 0 while there is none.
uint32_t TraceNewest(const CameraController* c);
// Entry `id`; false when it is not recorded yet, or was overwritten (it is
// more than kTraceCapacity entries old) before or while it was copied.
bool TraceRead(const CameraController* c, uint32_t id, TraceEntry* out);
