#include "tests/requests/engine_rig.h"

#include "common/control_ids.h"
#include "common/text.h"
#include "platform/fakewin.h"
#include "platform/os.h"
#include "serial/serial_port.h"

#include <algorithm>
#include <cstdio>

EngineRig::EngineRig(std::initializer_list<uint8_t> models, WorkerStart start, const SimTiming& timing)
    : line(timing), peer(line, OsTickCount), mode(start) {
  FakeReset();
  panel = hPage[0] = FakeCreateWindow(FAKE_WINDOW, nullptr, 0, "panel");
  curPage = 0;
  setup = hSetupDlg = FakeCreateWindow(FAKE_WINDOW, nullptr, 0, "Setup");
  const struct {
    HWND parent;
    int id, lo, hi;
  } sliders[] = {{panel, IDC_ZOOM_SLIDER, 0, 90},   {panel, IDC_BRIGHT_SLIDER, 5, 23},
                 {panel, IDC_FOCUS_SLIDER, 1, 99},  {panel, IDC_SHARP_SLIDER, 0, 15},
                 {panel, IDC_LEVEL_SLIDER, 0, 14},  {setup, IDC_R_GAIN_SLIDER, 0, 255},
                 {setup, IDC_B_GAIN_SLIDER, 0, 255}};
  for (const auto& s : sliders)
    SendMessageA(FakeCreateWindow(FAKE_TRACKBAR, s.parent, s.id), TBM_SETRANGE, 1, MAKELONG(s.lo, s.hi));
  for (int id : {IDC_ZOOM_VALUE, IDC_BRIGHT_VALUE, IDC_FOCUS_VALUE, IDC_SHARP_VALUE, IDC_LEVEL_VALUE})
    FakeCreateWindow(FAKE_EDIT, panel, id);
  for (int id : {IDC_R_GAIN_VALUE, IDC_B_GAIN_VALUE}) FakeCreateWindow(FAKE_EDIT, setup, id);
  for (int id : {IDC_STATUS, IDC_BRIGHT_LABEL, IDC_LEVEL_LABEL}) FakeCreateWindow(FAKE_STATIC, panel, id);
  FakeCreateWindow(FAKE_LISTBOX, panel, IDC_CAMERA_LIST);
  for (int id : {IDC_POWER, IDC_EXPOSURE_AUTO, IDC_FOCUS_AUTO, IDC_IRIS, IDC_FREEZE})
    FakeCreateWindow(FAKE_BUTTON, panel, id);
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
  hSetupDlg = hPage[0] = nullptr;
  FakeReset();
}

bool EngineRig::RunUntil(const std::function<bool()>& done, uint32_t timeoutMs) {
  for (uint32_t start = OsTickCount(); !done(); OsSleep(1)) {
    if (OsTickCount() - start > timeoutMs) return false;
    if (mode == WORKER_MANUAL) WorkerStep(c, &pollCounter);
  }
  return true;
}

bool EngineRig::Initialise() {
  if (!RunUntil([this] { return c->listReady.load() == 1 && Idle(); }, 10000)) return false;
  reinitOnNack = 0;  // as the first selection in the list does
  return true;
}

bool EngineRig::Settle(uint32_t timeoutMs) {
  WorkerStep(c, &pollCounter);
  return RunUntil([this] { return Idle(); }, timeoutMs);
}

std::vector<Bytes> EngineRig::Received(int index, int kind) {
  std::vector<Bytes> out;
  peer.WithLine([&](SimLine& l) {
    SimPacket p;
    for (int n = 0; l.Received(index, n, &p); n++) {
      int kept = p.length < SimPacket::kMaxStored ? p.length : SimPacket::kMaxStored;
      if (kind == 0 || (kept > 1 && p.bytes[0] != 0x88 && p.bytes[1] == kind))
        out.emplace_back(p.bytes, p.bytes + kept);
    }
  });
  return out;
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

Bytes Packet(int address, std::initializer_list<int> payload) {
  Bytes b(payload.begin(), payload.end());
  b.insert(b.begin(), uint8_t(0x80 + address));
  return b.push_back(0xFF), b;
}

std::string Hex(const std::vector<Bytes>& packets) {
  std::string out;
  char digits[4];
  for (const Bytes& p : packets)
    for (size_t i = 0; i < p.size(); i++) {
      snprintf(digits, sizeof digits, "%02X", p[i]);
      out += (i ? " " : out.empty() ? "" : " | ") + std::string(digits);
    }
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
