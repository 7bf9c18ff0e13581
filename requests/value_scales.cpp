#include "requests/value_scales.h"

#include "requests/camera_models.h"

#include <cstdint>
#include <cstdio>

namespace {

constexpr int32_t kFocusBase = 0x1000;
constexpr int32_t kShutterAtSliderZero = 15;  // camera position at the slider's fast end

// F-number x 10 by iris position 5..17.
const float kIrisFNumber10[] = {140, 110, 96, 80, 68, 56, 48, 40, 34, 28, 24, 20, 16};
// Exposure time denominator by shutter slider position 0..12.
const int32_t kShutterDenominator[] = {1000, 600, 425, 300, 215, 150, 120, 100, 75, 50, 25, 12, 6};

int32_t Clamp(int32_t v, int32_t lo, int32_t hi) { return v < lo ? lo : (v > hi ? hi : v); }

ValueText Text(const char* format, int32_t value) {
  ValueText v;
  snprintf(v.text, sizeof v.text, format, static_cast<int>(value));
  return v;
}

// "%d" of value - offset, worked out wide enough for any int.
ValueText OffsetText(int32_t value, int32_t offset) {
  ValueText v;
  snprintf(v.text, sizeof v.text, "%lld", static_cast<long long>(value) - offset);
  return v;
}

ValueText Placeholder(const char* text) {
  ValueText v;
  snprintf(v.text, sizeof v.text, "%s", text);
  return v;
}

}  // namespace

int32_t FocusSpanOfModel(int32_t modelCode) { return IsWideRangeModel(modelCode) ? 0xD500 : 0xB000; }

int32_t FocusForward(int32_t sliderPos, int32_t span) { return Clamp(sliderPos, 0, 99) * span / 99 + kFocusBase; }

int32_t FocusInverse(int32_t focusPos, int32_t span) {
  // Wide enough for any reported word, not only for 16-bit positions.
  return static_cast<int32_t>((static_cast<int64_t>(focusPos) - kFocusBase) * 99 / span + 1);
}

int32_t ShutterPositionOfSlider(int32_t sliderPos) {
  return kShutterAtSliderZero - Clamp(sliderPos, 0, kShutterSliderMax);
}

int32_t ShutterSliderOfPosition(int32_t shutterPos) {
  constexpr int32_t kSlowestOnTable = kShutterAtSliderZero - kShutterSliderMax;
  return kShutterAtSliderZero - Clamp(shutterPos, kSlowestOnTable - 1, kShutterAtSliderZero + 1);
}

ValueText ShutterText(int32_t sliderPos) {
  if (sliderPos < 0 || sliderPos > kShutterSliderMax) return Placeholder("1/--s");
  return Text("1/%ds", kShutterDenominator[sliderPos]);
}

ValueText ShutterTextOfPosition(int32_t shutterPos) { return ShutterText(ShutterSliderOfPosition(shutterPos)); }

int32_t IrisSliderOfPosition(int32_t irisPos) { return Clamp(irisPos, kIrisSliderMin, kIrisSliderMax); }

ValueText IrisText(int32_t irisPos) {
  if (irisPos < kIrisSliderMin || irisPos > kIrisSliderMax) return Placeholder("F --");
  ValueText v;
  float fNumber = kIrisFNumber10[irisPos - kIrisSliderMin] / 10.0f;
  snprintf(v.text, sizeof v.text, "F %.1f", static_cast<double>(fNumber));
  return v;
}

ValueText BrightnessText(int32_t sliderPos) { return OffsetText(sliderPos, kBrightSliderMin); }

ValueText ExpCompText(int32_t sliderPos) { return OffsetText(sliderPos, kExpCompSliderMax / 2); }

ValueText NumberText(int32_t value) { return Text("%d", value); }

EmulatedBrightness EmulatedBrightnessOf(int32_t brightness) {
  if (brightness <= 17) return EmulatedBrightness{brightness, 1, true};
  return EmulatedBrightness{17, brightness - 16, false};
}

int32_t BrightnessOfEmulated(int32_t gain, int32_t iris) {
  if (gain <= 1) return iris;
  return gain > INT32_MAX - 16 ? INT32_MAX : gain + 16;
}
