// The movements the front ends put, sent while the engine is idle and ahead
// of queued requests, and what follows them: a position read after each stop
// and after each Home or absolute move that arrived.
#include "engine/conversation/engine_state.h"
#include "engine/conversation/transmission.h"
#include "engine/motion/motion.h"
#include "requests/camera_models.h"
#include "requests/pan_tilt.h"

namespace {

// A Home or absolute move not heard of this long has ended unheard.
constexpr uint32_t kMoveHeardOfMs = 120000;

bool Idle(const CameraController* c) { return c->phase.load() == PHASE_IDLE && c->stage.load() == STAGE_NONE; }

int32_t Listed(const CameraController* c) {
  const int32_t count = c->cameraCount.load();
  return count < kMaxCameras ? count : kMaxCameras;
}

bool Drivable(const CameraController* c, int32_t index) {
  return index >= 0 && index < Listed(c) && c->cameras[index].panTilt != 0 && CameraReachable(c, index);
}

// The block cameras the program knows are never asked.
bool ProbeDue(const CameraController* c, int32_t index) {
  return c->movements[index].probeDue && !IsListedModel(c->cameras[index].modelCode) && CameraReachable(c, index);
}

bool IsStop(const Movement& m) { return m.kind == MOVEMENT_DRIVE && m.panSpeed == 0 && m.tiltSpeed == 0; }

Movement Stop() {
  Movement m;
  m.kind = MOVEMENT_DRIVE;
  return m;
}

int32_t PayloadOf(const Movement& m, const CameraRecord& r, uint8_t* payload, TransactionCode* code) {
  switch (m.kind) {
    case MOVEMENT_HOME:
      *code = TX_PAN_TILT_HOME;
      return HomePayload(payload);
    case MOVEMENT_ABSOLUTE:
      *code = TX_PAN_TILT_ABSOLUTE;
      return AbsolutePayload(m.pan, m.tilt, m.panSpeed, m.tiltSpeed, r.panMax, r.tiltMax, payload);
    default:
      *code = TX_PAN_TILT_DRIVE;
      return DrivePayload(m.panSpeed, m.tiltSpeed, r.panMax, r.tiltMax, payload);
  }
}

// `wasDriving`: whether the head was driven before this movement was taken.
// A refused drive, Home or absolute move leaves the head as it was; a
// refused stop is not sent again (the camera said no).
void SendMovement(CameraController* c, int32_t index, const Movement& m, bool wasDriving) {
  uint8_t payload[kPanTiltPayloadCapacity];
  TransactionCode code = TX_PAN_TILT_DRIVE;
  const int32_t length = PayloadOf(m, c->cameras[index], payload, &code);
  MovementSlot& slot = c->movements[index];
  slot.drivingBefore = wasDriving;
  slot.overtakenBefore = slot.overtaken.load();
  slot.stopInFlight = IsStop(m);
  BeginWork(c, 0, index);
  SendPayload(c, code, payload, length);
  // Lowered only now, with the transaction in flight, so that closing never
  // finds the slot settled while its stop is still on the way out. Any
  // movement takes over from a drive; a drive or stop ends a move on its way.
  slot.driving.store(m.kind == MOVEMENT_DRIVE && !IsStop(m));
  if (m.kind == MOVEMENT_DRIVE && slot.onItsWay.load()) slot.overtaken.store(true);
}

// The first camera with a movement waiting; the flag stays up while another
// waits. A drive is marked driven before it leaves the slot, so closing sees
// it in one place or the other. `wasDriving`: the mark before that.
int32_t TakeWaiting(CameraController* c, Movement* out, bool* wasDriving) {
  if (!c->movementsPut.exchange(false)) return -1;
  int32_t found = -1;
  for (int32_t i = 0; i < Listed(c); i++) {
    if (c->movements[i].pending.load() == 0) continue;
    if (found >= 0) {
      c->movementsPut.store(true);
      break;
    }
    found = i;
  }
  if (found < 0) return found;
  MovementSlot& slot = c->movements[found];
  *wasDriving = slot.driving.load();
  const Movement peek = UnpackMovement(slot.pending.load());
  if (peek.kind == MOVEMENT_DRIVE && !IsStop(peek)) slot.driving.store(true);
  *out = UnpackMovement(slot.pending.exchange(0));
  return found;
}

void ForgetUnheardMoves(CameraController* c, uint32_t now) {
  for (int32_t i = 0; i < Listed(c); i++) {
    MovementSlot& slot = c->movements[i];
    if (!slot.onItsWay.load() || now - slot.since <= kMoveHeardOfMs) continue;
    slot.onItsWay.store(false);
    slot.overtaken.store(false);
    slot.sockets = 0;
    slot.newest = 0;
    slot.positionDue = true;
  }
}

// Driven, or on its way and not yet overtaken by a stop, or about to be.
bool Moves(const MovementSlot& slot) {
  const Movement waiting = UnpackMovement(slot.pending.load());
  return slot.driving.load() || (slot.onItsWay.load() && !slot.overtaken.load()) ||
         (waiting.kind != MOVEMENT_NONE && !IsStop(waiting));
}

}  // namespace

