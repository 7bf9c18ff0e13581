// Cuts a stream of received bytes into frames, one byte at a time. A frame-end
// callback decides where a frame ends; without one, the framing mode does.
// Pure: no thread, no port, so it can be driven byte by byte from anywhere.
#pragma once

#include <cstdint>

// Verdicts of a frame-end callback. After noise the frame is only the last
// `*length` bytes collected; those before it are noise, handed on apart.
enum : uint32_t { FRAME_MORE = 0, FRAME_DROP_LAST = 1, FRAME_COMPLETE = 2, FRAME_COMPLETE_AFTER_NOISE = 3 };

// Framing modes: where a frame ends when no callback decides.
enum : uint32_t {
  FRAMING_CR_LF = 1,
  FRAMING_CR = 2,
  FRAMING_LF = 3,
  FRAMING_CALLBACK_ONLY = 4,
  FRAMING_NUL = 5,
};

// Called after every received byte with the bytes collected so far; may
// shorten the frame through `length`.
typedef uint32_t (*FrameEndCallback)(uint8_t* frame, int32_t* length);

struct FrameCutter {
  static constexpr int32_t kBufferSize = 256;
  static constexpr int32_t kMaxFrame = 255;

  uint32_t framingMode = FRAMING_CR_LF;
  FrameEndCallback frameEnd = nullptr;
  uint8_t buffer[kBufferSize] = {};
  int32_t length = 0;       // bytes collected towards the next frame
  int32_t noiseLength = 0;  // of the frame completed last: the noise ahead of it

  // Takes one received byte. True when it completed a non-empty frame: the
  // frame is `*frameLength` bytes at Frame(), behind `noiseLength` bytes of
  // noise at the head of `buffer`; both are valid until the next Push, and
  // collection starts over.
  bool Push(uint8_t byte, int32_t* frameLength);
  const uint8_t* Frame() const { return buffer + noiseLength; }
  void Clear() { length = 0; }

 private:
  uint32_t Verdict(int32_t* collected);
};
