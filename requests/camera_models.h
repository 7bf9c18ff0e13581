// Camera model groups, told apart by the low byte of the model id.
#pragma once

#include <cstdint>

// The wide focus range and the extra initialisation steps: 0x5F, 0x5C, 0x66,
// 0x67 and 0x40.
inline bool IsWideRangeModel(int32_t model) {
  return model == 0x5F || model == 0x5C || model == 0x66 || model == 0x67 || model == 0x40;
}

// Image flip (the "Rotate " setting): the wide-range models.
inline bool HasPictureFlip(int32_t model) { return IsWideRangeModel(model); }

// The video output format lives in register 0x72 (else 0x70): the wide-range
// models.
inline bool UsesVideoRegister72(int32_t model) { return IsWideRangeModel(model); }

// Near-infrared vision: 0x4B and the wide-range models.
inline bool HasNirVision(int32_t model) { return model == 0x4B || IsWideRangeModel(model); }

// 20 for 0x5F and 0x5C, 30 for 0x66, 0x67 and 0x40, else 10.
int32_t ZoomRatioOfModel(int32_t modelCode);
