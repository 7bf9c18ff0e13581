#include "ui/remote_messages.h"

#include "common/control_ids.h"
#include "common/text.h"
#include "panel/exposure_display.h"
#include "panel/panel_controls.h"
#include "requests/preset_numbers.h"
#include "requests/request_codes.h"
#include "ui/panel_commands.h"

namespace {

// A click in the list highlights the entry, then the panel follows it; an
// index past the list changes nothing.
void SelectAsClicked(WPARAM index) {
  const LRESULT entries = SendDlgItemMessageA(hPage[0], IDC_CAMERA_LIST, LB_GETCOUNT, 0, 0);
  if (entries <= 0 || static_cast<LRESULT>(index) >= entries) return;
  SendDlgItemMessageA(hPage[0], IDC_CAMERA_LIST, LB_SETCURSEL, index, 0);
  SelectCamera(static_cast<int32_t>(index));
}

// The check boxes as the click that puts request (code, a) leaves them.
void MirrorChecks(uint32_t code, int32_t a) {
  HWND panel = hPage[0];
  const bool on = a != 0;
  switch (code) {
    case REQ_AE_AUTO:
      SetChecked(panel, IDC_EXPOSURE_AUTO, on);
      ShowExposureClick(on ? CLICK_AUTO_ON : CLICK_AUTO_OFF);
      break;
    case REQ_AE_MANUAL:
      SetChecked(panel, IDC_IRIS, true);
      ShowExposureClick(CLICK_IRIS_ON);
      break;
    case REQ_FOCUS_AUTO:
      SetChecked(panel, IDC_FOCUS_AUTO, on);
      EnableControl(panel, IDC_FOCUS_SLIDER, !on);
      break;
    case REQ_POWER:
      SetChecked(panel, IDC_POWER, on);
      break;
    case REQ_FREEZE:
      SetChecked(panel, IDC_FREEZE, on);
      break;
    default:
      break;
  }
}

}  // namespace

bool IsRemoteMessage(UINT message) {
  return message == kRemoteSelectMessage || message == kRemoteRecallMessage || message == kRemoteMirrorMessage;
}

void OnRemoteMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == kRemoteSelectMessage) SelectAsClicked(wParam);
  // The panel's boxes are the shown camera's: another camera's click leaves them.
  const int32_t shown = SelectedCamera();
  // The button's own check; the command puts its requests.
  if (message == kRemoteRecallMessage && wParam >= 1 && wParam <= static_cast<WPARAM>(kRecallButtons) &&
      lParam == shown)
    CheckRadioButton(hPage[0], IDC_RECALL1, IDC_RECALL5, IDC_RECALL1 + static_cast<int>(wParam) - 1);
  if (message == kRemoteMirrorMessage && HIWORD(wParam) == shown)
    MirrorChecks(LOWORD(wParam), static_cast<int32_t>(lParam));
}
