// Checking a line again: the address set and interface clear of discovery on
// that one port, its records matched by address (the same number reuse
// theirs, more get new records after the last, fewer leave the missing ones
// marked), then the initialisation of its cameras and "COM%d back". A
// datagram line's check is its camera's answer to the version inquiry.
#include "engine/conversation/engine_state.h"
#include "engine/core/line_name.h"
#include "engine/core/panel_hooks.h"
#include "engine/discovery/discovery.h"
#include "engine/discovery/network_lines.h"
#include "engine/recovery/line_recovery.h"
#include "engine/recovery/line_recovery_state.h"

namespace {

// What a broadcast's echo starts with: 88, then the address set's 30 or the
// interface clear's 01.
constexpr uint8_t kBroadcastEcho = 0x88;
constexpr uint8_t kAddressSetCommand = 0x30;
constexpr uint8_t kInterfaceClearCommand = 0x01;
// A datagram line's one camera answers from address 1.
constexpr uint8_t kReplyOfAddress1 = 0x90;

// The record of the camera at `address` on `line`, -1 when there is none.
int32_t RecordOf(const CameraController* c, int32_t line, int32_t address) {
  for (int32_t i = 0; i < c->cameraCount.load(); i++)
    if (c->cameras[i].line == line && c->cameras[i].address == address) return i;
  return -1;
}

void MarkLineSilent(CameraController* c, int32_t line) {
  for (int32_t i = 0; i < c->cameraCount.load(); i++)
    if (c->cameras[i].line == line) SetSilent(c, i, true);
}

}  // namespace

// A click waiting goes first, as it does before an idle poll; queued requests
// do not, or an operator who keeps the queue busy would keep a line that came
// back out of service.
void StartDueCheck(CameraController* c, uint32_t now) {
  if (!CheckCanStart(c)) return;
  for (int32_t line = 0; line < kChannelCount; line++) {
    LineWatch& w = c->recovery.lines[line];
    if (!c->channels[line] || w.state != LINE_CHECK_DUE) continue;
    // A silent line's probe is background work: while requests wait, one
    // probe a second at most goes before them, however many lines are silent.
    const bool busy = c->requestQueue->HasMessages();
    if (w.quietCheck && busy && now - c->recovery.lastProbeAhead < kSilentLineCheckMs) continue;
    if (w.quietCheck && busy) c->recovery.lastProbeAhead = now;
    w.state = LINE_CHECKING;
    w.lastCheckTick = now;
    w.networkChange = false;  // the address set goes out now
    c->recovery.activeLine = line;
    c->recovery.startedCamera = -1;
    c->line = line;
    c->lineChecks = 0;
    // Its camera may have restarted, and a visca-ip one then counts afresh.
    c->channels[line]->RestartNetworkNumbering();
    BeginRecoveryCheck(c);
    return;
  }
}

bool NotALineCheckEcho(const CameraController* c) {
  if (c->recovery.activeLine < 0) return false;
  if (IsDatagramLine(c, c->recovery.activeLine)) return c->packetBuffer[0] != kReplyOfAddress1;
  const uint8_t awaited = c->phase.load() == PHASE_LINE_CHECK ? kAddressSetCommand : kInterfaceClearCommand;
  return c->packetLength < 2 || c->packetBuffer[0] != kBroadcastEcho || c->packetBuffer[1] != awaited;
}

bool QuietLineCheck(const CameraController* c) {
  return c->recovery.activeLine >= 0 && c->recovery.lines[c->recovery.activeLine].quietCheck;
}

bool MatchRecoveredRecords(CameraController* c, int32_t announced) {
  const int32_t line = c->recovery.activeLine;
  if (line < 0) return false;
  c->recovery.lines[line].announced = announced;
  // A line lost during its own initialisation left its cameras pending.
  for (bool& pending : c->recovery.initPending) pending = false;
  int32_t count = c->cameraCount.load();
  for (int32_t i = 0; i < count; i++) {
    if (c->cameras[i].line != line) continue;
    c->recovery.initPending[i] = c->cameras[i].address >= 1 && c->cameras[i].address <= announced;
    if (!c->recovery.initPending[i]) SetMissing(c, i);
  }
  for (int32_t address = 1; address <= announced && count < kMaxCameras; address++) {
    if (RecordOf(c, line, address) >= 0) continue;
    CameraRecord& record = c->cameras[count];
    record = CameraRecord{};
    record.line = line;
    record.address = address;
    c->recovery.initPending[count] = true;
    SetSilent(c, count, true);  // in service once initialised
    c->cameraCount = ++count;
  }
  return true;
}

