// The inquiries a camera answers (8x 09 ... FF): a table of the bytes after
// 09 and of what each answers, as a byte value, a 16-bit value as four
// nibbles, a register as two nibbles, the camera's version, or its pan/tilt
// position and maximum speeds.
#include "sim/sim_camera.h"

#include <cstring>

namespace {

using P = SimPicture;
using S = SimCameraState;

constexpr uint16_t kVendorId = 0x0020;
constexpr uint8_t kModelIdHigh = 0x04;

// The longest answer body: 50, five pan and four tilt nibbles.
constexpr int kLongestAnswer = 10;

using InquiryAnswer = int (*)(const SimCamera& camera, const uint8_t* q, uint8_t* body);

// Vendor id, model id, ROM version, number of sockets.
int VersionAnswer(const SimCamera& camera, const uint8_t*, uint8_t* body) {
  const SimCameraState& state = camera.state;
  body[0] = 0x50;
  body[1] = static_cast<uint8_t>(kVendorId >> 8);
  body[2] = static_cast<uint8_t>(kVendorId & 0xFF);
  body[3] = kModelIdHigh;
  body[4] = state.modelCode;
  body[5] = static_cast<uint8_t>(state.romVersion >> 8);
  body[6] = static_cast<uint8_t>(state.romVersion & 0xFF);
  body[7] = SimCamera::kSockets;
  return 8;
}

// 04 24 rr: register rr as two nibbles.
int RegisterAnswer(const SimCamera& camera, const uint8_t* q, uint8_t* body) {
  if (q[2] > 0x7F) return 0;
  const uint8_t value = camera.state.registers[q[2]];
  body[0] = 0x50;
  body[1] = static_cast<uint8_t>(value >> 4);
  body[2] = static_cast<uint8_t>(value & 0x0F);
  return 3;
}

int ByteAnswer(uint8_t value, uint8_t* body) {
  body[0] = 0x50;
  body[1] = value;
  return 2;
}

// The low `count` nibbles of value, highest first (a negative number in two's complement).
int PutNibbles(uint32_t value, int count, uint8_t* out) {
  for (int i = 0; i < count; ++i) out[i] = static_cast<uint8_t>((value >> (4 * (count - 1 - i))) & 0x0F);
  return count;
}

int NibbleAnswer(uint16_t value, uint8_t* body) {
  body[0] = 0x50;
  return 1 + PutNibbles(value, 4, body + 1);
}

// 06 12: pan in four or five nibbles, tilt in four.
int PositionAnswer(const SimCamera& camera, const uint8_t*, uint8_t* body) {
  body[0] = 0x50;
  int n = 1 + PutNibbles(static_cast<uint32_t>(camera.state.panPos), camera.Head()->panNibbles, body + 1);
  n += PutNibbles(static_cast<uint32_t>(camera.state.tiltPos), 4, body + n);
  return camera.faults.positionShort ? n - 1 : n;
}

// 06 11: pan and tilt maximum speeds.
int MaxSpeedAnswer(const SimCamera& camera, const uint8_t*, uint8_t* body) {
  const bool given = camera.faults.maxSpeedGiven;
  body[0] = 0x50;
  body[1] = given ? camera.faults.maxSpeedBytes[0] : camera.Head()->panMax;
  body[2] = given ? camera.faults.maxSpeedBytes[1] : camera.Head()->tiltMax;
  return 3;
}

struct InquiryRow {
  uint8_t match[2] = {};           // the first bytes after 09
  int length = 2;                  // of the whole inquiry after 09
  InquiryAnswer answer = nullptr;  // none: the field below
  uint8_t S::*stateByte = nullptr;
  uint8_t P::*pictureByte = nullptr;
  uint16_t P::*pictureWord = nullptr;
  SimFeature feature = SIM_FEATURE_ANY;

  constexpr InquiryRow Needs(SimFeature f) const {
    InquiryRow r = *this;
    r.feature = f;
    return r;
  }
};

constexpr InquiryRow Asks(uint8_t category, uint8_t item, int length, InquiryAnswer answer) {
  InquiryRow r;
  r.match[0] = category;
  r.match[1] = item;
  r.length = length;
  r.answer = answer;
  return r;
}

constexpr InquiryRow Byte(uint8_t item, uint8_t S::*field) {
  InquiryRow r = Asks(0x04, item, 2, nullptr);
  r.stateByte = field;
  return r;
}

constexpr InquiryRow Byte(uint8_t item, uint8_t P::*field) {
  InquiryRow r = Asks(0x04, item, 2, nullptr);
  r.pictureByte = field;
  return r;
}

constexpr InquiryRow Word(uint8_t item, uint16_t P::*field) {
  InquiryRow r = Asks(0x04, item, 2, nullptr);
  r.pictureWord = field;
  return r;
}

// clang-format off
constexpr InquiryRow kInquiries[] = {
    Asks(0x00, 0x02, 2, VersionAnswer),
    Asks(0x04, 0x24, 3, RegisterAnswer).Needs(SIM_FEATURE_FULL_SET),
    Asks(0x06, 0x12, 2, PositionAnswer).Needs(SIM_FEATURE_PAN_TILT),
    Asks(0x06, 0x11, 2, MaxSpeedAnswer).Needs(SIM_FEATURE_MAX_SPEED),
    Byte(0x00, &S::power),
    Byte(0x01, &P::icrMode).Needs(SIM_FEATURE_NEAR_INFRARED),
    Byte(0x51, &S::autoIcr).Needs(SIM_FEATURE_NEAR_INFRARED),
    Byte(0x06, &S::digitalZoom),
    Byte(0x36, &S::zoomMode),
    Byte(0x38, &P::focusMode),
    Byte(0x39, &P::aeMode),
    Byte(0x3E, &P::expCompOn),
    Byte(0x35, &P::wbMode),
    Byte(0x5B, &P::gamma).Needs(SIM_FEATURE_FULL_SET),
    Byte(0x63, &P::pictureEffect),
    Byte(0x66, &P::pictureFlip),
    Byte(0x62, &S::freeze),
    Byte(0x3F, &S::lastPreset),
    Byte(0x2C, &S::gainLimit),
    Byte(0x53, &S::noiseReduction),
    Word(0x47, &P::zoomPos),
    Word(0x48, &P::focusPos),
    Word(0x4A, &P::shutterPos),
    Word(0x4B, &P::irisPos),
    Word(0x4C, &P::gainPos),
    Word(0x4D, &P::brightPos).Needs(SIM_FEATURE_BRIGHT_MODE),
    Word(0x4E, &P::expCompPos),
    Word(0x42, &P::aperture),
    Word(0x43, &P::rGain),
    Word(0x44, &P::bGain),
};
// clang-format on

const InquiryRow* FindInquiry(const uint8_t* q, int m) {
  for (const InquiryRow& row : kInquiries) {
    if (row.length == m && std::memcmp(row.match, q, sizeof(row.match)) == 0) return &row;
  }
  return nullptr;
}

}  // namespace

int SimCamera::Answer(const uint8_t* q, int m, uint8_t* body, int capacity) const {
  if (capacity < kLongestAnswer) return 0;
  const InquiryRow* row = FindInquiry(q, m);
  if (row == nullptr || !Offers(row->feature)) return 0;
  if (row->answer != nullptr) return row->answer(*this, q, body);
  if (row->stateByte != nullptr) return ByteAnswer(state.*row->stateByte, body);
  if (row->pictureByte != nullptr) return ByteAnswer(state.picture.*row->pictureByte, body);
  return NibbleAnswer(state.picture.*row->pictureWord, body);
}
