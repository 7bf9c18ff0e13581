#include "ui/panel_commands.h"

#include "common/control_ids.h"
#include "common/text.h"
#include "panel/exposure_display.h"
#include "panel/pad_panel.h"
#include "panel/panel_controls.h"
#include "panel/panel_globals.h"
#include "panel/panel_refresh.h"
#include "panel/slider_controls.h"
#include "requests/request_codes.h"
#include "ui/about_window.h"
#include "ui/setup/setup_dialog.h"
#include "ui/shell_open.h"
#include "ui/ui_globals.h"

namespace {

// When a step button may move its slider.
enum StepGuard {
  STEP_ALWAYS,
  STEP_UNLESS_AUTO_WITHOUT_IRIS,  // brightness: not in full auto
  STEP_FOCUS_MANUAL,
  STEP_AUTO_OR_IRIS,  // level: exposure compensation or iris
};

struct StepCommand {
  int button;
  int slider;
  int32_t code;  // the slider's request; zoom (1) snaps to tens
  int32_t delta;
  StepGuard guard;
};

const StepCommand kStepCommands[] = {
    {IDC_ZOOM_PLUS, IDC_ZOOM_SLIDER, REQ_ZOOM_DIRECT, kZoomStep, STEP_ALWAYS},
    {IDC_ZOOM_MINUS, IDC_ZOOM_SLIDER, REQ_ZOOM_DIRECT, -kZoomStep, STEP_ALWAYS},
    {IDC_BRIGHT_PLUS, IDC_BRIGHT_SLIDER, REQ_EXPOSURE_LEVEL, 1, STEP_UNLESS_AUTO_WITHOUT_IRIS},
    {IDC_BRIGHT_MINUS, IDC_BRIGHT_SLIDER, REQ_EXPOSURE_LEVEL, -1, STEP_UNLESS_AUTO_WITHOUT_IRIS},
    {IDC_FOCUS_PLUS, IDC_FOCUS_SLIDER, REQ_FOCUS_DIRECT, 1, STEP_FOCUS_MANUAL},
    {IDC_FOCUS_MINUS, IDC_FOCUS_SLIDER, REQ_FOCUS_DIRECT, -1, STEP_FOCUS_MANUAL},
    {IDC_SHARP_MINUS, IDC_SHARP_SLIDER, REQ_SHARPNESS_DIRECT, -1, STEP_ALWAYS},
    {IDC_SHARP_PLUS, IDC_SHARP_SLIDER, REQ_SHARPNESS_DIRECT, 1, STEP_ALWAYS},
    {IDC_LEVEL_PLUS, IDC_LEVEL_SLIDER, REQ_EXP_COMP_DIRECT, 1, STEP_AUTO_OR_IRIS},
    {IDC_LEVEL_MINUS, IDC_LEVEL_SLIDER, REQ_EXP_COMP_DIRECT, -1, STEP_AUTO_OR_IRIS},
};

// A check box's state as a request argument: 1 checked, 0 cleared.
uint32_t Checked(HWND hwnd, int id) { return IsChecked(hwnd, id) ? 1 : 0; }

bool StepAllowed(HWND hwnd, StepGuard guard) {
  switch (guard) {
    case STEP_UNLESS_AUTO_WITHOUT_IRIS:
      return !(IsChecked(hwnd, IDC_EXPOSURE_AUTO) && !IsChecked(hwnd, IDC_IRIS));
    case STEP_FOCUS_MANUAL:
      return !IsChecked(hwnd, IDC_FOCUS_AUTO);
    case STEP_AUTO_OR_IRIS:
      return IsChecked(hwnd, IDC_EXPOSURE_AUTO) || IsChecked(hwnd, IDC_IRIS);
    case STEP_ALWAYS:
      break;
  }
  return true;
}

// True when `id` is a step button (handled or refused by its guard).
bool OnStepButton(HWND hwnd, int id) {
  for (const StepCommand& step : kStepCommands) {
    if (step.button != id) continue;
    if (StepAllowed(hwnd, step.guard)) StepSlider(step.code, step.delta, GetDlgItem(hPage[0], step.slider));
    return true;
  }
  return false;
}

void OnCameraList(int notifyCode) {
  if (notifyCode == LBN_SELCHANGE) SelectCamera(SelectedCamera());
}

// "Auto" exposure: full auto drives the level slider, manual the brightness.
void OnExposureAuto(HWND hwnd) {
  uint32_t on = Checked(hwnd, IDC_EXPOSURE_AUTO);
  PutRequest(REQ_AE_AUTO, on);
  ShowExposureClick(on ? CLICK_AUTO_ON : CLICK_AUTO_OFF);
}

// The focus "Auto" box, or the focus slider itself (Enter on it), which is
// no button and so always asks for manual focus.
void OnFocusAuto(HWND hwnd, int id) {
  uint32_t on = id == IDC_FOCUS_AUTO ? Checked(hwnd, IDC_FOCUS_AUTO) : 0;
  PutRequest(REQ_FOCUS_AUTO, on);
  EnableControl(hwnd, IDC_FOCUS_SLIDER, !on);
}

// "Iris" on: manual exposure with gain and shutter reset; off: full auto.
void OnIris(HWND hwnd) {
  if (SelectedCamera() < 0 || !pController) return;
  if (IsChecked(hwnd, IDC_IRIS)) {
    PutRequest(REQ_AE_MANUAL, 1);
    PutRequest(REQ_GAIN_DEFAULT, 1);
    PutRequest(REQ_SHUTTER_RESET, 1);
    PutRequest(REQ_AE_MANUAL, 1);
    ShowExposureClick(CLICK_IRIS_ON);
  } else {
    PutRequest(REQ_AE_AUTO, 1);
    ShowExposureClick(CLICK_IRIS_OFF);
  }
}

}  // namespace

