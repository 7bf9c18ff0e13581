#include "engine/discovery/discovery.h"

#include "engine/conversation/engine_state.h"
#include "engine/conversation/transaction_table.h"
#include "engine/conversation/transmission.h"
#include "engine/core/line_name.h"
#include "engine/core/panel_hooks.h"
#include "engine/discovery/network_lines.h"
#include "requests/visca_packet.h"

#include <cstring>

namespace {

const uint8_t kAddressSet[] = {0x88, 0x30, 0x01, 0xFF};
const uint8_t kInterfaceClear[] = {0x88, 0x01, 0x00, 0x01, 0xFF};
// A network line with one camera at address 1 is checked by asking it who it is.
const uint8_t kVersionInquiry[] = {0x81, 0x09, 0x00, 0x02, 0xFF};
constexpr uint8_t kReplyOfAddress1 = 0x90;
// An address-set echo has at least this many bytes.
constexpr uint32_t kMinEchoLength = 4;
// A line that keeps answering the address set with short echoes is given up
// after this many port checks, so discovery always reaches the other ports.
constexpr int32_t kMaxLineChecks = 5;

// Broadcasts (and a datagram line's check) are built in packetBuffer and go
// straight to the channel.
void WriteBroadcast(CameraController* c, const uint8_t* bytes, int32_t length) {
  memcpy(c->packetBuffer, bytes, static_cast<size_t>(length));
  PutOnLine(c, TX_NONE, c->packetBuffer, length);
}

// One record per camera announced, never more than the table has room for.
void CreateRecords(CameraController* c, int32_t announced) {
  int32_t count = c->cameraCount.load();
  if (announced > kMaxCameras - count) announced = kMaxCameras - count;
  for (int32_t i = 0; i < announced; i++) {
    CameraRecord& record = c->cameras[count];
    record = CameraRecord{};
    record.line = c->line.load();
    record.address = i + 1;
    count++;
    c->cameraCount = count;
  }
}

// Moves on to the next open line in service, or ends discovery after the
// last one; a lost line is checked once it is back.
void AdvanceLine(CameraController* c) {
  c->lineChecks = 0;
  for (int32_t line = c->line.load() + 1; line < kChannelCount; line++) {
    if (c->channels[line] && !c->events->lineOutOfService(c, line)) {
      c->line = line;
      BeginLineCheck(c);
      return;
    }
  }
  c->line = -1;
  EnterPhase(c, PHASE_DISCOVERY_DONE);
}

// The one camera of a datagram line answered its check from address 1; a
// line checked again initialises its camera again. An error in place of the
// answer is no camera there yet.
void HandleDatagramCheck(CameraController* c) {
  if (c->packetBuffer[0] != kReplyOfAddress1 || (c->packetBuffer[1] & kReplyKindMask) == kError) {
    EnterPhase(c, PHASE_LINE_CHECK);  // the phase step checks the line again
    return;
  }
  if (!c->events->echoCounted(c, 1)) CreateRecords(c, 1);
  if (!c->events->interfaceCleared(c)) AdvanceLine(c);
}

}  // namespace

int32_t AnnouncedCameras(const uint8_t* echo, uint32_t length) {
  if (length < kMinEchoLength) return 0;
  const int32_t announced = static_cast<int32_t>(echo[length - 2]) - 1;
  if (announced < 0) return 0;
  return announced > kMaxCamerasPerLine ? kMaxCamerasPerLine : announced;
}

void StartupPhase(CameraController* c) {
  switch (c->followUp.load()) {
    case 0: {
      if (OsTickCount() - c->sendTick.load() > kStartupDelayMs) EnterPhase(c, PHASE_STARTUP, 1);
      break;
    }
    case 1:
      EnterPhase(c, PHASE_STARTUP, 2);
      break;
    default:
      c->lineChecks = 0;
      if (c->line.load() < 0) {
        for (int32_t i = 0; i < kChannelCount; i++) {
          if (c->channels[i] && !c->events->lineOutOfService(c, i)) {
            c->line = i;
            break;
          }
        }
      }
      // No port opened at all: discovery ends at once with no camera.
      if (c->line.load() < 0) {
        EnterPhase(c, PHASE_DISCOVERY_DONE);
      } else {
        BeginLineCheck(c);
      }
      break;
  }
}

