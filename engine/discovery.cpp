#include "engine/discovery.h"

#include "common/control_ids.h"
#include "common/text.h"
#include "engine/link_service.h"
#include "engine/transmission.h"
#include "platform/winapi.h"

#include <cstdio>
#include <cstring>

namespace {

const uint8_t kAddressSet[] = {0x88, 0x30, 0x01, 0xFF};
const uint8_t kInterfaceClear[] = {0x88, 0x01, 0x00, 0x01, 0xFF};

// Broadcasts are built in packetBuffer and go straight to the channel.
void WriteBroadcast(CameraController* c, const uint8_t* bytes, int32_t length) {
  memcpy(packetBuffer, bytes, static_cast<size_t>(length));
  c->sendTick = OsTickCount();
  int32_t port = c->port.load();
  if (port >= 0 && port < kChannelCount && c->channels[port]) c->channels[port]->WriteFrame(packetBuffer, length);
}

// One record per camera the echo announces, at most 7 for a line and never
// more than the table has room for.
void CreateRecords(CameraController* c, int32_t announced) {
  int32_t count = c->cameraCount.load();
  if (announced > kMaxCamerasPerPort) announced = kMaxCamerasPerPort;
  if (announced > kMaxCameras - count) announced = kMaxCameras - count;
  for (int32_t i = 0; i < announced; i++) {
    CameraRecord& record = c->cameras[count];
    memset(&record, 0, sizeof record);
    record.port = c->port.load();
    record.address = i + 1;
    count++;
    c->cameraCount = count;
  }
}

}  // namespace

void StartupPhase(CameraController* c) {
  switch (c->followUp.load()) {
    case 0: {
      int32_t elapsed = static_cast<int32_t>(OsTickCount() - c->sendTick.load());
      if (elapsed > 50 || elapsed < 0) c->followUp = 1;
      break;
    }
    case 1:
      c->followUp = 2;
      break;
    default:
      if (c->port.load() < 0) {
        for (int32_t i = 0; i < kChannelCount; i++) {
          if (c->channels[i]) {
            c->port = i;
            break;
          }
        }
      }
      c->followUp = 0;
      if (c->port.load() < 0) {
        // No port opened at all: discovery ends at once with no camera.
        c->stage = STAGE_NONE;
        c->mode = MODE_DISCOVERY_DONE;
      } else {
        c->mode = MODE_PORT_CHECK;
      }
      break;
  }
}

void PortCheck(CameraController* c) {
  SetStatus("Checking COM%d...", c->port.load() + 1);
  WriteBroadcast(c, kAddressSet, sizeof kAddressSet);
  c->stage = STAGE_ECHO;
}

void HandleBroadcastEcho(CameraController* c) {
  switch (c->mode.load()) {
    case MODE_PORT_CHECK:
      if (packetLength < 4) {
        c->stage = STAGE_NONE;  // checked again on the next step
        return;
      }
      CreateRecords(c, static_cast<int32_t>(packetBuffer[packetLength - 2]) - 1);
      WriteBroadcast(c, kInterfaceClear, sizeof kInterfaceClear);
      c->mode = MODE_NEXT_PORT;
      c->stage = STAGE_ECHO;
      break;
    case MODE_NEXT_PORT:
      AdvancePort(c);
      break;
    default:
      break;
  }
}

void AdvancePort(CameraController* c) {
  int32_t port = c->port.load();
  for (;;) {
    port++;
    if (port >= kChannelCount) {
      c->mode = MODE_DISCOVERY_DONE;
      c->stage = STAGE_NONE;
      c->followUp = 0;
      c->port = -1;
      return;
    }
    if (c->channels[port]) {
      c->port = port;
      c->mode = MODE_PORT_CHECK;
      c->stage = STAGE_NONE;
      c->followUp = 0;
      return;
    }
  }
}

