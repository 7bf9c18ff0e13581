#include "cli/cli_panel.h"

#include "engine/panel_hooks.h"
#include "requests/request_codes.h"

#include <atomic>
#include <cstdio>

namespace {

constexpr int32_t kStatusSlots = 64;
constexpr size_t kStatusChars = 256;

// Status texts from any thread for the front end's thread, oldest first.
struct StatusRing {
  OsLock lock;
  char texts[kStatusSlots][kStatusChars] = {};
  int32_t first = 0;  // the oldest text not taken
  int32_t count = 0;
  char last[kStatusChars] = "";
};

StatusRing statusRing;
OsEvent wake;
std::atomic<bool> autoChecked{false};
std::atomic<bool> irisChecked{false};
// The camera list as a window would hold it: how many entries, and which
// read "(no answer)".
std::atomic<int32_t> entries{0};
std::atomic<bool> unanswered[kMaxCameras];
// A click (this program's thread) and the refresh of a re-reading (the
// worker) both set the boxes and then select: one at a time, so the boxes
// never show one camera while the engine has taken the other.
OsLock selectLock;

void KeepStatus(const char* text) {
  {
    OsLockGuard guard(statusRing.lock);
    if (statusRing.count == kStatusSlots) {
      statusRing.first = (statusRing.first + 1) % kStatusSlots;
      statusRing.count--;
    }
    int32_t slot = (statusRing.first + statusRing.count) % kStatusSlots;
    snprintf(statusRing.texts[slot], kStatusChars, "%s", text);
    snprintf(statusRing.last, kStatusChars, "%s", text);
    statusRing.count++;
  }
  wake.Set();
}

// A window list appends whatever index it is given; so does this count.
void AddEntry(int32_t index) {
  if (index >= 0 && index < kMaxCameras) unanswered[index] = false;
  entries++;
}

void ShowEntry(int32_t index, bool answering) {
  if (index < 0 || index >= kMaxCameras || index > entries.load()) return;
  unanswered[index] = !answering;
  if (index == entries.load()) entries++;
}

bool IrisChecked() { return irisChecked.load(); }
bool AutoExposureChecked() { return autoChecked.load(); }

}  // namespace

bool InstallCliPanel() {
  if (!wake.Create(false, false)) return false;
  PanelHooks hooks = {};
  hooks.showStatus = KeepStatus;
  hooks.addCamera = AddEntry;
  hooks.showCameraEntry = ShowEntry;
  hooks.refreshPanel = SelectInList;
  hooks.irisChecked = IrisChecked;
  hooks.autoExposureChecked = AutoExposureChecked;
  InstallPanelHooks(hooks);
  return true;
}

OsEvent& CliPanelEvent() { return wake; }

void WakeOnNotifications(CameraController* c) { c->notifyQueue->SetPutSignal(&wake); }

bool TakeStatusText(char* out, size_t size) {
  OsLockGuard guard(statusRing.lock);
  if (statusRing.count == 0) return false;
  snprintf(out, size, "%s", statusRing.texts[statusRing.first]);
  statusRing.first = (statusRing.first + 1) % kStatusSlots;
  statusRing.count--;
  return true;
}

void LastStatusText(char* out, size_t size) {
  OsLockGuard guard(statusRing.lock);
  snprintf(out, size, "%s", statusRing.last);
}

int32_t CameraEntries() { return entries.load(); }

bool EntryAnswering(int32_t index) { return index < 0 || index >= kMaxCameras || !unanswered[index].load(); }

void SetExposureChecks(int32_t aeMode) {
  autoChecked = aeMode == AE_FULL_AUTO;
  irisChecked = aeMode == AE_MANUAL;
}

void SelectInList(CameraController* c, int32_t index) {
  if (index < 0 || index >= c->cameraCount.load()) return;
  {
    OsLockGuard guard(selectLock);
    SetExposureChecks(c->cameras[index].aeMode);
    SelectCamera(c, index);
  }
  ShowStatus("Camera %d selected", static_cast<int>(index + 1));
}
