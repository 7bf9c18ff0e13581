#include "ui/slider_steps.h"

#include "common/control_ids.h"

namespace {

const SliderSteps kSliderSteps[] = {
    {IDC_ZOOM_SLIDER, IDC_ZOOM_MINUS, IDC_ZOOM_PLUS},       {IDC_SHARP_SLIDER, IDC_SHARP_MINUS, IDC_SHARP_PLUS},
    {IDC_BRIGHT_SLIDER, IDC_BRIGHT_MINUS, IDC_BRIGHT_PLUS}, {IDC_LEVEL_SLIDER, IDC_LEVEL_MINUS, IDC_LEVEL_PLUS},
    {IDC_FOCUS_SLIDER, IDC_FOCUS_MINUS, IDC_FOCUS_PLUS},    {IDC_R_GAIN_SLIDER, IDC_R_GAIN_MINUS, IDC_R_GAIN_PLUS},
    {IDC_B_GAIN_SLIDER, IDC_B_GAIN_MINUS, IDC_B_GAIN_PLUS},
};

// The trackbar's own procedure, kept on the window itself.
const char kOriginalProc[] = "OrvalixSliderProc";

// Wheel movement short of a whole notch (fine-grained wheels and touch pads
// send parts), kept for the slider it came over.
HWND restSlider = nullptr;
int restDelta = 0;

WNDPROC OriginalProc(HWND slider) { return reinterpret_cast<WNDPROC>(GetPropA(slider, kOriginalProc)); }

void PressStep(HWND slider, int button) { PostMessageA(GetParent(slider), WM_COMMAND, static_cast<WPARAM>(button), 0); }

void OnWheel(HWND slider, int delta) {
  const SliderSteps* steps = StepsOfSlider(GetDlgCtrlID(slider));
  if (!steps || !IsWindowEnabled(slider)) return;
  if (slider != restSlider) {
    restSlider = slider;
    restDelta = 0;
  }
  restDelta += delta;
  for (; restDelta >= WHEEL_DELTA; restDelta -= WHEEL_DELTA) PressStep(slider, steps->plus);
  for (; restDelta <= -WHEEL_DELTA; restDelta += WHEEL_DELTA) PressStep(slider, steps->minus);
}

LRESULT CALLBACK SliderProc(HWND slider, UINT message, WPARAM wParam, LPARAM lParam) {
  WNDPROC original = OriginalProc(slider);
  switch (message) {
    case WM_MOUSEWHEEL:
      OnWheel(slider, GET_WHEEL_DELTA_WPARAM(wParam));
      return 0;
    case WM_NCDESTROY:
      SetWindowLongPtrA(slider, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(original));
      RemovePropA(slider, kOriginalProc);
      if (slider == restSlider) restSlider = nullptr;
      break;
    default:
      break;
  }
  return CallWindowProcA(original, slider, message, wParam, lParam);
}

}  // namespace

const SliderSteps* StepsOfSlider(int id) {
  for (const SliderSteps& steps : kSliderSteps)
    if (steps.slider == id) return &steps;
  return nullptr;
}

void StepSliderByWheel(HWND slider) {
  if (!slider) return;
  LONG_PTR original = GetWindowLongPtrA(slider, GWLP_WNDPROC);
  if (!SetPropA(slider, kOriginalProc, reinterpret_cast<HANDLE>(original))) return;
  SetWindowLongPtrA(slider, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(SliderProc));
}
