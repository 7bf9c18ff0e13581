#include "panel/panel_refresh.h"

#include "common/control_ids.h"
#include "common/text.h"
#include "panel/exposure_display.h"
#include "panel/panel_controls.h"
#include "panel/panel_globals.h"
#include "panel/panel_watch.h"
#include "requests/camera_models.h"
#include "requests/request_codes.h"
#include "requests/value_scales.h"
#include "requests/zoom_scale.h"

#include <cstddef>

// The worker writes the record while the refresh reads it, so every field is
// read once, by value, and the steps work on those copies.

namespace {

constexpr int32_t kZoomTickEvery = 10;

struct ButtonOfValue {
  int32_t value;
  int id;
};

const int kEffectIds[] = {IDC_EFFECT_NORMAL, IDC_EFFECT_BW, IDC_EFFECT_NEGATIVE};
const int kGammaIds[] = {IDC_GAMMA_NORMAL, IDC_GAMMA_TYPE1, IDC_GAMMA_TYPE2};
// In the order of the video format requests.
const int kVideoIds[] = {IDC_VIDEO_1080I_5994, IDC_VIDEO_720P_5994, IDC_VIDEO_NTSC,       IDC_VIDEO_1080I_50,
                         IDC_VIDEO_720P_50,    IDC_VIDEO_PAL,       IDC_VIDEO_1080P_5994, IDC_VIDEO_1080P_50,
                         IDC_VIDEO_1080P_2997, IDC_VIDEO_1080P_25};
const int kWbIds[] = {IDC_WB_AUTO, IDC_WB_COLD, IDC_WB_WARM, IDC_WB_ONE_PUSH, IDC_WB_MANUAL, IDC_WB_LED};
// The gain controls are only in use in manual white balance.
const int kGainControlIds[] = {IDC_R_GAIN_SLIDER, IDC_B_GAIN_SLIDER, IDC_R_GAIN_LABEL,
                               IDC_B_GAIN_LABEL,  IDC_R_GAIN_VALUE,  IDC_B_GAIN_VALUE};

// The button of each white balance mode.
const ButtonOfValue kWhiteBalance[] = {
    {WB_AUTO, IDC_WB_AUTO},         {WB_INDOOR, IDC_WB_COLD},   {WB_OUTDOOR, IDC_WB_WARM},
    {WB_ONE_PUSH, IDC_WB_ONE_PUSH}, {WB_MANUAL, IDC_WB_MANUAL}, {WB_LED, IDC_WB_LED},
};

template <size_t N>
int ButtonOf(const ButtonOfValue (&table)[N], int32_t value, int otherwise) {
  for (const ButtonOfValue& b : table)
    if (b.value == value) return b.id;
  return otherwise;
}

// Checks `chosen` and clears the rest of its set.
template <size_t N>
void CheckOneOf(HWND parent, const int (&ids)[N], int chosen) {
  for (int id : ids) SetChecked(parent, id, id == chosen);
}

void ShowZoom(HWND panel, int32_t model, int32_t zoomPos) {
  const ZoomTable& table = ZoomTableOfModel(model);
  SetSliderRange(panel, IDC_ZOOM_SLIDER, 0, ZoomSliderMax(table));
  SetSliderTicks(panel, IDC_ZOOM_SLIDER, kZoomTickEvery);
  SetSliderPos(panel, IDC_ZOOM_SLIDER, ZoomInverse(table, zoomPos));
  // The text shows the position the slider has taken.
  ShowText(panel, IDC_ZOOM_VALUE, ZoomText(SliderPos(panel, IDC_ZOOM_SLIDER)));
}

void ShowSharpness(HWND panel, int32_t aperture) {
  SetSliderPos(panel, IDC_SHARP_SLIDER, aperture);
  ShowText(panel, IDC_SHARP_VALUE, NumberText(aperture));
}

void ShowFocusMode(HWND panel, int32_t focusAuto) {
  SetChecked(panel, IDC_FOCUS_AUTO, focusAuto != 0);
  EnableControl(panel, IDC_FOCUS_SLIDER, focusAuto == 0);
}

void ShowGain(HWND setup, int sliderId, int valueId, int32_t gain) {
  SetSliderPos(setup, sliderId, gain);
  ShowText(setup, valueId, NumberText(SliderPos(setup, sliderId)));
}

void ShowPictureEffect(HWND group, int32_t model, int32_t effect) {
  if (HasFewerSetupChoices(model)) {
    SetChecked(group, IDC_EFFECT_BW, effect != EFFECT_NORMAL);
    SetChecked(group, IDC_EFFECT_NORMAL, effect == EFFECT_NORMAL);
    EnableControl(group, IDC_EFFECT_NEGATIVE, false);
    return;
  }
  int chosen =
      effect == EFFECT_NORMAL ? IDC_EFFECT_NORMAL : (effect == EFFECT_NEGATIVE ? IDC_EFFECT_NEGATIVE : IDC_EFFECT_BW);
  CheckOneOf(group, kEffectIds, chosen);
}

void ShowGamma(HWND group, int32_t model, int32_t gamma) {
  if (HasFewerSetupChoices(model)) {
    SetChecked(group, IDC_GAMMA_TYPE1, gamma != GAMMA_NORMAL);
    SetChecked(group, IDC_GAMMA_NORMAL, gamma == GAMMA_NORMAL);
    EnableControl(group, IDC_GAMMA_TYPE2, false);
    return;
  }
  int chosen = gamma == GAMMA_NORMAL ? IDC_GAMMA_NORMAL : (gamma == GAMMA_TYPE1 ? IDC_GAMMA_TYPE1 : IDC_GAMMA_TYPE2);
  CheckOneOf(group, kGammaIds, chosen);
}

void ShowVideoOut(HWND group, int32_t model, uint32_t format) {
  int chosen = kVideoIds[format - REQ_VIDEO_1080I_5994];
  CheckOneOf(group, kVideoIds, chosen);
  if (!HasFewerSetupChoices(model)) return;
  EnableControl(group, IDC_VIDEO_NTSC, false);
  EnableControl(group, IDC_VIDEO_PAL, false);
}

// An unknown mode leaves the buttons as they are. The gain controls are
// only ever disabled here; the dialog's "Manual" button enables them.
void ShowWhiteBalance(HWND group, HWND setup, int32_t wbMode) {
  int chosen = ButtonOf(kWhiteBalance, wbMode, 0);
  if (chosen != 0) CheckOneOf(group, kWbIds, chosen);
  if (wbMode == WB_MANUAL) return;
  for (int id : kGainControlIds) EnableControl(setup, id, false);
}

// A camera without the setting greys its check box and leaves its check.
void ShowOptionalSwitch(HWND parent, int id, bool available, bool on) {
  EnableControl(parent, id, available);
  if (available) SetChecked(parent, id, on);
}

}  // namespace

