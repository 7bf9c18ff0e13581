#include "engine_rig.h"

#include "common/control_ids.h"
#include "common/text.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdio>

namespace {

std::atomic<uint32_t> virtualTick{0};

constexpr auto kSettleLimit = std::chrono::seconds(20);

}  // namespace

Bytes B(std::initializer_list<int> values) {
  Bytes out;
  for (int v : values) out.push_back(static_cast<uint8_t>(v));
  return out;
}

std::string Hex(const Bytes& bytes) {
  std::string out;
  char text[4];
  for (size_t i = 0; i < bytes.size(); i++) {
    snprintf(text, sizeof text, i ? " %02X" : "%02X", bytes[i]);
    out += text;
  }
  return out;
}

uint32_t VirtualTick() { return virtualTick.load(); }
void SetVirtualTick(uint32_t t) { virtualTick.store(t); }

void WirePeer::OnWrite(const uint8_t* data, int32_t length) {
  std::lock_guard<std::mutex> lk(m);
  frames.push_back(WireFrame{VirtualTick(), Bytes(data, data + length)});
  if (line) {
    line->Advance(VirtualTick());
    line->Feed(data, length);
  }
  quietReads = 0;
  cv.notify_all();
}

int WirePeer::ReadByte(uint8_t* byte) {
  std::lock_guard<std::mutex> lk(m);
  int got = 0;
  if (!injected.empty()) {
    *byte = injected.front();
    injected.pop_front();
    got = 1;
  } else if (line) {
    line->Advance(VirtualTick());
    got = line->ReadByte(byte);
  }
  quietReads = got ? 0 : quietReads + 1;
  cv.notify_all();
  return got;
}

std::vector<WireFrame> WirePeer::Frames() {
  std::lock_guard<std::mutex> lk(m);
  return frames;
}

std::vector<Bytes> WirePeer::FrameBytes() {
  std::vector<Bytes> out;
  for (const WireFrame& f : Frames()) out.push_back(f.bytes);
  return out;
}

void WirePeer::Inject(const Bytes& bytes) {
  std::lock_guard<std::mutex> lk(m);
  injected.insert(injected.end(), bytes.begin(), bytes.end());
}

void WirePeer::WithLine(const std::function<void(SimLine&)>& f) {
  std::lock_guard<std::mutex> lk(m);
  line->Advance(VirtualTick());
  f(*line);
}

bool WirePeer::OutputPending() {
  std::lock_guard<std::mutex> lk(m);
  if (!injected.empty()) return true;
  if (!line) return false;
  // Takes what the line has due into the injected bytes, which go out first.
  line->Advance(VirtualTick());
  uint8_t byte;
  while (line->ReadByte(&byte)) injected.push_back(byte);
  return !injected.empty();
}

void WirePeer::ResetQuiet() {
  std::lock_guard<std::mutex> lk(m);
  quietReads = 0;
}

bool WirePeer::WaitQuiet() {
  std::unique_lock<std::mutex> lk(m);
  return cv.wait_for(lk, kSettleLimit, [this] { return quietReads >= 2; });
}

EngineRig::EngineRig(uint32_t startTick) {
  FakeReset();
  SetVirtualTick(startTick);
  OsSetTickSourceForTest(VirtualTick);
  for (uint32_t n = 1; n <= kChannelCount; n++) {
    SerialPortSetPeer(n, nullptr);
    SerialPortSetDevice(n, "");
  }
  page = FakeCreateWindow(FAKE_WINDOW, nullptr, 0);
  status = FakeCreateWindow(FAKE_EDIT, page, IDC_STATUS);
  list = FakeCreateWindow(FAKE_LISTBOX, page, IDC_CAMERA_LIST);
  for (int id = IDC_RECALL1; id <= IDC_RECALL5; id++) FakeCreateWindow(FAKE_BUTTON, page, id);
  FakeCreateWindow(FAKE_BUTTON, page, IDC_EXPOSURE_AUTO);
  FakeCreateWindow(FAKE_BUTTON, page, IDC_IRIS);
  hPage[0] = page;
  hPage[1] = nullptr;
  hPage[2] = nullptr;
  curPage = 0;
}

