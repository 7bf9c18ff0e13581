// The panel of the programs that run the engine without a window
// (orvalix-cli, the soak, the benchmarks), as the engine's hooks: it keeps
// the status texts for the front end's thread, answers the two check-box
// reads from what the operator chose, keeps the camera list's marks, selects
// a camera as a click in the list would, and sets one event whenever there
// is something new to show. One object per controller.
#pragma once

#include "engine/orvalix_engine.h"
#include "platform/os.h"

#include <atomic>
#include <cstddef>
#include <cstdint>

class CliPanel {
 public:
  // False when the event could not be made.
  bool Create();
  // The hooks to create the controller with; they reach this object.
  PanelHooks Hooks();
  // Set on every status text and, given to the engine, every notification (auto-reset).
  OsEvent& Event() { return wake; }

  // The oldest status text not yet taken, cut to `size`; false when none
  // waits. When the front end falls behind, the oldest texts give way.
  bool TakeStatusText(char* out, size_t size);
  // The latest status text, "" before the first.
  void LastStatusText(char* out, size_t size);
  // Whether entry `index` of the camera list reads "Camera N" rather than
  // "Camera N (no answer)". Any thread.
  bool EntryAnswering(int32_t index) const;

  // The "Auto" and "Iris" boxes as the panel shows them for exposure mode `aeMode`.
  void SetExposureChecks(int32_t aeMode);
  // A click in the camera list: the boxes follow the camera's exposure mode,
  // the engine makes it current and the status line announces it. Also the
  // refresh of a re-reading. An index outside the list changes nothing.
  void SelectInList(CameraController* c, int32_t index);

  // `watch` hears each status text as it is kept, in the panel's order, on
  // the thread that set it. Set before the engine is created.
  void WatchStatus(void (*watch)(const char* text)) { watcher = watch; }
  void KeepStatus(const char* text);
  void AddEntry(int32_t index);
  void ShowEntry(int32_t index, bool answering);
  bool IrisChecked() const { return irisChecked.load(); }
  bool AutoExposureChecked() const { return autoChecked.load(); }

 private:
  static constexpr int32_t kStatusSlots = 64;
  static constexpr size_t kStatusChars = 256;

  // Status texts from any thread for the front end's thread, oldest first.
  OsLock statusLock;
  char texts[kStatusSlots][kStatusChars] = {};
  int32_t first = 0;  // the oldest text not taken
  int32_t count = 0;
  char last[kStatusChars] = "";
  void (*watcher)(const char* text) = nullptr;
  OsEvent wake;
  std::atomic<bool> autoChecked{false};
  std::atomic<bool> irisChecked{false};
  // The camera list as a window would hold it: how many entries, and which
  // read "(no answer)".
  std::atomic<int32_t> entries{0};
  std::atomic<bool> unanswered[kMaxCameras] = {};
  // A click (the front end's thread) and the refresh of a re-reading (the
  // worker) both set the boxes and then select: one at a time, so the boxes
  // never show one camera while the engine has taken the other.
  OsLock selectLock;
};

// The panel whose hooks `c` was created with.
CliPanel* CliPanelOf(CameraController* c);
