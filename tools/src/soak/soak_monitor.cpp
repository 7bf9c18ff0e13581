#include "tools/src/soak/soak_monitor.h"

#include "engine/engine_state.h"
#include "platform/os.h"

namespace {

constexpr uint32_t kSampleMs = 2;

void Raise(std::atomic<uint32_t>& longest, uint32_t value) {
  if (value > longest.load()) longest.store(value);
}

}  // namespace

SoakMonitor::SoakMonitor(CameraController* controller, SoakChecker* check, std::mutex* lock)
    : c(controller), checker(check), checkerLock(lock) {}

void SoakMonitor::Start() {
  spanStart = OsTickCount();
  thread = std::thread([this] { Run(); });
}

void SoakMonitor::Stop() {
  stop = true;
  if (thread.joinable()) thread.join();
}

// Busy: out of idle with no new command begun. Each request the engine takes
// begins with its command (an acknowledge awaited), and so does each step of
// initialisation, so back-to-back requests, and the cameras of a
// re-initialisation, count one by one.
void SoakMonitor::Sample(uint32_t now) {
  int32_t mode = StateNumber(c);
  int32_t stage = c->stage.load();
  uint32_t sent = c->sendTick.load();
  if (stage == STAGE_ACK && sent != lastCommandTick) {
    lastCommandTick = sent;
    if (static_cast<int32_t>(sent - spanStart) > 0) spanStart = sent;
  }
  if (mode == PHASE_IDLE) {
    spanStart = now;
  } else if (static_cast<int32_t>(now - spanStart) > 0) {
    Raise(longestBusy, now - spanStart);
  }
  if (stage != STAGE_NONE && static_cast<int32_t>(now - sent) > 0) Raise(longestWait, now - sent);
  // A camera's initialisation runs from its version inquiry to idle, to a
  // request's command or to the next camera's version inquiry.
  bool versionAsked = mode == TX_ASK_VERSION && lastMode != TX_ASK_VERSION;
  if (initRunning && (versionAsked || mode == PHASE_IDLE || mode == TX_COMMAND)) {
    Raise(longestInit, now - initStart);
    initRunning = false;
  }
  if (versionAsked) {
    initRunning = true;
    initStart = now;
    initialisations++;
  }
  lastMode = mode;
  std::lock_guard<std::mutex> guard(*checkerLock);
  for (int i = 0; i < checker->CameraCount(); i++) {
    const CameraRecord& r = c->cameras[i];
    checker->ObserveFields(i, r.aperture, r.rGain, r.bGain);
    checker->ObserveModel(i, r.modelCode, now, mode);
  }
}

void SoakMonitor::Run() {
  while (!stop) {
    Sample(OsTickCount());
    OsSleep(kSampleMs);
  }
}
