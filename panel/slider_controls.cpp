#include "panel/slider_controls.h"

#include "common/control_ids.h"
#include "common/text.h"
#include "panel/panel_controls.h"
#include "panel/panel_globals.h"
#include "requests/request_codes.h"

namespace {

struct SliderRequest {
  int id;
  uint32_t code;
};

// The level slider is not here: its request depends on the exposure mode.
const SliderRequest kSliderRequests[] = {
    {IDC_ZOOM_SLIDER, REQ_ZOOM_DIRECT},     {IDC_BRIGHT_SLIDER, REQ_EXPOSURE_LEVEL},
    {IDC_FOCUS_SLIDER, REQ_FOCUS_DIRECT},   {IDC_SHARP_SLIDER, REQ_SHARPNESS_DIRECT},
    {IDC_R_GAIN_SLIDER, REQ_R_GAIN_DIRECT}, {IDC_B_GAIN_SLIDER, REQ_B_GAIN_DIRECT},
};

HWND ParentOfSlider(int id) {
  return (id == IDC_R_GAIN_SLIDER || id == IDC_B_GAIN_SLIDER) ? hSetupDlg.load() : hPage[0];
}

// 0 when the control posts nothing now. The level slider is exposure
// compensation in full auto and iris in manual mode.
uint32_t RequestOfSlider(int id) {
  if (id == IDC_LEVEL_SLIDER) {
    if (IsChecked(hPage[0], IDC_EXPOSURE_AUTO)) return REQ_EXP_COMP_DIRECT;
    if (IsChecked(hPage[0], IDC_IRIS)) return REQ_IRIS_DIRECT;
    return 0;
  }
  for (const SliderRequest& s : kSliderRequests)
    if (s.id == id) return s.code;
  return 0;
}

// Zoom steps land on whole zoom factors: from between two, a step down goes
// to the one below; otherwise a step goes one factor further.
int32_t ZoomStepTarget(int32_t pos, int32_t delta) {
  int32_t rest = pos % kZoomStep;
  if (delta < 0 && rest != 0) return pos - rest;
  return pos + delta - rest;
}

}  // namespace

void PostSliderRequest(int controlId) {
  int32_t cameraIndex = SelectedCamera();
  if (cameraIndex < 0 || !pController) return;
  uint32_t code = RequestOfSlider(controlId);
  if (code == 0) return;
  int32_t value = SliderPos(ParentOfSlider(controlId), controlId);
  EnginePut(pController, static_cast<uint32_t>(cameraIndex), code, static_cast<uint32_t>(value), 0);
}

void StepSlider(int32_t code, int32_t delta, HWND slider) {
  if (SelectedCamera() < 0 || !pController) return;
  int32_t lo = static_cast<int32_t>(SendMessageA(slider, TBM_GETRANGEMIN, 0, 0));
  int32_t hi = static_cast<int32_t>(SendMessageA(slider, TBM_GETRANGEMAX, 0, 0));
  int32_t pos = static_cast<int32_t>(SendMessageA(slider, TBM_GETPOS, 0, 0));
  int32_t next = code == static_cast<int32_t>(REQ_ZOOM_DIRECT) ? ZoomStepTarget(pos, delta) : pos + delta;
  if (next > hi) next = hi;
  if (next < lo) next = lo;
  SendMessageA(slider, TBM_SETPOS, TRUE, next);
  PostSliderRequest(static_cast<int>(GetWindowLongA(slider, GWL_ID)));
}
