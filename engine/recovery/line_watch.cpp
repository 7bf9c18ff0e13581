// Watching the lines: a port whose device went away is closed at once and the
// work on it ends; it is opened again every second and settles before it is
// checked; a network change waits out its delay.
#include "engine/conversation/engine_state.h"
#include "engine/core/line_name.h"
#include "engine/core/panel_hooks.h"
#include "engine/discovery/discovery.h"
#include "engine/motion/motion.h"
#include "engine/recovery/line_recovery.h"
#include "engine/recovery/line_recovery_state.h"
#include "engine/trace/traffic_trace.h"
#include "requests/visca_packet.h"

namespace {

// The sender's half of a packet's header.
constexpr uint8_t kSenderMask = 0xF0;

void Narrow(uint32_t left, uint32_t* wait) {
  if (left < *wait) *wait = left;
}

// The initialisation of every camera (at start-up, or after a refusal) goes on
// with the next camera; what the cut-short transaction left is cleared as an
// abort does.
void SkipToNextCamera(CameraController* c) {
  const int32_t camera = c->camera.load();
  EndAbort(c);
  c->initialising = true;
  c->camera = camera;
  EnterPhase(c, PHASE_CAMERA_DONE);
}

// Whatever the engine was doing on `line` ends at once.
void EndWorkOnLine(CameraController* c, int32_t line) {
  if (c->recovery.activeLine == line) {
    c->recovery.activeLine = -1;
    c->recovery.startedCamera = -1;
    AbandonTransaction(c);
    return;
  }
  if (c->line.load() != line) return;
  const EnginePhase phase = c->phase.load();
  const bool inTransaction = c->transaction.load() != TX_NONE;
  if (phase == PHASE_LINE_CHECK || phase == PHASE_NEXT_LINE || phase == PHASE_LINE_WAIT) {
    PassOverLine(c);  // discovery goes on; the line is checked once it is back
  } else if (inTransaction && c->initialising) {
    c->recovery.startedCamera = -1;
    SkipToNextCamera(c);
  } else if (inTransaction) {
    AbandonTransaction(c);
  }
}

void MarkLineLost(CameraController* c, int32_t line, uint32_t now) {
  LineWatch& w = c->recovery.lines[line];
  w.state = LINE_LOST;
  w.since = now;
  w.networkChange = false;
  ShowStatus(c, "%s lost", NameOfLine(line).text);
  for (int32_t i = 0; i < c->cameraCount.load(); i++)
    if (c->cameras[i].line == line) SetSilent(c, i, true);
  EndWorkOnLine(c, line);
}

// A driver that never lets go of a request keeps the old port until exit;
// opening it again then fails once a second, as for a device not there.
void LineLost(CameraController* c, int32_t line, uint32_t now) {
  const bool leftOpen = c->channels[line]->CloseLine() == CLOSE_LEFT_TO_EXIT;
  MarkLineLost(c, line, now);
  if (leftOpen) ShowStatus(c, "%s does not close; left open until exit", NameOfLine(line).text);
}

// Only a COM port is opened again by the engine: a network line connects
// again by itself, and the engine only waits for it.
bool IsComPort(const CameraController* c, int32_t line) { return !c->channels[line]->IsNetworkLine(); }

void TryAgain(CameraController* c, int32_t line, uint32_t now) {
  LineWatch& w = c->recovery.lines[line];
  w.since = now;
  const uint32_t comNumber = static_cast<uint32_t>(line + 1);
  if (c->channels[line]->OpenComPort(comNumber) == OPEN_DONE) w.state = LINE_SETTLING;
}

// Every frame of a line the engine is not reading now, where no reply is
// awaited: network changes are noted, the rest (noise, a stray packet) only
// traced, so none is left to hide the changes behind it.
void TakeFramesAside(CameraController* c, int32_t line, uint32_t now) {
  SerialChannel* channel = c->channels[line];
  uint8_t frame[kPacketCapacity + 1];
  for (int32_t n = 0; n < kMaxFramesPerStep && channel->HasReceivedFrame(); n++) {
    uint32_t length = 0;
    const FrameReadResult read = channel->ReadFrame(frame, kPacketCapacity, &length);
    if (read == FRAME_NONE) return;  // the line went away meanwhile
    const bool copied = read == FRAME_TAKEN;
    TraceReceivedAside(c, line, copied ? frame : nullptr, length);
    if (copied && TakeMovementReply(c, line, frame, length)) continue;
    if (copied && IsNetworkChange(frame, length)) NoteNetworkChange(c, line, now);
  }
}

void WatchLine(CameraController* c, int32_t line, uint32_t now) {
  LineWatch& w = c->recovery.lines[line];
  if (c->channels[line] && c->channels[line]->IsLost()) LineLost(c, line, now);
  SerialChannel* channel = c->channels[line];
  if (!channel) {
    w = LineWatch{};  // closed for good: discovery found no camera there
    return;
  }
  if (w.state == LINE_LOST && IsComPort(c, line) && now - w.since >= kReopenEveryMs) TryAgain(c, line, now);
  if (w.state == LINE_SETTLING && now - w.since > kReopenSettleMs) MakeCheckDue(w, false);
  if (line != c->line.load()) TakeFramesAside(c, line, now);
  // One that runs out while the line is being checked waits for the check's end.
  if (w.networkChange && now - w.networkChangeTick > kNetworkChangeDelayMs && w.state != LINE_CHECKING) {
    w.networkChange = false;
    if (w.state == LINE_UP) MakeCheckDue(w, false);
  }
  // A daisy chain is a ring: one camera switched off silences the whole line.
  if (w.state == LINE_UP && w.silentCount > 0 && now - w.lastReplyTick > kSilentLineCheckMs &&
      now - w.lastCheckTick >= kSilentLineCheckMs)
    MakeCheckDue(w, true);
}

// A packet with the controller's own header came back round the chain: it was
// for a camera not there, and is nobody's reply (a broadcast's echo aside),
// so it shows neither that camera nor its line answering.
bool OwnPacketBack(const CameraController* c) {
  return c->stage.load() != STAGE_ECHO && (c->packetBuffer[0] & kSenderMask) == kHeaderBase;
}

}  // namespace