bool StopBeforeSelection(CameraController* c) {
  if (!Idle(c)) return false;
  const int32_t next = c->pendingSelection.load();
  const int32_t current = c->selectedCamera;
  if (next < 0 || next == current || !Drivable(c, current) || !Moves(c->movements[current])) return false;
  c->movements[current].pending.store(0);
  SendMovement(c, current, Stop(), c->movements[current].driving.load());
  return true;
}

bool ServeMovements(CameraController* c) {
  if (!Idle(c)) return false;
  Movement m;
  bool wasDriving = false;
  const int32_t index = TakeWaiting(c, &m, &wasDriving);
  if (index >= 0 && m.kind != MOVEMENT_NONE && Drivable(c, index)) {
    SendMovement(c, index, m, wasDriving);
    return true;
  }
  if (index >= 0) c->movements[index].driving.store(wasDriving);  // dropped: as it was
  ForgetUnheardMoves(c, OsTickCount());
  for (int32_t i = 0; i < Listed(c); i++) {
    if (!c->movements[i].positionDue) continue;
    c->movements[i].positionDue = false;
    if (AskPosition(c, i)) return true;
  }
  return false;
}

bool ProbeCameras(CameraController* c) {
  if (!Idle(c) || c->initialising || c->listReady.load() == 0) return false;
  for (int32_t i = 0; i < Listed(c); i++) {
    MovementSlot& slot = c->movements[i];
    if (slot.probeDue && IsListedModel(c->cameras[i].modelCode) && c->cameras[i].panTilt != 0) {
      // A block camera the program knows now answers where a pan/tilt one was.
      c->cameras[i].panTilt = 0;
      c->notifyQueue->Put(static_cast<uint32_t>(i), NOTIFY_PAN_TILT, 0, 0);
    }
    if (!ProbeDue(c, i)) continue;
    slot.probeDue = false;
    uint8_t payload[kPanTiltPayloadCapacity];
    BeginWork(c, 0, i);
    SendPayload(c, TX_PROBE_PAN_TILT, payload, PositionInquiryPayload(payload));
    return true;
  }
  return false;
}

bool AskPosition(CameraController* c, int32_t index) {
  if (!Drivable(c, index)) return false;
  uint8_t payload[kPanTiltPayloadCapacity];
  BeginWork(c, 0, index);
  SendPayload(c, TX_ASK_PAN_TILT_POSITION, payload, PositionInquiryPayload(payload));
  return true;
}

bool MotionHasWork(const CameraController* c) {
  if (c->movementsPut.load()) return true;
  const bool probesMayRun = !c->initialising && c->listReady.load() != 0;
  for (int32_t i = 0; i < Listed(c); i++) {
    const MovementSlot& slot = c->movements[i];
    if (slot.positionDue || (probesMayRun && ProbeDue(c, i))) return true;
  }
  return false;
}

bool PanTiltQuestionsOpen(const CameraController* c) {
  const TransactionCode code = c->transaction.load();
  if (code == TX_PROBE_PAN_TILT || code == TX_ASK_PAN_TILT_MAX_SPEED) return true;
  for (int32_t i = 0; i < Listed(c); i++)
    if (ProbeDue(c, i)) return true;
  return false;
}

bool PutExitStops(CameraController* c) {
  bool any = false;
  for (int32_t i = 0; i < Listed(c); i++) {
    if (!Moves(c->movements[i])) continue;
    c->movements[i].pending.store(PackMovement(Stop()));
    any = true;
  }
  if (any) {
    c->movementsPut.store(true);
    c->workEvent.Set();
  }
  return any;
}

bool ExitStopsDone(const CameraController* c) {
  for (int32_t i = 0; i < Listed(c); i++)
    if (c->movements[i].pending.load() != 0 || Moves(c->movements[i])) return false;
  return Idle(c);
}
