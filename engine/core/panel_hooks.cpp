#include "engine/core/panel_hooks.h"

#include "engine/core/camera_controller.h"

#include <cstdarg>
#include <cstdio>

namespace {

constexpr size_t kStatusChars = 256;

void NoText(CameraController*, const char*) {}
void NoIndex(CameraController*, int32_t) {}
void NoRecord(CameraController*, const CameraSnapshot&) {}
int32_t NoPreset(CameraController*) { return 0; }
void Nothing(CameraController*) {}
bool NotChecked(CameraController*) { return false; }
void NoEntry(CameraController*, int32_t, bool) {}

template <typename F>
F Or(F hook, F otherwise) {
  return hook ? hook : otherwise;
}

}  // namespace

const PanelHooks kNoPanelHooks = {nullptr, NoText,   NoIndex, NoEntry, NoIndex,    NoRecord,   NoRecord, NoIndex,
                                  NoIndex, NoPreset, Nothing, NoIndex, NotChecked, NotChecked, Nothing};

void InstallPanelHooks(CameraController* c, const PanelHooks& h) {
  PanelHooks& in = c->hooks;
  in.context = h.context;
  in.showStatus = Or(h.showStatus, kNoPanelHooks.showStatus);
  in.addCamera = Or(h.addCamera, kNoPanelHooks.addCamera);
  in.showCameraEntry = Or(h.showCameraEntry, kNoPanelHooks.showCameraEntry);
  in.markRecall = Or(h.markRecall, kNoPanelHooks.markRecall);
  in.showExposure = Or(h.showExposure, kNoPanelHooks.showExposure);
  in.showFocus = Or(h.showFocus, kNoPanelHooks.showFocus);
  in.showRedGain = Or(h.showRedGain, kNoPanelHooks.showRedGain);
  in.showBlueGain = Or(h.showBlueGain, kNoPanelHooks.showBlueGain);
  in.checkedPreset = Or(h.checkedPreset, kNoPanelHooks.checkedPreset);
  in.closeSetup = Or(h.closeSetup, kNoPanelHooks.closeSetup);
  in.refreshPanel = Or(h.refreshPanel, kNoPanelHooks.refreshPanel);
  in.irisChecked = Or(h.irisChecked, kNoPanelHooks.irisChecked);
  in.autoExposureChecked = Or(h.autoExposureChecked, kNoPanelHooks.autoExposureChecked);
  in.serveWorker = Or(h.serveWorker, kNoPanelHooks.serveWorker);
}

const PanelHooks& Hooks(const CameraController* c) { return c->hooks; }

void ShowStatus(CameraController* c, const char* format, ...) {
  char text[kStatusChars];
  va_list args;
  va_start(args, format);
  vsnprintf(text, sizeof text, format, args);
  va_end(args);
  c->hooks.showStatus(c, text);
}

CameraSnapshot SnapshotOf(const CameraRecord& r) {
  return CameraSnapshot{r.line,          r.address,        r.zoomRequest,     r.focusAutoRequest, r.focusRequest,
                        r.brightRequest, r.aeModeRequest,  r.rGainRequest,    r.bGainRequest,     r.expCompRequest,
                        r.irisRequest,   r.shutterRequest, r.apertureRequest, r.icrRequest,       r.powerRequest,
                        r.zoomPos,       r.focusAuto,      r.focusPos,        r.brightPos,        r.aeMode,
                        r.powerOn,       r.rGain,          r.bGain,           r.freezeOn,         r.expCompPos,
                        r.videoOutReg,   r.irisPosInit,    r.irisPos,         r.shutterPos,       r.gainPos,
                        r.pictureEffect, r.gamma,          r.pictureFlip,     r.aperture,         r.wbMode,
                        r.modelCode,     r.icrMode,        r.powerSwitch,     r.lastPreset,       r.panTilt,
                        r.panPos,        r.tiltPos,        r.panMax,          r.tiltMax};
}
