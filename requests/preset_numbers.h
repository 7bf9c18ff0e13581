// The preset numbers a camera keeps: stored with 8x 01 04 3F 01 pp FF and
// recalled with 8x 01 04 3F 02 pp FF, pp the number as one byte. The ranges
// are the numbers that mean a preset on every model known; some makes give
// higher ones special functions, so those are never sent.
#pragma once

#include <cstdint>

constexpr int32_t kLowestPreset = 1;
constexpr int32_t kBlockCameraPresets = 15;    // the six models and any camera that does not pan and tilt
constexpr int32_t kPanTiltCameraPresets = 63;  // a camera that pans and tilts
// Presets 1 to this have a Recall button on the panel.
constexpr int32_t kRecallButtons = 5;

// The highest preset number of a camera.
int32_t PresetLimit(bool panTilt);
// Whether `n` is a preset number of such a camera.
bool IsPresetOf(int64_t n, bool panTilt);
