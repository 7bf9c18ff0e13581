#include "engine/panel_hooks.h"

#include <cstdarg>
#include <cstdio>

namespace {

constexpr size_t kStatusChars = 256;

void NoText(const char*) {}
void NoIndex(int32_t) {}
void NoRecord(const CameraRecord&) {}
int32_t NoPreset() { return 0; }
void Nothing() {}
void NoRefresh(CameraController*, int32_t) {}
bool NotChecked() { return false; }
void NoEntry(int32_t, bool) {}

const PanelHooks kNoHooks = {NoText,  NoIndex,  NoEntry, NoIndex,   NoRecord,   NoRecord,   NoIndex,
                             NoIndex, NoPreset, Nothing, NoRefresh, NotChecked, NotChecked, Nothing};

PanelHooks installed = kNoHooks;

template <typename F>
F Or(F hook, F otherwise) {
  return hook ? hook : otherwise;
}

}  // namespace

void InstallPanelHooks(const PanelHooks& h) {
  installed.showStatus = Or(h.showStatus, kNoHooks.showStatus);
  installed.addCamera = Or(h.addCamera, kNoHooks.addCamera);
  installed.showCameraEntry = Or(h.showCameraEntry, kNoHooks.showCameraEntry);
  installed.markRecall = Or(h.markRecall, kNoHooks.markRecall);
  installed.showExposure = Or(h.showExposure, kNoHooks.showExposure);
  installed.showFocus = Or(h.showFocus, kNoHooks.showFocus);
  installed.showRedGain = Or(h.showRedGain, kNoHooks.showRedGain);
  installed.showBlueGain = Or(h.showBlueGain, kNoHooks.showBlueGain);
  installed.checkedPreset = Or(h.checkedPreset, kNoHooks.checkedPreset);
  installed.closeSetup = Or(h.closeSetup, kNoHooks.closeSetup);
  installed.refreshPanel = Or(h.refreshPanel, kNoHooks.refreshPanel);
  installed.irisChecked = Or(h.irisChecked, kNoHooks.irisChecked);
  installed.autoExposureChecked = Or(h.autoExposureChecked, kNoHooks.autoExposureChecked);
  installed.serveWorker = Or(h.serveWorker, kNoHooks.serveWorker);
}

const PanelHooks& Hooks() { return installed; }

void ShowStatus(const char* format, ...) {
  char text[kStatusChars];
  va_list args;
  va_start(args, format);
  vsnprintf(text, sizeof text, format, args);
  va_end(args);
  installed.showStatus(text);
}
