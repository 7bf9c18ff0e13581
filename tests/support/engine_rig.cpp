#include "tests/support/engine_rig.h"

#include "common/control_ids.h"
#include "common/text.h"
#include "platform/os.h"
#include "serial/serial_port.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>

namespace {

std::atomic<uint32_t> virtualTick{0};

bool IsSetupControl(int id) {
  return (id >= IDC_SETUP_PRESET_1 && id <= IDC_SETUP_PRESET_5) || id == IDC_R_GAIN_SLIDER || id == IDC_B_GAIN_SLIDER ||
         id == IDC_R_GAIN_VALUE || id == IDC_B_GAIN_VALUE;
}

}  // namespace

uint32_t VirtualTick() { return virtualTick.load(); }

std::string Hex(const Bytes& bytes) {
  std::string out;
  char text[4];
  for (uint8_t b : bytes) {
    snprintf(text, sizeof text, " %02X", b);
    out += text;
  }
  return out.empty() ? out : out.substr(1);
}

std::string Hex(const std::vector<Bytes>& packets) {
  std::string out;
  for (const Bytes& p : packets) out += (out.empty() ? "" : " | ") + Hex(p);
  return out;
}

std::string Framed(const std::string& payloads, const std::string& prefix) {
  std::string out;
  for (size_t at = 0, bar; at < payloads.size(); at = bar + 1) {
    bar = std::min(payloads.find('|', at), payloads.size());
    out += (out.empty() ? "" : " | ") + prefix + payloads.substr(at, bar - at) + " FF";
  }
  return out;
}

Bytes Packet(int address, std::initializer_list<int> payload) {
  Bytes b(payload.begin(), payload.end());
  b.insert(b.begin(), uint8_t(0x80 + address));
  return b.push_back(0xFF), b;
}

WirePeer::WirePeer(std::initializer_list<uint8_t> models, const SimTiming& timing) : line(timing) {
  for (uint8_t model : models) line.AddCamera(model);
  if (models.size() > 0) cameras.reset(new SimPeer(line, VirtualTick));
}

void WirePeer::OnWrite(const uint8_t* data, int32_t length) {
  std::lock_guard<std::mutex> lk(m);
  frames.push_back(WireFrame{VirtualTick(), Hex(Bytes(data, data + length))});
  if (cameras) cameras->OnWrite(data, length);
  quietReads = 0;
  cv.notify_all();
}

