// Cameras marked "(no answer)": three transactions in a row without a reply,
// a lost line, or a camera missing when its line came back. Their requests
// are dropped, the idle poll asks them once a second, and their list entries
// say so.
#include "engine/conversation/engine_state.h"
#include "engine/conversation/transaction_table.h"
#include "engine/core/panel_hooks.h"
#include "engine/recovery/line_recovery.h"
#include "engine/recovery/line_recovery_state.h"
#include "requests/request_codes.h"

#include <atomic>

namespace {

constexpr uint8_t kMissesToSilence = 3;
constexpr uint32_t kSilentPollSpacingMs = 1000;
constexpr uint32_t kProbeEveryMs = 1000;
constexpr int32_t kReplyAddressOffset = 8;
constexpr int32_t kHeaderAddressShift = 4;
// Far enough off that nothing is ever due, small enough that no deadline wraps.
constexpr uint32_t kNeverMs = 0x7FFFFFFF;

bool InTable(int32_t index) { return index >= 0 && index < kMaxCameras; }

// The camera the idle poll asks, -1 while it asks none.
int32_t PolledCamera(const CameraController* c) {
  if (c->cameraSelected.load() == 0) return -1;
  return c->selectedCamera >= 0 ? c->selectedCamera : c->camera.load();
}

// Marked, on a line in service that carried a reply within the last second;
// a missing camera announces its return itself.
bool Probed(const CameraController* c, int32_t index, uint32_t now) {
  if (!c->recovery.silent[index] || c->recovery.missing[index] || index == PolledCamera(c)) return false;
  const int32_t line = c->cameras[index].line;
  if (line < 0 || line >= kChannelCount || !c->channels[line]) return false;
  const LineWatch& w = c->recovery.lines[line];
  return w.state == LINE_UP && now - w.lastReplyTick <= kSilentLineCheckMs;
}

void ShowEntry(CameraController* c, int32_t index) {
  c->recovery.shownSilent[index] = c->recovery.silent[index];
  Hooks(c).showCameraEntry(c, index, !c->recovery.silent[index]);
}

}  // namespace

namespace {

// A reply's header names its sender (y0, y = address + 8); a packet for a
// camera that is not there comes back round the chain with the controller's
// header instead, and is no answer from it.
bool FromCamera(uint8_t header, int32_t address) {
  return header == static_cast<uint8_t>((address + kReplyAddressOffset) << kHeaderAddressShift);
}

// Whether camera `index` counts toward its line's silent cameras.
int32_t Counted(const CameraController* c, int32_t index) {
  return c->recovery.silent[index] && !c->recovery.missing[index] ? 1 : 0;
}

void Mark(CameraController* c, int32_t index, bool silent, bool missing) {
  if (!InTable(index)) return;
  const int32_t before = Counted(c, index);
  if (c->recovery.silent[index] != silent) c->recovery.listDirty = true;
  c->recovery.silent[index] = silent;
  c->marked[index].store(silent, std::memory_order_relaxed);
  if (silent) ForgetMovements(c->movements[index]);
  c->recovery.missing[index] = silent && missing;
  const int32_t line = c->cameras[index].line;
  if (line >= 0 && line < kChannelCount) c->recovery.lines[line].silentCount += Counted(c, index) - before;
}

}  // namespace

void SetSilent(CameraController* c, int32_t index, bool silent) { Mark(c, index, silent, false); }

void SetMissing(CameraController* c, int32_t index) { Mark(c, index, true, true); }

void NoteListFilled(CameraController* c) {
  const int32_t count = c->cameraCount.load();
  c->recovery.listed = count;
  for (int32_t i = 0; i < count; i++)
    if (c->recovery.silent[i]) ShowEntry(c, i);
}

void SyncListEntries(CameraController* c) {
  if (c->listReady.load() == 0) return;
  const int32_t count = c->cameraCount.load();
  // A list ready without FillCameraList (set up by hand) holds one entry per record.
  if (c->recovery.listed < 0) c->recovery.listed = count;
  if (!c->recovery.listDirty) return;
  c->recovery.listDirty = false;
  for (int32_t i = 0; i < c->recovery.listed && i < count; i++)
    if (c->recovery.shownSilent[i] != c->recovery.silent[i]) ShowEntry(c, i);
  // Records a line's check added are listed once it is over.
  while (c->recovery.activeLine < 0 && c->recovery.listed < count) ShowEntry(c, c->recovery.listed++);
}

