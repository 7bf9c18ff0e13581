// A controller stepped on a virtual clock, with in-process lines on its COM
// ports and the panel's controls in the in-memory window table.
#pragma once

#include "common/control_ids.h"
#include "common/text.h"
#include "engine/camera_controller.h"
#include "engine/engine_state.h"
#include "platform/fakewin.h"
#include "serial/serial_port.h"
#include "sim/sim_line.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <deque>
#include <functional>
#include <mutex>

using Bytes = std::vector<uint8_t>;
using Lines = std::vector<std::string>;

inline std::atomic<uint32_t> virtualTick{0};
inline uint32_t VirtualTick() { return virtualTick.load(); }

inline std::string Hex(const Bytes& bytes) {
  std::string out;
  char text[4];
  for (uint8_t b : bytes) {
    snprintf(text, sizeof text, " %02X", b);
    out += text;
  }
  return out.empty() ? out : out.substr(1);
}

struct WireFrame {
  uint32_t tick;  // virtual time the frame reached the line
  std::string hex;
};

// Records what the engine writes; answers with the bytes a test injects, then
// with what the SimLine (if any) has due.
class WirePeer : public SerialPeer {
 public:
  explicit WirePeer(SimLine* line = nullptr) : line(line) {}

  void OnWrite(const uint8_t* data, int32_t length) override {
    std::lock_guard<std::mutex> lk(m);
    frames.push_back(WireFrame{VirtualTick(), Hex(Bytes(data, data + length))});
    if (line) {
      line->Advance(VirtualTick());
      line->Feed(data, length);
    }
    quietReads = 0;
    cv.notify_all();
  }

  int ReadByte(uint8_t* byte) override {
    std::lock_guard<std::mutex> lk(m);
    int got = PullDue() ? 1 : 0;
    if (got) {
      *byte = injected.front();
      injected.pop_front();
    }
    quietReads = got ? 0 : quietReads + 1;
    cv.notify_all();
    return got;
  }

  std::vector<WireFrame> Frames() {
    std::lock_guard<std::mutex> lk(m);
    return frames;
  }

  Lines Hexes() {
    Lines out;
    for (const WireFrame& f : Frames()) out.push_back(f.hex);
    return out;
  }

  void Inject(const Bytes& bytes) {
    std::lock_guard<std::mutex> lk(m);
    injected.insert(injected.end(), bytes.begin(), bytes.end());
  }

  // Waits until the channel's I/O thread asked twice in a row for a byte with
  // nothing to read and nothing written: every due byte is in its receive ring
  // and every queued frame is on the line. With `onlyWhenDue`, returns at once
  // when the line has nothing to deliver.
  void Settle(bool onlyWhenDue = false) {
    std::unique_lock<std::mutex> lk(m);
    if (onlyWhenDue && !PullDue()) return;
    quietReads = 0;
    if (!cv.wait_for(lk, std::chrono::seconds(20), [this] { return quietReads >= 2; }))
      ADD_FAILURE() << "serial I/O thread did not settle";
  }

 private:
  // Moves what the line has due now behind the injected bytes.
  bool PullDue() {
    uint8_t byte;
    if (line) line->Advance(VirtualTick());
    while (line && line->ReadByte(&byte)) injected.push_back(byte);
    return !injected.empty();
  }

  std::mutex m;
  std::condition_variable cv;
  SimLine* line;
  std::vector<WireFrame> frames;
  std::deque<uint8_t> injected;
  int quietReads = 0;
};

// Makes state.picture the camera's picture, presets and power-on settings, so
// initialisation's power-on and preset recall keep it.
inline void SetStoredPicture(SimLine& line, int camera, SimCameraState state) {
  for (SimPicture& preset : state.presets) preset = state.picture;
  state.customPreset = state.picture;
  line.SetState(camera, state);
}

