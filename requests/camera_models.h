// Camera model groups, told apart by the low byte of the model id. They decide
// the zoom table, the focus span and several command variants.
#pragma once

#include <cstdint>

// 0x5F, 0x5C, 0x66, 0x67 and 0x40.
bool IsWideRangeModel(int32_t modelCode);
// 20 for 0x5F and 0x5C, 30 for 0x66, 0x67 and 0x40, else 10.
int32_t ZoomRatioOfModel(int32_t modelCode);
