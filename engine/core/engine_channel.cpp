#include "engine/core/engine_channel.h"

#include "net/net_line.h"
#include "requests/visca_packet.h"

#include <new>

namespace {

constexpr uint32_t kBaudRate = 38400;
constexpr uint8_t kInquiry = 0x09;
constexpr uint8_t kCommand = 0x01;
constexpr uint8_t kBroadcastHeader = 0x88;
constexpr uint8_t kAddressSetKind = 0x30;
constexpr uint8_t kNetworkChangeKind = 0x38;
constexpr uint8_t kReplyHeaderBase = 0x90;
constexpr uint8_t kLowNibble = 0x0F;
constexpr uint8_t kAnswerKind = 0x50;
constexpr int32_t kEchoLength = 4;       // 88 30 0n FF
constexpr int32_t kClearEchoLength = 5;  // 88 01 00 01 FF
constexpr int32_t kErrorLength = 4;      // y0 6z ee FF

// Whether a frame is a packet from its head: a camera's reply (y0 4x, 5x,
// 6x or 38, each of its own length; an answer y0 50 of any), a broadcast's
// echo (88 30, 88 01) or the controller's own packet come back (8x 01, 8x 09).
// Such a frame is kept whole, as an answer's data may hold bytes from 80 up
// (a version's ROM number).
bool OpensAsPacket(const uint8_t* frame, int32_t length) {
  const uint8_t header = frame[0];
  const uint8_t kind = frame[1];
  if (header == kBroadcastHeader)
    return (kind == kAddressSetKind && length == kEchoLength) ||
           (kind == kCommand && length == kClearEchoLength && frame[2] == 0x00 && frame[3] == 0x01);
  if (header < kReplyHeaderBase) return header >= kHeaderBase && (kind == kCommand || kind == kInquiry);
  if ((header & kLowNibble) != 0) return false;
  // Only an answer (y0 50 ...) runs to any length; every other reply has its own.
  if (kind == kAnswerKind) return true;
  const uint8_t replyKind = kind & kReplyKindMask;
  if (replyKind == kError) return length == kErrorLength;
  return (replyKind == kAcknowledge || replyKind == kCompletion || kind == kNetworkChangeKind) &&
         length == kMinPacketBytes;
}

// A channel set up as the engine speaks: 38400 baud, the packet-end test
// cutting frames; not open yet.
SerialChannel* NewEngineChannel() {
  SerialChannel* channel = new (std::nothrow) SerialChannel;
  if (!channel) return nullptr;
  channel->SetOption(OPTION_BAUD_RATE, kBaudRate);
  channel->SetOption(OPTION_FRAMING, FRAMING_CALLBACK_ONLY);
  channel->SetCallback(OPTION_FRAME_END, PacketEndTest);
  return channel;
}

}  // namespace

uint32_t PacketEndTest(uint8_t* frame, int32_t* length) {
  if (!frame || !length || *length <= 0) return FRAME_MORE;
  const int32_t end = *length - 1;
  if (frame[end] != kTerminator) return FRAME_MORE;
  if (end < kMinPacketBytes - 1 || OpensAsPacket(frame, end + 1)) return FRAME_COMPLETE;
  int32_t start = end - 1;
  while (start > 0 && frame[start] < kHeaderBase) start--;
  if (start <= 0) return FRAME_COMPLETE;  // a header at the head, or none at all
  *length = end + 1 - start;
  return FRAME_COMPLETE_AFTER_NOISE;
}

bool IsNoise(const uint8_t* frame, uint32_t length) { return length > 0 && frame[length - 1] != kTerminator; }

SerialChannel* OpenCameraChannel(int32_t line) {
  const uint32_t comNumber = static_cast<uint32_t>(line + 1);
  SerialChannel* channel = NewEngineChannel();
  if (channel && channel->OpenComPort(comNumber) != OPEN_DONE) {
    delete channel;
    return nullptr;
  }
  return channel;
}

SerialChannel* OpenNetworkChannel(const NetLineConfig& config) {
  SerialChannel* channel = NewEngineChannel();
  if (channel && channel->OpenLine(NetLineOpener(config)) != OPEN_DONE) {
    delete channel;
    return nullptr;
  }
  return channel;
}