bool StartRecoveredInitialisation(CameraController* c) {
  if (c->recovery.activeLine < 0) return false;
  const int32_t count = c->cameraCount.load();
  int32_t first = 0;
  while (first < count && !c->recovery.initPending[first]) first++;
  c->initialising = true;
  if (first < count) {
    c->camera = first;
    EnterPhase(c, PHASE_INIT_CAMERA);
  } else {
    c->camera = count > 0 ? count - 1 : 0;  // nobody to initialise: the end at once
    EnterPhase(c, PHASE_CAMERA_DONE);
  }
  return true;
}

bool RecoveryCheckFailed(CameraController* c) {
  const int32_t line = c->recovery.activeLine;
  if (line < 0) return false;
  c->recovery.activeLine = -1;
  // Nothing came round the ring: every camera of the line is out of reach.
  MarkLineSilent(c, line);
  c->recovery.lines[line].state = LINE_UP;
  FinishTransaction(c);
  RestoreSelection(c);
  return true;
}

bool TakeInitialisation(CameraController* c, int32_t index) {
  bool due = false;
  if (c->recovery.activeLine >= 0) {
    due = c->recovery.initPending[index];
    c->recovery.initPending[index] = false;
  } else {
    const int32_t line = c->cameras[index].line;
    // A camera its line's last check did not find stays missing until it
    // announces itself.
    due = line >= 0 && line < kChannelCount && c->recovery.lines[line].state == LINE_UP && !c->recovery.missing[index];
  }
  c->recovery.startedCamera = due ? index : -1;
  c->recovery.startedOverdue = false;
  return due;
}

void NoteCameraInitialised(CameraController* c, int32_t index) {
  if (index < 0 || index != c->recovery.startedCamera) return;
  c->recovery.startedCamera = -1;
  c->recovery.misses[index] = 0;
  SetSilent(c, index, false);
}

void NoticeAbortedRecovery(CameraController* c) {
  const int32_t camera = c->recovery.startedCamera;
  if (c->recovery.activeLine < 0) {
    // The initialisation of every camera (at start-up, or after a refusal)
    // goes on with the next camera once the abort has left the engine idle.
    const bool idle = c->phase.load() == PHASE_IDLE && c->stage.load() == STAGE_NONE && !c->initialising;
    if (camera < 0 || !idle) return;
  } else if (!EngineFree(c)) {
    return;
  } else if (camera < 0) {
    RecoveryCheckFailed(c);  // the interface clear went unanswered
    return;
  }
  c->recovery.startedCamera = -1;
  // One cut short by anything but a time-out (an error reply outside its chain, an
  // abort) is there: it is passed over unmarked.
  SetSilent(c, camera, c->recovery.startedOverdue);
  c->initialising = true;
  c->camera = camera;
  EnterPhase(c, PHASE_CAMERA_DONE);
}

bool FinishLineRecovery(CameraController* c) {
  const int32_t line = c->recovery.activeLine;
  if (line < 0) return false;
  c->recovery.activeLine = -1;
  LineWatch& w = c->recovery.lines[line];
  w.state = LINE_UP;
  w.lastCheckTick = OsTickCount();
  FinishTransaction(c);
  // Discovery found no camera: the list is filled with this line's cameras.
  if (c->listReady.load() == 0 && c->cameraCount.load() > 0) FillCameraList(c);
  c->recovery.listDirty = true;
  SyncListEntries(c);
  const int32_t selected = c->selectedCamera;
  if (c->cameraSelected.load() != 0 && selected >= 0 && c->cameras[selected].line == line &&
      !c->recovery.silent[selected])
    RunPanelRefresh(c, selected);
  // After the refresh, whose "Camera %d selected" would hide it.
  ShowStatus(c, "%s back, %d cameras", NameOfLine(line).text, w.announced);
  return true;
}
