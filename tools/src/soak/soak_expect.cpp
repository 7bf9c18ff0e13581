#include "tools/src/soak/soak_expect.h"

#include "requests/request_codes.h"

#include <cstring>

namespace {

// Zoom position at each whole zoom factor, x1 first.
const int32_t kZoom10[] = {0, 6568, 9432, 11254, 12562, 13737, 14399, 15061, 15723, 16384};
const int32_t kZoom20[] = {0,     6225,  8894,  10486, 11589, 12422, 13088, 13641, 14110, 14515,
                           14866, 15170, 15431, 15653, 15839, 15995, 16123, 16228, 16314, 16384};
const int32_t kZoom30[] = {0,     5793,  8291,  9768,  10781, 11539, 12141, 12641, 13069, 13446,
                           13783, 14089, 14368, 14624, 15050, 15069, 15260, 15430, 15580, 15712,
                           15828, 15929, 16016, 16092, 16158, 16215, 16266, 16310, 16348, 16384};
constexpr int32_t kSliderStep = 10;

const int32_t* ZoomTable(int32_t modelCode, int32_t* count) {
  switch (modelCode) {
    case 0x5F:
    case 0x5C:
      *count = sizeof kZoom20 / sizeof kZoom20[0];
      return kZoom20;
    case 0x66:
    case 0x67:
    case 0x40:
      *count = sizeof kZoom30 / sizeof kZoom30[0];
      return kZoom30;
    default:
      *count = sizeof kZoom10 / sizeof kZoom10[0];
      return kZoom10;
  }
}

// Commands initialisation sends (after 8x): power on, preset recall and store,
// the model's set-up commands.
struct InitCommand {
  uint8_t bytes[8];
  int length;
};
const InitCommand kInitCommands[] = {
    {{0x01, 0x04, 0x00, 0x02}, 4}, {{0x01, 0x04, 0x3F, 0x02}, 4},       {{0x01, 0x04, 0x36, 0x00}, 4},
    {{0x01, 0x04, 0x06, 0x03}, 4}, {{0x01, 0x04, 0x74, 0x3F}, 4},       {{0x01, 0x04, 0x3E, 0x02}, 4},
    {{0x01, 0x04, 0x53, 0x03}, 4}, {{0x01, 0x04, 0x2C, 0x07}, 4},       {{0x01, 0x04, 0x28, 0x0E, 0x05, 0x00, 0x00}, 7},
    {{0x01, 0x04, 0x26, 0x00}, 4}, {{0x01, 0x04, 0x3F, 0x01, 0x7F}, 5},
};

struct Builder {
  SoakCommand command{};
  explicit Builder(int32_t address) { Add(static_cast<uint8_t>(0x80 + address)); }
  Builder& Add(uint8_t b) {
    if (command.length < SoakCommand::kMaxBytes) command.bytes[command.length++] = b;
    return *this;
  }
  Builder& Nibbles(int32_t value, int count) {
    for (int i = count - 1; i >= 0; i--) Add(static_cast<uint8_t>((value >> (4 * i)) & 0x0F));
    return *this;
  }
  SoakCommand Done(SoakField field = FIELD_NONE) {
    Add(0xFF);
    command.field = field;
    return command;
  }
};

}  // namespace

int32_t ZoomSliderMax(int32_t modelCode) {
  int32_t count = 0;
  ZoomTable(modelCode, &count);
  return kSliderStep * (count - 1);
}

SoakCommand ExpectedCommand(uint32_t code, int32_t a, int32_t address, int32_t modelCode) {
  Builder b(address);
  b.Add(0x01).Add(0x04);
  switch (code) {
    case REQ_ZOOM_DIRECT: {
      int32_t count = 0;
      const int32_t* table = ZoomTable(modelCode, &count);
      if (a < 0 || a % kSliderStep != 0 || a / kSliderStep >= count) return SoakCommand{};
      return b.Add(0x47).Nibbles(table[a / kSliderStep], 4).Done();
    }
    case REQ_FOCUS_AUTO:
      return b.Add(0x38).Add((a & 0x0F) != 0 ? 0x02 : 0x03).Done();
    case REQ_SHARPNESS_DIRECT:
      return b.Add(0x42).Add(0).Add(0).Nibbles(a, 2).Done(FIELD_APERTURE);
    case REQ_R_GAIN_DIRECT:
      return b.Add(0x43).Add(0).Add(0).Nibbles(a, 2).Done(FIELD_R_GAIN);
    case REQ_B_GAIN_DIRECT:
      return b.Add(0x44).Add(0).Add(0).Nibbles(a, 2).Done(FIELD_B_GAIN);
    case REQ_WB_WARM:
      return b.Add(0x35).Add(0x02).Done();
    case REQ_WB_AUTO:
      return b.Add(0x35).Add(0x00).Done();
    case REQ_POWER:
      return b.Add(0x00).Add((a & 0x0F) != 0 ? 0x02 : 0x03).Done();
    case REQ_FREEZE:
      return b.Add(0x62).Add(a == 1 ? 0x02 : 0x03).Done();
    default:
      return SoakCommand{};
  }
}

bool IsInitialisationCommand(const uint8_t* packet, int length) {
  for (const InitCommand& init : kInitCommands) {
    if (length >= init.length + 2 && memcmp(packet + 1, init.bytes, static_cast<size_t>(init.length)) == 0) return true;
  }
  return false;
}
