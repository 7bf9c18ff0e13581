// Camera model groups by zoom range, told apart by the low byte of the model
// id. (The wide-range group lives with the camera record.)
#pragma once

#include <cstdint>

// 20 for 0x5F and 0x5C, 30 for 0x66, 0x67 and 0x40, else 10.
int32_t ZoomRatioOfModel(int32_t modelCode);
