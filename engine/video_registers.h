// The video output register write behind each video format request: which
// register (0x72 or 0x70) and which value, by camera model.
#pragma once

#include <cstdint>

struct VideoRegisterWrite {
  int reg;
  int value;
};

// code is one of the video format requests (18..27).
VideoRegisterWrite VideoRegisterWriteOf(uint32_t code, int32_t modelCode);
