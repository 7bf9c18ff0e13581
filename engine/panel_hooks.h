// What the operator sees, as the engine changes it or reads it: one table of
// functions the front end installs once before it creates the controller.
// The window panel (panel/) draws into its controls; orvalix-cli, the soak
// and the benchmarks (cli/) keep what they need without windows. The engine
// reaches no window itself.
#pragma once

#include <cstdint>

struct CameraController;
struct CameraRecord;

struct PanelHooks {
  // The status line shows `text`. User-interface thread (controller
  // creation) and worker (discovery, initialisation, error replies).
  void (*showStatus)(const char* text);
  // The camera list gains the entry of camera `index`. Worker, once per
  // camera when the first initialisation ends.
  void (*addCamera)(int32_t index);
  // The camera list's entry of camera `index` reads "Camera N", or "Camera N
  // (no answer)" while it is out of reach; an index one past the last entry
  // appends it. A selected entry stays selected. Worker, when a line or a
  // camera is lost or back, and for records a line's check added.
  void (*showCameraEntry)(int32_t index, bool answering);
  // The Recall button of the camera's last preset is the one checked.
  // Worker, on the answer of each initialisation's preset inquiry.
  void (*markRecall)(int32_t lastPreset);
  // The exposure sliders, value boxes and captions as mode r.aeMode uses
  // them. Worker, on the exposure mode requests.
  void (*showExposure)(const CameraRecord& r);
  // The focus slider and value box show r.focusPos. Worker, on focus auto.
  void (*showFocus)(const CameraRecord& r);
  // Setup's red or blue gain slider and value box show `gain`. Worker, on
  // the LED white balance gains.
  void (*showRedGain)(int32_t gain);
  void (*showBlueGain)(int32_t gain);
  // The preset button checked in Setup, 1..5, or 0 for none. Worker, on a
  // preset save.
  int32_t (*checkedPreset)();
  // Closes the Setup dialog when it is open. Worker, on save and close.
  void (*closeSetup)();
  // Mirrors camera `index` into the panel and selects it. Worker, when a
  // re-reading of the selected camera begins (RunPanelRefresh).
  void (*refreshPanel)(CameraController* c, int32_t index);
  // The two check boxes the engine reads: "Iris" picks the shutter over the
  // brightness inquiry and both decide which answers are notified. Worker.
  bool (*irisChecked)();
  bool (*autoExposureChecked)();
  // Serves the worker's calls that wait for the user-interface thread.
  // User-interface thread, while teardown waits for the worker to end.
  void (*serveWorker)();
};

// Puts `hooks` in force; an entry left null does nothing (a read gives
// false or 0). Not while a worker runs.
void InstallPanelHooks(const PanelHooks& hooks);
// The hooks in force; every entry is callable.
const PanelHooks& Hooks();
// The status line through the hook, printf-style, cut at 255 characters.
void ShowStatus(const char* format, ...)
#ifdef __GNUC__
    __attribute__((format(printf, 1, 2)))
#endif
    ;
