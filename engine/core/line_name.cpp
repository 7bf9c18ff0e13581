#include "engine/core/line_name.h"

#include "engine/core/engine_limits.h"

#include <cstdio>

LineName NameOfLine(int32_t line) {
  LineName name;
  if (line < kSerialLineCount) {
    snprintf(name.text, sizeof name.text, "COM%d", static_cast<int>(line + 1));
  } else {
    snprintf(name.text, sizeof name.text, "IP%d", static_cast<int>(line - kSerialLineCount + 1));
  }
  return name;
}
