// A controller stepped on a virtual clock with virtual cameras on its lines; each
// step waits until every line's I/O thread has settled.
#pragma once

#include "engine/conversation/engine_state.h"
#include "engine/core/camera_controller.h"
#include "engine/worker/next_deadline.h"
#include "engine/worker/worker.h"
#include "net/net_line.h"
#include "panel/window_hooks.h"
#include "serial/serial_port.h"
#include "sim/sim_line.h"
#include "sim/sim_peer.h"
#include "tests/support/fake_panel.h"
#include "tests/support/wait_for.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <condition_variable>
#include <cstdio>
#include <deque>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

using Bytes = std::vector<uint8_t>;
using Lines = std::vector<std::string>;

inline std::atomic<uint32_t> virtualTick{0};
inline uint32_t VirtualTick() { return virtualTick.load(); }

inline std::string Hex(const Bytes& bytes) {  // "81 09 04 47 FF"
  std::string out;
  char text[4];
  for (uint8_t b : bytes) out += (snprintf(text, sizeof text, " %02X", b), text);
  return out.empty() ? out : out.substr(1);
}

inline std::string Hex(const std::vector<Bytes>& packets) {  // "... FF | ... FF"
  std::string out;
  for (const Bytes& p : packets) out += (out.empty() ? "" : " | ") + Hex(p);
  return out;
}

// "38 02|39 00" -> "81 01 04 38 02 FF | 81 01 04 39 00 FF"; prefix "81 09 " for inquiries.
inline std::string Framed(const std::string& payloads, const std::string& prefix = "81 01 04 ") {
  std::string out;
  for (size_t at = 0, bar; at < payloads.size(); at = bar + 1) {
    bar = std::min(payloads.find('|', at), payloads.size());
    out += (out.empty() ? "" : " | ") + prefix + payloads.substr(at, bar - at) + " FF";
  }
  return out;
}

struct WireFrame {
  uint32_t tick;  // virtual time the frame reached the line
  std::string hex;
};

