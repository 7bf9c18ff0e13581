// Request dispatcher fuzz target: arbitrary request-queue messages (camera
// index, code, arguments), camera selections and camera replies against a
// table of cameras of every model on two lines whose far ends record what
// they are sent and answer only what the input injects. The worker is
// stepped by hand on a virtual clock that moves in jumps.
//
// Input: byte 0 = cameras in the table (1 + b % 7), byte 1 = starting state
// (exposure mode, focus mode, reply time-out in force, re-initialisation on a
// refusal), then 8-byte records: target, code, a (4 bytes, little endian),
// b, gap. Target 0xF8..0xFF injects a reply of the current camera (code
// picks its kind), 0xF0..0xF7 selects camera target & 7 in the list,
// 0xE0..0xEF names an index far outside the table, any other names camera
// target & 0x0F. Gap: low two bits = worker steps after the record, high half =
// how far the clock jumps per step.
//
// Invariants (a break traps with a line on stderr): every frame queued for a
// line is a VISCA command or inquiry 8x .. FF of at most 16 bytes with no FF
// inside, on the line of the camera it addresses, or the address set or
// interface clear of a line checked again; a request's packets go to the
// camera it named, an idle poll's to a camera the input selected (a camera
// marked as not answering may also be asked its power); a transaction in
// flight never outlives the reply time-out in force; once the input ends the
// engine is idle again within a bounded number of time-outs.
#include "engine/conversation/command_window.h"
#include "engine/conversation/engine_state.h"
#include "engine/core/camera_controller.h"
#include "engine/dispatch/read_back.h"
#include "engine/worker/worker.h"
#include "platform/os.h"
#include "requests/camera_models.h"
#include "requests/request_codes.h"
#include "serial/serial_port.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <mutex>

namespace {

constexpr int32_t kMaxPacketBytes = 16;
constexpr int32_t kMinPacketBytes = 3;
constexpr uint8_t kTerminator = 0xFF;
constexpr int32_t kRecordBytes = 8;
constexpr size_t kMaxRecords = 24;
// Worker steps a message may take once the input has ended: a command, its
// read-back, re-inquiries; a re-initialisation of every camera takes more.
constexpr int32_t kDrainStepsPerMessage = 64;
constexpr int32_t kDrainStepsReinit = 8192;

struct TableCamera {
  int32_t channel;  // COM number - 1
  int32_t address;
  int32_t model;
};

// Every model group, and one code that has none (the plain 10x model), on
// two lines (each line's I/O thread costs speed): COM1 and COM10, the last
// port the engine opens.
const TableCamera kTable[] = {
    {0, 1, 0x5F}, {0, 2, 0x5C}, {0, 3, 0x66}, {0, 4, 0x67}, {0, 5, 0x40}, {9, 1, 0x4B}, {9, 2, 0x21},
};
constexpr int32_t kTableSize = static_cast<int32_t>(sizeof kTable / sizeof kTable[0]);
const int32_t kChannelsUsed[] = {0, 9};

const uint32_t kJumpMs[16] = {1, 2, 5, 10, 50, 100, 199, 201, 399, 401, 1000, 4999, 5001, 9999, 10001, 20000};
const int32_t kTimeouts[4] = {kFirstTimeoutMs, kCompletionTimeoutMs, kRereadTimeoutMs, kAckTimeoutMs};

[[noreturn]] void Broken(const char* what) {
  fprintf(stderr, "dispatch fuzz: %s\n", what);
  __builtin_trap();
}

// A frame is 8x .. FF with an address of this line's cameras.
// A line whose camera stopped answering is checked again with discovery's broadcasts.
bool LineCheckBroadcast(const uint8_t* data, int32_t length) {
  static const uint8_t kAddressSet[] = {0x88, 0x30, 0x01, 0xFF};
  static const uint8_t kInterfaceClear[] = {0x88, 0x01, 0x00, 0x01, 0xFF};
  return (length == sizeof kAddressSet && memcmp(data, kAddressSet, sizeof kAddressSet) == 0) ||
         (length == sizeof kInterfaceClear && memcmp(data, kInterfaceClear, sizeof kInterfaceClear) == 0);
}

bool WellFormed(const uint8_t* data, int32_t length, uint32_t addressMask) {
  if (LineCheckBroadcast(data, length)) return true;
  if (length < kMinPacketBytes || length > kMaxPacketBytes) return false;
  if ((data[0] & 0xF0) != 0x80 || data[length - 1] != kTerminator) return false;
  for (int32_t i = 0; i < length - 1; i++)
    if (data[i] == kTerminator) return false;
  return (addressMask >> (data[0] & 0x0F)) & 1u;
}

// The far end of one line. It holds the line's I/O thread in its first read
// for the life of the process, so the thread never competes with the worker
// (a wake-up per packet would cost most of the run's time) and the engine's
// frames stay in the transmit ring, where each step's are checked whole.
class ParkingPeer : public SerialPeer {
 public:
  void OnWrite(const uint8_t* data, int32_t length) override {
    if (!WellFormed(data, length, addressMask.load())) Broken("a malformed or misaddressed frame reached the line");
  }
  int ReadByte(uint8_t*) override {
    std::unique_lock<std::mutex> lk(m);
    for (;;) cv.wait_for(lk, std::chrono::seconds(1));
  }
  std::atomic<uint32_t> addressMask{0};