int WirePeer::ReadByte(uint8_t* byte) {
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

std::vector<WireFrame> WirePeer::Frames() {
  std::lock_guard<std::mutex> lk(m);
  return frames;
}

Lines WirePeer::Hexes() {
  Lines out;
  for (const WireFrame& f : Frames()) out.push_back(f.hex);
  return out;
}

void WirePeer::Inject(const Bytes& bytes) {
  std::lock_guard<std::mutex> lk(m);
  injected.insert(injected.end(), bytes.begin(), bytes.end());
}

// A read that finds nothing comes after the I/O thread has stored every byte
// it read before, and is followed by a look at the transmit ring.
void WirePeer::TakeDue() {
  std::unique_lock<std::mutex> lk(m);
  if (PullDue() || quietReads == 0) WaitForQuietReads(lk, 1);
}

void WirePeer::Flush() {
  std::unique_lock<std::mutex> lk(m);
  WaitForQuietReads(lk, 2);
}

void WirePeer::WaitForQuietReads(std::unique_lock<std::mutex>& lk, int count) {
  quietReads = 0;
  if (!cv.wait_for(lk, std::chrono::seconds(20), [&] { return quietReads >= count; }))
    ADD_FAILURE() << "the serial I/O thread did not settle within 20 s";
}

// Moves what the cameras have due now behind the injected bytes.
bool WirePeer::PullDue() {
  uint8_t byte;
  while (cameras && cameras->ReadByte(&byte)) injected.push_back(byte);
  return !injected.empty();
}

std::vector<Bytes> WirePeer::Received(int index, int kind) {
  std::vector<Bytes> out;
  if (!cameras) return out;
  cameras->WithLine([&](SimLine& l) {
    SimPacket p;
    for (int n = 0; l.Received(index, n, &p); n++) {
      int kept = std::min(p.length, SimPacket::kMaxStored);
      if (kind == 0 || (kept > 1 && p.bytes[0] != 0x88 && p.bytes[1] == kind))
        out.emplace_back(p.bytes, p.bytes + kept);
    }
  });
  return out;
}

void WirePeer::ClearReceived() {
  if (cameras) cameras->WithLine([](SimLine& l) { l.ClearReceived(); });
}

SimCameraState WirePeer::State(int index) {
  SimCameraState state;
  if (cameras) cameras->WithLine([&](SimLine& l) { state = l.State(index); });
  return state;
}

void WirePeer::SetStoredPicture(int index, const std::function<void(SimCameraState&)>& edit) {
  if (!cameras) return;
  cameras->WithLine([&](SimLine& l) {
    SimCameraState state = l.State(index);
    edit(state);
    for (SimPicture& preset : state.presets) preset = state.picture;
    state.customPreset = state.picture;
    l.SetState(index, state);
  });
}

EngineRig::EngineRig() {
  FakeReset();
  virtualTick = 100000;
  OsSetTickSourceForTest(VirtualTick);
  for (uint32_t n = 1; n <= kChannelCount; n++) SerialPortSetDevice(n, "");
  panel = hPage[0] = FakeCreateWindow(FAKE_WINDOW, nullptr, 0, "panel");
  hPage[1] = hPage[2] = nullptr;
  curPage = 0;
  setup = hSetupDlg = FakeCreateWindow(FAKE_WINDOW, nullptr, 0, "Setup");
  const struct {
    int id, lo, hi;
  } sliders[] = {{IDC_ZOOM_SLIDER, 0, 90},   {IDC_BRIGHT_SLIDER, 5, 23}, {IDC_FOCUS_SLIDER, 1, 99},
                 {IDC_SHARP_SLIDER, 0, 15},  {IDC_LEVEL_SLIDER, 0, 14},  {IDC_R_GAIN_SLIDER, 0, 255},
                 {IDC_B_GAIN_SLIDER, 0, 255}};
  for (const auto& s : sliders)
    SendMessageA(FakeCreateWindow(FAKE_TRACKBAR, IsSetupControl(s.id) ? setup : panel, s.id), TBM_SETRANGE, 1,
                 MAKELONG(s.lo, s.hi));
  for (int id : std::initializer_list<int>{IDC_ZOOM_VALUE, IDC_BRIGHT_VALUE, IDC_FOCUS_VALUE, IDC_SHARP_VALUE,
                                           IDC_LEVEL_VALUE, IDC_STATUS, IDC_R_GAIN_VALUE, IDC_B_GAIN_VALUE})
    FakeCreateWindow(FAKE_EDIT, IsSetupControl(id) ? setup : panel, id);
  for (int id : {IDC_BRIGHT_LABEL, IDC_LEVEL_LABEL}) FakeCreateWindow(FAKE_STATIC, panel, id);
  FakeCreateWindow(FAKE_LISTBOX, panel, IDC_CAMERA_LIST);
  for (int id :
       std::initializer_list<int>{IDC_POWER, IDC_EXPOSURE_AUTO, IDC_FOCUS_AUTO, IDC_IRIS, IDC_FREEZE, IDC_RECALL1,
                                  IDC_RECALL2, IDC_RECALL3, IDC_RECALL4, IDC_RECALL5, IDC_SETUP_PRESET_1,
                                  IDC_SETUP_PRESET_2, IDC_SETUP_PRESET_3, IDC_SETUP_PRESET_4, IDC_SETUP_PRESET_5})
    FakeCreateWindow(FAKE_BUTTON, IsSetupControl(id) ? setup : panel, id);
}

EngineRig::EngineRig(std::initializer_list<uint8_t> com1, const SimTiming& timing) : EngineRig() {
  Attach(1, com1, timing);
  Start();
}

EngineRig::~EngineRig() {
  DestroyCameraController(c);
  SetPanelRefreshHandler(nullptr);
  for (uint32_t n = 1; n <= kChannelCount; n++) {
    SerialPortSetPeer(n, nullptr);
    SerialPortSetDevice(n, nullptr);
  }
  OsSetTickSourceForTest(nullptr);
  hSetupDlg = hPage[0] = nullptr;
  FakeReset();
}

WirePeer& EngineRig::Attach(int comNumber, std::initializer_list<uint8_t> models, const SimTiming& timing) {
  peers[comNumber - 1].reset(new WirePeer(models, timing));
  SerialPortSetPeer(static_cast<uint32_t>(comNumber), peers[comNumber - 1].get());
  return *peers[comNumber - 1];
}

void EngineRig::Start(WorkerStart worker) {
  c = CreateCameraController(worker);
  ASSERT_NE(c, nullptr);
  if (worker == WORKER_MANUAL) WorkerBegin(c);
}

void EngineRig::Step() {
  virtualTick++;
  int32_t queued[kChannelCount] = {};
  for (int i = 0; i < kChannelCount; i++) {
    if (!c->channels[i] || !peers[i]) continue;
    peers[i]->TakeDue();
    queued[i] = c->channels[i]->TransmitWriteIndexForTest();
  }
  WorkerStep(c, &pollCounter);
  for (int i = 0; i < kChannelCount; i++)
    if (c->channels[i] && peers[i] && c->channels[i]->TransmitWriteIndexForTest() != queued[i]) peers[i]->Flush();
}

void EngineRig::Run(int ms) {
  while (ms-- > 0) Step();
}

bool EngineRig::RunUntil(const std::function<bool()>& done, int maxMs) {
  for (int i = 0; i < maxMs && !done(); i++) Step();
  return done();
}

void EngineRig::Jump(uint32_t ms) { virtualTick += ms; }

bool EngineRig::RunToReady(int maxMs) {
  return RunUntil([this] { return c->listReady.load() == 1 && Idle(); }, maxMs);
}

bool EngineRig::Initialise() {
  if (!RunToReady()) return false;
  reinitOnNack = 0;
  return true;
}

bool EngineRig::Select(int index) {
  SelectCamera(c, index);
  return RunUntil(
      [&] { return c->cameraSelected.load() == 1 && c->camera.load() == index && reinitOnNack.load() == 0; }, 20000);
}

bool EngineRig::Settle(int maxMs) {
  Step();
  return RunUntil([this] { return Idle(); }, maxMs);
}

std::vector<QueueMessage> EngineRig::TakeNotifications() {
  std::vector<QueueMessage> out;
  QueueMessage m;
  while (c->notifyQueue->TryGet(m.cameraIndex, m.code, m.a, m.b)) out.push_back(m);
  return out;
}

Lines EngineRig::StatusTexts() { return FakeTextHistory(GetDlgItem(panel, IDC_STATUS)); }
Lines EngineRig::ListItems() { return FakeListItems(GetDlgItem(panel, IDC_CAMERA_LIST)); }

int EngineRig::Checked(int id) { return static_cast<int>(IsDlgButtonChecked(IsSetupControl(id) ? setup : panel, id)); }

void EngineRig::Check(int id, bool checked) {
  CheckDlgButton(IsSetupControl(id) ? setup : panel, id, checked ? BST_CHECKED : BST_UNCHECKED);
}
