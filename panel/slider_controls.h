// The panel's sliders as requests: a slider posts its position when it lets
// go of the mouse, and a step button moves it by one step and posts it.
#pragma once

#include "platform/winapi.h"

#include <cstdint>

// A zoom step button moves the slider by one whole zoom factor.
constexpr int32_t kZoomStep = 10;

// Puts the request of slider controlId, with its position, for the camera
// selected in the list. Posts nothing without a selection or a controller,
// for an id that is not a slider, or for the level slider while neither
// "Auto" nor "Iris" is checked.
void PostSliderRequest(int controlId);

// Moves `slider` by delta within its range and posts it as released. Zoom
// (code 1) moves to the neighbouring multiple of ten. Without a selection
// or a controller the slider does not move.
void StepSlider(int32_t code, int32_t delta, HWND slider);
