#include "engine/dispatch/raw_command.h"

#include "engine/conversation/engine_state.h"
#include "engine/conversation/transmission.h"

#include <atomic>

namespace {

RawSlot& SlotOf(RawMailbox& box, uint32_t ticket) { return box.slots[ticket % kRawMailboxSlots]; }

// Tickets count 1, 2, ...; 0 marks a slot being written, so the count skips it.
uint32_t NextTicket(uint32_t ticket) { return ticket + 1 == 0 ? 1 : ticket + 1; }

// Word 0 of a slot holds the length, the words after it the payload.
constexpr int32_t kLengthWord = 0;
constexpr int32_t kFirstByteWord = 1;

void Store(RawMailbox& box, uint32_t ticket, const uint8_t* payload, int32_t length) {
  uint32_t w[1 + kRawPayloadWords] = {};
  w[kLengthWord] = static_cast<uint32_t>(length);
  for (int32_t i = 0; i < length; i++) w[kFirstByteWord + i / 4] |= static_cast<uint32_t>(payload[i]) << (8 * (i % 4));
  SlotOf(box, ticket).Write(ticket, w);
}

// Copies the payload of `ticket` and empties its slot, so no later message
// naming the same ticket finds it.
bool Take(RawMailbox& box, uint32_t ticket, uint8_t* payload, int32_t* length) {
  RawSlot& s = SlotOf(box, ticket);
  uint32_t w[1 + kRawPayloadWords];
  if (!s.Read(ticket, w) || w[kLengthWord] > static_cast<uint32_t>(kMaxPacketBytes)) return false;
  const uint32_t n = w[kLengthWord];
  for (uint32_t i = 0; i < n; i++) payload[i] = static_cast<uint8_t>(w[kFirstByteWord + i / 4] >> (8 * (i % 4)));
  *length = static_cast<int32_t>(n);
  s.Clear();
  return true;
}

}  // namespace

RawPutResult PutRawCommand(CameraController* c, int32_t cameraIndex, const RawPacket& packet, char* message,
                           int32_t messageSize) {
  if (message && messageSize > 0) message[0] = 0;
  // A caller that did not parse the text may hand over any length.
  if (packet.length < kMinPacketBytes || packet.length > kMaxPacketBytes)
    return Refuse(RAW_BAD_LENGTH, message, messageSize, "A packet has %d to %d bytes.",
                  static_cast<int>(kMinPacketBytes), static_cast<int>(kMaxPacketBytes));
  if (!c || cameraIndex < 0 || cameraIndex >= c->cameraCount.load() || cameraIndex >= kMaxCameras)
    return Refuse(RAW_NO_CAMERA, message, messageSize, "No camera selected.");
  const int32_t address = c->cameras[cameraIndex].address;
  if (!packet.ownAddress && packet.bytes[0] != kHeaderBase + address)
    return Refuse(RAW_OTHER_ADDRESS, message, messageSize, "%X is not the address of camera %d (8%d); write 8x.",
                  packet.bytes[0], static_cast<int>(cameraIndex + 1), static_cast<int>(address));
  // It would only wait out its time-out, as other requests for it would.
  if (!CameraReachable(c, cameraIndex))
    return Refuse(RAW_NOT_ANSWERING, message, messageSize, "Camera %d is not answering; nothing sent.",
                  static_cast<int>(cameraIndex + 1));
  RawMailbox& box = c->rawMailbox;
  // Two producers must never take the same ticket, nor queue theirs out of order.
  OsLockGuard hold(box.producers);
  const uint32_t last = box.issued.load(std::memory_order_relaxed);
  if (last - box.taken.load(std::memory_order_acquire) >= kRawMailboxSlots)
    return Refuse(RAW_BUSY, message, messageSize, "Too many raw commands waiting; try again.");
  const uint32_t ticket = NextTicket(last);
  // Header and terminator are the engine's to write.
  Store(box, ticket, packet.bytes + 1, packet.length - 2);
  if (!c->requestQueue->Put(static_cast<uint32_t>(cameraIndex), kRawRequestCode, ticket, 0))
    return Refuse(RAW_BUSY, message, messageSize, "The request queue is full; try again.");
  box.issued.store(ticket, std::memory_order_release);
  return RAW_PUT;
}

uint32_t RawCommandsWaiting(const CameraController* c) {
  return c->rawMailbox.issued.load(std::memory_order_acquire) - c->rawMailbox.taken.load(std::memory_order_acquire);
}

void CarryOutRawCommand(CameraController* c, uint32_t cameraIndex, uint32_t ticket) {
  // Tickets are carried out once each, in order: a message naming one
  // already taken or one not yet due sends nothing and leaves the count alone.
  RawMailbox& box = c->rawMailbox;
  const uint32_t last = box.taken.load(std::memory_order_relaxed);
  if (ticket != NextTicket(last)) return;
  uint8_t payload[kMaxPacketBytes];
  int32_t length = 0;
  const bool held = Take(box, ticket, payload, &length);
  // A ticket handed out is used up even when its bytes are not there.
  if (!held && box.issued.load(std::memory_order_acquire) == last) return;
  box.taken.store(ticket, std::memory_order_release);
  if (!held) return;
  if (cameraIndex >= static_cast<uint32_t>(c->cameraCount.load()) || cameraIndex >= kMaxCameras ||
      !CameraReachable(c, static_cast<int32_t>(cameraIndex)))
    return;
  BeginWork(c, static_cast<int32_t>(kRawRequestCode), static_cast<int32_t>(cameraIndex));
  SendPayload(c, TX_RAW_COMMAND, payload, length);
}
