#include "engine/worker/worker.h"

#include "engine/conversation/command_window.h"
#include "engine/conversation/engine_state.h"
#include "engine/conversation/transaction_table.h"
#include "engine/core/engine_channel.h"
#include "engine/core/panel_hooks.h"
#include "engine/discovery/network_lines.h"
#include "engine/dispatch/dispatch_request.h"
#include "engine/motion/motion.h"
#include "engine/recovery/line_recovery.h"
#include "engine/trace/traffic_trace.h"
#include "engine/worker/link_service.h"
#include "engine/worker/next_deadline.h"
#include "requests/request_codes.h"

#include <chrono>
#include <new>

namespace {

constexpr int32_t kPollTurns = 4;
// Creation waits this long after opening the ports.
constexpr uint32_t kOpenSettleMs = 50;
// Teardown serves the worker's calls into the panel this often while it waits.
constexpr uint32_t kStopTurnMs = 1;
// The worker may itself be closing a port when it is told to stop.
static_assert(kWorkerStopWaitMs > kCloseWaitMs, "the worker's own close must fit in its stop wait");

// Frees what creation took; the worker must no longer run.
void ReleaseResources(CameraController* c) {
  for (int32_t i = 0; i < kChannelCount; i++) CloseChannel(c, i);
  delete c->requestQueue;
  c->requestQueue = nullptr;
  delete c->notifyQueue;
  c->notifyQueue = nullptr;
}

// Focus, then brightness (gain for model 0x40), then the position of a
// pan/tilt camera, then an empty turn, each at least 201 ms after the previous
// transmission of any kind.
void IdlePoll(CameraController* c, int32_t* pollCounter) {
  uint32_t now = OsTickCount();
  if (now - c->sendTick.load() <= c->events->pollSpacingMs(c) || c->cameraSelected.load() == 0 ||
      c->listReady.load() == 0)
    return;
  if (c->pollTurnTaken && c->pollTurnTick == now) return;
  c->pollTurnTaken = true;
  c->pollTurnTick = now;
  // The selected camera, even when the last request named another one.
  int32_t polled = c->selectedCamera >= 0 ? c->selectedCamera : c->camera.load();
  if (c->events->cameraMissing(c, polled)) return;
  switch (*pollCounter) {
    case 0:
      BeginWork(c, REQ_FOCUS_DIRECT, polled);
      SendTransaction(c, TX_ASK_FOCUS);
      break;
    case 1:
      BeginWork(c, REQ_EXPOSURE_LEVEL, polled);
      SendTransaction(c, TX_ASK_BRIGHTNESS);
      break;
    case 2:
      AskPosition(c, polled);  // a camera without pan/tilt keeps the turn empty
      break;
    default:
      break;
  }
  *pollCounter = (*pollCounter + 1) % kPollTurns;
}

}  // namespace

CameraController* CreateCameraController(WorkerStart start, const NetConfig* network, const PanelHooks* hooks) {
  CameraController* c = new (std::nothrow) CameraController;
  if (!c) return nullptr;
  if (hooks) InstallPanelHooks(c, *hooks);
  ShowStatus(c, "Searching for cameras...");
  TraceReset(c);
  InstallLineRecovery(c);
  ResetConversation(c);
  c->stopEvent.Create(true, false);
  c->workEvent.Create(false, false);
  c->notifyQueue = new (std::nothrow) RequestQueue(kQueueCapacity);
  c->requestQueue = new (std::nothrow) RequestQueue(kQueueCapacity);
  if (!c->stopEvent.IsValid() || !c->workEvent.IsValid() || !c->notifyQueue || !c->requestQueue ||
      !c->notifyQueue->IsValid() || !c->requestQueue->IsValid()) {
    ReleaseResources(c);
    delete c;
    return nullptr;
  }
  c->requestQueue->SetPutSignal(&c->workEvent);
  // The worker's sleeps must end at their deadline, not at the next ~15.6 ms
  // clock tick, for the whole life of the worker.
  OsBeginFineTimer();
  c->line = -1;
  c->sendTick = OsTickCount();
  for (int32_t i = 0; i < kSerialLineCount; i++) {
    c->channels[i] = OpenCameraChannel(i);
    if (!c->channels[i]) continue;
    c->channels[i]->SetReceiveSignal(&c->workEvent);
    if (c->line.load() < 0) c->line = i;
  }
  if (network) OpenNetworkLines(c, *network);
  OsSleep(kOpenSettleMs);
  if (start == WORKER_THREAD && !c->thread.Start(CameraWorkerThread, c)) {
    ReleaseResources(c);
    OsEndFineTimer();
    delete c;
    return nullptr;
  }
  return c;
}

void DestroyCameraController(CameraController* c) {
  if (!c) return;
  c->stopEvent.Set();
  // The worker may be waiting on this thread's windows (status line, list,
  // panel refresh), so serve those calls while waiting. The bound is real
  // time: a test's virtual tick stands still, and a short wait may return early.
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(kWorkerStopWaitMs);
  while (!c->thread.Join(kStopTurnMs)) {
    Hooks(c).serveWorker(c);
    if (std::chrono::steady_clock::now() >= deadline) {
      ShowStatus(c, "The engine does not stop; left running until exit");
      return;
    }
  }
  ReleaseResources(c);
  OsEndFineTimer();
  delete c;
}

void WorkerBegin(CameraController* c) {
  EnterPhase(c, PHASE_STARTUP);
  c->line = -1;
}

void WorkerStep(CameraController* c, int32_t* pollCounter) {
  TakeNetworkEvents(c);
  LineRecoveryStep(c);
  ExpireCommandWindow(c);
  LinkServiceStep(c);
  if (c->phase.load() != PHASE_IDLE || StopBeforeSelection(c)) return;
  ApplySelection(c);
  // A movement goes out ahead of everything waiting, so a stop is never held up.
  if (ServeMovements(c) || LineRecoveryTakesTurn(c)) return;
  DispatchRequest(c);
  if (c->phase.load() == PHASE_IDLE && !ProbeCameras(c)) IdlePoll(c, pollCounter);
}

uint32_t CameraWorkerThread(void* param) {
  CameraController* c = static_cast<CameraController*>(param);
  if (!c) return 0;
  WorkerBegin(c);
  int32_t pollCounter = 0;
  OsEvent* const events[2] = {&c->stopEvent, &c->workEvent};
  for (;;) {
    const int result = OsWaitAny(events, 2, WorkerWaitMs(c));
    if (result == 0) return 0;
    if (result == OS_WAIT_FAILED) {
      OsSleep(1);  // a failing wait must not spin the processor
      continue;
    }
    c->workerSteps.fetch_add(1, std::memory_order_relaxed);
    WorkerStep(c, &pollCounter);
  }
}
