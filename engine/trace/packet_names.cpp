#include "engine/trace/packet_names.h"

#include "requests/visca_packet.h"

namespace {

constexpr int32_t kAny = -1;

// Bytes 1 to 4 of a packet (kAny matches every value) and its name, then
// bytes 5 to 7 for the few names that rest on them; the first row that
// matches names the packet.
struct NameRow {
  int32_t b1, b2, b3, b4;
  const char* name;
  int32_t b5 = kAny, b6 = kAny, b7 = kAny;
};

// clang-format off
const NameRow kSent[] = {
    {0x30, kAny, kAny, kAny, "address set"},  // also its echo, with the next address
    {0x01, 0x00, 0x01, kAny, "interface clear"},
    {0x09, 0x00, 0x02, kAny, "version?"},
    {0x09, 0x04, 0x00, kAny, "power?"},
    {0x09, 0x04, 0x01, kAny, "IR cut?"},
    {0x09, 0x04, 0x24, kAny, "video register?"},
    {0x09, 0x04, 0x35, kAny, "white balance?"},
    {0x09, 0x04, 0x38, kAny, "focus mode?"},
    {0x09, 0x04, 0x39, kAny, "exposure mode?"},
    {0x09, 0x04, 0x3F, kAny, "last preset?"},
    {0x09, 0x04, 0x42, kAny, "aperture?"},
    {0x09, 0x04, 0x43, kAny, "R gain?"},
    {0x09, 0x04, 0x44, kAny, "B gain?"},
    {0x09, 0x04, 0x47, kAny, "zoom position?"},
    {0x09, 0x04, 0x48, kAny, "focus position?"},
    {0x09, 0x04, 0x4A, kAny, "shutter?"},
    {0x09, 0x04, 0x4B, kAny, "iris?"},
    {0x09, 0x04, 0x4C, kAny, "gain?"},
    {0x09, 0x04, 0x4D, kAny, "brightness?"},
    {0x09, 0x04, 0x4E, kAny, "exposure level?"},
    {0x09, 0x04, 0x51, kAny, "IR cut mode?"},
    {0x09, 0x04, 0x5B, kAny, "gamma?"},
    {0x09, 0x04, 0x62, kAny, "freeze?"},
    {0x09, 0x04, 0x63, kAny, "picture effect?"},
    {0x09, 0x04, 0x66, kAny, "flip?"},
    {0x01, 0x04, 0x00, 0x02, "power on"},
    {0x01, 0x04, 0x00, 0x03, "power off"},
    {0x01, 0x04, 0x01, 0x02, "IR cut off (NIR on)"},
    {0x01, 0x04, 0x01, 0x03, "IR cut on (NIR off)"},
    {0x01, 0x04, 0x06, kAny, "digital zoom"},
    {0x01, 0x04, 0x0A, kAny, "shutter reset"},
    {0x01, 0x04, 0x10, kAny, "one push trigger"},
    {0x01, 0x04, 0x24, kAny, "video register"},
    {0x01, 0x04, 0x26, kAny, "setting 26"},
    {0x01, 0x04, 0x28, kAny, "setting 28"},
    {0x01, 0x04, 0x2C, kAny, "setting 2C"},
    {0x01, 0x04, 0x35, kAny, "white balance"},
    {0x01, 0x04, 0x36, kAny, "digital zoom mode"},
    {0x01, 0x04, 0x38, 0x02, "focus auto"},
    {0x01, 0x04, 0x38, 0x03, "focus manual"},
    {0x01, 0x04, 0x39, kAny, "exposure mode"},
    {0x01, 0x04, 0x3E, kAny, "exposure level on"},
    {0x01, 0x04, 0x3F, 0x01, "preset store"},
    {0x01, 0x04, 0x3F, 0x02, "preset recall"},
    {0x01, 0x04, 0x42, kAny, "aperture"},
    {0x01, 0x04, 0x43, kAny, "R gain"},
    {0x01, 0x04, 0x44, kAny, "B gain"},
    {0x01, 0x04, 0x47, kAny, "zoom position"},
    {0x01, 0x04, 0x48, kAny, "focus position"},
    {0x01, 0x04, 0x4A, kAny, "shutter"},
    {0x01, 0x04, 0x4B, kAny, "iris"},
    {0x01, 0x04, 0x4C, kAny, "gain"},
    {0x01, 0x04, 0x4D, kAny, "brightness"},
    {0x01, 0x04, 0x4E, kAny, "exposure level"},
    {0x01, 0x04, 0x53, kAny, "setting 53"},
    {0x01, 0x04, 0x5B, kAny, "gamma"},
    {0x01, 0x04, 0x62, 0x02, "freeze on"},
    {0x01, 0x04, 0x62, 0x03, "freeze off"},
    {0x01, 0x04, 0x63, kAny, "picture effect"},
    {0x01, 0x04, 0x66, 0x02, "flip on"},
    {0x01, 0x04, 0x66, 0x03, "flip off"},
    {0x01, 0x04, 0x74, kAny, "setting 74"},
    {0x01, 0x06, 0x01, kAny, "pan-tilt stop", kAny, 0x03, 0x03},  // both axes stand
    {0x01, 0x06, 0x01, kAny, "pan-tilt drive"},
    {0x01, 0x06, 0x02, kAny, "pan-tilt absolute"},
    {0x01, 0x06, 0x04, kAny, "pan-tilt home"},
    {0x09, 0x06, 0x11, kAny, "pan-tilt max speed?"},
    {0x09, 0x06, 0x12, kAny, "pan-tilt position?"},
};

// Error codes in byte 2 of an error reply.
const NameRow kErrors[] = {
    {0x01, kAny, kAny, kAny, "error: message length"},
    {0x02, kAny, kAny, kAny, "error: syntax"},
    {0x03, kAny, kAny, kAny, "error: command buffer full"},
    {0x04, kAny, kAny, kAny, "error: command cancelled"},
    {0x05, kAny, kAny, kAny, "error: no socket"},
    {0x41, kAny, kAny, kAny, "error: not executable now"},
};
// clang-format on

constexpr uint8_t kBroadcastHeader = 0x88;
constexpr uint8_t kNetworkChange = 0x38;
// A completion is header, 5z, FF; an answer carries data between.
constexpr int32_t kCompletionLength = 3;

bool Matches(int32_t want, const uint8_t* packet, int32_t length, int32_t index) {
  return want == kAny || (index < length && packet[index] == want);
}

// Bytes 1 to 7 as a row names them.
constexpr int32_t kRowBytes = 7;

bool RowMatches(const NameRow& r, const uint8_t* packet, int32_t length, int32_t first) {
  const int32_t want[kRowBytes] = {r.b1, r.b2, r.b3, r.b4, r.b5, r.b6, r.b7};
  for (int32_t i = 0; i < kRowBytes; i++)
    if (!Matches(want[i], packet, length, first + i)) return false;
  return true;
}

template <int32_t N>
const char* Lookup(const NameRow (&rows)[N], const uint8_t* packet, int32_t length, int32_t first) {
  for (const NameRow& r : rows)
    if (RowMatches(r, packet, length, first)) return r.name;
  return nullptr;
}

}  // namespace

const char* SentPacketName(const uint8_t* packet, int32_t length) {
  if (!packet || length < 2) return nullptr;
  return Lookup(kSent, packet, length, 1);
}

const char* ReplyName(const uint8_t* packet, int32_t length) {
  if (!packet || length < 2) return "fragment";
  if (packet[0] == kBroadcastHeader) {
    const char* name = Lookup(kSent, packet, length, 1);
    return name ? name : "broadcast";
  }
  if (packet[1] == kNetworkChange) return "network change";
  switch (packet[1] & kReplyKindMask) {
    case kAcknowledge:
      return "ack";
    case kCompletion:
      return length <= kCompletionLength ? "completion" : "answer";
    case kError: {
      const char* name = length > 2 ? Lookup(kErrors, packet, length, 2) : nullptr;
      return name ? name : "error";
    }
    default:
      return "unknown";
  }
}
