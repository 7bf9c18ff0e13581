#include "panel/notification_drain.h"

#include "common/control_ids.h"
#include "common/text.h"
#include "panel/pad_panel.h"
#include "panel/panel_controls.h"
#include "panel/panel_globals.h"
#include "panel/panel_watch.h"
#include "requests/value_scales.h"
#include "requests/zoom_scale.h"

namespace {

// The brightness slider is the shutter in manual mode ("Iris" checked).
ValueText BrightSliderText(HWND panel, int32_t value) {
  return IsChecked(panel, IDC_IRIS) ? ShutterText(value) : BrightnessText(value);
}

void ShowLevel(HWND panel, int32_t value) {
  if (IsChecked(panel, IDC_IRIS))
    ShowText(panel, IDC_LEVEL_VALUE, IrisText(value));
  else if (IsChecked(panel, IDC_EXPOSURE_AUTO))
    ShowText(panel, IDC_LEVEL_VALUE, ExpCompText(value));
}

// The gain boxes follow their slider, not the reported value.
void ShowGainOfSlider(int sliderId, int valueId) {
  HWND setup = hSetupDlg.load();
  ShowText(setup, valueId, NumberText(SliderPos(setup, sliderId)));
}

// The camera word of a notification is not looked at: the panel shows
// whichever camera reports. The pad shows its own camera's position only.
void ShowNotification(CameraController* c, const Notification& n) {
  HWND panel = hPage[0];
  const int32_t value = n.value;
  switch (n.code) {
    case NOTIFY_ZOOM:
      ShowText(panel, IDC_ZOOM_VALUE, ZoomText(SliderPos(panel, IDC_ZOOM_SLIDER)));
      break;
    case NOTIFY_FOCUS:
      ShowText(panel, IDC_FOCUS_VALUE, NumberText(FocusInverse(value, FocusSpanOfModel(EngineList(c).model))));
      break;
    case NOTIFY_BRIGHT:
      ShowText(panel, IDC_BRIGHT_VALUE, BrightSliderText(panel, value));
      break;
    case NOTIFY_APERTURE:
      ShowText(panel, IDC_SHARP_VALUE, NumberText(value));
      break;
    case NOTIFY_R_GAIN:
      ShowGainOfSlider(IDC_R_GAIN_SLIDER, IDC_R_GAIN_VALUE);
      break;
    case NOTIFY_B_GAIN:
      ShowGainOfSlider(IDC_B_GAIN_SLIDER, IDC_B_GAIN_VALUE);
      break;
    case NOTIFY_LEVEL:
      ShowLevel(panel, value);
      break;
    case NOTIFY_PAN_TILT:
      PadFollowSelection();
      break;
    case NOTIFY_PAN_POSITION:
    case NOTIFY_TILT_POSITION:
      PadShowPosition(n.camera, n.code, value);
      break;
    default:
      break;
  }
}

}  // namespace

void DrainNotifications() {
  CameraController* c = pController;
  if (!c) return;
  Notification n;
  while (EngineTakeNotification(c, &n)) {
    ShowNotification(c, n);
    TellNotification(n);
  }
}