// The far end of one line: records writes, answers injected bytes first, then
// its cameras' replies; on visca-ip it strips the header and answers a RESET.
class WirePeer : public SerialPeer, public NetPeer {
 public:
  std::atomic<uint32_t> lastByteTick{0};  // when the controller last read a byte of this line
  WirePeer(std::initializer_list<uint8_t> models, const SimTiming& timing, NetKind network = NET_NONE)
      : line(timing), kind(network) {
    for (uint8_t model : models) line.AddCamera(model);
    SimCameraState one = line.State(0);
    one.address = 1;
    if (kind == NET_VISCA_IP || kind == NET_UDP) line.SetState(0, one);
    if (models.size() > 0) cameras.reset(new SimPeer(line, VirtualTick));
  }
  void OnWrite(const uint8_t* data, int32_t length) override {
    std::lock_guard<std::mutex> lk(m);
    frames.push_back(WireFrame{VirtualTick(), Hex(Bytes(data, data + length))});
    quietReads = 0;
    cv.notify_all();
    if (kind != NET_VISCA_IP) {
      if (cameras) cameras->OnWrite(data, length);
    } else if (data[0] == 0x02 || refuseNext) {  // a control message, or any refused: a control reply
      number.assign(data + 4, data + 8);
      if (data[0] == 0x02) owed.clear();  // a RESET: nothing sent before is answered
      datagrams.push_back(Wrapped(0x0201, data[0] == 0x02 ? Bytes{0x01} : Bytes{0x0F, 0x02}));
      refuseNext = false;
    } else if (cameras) {
      number.assign(data + 4, data + 8);
      owed.push_back(number);
      cameras->OnWrite(data + 8, length - 8);
    }
  }
  int ReadByte(uint8_t* byte) override {
    std::lock_guard<std::mutex> lk(m);
    if (unplugged) return -1;
    int got = PullDue() ? 1 : 0;
    if (got) *byte = injected.front(), injected.pop_front();
    return Read(got);
  }
  bool Connect() override {
    std::lock_guard<std::mutex> lk(m);
    return !unplugged;
  }
  int32_t Receive(uint8_t* buffer, int32_t capacity) override {
    if (kind == NET_TCP) return ReadByte(buffer);
    std::lock_guard<std::mutex> lk(m);
    PullDue();
    const auto end = std::find(injected.begin(), injected.end(), 0xFF);
    if (end != injected.end()) {
      const Bytes packet(injected.begin(), end + 1);
      injected.erase(injected.begin(), end + 1);
      datagrams.push_back(kind == NET_VISCA_IP ? Wrapped(0x0111, packet, NumberOf(packet)) : packet);
    }
    if (datagrams.empty() || static_cast<int32_t>(datagrams.front().size()) > capacity) return Read(0);
    const Bytes next = datagrams.front();
    datagrams.pop_front();
    std::copy(next.begin(), next.end(), buffer);
    return Read(static_cast<int32_t>(next.size()));
  }
  // visca-ip: the next message is refused as one of a type the camera does not take.
  void RefuseNext() {
    std::lock_guard<std::mutex> lk(m);
    refuseNext = true;
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

  // One empty read: the due bytes are in; two: the frames are out.
  void TakeDue() {
    std::unique_lock<std::mutex> lk(m);
    if (PullDue() || quietReads == 0 || kind == NET_VISCA_IP) WaitForQuietReads(lk, 1);
  }
  void Flush() {
    std::unique_lock<std::mutex> lk(m);
    WaitForQuietReads(lk, 2);
  }
  // Packets camera `index` received; kind 0x01 or 0x09: only commands or inquiries.
  std::vector<Bytes> Received(int index, int kind = 0) {
    std::vector<Bytes> out;
    WithLine([&](SimLine& l) {
      SimPacket p;
      for (int n = 0; l.Received(index, n, &p); n++) {
        int kept = std::min(p.length, SimPacket::kMaxStored);
        if (kind == 0 || (kept > 1 && p.bytes[0] != 0x88 && p.bytes[1] == kind))
          out.emplace_back(p.bytes, p.bytes + kept);
      }
    });
    return out;
  }
  void ClearReceived() {
    WithLine([](SimLine& l) { l.ClearReceived(); });
  }
  void Unplug(bool out = true) {  // false: plugged back, for a network line
    std::lock_guard<std::mutex> lk(m);
    unplugged = out;
  }
  void Power(int camera, bool on) {  // back on, a datagram line's camera just answers again
    WithLine([&](SimLine& l) { l.SwitchCamera(camera, on, kind == NET_NONE || kind == NET_TCP); });
  }
  // Faults on the whole line (camera -1) or on one camera's replies.
  void SetFaults(int camera, const SimFaults& faults) {
    WithLine([&](SimLine& l) { camera < 0 ? l.SetLineFaults(faults) : l.SetCameraFaults(camera, faults); });
  }
  SimCameraState State(int index) {
    SimCameraState state;
    WithLine([&](SimLine& l) { state = l.State(index); });
    return state;
  }
  // Stored as every preset too, so initialisation's recall keeps it.
  void SetStoredPicture(int index, const std::function<void(SimCameraState&)>& edit) {
    WithLine([&](SimLine& l) {
      SimCameraState state = l.State(index);
      edit(state);
      for (SimPicture& preset : state.presets) preset = state.picture;
      state.customPreset = state.picture;
      l.SetState(index, state);
    });
  }

 private:
  template <typename F>
  void WithLine(F f) {
    if (cameras) cameras->WithLine(f);
  }
  int Read(int got) {
    if (got) lastByteTick = VirtualTick();
    quietReads = got ? 0 : quietReads + 1;
    cv.notify_all();
    return got;
  }
  // A camera answers its messages in turn: a reply carries the number of the
  // oldest one still owed a reply, which its answer, completion or error ends.
  Bytes NumberOf(const Bytes& reply) {
    const int k = reply.size() < 3 ? 0 : reply[1] & 0xF0;
    if (owed.empty() || k < 0x40 || k > 0x60) return number;
    const Bytes n = owed.front();
    if (k != 0x40) owed.pop_front();
    return n;
  }
  Bytes Wrapped(uint16_t type, const Bytes& payload, Bytes out = {}) {  // behind a visca-ip header
    if (out.empty()) out = number;                                      // type and length go in front of the number
    out.insert(out.end(), payload.begin(), payload.end());
    out.insert(out.begin(), {uint8_t(type >> 8), uint8_t(type), 0, uint8_t(payload.size())});
    return out;
  }
  bool PullDue() {  // the cameras' due bytes behind the injected ones
    uint8_t byte;
    while (cameras && cameras->ReadByte(&byte)) injected.push_back(byte);
    return !injected.empty();
  }
  void WaitForQuietReads(std::unique_lock<std::mutex>& lk, int count) {
    quietReads = 0;
    if (!cv.wait_for(lk, std::chrono::seconds(20), [&] { return quietReads >= count; }))
      ADD_FAILURE() << "the serial I/O thread did not settle within 20 s";
  }

  SimLine line;
  std::unique_ptr<SimPeer> cameras;  // null without cameras
  std::mutex m;
  std::condition_variable cv;
  std::vector<WireFrame> frames;
  std::deque<uint8_t> injected;
  int quietReads = 0;  // reads in a row that found nothing, since the last write
  bool unplugged = false;
  NetKind kind;
  std::deque<Bytes> datagrams;  // whole ones, ahead of the cameras' bytes
  Bytes number{0, 0, 0, 0};     // visca-ip: of the last message
  std::deque<Bytes> owed;       // visca-ip: numbers of the messages owed a reply, oldest first
  bool refuseNext = false;
};

class EngineRig {
 public:
  EngineRig() : panel(fake.panel), setup(fake.setup) {  // every COM port absent until Attach; no controller yet
    virtualTick = 100000;
    OsSetTickSourceForTest(VirtualTick);
    for (uint32_t n = 1; n <= kChannelCount; n++) SerialPortSetDevice(n, "");
    UseRefresh(nullptr);
  }

