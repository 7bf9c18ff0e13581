#include "engine/link_service.h"

#include "engine/discovery.h"
#include "engine/engine_state.h"
#include "engine/inquiry_answers.h"
#include "engine/panel_hooks.h"
#include "engine/read_back.h"

#include <cstring>

namespace {

// A receive ring holds at most this many frames (each takes two bytes or
// more), so one step never reads longer than what had already arrived.
constexpr int32_t kMaxPacketsPerStep = static_cast<int32_t>(SerialChannel::kRingSize / 2);

enum ReadResult { READ_NONE, READ_PACKET, READ_SKIPPED };

SerialChannel* CurrentChannel(CameraController* c) {
  int32_t port = c->port.load();
  if (port < 0 || port >= kChannelCount) return nullptr;
  return c->channels[port];
}

// Takes the next packet of the current port into packetBuffer. The bytes
// behind the packet are cleared, so a handler that reads a fixed byte of a
// short reply finds 0 there rather than a byte of an earlier packet.
ReadResult ReadPacket(CameraController* c) {
  SerialChannel* channel = CurrentChannel(c);
  if (!channel) return READ_NONE;
  uint32_t length = 0;
  if (channel->ReadFrame(packetBuffer, kPacketCapacity, &length) != 0)
    return length > static_cast<uint32_t>(kPacketCapacity) ? READ_SKIPPED : READ_NONE;
  packetLength = length;
  memset(packetBuffer + length, 0, sizeof packetBuffer - length);
  return READ_PACKET;
}

// Reply kinds, in the high half of byte 1.
constexpr uint8_t kKindMask = 0xF0;
constexpr uint8_t kAcknowledge = 0x40;
constexpr uint8_t kCompletion = 0x50;
constexpr uint8_t kError = 0x60;
// An error with this code goes on as the awaited reply; any other ends the transaction.
constexpr uint8_t kErrorPassedOn = 0x41;
// Answers carry at least one data byte; anything shorter (a late acknowledge
// or completion, a network-change packet) is never an answer.
constexpr uint32_t kMinAnswerLength = 4;

constexpr int32_t kAckTimeoutMs = 10000;
constexpr int32_t kCompletionTimeoutMs = 400;

// An error reply while a command sent right before the one in flight still
// owes its replies is that earlier command's last word: it owes nothing more,
// and the transaction in flight goes on. Before any acknowledge the error
// stands in for the earlier command's; after one (taken as the awaited
// acknowledge) the later command's acknowledge is the one still due.
bool ErrorOfEarlierCommand(int32_t stage) {
  if (extraCompletions == 0) return false;
  if (stage == STAGE_ACK && extraAcks > 0) extraAcks--;
  extraCompletions--;
  return true;
}

void AwaitAcknowledge(CameraController* c, uint8_t kind) {
  if ((kind & kKindMask) == kAcknowledge) {
    AwaitCompletion(c);
    c->timeoutMs = kAckTimeoutMs;
  } else if (reinitOnNack.load() == 1) {
    EnterPhase(c, MODE_DISCOVERY_DONE);
    c->timeoutMs = kAckTimeoutMs;
  } else {
    ShowStatus("No ACK-c (%02X)", kind);
  }
}

void AwaitCompletionReply(CameraController* c, uint8_t kind) {
  // Replies of the earlier command of a pair leave the wait as it was.
  if ((kind & kKindMask) == kAcknowledge && extraAcks > 0) {
    extraAcks--;
    return;
  }
  if ((kind & kKindMask) == kCompletion && extraCompletions > 0) {
    extraCompletions--;
    return;
  }
  c->timeoutMs = kCompletionTimeoutMs;
  if ((kind & kKindMask) == kCompletion) {
    StopAwaiting(c);
    HandleCompletion(c);
  } else {
    ShowStatus("No Complete (%02X)", kind);
  }
}

void HandlePacket(CameraController* c) {
  uint8_t kind = packetBuffer[1];
  int32_t stage = c->stage.load();
  if ((kind & kKindMask) == kError) {
    ShowStatus("Err Answer %X, COM%d, Cam:%d p.Mode:%d", kind, c->port.load() + 1, c->camera.load() + 1,
               c->mode.load());
    // With nothing awaited the message is all an error does.
    if (stage == STAGE_NONE || ErrorOfEarlierCommand(stage)) return;
    if (packetBuffer[2] != kErrorPassedOn) {
      AbandonTransaction(c);
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
      if (packetLength >= kMinAnswerLength) HandleAnswer(c);
      break;
    case STAGE_ECHO:
      HandleBroadcastEcho(c);
      break;
    default:
      break;
  }
}

void ReadLoop(CameraController* c) {
  for (int32_t n = 0; n < kMaxPacketsPerStep; n++) {
    ReadResult result = ReadPacket(c);
    if (result == READ_NONE) return;
    if (result == READ_PACKET) HandlePacket(c);
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
  if (c->mode.load() == MODE_PORT_CHECK) {
    // No camera answered the address set: this port is closed for good.
    ClosePortWithoutCameras(c);
    c->sendTick = now;
    return;
  }
  if (SerialChannel* channel = CurrentChannel(c)) channel->ResetBuffers(true, true);
  AbandonTransaction(c);
}

void PhaseStep(CameraController* c) {
  switch (c->mode.load()) {
    case MODE_PORT_CHECK:
      if (c->stage.load() == STAGE_NONE) PortCheck(c);
      break;
    case MODE_ABORT:
      EndAbort(c);
      break;
    case MODE_DISCOVERY_DONE:
      DiscoveryFinished(c);
      break;
    case MODE_STARTUP:
      StartupPhase(c);
      break;
    case MODE_INIT_CAMERA:
      InitialiseCamera(c);
      break;
    case MODE_CAMERA_DONE:
      CameraInitialised(c);
      break;
    case MODE_COMMAND:
      if (c->stage.load() == STAGE_NONE) ReadBackStep(c);
      break;
    default:
      break;
  }
}

}  // namespace

void LinkServiceStep(CameraController* c) {
  ReadLoop(c);
  CheckTimeout(c);
  PhaseStep(c);
}
