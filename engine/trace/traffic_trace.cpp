#include "engine/trace/traffic_trace.h"

#include "engine/core/conversation_codes.h"
#include "engine/core/engine_channel.h"

#include <atomic>

namespace {

// An entry as the words of its slot.
enum Word : int32_t {
  WORD_TENTHS,  // low half
  WORD_TENTHS_HIGH,
  WORD_SHAPE,  // kind, line, camera, stage: a byte each
  WORD_LENGTH,
  WORD_BYTES,  // four words
  WORD_CODE = WORD_BYTES + kTraceBytes / 4,
  WORD_ELAPSED,
  WORD_COUNT,
};

static_assert(WORD_COUNT == kTraceSlotWords, "a slot holds an entry's words");

constexpr uint64_t kMicrosecondsPerTenth = 100;
constexpr uint64_t kMicrosecondsPerMs = 1000;
constexpr int32_t kWordBits = 32;
constexpr uint8_t kBroadcastAddress = 8;

TraceSlot& SlotOf(TrafficTrace& t, uint32_t id) { return t.slots[(id - 1) % kTraceCapacity]; }

void Publish(TrafficTrace& t, const TraceEntry& e) {
  const uint32_t id = t.newest.load(std::memory_order_relaxed) + 1;
  TraceSlot& s = SlotOf(t, id);
  uint32_t w[WORD_COUNT] = {};
  w[WORD_TENTHS] = static_cast<uint32_t>(e.tenths);
  w[WORD_TENTHS_HIGH] = static_cast<uint32_t>(e.tenths >> kWordBits);
  w[WORD_SHAPE] = static_cast<uint32_t>(e.kind) | static_cast<uint32_t>(static_cast<uint8_t>(e.line)) << 8 |
                  static_cast<uint32_t>(static_cast<uint8_t>(e.camera)) << 16 | static_cast<uint32_t>(e.stage) << 24;
  w[WORD_LENGTH] = e.length;
  for (int32_t i = 0; i < kTraceBytes; i++) w[WORD_BYTES + i / 4] |= static_cast<uint32_t>(e.bytes[i]) << (8 * (i % 4));
  w[WORD_CODE] = static_cast<uint32_t>(e.code);
  w[WORD_ELAPSED] = e.elapsedMs;
  s.Write(id, w);
  t.newest.store(id, std::memory_order_release);
}

// The camera at `address` on line `line`; -1 for none or a broadcast.
int8_t CameraAt(const CameraController* c, int32_t line, int32_t address) {
  if (address <= 0 || address >= kBroadcastAddress) return -1;
  const int32_t count = c->cameraCount.load();
  for (int32_t i = 0; i < count && i < kMaxCameras; i++)
    if (c->cameras[i].line == line && c->cameras[i].address == address) return static_cast<int8_t>(i);
  return -1;
}

uint32_t MsSinceLastSent(const TrafficTrace& t, uint64_t now) {
  return static_cast<uint32_t>((now - t.lastSentAt) / kMicrosecondsPerMs);
}

// Time, line and bytes of an entry recorded at `now`.
TraceEntry Begin(CameraController* c, uint64_t now, TraceKind kind, int32_t line, const uint8_t* bytes,
                 uint32_t length) {
  TraceEntry e;
  e.kind = kind;
  e.tenths = (now - c->trace.origin) / kMicrosecondsPerTenth;
  e.line = static_cast<int8_t>(line >= 0 && line < kChannelCount ? line : -1);
  e.length = static_cast<uint8_t>(length > 0xFF ? 0xFF : length);
  for (uint32_t i = 0; bytes && i < length && i < static_cast<uint32_t>(kTraceBytes); i++) e.bytes[i] = bytes[i];
  e.code = c->transaction.load();
  return e;
}

TraceKind ReceivedKind(const uint8_t* frame, uint32_t length) {
  if (!frame) return TRACE_TOO_LONG;
  return IsNoise(frame, length) ? TRACE_NOISE : TRACE_RECEIVED;
}

// A frame from the current line (`aside` -1), or from line `aside`, where
// nothing is awaited and no transaction is in flight.
void RecordReceived(CameraController* c, int32_t aside, const uint8_t* frame, uint32_t length) {
  const uint64_t now = OsMicroseconds();
  const TraceKind kind = ReceivedKind(frame, length);
  TraceEntry e = Begin(c, now, kind, aside < 0 ? c->line.load() : aside, frame, length);
  // A reply's header is (8 + address) << 4.
  if (kind == TRACE_RECEIVED && length > 0) e.camera = CameraAt(c, e.line, (frame[0] >> 4) - kBroadcastAddress);
  // Noise is no reply to the transaction in flight (a raw command's outcome among them).
  if (aside >= 0 || kind == TRACE_NOISE) e.code = TX_NONE;
  e.stage = static_cast<uint8_t>(aside < 0 ? c->stage.load() : STAGE_NONE);
  if (e.stage != STAGE_NONE) e.elapsedMs = MsSinceLastSent(c->trace, now);
  Publish(c->trace, e);
}

}  // namespace

