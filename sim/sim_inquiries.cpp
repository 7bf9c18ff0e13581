// The inquiries a camera answers (8x 09 ... FF) and the forms of the answers:
// a byte value, a 16-bit value as four nibbles, a register as two nibbles.
#include "sim/sim_camera.h"

namespace {

int ByteAnswer(uint8_t value, uint8_t* body) {
  body[0] = 0x50;
  body[1] = value;
  return 2;
}

int NibbleAnswer(uint16_t value, uint8_t* body) {
  body[0] = 0x50;
  body[1] = static_cast<uint8_t>((value >> 12) & 0x0F);
  body[2] = static_cast<uint8_t>((value >> 8) & 0x0F);
  body[3] = static_cast<uint8_t>((value >> 4) & 0x0F);
  body[4] = static_cast<uint8_t>(value & 0x0F);
  return 5;
}

constexpr uint16_t kVendorId = 0x0020;
constexpr uint8_t kModelIdHigh = 0x04;

}  // namespace

int SimCamera::Answer(const uint8_t* q, int m, uint8_t* body, int capacity) const {
  if (capacity < 8) return 0;
  if (m == 2 && q[0] == 0x00 && q[1] == 0x02) {
    // vendor id, model id, ROM version, number of sockets
    body[0] = 0x50;
    body[1] = static_cast<uint8_t>(kVendorId >> 8);
    body[2] = static_cast<uint8_t>(kVendorId & 0xFF);
    body[3] = kModelIdHigh;
    body[4] = state.modelCode;
    body[5] = static_cast<uint8_t>(state.romVersion >> 8);
    body[6] = static_cast<uint8_t>(state.romVersion & 0xFF);
    body[7] = kSockets;
    return 8;
  }
  if (m < 2 || q[0] != 0x04) return 0;
  if (m == 3 && q[1] == 0x24) {
    if (q[2] > 0x7F) return 0;
    const uint8_t value = state.registers[q[2]];
    body[0] = 0x50;
    body[1] = static_cast<uint8_t>(value >> 4);
    body[2] = static_cast<uint8_t>(value & 0x0F);
    return 3;
  }
  if (m != 2) return 0;
  const SimPicture& p = state.picture;
  switch (q[1]) {
    case 0x00:
      return ByteAnswer(state.power, body);
    case 0x01:
      return HasNearInfrared() ? ByteAnswer(p.icrMode, body) : 0;
    case 0x51:
      return HasNearInfrared() ? ByteAnswer(state.autoIcr, body) : 0;
    case 0x06:
      return ByteAnswer(state.digitalZoom, body);
    case 0x36:
      return ByteAnswer(state.zoomMode, body);
    case 0x38:
      return ByteAnswer(p.focusMode, body);
    case 0x39:
      return ByteAnswer(p.aeMode, body);
    case 0x3E:
      return ByteAnswer(p.expCompOn, body);
    case 0x35:
      return ByteAnswer(p.wbMode, body);
    case 0x5B:
      return ByteAnswer(p.gamma, body);
    case 0x63:
      return ByteAnswer(p.pictureEffect, body);
    case 0x66:
      return ByteAnswer(p.pictureFlip, body);
    case 0x62:
      return ByteAnswer(state.freeze, body);
    case 0x3F:
      return ByteAnswer(state.lastPreset, body);
    case 0x2C:
      return ByteAnswer(state.gainLimit, body);
    case 0x53:
      return ByteAnswer(state.noiseReduction, body);
    case 0x47:
      return NibbleAnswer(p.zoomPos, body);
    case 0x48:
      return NibbleAnswer(p.focusPos, body);
    case 0x4A:
      return NibbleAnswer(p.shutterPos, body);
    case 0x4B:
      return NibbleAnswer(p.irisPos, body);
    case 0x4C:
      return NibbleAnswer(p.gainPos, body);
    case 0x4D:
      return HasBrightMode() ? NibbleAnswer(p.brightPos, body) : 0;
    case 0x4E:
      return NibbleAnswer(p.expCompPos, body);
    case 0x42:
      return NibbleAnswer(p.aperture, body);
    case 0x43:
      return NibbleAnswer(p.rGain, body);
    case 0x44:
      return NibbleAnswer(p.bGain, body);
    default:
      return 0;
  }
}