  explicit EngineRig(std::initializer_list<uint8_t> com1, const SimTiming& timing = SimRealisticTiming())
      : EngineRig() {
    Attach(1, com1, timing);
    Start();
  }
  ~EngineRig() {
    pController = nullptr;
    DestroyCameraController(second);
    DestroyCameraController(c);
    for (int n = 1; n <= kNetMaxLines; n++) NetLineSetPeer(static_cast<uint16_t>(n), nullptr);
    for (uint32_t n = 1; n <= kChannelCount; n++) {
      SerialPortSetPeer(n, nullptr);
      SerialPortSetDevice(n, nullptr);
    }
    OsSetTickSourceForTest(nullptr);
  }
  // `refresh`: the refresh of a re-reading (null: none).
  void UseRefresh(void (*refresh)(CameraController*, int32_t)) {
    hooks = WindowHooks();
    hooks.refreshPanel = refresh;
    if (c) InstallPanelHooks(c, hooks);
  }
  WirePeer& Attach(int comNumber, std::initializer_list<uint8_t> models = {},
                   const SimTiming& timing = SimRealisticTiming()) {
    peers[comNumber - 1].reset(new WirePeer(models, timing));
    SerialPortSetPeer(static_cast<uint32_t>(comNumber), peers[comNumber - 1].get());
    return *peers[comNumber - 1];
  }
  WirePeer& Com(int comNumber) { return *peers[comNumber - 1]; }
  // IPn of that kind, to cameras played here (the line's port is n).
  WirePeer& AttachIp(int ipNumber, NetKind kind, std::initializer_list<uint8_t> models, const SimTiming& timing) {
    std::unique_ptr<WirePeer>& peer = peers[kSerialLineCount + ipNumber - 1];
    peer.reset(new WirePeer(models, timing, kind));
    NetLineConfig& entry = network.lines[ipNumber - 1];
    entry.kind = kind;
    entry.port = static_cast<uint16_t>(ipNumber);
    NetLineSetPeer(entry.port, peer.get());
    return *peer;
  }
  void Start(WorkerStart worker = WORKER_MANUAL) {
    c = pController = CreateCameraController(worker, &network, &hooks);  // the panel's commands reach it
    ASSERT_NE(c, nullptr);
    if (worker == WORKER_MANUAL) WorkerBegin(c);
  }
  void StartSecond() {  // another controller, stepped with the first, on the lines whose peers are set now
    second = CreateCameraController(WORKER_MANUAL);
    ASSERT_NE(second, nullptr);
    WorkerBegin(second);
  }
  void Step() {  // one 1 ms step of the worker
    virtualTick++;
    StepAtThisTick();
  }
  void StepAtThisTick() {  // a worker step with the clock where it stands
    StepOne(c, &pollCounter);
    if (second) StepOne(second, &secondPollCounter);
  }
  void StepOne(CameraController* x, int32_t* counter) {
    uint32_t queued[kChannelCount] = {};
    for (int i = 0; i < kChannelCount; i++) {
      if (!ServedBy(x, i)) continue;
      peers[i]->TakeDue();
      queued[i] = x->channels[i]->FramesQueuedForTest();
    }
    WorkerStep(x, counter);
    for (int i = 0; i < kChannelCount; i++)
      if (ServedBy(x, i) && x->channels[i]->FramesQueuedForTest() != queued[i]) peers[i]->Flush();
  }
  void Tick() {  // one millisecond in which the worker sleeps: only the peers move
    virtualTick++;
    for (int i = 0; i < kChannelCount; i++)
      if (Served(i)) peers[i]->TakeDue();
  }
  // The adapter pulled out; returns once the channel has noticed.
  void Unplug(int comNumber) {
    Com(comNumber).Unplug();
    SerialPortSetPeer(static_cast<uint32_t>(comNumber), nullptr);
    EXPECT_TRUE(WaitFor([&] { return c->channels[comNumber - 1]->IsLost(); })) << "COM" << comNumber << " not lost";
  }
  // A new device with these cameras where the unplugged one was.
  WirePeer& PlugIn(int comNumber, std::initializer_list<uint8_t> models, const SimTiming& timing) {
    unplugged.push_back(std::move(peers[comNumber - 1]));
    return Attach(comNumber, models, timing);
  }
  // The worker thread's loop: sleeps WorkerWaitMs unless a frame wakes it.
  void SleepThenStep() {
    const uint32_t wait = WorkerWaitMs(c);
    const int32_t line = c->line.load();
    const bool onLine = line >= 0 && line < kChannelCount && c->channels[line];
    for (uint32_t slept = 0; slept < wait && !(onLine && c->channels[line]->HasReceivedFrame()); slept++) Tick();
    StepAtThisTick();
  }
  void Run(int ms) {
    RunUntil([] { return false; }, ms);
  }
  // Steps until done() holds; false when maxMs passed first.
  bool RunUntil(const std::function<bool()>& done, int maxMs) {
    for (int i = 0; i < maxMs && !done(); i++) Step();
    return done();
  }
  void Jump(uint32_t ms) { virtualTick += ms; }  // the clock moves, the worker does not
  // As Jump, in strides under half the tick range, which the cameras take for going back.
  void JumpFar(uint32_t ms) {
    constexpr uint32_t kStride = 0x40000000u;
    for (; ms > kStride; ms -= kStride, Tick()) Jump(kStride);
    Jump(ms);
  }
  bool Idle() const { return c->phase.load() == PHASE_IDLE && c->stage.load() == 0; }
  // Discovery and initialisation up to the filled list and an idle engine.
  bool RunToReady(int maxMs = 20000) {
    return RunUntil([this] { return c->listReady.load() == 1 && Idle(); }, maxMs);
  }
  // Ready, and a refusal no longer restarts initialisation, yet nothing selected.
  bool Initialise() { return RunToReady() && (c->reinitOnNack = 0, true); }
  bool Select(int index) {
    SelectCamera(c, index);
    return RunUntil([&] { return c->cameraSelected.load() == 1 && c->camera.load() == index && c->reinitOnNack == 0; },
                    20000);
  }
  void Post(uint32_t camera, uint32_t code, int32_t a) { c->requestQueue->Put(camera, code, uint32_t(a), 0); }
  bool Settle(int maxMs = 5000) {
    Step();
    return RunUntil([this] { return Idle(); }, maxMs);
  }
  bool Request(uint32_t code, int32_t a) { return Post(0, code, a), Settle(); }

