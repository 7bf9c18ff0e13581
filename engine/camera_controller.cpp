#include "engine/camera_controller.h"

#include "common/text.h"
#include "engine/link_service.h"
#include "engine/transmission.h"
#include "platform/winapi.h"
#include "engine/dispatch_request.h"

#include <cstring>
#include <new>

uint8_t packetBuffer[kPacketCapacity + 1];
uint32_t packetLength;
std::atomic<uint32_t> lastRxTick{0};
uint8_t reinitChain;
uint8_t brightStep;
uint8_t extraAcks;
uint8_t extraCompletions;
std::atomic<uint8_t> reinitOnNack{1};

namespace {

std::atomic<PanelRefreshHandler> panelRefresh{nullptr};

// Frees what creation took; the worker must no longer run.
void ReleaseResources(CameraController* c) {
  for (int32_t i = 0; i < kChannelCount; i++) {
    delete c->channels[i];
    c->channels[i] = nullptr;
  }
  delete c->requestQueue;
  c->requestQueue = nullptr;
  delete c->notifyQueue;
  c->notifyQueue = nullptr;
}

// Focus, then brightness (gain for model 0x40), then two empty turns, each at
// least 201 ms after the previous transmission of any kind.
void IdlePoll(CameraController* c, int32_t* pollCounter) {
  uint32_t now = OsTickCount();
  if (now - c->sendTick.load() <= 200 || c->cameraSelected.load() == 0 || c->listReady.load() == 0) return;
  switch (*pollCounter) {
    case 0:
      c->followUp = 4;
      SendPacket(c, 23, 0x09, 0x04, 0x48, -1);
      break;
    case 1:
      c->followUp = 5;
      SendPacket(c, 27, 0x09, 0x04, c->GetModel() == 0x40 ? 0x4C : 0x4D, -1);
      break;
    default:
      break;
  }
  *pollCounter = (*pollCounter + 1) % 4;
}

}  // namespace

int32_t CameraController::GetModel() const {
  int32_t i = camera.load();
  if (i < 0 || i >= kMaxCameras) return 0;
  return cameras[i].modelCode;
}

CameraRecord& CameraController::Current() {
  int32_t i = camera.load();
  return cameras[(i >= 0 && i < kMaxCameras) ? i : 0];
}

void SelectCamera(CameraController* c, int32_t index) {
  if (index < 0 || index >= c->cameraCount.load()) return;
  c->camera = index;
  c->port = c->cameras[index].port;
  c->cameraSelected = 1;
  reinitOnNack = 0;
}

void SetPanelRefreshHandler(PanelRefreshHandler handler) { panelRefresh.store(handler); }

void RunPanelRefresh(CameraController* c, int32_t cameraIndex) {
  PanelRefreshHandler handler = panelRefresh.load();
  if (handler) handler(c, cameraIndex);
}

CameraController* CreateCameraController(WorkerStart start) {
  SetStatus("Searching for cameras...");
  CameraController* c = new (std::nothrow) CameraController;
  if (!c) return nullptr;
  memset(packetBuffer, 0, sizeof packetBuffer);
  packetLength = 0;
  reinitChain = 0;
  brightStep = 0;
  extraAcks = 0;
  extraCompletions = 0;
  reinitOnNack = 1;
  c->timeoutMs = 200;
  c->stopEvent.Create(true, false);
  c->notifyQueue = new (std::nothrow) RequestQueue(kQueueCapacity);
  c->requestQueue = new (std::nothrow) RequestQueue(kQueueCapacity);
  if (!c->stopEvent.IsValid() || !c->notifyQueue || !c->requestQueue || !c->notifyQueue->IsValid() ||
      !c->requestQueue->IsValid()) {
    ReleaseResources(c);
    delete c;
    return nullptr;
  }
  // 1 ms waits must really last 1 ms for the whole life of the worker.
  OsBeginFineTimer();
  c->port = -1;
  uint32_t now = OsTickCount();
  lastRxTick = now;
  c->sendTick = now;
  for (int32_t i = 0; i < kChannelCount; i++) {
    SerialChannel* channel = new (std::nothrow) SerialChannel;
    if (!channel) continue;
    channel->SetOption(1, 38400);
    channel->SetOption(2, 4);
    channel->SetCallback(6, PacketEndTest);
    if (channel->OpenPort(static_cast<uint32_t>(i + 1)) != 0) {
      delete channel;
      continue;
    }
    c->channels[i] = channel;
    if (c->port.load() < 0) c->port = i;
  }
  OsSleep(50);
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
  // panel refresh), so serve those calls while waiting. Channels and queues
  // stay until the worker has really ended, however long that takes.
  while (!c->thread.Join(1)) DispatchIncomingSentMessages();
  ReleaseResources(c);
  OsEndFineTimer();
  delete c;
}

void WorkerBegin(CameraController* c) {
  c->mode = 5;
  c->followUp = 0;
  c->stage = 0;
  c->port = -1;
}

void WorkerStep(CameraController* c, int32_t* pollCounter) {
  LinkServiceStep(c);
  if (c->mode.load() == 0) DispatchRequest(c);
  if (c->mode.load() == 0) IdlePoll(c, pollCounter);
}

uint32_t CameraWorkerThread(void* param) {
  CameraController* c = static_cast<CameraController*>(param);
  if (!c) return 0;
  WorkerBegin(c);
  int32_t pollCounter = 0;
  for (;;) {
    int result = c->stopEvent.Wait(1);
    if (result == 0) return 0;
    if (result == OS_WAIT_TIMEOUT)
      WorkerStep(c, &pollCounter);
    else
      OsSleep(1);  // a failing wait must not spin the processor
  }
}
