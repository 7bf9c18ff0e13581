// The Recall buttons' tooltips: each carries the name of its preset on the
// selected camera, none while the preset has no name.
#pragma once

#include <cstdint>

// After the panel's controls exist.
void CreateRecallTips();
// The names of presets 1..5 of camera `index` (-1: none).
void ShowRecallTips(int32_t index);
