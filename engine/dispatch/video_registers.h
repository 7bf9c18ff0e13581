// The video output formats as one table used both ways: the register write
// behind each format request, by camera model, and the format a register
// value read back from a camera stands for.
#pragma once

#include <cstdint>

struct VideoRegisterWrite {
  int reg;
  int value;
};

// code is one of the video format requests (18..27).
VideoRegisterWrite VideoRegisterWriteOf(uint32_t code, int32_t modelCode);
// The video format request (18..27) that `value`, read back from the video
// register of a camera of this model, stands for; PAL for a value no other
// format is read as.
uint32_t VideoFormatOfRegister(int32_t modelCode, int32_t value);
