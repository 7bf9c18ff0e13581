#include "engine/worker/link_service.h"

#include "engine/conversation/engine_state.h"
#include "engine/conversation/transmission.h"
#include "engine/core/engine_channel.h"
#include "engine/core/panel_hooks.h"
#include "engine/discovery/discovery.h"
#include "engine/discovery/network_lines.h"
#include "engine/dispatch/inquiry_answers.h"
#include "engine/motion/motion.h"
#include "engine/trace/traffic_trace.h"
#include "engine/worker/phase_table.h"
#include "requests/visca_packet.h"

#include <cstring>

namespace {

enum ReadResult { READ_NONE, READ_PACKET, READ_SKIPPED };

SerialChannel* CurrentChannel(CameraController* c) {
  int32_t line = c->line.load();
  if (line < 0 || line >= kChannelCount) return nullptr;
  return c->channels[line];
}

// Takes the next packet of the current line into packetBuffer. The bytes
// behind the packet are cleared, so a handler that reads a fixed byte of a
// short reply finds 0 there rather than a byte of an earlier packet. Noise
// cut off ahead of a packet is traced and passed over.
ReadResult ReadPacket(CameraController* c) {
  SerialChannel* channel = CurrentChannel(c);
  if (!channel) return READ_NONE;
  uint32_t length = 0;
  const FrameReadResult read = channel->ReadFrame(c->packetBuffer, kPacketCapacity, &length);
  if (read == FRAME_NONE) return READ_NONE;
  if (read == FRAME_TOO_LONG) {
    TraceReceived(c, nullptr, length);
    return READ_SKIPPED;
  }
  TraceReceived(c, c->packetBuffer, length);
  if (IsNoise(c->packetBuffer, length)) return READ_SKIPPED;
  c->packetLength = length;
  memset(c->packetBuffer + length, 0, sizeof c->packetBuffer - length);
  return READ_PACKET;
}

// An error with this code goes on as the awaited reply; any other ends the
// transaction, or only the refused step of a camera's chain.
constexpr uint8_t kErrorPassedOn = 0x41;

// An error reply while a command sent right before the one in flight still
// owes its replies is that earlier command's last word: it owes nothing more,
// and the transaction in flight goes on. Before any acknowledge the error
// stands in for the earlier command's; after one (taken as the awaited
// acknowledge) the later command's acknowledge is the one still due.
bool ErrorOfEarlierCommand(CameraController* c, int32_t stage) {
  if (c->extraCompletions == 0) return false;
  if (stage == STAGE_ACK && c->extraAcks > 0) c->extraAcks--;
  c->extraCompletions--;
  return true;
}

// A typed command may be answered without an acknowledge: an interface
// clear by its completion alone, a refused one by an error 41. Either ends it,
// as its other replies do; it is no refusal of the engine's own commands.
bool EndsRawCommand(CameraController* c, uint8_t kind) {
  const uint8_t k = kind & kReplyKindMask;
  return c->transaction.load() == TX_RAW_COMMAND && (k == kCompletion || k == kError);
}

void AwaitAcknowledge(CameraController* c, uint8_t kind) {
  if ((kind & kReplyKindMask) == kAcknowledge) {
    AwaitCompletion(c);
  } else if (EndsRawCommand(c, kind)) {
    AbandonTransaction(c);
  } else if (c->reinitOnNack.load() == 1) {
    RestartInitialisation(c);
  } else {
    ShowStatus(c, "No ACK-c (%02X)", kind);
  }
}

void AwaitCompletionReply(CameraController* c, uint8_t kind) {
  // Replies of the earlier command of a pair leave the wait as it was.
  if ((kind & kReplyKindMask) == kAcknowledge && c->extraAcks > 0) {
    c->extraAcks--;
    return;
  }
  if ((kind & kReplyKindMask) == kCompletion && c->extraCompletions > 0) {
    c->extraCompletions--;
    return;
  }
  ShortenTimeout(c);
  if ((kind & kReplyKindMask) == kCompletion) {
    StopAwaiting(c);
    HandleCompletion(c);
  } else {
    ShowStatus(c, "No Complete (%02X)", kind);
  }
}

void HandlePacket(CameraController* c) {
  if (MotionTakesReply(c)) return;
  uint8_t kind = c->packetBuffer[1];
  int32_t stage = c->stage.load();
  if ((kind & kReplyKindMask) == kError) {
    ShowErrorAnswer(c);
    // With nothing awaited the message is all an error does; a line checked
    // again keeps waiting for its echo.
    if (stage == STAGE_NONE || ErrorOfEarlierCommand(c, stage)) return;
    if (stage == STAGE_ECHO && c->events->notAnEcho(c)) return;
    // A datagram line's check takes it as no answer and goes on.
    const bool lineCheck = stage == STAGE_ECHO && IsDatagramLine(c, c->line.load());
    if (c->packetBuffer[2] != kErrorPassedOn && !lineCheck) {
      if (!PassOverRefusedStep(c)) AbandonTransaction(c);
      return;
    }
  }
  switch (stage) {
    case STAGE_ACK:
      AwaitAcknowledge(c, kind);
      break;
    case STAGE_COMPLETION:
      AwaitCompletionReply(c, kind);
      break;
    case STAGE_ANSWER:
      if (c->packetLength >= kMinAnswerLength) HandleAnswer(c);
      break;
    case STAGE_ECHO:
      HandleBroadcastEcho(c);
      break;
    default:
      break;
  }
}

void ReadLoop(CameraController* c) {
  for (int32_t n = 0; n < kMaxFramesPerStep; n++) {
    ReadResult result = ReadPacket(c);
    if (result == READ_NONE) return;
    if (result != READ_PACKET || !c->events->packetTaken(c)) continue;
    if (!TakeMovementReply(c, c->line.load(), c->packetBuffer, c->packetLength)) HandlePacket(c);
  }
}

// The transaction ends once its time-out has passed. Counting unsigned, a
// reply that stays away longer than 5000 ms (after an acknowledge, or in a
// re-reading, or when the worker was held up that long) still ends it.
void CheckTimeout(CameraController* c) {
  if (c->stage.load() == STAGE_NONE) return;
  uint32_t now = OsTickCount();
  int32_t limit = c->timeoutMs.load();
  if (now - c->sendTick.load() <= static_cast<uint32_t>(limit < 0 ? 0 : limit)) return;
  TraceNoReply(c);
  if (c->phase.load() == PHASE_LINE_CHECK) {
    // No camera answered the address set: this port is closed for good.
    CloseLineWithoutCameras(c);
    c->sendTick = now;
    return;
  }
  c->events->replyOverdue(c);
  // What still comes for the message given up must not pass for the next
  // one's reply: given up first, so a reply taken after the reset is named late.
  if (SerialChannel* channel = CurrentChannel(c)) {
    channel->GiveUpNetworkMessages();
    channel->ResetBuffers(true, true);
  }
  AbandonTransaction(c);
}

}  // namespace

void LinkServiceStep(CameraController* c) {
  ReadLoop(c);
  CheckTimeout(c);
  PhaseStep(c);
}
