// Scales between the camera's values and the panel's slider positions and
// value-box texts, apart from zoom (zoom_scale.h). Pure functions; every
// caller converts through these and nowhere else.
#pragma once

#include "requests/value_text.h"

#include <cstdint>

// Focus: slider 1..99 against focusPos 0x1000..0x1000+span.
int32_t FocusSpanOfModel(int32_t modelCode);  // 0xD500 wide-range, else 0xB000
// Slider position -> focus position. Positions beyond 0..99 are taken as the
// nearer end so the product cannot overflow.
int32_t FocusForward(int32_t sliderPos, int32_t span);
// focusPos -> slider value; the top of the range gives 100 (the slider shows 99).
int32_t FocusInverse(int32_t focusPos, int32_t span);

// Shutter (Manual mode): slider 0..12 runs backwards over camera positions 15..3.
constexpr int32_t kShutterSliderMax = 12;
// Slider position -> camera position 15 - sliderPos; a position outside 0..12
// is taken as the nearer end.
int32_t ShutterPositionOfSlider(int32_t sliderPos);
// Camera position -> slider position 15 - shutterPos. A position off the
// table (outside 3..15) gives -1 (faster) or 13 (slower), just past the
// nearer end: a trackbar clamps it to that end and ShutterText shows "1/--s",
// instead of the position being mirrored back into range.
int32_t ShutterSliderOfPosition(int32_t shutterPos);
// The one text of a shutter slider position: "1/%ds" of the exposure time,
// "1/--s" outside 0..12. Every shutter display goes through it.
ValueText ShutterText(int32_t sliderPos);
// ShutterText of ShutterSliderOfPosition.
ValueText ShutterTextOfPosition(int32_t shutterPos);

// Iris (Manual mode): slider 5..17 is the camera's iris position.
constexpr int32_t kIrisSliderMin = 5;
constexpr int32_t kIrisSliderMax = 17;
int32_t IrisSliderOfPosition(int32_t irisPos);  // clamped into 5..17
// "F %.1f" of the F-number at an iris position; "F --" outside 5..17.
ValueText IrisText(int32_t irisPos);

// Brightness (Bright mode): slider 5..23 shown as 0..18.
constexpr int32_t kBrightSliderMin = 5;
constexpr int32_t kBrightSliderMax = 23;
ValueText BrightnessText(int32_t sliderPos);  // "%d" of sliderPos - 5, for any int

// Exposure compensation (full auto): slider 0..14 shown as -7..+7.
constexpr int32_t kExpCompSliderMax = 14;
ValueText ExpCompText(int32_t sliderPos);  // "%d" of sliderPos - 7, for any int

// Sharpness 0..15, R and B gain 0..255 and focus: the number itself.
ValueText NumberText(int32_t value);  // "%d"

// Model 0x40 has no Bright mode: brightness b is emulated with iris and gain.
// b <= 17 is iris b at gain 1; above that iris 17 with gain b - 16.
struct EmulatedBrightness {
  int32_t iris;
  int32_t gain;
  bool gainFirst;  // the gain goes down to 1 before the iris opens, else the iris up to 17 first
};
EmulatedBrightness EmulatedBrightnessOf(int32_t brightness);
// Read back: a gain above 1 gives gain + 16 (at most INT32_MAX), otherwise
// the iris position.
int32_t BrightnessOfEmulated(int32_t gain, int32_t iris);
