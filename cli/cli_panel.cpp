#include "cli/cli_panel.h"

#include "requests/request_codes.h"

#include <cstdio>

namespace {

void KeepStatusOf(CameraController* c, const char* text) { CliPanelOf(c)->KeepStatus(text); }
void AddEntryOf(CameraController* c, int32_t index) { CliPanelOf(c)->AddEntry(index); }
void ShowEntryOf(CameraController* c, int32_t index, bool answering) { CliPanelOf(c)->ShowEntry(index, answering); }
void SelectOf(CameraController* c, int32_t index) { CliPanelOf(c)->SelectInList(c, index); }
bool IrisOf(CameraController* c) { return CliPanelOf(c)->IrisChecked(); }
bool AutoExposureOf(CameraController* c) { return CliPanelOf(c)->AutoExposureChecked(); }

}  // namespace

CliPanel* CliPanelOf(CameraController* c) { return static_cast<CliPanel*>(EngineContext(c)); }

bool CliPanel::Create() { return wake.Create(false, false); }

PanelHooks CliPanel::Hooks() {
  PanelHooks hooks;
  hooks.context = this;
  hooks.showStatus = KeepStatusOf;
  hooks.addCamera = AddEntryOf;
  hooks.showCameraEntry = ShowEntryOf;
  hooks.refreshPanel = SelectOf;
  hooks.irisChecked = IrisOf;
  hooks.autoExposureChecked = AutoExposureOf;
  return hooks;
}

void CliPanel::KeepStatus(const char* text) {
  {
    OsLockGuard guard(statusLock);
    if (count == kStatusSlots) {
      first = (first + 1) % kStatusSlots;
      count--;
    }
    int32_t slot = (first + count) % kStatusSlots;
    snprintf(texts[slot], kStatusChars, "%s", text);
    snprintf(last, kStatusChars, "%s", text);
    count++;
    if (watcher != nullptr) watcher(texts[slot]);
  }
  wake.Set();
}

// A window list appends whatever index it is given; so does this count.
void CliPanel::AddEntry(int32_t index) {
  if (index >= 0 && index < kMaxCameras) unanswered[index] = false;
  entries++;
}

void CliPanel::ShowEntry(int32_t index, bool answering) {
  if (index < 0 || index >= kMaxCameras || index > entries.load()) return;
  unanswered[index] = !answering;
  if (index == entries.load()) entries++;
}

bool CliPanel::TakeStatusText(char* out, size_t size) {
  OsLockGuard guard(statusLock);
  if (count == 0) return false;
  snprintf(out, size, "%s", texts[first]);
  first = (first + 1) % kStatusSlots;
  count--;
  return true;
}

void CliPanel::LastStatusText(char* out, size_t size) {
  OsLockGuard guard(statusLock);
  snprintf(out, size, "%s", last);
}

bool CliPanel::EntryAnswering(int32_t index) const {
  return index < 0 || index >= kMaxCameras || !unanswered[index].load();
}

void CliPanel::SetExposureChecks(int32_t aeMode) {
  autoChecked = aeMode == AE_FULL_AUTO;
  irisChecked = aeMode == AE_MANUAL;
}

void CliPanel::SelectInList(CameraController* c, int32_t index) {
  {
    OsLockGuard guard(selectLock);
    CameraSnapshot r;
    if (!EngineCamera(c, index, &r)) return;
    SetExposureChecks(r.aeMode);
    EngineSelect(c, index);
  }
  char text[kStatusChars];
  snprintf(text, sizeof text, "Camera %d selected", static_cast<int>(index + 1));
  KeepStatus(text);
}