void DiscoveryFinished(CameraController* c) {
  int32_t count = c->cameraCount.load();
  SetStatus("Found %d camer%s", count, count == 1 ? "a" : "as");
  if (count > 0) {
    c->camera = 0;
    c->mode = MODE_INIT_CAMERA;
    c->followUp = 0;
    c->stage = STAGE_NONE;
  } else {
    c->port = -1;
    c->mode = MODE_IDLE;
    c->stage = STAGE_NONE;
    c->followUp = 0;
  }
}

void InitialiseCamera(CameraController* c) {
  int32_t camera = c->camera.load();
  if (camera < 0 || camera >= c->cameraCount.load()) {
    c->mode = MODE_CAMERA_DONE;
    return;
  }
  c->port = c->cameras[camera].port;
  SetStatus("Initializing camera %d...", camera + 1);
  SendPacket(c, 70, 0x09, 0x00, 0x02, -1);
}

void CameraInitialised(CameraController* c) {
  int32_t camera = c->camera.load() + 1;
  int32_t count = c->cameraCount.load();
  c->camera = camera;
  if (camera < count) {
    c->mode = MODE_INIT_CAMERA;
    return;
  }
  c->camera = 0;
  SetStatus("%d Cameras OK, none selected", count);
  c->stage = STAGE_NONE;
  c->followUp = 0;
  c->mode = MODE_IDLE;
  for (int32_t i = 0; i < count; i++) {
    char* text = reinterpret_cast<char*>(packetBuffer);
    snprintf(text, sizeof packetBuffer, "Camera %d", i + 1);
    SendDlgItemMessageA(hPage[0], IDC_CAMERA_LIST, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text));
  }
  c->listReady = 1;
}

void HandleCompletion(CameraController* c) {
  int32_t code = c->mode.load();
  switch (code) {
    case MODE_COMMAND:
      return;  // its read-back follows in the phase step
    case 10:
    case 11:
    case 15:
    case 16:
    case 60:
    case 61:
    case 62:
    case 63:
    case 65:
    case 66:
      break;
    default:
      c->mode = MODE_ABORT;
      c->stage = STAGE_NONE;
      c->followUp = 0;
      return;
  }
  // The same codes sent for a user command (a preset save) end here.
  if (c->followUp.load() != 0) {
    FinishTransaction(c);
    return;
  }
  const CameraRecord& record = c->Current();
  int32_t model = record.modelCode;
  bool wide = IsWideRangeModel(model);
  switch (code) {
    case 63:
      SendPacket(c, 10, 0x01, 0x04, 0x3F, 0x02, record.lastPreset == 0 ? 0x01 : (record.lastPreset & 0xFF), -1);
      break;
    case 10:
      if (wide)
        SendPacket(c, 11, 0x01, 0x04, 0x36, 0x00, -1);
      else
        SendPacket(c, 11, 0x01, 0x04, 0x06, 0x03, -1);
      break;
    case 11:
      if (wide)
        SendPacket(c, 65, 0x01, 0x04, 0x74, 0x3F, -1);
      else
        SendPacket(c, 15, 0x01, 0x04, 0x3E, 0x02, -1);
      break;
    case 65:
      if (model == 0x5F || model == 0x5C)
        SendPacket(c, 61, 0x01, 0x04, 0x3E, 0x02, -1);
      else
        SendPacket(c, 66, 0x01, 0x04, 0x53, 0x03, -1);
      break;
    case 66:
      SendPacket(c, 61, 0x01, 0x04, 0x3E, 0x02, -1);
      break;
    case 61:
      SendPacket(c, 62, 0x01, 0x04, 0x2C, 0x07, -1);
      break;
    case 62:
      SendPacket(c, 60, 0x01, 0x04, 0x28, 0x0E, 0x05, 0x00, 0x00, -1);
      break;
    case 60:
      if (wide)
        SendPacket(c, 15, 0x01, 0x04, 0x06, 0x03, -1);
      else
        SendPacket(c, 15, 0x01, 0x04, 0x26, 0x00, -1);
      break;
    case 15:
      SendPacket(c, 16, 0x01, 0x04, 0x3F, 0x01, 0x7F, -1);
      break;
    case 16:
      SendPacket(c, 20, 0x09, 0x04, 0x00, -1);
      break;
    default:
      break;
  }
}
