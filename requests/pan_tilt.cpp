#include "requests/pan_tilt.h"

namespace {

constexpr uint8_t kCommand = 0x01;
constexpr uint8_t kInquiry = 0x09;
constexpr uint8_t kPanTilter = 0x06;
constexpr uint8_t kDrive = 0x01;
constexpr uint8_t kAbsolute = 0x02;
constexpr uint8_t kHome = 0x04;
constexpr uint8_t kAskMaxSpeed = 0x11;
constexpr uint8_t kAskPosition = 0x12;
constexpr uint8_t kAnswer = 0x50;

constexpr uint32_t kFourNibbleAnswer = 11;  // y0 50 + 8 nibbles + FF
constexpr uint32_t kFiveNibbleAnswer = 12;  // y0 50 + 9 nibbles + FF
constexpr uint32_t kMaxSpeedAnswer = 5;

// A maximum the camera gave, or the highest speed byte when it is out of range.
int32_t UsableMax(int32_t max) { return max < 1 || max > kHighestSpeed ? kHighestSpeed : max; }

uint8_t SpeedByte(int32_t speed, int32_t max) {
  const int32_t clamped = ClampSpeed(speed < 0 ? -speed : speed, UsableMax(max));
  return static_cast<uint8_t>(clamped == 0 ? 1 : clamped);
}

int32_t Header(uint8_t* out, uint8_t kind, uint8_t what) {
  out[0] = kind;
  out[1] = kPanTilter;
  out[2] = what;
  return 3;
}

// Four nibbles of a 16-bit two's complement number.
int32_t PutWord(uint8_t* out, int32_t value) {
  const uint32_t word = static_cast<uint32_t>(value) & 0xFFFF;
  for (int32_t i = 0; i < 4; i++) out[i] = static_cast<uint8_t>((word >> (12 - 4 * i)) & 0x0F);
  return 4;
}

// `count` nibbles as a signed number of 4 * count bits.
bool ReadSigned(const uint8_t* bytes, int32_t count, int32_t* out) {
  uint32_t value = 0;
  for (int32_t i = 0; i < count; i++) {
    if (bytes[i] > 0x0F) return false;
    value = (value << 4) | bytes[i];
  }
  const uint32_t sign = 1u << (4 * count - 1);
  *out = static_cast<int32_t>(value & sign ? value - (sign << 1) : value);
  return true;
}

}  // namespace

int32_t ClampSpeed(int32_t speed, int32_t max) {
  if (speed == 0 || max < 1) return 0;
  const int32_t magnitude = speed < 0 ? -speed : speed;
  const int32_t clamped = magnitude > max ? max : magnitude;
  return speed < 0 ? -clamped : clamped;
}

int32_t ScaledTiltSpeed(int32_t panSpeed, int32_t panMax, int32_t tiltMax) {
  if (panSpeed == 0) return 0;
  const int32_t pMax = UsableMax(panMax);
  const int32_t tMax = UsableMax(tiltMax);
  const int32_t magnitude = ClampSpeed(panSpeed < 0 ? -panSpeed : panSpeed, pMax);
  int32_t scaled = (magnitude * tMax + pMax / 2) / pMax;
  if (scaled < 1) scaled = 1;
  return panSpeed < 0 ? -scaled : scaled;
}

bool FitsAbsolutePosition(int32_t value) { return value >= -32768 && value <= 32767; }

int32_t DrivePayload(int32_t panSpeed, int32_t tiltSpeed, int32_t panMax, int32_t tiltMax, uint8_t* out) {
  int32_t n = Header(out, kCommand, kDrive);
  out[n++] = SpeedByte(panSpeed, panMax);
  out[n++] = SpeedByte(tiltSpeed, tiltMax);
  out[n++] = panSpeed < 0 ? kPanLeft : panSpeed > 0 ? kPanRight : kAxisStands;
  out[n++] = tiltSpeed < 0 ? kTiltDown : tiltSpeed > 0 ? kTiltUp : kAxisStands;
  return n;
}

int32_t HomePayload(uint8_t* out) { return Header(out, kCommand, kHome); }

int32_t AbsolutePayload(int32_t pan, int32_t tilt, int32_t panSpeed, int32_t tiltSpeed, int32_t panMax, int32_t tiltMax,
                        uint8_t* out) {
  int32_t n = Header(out, kCommand, kAbsolute);
  out[n++] = SpeedByte(panSpeed, panMax);
  out[n++] = SpeedByte(tiltSpeed, tiltMax);
  n += PutWord(out + n, pan);
  n += PutWord(out + n, tilt);
  return n;
}

int32_t PositionInquiryPayload(uint8_t* out) { return Header(out, kInquiry, kAskPosition); }

int32_t MaxSpeedInquiryPayload(uint8_t* out) { return Header(out, kInquiry, kAskMaxSpeed); }

bool DecodePanTiltPosition(const uint8_t* packet, uint32_t length, int32_t* pan, int32_t* tilt) {
  if (length != kFourNibbleAnswer && length != kFiveNibbleAnswer) return false;
  if (packet[1] != kAnswer) return false;
  const int32_t panNibbles = length == kFiveNibbleAnswer ? 5 : 4;
  int32_t p = 0, t = 0;
  if (!ReadSigned(packet + 2, panNibbles, &p) || !ReadSigned(packet + 2 + panNibbles, 4, &t)) return false;
  *pan = p;
  *tilt = t;
  return true;
}

bool DecodeMaxSpeeds(const uint8_t* packet, uint32_t length, int32_t* panMax, int32_t* tiltMax) {
  if (length != kMaxSpeedAnswer || packet[1] != kAnswer) return false;
  const int32_t p = packet[2], t = packet[3];
  if (p < 1 || p > kHighestSpeed || t < 1 || t > kHighestSpeed) return false;
  *panMax = p;
  *tiltMax = t;
  return true;
}