void PutRequest(uint32_t code, uint32_t a) {
  if (!pController) return;
  EnginePut(pController, static_cast<uint32_t>(SelectedCamera()), code, a, 0);
}

void SelectCamera(int32_t index) {
  PadRelease();
  RefreshPanel(pController, index);
  PadFollowSelection();
}

void OnCommand(HWND hwnd, int id, int notifyCode) {
  if (OnStepButton(hwnd, id)) return;
  if (id == IDC_PAD_HOME) PadPressHome();
  switch (id) {
    case IDC_EXIT:
      PostMessageA(hMainWnd, WM_CLOSE, 0, 0);
      break;
    case IDC_RETURN:
      ShowPage(0);
      break;
    case IDC_POWER:
      PutRequest(REQ_POWER, Checked(hwnd, IDC_POWER));
      break;
    case IDC_CAMERA_LIST:
      OnCameraList(notifyCode);
      break;
    case IDC_EXPOSURE_AUTO:
      OnExposureAuto(hwnd);
      break;
    case IDC_FOCUS_AUTO:
    case IDC_FOCUS_SLIDER:
      OnFocusAuto(hwnd, id);
      break;
    case IDC_ON_TOP:
      SetTopmost(Checked(hwnd, IDC_ON_TOP));
      break;
    case IDC_RECALL1:
    case IDC_RECALL2:
    case IDC_RECALL3:
    case IDC_RECALL4:
    case IDC_RECALL5:
      PostRecall(REQ_PRESET_RECALL_1 + (id - IDC_RECALL1));
      break;
    case IDC_IRIS:
      OnIris(hwnd);
      break;
    case IDC_FREEZE:
      PutRequest(REQ_FREEZE, Checked(hwnd, IDC_FREEZE));
      break;
    case IDC_SETUP:
      OpenSetupDialog(hPage[0]);
      break;
    case IDC_ABOUT:
      ShowAboutWindow();
      break;
    case IDC_ABOUT_LOGO:
    case IDC_ABOUT_LINK:
      OpenWithShell(kMakerWebAddress, nullptr);
      break;
    case IDC_ABOUT_OK:
      PostMessageA(hAboutWnd, WM_CLOSE, 0, 0);
      break;
    case IDC_HELP:
      OpenWithShell(kHelpDocument, nullptr);
      break;
    default:
      break;
  }
}

void ShowPage(int index) {
  if (index < 0 || index >= 3) return;
  ShowWindow(hPage[curPage.load()], SW_HIDE);
  curPage.store(index, std::memory_order_release);
  ShowWindow(hPage[index], SW_SHOW);
}

void SetTopmost(int on) {
  SetWindowPos(hMainWnd, on ? HWND_TOPMOST : HWND_NOTOPMOST, 0, 0, 0, 0, SWP_NOSIZE | SWP_NOMOVE);
}

void PostRecall(uint32_t code) {
  if (SelectedCamera() < 0 || !pController) return;
  PutRequest(code, 0);
  PutRequest(code, 0);
}
