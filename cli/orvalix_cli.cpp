// orvalix-cli: the camera engine without the window, for scripting and
// diagnosis. The panel's controls exist in the in-memory window table; this
// thread owns them as the user-interface thread would, prints what the engine
// shows on them and drains the engine's notifications.
#include "cli/camera_line.h"
#include "cli/cli_options.h"
#include "cli/command_mode.h"
#include "cli/headless_panel.h"
#include "cli/traffic_output.h"
#include "common/control_ids.h"
#include "common/text.h"
#include "engine/camera_controller.h"
#include "engine/raw_command.h"
#include "platform/fakewin.h"
#include "platform/os.h"
#include "requests/request_codes.h"
#include "serial/serial_port.h"

#include <cstdio>
#include <cstring>

namespace {

constexpr uint32_t kStuckMs = 1500;  // idle without a list this long: initialisation stopped

HeadlessPanel panel;  // the status line and camera list the engine writes
size_t statusPrinted;
TrafficFollower traffic;  // raw commands' replies; every packet with --trace

void PrintNewStatus() {
  std::vector<std::string> texts = FakeTextHistory(panel.status);
  for (; statusPrinted < texts.size(); statusPrinted++) printf("%s\n", texts[statusPrinted].c_str());
}

void DrainNotifications(CameraController* c) {
  uint32_t camera, code, value, unused;
  while (c->notifyQueue->TryGet(camera, code, value, unused))
    printf("notify %u %u %d\n", camera + 1, code, static_cast<int>(value));
}

// One turn of the user-interface loop: serve the worker's calls into the
// panel, then show what changed.
void Pump(CameraController* c) {
  DispatchIncomingSentMessages();
  PrintNewStatus();
  DrainNotifications(c);
  PrintTraffic(&traffic);
  OsSleep(1);
}

// The exposure check boxes as the panel shows them for a camera's mode; the
// engine reads them to choose inquiries and notifications.
void ShowExposureChecks(int32_t aeMode) {
  CheckDlgButton(hPage[0], IDC_EXPOSURE_AUTO, aeMode == 0 ? BST_CHECKED : BST_UNCHECKED);
  CheckDlgButton(hPage[0], IDC_IRIS, aeMode == 3 ? BST_CHECKED : BST_UNCHECKED);
}

// A click in the camera list: the panel's check boxes follow the camera's
// exposure mode, and the engine makes it current.
void SelectInList(CameraController* c, int32_t index) {
  if (index < 0 || index >= c->cameraCount.load()) return;
  ShowExposureChecks(c->cameras[index].aeMode);
  SelectCamera(c, index);
  SetStatus("Camera %d selected", static_cast<int>(index + 1));
}

// The check boxes whose click would have posted the request.
void MirrorPanelChecks(uint32_t code, int32_t a) {
  switch (code) {
    case REQ_FOCUS_AUTO:
      CheckDlgButton(hPage[0], IDC_FOCUS_AUTO, a != 0 ? BST_CHECKED : BST_UNCHECKED);
      break;
    case REQ_AE_AUTO:
      ShowExposureChecks(a != 0 ? 0 : 13);
      break;
    case REQ_AE_MANUAL:
      ShowExposureChecks(3);
      break;
    default:
      break;
  }
}

void PrintStatusLine() { printf("status: %s\n", FakeGetText(panel.status).c_str()); }

const CliFrontEnd kFrontEnd = {Pump, SelectInList, MirrorPanelChecks, PrintStatusLine};

// A raw command of the command line; a packet for another camera's address ends the run.
bool PutRaw(CameraController* c, int32_t index, const RawPacket& packet) {
  char why[120];
  RawPutResult result;
  const uint32_t start = OsTickCount();
  while ((result = PutRawCommand(c, index, packet, why, sizeof why)) == RAW_BUSY &&
         OsTickCount() - start < kCarryOutLimitMs)
    Pump(c);
  if (result == RAW_PUT) return true;
  fprintf(stderr, "orvalix-cli: --raw: %s\n", why);
  return false;
}

bool AnyRaw(const CliOptions& o) {
  for (int32_t k = 0; k < o.requestCount; k++)
    if (o.requests[k].raw.length > 0) return true;
  return false;
}

enum InitResult { INIT_DONE, INIT_NO_CAMERA, INIT_STOPPED, INIT_TIMEOUT };

InitResult WaitForCameraList(CameraController* c, uint32_t timeoutMs) {
  uint32_t start = OsTickCount();
  uint32_t idleSince = start;
  bool begun = false;
  while (c->listReady.load() == 0) {
    Pump(c);
    uint32_t now = OsTickCount();
    bool idle = c->mode.load() == 0 && c->stage.load() == 0;
    if (!idle) begun = true;
    if (!begun || !idle) idleSince = now;
    if (now - idleSince > kStuckMs) return c->cameraCount.load() == 0 ? INIT_NO_CAMERA : INIT_STOPPED;
    if (now - start > timeoutMs) return INIT_TIMEOUT;
  }
  Pump(c);
  return INIT_DONE;
}

int Fail(CameraController* c, const char* format, const char* detail) {
  if (c) {
    DestroyCameraController(c);
    PrintNewStatus();
  }
  fprintf(stderr, "orvalix-cli: ");
  fprintf(stderr, format, detail);
  fprintf(stderr, "\n");
  return 1;
}

}  // namespace

