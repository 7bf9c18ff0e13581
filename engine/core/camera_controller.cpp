#include "engine/core/camera_controller.h"

#include "engine/core/line_name.h"
#include "engine/core/panel_hooks.h"

namespace {

// The controller whose panel refresh of a re-reading this thread runs (null:
// none): the selection that refresh makes is the camera already current,
// never a click.
thread_local const CameraController* refreshing = nullptr;

}  // namespace

CameraRecord& CameraController::Current() {
  int32_t i = camera.load();
  return cameras[(i >= 0 && i < kMaxCameras) ? i : 0];
}

int32_t StateNumber(const CameraController* c) {
  const TransactionCode code = c->transaction.load();
  if (code != TX_NONE) return code;
  return c->phase.load();
}

void ShowErrorAnswer(CameraController* c) {
  ShowStatus(c, "Err Answer %X, %s, Cam:%d p.Mode:%d", c->packetBuffer[1], NameOfLine(c->line.load()).text,
             c->camera.load() + 1, StateNumber(c));
}

void SelectCamera(CameraController* c, int32_t index) {
  if (index < 0 || index >= c->cameraCount.load()) return;
  c->reinitOnNack = 0;
  if (refreshing == c) {
    // A click waiting in pendingSelection still wins when the engine is idle.
    c->selectedCamera = index;
    c->cameraSelected = 1;
    return;
  }
  c->pendingSelection.store(index, std::memory_order_release);
  c->workEvent.Set();
}

bool CameraReachable(const CameraController* c, int32_t index) {
  return index < 0 || index >= kMaxCameras || !c->marked[index].load(std::memory_order_relaxed);
}

void SetCurrentCamera(CameraController* c, int32_t index) {
  if (index < 0 || index >= kMaxCameras) return;
  c->camera = index;
  c->line = c->cameras[index].line;
}

void ApplySelection(CameraController* c) {
  // A load first: this runs on every idle step, a click only now and then.
  if (c->phase.load() != PHASE_IDLE || c->pendingSelection.load(std::memory_order_relaxed) < 0) return;
  int32_t index = c->pendingSelection.exchange(-1, std::memory_order_acq_rel);
  if (index < 0 || index >= c->cameraCount.load()) return;
  c->selectedCamera = index;
  SetCurrentCamera(c, index);
  c->cameraSelected = 1;
}

void RestoreSelection(CameraController* c) { SetCurrentCamera(c, c->selectedCamera >= 0 ? c->selectedCamera : 0); }

void RunPanelRefresh(CameraController* c, int32_t cameraIndex) {
  // The panel shows the camera the user chose, waiting or in force; a
  // re-reading of another camera must not take that choice back.
  int32_t pending = c->pendingSelection.load(std::memory_order_acquire);
  int32_t chosen = pending >= 0 ? pending : c->selectedCamera;
  if (chosen >= 0 && chosen != cameraIndex) return;
  const PanelHooks& hooks = Hooks(c);
  refreshing = c;
  hooks.refreshPanel(c, cameraIndex);
  // A click taken while this refresh waited on the panel had its own refresh
  // overwritten in part: show the clicked camera once more.
  int32_t clicked = c->pendingSelection.load(std::memory_order_acquire);
  if (clicked >= 0 && clicked != cameraIndex) hooks.refreshPanel(c, clicked);
  refreshing = nullptr;
}

void CloseChannel(CameraController* c, int32_t line) {
  if (line < 0 || line >= kChannelCount) return;
  SerialChannel* channel = c->channels[line];
  c->channels[line] = nullptr;
  if (!channel) return;
  channel->SetReceiveSignal(nullptr);  // the controller may go before a channel left open
  if (channel->CloseLine() != CLOSE_LEFT_TO_EXIT) {
    delete channel;
    return;
  }
  // Its I/O thread may still run inside the driver: the channel stays too.
  ShowStatus(c, "%s does not close; left open until exit", NameOfLine(line).text);
}