EngineRig::~EngineRig() {
  DestroyCameraController(c);
  c = nullptr;
  SetPanelRefreshHandler(nullptr);
  for (uint32_t n = 1; n <= kChannelCount; n++) {
    SerialPortSetPeer(n, nullptr);
    SerialPortSetDevice(n, nullptr);
  }
  OsSetTickSourceForTest(nullptr);
  hPage[0] = nullptr;
  FakeReset();
}

void EngineRig::Attach(int comNumber, WirePeer* peer) {
  peers[comNumber - 1] = peer;
  SerialPortSetPeer(static_cast<uint32_t>(comNumber), peer);
}

void EngineRig::Start() {
  c = CreateCameraController(WORKER_MANUAL);
  ASSERT_NE(c, nullptr);
  WorkerBegin(c);
  LogStatus();
}


void EngineRig::StartThreaded() {
  c = CreateCameraController(WORKER_THREAD);
  ASSERT_NE(c, nullptr);
}

bool EngineRig::WaitFor(const std::function<bool()>& done, int maxMs) {
  auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(maxMs);
  while (!done()) {
    if (std::chrono::steady_clock::now() > end) return false;
    OsSleep(1);
  }
  return true;
}

void EngineRig::Settle(WirePeer* peer) {
  peer->ResetQuiet();
  if (!peer->WaitQuiet()) ADD_FAILURE() << "serial I/O thread did not settle";
}

void EngineRig::Step() {
  SetVirtualTick(VirtualTick() + 1);
  int32_t before[kChannelCount];
  for (int i = 0; i < kChannelCount; i++) {
    before[i] = -1;
    if (!c->channels[i] || !peers[i]) continue;
    if (peers[i]->OutputPending()) Settle(peers[i]);
    before[i] = c->channels[i]->TransmitWriteIndexForTest();
  }
  WorkerStep(c, &pollCounter);
  for (int i = 0; i < kChannelCount; i++) {
    if (!c->channels[i] || !peers[i]) continue;
    if (c->channels[i]->TransmitWriteIndexForTest() != before[i]) Settle(peers[i]);
  }
  LogStatus();
}

void EngineRig::SettleAll() {
  for (int i = 0; i < kChannelCount; i++)
    if (c->channels[i] && peers[i]) Settle(peers[i]);
}

void EngineRig::Run(int ms) {
  for (int i = 0; i < ms; i++) Step();
}

bool EngineRig::RunUntil(const std::function<bool()>& done, int maxMs) {
  for (int i = 0; i < maxMs; i++) {
    if (done()) return true;
    Step();
  }
  return done();
}

void EngineRig::Jump(uint32_t ms) { SetVirtualTick(VirtualTick() + ms); }

bool EngineRig::RunToReady(int maxMs) {
  return RunUntil([this] { return c->listReady.load() == 1; }, maxMs);
}

void EngineRig::Select(int32_t cameraIndex) {
  c->cameraSelected = 1;
  c->camera = cameraIndex;
  c->port = c->cameras[cameraIndex].port;
  reinitOnNack = 0;
}

void EngineRig::LogStatus() {
  std::vector<std::string> texts = FakeTextHistory(status);
  for (; statusSeen < texts.size(); statusSeen++) statusLog.emplace_back(VirtualTick(), texts[statusSeen]);
}

std::vector<std::string> EngineRig::StatusTexts() { return FakeTextHistory(status); }

uint32_t EngineRig::StatusTime(const std::string& text, int occurrence) {
  for (const auto& entry : statusLog) {
    if (entry.second != text) continue;
    if (occurrence-- == 0) return entry.first;
  }
  ADD_FAILURE() << "status text never shown: " << text;
  return 0;
}

std::vector<std::string> EngineRig::ListItems() { return FakeListItems(list); }

int EngineRig::Checked(int id) { return static_cast<int>(IsDlgButtonChecked(page, id)); }
