// Frame cutting byte by byte: the built-in end rules, a callback that drops a
// byte or goes astray, the length that wraps at 256.
#include "serial/frame_cutter.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

using Bytes = std::vector<uint8_t>;

// Pushes every byte; returns the frames completed, in order.
std::vector<Bytes> Cut(FrameCutter& cutter, const Bytes& bytes) {
  std::vector<Bytes> frames;
  for (uint8_t byte : bytes) {
    int32_t length = -1;
    if (cutter.Push(byte, &length)) frames.emplace_back(cutter.buffer, cutter.buffer + length);
    EXPECT_GE(length, 0);
  }
  return frames;
}

uint32_t DropNulEndAtFf(uint8_t* frame, int32_t* length) {
  if (frame[*length - 1] == 0) return FRAME_DROP_LAST;
  return frame[*length - 1] == 0xFF ? FRAME_COMPLETE : FRAME_MORE;
}

uint32_t Astray(uint8_t*, int32_t* length) {
  *length = 300;
  return FRAME_MORE;
}

}  // namespace

TEST(FrameCutter, BuiltInRulesRemoveTheirTerminators) {
  struct Case {
    uint32_t mode;
    Bytes in;
    std::vector<Bytes> out;
  };
  const Case cases[] = {
      {FRAMING_CR_LF, {'a', 13, 'b', 13, 10, 13, 10}, {{'a', 13, 'b'}}},  // CR LF alone: empty, dropped
      {FRAMING_CR, {'a', 10, 13, 13, 'b'}, {{'a', 10}}},
      {FRAMING_LF, {'a', 13, 10, 'b', 10}, {{'a', 13}, {'b'}}},
      {FRAMING_NUL, {'x', 0, 'y', 0}, {{'x'}, {'y'}}},
      {FRAMING_CALLBACK_ONLY, {'a', 13, 10, 0}, {}},
      {9, {'a', 13, 10, 0}, {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.mode);
    FrameCutter cutter;
    cutter.framingMode = c.mode;
    EXPECT_EQ(Cut(cutter, c.in), c.out);
  }
}

TEST(FrameCutter, CallbackDropsBytesAndOverridesTheMode) {
  FrameCutter cutter;
  cutter.framingMode = FRAMING_NUL;
  cutter.frameEnd = DropNulEndAtFf;
  EXPECT_EQ(Cut(cutter, {0x90, 0, 0x41, 0, 0xFF, 0x90, 0x51, 0xFF}),
            (std::vector<Bytes>{{0x90, 0x41, 0xFF}, {0x90, 0x51, 0xFF}}));
  EXPECT_EQ(cutter.length, 0);
}

TEST(FrameCutter, AstrayCallbackAndEndlessFramesStartOver) {
  FrameCutter cutter;
  cutter.frameEnd = Astray;
  EXPECT_EQ(Cut(cutter, {1, 2, 3}), std::vector<Bytes>{});
  EXPECT_EQ(cutter.length, 0);

  // 256 bytes without an end: the length wraps to 0 and collection restarts.
  FrameCutter endless;
  endless.framingMode = FRAMING_CR;
  EXPECT_EQ(Cut(endless, Bytes(256, 'z')), std::vector<Bytes>{});
  EXPECT_EQ(endless.length, 0);
  EXPECT_EQ(Cut(endless, {'q', 13}), std::vector<Bytes>{{'q'}});
}