void NoteReplyOverdue(CameraController* c) {
  const int32_t camera = c->camera.load();
  const int32_t line = c->line.load();
  if (c->transaction.load() == TX_NONE || !InTable(camera) || line < 0 || line >= kChannelCount) return;
  if (camera == c->recovery.startedCamera) c->recovery.startedOverdue = true;
  if (c->recovery.activeLine == line) return;
  // Any reply during the transaction shows the camera is there; the one that
  // led to its packet came in the step that sent it, in the same millisecond.
  // Ages, not stamps, are compared: a line nobody asks keeps a stamp weeks old.
  const uint32_t now = OsTickCount();
  if (now - c->recovery.lines[line].lastReplyTick < now - c->sendTick.load()) return;
  if (c->recovery.misses[camera] < kMissesToSilence) c->recovery.misses[camera]++;
  if (c->recovery.misses[camera] < kMissesToSilence || c->recovery.silent[camera]) return;
  SetSilent(c, camera, true);
  if (c->cameraSelected.load() != 0 && camera == c->selectedCamera)
    ShowStatus(c, "Camera %d not answering", camera + 1);
}

void NoteCameraAnswered(CameraController* c) {
  const int32_t camera = c->camera.load();
  const int32_t line = c->line.load();
  if (c->transaction.load() == TX_NONE || c->stage.load() == STAGE_NONE || !InTable(camera) || line < 0 ||
      line >= kChannelCount || !FromCamera(c->packetBuffer[0], c->cameras[camera].address))
    return;
  c->recovery.misses[camera] = 0;
  LineWatch& w = c->recovery.lines[line];
  if (c->recovery.silent[camera] && c->recovery.activeLine != line && w.state == LINE_UP) MakeCheckDue(w, false);
}

// Requests go first, as before an idle poll.
void ProbeSilentCamera(CameraController* c, uint32_t now) {
  if (!CheckCanStart(c) || c->requestQueue->HasMessages()) return;
  for (int32_t i = 0; i < c->cameraCount.load() && i < kMaxCameras; i++) {
    if (!Probed(c, i, now) || now - c->recovery.lastProbeTick[i] < kProbeEveryMs) continue;
    c->recovery.lastProbeTick[i] = now;
    BeginWork(c, REQ_POWER, i);  // the read-back of a power request: no notification
    SendTransaction(c, TX_ASK_POWER, true);
    return;
  }
}

// Only while a probe could start: a busy engine must not make the worker spin.
void ProbeDeadline(const CameraController* c, uint32_t now, uint32_t* wait) {
  if (!CheckCanStart(c) || c->requestQueue->HasMessages()) return;
  for (int32_t i = 0; i < c->cameraCount.load() && i < kMaxCameras; i++) {
    if (!Probed(c, i, now)) continue;
    const uint32_t left = MsLeft(now, c->recovery.lastProbeTick[i], kProbeEveryMs - 1);
    if (left < *wait) *wait = left;
  }
}

void ClearMarks(CameraController* c) {
  for (std::atomic<bool>& mark : c->marked) mark.store(false, std::memory_order_relaxed);
}

bool CameraMissing(const CameraController* c, int32_t index) { return InTable(index) && c->recovery.missing[index]; }

// Once marked, a camera is given the wait after a completion: one that answers
// only after the first-reply wait is still found by its probes, and a longer
// wait left by a re-reading or a restart does not hold the line.
int32_t ReplyWaitCapMs(const CameraController* c, int32_t index) {
  if (!InTable(index) || c->recovery.misses[index] == 0) return 0;
  return c->recovery.silent[index] ? kCompletionTimeoutMs : kFirstTimeoutMs;
}

uint32_t PollSpacingMs(const CameraController* c) {
  const int32_t polled = c->selectedCamera >= 0 ? c->selectedCamera : c->camera.load();
  if (!InTable(polled) || !c->recovery.silent[polled]) return kPollSpacingMs;
  const int32_t line = c->cameras[polled].line;
  // A line being opened or addressed again, or a camera beyond its chain, is
  // asked nothing meanwhile.
  const bool inService =
      line >= 0 && line < kChannelCount && c->recovery.lines[line].state == LINE_UP && !c->recovery.missing[polled];
  return inService ? kSilentPollSpacingMs : kNeverMs;
}
