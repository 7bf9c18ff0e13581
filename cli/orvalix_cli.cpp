// orvalix-cli: the camera engine without the window, for scripting and
// diagnosis. The engine shows its texts and takes its selections through the
// CLI's own panel (cli_panel.h); this thread prints the status texts and
// drains the engine's notifications, and sleeps until there is one of them
// or its wait ends.
#include "cli/cli_options.h"
#include "cli/cli_panel.h"
#include "cli/cli_remote.h"
#include "cli/command_mode.h"
#include "cli/traffic_output.h"
#include "command/camera_line.h"
#include "engine/orvalix_engine.h"
#include "names/names_store.h"
#include "platform/os.h"
#include "remote/event_lines.h"
#include "requests/request_codes.h"
#include "serial/serial_port.h"

#include <atomic>
#include <cstdio>
#include <cstring>

namespace {

constexpr uint32_t kStuckMs = 1500;  // idle without a list this long: initialisation stopped
// While the list fills, the engine's state is looked at this often: an
// initialisation that stops shows no text, and the list is ready a moment
// after its last text. Once per run, so it costs nothing at rest.
constexpr uint32_t kListCheckMs = 2;
constexpr size_t kStatusChars = 256;
// The trace and the command mode are not behind the panel's event: with
// either, a turn of the loop sleeps at most this long.
constexpr uint32_t kTurnMs = 1;

TrafficFollower traffic;  // raw commands' replies; every packet with --trace
bool followTraffic = false;

void PrintStatusTexts(CliPanel* panel, CameraController* c) {
  char text[kStatusChars];
  while (panel->TakeStatusText(text, sizeof text)) {
    if (c) PrintTraffic(c, &traffic);
    printf("%s\n", text);
  }
}

// Each text after the packets recorded before it, so a text a reply caused
// ("Err Answer ...") follows the reply.
void PrintNewStatus(CameraController* c) { PrintStatusTexts(CliPanelOf(c), c); }

void DrainNotifications(CameraController* c) {
  Notification n;
  while (EngineTakeNotification(c, &n)) {
    printf("notify %u %u %d\n", n.camera + 1, n.code, static_cast<int>(n.value));
    PublishEvent("event notify %u %u %d", n.camera + 1, n.code, static_cast<int>(n.value));
  }
}

// Sleeps until the engine has a text or a notification for this thread or
// `ms` has passed, then prints what came.
void WaitAndShow(CameraController* c, uint32_t ms) {
  CliPanelOf(c)->Event().Wait(followTraffic && ms > kTurnMs ? kTurnMs : ms);
  PrintNewStatus(c);
  DrainNotifications(c);
  PrintTraffic(c, &traffic);
}

// One turn of the loop for the command mode and raw commands.
void Pump(CameraController* c) { WaitAndShow(c, kTurnMs); }

std::atomic<int32_t> listSelection{-1};  // the last click's camera

// The exposure boxes as the click that put the request leaves them, while
// the panel shows camera `index`.
void MirrorPanelChecks(CameraController* c, int32_t index, uint32_t code, int32_t a) {
  if (index != listSelection.load()) return;
  if (code == REQ_AE_AUTO) CliPanelOf(c)->SetExposureChecks(a != 0 ? AE_FULL_AUTO : AE_BRIGHT);
  if (code == REQ_AE_MANUAL) CliPanelOf(c)->SetExposureChecks(AE_MANUAL);
}

void StatusLine(CameraController* c, char* out, size_t size) { CliPanelOf(c)->LastStatusText(out, size); }

// Never closed: a listener that did not stop may still use it, and every
// change is in the file once made.
NamesStore* names = nullptr;

// A click in the list, from the command mode, --select or a connection.
void SelectInList(CameraController* c, int32_t index) {
  CliPanelOf(c)->SelectInList(c, index);
  if (listSelection.exchange(index) != index) PublishEvent("event selected %d", static_cast<int>(index + 1));
}

void PublishStatus(const char* text) { PublishEvent("event status %s", text); }

const CliFrontEnd kFrontEnd = {Pump, SelectInList, MirrorPanelChecks, StatusLine, StopWanted};

// A raw command of the command line; a packet for another camera's address ends the run.
bool PutRaw(CameraController* c, int32_t index, const RawPacket& packet) {
  char why[120];
  RawSendResult result;
  const uint32_t start = OsTickCount();
  while ((result = EnginePutRaw(c, index, packet, why, sizeof why)) == RAW_SEND_BUSY &&
         OsTickCount() - start < kCarryOutLimitMs)
    Pump(c);
  if (result == RAW_SEND_PUT) return true;
  fprintf(stderr, "orvalix-cli: --raw: %s\n", why);
  return false;
}

bool AnyRaw(const CliOptions& o) {
  for (int32_t k = 0; k < o.requestCount; k++)
    if (o.requests[k].raw.length > 0) return true;
  return false;
}

enum InitResult { INIT_DONE, INIT_NO_CAMERA, INIT_STOPPED, INIT_TIMEOUT, INIT_UNANSWERED };

// The first camera listed "(no answer)", -1 when every one answers: one
// passed over at start-up reads so from the moment the list is ready until it
// is initialised.
int32_t FirstUnanswered(CameraController* c) {
  const int32_t count = EngineList(c).cameraCount;
  for (int32_t i = 0; i < count; i++)
    if (!CliPanelOf(c)->EntryAnswering(i)) return i;
  return -1;
}

// A script's first movement must find a pan/tilt camera known as one.
bool EveryCameraListed(CameraController* c) {
  const ListSnapshot list = EngineList(c);
  return list.listReady && list.panTiltAsked && FirstUnanswered(c) < 0;
}

// `*unanswered`: the camera still "(no answer)" when the list is ready but the
// time ran out.
InitResult WaitForCameraList(CameraController* c, uint32_t timeoutMs, int32_t* unanswered) {
  uint32_t start = OsTickCount();
  uint32_t idleSince = start;
  bool begun = false;
  while (!EveryCameraListed(c)) {
    WaitAndShow(c, kListCheckMs);
    uint32_t now = OsTickCount();
    const ListSnapshot list = EngineList(c);
    if (!list.idle) begun = true;
    // A list waiting for a camera to answer again is not stuck.
    if (!begun || !list.idle || list.listReady) idleSince = now;
    if (now - idleSince > kStuckMs) return list.cameraCount == 0 ? INIT_NO_CAMERA : INIT_STOPPED;
    if (now - start > timeoutMs && (!list.listReady || !list.panTiltAsked)) return INIT_TIMEOUT;
    if (now - start > timeoutMs && (*unanswered = FirstUnanswered(c)) >= 0) return INIT_UNANSWERED;
  }
  WaitAndShow(c, 0);
  return INIT_DONE;
}

// --config's lines join --ip's; each one skipped is named as the program
// names it on its status line. False when the file cannot be read.
bool LoadConfigFile(CliOptions* options) {
  if (options->configFile[0] == 0) return true;
  NetConfigErrors errors;
  if (!LoadNetConfigFile(options->configFile, &options->network, &errors)) return false;
  for (int i = 0; i < errors.count && i < NetConfigErrors::kMaxTexts; i++) printf("%s\n", errors.texts[i]);
  if (errors.count > NetConfigErrors::kMaxTexts)
    printf("%d more lines of %s skipped\n", errors.count - NetConfigErrors::kMaxTexts, options->configFile);
  return true;
}

// A port or network line named on the command line that did not open ends the run.
bool AllOpened(CameraController* c, const CliOptions& options, char* what, size_t size) {
  for (int i = 0; i < CliOptions::kMaxPorts; i++) {
    if (!options.devices[i][0] || EngineLineOpen(c, i)) continue;
    snprintf(what, size, "%s (COM%d)", options.devices[i], i + 1);
    return false;
  }
  for (int i = 0; i < kNetMaxLines; i++) {
    if (options.network.lines[i].kind == NET_NONE || EngineLineOpen(c, kSerialLineCount + i)) continue;
    snprintf(what, size, "IP%d", i + 1);
    return false;
  }
  return true;
}

// Ends the engine; the texts it left are printed after the packets recorded
// before it went.
void EndEngine(CameraController* c) {
  CliPanel* panel = CliPanelOf(c);
  PrintTraffic(c, &traffic);
  EngineDestroy(c);
  PrintStatusTexts(panel, nullptr);
}

// Ends the run of a step that fails: false.
bool Fail(CameraController* c, const char* format, const char* detail) {
  if (c) EndEngine(c);
  fprintf(stderr, "orvalix-cli: ");
  fprintf(stderr, format, detail);
  fprintf(stderr, "\n");
  return false;
}

// The command line read; false when the run ends here, with `*exitCode`.
bool ReadCommandLine(int argc, char** argv, CliOptions* options, int* exitCode) {
  char error[400];
  if (!ParseCliOptions(argc, argv, options, error, sizeof error)) {
    fprintf(stderr, "orvalix-cli: %s\n%s", error, kCliUsage);
    *exitCode = 2;
    return false;
  }
  if (options->help) {
    fputs(kCliUsage, stdout);
    *exitCode = 0;
    return false;
  }
  return true;
}

// The engine on the lines named, its worker running; false once the failure
// has been said.
bool StartEngine(CliOptions* options, CliPanel* panel, CameraController** engine) {
  // Only the ports given are real; every other COM port does not exist.
  for (uint32_t n = 1; n <= kSerialMaxPorts; n++)
    SerialPortSetDevice(n, n <= CliOptions::kMaxPorts ? options->devices[n - 1] : "");
  if (!LoadConfigFile(options)) return Fail(nullptr, "cannot read %s", options->configFile);
  followTraffic = options->trace || options->commandMode || AnyRaw(*options);
  if (!panel->Create()) return Fail(nullptr, "%s", "cannot create the panel's event");
  panel->WatchStatus(PublishStatus);
  CameraController* c = EngineCreate(panel->Hooks(), &options->network, &panel->Event(), ENGINE_WORKER_HELD);
  if (!c) return Fail(nullptr, "%s", "cannot create the camera engine");
  traffic = StartTrafficFollower(c, options->trace);
  PrintNewStatus(c);
  char what[CliOptions::kDeviceChars + 32];
  if (!AllOpened(c, *options, what, sizeof what)) return Fail(c, "cannot open %s", what);
  if (!EngineStart(c)) return Fail(c, "%s", "cannot start the engine's worker");
  *engine = c;
  return true;
}

// False once the failure has been said.
bool AwaitCameraList(CameraController* c, const CliOptions& options) {
  int32_t unanswered = -1;
  char what[32];
  switch (WaitForCameraList(c, options.timeoutMs, &unanswered)) {
    case INIT_DONE:
      return true;
    case INIT_NO_CAMERA:
      return Fail(c, "%s", "no camera answered");
    case INIT_STOPPED:
      return Fail(c, "%s", "initialisation stopped before the camera list was filled");
    case INIT_TIMEOUT:
      return Fail(c, "%s", "initialisation did not finish in time");
    case INIT_UNANSWERED:
      std::snprintf(what, sizeof what, "%d", static_cast<int>(unanswered + 1));
      return Fail(c, "camera %s is not answering", what);
  }
  return true;
}

void PrintCameras(CameraController* c) {
  CameraSnapshot r;
  for (int32_t i = 0; EngineCamera(c, i, &r); i++) {
    char line[kCameraLineChars];
    FormatCameraLine(r, i, line, sizeof line);
    printf("%s\n", line);
  }
}

// --select's camera, and the requests and raw commands for it; false once
// the failure has been said.
bool PutRequests(CameraController* c, const CliOptions& options) {
  if (options.select <= 0) return true;
  int32_t index = options.select - 1;
  if (index >= EngineList(c).cameraCount) {
    char what[32];
    snprintf(what, sizeof what, "%d", static_cast<int>(options.select));
    return Fail(c, "--select %s: no such camera", what);
  }
  SelectInList(c, index);
  for (int32_t k = 0; k < options.requestCount; k++) {
    const CliRequest& q = options.requests[k];
    if (q.raw.length > 0) {
      if (!PutRaw(c, index, q.raw)) return Fail(c, "%s", "a raw command was not sent");
      continue;
    }
    MirrorPanelChecks(c, index, q.code, q.a);
    EnginePut(c, static_cast<uint32_t>(index), q.code, static_cast<uint32_t>(q.a), 0);
  }
  return true;
}

CameraController* EngineOf(void* context) { return static_cast<CameraController*>(context); }
void RemoteSelect(void* context, int32_t index) { SelectInList(EngineOf(context), index); }
void RemoteMirror(void* context, int32_t index, uint32_t code, int32_t a) {
  MirrorPanelChecks(EngineOf(context), index, code, a);
}
void RemoteStatus(void* context, char* out, size_t size) { StatusLine(EngineOf(context), out, size); }
int32_t RemoteListSelection(void*) { return listSelection.load(); }

// The command language behind remote lines, acting on the panel as the
// command mode does; a full queue is refused at once.
ConnectionCommands* RemoteCommands(CameraController* c) {
  static ConnectionCommands commands;
  commands.host.controller = c;
  commands.host.names = names;
  commands.host.context = c;
  commands.host.select = RemoteSelect;
  commands.host.mirror = RemoteMirror;
  commands.host.statusText = RemoteStatus;
  commands.listSelection = RemoteListSelection;
  return &commands;
}

// A listener without --stdin serves until --wait runs out (none: no end) or
// Ctrl+C / SIGTERM.
void ServeUntilStopped(CameraController* c, uint32_t waitMs) {
  constexpr uint32_t kStopCheckMs = 250;  // how soon a stop signal is seen
  const uint32_t start = OsTickCount();
  for (uint32_t waited = 0; !StopWanted() && (waitMs == 0 || waited < waitMs); waited = OsTickCount() - start)
    WaitAndShow(c, waitMs == 0 || waitMs - waited > kStopCheckMs ? kStopCheckMs : waitMs - waited);
}

// Raw commands and commands from standard input end once carried out; then
// the engine serves --wait's time (a listener: until stopped) and ends.
void RunToEnd(CameraController* c, const CliOptions& options, RemoteServer* remote) {
  // With a listener Ctrl+C ends the run as its end would: what connections left moving is stopped.
  if (remote != nullptr) CatchStopSignals();
  if (options.commandMode)
    RunCommandMode(c, 0, kFrontEnd, options.select - 1, names);
  else if (AnyRaw(options) && !WaitUntilCarriedOut(c, kFrontEnd, kCarryOutLimitMs))
    printf("error: not carried out within 15 s\n");
  if (remote != nullptr && !options.commandMode) {
    ServeUntilStopped(c, options.waitMs);
  } else {
    uint32_t start = OsTickCount();
    for (uint32_t waited = 0; waited < options.waitMs; waited = OsTickCount() - start)
      WaitAndShow(c, options.waitMs - waited);
  }
  StopCliRemote(remote);
  WaitAndShow(c, 0);
  EndEngine(c);
}

}  // namespace

int main(int argc, char** argv) {
  setvbuf(stdout, nullptr, _IOLBF, 0);
  CliOptions options;
  // Static: a worker that does not stop is left running until exit, and its
  // hooks still reach the panel.
  static CliPanel panel;
  int exitCode = 0;
  if (!ReadCommandLine(argc, argv, &options, &exitCode)) return exitCode;
  char status[kNamesStatusChars];
  names = NamesOpen(options.namesFile[0] != 0 ? options.namesFile : nullptr, status, sizeof status);
  if (status[0] != 0) fprintf(stderr, "orvalix-cli: %s\n", status);
  CameraController* c = nullptr;
  if (!StartEngine(&options, &panel, &c) || !AwaitCameraList(c, options)) return 1;
  PrintCameras(c);
  if (!PutRequests(c, options)) return 1;
  RunToEnd(c, options, StartCliRemote(options, RemoteCommands(c)));
  return 0;
}
