// The front ends' way in (engine/orvalix_engine.h) mapped onto the
// controller: the one file outside the worker's that knows its fields.
#include "engine/orvalix_engine.h"

#include "engine/conversation/engine_state.h"
#include "engine/core/camera_controller.h"
#include "engine/core/engine_channel.h"
#include "engine/core/panel_hooks.h"
#include "engine/dispatch/raw_command.h"
#include "engine/dispatch/video_registers.h"
#include "engine/motion/motion.h"
#include "engine/trace/trace_text.h"
#include "engine/trace/traffic_trace.h"
#include "engine/worker/worker.h"
#include "requests/pan_tilt.h"

#include <chrono>

static_assert(sizeof(CameraSnapshot) == sizeof(CameraRecord), "a snapshot holds every record field");
static_assert(kEngineTraceEntries == kTraceCapacity, "the front ends keep as many trace lines as the ring");

CameraController* EngineCreate(const PanelHooks& hooks, const NetConfig* network, OsEvent* notified,
                               EngineWorker worker) {
  CameraController* c = CreateCameraController(WORKER_MANUAL, network, &hooks);
  if (!c) return nullptr;
  if (notified) c->notifyQueue->SetPutSignal(notified);
  if (worker == ENGINE_WORKER_HELD || EngineStart(c)) return c;
  DestroyCameraController(c);
  return nullptr;
}

bool EngineStart(CameraController* c) { return c->thread.Start(CameraWorkerThread, c); }

namespace {

// How long closing waits for the stops of the cameras still driven, and how
// often it serves the worker's calls into the panel meanwhile. Real time: a
// test's virtual tick stands still.
constexpr auto kExitStopWait = std::chrono::milliseconds(1000);
constexpr uint32_t kExitStopTurnMs = 1;

// Nothing is left moving: a camera still driven gets its stop before the
// worker ends.
void StopCamerasBeforeExit(CameraController* c) {
  if (!PutExitStops(c)) return;
  const auto deadline = std::chrono::steady_clock::now() + kExitStopWait;
  while (!ExitStopsDone(c) && std::chrono::steady_clock::now() < deadline) {
    Hooks(c).serveWorker(c);
    OsSleep(kExitStopTurnMs);
  }
}

}  // namespace

void EngineDestroy(CameraController* c) {
  if (c) StopCamerasBeforeExit(c);
  DestroyCameraController(c);
}

void* EngineContext(const CameraController* c) { return c->hooks.context; }

bool EngineLineOpen(const CameraController* c, int32_t line) {
  return line >= 0 && line < kChannelCount && c->channels[line] != nullptr;
}

void EngineSelect(CameraController* c, int32_t index) { SelectCamera(c, index); }

bool EnginePut(CameraController* c, uint32_t camera, uint32_t code, uint32_t a, uint32_t b) {
  return c->requestQueue->Put(camera, code, a, b);
}

RawSendResult EnginePutRaw(CameraController* c, int32_t index, const RawPacket& packet, char* message,
                           int32_t messageSize) {
  switch (PutRawCommand(c, index, packet, message, messageSize)) {
    case RAW_PUT:
      return RAW_SEND_PUT;
    case RAW_BUSY:
      return RAW_SEND_BUSY;
    default:
      return RAW_SEND_REFUSED;
  }
}

bool EngineTakeNotification(CameraController* c, Notification* out) {
  uint32_t value, unused;
  if (!c->notifyQueue->TryGet(out->camera, out->code, value, unused)) return false;
  out->value = static_cast<int32_t>(value);
  return true;
}

bool EngineCamera(const CameraController* c, int32_t index, CameraSnapshot* out) {
  if (!c || index < 0 || index >= c->cameraCount.load() || index >= kMaxCameras) return false;
  *out = SnapshotOf(c->cameras[index]);
  return true;
}

