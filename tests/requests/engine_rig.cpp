#include "tests/requests/engine_rig.h"

#include "common/control_ids.h"
#include "common/text.h"
#include "platform/fakewin.h"
#include "platform/os.h"
#include "serial/serial_port.h"

#include <cstdio>

namespace {

HWND Slider(HWND parent, int id, int lo, int hi) {
  HWND w = FakeCreateWindow(FAKE_TRACKBAR, parent, id);
  SendMessageA(w, TBM_SETRANGE, 1, MAKELONG(lo, hi));
  return w;
}

}  // namespace

EngineRig::EngineRig(std::initializer_list<uint8_t> models, WorkerStart start, const SimTiming& timing)
    : line(timing), peer(line, OsTickCount), mode(start) {
  FakeReset();
  panel = FakeCreateWindow(FAKE_WINDOW, nullptr, 0, "panel");
  hPage[0] = panel;
  curPage = 0;
  FakeCreateWindow(FAKE_STATIC, panel, IDC_STATUS);
  FakeCreateWindow(FAKE_LISTBOX, panel, IDC_CAMERA_LIST);
  Slider(panel, IDC_ZOOM_SLIDER, 0, 90);
  Slider(panel, IDC_BRIGHT_SLIDER, 5, 23);
  Slider(panel, IDC_FOCUS_SLIDER, 1, 99);
  Slider(panel, IDC_SHARP_SLIDER, 0, 15);
  Slider(panel, IDC_LEVEL_SLIDER, 0, 14);
  for (int id : {IDC_ZOOM_VALUE, IDC_BRIGHT_VALUE, IDC_FOCUS_VALUE, IDC_SHARP_VALUE, IDC_LEVEL_VALUE})
    FakeCreateWindow(FAKE_EDIT, panel, id);
  FakeCreateWindow(FAKE_STATIC, panel, IDC_BRIGHT_LABEL, "Brightness");
  FakeCreateWindow(FAKE_STATIC, panel, IDC_LEVEL_LABEL, "Exp. Level");
  for (int id : {IDC_POWER, IDC_EXPOSURE_AUTO, IDC_FOCUS_AUTO, IDC_IRIS, IDC_FREEZE, IDC_RECALL1, IDC_RECALL2,
                 IDC_RECALL3, IDC_RECALL4, IDC_RECALL5})
    FakeCreateWindow(FAKE_BUTTON, panel, id);

  setup = FakeCreateWindow(FAKE_WINDOW, nullptr, 0, "Setup");
  hSetupDlg = setup;
  Slider(setup, IDC_R_GAIN_SLIDER, 0, 255);
  Slider(setup, IDC_B_GAIN_SLIDER, 0, 255);
  FakeCreateWindow(FAKE_EDIT, setup, IDC_R_GAIN_VALUE);
  FakeCreateWindow(FAKE_EDIT, setup, IDC_B_GAIN_VALUE);
  for (int id = IDC_SETUP_PRESET_1; id <= IDC_SETUP_PRESET_5; id++) FakeCreateWindow(FAKE_BUTTON, setup, id);

  for (uint8_t m : models) line.AddCamera(m);
  for (uint32_t n = 1; n <= kSerialMaxPorts; n++) SerialPortSetDevice(n, "");
  SerialPortSetPeer(1, &peer);
  c = CreateCameraController(start);
  if (c && start == WORKER_MANUAL) WorkerBegin(c);
}

EngineRig::~EngineRig() {
  DestroyCameraController(c);
  SetPanelRefreshHandler(nullptr);
  SerialPortSetPeer(1, nullptr);
  for (uint32_t n = 1; n <= kSerialMaxPorts; n++) SerialPortSetDevice(n, nullptr);
  hSetupDlg = nullptr;
  hPage[0] = nullptr;
  FakeReset();
}

bool EngineRig::RunUntil(const std::function<bool()>& done, uint32_t timeoutMs) {
  uint32_t start = OsTickCount();
  for (;;) {
    if (done()) return true;
    if (OsTickCount() - start > timeoutMs) return false;
    if (mode == WORKER_MANUAL) WorkerStep(c, &pollCounter);
    OsSleep(1);
  }
}

bool EngineRig::Initialise() {
  if (!RunUntil([this] { return c->listReady.load() == 1 && Idle(); }, 10000)) return false;
  reinitOnNack = 0;
  return true;
}

void EngineRig::Select(int32_t index, bool poll) {
  c->camera = index;
  c->port = c->cameras[index].port;
  if (poll) c->cameraSelected = 1;
  reinitOnNack = 0;
}

void EngineRig::Step() { WorkerStep(c, &pollCounter); }

bool EngineRig::Settle(uint32_t timeoutMs) {
  Step();
  return RunUntil([this] { return Idle(); }, timeoutMs);
}

void EngineRig::Post(uint32_t camera, uint32_t code, int32_t a) {
  c->requestQueue->Put(camera, code, static_cast<uint32_t>(a), 0);
}

bool EngineRig::Request(uint32_t code, int32_t a, uint32_t camera) {
  Post(camera, code, a);
  return Settle();
}

std::vector<Bytes> EngineRig::Received(int index) {
  std::vector<Bytes> out;
  peer.WithLine([&](SimLine& l) {
    SimPacket p;
    for (int n = 0; l.Received(index, n, &p); n++) {
      int kept = p.length < SimPacket::kMaxStored ? p.length : SimPacket::kMaxStored;
      out.emplace_back(p.bytes, p.bytes + kept);
    }
  });
  return out;
}

std::vector<Bytes> EngineRig::ReceivedCommands(int index) {
  std::vector<Bytes> out;
  for (Bytes& b : Received(index))
    if (b.size() > 1 && b[0] != 0x88 && b[1] == 0x01) out.push_back(b);
  return out;
}

std::vector<Bytes> EngineRig::ReceivedInquiries(int index) {
  std::vector<Bytes> out;
  for (Bytes& b : Received(index))
    if (b.size() > 1 && b[1] == 0x09) out.push_back(b);
  return out;
}

void EngineRig::ClearReceived() {
  peer.WithLine([](SimLine& l) { l.ClearReceived(); });
}

std::vector<QueueMessage> EngineRig::TakeNotifications() {
  std::vector<QueueMessage> out;
  QueueMessage m;
  while (c->notifyQueue->TryGet(m.cameraIndex, m.code, m.a, m.b)) out.push_back(m);
  return out;
}

void EngineRig::Check(int id, bool checked) {
  HWND parent = (id >= IDC_SETUP_PRESET_1 && id <= IDC_SETUP_PRESET_5) ? setup : panel;
  CheckDlgButton(parent, id, checked ? BST_CHECKED : BST_UNCHECKED);
}

std::string Hex(const std::vector<Bytes>& packets) {
  std::string out;
  char digits[4];
  for (const Bytes& p : packets) {
    if (!out.empty()) out += "| ";
    for (uint8_t b : p) {
      snprintf(digits, sizeof digits, "%02X ", b);
      out += digits;
    }
  }
  return out;
}

Bytes Packet(int address, std::initializer_list<int> payload) {
  Bytes b;
  b.push_back(static_cast<uint8_t>(0x80 + address));
  for (int v : payload) b.push_back(static_cast<uint8_t>(v));
  b.push_back(0xFF);
  return b;
}
