// The name texts give a line: "COM3" for channel 2, "IP1" for the first
// network line (channel kSerialLineCount).
#pragma once

#include <cstdint>

struct LineName {
  char text[16];
};

LineName NameOfLine(int32_t line);