bool IsNetworkChange(const uint8_t* packet, uint32_t length) {
  return length == 3 && (packet[0] & 0x8F) == 0x80 && packet[1] == 0x38 && packet[2] == 0xFF;
}

// Further network changes while one waits out its delay change nothing.
void NoteNetworkChange(CameraController* c, int32_t line, uint32_t now) {
  LineWatch& w = c->recovery.lines[line];
  if (w.networkChange) return;
  w.networkChange = true;
  w.networkChangeTick = now;
}

bool LineOutOfService(const CameraController* c, int32_t line) {
  if (line < 0 || line >= kChannelCount) return false;
  return c->recovery.lines[line].state == LINE_LOST || c->recovery.lines[line].state == LINE_SETTLING;
}

void NoteDiscoveryCheck(CameraController* c, int32_t line) {
  if (line >= 0 && line < kChannelCount && c->recovery.lines[line].state == LINE_CHECK_DUE)
    c->recovery.lines[line].state = LINE_UP;
}

void NoteDiscoveryOver(CameraController* c) { c->recovery.discoveryOver = true; }

void ResetLineRecovery(CameraController* c) {
  c->recovery = LineRecovery{};
  ClearMarks(c);
}

void NetworkLineLost(CameraController* c, int32_t line) {
  if (c->recovery.lines[line].state != LINE_LOST) MarkLineLost(c, line, OsTickCount());
}

void NetworkLineBack(CameraController* c, int32_t line) {
  LineWatch& w = c->recovery.lines[line];
  if (w.state != LINE_LOST) return;
  w.state = LINE_SETTLING;
  w.since = OsTickCount();
}

void LineRecoveryStep(CameraController* c) {
  const uint32_t now = OsTickCount();
  for (int32_t line = 0; line < kChannelCount; line++) WatchLine(c, line, now);
  NoticeAbortedRecovery(c);
  SyncListEntries(c);
  StartDueCheck(c, now);
  ProbeSilentCamera(c, now);
}

bool LineRecoveryTakesTurn(CameraController* c) {
  NoticeAbortedRecovery(c);
  StartDueCheck(c, OsTickCount());
  return c->phase.load() != PHASE_IDLE;
}

void LineRecoveryDeadline(CameraController* c, uint32_t now, uint32_t* wait) {
  if ((c->recovery.listDirty && c->listReady.load() != 0) || (c->recovery.activeLine >= 0 && EngineFree(c))) *wait = 0;
  for (int32_t line = 0; line < kChannelCount; line++) {
    const LineWatch& w = c->recovery.lines[line];
    if (!c->channels[line]) continue;
    if (c->channels[line]->IsLost() || (w.state == LINE_CHECK_DUE && CheckCanStart(c))) *wait = 0;
    if (w.state == LINE_LOST && IsComPort(c, line)) Narrow(MsLeft(now, w.since, kReopenEveryMs - 1), wait);
    if (w.state == LINE_SETTLING) Narrow(MsLeft(now, w.since, kReopenSettleMs), wait);
    if (w.networkChange && w.state != LINE_CHECKING)
      Narrow(MsLeft(now, w.networkChangeTick, kNetworkChangeDelayMs), wait);
    if (w.state == LINE_UP && w.silentCount > 0) {
      const uint32_t quiet = MsLeft(now, w.lastReplyTick, kSilentLineCheckMs);
      const uint32_t spaced = MsLeft(now, w.lastCheckTick, kSilentLineCheckMs - 1);
      Narrow(quiet > spaced ? quiet : spaced, wait);
    }
  }
  ProbeDeadline(c, now, wait);
}

bool NoteReceivedPacket(CameraController* c) {
  const int32_t line = c->line.load();
  if (line < 0 || line >= kChannelCount) return true;
  const uint32_t now = OsTickCount();
  if (IsNetworkChange(c->packetBuffer, c->packetLength)) {
    NoteNetworkChange(c, line, now);
    return false;
  }
  if (OwnPacketBack(c)) return false;
  c->recovery.lines[line].lastReplyTick = now;
  NoteCameraAnswered(c);
  return true;
}