 private:
  std::mutex m;
  std::condition_variable cv;
};

// Each input starts shortly before the tick counter wraps.
constexpr uint32_t kStartTick = 0xFFFFF000u;
std::atomic<uint32_t> virtualTick{kStartTick};
uint32_t VirtualTick() { return virtualTick.load(); }

ParkingPeer peers[kChannelCount];
CameraController* controller = nullptr;

CameraController* Controller() {
  if (controller) return controller;
  OsSetTickSourceForTest(VirtualTick);
  for (uint32_t n = 1; n <= kChannelCount; n++) SerialPortSetDevice(n, "");
  for (int32_t channel : kChannelsUsed) SerialPortSetPeer(static_cast<uint32_t>(channel + 1), &peers[channel]);
  controller = CreateCameraController(WORKER_MANUAL);
  if (!controller) Broken("the controller could not be created");
  for (int32_t channel : kChannelsUsed)
    if (!controller->channels[channel]) Broken("a line with cameras did not open");
  return controller;
}

// The table as discovery and initialisation would leave it, with the
// starting state the input chose, and the engine idle.
void ResetEngine(CameraController* c, int32_t count, uint8_t flavour) {
  static const int32_t kAeModes[4] = {AE_FULL_AUTO, AE_MANUAL, AE_BRIGHT, 0x0A};
  virtualTick = kStartTick;
  for (ParkingPeer& p : peers) p.addressMask = 0;
  for (int32_t i = 0; i < kMaxCameras; i++) c->cameras[i] = CameraRecord{};
  for (int32_t i = 0; i < count; i++) {
    CameraRecord& r = c->cameras[i];
    r.line = kTable[i].channel;
    r.address = kTable[i].address;
    r.modelCode = kTable[i].model;
    r.aeMode = r.aeModeRequest = kAeModes[flavour & 3];
    r.focusAuto = r.focusAutoRequest = (flavour >> 2) & 1;
    r.powerOn = r.powerSwitch = 2;
    r.pictureFlip = FLIP_OFF;
    peers[kTable[i].channel].addressMask |= 1u << kTable[i].address;
  }
  uint32_t ignored[4];
  while (c->requestQueue->TryGet(ignored[0], ignored[1], ignored[2], ignored[3])) {
  }
  while (c->notifyQueue->TryGet(ignored[0], ignored[1], ignored[2], ignored[3])) {
  }
  for (int32_t channel : kChannelsUsed) c->channels[channel]->SetIndicesForTest(0, 0);
  ResetConversation(c);
  c->reinitOnNack = (flavour >> 5) & 1;
  c->cameraCount = count;
  c->listReady = 1;
  c->initialising = false;
  c->selectedCamera = -1;
  c->cameraSelected = 0;
  c->pendingSelection = -1;
  c->camera = 0;
  c->line = kTable[0].channel;
  c->timeoutMs = kTimeouts[(flavour >> 3) & 3];
  c->sendTick = virtualTick.load();
  StampCommand(c);
}

struct Message {
  uint32_t cameraIndex;
  uint32_t code;
  uint32_t a;
  uint32_t b;
};

// The fuzz run's view of the engine: the requests not yet handed to the
// queue, the camera whose packets are due, and the selection in force.
struct Run {
  CameraController* c;
  int32_t count = 0;
  int32_t pollCounter = 0;
  std::deque<Message> backlog;
  int32_t owner = -1;  // the camera of the transaction in flight; -1 before its first packet
  // Cameras named by requests put and maybe not yet taken: a line being
  // checked again goes first, so a request may wait a few steps.
  uint32_t requestedMask = 0;
  uint32_t selectedMask = 0;  // cameras the input selected
};

// The camera a packet on `channel` addresses; -1 for none. Past the table
// come the records a line check added for cameras its echo announced.
int32_t TableCameraOf(const Run& run, int32_t channel, const uint8_t* frame) {
  for (int32_t i = 0; i < run.c->cameraCount.load(); i++) {
    const CameraRecord& r = run.c->cameras[i];
    if (r.line == channel && r.address == (frame[0] & 0x0F)) return i;
  }
  return -1;
}

// A camera marked as not answering is asked its power now and then.
// Recovery's power inquiry to a silent camera, or the question whether a
// camera of another make pans and tilts (and then its maximum speeds).
bool Probe(const Run& run, const uint8_t* frame, int32_t length, int32_t target) {
  static const uint8_t kPowerInquiry[] = {0x09, 0x04, 0x00, 0xFF};
  static const uint8_t kPanTiltInquiry[] = {0x09, 0x06};
  if (length == 5 && memcmp(frame + 1, kPanTiltInquiry, sizeof kPanTiltInquiry) == 0 &&
      (frame[3] == 0x11 || frame[3] == 0x12))
    return !IsListedModel(run.c->cameras[target].modelCode);
  return !CameraReachable(run.c, target) && length == 5 && memcmp(frame + 1, kPowerInquiry, sizeof kPowerInquiry) == 0;
}

// A line check may add records after the table's; their cameras are on the line.
void AcceptAddedCameras(const Run& run) {
  for (int32_t i = run.count; i < run.c->cameraCount.load(); i++) {
    const CameraRecord& r = run.c->cameras[i];
    if (r.line < 0 || r.line >= kChannelCount || r.address < 1 || r.address > kMaxCamerasPerLine)
      Broken("a record a line check added is off its line");
    peers[r.line].addressMask |= 1u << r.address;
  }
}

// Checks the frames one step queued on every line: the transmit rings were
// emptied before the step, so they hold exactly this step's frames. Several
// transactions can end and begin within one step (a reply, a refusal that
// ends it, the idle poll), so a packet is judged by the camera it addresses.
// `initialised` tells whether initialisation ran during the step.
void CheckStepFrames(Run& run, bool initialised) {
  CameraController* c = run.c;
  for (int32_t channel : kChannelsUsed) {
    SerialChannel* ch = c->channels[channel];
    int32_t end = ch->TransmitWriteIndexForTest();
    const uint8_t* ring = ch->TransmitRingForTest();
    for (int32_t at = 0; at < end;) {
      int32_t length = ring[at];
      if (length == 0 || at + 1 + length > end) Broken("the transmit ring holds a broken record");
      const uint8_t* frame = ring + at + 1;
      if (!WellFormed(frame, length, peers[channel].addressMask.load())) Broken("a malformed packet was queued");
      if (LineCheckBroadcast(frame, length)) {
        at += 1 + length;
        continue;
      }
      int32_t target = TableCameraOf(run, channel, frame);
      if (target < 0) Broken("a packet went to no camera of its line");
      // Initialisation walks every camera; otherwise a transaction stays
      // with its request's camera, and the idle poll (which may follow the
      // end of a transaction within one step) asks the selected one.
      // (The selection may change within the step after the poll's packet,
      // so any camera the input selected counts.)
      const bool polled =
          (target < 32 && ((run.selectedMask >> target) & 1u) != 0) || Probe(run, frame, length, target);
      if (!initialised) {
        if (run.owner < 0) {
          const bool requested = target < 32 && ((run.requestedMask >> target) & 1u) != 0;
          if (!requested && !polled) Broken("a packet went to a camera no request or selection named");
          run.owner = target;
        } else if (target != run.owner && !polled) {
          Broken("a transaction's packets went to two cameras");
        }
      }
      at += 1 + length;
    }
  }
}

// The records' line and address are discovery's; nothing else may move them
// (the model is what the camera last reported, so a re-initialisation may
// change it).
void CheckTable(const Run& run) {
  for (int32_t i = 0; i < run.count; i++) {
    const CameraRecord& r = run.c->cameras[i];
    if (r.line != kTable[i].channel || r.address != kTable[i].address)
      Broken("a camera record's line or address changed");
  }
}

// One worker step at tick `now`: hands the next request to the queue while
// the engine is idle (a line being checked again may take the turn first),
// steps, checks.
void Step(Run& run, uint32_t jumpMs) {
  CameraController* c = run.c;
  virtualTick += jumpMs;
  if (!c->requestQueue->HasMessages()) run.requestedMask = 0;
  const bool idle = c->phase.load() == PHASE_IDLE;
  if (idle) {
    run.owner = -1;
    if (!run.backlog.empty()) {
      Message m = run.backlog.front();
      run.backlog.pop_front();
      c->requestQueue->Put(m.cameraIndex, m.code, m.a, m.b);
      if (m.cameraIndex < static_cast<uint32_t>(c->cameraCount.load()))
        run.requestedMask |= m.cameraIndex < 32 ? 1u << m.cameraIndex : 0u;
    }
  }
  const bool initialising = c->initialising;
  WorkerStep(c, &run.pollCounter);
  AcceptAddedCameras(run);
  CheckStepFrames(run, initialising || c->initialising);
  // Empty rings for the next step (the line never answers, so the receive
  // side loses only injected replies the engine did not read).
  for (int32_t channel : kChannelsUsed) {
    SerialChannel* ch = c->channels[channel];
    if (ch->TransmitWriteIndexForTest() != 0) ch->SetIndicesForTest(0, 0);
  }
  int32_t limit = c->timeoutMs.load();
  if (limit != kFirstTimeoutMs && limit != kCompletionTimeoutMs && limit != kRereadTimeoutMs && limit != kAckTimeoutMs)
    Broken("the reply time-out is none of the engine's");
  if (c->stage.load() != STAGE_NONE && virtualTick.load() - c->sendTick.load() > static_cast<uint32_t>(limit))
    Broken("a transaction outlived its reply time-out");
  if (c->cameraCount.load() < 0 || c->cameraCount.load() > kMaxCameras) Broken("the camera count left the table");
}

// A reply of the current camera into the current line's receive ring.
void InjectReply(CameraController* c, uint8_t kind, uint32_t a, uint8_t b) {
  int32_t line = c->line.load();
  if (line < 0 || line >= kChannelCount || !c->channels[line]) return;
  int32_t cam = c->camera.load();
  int32_t address = (cam >= 0 && cam < kMaxCameras) ? static_cast<int32_t>(c->cameras[cam].address) : 1;
  uint8_t frame[kMaxPacketBytes];
  int32_t n = 0;
  frame[n++] = static_cast<uint8_t>(0x80 + ((address + 8) << 4));
  switch (kind & 3) {
    case 0:  // acknowledge
      frame[n++] = static_cast<uint8_t>(0x40 | (b & 0x0F));
      break;
    case 1:  // completion
      frame[n++] = static_cast<uint8_t>(0x50 | (b & 0x0F));
      break;
    case 2:  // error
      frame[n++] = static_cast<uint8_t>(0x60 | (b & 0x0F));
      frame[n++] = static_cast<uint8_t>(a & 0x7F);
      break;
    default: {  // an answer with 1 to 8 data bytes
      frame[n++] = 0x50;
      int32_t data = 1 + (b & 7);
      for (int32_t i = 0; i < data; i++) frame[n++] = static_cast<uint8_t>((a >> (4 * (i & 7))) & 0x7F);
      break;
    }
  }
  frame[n++] = kTerminator;
  c->channels[line]->StoreReceivedFrameForTest(frame, n);
}

uint32_t Word(const uint8_t* p) {
  return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 | static_cast<uint32_t>(p[2]) << 16 |
         static_cast<uint32_t>(p[3]) << 24;
}

// Runs the engine on until it is idle with nothing left to hand over, each
// step jumping to just past the reply time-out in force.
void Drain(Run& run) {
  CameraController* c = run.c;
  int32_t budget = kDrainStepsPerMessage * static_cast<int32_t>(run.backlog.size() + 1) + kDrainStepsReinit;
  for (int32_t i = 0; i < budget; i++) {
    if (c->phase.load() == PHASE_IDLE && run.backlog.empty()) {
      CheckTable(run);
      return;
    }
    uint32_t jump = 1;
    if (c->stage.load() != STAGE_NONE) {
      uint32_t waited = virtualTick.load() - c->sendTick.load();
      uint32_t limit = static_cast<uint32_t>(c->timeoutMs.load());
      jump = waited <= limit ? limit - waited + 1 : 1;
    }
    Step(run, jump);
  }
  Broken("the engine did not return to idle after the input ended");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 2) return 0;
  CameraController* c = Controller();
  const int32_t count = 1 + data[0] % kTableSize;
  ResetEngine(c, count, data[1]);
  Run run;
  run.c = c;
  run.count = count;
  size_t records = (size - 2) / kRecordBytes;
  if (records > kMaxRecords) records = kMaxRecords;
  for (size_t n = 0; n < records; n++) {
    const uint8_t* p = data + 2 + n * kRecordBytes;
    const uint8_t target = p[0];
    const uint32_t a = Word(p + 2);
    const uint8_t b = p[6];
    const uint8_t gap = p[7];
    if (target >= 0xF8) {
      InjectReply(c, p[1], a, b);
    } else if (target >= 0xF0) {
      int32_t index = target & 7;
      SelectCamera(c, index);
      if (index < c->cameraCount.load()) run.selectedMask |= 1u << index;  // records a line check added too
    } else {
      uint32_t index = target >= 0xE0 ? 0xFFFFFFFFu - (target & 0x0F) * 0x01010101u : target & 0x0Fu;
      uint32_t code = p[1] >= 0xF0 ? 0xFFFFFF00u | p[1] : p[1];
      run.backlog.push_back(Message{index, code, a, b});
    }
    const int32_t steps = gap & 0x03;
    for (int32_t s = 0; s < steps; s++) Step(run, kJumpMs[gap >> 4]);
  }
  Drain(run);
  return 0;
}
