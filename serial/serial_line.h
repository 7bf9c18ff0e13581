// A COM port as a line below a SerialChannel (serial/line_backend.h).
#pragma once

#include "serial/line_backend.h"
#include "serial/serial_port.h"

#include <cstdint>

struct SerialLineConfig {
  uint32_t comNumber;
  SerialLineSettings settings;
};

// `config` must last until SerialChannel::OpenLine returns.
LineOpener SerialLineOpener(const SerialLineConfig& config);