void LineCheckStep(CameraController* c) {
  if (c->lineChecks >= kMaxLineChecks) {
    CloseLineWithoutCameras(c);
    return;
  }
  c->lineChecks++;
  c->events->lineAddressed(c, c->line.load());
  if (!c->events->quietCheck(c)) ShowStatus(c, "Checking %s...", NameOfLine(c->line.load()).text);
  if (IsDatagramLine(c, c->line.load())) {
    WriteBroadcast(c, kVersionInquiry, sizeof kVersionInquiry);
  } else {
    WriteBroadcast(c, kAddressSet, sizeof kAddressSet);
  }
  AwaitEcho(c, PHASE_LINE_CHECK);
}

void HandleBroadcastEcho(CameraController* c) {
  int32_t announced = 0;
  if (c->events->notAnEcho(c)) return;
  switch (c->phase.load()) {
    case PHASE_LINE_CHECK:
      if (IsDatagramLine(c, c->line.load())) {
        HandleDatagramCheck(c);
        return;
      }
      if (c->packetLength < kMinEchoLength) {
        EnterPhase(c, PHASE_LINE_CHECK);  // the phase step checks the line again
        return;
      }
      announced = AnnouncedCameras(c->packetBuffer, c->packetLength);
      if (!c->events->echoCounted(c, announced)) CreateRecords(c, announced);
      WriteBroadcast(c, kInterfaceClear, sizeof kInterfaceClear);
      AwaitEcho(c, PHASE_NEXT_LINE);
      break;
    case PHASE_NEXT_LINE:
      if (!c->events->interfaceCleared(c)) AdvanceLine(c);
      break;
    default:
      break;
  }
}

void FillCameraList(CameraController* c) {
  const int32_t count = c->cameraCount.load();
  for (int32_t i = 0; i < count; i++) Hooks(c).addCamera(c, i);
  c->events->listFilled(c);
  c->listReady = 1;
}

void PassOverLine(CameraController* c) { AdvanceLine(c); }

void CloseLineWithoutCameras(CameraController* c) {
  if (c->events->nobodyAnswered(c)) return;
  CloseChannel(c, c->line.load());
  AdvanceLine(c);
}

void DiscoveryFinished(CameraController* c) {
  c->events->discoveryOver(c);
  int32_t count = c->cameraCount.load();
  ShowStatus(c, "Found %d camer%s", count, count == 1 ? "a" : "as");
  if (count > 0) {
    c->initialising = true;
    c->camera = 0;
    EnterPhase(c, PHASE_INIT_CAMERA);
  } else {
    c->line = -1;
    EnterPhase(c, PHASE_IDLE);
  }
}

void InitialiseCamera(CameraController* c) {
  int32_t camera = c->camera.load();
  if (camera < 0 || camera >= c->cameraCount.load() || !c->events->initialisationBegins(c, camera)) {
    EnterPhase(c, PHASE_CAMERA_DONE);
    return;
  }
  SetCurrentCamera(c, camera);
  c->movements[camera].probeDue = true;  // once every camera is done, if it is of another make
  ShowStatus(c, "Initializing camera %d...", camera + 1);
  SendTransaction(c, TX_ASK_VERSION);
}

void CameraInitialised(CameraController* c) {
  c->events->cameraInitialised(c, c->camera.load());
  int32_t camera = c->camera.load() + 1;
  int32_t count = c->cameraCount.load();
  if (camera < count) {
    c->camera = camera;
    EnterPhase(c, PHASE_INIT_CAMERA);
    return;
  }
  c->initialising = false;
  RestoreSelection(c);
  if (c->events->initialisationEnded(c)) return;
  ShowStatus(c, "%d Cameras OK, none selected", count);
  FinishTransaction(c);
  // The list is filled once; initialising again keeps its entries.
  if (c->listReady.load() == 0) FillCameraList(c);
}

void BeginLineCheck(CameraController* c) {
  const SerialChannel* channel = NetworkChannel(c, c->line.load());
  if (!channel || channel->NetworkLineUp()) return EnterPhase(c, PHASE_LINE_CHECK);
  c->lineWaitTick = OsTickCount();
  EnterPhase(c, PHASE_LINE_WAIT);
}

void AwaitLine(CameraController* c) {
  const int32_t line = c->line.load();
  const SerialChannel* channel = NetworkChannel(c, line);
  if (!channel || channel->NetworkLineUp()) return EnterPhase(c, PHASE_LINE_CHECK);
  if (c->networkLines[line - kSerialLineCount].failed || OsTickCount() - c->lineWaitTick > kLineUpWaitMs)
    CloseLineWithoutCameras(c);
}
