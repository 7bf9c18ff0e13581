#include "engine/camera_controller.h"

#include "engine/discovery.h"
#include "engine/dispatch_request.h"
#include "engine/engine_state.h"
#include "engine/line_name.h"
#include "engine/line_recovery.h"
#include "engine/link_service.h"
#include "engine/network_lines.h"
#include "engine/next_deadline.h"
#include "engine/panel_hooks.h"
#include "engine/raw_command.h"
#include "engine/read_back.h"
#include "engine/traffic_trace.h"
#include "engine/transaction_table.h"
#include "engine/transmission.h"
#include "net/net_line.h"
#include "requests/request_codes.h"

#include <chrono>
#include <new>

namespace {

constexpr uint32_t kBaudRate = 38400;
constexpr int32_t kPollTurns = 4;
// Creation waits this long after opening the ports.
constexpr uint32_t kOpenSettleMs = 50;
// Teardown serves the worker's calls into the panel this often while it waits.
constexpr uint32_t kStopTurnMs = 1;
// The worker may itself be closing a port when it is told to stop.
static_assert(kWorkerStopWaitMs > kCloseWaitMs, "the worker's own close must fit in its stop wait");

// The controller whose panel refresh of a re-reading this thread runs (null:
// none): the selection that refresh makes is the camera already current,
// never a click.
thread_local const CameraController* refreshing = nullptr;

// A channel set up as the engine speaks: 38400 baud, the packet-end test
// cutting frames; not open yet.
SerialChannel* NewEngineChannel() {
  SerialChannel* channel = new (std::nothrow) SerialChannel;
  if (!channel) return nullptr;
  channel->SetOption(OPTION_BAUD_RATE, kBaudRate);
  channel->SetOption(OPTION_FRAMING, FRAMING_CALLBACK_ONLY);
  channel->SetCallback(OPTION_FRAME_END, PacketEndTest);
  return channel;
}

// Frees what creation took; the worker must no longer run.
void ReleaseResources(CameraController* c) {
  for (int32_t i = 0; i < kChannelCount; i++) CloseChannel(c, i);
  delete c->requestQueue;
  c->requestQueue = nullptr;
  delete c->notifyQueue;
  c->notifyQueue = nullptr;
}

// Focus, then brightness (gain for model 0x40), then two empty turns, each at
// least 201 ms after the previous transmission of any kind.
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
    default:
      break;
  }
  *pollCounter = (*pollCounter + 1) % kPollTurns;
}

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

SerialChannel* OpenCameraChannel(int32_t line) {
  const uint32_t comNumber = static_cast<uint32_t>(line + 1);
  SerialChannel* channel = NewEngineChannel();
  if (channel && channel->OpenPort(comNumber) != 0) {
    delete channel;
    return nullptr;
  }
  return channel;
}

SerialChannel* OpenNetworkChannel(const NetLineConfig& config) {
  SerialChannel* channel = NewEngineChannel();
  if (channel && channel->OpenLine(NetLineOpener(config)) != OPEN_DONE) {
    delete channel;
    return nullptr;
  }
  return channel;
}

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

void CloseChannel(CameraController* c, int32_t line) {
  if (line < 0 || line >= kChannelCount) return;
  SerialChannel* channel = c->channels[line];
  c->channels[line] = nullptr;
  if (!channel) return;
  channel->SetReceiveSignal(nullptr);  // the controller may go before a channel left open
  if (channel->ClosePort() != CLOSE_LEFT_TO_EXIT) {
    delete channel;
    return;
  }
  // Its I/O thread may still run inside the driver: the channel stays too.
  ShowStatus(c, "%s does not close; left open until exit", NameOfLine(line).text);
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
  if (c->phase.load() != PHASE_IDLE) return;
  ApplySelection(c);
  if (LineRecoveryTakesTurn(c)) return;
  DispatchRequest(c);
  if (c->phase.load() == PHASE_IDLE) IdlePoll(c, pollCounter);
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