void TraceReset(CameraController* c) {
  TrafficTrace& t = c->trace;
  t.origin = OsMicroseconds();
  t.lastSentAt = t.origin;
  t.lastSentCamera = -1;
}

void TraceSent(CameraController* c, int32_t code, const uint8_t* packet, int32_t length) {
  const uint64_t now = OsMicroseconds();
  TraceEntry e = Begin(c, now, TRACE_SENT, c->line.load(), packet, length > 0 ? static_cast<uint32_t>(length) : 0);
  e.code = code;
  e.camera = length > 0 ? CameraAt(c, e.line, packet[0] & 0x0F) : -1;
  Publish(c->trace, e);
  c->trace.lastSentAt = now;
  c->trace.lastSentCamera = e.camera;
}

void TraceReceived(CameraController* c, const uint8_t* frame, uint32_t length) { RecordReceived(c, -1, frame, length); }

void TraceReceivedAside(CameraController* c, int32_t line, const uint8_t* frame, uint32_t length) {
  RecordReceived(c, line, frame, length);
}

void TraceNoReply(CameraController* c) {
  const uint64_t now = OsMicroseconds();
  TraceEntry e = Begin(c, now, TRACE_NO_REPLY, c->line.load(), nullptr, 0);
  e.camera = c->trace.lastSentCamera;
  e.stage = static_cast<uint8_t>(c->stage.load());
  e.elapsedMs = MsSinceLastSent(c->trace, now);
  Publish(c->trace, e);
}

void TraceLate(CameraController* c, int32_t line, const uint8_t* packet, int32_t length) {
  TraceEntry e = Begin(c, OsMicroseconds(), TRACE_LATE, line, packet, length > 0 ? static_cast<uint32_t>(length) : 0);
  if (length > 0) e.camera = CameraAt(c, line, (packet[0] >> 4) - kBroadcastAddress);
  e.code = TX_NONE;  // it answers nothing in flight
  Publish(c->trace, e);
}

uint32_t TraceNewest(const CameraController* c) { return c->trace.newest.load(std::memory_order_acquire); }

bool TraceRead(const CameraController* c, uint32_t id, TraceEntry* out) {
  if (id == 0 || id > TraceNewest(c)) return false;
  const TraceSlot& s = c->trace.slots[(id - 1) % kTraceCapacity];
  uint32_t w[WORD_COUNT];
  if (!s.Read(id, w)) return false;
  out->id = id;
  out->tenths = static_cast<uint64_t>(w[WORD_TENTHS_HIGH]) << kWordBits | w[WORD_TENTHS];
  out->kind = static_cast<TraceKind>(w[WORD_SHAPE] & 0xFF);
  out->line = static_cast<int8_t>((w[WORD_SHAPE] >> 8) & 0xFF);
  out->camera = static_cast<int8_t>((w[WORD_SHAPE] >> 16) & 0xFF);
  out->stage = static_cast<uint8_t>(w[WORD_SHAPE] >> 24);
  out->length = static_cast<uint8_t>(w[WORD_LENGTH]);
  for (int32_t i = 0; i < kTraceBytes; i++)
    out->bytes[i] = static_cast<uint8_t>(w[WORD_BYTES + i / 4] >> (8 * (i % 4)));
  out->code = static_cast<int32_t>(w[WORD_CODE]);
  out->elapsedMs = w[WORD_ELAPSED];
  return true;
}