void RefreshPanel(CameraController* controller, int32_t cameraIndex) {
  CameraSnapshot r;
  if (!EngineCamera(controller, cameraIndex, &r)) return;
  int32_t model = r.modelCode;
  HWND panel = hPage[0];
  HWND setup = hSetupDlg.load();

  ShowZoom(panel, model, r.zoomPos);
  ShowSharpness(panel, r.aperture);
  ShowFocus(r);
  SetChecked(panel, IDC_POWER, true);
  ShowFocusMode(panel, r.focusAuto);
  ShowGain(setup, IDC_B_GAIN_SLIDER, IDC_B_GAIN_VALUE, r.bGain);
  ShowGain(setup, IDC_R_GAIN_SLIDER, IDC_R_GAIN_VALUE, r.rGain);
  ShowExposureOfCamera(r);
  ShowPictureEffect(hEffectGroup.load(), model, r.pictureEffect);
  ShowGamma(hGammaGroup.load(), model, r.gamma);
  ShowVideoOut(hVideoGroup.load(), model, EngineVideoFormat(r));
  ShowWhiteBalance(hWbGroup.load(), setup, r.wbMode);
  int32_t pictureFlip = r.pictureFlip;
  ShowOptionalSwitch(setup, IDC_ROTATE, HasPictureFlip(model), pictureFlip == FLIP_ON);
  int32_t icrMode = r.icrMode;
  ShowOptionalSwitch(hNirGroup.load(), IDC_NIR_VISION, HasNirVision(model), icrMode == NIR_ON);

  EngineSelect(controller, cameraIndex);
  TellPanelSelection(cameraIndex);
  SetStatus("Camera %d selected", static_cast<int>(cameraIndex + 1));
  // No slider, no focus change: SetFocus(NULL) would take the focus away.
  if (HWND zoom = GetDlgItem(panel, IDC_ZOOM_SLIDER)) SetFocus(zoom);
}

void ShowFocus(const CameraSnapshot& r) {
  int32_t v = FocusInverse(r.focusPos, FocusSpanOfModel(r.modelCode));
  SetSliderPos(hPage[0], IDC_FOCUS_SLIDER, v);
  ShowText(hPage[0], IDC_FOCUS_VALUE, NumberText(v));
}