ListSnapshot EngineList(const CameraController* c) {
  ListSnapshot s;
  const int32_t phase = c->phase.load();
  const int32_t stage = c->stage.load();
  s.cameraCount = c->cameraCount.load();
  s.listReady = c->listReady.load() != 0;
  s.idle = phase == PHASE_IDLE && stage == STAGE_NONE;
  s.replyAwaited = stage != STAGE_NONE;
  s.ackAwaited = stage == STAGE_ACK;
  s.askingVersion = c->transaction.load() == TX_ASK_VERSION;
  s.sendingCommand = phase == PHASE_COMMAND;
  s.requestsWaiting = c->requestQueue->HasMessages() || RawCommandsWaiting(c) != 0;
  s.panTiltAsked = !PanTiltQuestionsOpen(c);
  s.selectionWaiting = c->pendingSelection.load() >= 0;
  s.sendTick = c->sendTick.load();
  s.workerSteps = c->workerSteps.load();
  s.camera = c->camera.load();
  s.line = c->line.load();
  s.model = s.camera >= 0 && s.camera < kMaxCameras ? int32_t{c->cameras[s.camera].modelCode} : 0;
  return s;
}

uint32_t EngineVideoFormat(const CameraSnapshot& r) { return VideoFormatOfRegister(r.modelCode, r.videoOutReg); }

void EngineWake(CameraController* c) { c->workEvent.Set(); }

uint32_t EngineTraceNewest(const CameraController* c) { return TraceNewest(c); }

bool EngineTraceRead(const CameraController* c, uint32_t id, TraceLines* out) {
  TraceEntry e;
  if (!TraceRead(c, id, &e)) return false;
  FormatTraceLine(e, TRACE_NAMED, out->named, kTraceLineChars);
  FormatTraceLine(e, TRACE_PLAIN, out->plain, kTraceLineChars);
  out->rawOutcome = e.code == TX_RAW_COMMAND && e.kind != TRACE_SENT;
  return true;
}

SerialChannel* EngineOpenSerialLine(int32_t index) { return OpenCameraChannel(index); }

namespace {

MoveResult PutMovement(CameraController* c, int32_t index, const Movement& m) {
  if (!c || index < 0 || index >= c->cameraCount.load() || index >= kMaxCameras) return MOVE_NO_CAMERA;
  if (c->cameras[index].panTilt == 0) return MOVE_NO_PAN_TILT;
  c->movements[index].pending.store(PackMovement(m));
  c->movementsPut.store(true);
  c->workEvent.Set();
  return MOVE_PUT;
}

int32_t SpeedByteRange(int32_t speed) {
  return speed > kHighestSpeed ? kHighestSpeed : speed < -kHighestSpeed ? -kHighestSpeed : speed;
}

}  // namespace

MoveResult EngineDrive(CameraController* c, int32_t index, int32_t panSpeed, int32_t tiltSpeed) {
  Movement m;
  m.kind = MOVEMENT_DRIVE;
  m.panSpeed = SpeedByteRange(panSpeed);
  m.tiltSpeed = SpeedByteRange(tiltSpeed);
  return PutMovement(c, index, m);
}

MoveResult EngineHome(CameraController* c, int32_t index) {
  Movement m;
  m.kind = MOVEMENT_HOME;
  return PutMovement(c, index, m);
}

MoveResult EngineGoTo(CameraController* c, int32_t index, int32_t pan, int32_t tilt, int32_t panSpeed,
                      int32_t tiltSpeed) {
  if (!FitsAbsolutePosition(pan) || !FitsAbsolutePosition(tilt)) return MOVE_OUT_OF_RANGE;
  Movement m;
  m.kind = MOVEMENT_ABSOLUTE;
  m.pan = pan;
  m.tilt = tilt;
  m.panSpeed = SpeedByteRange(panSpeed < 1 ? 1 : panSpeed);
  m.tiltSpeed = SpeedByteRange(tiltSpeed < 1 ? 1 : tiltSpeed);
  return PutMovement(c, index, m);
}
