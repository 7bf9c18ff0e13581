#include "panel/pad_panel.h"

#include "common/control_ids.h"
#include "common/text.h"
#include "panel/panel_controls.h"
#include "panel/panel_globals.h"

#include <cstdio>

namespace {

struct PadPanel {
  PadMachine machine;
  PadColumnBuilder builder = nullptr;
  int32_t camera = -1;        // the camera the column is up for, -1 while it is down
  int32_t pan = 0, tilt = 0;  // the position shown
};

PadPanel pad;

void DriveCamera(void*, int32_t camera, int32_t panSpeed, int32_t tiltSpeed) {
  if (pController) EngineDrive(pController, camera, panSpeed, tiltSpeed);
}

void HomeCamera(void*, int32_t camera) {
  if (pController) EngineHome(pController, camera);
}

constexpr PadCalls kEngineCalls = {nullptr, DriveCamera, HomeCamera};

// The pad's camera as the engine knows it now, the slider and Shift.
PadContext ContextNow(bool shift) {
  PadContext at = {pad.camera, false, 0, 0, SliderPos(hPage[0], IDC_PAD_SPEED), shift};
  CameraSnapshot r;
  if (pad.camera >= 0 && pController && EngineCamera(pController, pad.camera, &r)) {
    at.panTilt = r.panTilt == 1;
    at.panMax = r.panMax;
    at.tiltMax = r.tiltMax;
  }
  return at;
}

void ShowPosition(int32_t pan, int32_t tilt) {
  pad.pan = pan;
  pad.tilt = tilt;
  char text[48];
  snprintf(text, sizeof text, "Pan %d  Tilt %d", static_cast<int>(pan), static_cast<int>(tilt));
  SetDlgItemTextA(hPage[0], IDC_PAD_POSITION, text);
}

}  // namespace

void PadAttach(PadColumnBuilder builder) {
  pad = PadPanel();
  pad.builder = builder;
}

void PadDirection(PadSource source, PadHeading heading, bool down, bool shift) {
  PadHold(pad.machine, kEngineCalls, ContextNow(shift), source, heading, down);
}

void PadPressHome() {
  PadDirection(PAD_FROM_BUTTON, PAD_HOME, true, false);
  PadDirection(PAD_FROM_BUTTON, PAD_HOME, false, false);
}

void PadRefreshDrive(bool shift) { PadRefresh(pad.machine, kEngineCalls, ContextNow(shift)); }

void PadRelease() { PadReleaseAll(pad.machine, kEngineCalls); }

void PadFollowSelection() {
  const int32_t selected = SelectedCamera();
  CameraSnapshot r;
  const bool panTilt = pController && EngineCamera(pController, selected, &r) && r.panTilt == 1;
  const int32_t camera = panTilt ? selected : -1;
  if (camera != pad.camera) {
    PadRelease();
    pad.camera = camera;
    if (pad.builder) pad.builder(panTilt ? PadSpeedMax(r.panMax) : 0);
  }
  if (panTilt) ShowPosition(r.panPos, r.tiltPos);
}

void PadShowPosition(uint32_t camera, uint32_t code, int32_t value) {
  if (pad.camera < 0 || camera != static_cast<uint32_t>(pad.camera)) return;
  if (code == NOTIFY_PAN_POSITION) ShowPosition(value, pad.tilt);
  if (code == NOTIFY_TILT_POSITION) ShowPosition(pad.pan, value);
}

bool PadShown() { return pad.camera >= 0; }
