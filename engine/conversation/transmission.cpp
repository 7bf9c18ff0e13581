#include "engine/conversation/transmission.h"

#include "engine/trace/traffic_trace.h"
#include "requests/visca_packet.h"

#include <cstdarg>

namespace {

constexpr int32_t kMaxPayloadBytes = kMaxPacketBytes - 2;
constexpr uint8_t kInquiry = 0x09;

}  // namespace

void PutOnLine(CameraController* c, TransactionCode code, const uint8_t* packet, int32_t length) {
  c->sendTick = OsTickCount();
  // A packet that cannot be queued (no channel) gets no reply; the reply
  // time-out then ends the transaction like any lost packet.
  const int32_t line = c->line.load();
  if (line >= 0 && line < kChannelCount && c->channels[line]) c->channels[line]->WriteFrame(packet, length);
  TraceSent(c, code, packet, length);
}

void SendPayload(CameraController* c, TransactionCode code, const uint8_t* payload, int32_t length) {
  if (!payload || length < 1 || length > kMaxPayloadBytes) return;
  uint8_t packet[kMaxPacketBytes];
  int32_t cam = c->camera.load();
  int32_t address = (cam >= 0 && cam < kMaxCameras) ? static_cast<int32_t>(c->cameras[cam].address) : 0;
  packet[0] = static_cast<uint8_t>(kHeaderBase + (address & 0x0F));
  for (int32_t i = 0; i < length; i++) packet[1 + i] = payload[i];
  int32_t n = length + 1;
  packet[n++] = kTerminator;
  PutOnLine(c, code, packet, n);
  // A packet sent before the command in flight was even acknowledged leaves
  // that command's acknowledge and completion still to come (model 0x40's
  // brightness goes out as two commands back to back).
  if (c->stage.load() == STAGE_ACK) {
    c->extraAcks++;
    c->extraCompletions++;
  } else {
    c->extraAcks = 0;
    c->extraCompletions = 0;
  }
  StartTransaction(c, code, payload[0] == kInquiry ? STAGE_ANSWER : STAGE_ACK);
}

void SendPacket(CameraController* c, int32_t code, ...) {
  uint8_t payload[kMaxPayloadBytes];
  int32_t n = 0;
  va_list args;
  va_start(args, code);
  for (;;) {
    int value = va_arg(args, int);
    if (value < 0) break;
    if (value > 0xFF || n >= kMaxPayloadBytes) {
      va_end(args);
      return;
    }
    payload[n++] = static_cast<uint8_t>(value);
  }
  va_end(args);
  SendPayload(c, static_cast<TransactionCode>(code), payload, n);
}

uint32_t DecodeNibbles(const uint8_t* bytes, int32_t count) {
  uint32_t value = 0;
  for (int32_t i = 0; i < count; i++) value = (value << 4) + (bytes[i] & 0x0F);
  return value;
}
