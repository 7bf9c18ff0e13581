#include "engine/transmission.h"

#include <cstdarg>

namespace {

constexpr int32_t kPacketBytes = 16;
constexpr int32_t kMaxPayload = kPacketBytes - 2;

}  // namespace

void SendPacket(CameraController* c, int32_t code, ...) {
  uint8_t packet[kPacketBytes];
  int32_t n = 1;
  va_list args;
  va_start(args, code);
  for (;;) {
    int value = va_arg(args, int);
    if (value < 0) break;
    if (value > 0xFF || n > kMaxPayload) {
      va_end(args);
      return;
    }
    packet[n++] = static_cast<uint8_t>(value);
  }
  va_end(args);
  if (n == 1) return;
  int32_t cam = c->camera.load();
  int32_t address = (cam >= 0 && cam < kMaxCameras) ? c->cameras[cam].address : 0;
  packet[0] = static_cast<uint8_t>(0x80 + (address & 0x0F));
  packet[n++] = 0xFF;
  c->sendTick = OsTickCount();
  // A packet that cannot be queued (no channel) gets no reply; the reply
  // time-out then ends the transaction like any lost packet.
  int32_t port = c->port.load();
  if (port >= 0 && port < kChannelCount && c->channels[port]) c->channels[port]->WriteFrame(packet, n);
  // A packet sent before the command in flight was even acknowledged leaves
  // that command's acknowledge and completion still to come (model 0x40's
  // brightness goes out as two commands back to back).
  if (c->stage.load() == 2) {
    extraAcks++;
    extraCompletions++;
  } else {
    extraAcks = 0;
    extraCompletions = 0;
  }
  c->mode = code;
  c->stage = packet[1] == 0x09 ? 4 : 2;
}

uint32_t PacketEndTest(uint8_t* frame, int32_t* length) {
  lastRxTick = OsTickCount();
  if (!frame || !length || *length <= 0) return FRAME_MORE;
  return frame[*length - 1] == 0xFF ? FRAME_COMPLETE : FRAME_MORE;
}

uint32_t DecodeNibbles(const uint8_t* bytes, int32_t count) {
  uint32_t value = 0;
  for (int32_t i = 0; i < count; i++) value = (value << 4) + (bytes[i] & 0x0F);
  return value;
}
