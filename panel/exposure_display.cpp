#include "panel/exposure_display.h"

#include "common/control_ids.h"
#include "common/text.h"
#include "panel/panel_controls.h"
#include "requests/request_codes.h"
#include "requests/value_scales.h"

// The worker writes the record while the display reads it, so every field is
// read once, by value.

namespace {

constexpr int32_t kExposureTickEvery = 1;

enum Box : uint8_t { KEEP, OFF, ON };

// The two check boxes and which exposure controls are in use.
struct ExposureLook {
  Box autoChecked, irisChecked;
  Box brightEnabled, levelEnabled, autoEnabled, irisEnabled;
};

// clang-format off
//                                 auto  iris  bright level auto  iris
//                                 checked     enabled
const ExposureLook kFullAuto    = {ON,   OFF,  OFF,   ON,   ON,   KEEP};
const ExposureLook kManual      = {OFF,  ON,   ON,    ON,   OFF,  ON};
const ExposureLook kBright      = {OFF,  OFF,  ON,    OFF,  ON,   ON};
const ExposureLook kClickLooks[] = {
    /* CLICK_AUTO_ON */            {KEEP, OFF,  OFF,   ON,   KEEP, KEEP},
    /* CLICK_AUTO_OFF */           {KEEP, OFF,  ON,    OFF,  KEEP, KEEP},
    /* CLICK_IRIS_ON */            {OFF,  KEEP, ON,    ON,   KEEP, ON},
    /* CLICK_IRIS_OFF */           {ON,   KEEP, OFF,   ON,   ON,   KEEP},
};
// clang-format on

void CheckBox(HWND panel, int id, Box box) {
  if (box != KEEP) SetChecked(panel, id, box == ON);
}

void EnableBox(HWND panel, int id, Box box) {
  if (box != KEEP) EnableControl(panel, id, box == ON);
}

void ShowLook(HWND panel, const ExposureLook& look) {
  CheckBox(panel, IDC_EXPOSURE_AUTO, look.autoChecked);
  CheckBox(panel, IDC_IRIS, look.irisChecked);
  EnableBox(panel, IDC_BRIGHT_SLIDER, look.brightEnabled);
  EnableBox(panel, IDC_LEVEL_SLIDER, look.levelEnabled);
  EnableBox(panel, IDC_EXPOSURE_AUTO, look.autoEnabled);
  EnableBox(panel, IDC_IRIS, look.irisEnabled);
}

void ShowBrightness(HWND panel, int32_t brightPos) {
  SetSliderRange(panel, IDC_BRIGHT_SLIDER, kBrightSliderMin, kBrightSliderMax);
  SetSliderPos(panel, IDC_BRIGHT_SLIDER, brightPos);
  ShowText(panel, IDC_BRIGHT_VALUE, BrightnessText(brightPos));
}

// Range before position throughout: a trackbar clamps a new position into
// the range it has at that moment, which may be the previous mode's.
void ShowExpComp(HWND panel, int32_t expCompPos, bool setRange) {
  if (setRange) SetSliderRange(panel, IDC_LEVEL_SLIDER, 0, kExpCompSliderMax);
  SetSliderPos(panel, IDC_LEVEL_SLIDER, expCompPos);
  ShowText(panel, IDC_LEVEL_VALUE, ExpCompText(expCompPos));
}

void ShowFullAuto(HWND panel, const CameraSnapshot& r) {
  ShowExpComp(panel, r.expCompPos, true);
  SetCaption(panel, IDC_BRIGHT_LABEL, "Brightness", false);
  SetCaption(panel, IDC_LEVEL_LABEL, "Exp. Level", true);
  ShowBrightness(panel, r.brightPos);
}

void ShowManual(HWND panel, const CameraSnapshot& r) {
  int32_t irisPos = r.irisPos;
  int32_t shutterSlider = ShutterSliderOfPosition(r.shutterPos);
  SetCaption(panel, IDC_BRIGHT_LABEL, "Exposure", true);
  SetCaption(panel, IDC_LEVEL_LABEL, "Iris Level", true);
  SetSliderRange(panel, IDC_LEVEL_SLIDER, kIrisSliderMin, kIrisSliderMax);
  SetSliderPos(panel, IDC_LEVEL_SLIDER, IrisSliderOfPosition(irisPos));
  SetSliderTicks(panel, IDC_LEVEL_SLIDER, kExposureTickEvery);
  ShowText(panel, IDC_LEVEL_VALUE, IrisText(irisPos));
  SetSliderRange(panel, IDC_BRIGHT_SLIDER, 0, kShutterSliderMax);
  SetSliderPos(panel, IDC_BRIGHT_SLIDER, shutterSlider);
  SetSliderTicks(panel, IDC_BRIGHT_SLIDER, kExposureTickEvery);
  ShowText(panel, IDC_BRIGHT_VALUE, ShutterText(shutterSlider));
}

// The level slider is not in use in Bright mode. A request for the mode sets
// its range; the refresh leaves the range until a mode uses the slider.
void ShowBright(HWND panel, const CameraSnapshot& r, bool setLevelRange) {
  ShowBrightness(panel, r.brightPos);
  ShowExpComp(panel, r.expCompPos, setLevelRange);
  SetCaption(panel, IDC_BRIGHT_LABEL, "Brightness", true);
  SetCaption(panel, IDC_LEVEL_LABEL, "Exp. Level", false);
}

}  // namespace

void ShowExposureClick(ExposureClick click) { ShowLook(hPage[0], kClickLooks[click]); }

void ShowExposureOfRequest(const CameraSnapshot& r) {
  HWND panel = hPage[0];
  int32_t aeMode = r.aeMode;
  if (aeMode == AE_FULL_AUTO)
    ShowFullAuto(panel, r);
  else if (aeMode == AE_MANUAL)
    ShowManual(panel, r);
  else
    ShowBright(panel, r, true);
}

void ShowExposureOfCamera(const CameraSnapshot& r) {
  HWND panel = hPage[0];
  int32_t aeMode = r.aeMode;
  if (aeMode == AE_FULL_AUTO) {
    ShowLook(panel, kFullAuto);
    ShowFullAuto(panel, r);
  } else if (aeMode == AE_MANUAL) {
    ShowLook(panel, kManual);
    ShowManual(panel, r);
  } else {
    ShowLook(panel, kBright);
    ShowBright(panel, r, false);
  }
}
