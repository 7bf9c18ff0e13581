#include "ui/setup/setup_commands.h"

#include "common/control_ids.h"
#include "common/text.h"
#include "panel/panel_controls.h"
#include "panel/panel_globals.h"
#include "panel/slider_controls.h"
#include "requests/request_codes.h"

namespace {

struct ControlRequest {
  int id;
  uint32_t code;
};

// Controls that post one request and nothing else.
const ControlRequest kPlainRequests[] = {
    {IDC_EFFECT_BW, REQ_EFFECT_BW},         {IDC_EFFECT_NEGATIVE, REQ_EFFECT_NEGATIVE},
    {IDC_EFFECT_NORMAL, REQ_EFFECT_NORMAL}, {IDC_ROTATE, REQ_ROTATE_TOGGLE},
    {IDC_GAMMA_NORMAL, REQ_GAMMA_NORMAL},   {IDC_GAMMA_TYPE1, REQ_GAMMA_TYPE1},
    {IDC_GAMMA_TYPE2, REQ_GAMMA_TYPE2},
};

// A new output format takes effect only after the camera restarts.
const ControlRequest kVideoFormats[] = {
    {IDC_VIDEO_1080I_5994, REQ_VIDEO_1080I_5994},
    {IDC_VIDEO_720P_5994, REQ_VIDEO_720P_5994},
    {IDC_VIDEO_NTSC, REQ_VIDEO_NTSC},
    {IDC_VIDEO_1080I_50, REQ_VIDEO_1080I_50},
    {IDC_VIDEO_720P_50, REQ_VIDEO_720P_50},
    {IDC_VIDEO_PAL, REQ_VIDEO_PAL},
    {IDC_VIDEO_1080P_5994, REQ_VIDEO_1080P_5994},
    {IDC_VIDEO_1080P_50, REQ_VIDEO_1080P_50},
    {IDC_VIDEO_1080P_2997, REQ_VIDEO_1080P_2997},
    {IDC_VIDEO_1080P_25, REQ_VIDEO_1080P_25},
};

constexpr int kMaxWbSteps = 3;

// White balance buttons: the modes they set, in order. "LED" is manual mode
// with fixed gains (blue first); "One Push" also triggers the measurement.
struct WbChoice {
  int id;
  uint32_t codes[kMaxWbSteps];  // ends early at 0
};
const WbChoice kWbChoices[] = {
    {IDC_WB_COLD, {REQ_WB_COLD}},
    {IDC_WB_WARM, {REQ_WB_WARM}},
    {IDC_WB_LED, {REQ_WB_LED, REQ_B_GAIN_LED, REQ_R_GAIN_LED}},
    {IDC_WB_AUTO, {REQ_WB_AUTO}},
    {IDC_WB_MANUAL, {REQ_WB_MANUAL}},
    {IDC_WB_ONE_PUSH, {REQ_WB_ONE_PUSH, REQ_WB_ONE_PUSH_TRIGGER}},
};

// Gain step buttons; they act only in manual white balance.
struct GainStep {
  int id;
  int32_t code;
  int32_t delta;
  int slider;
};
const GainStep kGainSteps[] = {
    {IDC_R_GAIN_MINUS, REQ_R_GAIN_DIRECT, -1, IDC_R_GAIN_SLIDER},
    {IDC_R_GAIN_PLUS, REQ_R_GAIN_DIRECT, 1, IDC_R_GAIN_SLIDER},
    {IDC_B_GAIN_MINUS, REQ_B_GAIN_DIRECT, -1, IDC_B_GAIN_SLIDER},
    {IDC_B_GAIN_PLUS, REQ_B_GAIN_DIRECT, 1, IDC_B_GAIN_SLIDER},
};

const int kGainControls[] = {IDC_R_GAIN_SLIDER, IDC_B_GAIN_SLIDER, IDC_R_GAIN_LABEL,
                             IDC_B_GAIN_LABEL,  IDC_B_GAIN_VALUE,  IDC_R_GAIN_VALUE};

const char kRestartText[] = "Please restart ( power off / on) the camera to apply changes.";
const char kRestartCaption[] = "Restart the camera";

template <size_t N>
const ControlRequest* Find(const ControlRequest (&table)[N], int id) {
  for (const ControlRequest& row : table)
    if (row.id == id) return &row;
  return nullptr;
}

bool OnWhiteBalance(int id) {
  for (const WbChoice& choice : kWbChoices) {
    if (choice.id != id) continue;
    for (uint32_t code : choice.codes)
      if (code != 0) SetWbMode(code);
    return true;
  }
  return false;
}

bool OnGainStep(int id) {
  for (const GainStep& step : kGainSteps) {
    if (step.id != id) continue;
    if (IsChecked(hWbGroup.load(), IDC_WB_MANUAL))
      StepSlider(step.code, step.delta, GetDlgItem(hSetupDlg.load(), step.slider));
    return true;
  }
  return false;
}

void OnNirVision() {
  bool on = IsChecked(hNirGroup.load(), IDC_NIR_VISION);
  PostSetupRequest(REQ_NIR_VISION, on ? 1 : 0);
}

// The engine stores the checked preset (46), then closes the dialog once the
// camera has answered (47).
void OnSave() {
  PostSetupRequest(REQ_PRESET_SAVE, 0);
  PostSetupRequest(REQ_SAVE_AND_CLOSE, 0);
}

}  // namespace

void PostSetupRequest(uint32_t code, uint32_t a) {
  int32_t camera = SelectedCamera();
  if (camera < 0 || !pController) return;
  EnginePut(pController, static_cast<uint32_t>(camera), code, a, 0);
}

void SetWbMode(uint32_t code) {
  bool manual = code == REQ_WB_MANUAL;
  HWND dialog = hSetupDlg.load();
  for (int id : kGainControls) EnableControl(dialog, id, manual);
  PostSetupRequest(code, 0);
  PostSetupRequest(code, 0);
}

void OnSetupCommand(HWND window, int id) {
  if (const ControlRequest* plain = Find(kPlainRequests, id)) {
    PostSetupRequest(plain->code, 0);
    return;
  }
  if (const ControlRequest* format = Find(kVideoFormats, id)) {
    PostSetupRequest(format->code, 0);
    MessageBoxA(window, kRestartText, kRestartCaption, MB_OK | MB_ICONINFORMATION);
    return;
  }
  if (OnWhiteBalance(id) || OnGainStep(id)) return;
  switch (id) {
    case IDC_NIR_VISION:
      OnNirVision();
      break;
    case IDC_PRESET_SAVE:
      OnSave();
      break;
    case IDC_SETUP_EXIT:
      // Ends through the dialog's cancel path, as the close box does.
      PostMessageA(window, WM_CLOSE, 0, 0);
      break;
    default:
      // Preset buttons, sliders, value boxes and labels only change themselves.
      break;
  }
}
