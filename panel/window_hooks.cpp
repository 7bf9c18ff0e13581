#include "panel/window_hooks.h"

#include "common/control_ids.h"
#include "common/text.h"
#include "panel/camera_names.h"
#include "panel/exposure_display.h"
#include "panel/panel_controls.h"
#include "panel/panel_refresh.h"
#include "requests/value_scales.h"


namespace {

const int kRecallIds[] = {IDC_RECALL1, IDC_RECALL2, IDC_RECALL3, IDC_RECALL4, IDC_RECALL5};
const int kPresetIds[] = {IDC_SETUP_PRESET_1, IDC_SETUP_PRESET_2, IDC_SETUP_PRESET_3, IDC_SETUP_PRESET_4,
                          IDC_SETUP_PRESET_5};
constexpr int32_t kPresetCount = 5;

// The text is passed as data, never as a format: a '%' it carries stays.
void ShowStatusLine(CameraController*, const char* text) { SetStatus("%s", text); }

void AddCameraEntry(CameraController* c, int32_t index) {
  char text[kCameraEntryChars];
  CameraEntryText(c, index, true, text, sizeof text);
  SendDlgItemMessageA(hPage[0], IDC_CAMERA_LIST, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text));
}

void ShowCameraEntry(CameraController* c, int32_t index, bool answering) {
  char text[kCameraEntryChars];
  CameraEntryText(c, index, answering, text, sizeof text);
  if (index >= 0)
    SendMessageA(hPage[0], kCameraEntryMessage, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(text));
}

// Presets 2..5 have their button; any other preset checks "1".
void MarkRecall(CameraController*, int32_t lastPreset) {
  int32_t checked = (lastPreset >= 2 && lastPreset <= kPresetCount) ? lastPreset - 1 : 0;
  for (int32_t i = 0; i < kPresetCount; i++) SetChecked(hPage[0], kRecallIds[i], i == checked);
}

void ShowGain(int sliderId, int valueId, int32_t gain) {
  HWND setup = hSetupDlg.load();
  ShowText(setup, valueId, NumberText(gain));
  SetSliderPos(setup, sliderId, gain);
}

void ShowRedGain(CameraController*, int32_t gain) { ShowGain(IDC_R_GAIN_SLIDER, IDC_R_GAIN_VALUE, gain); }
void ShowBlueGain(CameraController*, int32_t gain) { ShowGain(IDC_B_GAIN_SLIDER, IDC_B_GAIN_VALUE, gain); }

int32_t CheckedPreset(CameraController*) {
  // One read: the dialog clears the handle when it closes.
  HWND dialog = hSetupDlg.load();
  for (int32_t n = 1; n <= kPresetCount; n++)
    if (IsChecked(dialog, kPresetIds[n - 1])) return n;
  return 0;
}

// Without a dialog there is nothing to close; a null window would post to
// the calling thread's own message queue.
void CloseSetup(CameraController*) {
  HWND dialog = hSetupDlg.load();
  if (dialog) PostMessageA(dialog, WM_CLOSE, 0, 0);
}

bool IrisChecked(CameraController*) { return IsChecked(hPage[0], IDC_IRIS); }
bool AutoExposureChecked(CameraController*) { return IsChecked(hPage[0], IDC_EXPOSURE_AUTO); }

void ShowExposure(CameraController*, const CameraSnapshot& r) { ShowExposureOfRequest(r); }
void ShowFocusOf(CameraController*, const CameraSnapshot& r) { ShowFocus(r); }
void ServeWorker(CameraController*) { DispatchIncomingSentMessages(); }

}  // namespace

// The entry is replaced in place (delete, insert), so the selection has to
// be put back when it was this entry; one past the last is added.
LRESULT ReplaceCameraEntry(HWND page, UINT message, WPARAM index, LPARAM text) {
  if (message != kCameraEntryMessage) return 0;
  const LRESULT entries = SendDlgItemMessageA(page, IDC_CAMERA_LIST, LB_GETCOUNT, 0, 0);
  if (static_cast<LRESULT>(index) > entries) return 0;
  if (static_cast<LRESULT>(index) == entries) {
    SendDlgItemMessageA(page, IDC_CAMERA_LIST, LB_ADDSTRING, 0, text);
    return 0;
  }
  const LRESULT selected = SendDlgItemMessageA(page, IDC_CAMERA_LIST, LB_GETCURSEL, 0, 0);
  SendDlgItemMessageA(page, IDC_CAMERA_LIST, LB_DELETESTRING, index, 0);
  SendDlgItemMessageA(page, IDC_CAMERA_LIST, LB_INSERTSTRING, index, text);
  if (selected == static_cast<LRESULT>(index)) SendDlgItemMessageA(page, IDC_CAMERA_LIST, LB_SETCURSEL, index, 0);
  return 0;
}

PanelHooks WindowHooks() {
  PanelHooks hooks = {};
  hooks.showStatus = ShowStatusLine;
  hooks.addCamera = AddCameraEntry;
  hooks.showCameraEntry = ShowCameraEntry;
  hooks.markRecall = MarkRecall;
  hooks.showExposure = ShowExposure;
  hooks.showFocus = ShowFocusOf;
  hooks.showRedGain = ShowRedGain;
  hooks.showBlueGain = ShowBlueGain;
  hooks.checkedPreset = CheckedPreset;
  hooks.closeSetup = CloseSetup;
  hooks.refreshPanel = RefreshPanel;
  hooks.irisChecked = IrisChecked;
  hooks.autoExposureChecked = AutoExposureChecked;
  hooks.serveWorker = ServeWorker;
  return hooks;
}