inline std::vector<QueueMessage> Drain(RequestQueue* q) {
  std::vector<QueueMessage> out;
  QueueMessage m;
  while (q->TryGet(m.cameraIndex, m.code, m.a, m.b)) out.push_back(m);
  return out;
}

class EngineRig {
 public:
  // Every COM port absent until Attach.
  EngineRig() {
    FakeReset();
    virtualTick = 100000;
    OsSetTickSourceForTest(VirtualTick);
    DetachAll("");
    page = FakeCreateWindow(FAKE_WINDOW, nullptr, 0);
    FakeCreateWindow(FAKE_EDIT, page, IDC_STATUS);
    FakeCreateWindow(FAKE_LISTBOX, page, IDC_CAMERA_LIST);
    for (int id : {IDC_RECALL1, IDC_RECALL2, IDC_RECALL3, IDC_RECALL4, IDC_RECALL5, IDC_EXPOSURE_AUTO, IDC_IRIS})
      FakeCreateWindow(FAKE_BUTTON, page, id);
    hPage[0] = page;
    hPage[1] = hPage[2] = nullptr;
    curPage = 0;
  }

  ~EngineRig() {
    DestroyCameraController(c);
    DetachAll(nullptr);
    OsSetTickSourceForTest(nullptr);
    hPage[0] = nullptr;
    FakeReset();
  }

  void Attach(int comNumber, WirePeer* peer) {
    peers[comNumber - 1] = peer;
    SerialPortSetPeer(static_cast<uint32_t>(comNumber), peer);
  }

  // Without a worker thread the test runs the loop's set-up and then its steps.
  void Start(WorkerStart worker = WORKER_MANUAL) {
    c = CreateCameraController(worker);
    ASSERT_NE(c, nullptr);
    if (worker == WORKER_MANUAL) WorkerBegin(c);
  }

  // One 1 ms step of the worker, with the lines' I/O settled before and after.
  void Step() {
    virtualTick++;
    int32_t before[kChannelCount] = {};
    for (int i = 0; i < kChannelCount; i++) {
      if (!c->channels[i] || !peers[i]) continue;
      peers[i]->Settle(true);
      before[i] = c->channels[i]->TransmitWriteIndexForTest();
    }
    WorkerStep(c, &pollCounter);
    for (int i = 0; i < kChannelCount; i++)
      if (c->channels[i] && peers[i] && c->channels[i]->TransmitWriteIndexForTest() != before[i]) peers[i]->Settle();
  }

  void Run(int ms) {
    while (ms-- > 0) Step();
  }

  // Steps until done() holds; false when maxMs passed first.
  bool RunUntil(const std::function<bool()>& done, int maxMs) {
    for (int i = 0; i < maxMs && !done(); i++) Step();
    return done();
  }

  // Moves the virtual clock without running the worker.
  void Jump(uint32_t ms) { virtualTick += ms; }

  // Discovery and initialisation up to the filled list.
  bool RunToReady(int maxMs = 20000) {
    return RunUntil([this] { return c->listReady.load() == 1; }, maxMs);
  }

  // Waits in real time, for a threaded controller.
  static bool WaitFor(const std::function<bool()>& done, int maxMs) {
    auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(maxMs);
    for (; !done(); OsSleep(1))
      if (std::chrono::steady_clock::now() > end) return false;
    return true;
  }

  Lines StatusTexts() { return FakeTextHistory(GetDlgItem(page, IDC_STATUS)); }
  Lines ListItems() { return FakeListItems(GetDlgItem(page, IDC_CAMERA_LIST)); }
  int Checked(int id) { return static_cast<int>(IsDlgButtonChecked(page, id)); }

  CameraController* c = nullptr;
  HWND page = nullptr;
  int32_t pollCounter = 0;

 private:
  static void DetachAll(const char* device) {
    for (uint32_t n = 1; n <= kChannelCount; n++) {
      SerialPortSetPeer(n, nullptr);
      SerialPortSetDevice(n, device);
    }
  }

  WirePeer* peers[kChannelCount] = {};
};
