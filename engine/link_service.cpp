#include "engine/link_service.h"

#include "common/text.h"
#include "engine/discovery.h"
#include "engine/inquiry_answers.h"

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

void HandlePacket(CameraController* c) {
  uint8_t kind = packetBuffer[1];
  if ((kind & 0xF0) == 0x60) {
    SetStatus("Err Answer %X, COM%d, Cam:%d p.Mode:%d", kind, c->port.load() + 1, c->camera.load() + 1, c->mode.load());
    // Error 0x41 goes on as the awaited reply; any other ends the transaction.
    if (packetBuffer[2] != 0x41) {
      c->stage = STAGE_NONE;
      c->mode = MODE_ABORT;
    }
  }
  switch (c->stage.load()) {
    case STAGE_ACK:
      if ((kind & 0xF0) == 0x40) {
        c->stage = STAGE_COMPLETION;
        c->timeoutMs = 10000;
      } else if (reinitOnNack.load() == 1) {
        c->mode = MODE_DISCOVERY_DONE;
        c->timeoutMs = 10000;
      } else {
        SetStatus("No ACK-c (%02X)", kind);
      }
      break;
    case STAGE_COMPLETION:
      // Replies of the earlier command of a pair leave the wait as it was.
      if ((kind & 0xF0) == 0x40 && extraAcks > 0) {
        extraAcks--;
        break;
      }
      if ((kind & 0xF0) == 0x50 && extraCompletions > 0) {
        extraCompletions--;
        break;
      }
      c->timeoutMs = 400;
      if ((kind & 0xF0) == 0x50) {
        c->stage = STAGE_NONE;
        HandleCompletion(c);
      } else {
        SetStatus("No Complete (%02X)", kind);
      }
      break;
    case STAGE_ANSWER:
      // A three-byte acknowledge or completion is a late reply to a command,
      // never an answer (answers carry at least one data byte).
      if (packetLength == 3 && ((kind & 0xF0) == 0x40 || (kind & 0xF0) == 0x50)) break;
      HandleAnswer(c);
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
    int32_t port = c->port.load();
    if (port >= 0 && port < kChannelCount) {
      delete c->channels[port];
      c->channels[port] = nullptr;
    }
    AdvancePort(c);
    c->sendTick = now;
    return;
  }
  if (SerialChannel* channel = CurrentChannel(c)) channel->ResetBuffers(true, true);
  c->stage = STAGE_NONE;
  c->mode = MODE_ABORT;
}

void PhaseStep(CameraController* c) {
  switch (c->mode.load()) {
    case MODE_PORT_CHECK:
      if (c->stage.load() == STAGE_NONE) PortCheck(c);
      break;
    case MODE_ABORT:
      c->mode = MODE_IDLE;
      c->followUp = 0;
      c->stage = STAGE_NONE;
      // A two-step brightness read cut short must not leave its second step armed.
      brightStep = 0;
      extraAcks = 0;
      extraCompletions = 0;
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

void FinishTransaction(CameraController* c) {
  c->stage = STAGE_NONE;
  c->followUp = 0;
  c->mode = MODE_IDLE;
}

void AbortTransaction(CameraController* c) {
  c->mode = MODE_ABORT;
  c->stage = STAGE_NONE;
}

void LinkServiceStep(CameraController* c) {
  ReadLoop(c);
  CheckTimeout(c);
  PhaseStep(c);
}
