#include "requests/preset_numbers.h"

int32_t PresetLimit(bool panTilt) { return panTilt ? kPanTiltCameraPresets : kBlockCameraPresets; }

bool IsPresetOf(int64_t n, bool panTilt) { return n >= kLowestPreset && n <= PresetLimit(panTilt); }