  std::vector<QueueMessage> TakeNotifications() {
    std::vector<QueueMessage> out;
    QueueMessage m;
    while (c->notifyQueue->TryGet(m.cameraIndex, m.code, m.a, m.b)) out.push_back(m);
    return out;
  }
  std::vector<Bytes> Received(int index, int kind = 0) { return Com(1).Received(index, kind); }
  std::vector<Bytes> ReceivedCommands(int index) { return Received(index, 0x01); }
  void ClearReceived() { Com(1).ClearReceived(); }
  Lines StatusTexts() { return FakeTextHistory(GetDlgItem(panel, IDC_STATUS)); }
  Lines ListItems() { return FakeListItems(GetDlgItem(panel, IDC_CAMERA_LIST)); }
  HWND Owner(int id) const { return GetDlgItem(setup, id) ? setup : panel; }
  int Checked(int id) { return static_cast<int>(IsDlgButtonChecked(Owner(id), id)); }
  void Check(int id, bool checked) { CheckDlgButton(Owner(id), id, checked ? BST_CHECKED : BST_UNCHECKED); }

  FakePanel fake;  // first: the others live in its window table
  CameraController* c = nullptr;
  CameraController* second = nullptr;  // null unless StartSecond
  HWND panel, setup;
  int32_t pollCounter = 0, secondPollCounter = 0;

 private:
  bool Served(int i) const { return ServedBy(c, i) || (second && ServedBy(second, i)); }
  bool ServedBy(const CameraController* x, int i) const {
    const SerialChannel* channel = x->channels[i];
    return channel && channel->IsOpen() && peers[i] && (i < kSerialLineCount || channel->NetworkLineUp());
  }
  std::unique_ptr<WirePeer> peers[kChannelCount];
  std::vector<std::unique_ptr<WirePeer>> unplugged;  // a closed port's I/O thread may have held one
  NetConfig network;
  PanelHooks hooks;
};