int main(int argc, char** argv) {
  setvbuf(stdout, nullptr, _IOLBF, 0);
  CliOptions options;
  char error[400];
  if (!ParseCliOptions(argc, argv, &options, error, sizeof error)) {
    fprintf(stderr, "orvalix-cli: %s\n%s", error, kCliUsage);
    return 2;
  }
  if (options.help) {
    fputs(kCliUsage, stdout);
    return 0;
  }

  // Only the ports given are real; every other COM port does not exist.
  for (uint32_t n = 1; n <= kSerialMaxPorts; n++)
    SerialPortSetDevice(n, n <= CliOptions::kMaxPorts ? options.devices[n - 1] : "");

  traffic = StartTrafficFollower(options.trace);
  panel = CreateHeadlessPanel();
  FakeBecomeOwner();
  CameraController* c = CreateCameraController(WORKER_MANUAL);
  if (!c) return Fail(nullptr, "%s", "cannot create the camera engine");
  PrintNewStatus();
  for (int i = 0; i < CliOptions::kMaxPorts; i++) {
    if (options.devices[i][0] && !c->channels[i]) {
      char what[CliOptions::kDeviceChars + 32];
      snprintf(what, sizeof what, "%s (COM%d)", options.devices[i], i + 1);
      return Fail(c, "cannot open %s", what);
    }
  }
  SetPanelRefreshHandler(SelectInList);
  if (!c->thread.Start(CameraWorkerThread, c)) return Fail(c, "%s", "cannot start the engine's worker");

  switch (WaitForCameraList(c, options.timeoutMs)) {
    case INIT_DONE:
      break;
    case INIT_NO_CAMERA:
      return Fail(c, "%s", "no camera answered");
    case INIT_STOPPED:
      return Fail(c, "%s", "initialisation stopped before the camera list was filled");
    case INIT_TIMEOUT:
      return Fail(c, "%s", "initialisation did not finish in time");
  }

  int32_t count = c->cameraCount.load();
  for (int32_t i = 0; i < count; i++) {
    char line[1536];
    FormatCameraLine(c->cameras[i], i, line, sizeof line);
    printf("%s\n", line);
  }

  if (options.select > 0) {
    int32_t index = options.select - 1;
    if (index >= count) {
      char what[32];
      snprintf(what, sizeof what, "%d", static_cast<int>(options.select));
      return Fail(c, "--select %s: no such camera", what);
    }
    SendMessageA(panel.cameraList, LB_SETCURSEL, static_cast<WPARAM>(index), 0);
    SelectInList(c, index);
    for (int32_t k = 0; k < options.requestCount; k++) {
      const CliRequest& q = options.requests[k];
      if (q.raw.length > 0) {
        if (!PutRaw(c, index, q.raw)) return Fail(c, "%s", "a raw command was not sent");
        continue;
      }
      MirrorPanelChecks(q.code, q.a);
      c->requestQueue->Put(static_cast<uint32_t>(index), q.code, static_cast<uint32_t>(q.a), 0);
    }
  }
  // Raw commands and commands from standard input end once carried out.
  int32_t selected = options.select - 1;
  if (options.commandMode)
    RunCommandMode(c, 0, kFrontEnd, &selected);
  else if (AnyRaw(options) && !WaitUntilCarriedOut(c, kFrontEnd, kCarryOutLimitMs))
    printf("error: not carried out within 15 s\n");

  uint32_t start = OsTickCount();
  while (OsTickCount() - start < options.waitMs) Pump(c);
  Pump(c);

  SetPanelRefreshHandler(nullptr);
  DestroyCameraController(c);
  PrintNewStatus();
  return 0;
}
