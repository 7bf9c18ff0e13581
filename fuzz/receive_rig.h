// The receive fuzz target's rig: one controller reused for every input, its
// lines COM1..COM3 without I/O threads, the starting points, the operations
// an input is made of, and the invariants. See receive_fuzz.cpp for the input.
#pragma once

#include "engine/conversation/command_window.h"
#include "engine/conversation/engine_state.h"
#include "engine/conversation/transaction_table.h"
#include "engine/conversation/transmission.h"
#include "engine/core/camera_controller.h"
#include "engine/core/engine_channel.h"
#include "engine/core/panel_hooks.h"
#include "engine/discovery/discovery.h"
#include "engine/dispatch/read_back.h"
#include "engine/trace/traffic_trace.h"
#include "engine/worker/link_service.h"
#include "engine/worker/next_deadline.h"
#include "engine/worker/worker.h"
#include "requests/request_codes.h"
#include "serial/serial_port.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

namespace receive_rig {

constexpr int32_t kLines = 3;  // COM1..COM3 open, the rest absent
constexpr uint32_t kStartTick = 100000;
constexpr uint32_t kTickNearWrap = 0xFFFFF000u;  // wraps within the first few seconds
constexpr int32_t kRingNearEnd = 1000;           // the rings' next records wrap
constexpr int32_t kMaxSteps = 6000;              // per input, so every input stays short
constexpr int32_t kMaxRequests = 8;
// While nothing is awaited the drain moves the clock in steps this long
// (longer than the start-up delay); a reply awaited, straight to its time-out.
constexpr uint32_t kPhaseJumpMs = 60;
constexpr uint32_t kIdleWithinMs = static_cast<uint32_t>(kAckTimeoutMs) + 2 * kPhaseJumpMs;
constexpr int32_t kMaxDrainSteps = 2000;

const uint32_t kJumps[32] = {1,    2,    5,    10,   20,   49,    50,    51,    100,   150,        199,
                             200,  201,  250,  299,  300,  399,   400,   401,   999,   1000,       1001,
                             2000, 4999, 5000, 5001, 9999, 10000, 10001, 30000, 65536, 0x80000000u};

const int32_t kModels[8] = {0x40, 0x4B, 0x5C, 0x5F, 0x66, 0x67, 0x45, 0x00};

enum StartKind {
  START_UP,
  START_PORT_CHECK,
  START_NEXT_PORT,
  START_FOUND,
  START_IDLE,
  START_COMMAND,
  START_TRANSACTION
};

struct Start {
  StartKind kind;
  int32_t code;  // START_TRANSACTION: the transaction in flight
};

// Every phase a reply can meet: discovery, each step of initialisation and of
// the setting chain, idle polling, a dispatcher command.
const Start kStarts[] = {
    {START_UP, 0},
    {START_PORT_CHECK, 0},
    {START_NEXT_PORT, 0},
    {START_FOUND, 0},
    {START_IDLE, 0},
    {START_COMMAND, 0},
    {START_TRANSACTION, TX_ASK_VERSION},
    {START_TRANSACTION, TX_ASK_LAST_PRESET},
    {START_TRANSACTION, TX_POWER_ON},
    {START_TRANSACTION, TX_RECALL_PRESET},
    {START_TRANSACTION, TX_DIGITAL_ZOOM},
    {START_TRANSACTION, TX_INIT_WIDE_1},
    {START_TRANSACTION, TX_INIT_WIDE_2},
    {START_TRANSACTION, TX_INIT_EXP_COMP},
    {START_TRANSACTION, TX_INIT_WIDE_3},
    {START_TRANSACTION, TX_INIT_WIDE_4},
    {START_TRANSACTION, TX_INIT_SETTING},
    {START_TRANSACTION, TX_STORE_HOME},
    {START_TRANSACTION, TX_ASK_POWER},
    {START_TRANSACTION, TX_ASK_ZOOM},
    {START_TRANSACTION, TX_ASK_FOCUS},
    {START_TRANSACTION, TX_ASK_SHUTTER},
    {START_TRANSACTION, TX_ASK_IRIS_AT_START},
    {START_TRANSACTION, TX_ASK_GAIN},
    {START_TRANSACTION, TX_ASK_BRIGHTNESS},
    {START_TRANSACTION, TX_ASK_FOCUS_MODE},
    {START_TRANSACTION, TX_ASK_EFFECT},
    {START_TRANSACTION, TX_ASK_FLIP},
    {START_TRANSACTION, TX_ASK_APERTURE},
    {START_TRANSACTION, TX_ASK_WHITE_BALANCE},
    {START_TRANSACTION, TX_ASK_B_GAIN},
    {START_TRANSACTION, TX_ASK_R_GAIN},
    {START_TRANSACTION, TX_ASK_GAMMA},
    {START_TRANSACTION, TX_ASK_VIDEO_OUT},
    {START_TRANSACTION, TX_ASK_AE_MODE},
    {START_TRANSACTION, TX_ASK_EXP_COMP},
    {START_TRANSACTION, TX_ASK_MODEL},
    {START_TRANSACTION, TX_ASK_IR_CUT},
    {START_TRANSACTION, TX_REPORT_IR_CUT},
    {START_TRANSACTION, TX_ASK_IRIS},
    {START_TRANSACTION, TX_ASK_FREEZE},
};
constexpr int32_t kStartCount = static_cast<int32_t>(sizeof kStarts / sizeof kStarts[0]);

// Set-up byte. Bits 6 and 7 also give the number of cameras, 1 + (setup >> 6) % 3.
constexpr uint8_t kModelBits = 0x07;  // the first camera's model in kModels, the next ones follow
constexpr uint8_t kIrisChecked = 0x08;
constexpr uint8_t kAutoChecked = 0x10;
constexpr uint8_t kAwaitCompletion = 0x20;  // a command in flight already acknowledged
constexpr uint8_t kRereading = 0x40;        // a chain transaction belongs to a re-reading
constexpr uint8_t kBrightMode = 0x40;       // idle or a command: the cameras in brightness mode
constexpr uint8_t kNearWrap = 0x80;         // the clock and the rings near their wrap

// Operations.
constexpr uint8_t kOpMask = 0xC0;
constexpr uint8_t kOpData = 0x00;
constexpr uint8_t kOpSteps = 0x40;
constexpr uint8_t kOpJump = 0x80;
constexpr uint8_t kMiscMask = 0xF0;
constexpr uint8_t kOpLine = 0xC0;
constexpr uint8_t kOpRequest = 0xD0;
constexpr uint8_t kOpSelect = 0xE0;
constexpr uint8_t kOpPanel = 0xF0;
constexpr uint8_t kRepeatFlag = 0x08;        // in kOpPanel: a burst instead of check boxes
constexpr int32_t kMaxRepeatedBytes = 2048;  // twice a ring, and cheap

uint32_t virtualTick = kStartTick;
uint32_t VirtualTick() { return virtualTick; }

[[noreturn]] void Broken(const char* what, CameraController* c) {
  fprintf(stderr, "receive: %s (mode %d stage %d followUp %d port %d camera %d count %d timeout %d since send %u)\n",
          what, StateNumber(c), c->stage.load(), c->followUp.load(), c->line.load(), c->camera.load(),
          c->cameraCount.load(), c->timeoutMs.load(), virtualTick - c->sendTick.load());
  __builtin_trap();
}

struct Rig {
  CameraController* c = nullptr;
  int32_t pollCounter = 0;
  int32_t steps = 0;
  int32_t line = 0;
  int32_t requests = 0;
  int32_t checkedCount = 0;  // cameraCount when the records were last checked
  int32_t repeated = 0;      // bytes delivered by bursts
};

Rig* rig = nullptr;

// The panel as the engine sees it: the two exposure boxes the input sets,
// and a refresh of a re-reading that selects the camera, as the panel's does.
bool irisChecked = false;
bool autoChecked = false;
void RefreshSelects(CameraController* c, int32_t index) { SelectCamera(c, index); }

PanelHooks Panel() {
  PanelHooks hooks;
  hooks.refreshPanel = RefreshSelects;
  hooks.irisChecked = [](CameraController*) { return irisChecked; };
  hooks.autoExposureChecked = [](CameraController*) { return autoChecked; };
  return hooks;
}

void SetChecks(bool iris, bool autoExposure) {
  irisChecked = iris;
  autoChecked = autoExposure;
}

// One controller for every run, on lines whose far ends are `peers`.
void SetUpOnce(SerialPeer* const* peers) {
  OsSetTickSourceForTest(VirtualTick);
  SerialChannel::SetManualIoForTest(true);
  for (uint32_t n = 1; n <= kChannelCount; n++) SerialPortSetDevice(n, "");
  rig = new Rig;
  for (int32_t i = 0; i < kLines; i++) SerialPortSetPeer(static_cast<uint32_t>(i + 1), peers[i]);
  const PanelHooks hooks = Panel();
  rig->c = CreateCameraController(WORKER_MANUAL, nullptr, &hooks);
  if (!rig->c) {
    fprintf(stderr, "receive: no controller\n");
    abort();
  }
}

// The controller as creation leaves it, its closed lines open again.
void ResetController(CameraController* c, uint32_t tick) {
  c->reinitOnNack = 1;
  TraceReset(c);
  uint32_t a, b, d, e;
  while (c->notifyQueue->TryGet(a, b, d, e)) {
  }
  while (c->requestQueue->TryGet(a, b, d, e)) {
  }
  for (CameraRecord& r : c->cameras) r = CameraRecord{};
  for (int32_t i = 0; i < kLines; i++) {
    if (!c->channels[i]) c->channels[i] = OpenCameraChannel(i);
    if (!c->channels[i]) {
      fprintf(stderr, "receive: COM%d does not open again\n", i + 1);
      abort();
    }
    c->channels[i]->ResetBuffers(true, true);
  }
  virtualTick = tick;
  c->sendTick = tick;
  c->cmdTick = 0;
  ResetConversation(c);
  c->cmdWindowOpen = false;
  c->line = 0;
  c->camera = 0;
  c->cameraCount = 0;
  c->cameraSelected = 0;
  c->listReady = 0;
  c->pendingSelection = -1;
  c->selectedCamera = -1;
  c->initialising = false;
}

// Cameras as discovery files them: two on COM1, the third on COM2.
void AddCameras(CameraController* c, uint8_t setup) {
  const int32_t ports[] = {0, 0, 1};
  const int32_t addresses[] = {1, 2, 1};
  int32_t count = 1 + (setup >> 6) % 3;
  for (int32_t i = 0; i < count; i++) {
    c->cameras[i].line = ports[i];
    c->cameras[i].address = addresses[i];
    c->cameras[i].modelCode = kModels[(setup + i) & kModelBits];
    c->cameras[i].lastPreset = i;
  }
  c->cameraCount = count;
}

// Ready with camera 0 selected: the list filled, a refusal no longer restarts
// initialisation, and the poll may ask as soon as the line has been quiet. The
// set-up may leave the cameras in brightness mode (model 0x40 then sends its
// brightness as two commands back to back).
void MakeReady(CameraController* c, uint8_t setup) {
  if (setup & kBrightMode)
    for (int32_t i = 0; i < c->cameraCount.load(); i++) c->cameras[i].aeMode = AE_BRIGHT;
  c->listReady = 1;
  c->cameraSelected = 1;
  c->selectedCamera = 0;
  SetCurrentCamera(c, 0);
  c->reinitOnNack = 0;
  c->sendTick = virtualTick - kPollSpacingMs - 1;
}

// What the engine queued goes out, so its transmit rings never fill.
void SendQueued(CameraController* c) {
  for (int32_t i = 0; i < kLines; i++)
    if (c->channels[i]) c->channels[i]->SendQueuedForTest();
}

void Step() {
  virtualTick++;
  WorkerStep(rig->c, &rig->pollCounter);
  SendQueued(rig->c);
  rig->steps++;
}

void ApplyStart(const uint8_t* data, size_t size) {
  CameraController* c = rig->c;
  const uint8_t setup = size > 1 ? data[1] : 0;
  const int32_t request = size > 2 ? data[2] : 0;
  const Start& start = kStarts[size > 0 ? data[0] % kStartCount : 0];
  ResetController(c, (setup & kNearWrap) ? kTickNearWrap : kStartTick);
  if (setup & kNearWrap)
    for (int32_t i = 0; i < kLines; i++) c->channels[i]->SetIndicesForTest(kRingNearEnd, kRingNearEnd);
  SetChecks((setup & kIrisChecked) != 0, (setup & kAutoChecked) != 0);
  rig->pollCounter = 0;
  rig->steps = 0;
  rig->requests = 0;
  rig->checkedCount = 0;
  rig->repeated = 0;
  rig->line = 0;
  switch (start.kind) {
    case START_UP:
      WorkerBegin(c);
      break;
    case START_PORT_CHECK:
    case START_NEXT_PORT:
      // The address set went out on a line the input picks; a camera may
      // already be on record from an earlier line.
      WorkerBegin(c);
      c->line = request % kLines;
      rig->line = c->line.load();
      if (c->line.load() > 0 && (setup & 0x01)) AddCameras(c, 0);
      EnterPhase(c, PHASE_LINE_CHECK);
      Step();
      if (start.kind == START_NEXT_PORT) {
        const uint8_t echo[] = {0x88, 0x30, 0x02, 0xFF};  // one camera
        c->channels[rig->line]->ReceiveBytesForTest(echo, sizeof echo);
        Step();
      }
      break;
    case START_FOUND:
      AddCameras(c, setup);
      EnterPhase(c, PHASE_DISCOVERY_DONE);
      break;
    case START_IDLE:
      AddCameras(c, setup);
      MakeReady(c, setup);
      break;
    case START_COMMAND:
      // The dispatcher's own command for the request, with its read-back to come.
      AddCameras(c, setup);
      MakeReady(c, setup);
      c->requestQueue->Put(0, static_cast<uint32_t>(request), static_cast<uint32_t>(request * 7), 0);
      Step();
      if ((setup & kAwaitCompletion) && c->stage.load() == STAGE_ACK) AwaitCompletion(c);
      break;
    case START_TRANSACTION: {
      AddCameras(c, setup);
      const bool rereading = (setup & kRereading) != 0;
      if (request != 0 || rereading) MakeReady(c, 0);
      c->initialising = request == 0 && !rereading;
      if (rereading) {
        BeginRereading(c);  // camera 0, made current by MakeReady
      } else {
        BeginWork(c, request, 0);
        StampCommand(c);
      }
      SendTransaction(c, start.code, request != 0);
      if ((setup & kAwaitCompletion) && c->stage.load() == STAGE_ACK) AwaitCompletion(c);
      break;
    }
  }
}

// Holds after every step, whatever the lines said.
void CheckState(CameraController* c) {
  const int32_t code = c->transaction.load(), stage = c->stage.load();
  const EnginePhase phase = c->phase.load();
  const int32_t count = c->cameraCount.load(), camera = c->camera.load(), line = c->line.load();
  if (count < 0 || count > kMaxCameras) Broken("cameraCount outside the table", c);
  if (camera < 0 || camera >= kMaxCameras || (count > 0 && camera >= count)) Broken("camera outside the list", c);
  if (line < -1 || line >= kChannelCount) Broken("port outside the channels", c);
  if (c->packetLength > static_cast<uint32_t>(kPacketCapacity)) Broken("packet longer than its buffer", c);
  // Records change only when discovery files them.
  if (count != rig->checkedCount) {
    for (int32_t i = 0; i < count; i++) {
      const CameraRecord& r = c->cameras[i];
      if (r.line < 0 || r.line >= kChannelCount || r.address < 1 || r.address > kMaxCamerasPerLine)
        Broken("record with a port or address off the line", c);
    }
    rig->checkedCount = count;
  }
  const int32_t timeout = c->timeoutMs.load();
  if (timeout != kFirstTimeoutMs && timeout != kCompletionTimeoutMs && timeout != kRereadTimeoutMs &&
      timeout != kAckTimeoutMs)
    Broken("reply time-out of no kind", c);
  // The step that found a reply overdue has ended its transaction.
  if (stage != STAGE_NONE && virtualTick - c->sendTick.load() > static_cast<uint32_t>(timeout))
    Broken("transaction outlived its time-out", c);
  if (stage != STAGE_NONE && stage != STAGE_ACK && stage != STAGE_COMPLETION && stage != STAGE_ANSWER &&
      stage != STAGE_ECHO)
    Broken("unknown stage", c);
  const bool panTilt = code == TX_PAN_TILT_DRIVE || code == TX_PAN_TILT_HOME || code == TX_PAN_TILT_ABSOLUTE ||
                       code == TX_ASK_PAN_TILT_POSITION || code == TX_PROBE_PAN_TILT ||
                       code == TX_ASK_PAN_TILT_MAX_SPEED;
  if (code != TX_NONE && code != TX_COMMAND && !panTilt && !FindTransaction(code))
    Broken("transaction code names no transaction", c);
  if ((code != TX_NONE) != (phase == PHASE_COMMAND || phase == PHASE_TRANSACTION))
    Broken("transaction phase without a transaction, or one outside it", c);
  // Only a phase may wait for nothing; a transaction that awaits nothing never ends.
  if (phase == PHASE_TRANSACTION && stage == STAGE_NONE) Broken("transaction awaits nothing", c);
  if (phase == PHASE_NEXT_LINE && stage != STAGE_ECHO) Broken("next port without an echo awaited", c);
}

// Bytes arriving on line `line`; closed lines are read by nobody any more.
void Receive(int32_t line, const uint8_t* bytes, int32_t count) {
  if (SerialChannel* channel = rig->c->channels[line]) channel->ReceiveBytesForTest(bytes, count);
}

void Run(const uint8_t* data, size_t size) {
  CameraController* c = rig->c;
  const uint8_t* lastChunk = data;
  int32_t lastChunkLength = 0;
  size_t at = 3;
  while (at < size && rig->steps < kMaxSteps) {
    const uint8_t op = data[at++];
    switch (op & kOpMask) {
      case kOpData: {
        const int32_t n = static_cast<int32_t>(std::min<size_t>((op & 0x3Fu) + 1, size - at));
        Receive(rig->line, data + at, n);
        lastChunk = data + at;
        lastChunkLength = n;
        at += static_cast<size_t>(n);
        break;
      }
      case kOpSteps:
        for (int32_t n = (op & 0x3F) + 1; n > 0; n--) {
          Step();
          CheckState(c);
        }
        break;
      case kOpJump:
        virtualTick += kJumps[op & 0x1F] - 1;
        Step();
        CheckState(c);
        break;
      default:
        switch (op & kMiscMask) {
          case kOpLine:
            rig->line = (op & 0x0F) % kLines;
            break;
          case kOpRequest:
            if (at + 2 <= size && rig->requests < kMaxRequests) {
              c->requestQueue->Put(op & 0x0Fu, data[at], data[at + 1], 0);
              rig->requests++;
            }
            at += 2;
            break;
          case kOpSelect:
            SelectCamera(c, op & 0x0F);
            break;
          case kOpPanel:
            if (op & kRepeatFlag) {
              // A burst: the last bytes again, 1 to 128 times, so a ring can fill.
              for (int32_t n = 1 << (op & 0x07); n > 0 && rig->repeated < kMaxRepeatedBytes; n--) {
                Receive(rig->line, lastChunk, lastChunkLength);
                rig->repeated += lastChunkLength;
              }
              break;
            }
            SetChecks((op & 0x02) != 0, (op & 0x01) != 0);
            break;
          default:
            break;
        }
        break;
    }
  }
}

// With the lines quiet and nothing more asked, whatever is in flight ends
// within the longest reply time-out after the engine's last transmission.
// Replies left waiting on another line may still drive it on when it speaks
// there again, but one step reads all of them, so that ends too.
void Drain() {
  CameraController* c = rig->c;
  uint32_t a, b, d, e;
  while (c->requestQueue->TryGet(a, b, d, e)) {
  }
  c->pendingSelection = -1;
  uint32_t lastSend = c->sendTick.load(), sinceSend = 0;
  for (int32_t n = 0; n < kMaxDrainSteps; n++) {
    LinkServiceStep(c);
    SendQueued(c);
    CheckState(c);
    if (c->phase.load() == PHASE_IDLE && c->stage.load() == STAGE_NONE) return;
    if (c->sendTick.load() != lastSend) {
      lastSend = c->sendTick.load();
      sinceSend = 0;
    }
    if (sinceSend > kIdleWithinMs) Broken("still busy after the longest time-out", c);
    uint32_t jump = kPhaseJumpMs;
    if (c->stage.load() != STAGE_NONE) {
      const uint32_t since = virtualTick - c->sendTick.load(), limit = static_cast<uint32_t>(c->timeoutMs.load());
      jump = since < limit ? limit + 1 - since : 1;
    }
    virtualTick += jump;
    sinceSend += jump;
  }
  Broken("never idle again", c);
}

}  // namespace receive_rig
