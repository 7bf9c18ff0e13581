#include "serial/frame_cutter.h"

namespace {

constexpr uint8_t kCr = 13;
constexpr uint8_t kLf = 10;
constexpr uint8_t kNul = 0;

}  // namespace

// The length wraps at 256 like the byte-wide counter it stands for, so a
// frame that never ends starts over at the head of the buffer.
bool FrameCutter::Push(uint8_t byte, int32_t* frameLength) {
  *frameLength = 0;
  noiseLength = 0;
  buffer[length] = byte;
  const int32_t held = (length + 1) & 0xFF;
  int32_t collected = held;
  const uint32_t verdict = Verdict(&collected);
  if (collected < 0 || collected > kMaxFrame) collected = 0;  // a callback gone astray
  if (verdict == FRAME_DROP_LAST) {
    if (collected > 0) --collected;
  } else if (verdict == FRAME_COMPLETE || verdict == FRAME_COMPLETE_AFTER_NOISE) {
    if (verdict == FRAME_COMPLETE_AFTER_NOISE && collected > 0 && collected <= held) noiseLength = held - collected;
    *frameLength = collected;
    length = 0;
    return collected > 0;
  }
  length = collected;
  return false;
}

uint32_t FrameCutter::Verdict(int32_t* collected) {
  if (frameEnd != nullptr) return frameEnd(buffer, collected);
  const int32_t n = *collected;
  if (n < 1) return FRAME_MORE;
  uint8_t terminator;
  switch (framingMode) {
    case FRAMING_CR_LF:
      if (n >= 2 && buffer[n - 2] == kCr && buffer[n - 1] == kLf) {
        *collected = n - 2;
        return FRAME_COMPLETE;
      }
      return FRAME_MORE;
    case FRAMING_CR:
      terminator = kCr;
      break;
    case FRAMING_LF:
      terminator = kLf;
      break;
    case FRAMING_NUL:
      terminator = kNul;
      break;
    default:
      return FRAME_MORE;
  }
  if (buffer[n - 1] != terminator) return FRAME_MORE;
  *collected = n - 1;
  return FRAME_COMPLETE;
}
