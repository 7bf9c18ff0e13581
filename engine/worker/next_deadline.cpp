#include "engine/worker/next_deadline.h"

#include "engine/conversation/engine_state.h"
#include "engine/discovery/discovery.h"
#include "engine/discovery/network_lines.h"
#include "engine/motion/motion.h"
#include "engine/recovery/line_recovery.h"
#include "engine/worker/phase_table.h"

namespace {

// Narrows `*wait` to the time left until more than `afterMs` have passed since `since`.
void Until(uint32_t now, uint32_t since, uint32_t afterMs, uint32_t* wait) {
  const uint32_t elapsed = now - since;
  const uint32_t left = elapsed > afterMs ? 0 : afterMs + 1 - elapsed;
  if (left < *wait) *wait = left;
}

bool CurrentLineHasFrame(const CameraController* c) {
  const int32_t line = c->line.load();
  if (line < 0 || line >= kChannelCount || c->channels[line] == nullptr) return false;
  return c->channels[line]->HasReceivedFrame();
}

}  // namespace

uint32_t NextDeadline(CameraController* c) {
  if (CurrentLineHasFrame(c)) return 0;
  const uint32_t now = OsTickCount();
  const uint32_t sent = c->sendTick.load();
  const int32_t stage = c->stage.load();
  uint32_t wait = kMaxWorkerWaitMs;
  if (stage != STAGE_NONE) {
    const int32_t limit = c->timeoutMs.load();
    Until(now, sent, static_cast<uint32_t>(limit < 0 ? 0 : limit), &wait);
  }
  switch (PhaseOf(c->phase.load()).wake) {
    case WAKE_FOR_WORK:
      if (c->pendingSelection.load(std::memory_order_acquire) >= 0 || c->requestQueue->HasMessages() ||
          MotionHasWork(c))
        return 0;
      if (c->cameraSelected.load() != 0 && c->listReady.load() != 0)
        Until(now, sent, c->events->pollSpacingMs(c), &wait);
      break;
    case WAKE_AFTER_START_DELAY:
      if (c->followUp.load() != 0) return 0;
      Until(now, sent, kStartupDelayMs, &wait);
      break;
    case WAKE_WHEN_NOT_WAITING:
      if (stage == STAGE_NONE) return 0;
      break;
    case WAKE_AT_ONCE:
      return 0;
    case WAKE_ON_LINE:
      Until(now, c->lineWaitTick, kLineUpWaitMs, &wait);
      break;
    default:
      break;
  }
  LineRecoveryDeadline(c, now, &wait);
  return wait;
}

uint32_t WorkerWaitMs(CameraController* c) {
  const uint32_t wait = NextDeadline(c);
  return wait < kWorkerStepMs ? kWorkerStepMs : wait;
}
