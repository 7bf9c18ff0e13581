// Frame cutting alone: the engine's packet-end test (noise ahead of a packet
// cut off as a frame of its own), every built-in framing mode, and a callback
// that drops bytes. The frames must be those the framing rules give, whether
// the bytes arrive whole or in pieces, through the pure cutter and through a
// channel's receive ring alike, and none may exceed the 255 bytes a ring
// record holds.
//
// Input: byte 0 picks the rule (kRules), byte 1 the number of split points
// (low three bits), then one byte per split point (where it falls, as a
// fraction of the data), then the data.
#include "engine/conversation/transmission.h"
#include "engine/core/engine_channel.h"
#include "serial/frame_cutter.h"
#include "serial/serial_channel.h"
#include "serial/serial_port.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <vector>

namespace {

// Frames one after another: each its length, then its bytes. Kept between
// inputs so a run allocates nothing.
struct Frames {
  std::vector<uint8_t> bytes;
  void Clear() { bytes.clear(); }
  void Add(const uint8_t* frame, int32_t length) {
    bytes.push_back(static_cast<uint8_t>(length));
    bytes.insert(bytes.end(), frame, frame + length);
  }
  bool operator!=(const Frames& other) const { return bytes != other.bytes; }
};

constexpr uint32_t kPort = 1;
constexpr int32_t kCollected = 256;  // bytes collected before the count starts over
constexpr int32_t kMaxFrame = 255;   // a ring record's length is one byte
// Read after at most this many bytes, so the ring can never be full: each
// byte adds at most two ring bytes, and a wrap wastes at most one record.
constexpr size_t kMaxPiece = 300;
constexpr size_t kMaxSplits = 7;
constexpr uint8_t kCr = 13, kLf = 10, kNul = 0, kEnd = 0xFF, kHeader = 0x80;

// The callbacks' rule: a frame ends at FF; the dropping one also drops NULs.
uint32_t DropNulsEndAtFF(uint8_t* frame, int32_t* length) {
  if (*length <= 0) return FRAME_MORE;
  if (frame[*length - 1] == kNul) return FRAME_DROP_LAST;
  return frame[*length - 1] == kEnd ? FRAME_COMPLETE : FRAME_MORE;
}

struct Rule {
  uint32_t mode;
  FrameEndCallback callback;
};

const Rule kRules[] = {
    {FRAMING_CALLBACK_ONLY, PacketEndTest}, {FRAMING_CR_LF, nullptr}, {FRAMING_CR, nullptr}, {FRAMING_LF, nullptr},
    {FRAMING_CALLBACK_ONLY, nullptr},       {FRAMING_NUL, nullptr},   {99, nullptr},  // an unknown mode ends no frame
    {FRAMING_CR_LF, DropNulsEndAtFF},
};
constexpr size_t kRuleCount = sizeof kRules / sizeof kRules[0];

[[noreturn]] void Broken(const char* what, size_t rule) {
  fprintf(stderr, "framer: %s (rule %zu)\n", what, rule);
  __builtin_trap();
}

// Whether n collected bytes are a packet from their head: y0 then 4x, 5x
// (3 bytes), 6x (4 bytes), 38 (3 bytes) or 50 (any); 88 30 (4 bytes);
// 88 01 00 01 (5 bytes); 8x then 01 or 09. Such a frame is never cut.
bool OpensAsPacket(const uint8_t* held, int32_t n) {
  const uint8_t h = held[0], k = held[1], kind = k >> 4;
  if (h == 0x88) return (k == 0x30 && n == 4) || (k == 0x01 && n == 5 && held[2] == 0 && held[3] == 1);
  if (h >= 0x80 && h < 0x90) return k == 0x01 || k == 0x09;
  if (h < 0x90 || (h & 0x0F) != 0) return false;
  if (k == 0x50) return true;
  if (kind == 6) return n == 4;
  return (kind == 4 || kind == 5 || k == 0x38) && n == 3;
}

// The framing rules written out on their own: bytes are collected in 256
// places, the count starting over after the last; a rule looks at the bytes
// collected after each byte; an empty frame is dropped.
void Expected(const Rule& rule, const uint8_t* data, size_t size, Frames* frames) {
  frames->Clear();
  uint8_t held[kCollected];
  int32_t n = 0;
  for (size_t i = 0; i < size; i++) {
    held[n] = data[i];
    n = (n + 1) % kCollected;
    if (n == 0) continue;  // no rule looks at an empty collection
    const uint8_t last = held[n - 1];
    int32_t frameLength = -1;
    int32_t noise = 0;  // the packet-end test's: what comes before the last header byte
    if (rule.callback == PacketEndTest) {
      if (last == kEnd) frameLength = n;
      const bool cut = last == kEnd && n >= 3 && !OpensAsPacket(held, n);
      for (int32_t h = n - 2; cut && noise == 0 && h > 0; h--)
        if (held[h] >= kHeader) noise = h;
    } else if (rule.callback == DropNulsEndAtFF) {
      if (last == kNul)
        n--;
      else if (last == kEnd)
        frameLength = n;
    } else if (rule.mode == FRAMING_CR_LF) {
      if (n >= 2 && held[n - 2] == kCr && last == kLf) frameLength = n - 2;
    } else if (rule.mode == FRAMING_CR || rule.mode == FRAMING_LF || rule.mode == FRAMING_NUL) {
      const uint8_t terminator = rule.mode == FRAMING_CR ? kCr : rule.mode == FRAMING_LF ? kLf : kNul;
      if (last == terminator) frameLength = n - 1;
    }
    if (frameLength < 0) continue;
    if (noise > 0) frames->Add(held, noise);
    if (frameLength > 0) frames->Add(held + noise, frameLength - noise);
    n = 0;
  }
}

FrameCutter MakeCutter(const Rule& rule) {
  FrameCutter cutter;
  cutter.framingMode = rule.mode;
  cutter.frameEnd = rule.callback;
  return cutter;
}

void Take(FrameCutter& cutter, const uint8_t* data, size_t size, Frames* out, size_t rule) {
  for (size_t i = 0; i < size; i++) {
    int32_t length = -1;
    if (cutter.Push(data[i], &length)) {
      if (length < 1 || length > kMaxFrame) Broken("frame length outside 1..255", rule);
      if (cutter.noiseLength > 0) out->Add(cutter.buffer, cutter.noiseLength);
      out->Add(cutter.Frame(), length);
    } else if (length != 0) {
      Broken("no frame, yet a length", rule);
    }
  }
}

// The far end of the channel says nothing; the test hands it every byte.
struct SilentPeer : SerialPeer {
  void OnWrite(const uint8_t*, int32_t) override {}
  int ReadByte(uint8_t*) override { return 0; }
};

SerialChannel* channel = nullptr;
SilentPeer peer;

void SetUpOnce() {
  SerialChannel::SetManualIoForTest(true);
  SerialPortSetDevice(kPort, "");
  SerialPortSetPeer(kPort, &peer);
  channel = new SerialChannel;
  if (channel->OpenComPort(kPort) != 0) {
    fprintf(stderr, "framer: the channel does not open\n");
    abort();
  }
}

void ReadAll(Frames* out, size_t rule) {
  uint8_t frame[kMaxFrame + 1];
  uint32_t length = 0;
  while (channel->ReadFrame(frame, kMaxFrame, &length) == 0) {
    if (length < 1 || length > static_cast<uint32_t>(kMaxFrame)) Broken("ring frame length outside 1..255", rule);
    out->Add(frame, static_cast<int32_t>(length));
  }
  if (length != 0) Broken("a ring frame was skipped", rule);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* input, size_t size) {
  if (!channel) SetUpOnce();
  const size_t ruleIndex = size > 0 ? input[0] % kRuleCount : 0;
  const Rule& rule = kRules[ruleIndex];
  const size_t header = std::min<size_t>(size, 2);
  const size_t splits = size > 1 ? std::min<size_t>(input[1] & kMaxSplits, size - header) : 0;
  const uint8_t* data = input + header + splits;
  const size_t length = size - header - splits;

  // Split points: fractions of the data, in order, then pieces no longer than kMaxPiece.
  size_t cuts[kMaxSplits + 2] = {0, length};
  for (size_t i = 0; i < splits; i++) cuts[2 + i] = length * input[header + i] / 256;
  std::sort(cuts, cuts + splits + 2);
  static std::vector<size_t> ends;
  ends.clear();
  for (size_t i = 1; i < splits + 2; i++) {
    for (size_t at = cuts[i - 1] + kMaxPiece; at < cuts[i]; at += kMaxPiece) ends.push_back(at);
    ends.push_back(cuts[i]);
  }

  static Frames expected, fromWhole, fromRing;
  Expected(rule, data, length, &expected);

  FrameCutter whole = MakeCutter(rule);
  fromWhole.Clear();
  Take(whole, data, length, &fromWhole, ruleIndex);
  if (fromWhole != expected) Broken("whole input: frames differ from the rules", ruleIndex);

  // The same bytes in pieces through a channel: its own cutter, its ring.
  channel->ResetBuffers(true, true);
  channel->SetOption(OPTION_FRAMING, rule.mode);
  channel->SetCallback(OPTION_FRAME_END, rule.callback);
  fromRing.Clear();
  size_t at = 0;
  for (size_t end : ends) {
    channel->ReceiveBytesForTest(data + at, static_cast<int32_t>(end - at));
    ReadAll(&fromRing, ruleIndex);
    at = end;
  }
  if (fromRing != expected) Broken("split input through the ring: frames differ", ruleIndex);
  return 0;
}
