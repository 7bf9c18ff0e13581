#include "engine/line_name.h"

#include "engine/camera_controller.h"

#include <cstdio>

LineName NameOfLine(int32_t port) {
  LineName name;
  if (port < kSerialLineCount) {
    snprintf(name.text, sizeof name.text, "COM%d", static_cast<int>(port + 1));
  } else {
    snprintf(name.text, sizeof name.text, "IP%d", static_cast<int>(port - kSerialLineCount + 1));
  }
  return name;
}
