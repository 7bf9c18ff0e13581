// How many lines and cameras one controller serves.
#pragma once

#include "net/net_config.h"

#include <cstdint>

// Channels 0..9 are COM1..COM10, channels 10..25 the network lines IP1..IP16.
constexpr int32_t kSerialLineCount = 10;
constexpr int32_t kChannelCount = kSerialLineCount + kNetMaxLines;
constexpr int32_t kMaxCamerasPerLine = 7;
constexpr int32_t kMaxCameras = kChannelCount * kMaxCamerasPerLine;
