// orvalix_bench: the engine on its own worker thread against serial devices,
// timed on the machine's monotonic clock. tools/bench runs the cameras
// (camsim) and reads the figures printed here as "key value" lines.
//   init --port N=DEV...                 discovery and initialisation
//   latency --port N=DEV... --count K    Put of request 45 to its first byte
//   pad --port N=DEV... --count K        camera 1 pans and tilts: keypad 8 or 2
//                                        pressed and let go K times through the
//                                        pad's rules, "down_us T" and "up_us T"
//                                        for each
// (init and latency: --ip N=HOST:PORT[,KIND] for network lines, as orvalix-cli)
//   idle (--port N=DEV... | --silent N) [--select CAM] --seconds S
//                                        processor time and memory at rest
//   hold-ptys N --seconds S              N pseudo-terminals that never answer
//   line --seconds S                     the serial channel at full line speed
//   recovery --port N=DEV... --seconds S camera 1 selected, a Freeze put
//                                        whenever none waits, and every status
//                                        text with its time, while camsim
//                                        unplugs the line and cuts power
// With --trace-reader MS a thread reads and formats the new traffic trace
// entries every MS milliseconds, as the Traffic window does every 100 ms.
#include "cli/cli_panel.h"
#include "engine/orvalix_engine.h"
#include "net/net_config.h"
#include "panel/pad_drive.h"
#include "requests/request_codes.h"
#include "serial/serial_port.h"
#include "tools/src/bench/line_speed.h"

#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <time.h>
#include <unistd.h>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

namespace {

constexpr uint32_t kPorts = 10;
constexpr int kPathChars = 256;
constexpr uint64_t kNsPerUs = 1000;
constexpr uint64_t kNsPerMs = 1000000;
constexpr uint64_t kNsPerSecond = 1000000000;
constexpr uint64_t kInitLimitNs = 600 * kNsPerSecond;   // 70 cameras take about a minute
constexpr uint64_t kRequestLimitNs = 5 * kNsPerSecond;  // one request and its read-back
constexpr uint64_t kCheckEveryNs = 100 * kNsPerUs;      // how often a wait looks again
constexpr uint64_t kSettleNs = 1 * kNsPerSecond;        // before an idle measurement
constexpr uint64_t kStuckNs = 3 * kNsPerSecond;         // idle without a list: stopped
// Requests are spaced by this much plus up to kSpreadNs, so that Put falls
// anywhere in the worker's 1 ms cycle.
constexpr uint64_t kGapNs = 2 * kNsPerMs;
constexpr uint64_t kSpreadNs = 5 * kNsPerMs;
// A pad key is held this long plus up to kSpreadNs, and let go as long: the
// stop's position read is over before the next press.
constexpr uint64_t kPadGapNs = 5 * kNsPerMs;
// A recovery run puts its next Freeze this long after the last one left the queue.
constexpr uint64_t kRecoveryPutNs = 20 * kNsPerMs;

uint64_t NowNs(clockid_t clock = CLOCK_MONOTONIC) {
  timespec ts;
  clock_gettime(clock, &ts);
  return static_cast<uint64_t>(ts.tv_sec) * kNsPerSecond + static_cast<uint64_t>(ts.tv_nsec);
}

void PauseNs(uint64_t ns) {
  timespec ts = {static_cast<time_t>(ns / kNsPerSecond), static_cast<long>(ns % kNsPerSecond)};
  while (nanosleep(&ts, &ts) != 0) {
  }
}

// Looks at done() every kCheckEveryNs until it holds or limitNs has passed.
template <typename Done>
bool WaitFor(Done done, uint64_t limitNs) {
  const uint64_t start = NowNs();
  while (!done()) {
    if (NowNs() - start > limitNs) return false;
    PauseNs(kCheckEveryNs);
  }
  return true;
}

struct Options {
  std::string mode;
  char devices[kPorts][kPathChars] = {};
  int silent = 0;
  int count = 1000;
  int select = 0;  // camera number; 0: none
  double seconds = 10;
  int traceReaderMs = 0;  // 0: nobody reads the trace
  NetConfig network;
};

int Usage() {
  fprintf(stderr,
          "usage: orvalix_bench init (--port N=DEV | --ip N=HOST:PORT[,KIND])...\n"
          "       orvalix_bench latency (--port N=DEV | --ip N=HOST:PORT[,KIND])... [--count K]\n"
          "       orvalix_bench pad --port N=DEV... [--count K]\n"
          "       orvalix_bench idle (--port N=DEV... | --silent N) [--select CAM] [--seconds S]\n"
          "       orvalix_bench hold-ptys N [--seconds S]\n"
          "       orvalix_bench line [--seconds S]\n"
          "       orvalix_bench recovery --port N=DEV... [--seconds S]\n"
          "       (init, latency, idle: [--trace-reader MS])\n");
  return 2;
}

bool ParseOptions(int argc, char** argv, Options* o) {
  if (argc < 2) return false;
  o->mode = argv[1];
  int i = 2;
  if (o->mode == "hold-ptys") {
    if (argc < 3) return false;
    o->silent = atoi(argv[2]);
    i = 3;
  }
  for (; i < argc; i++) {
    const std::string arg = argv[i];
    if (i + 1 >= argc) return false;
    const char* value = argv[++i];
    if (arg == "--port") {
      const char* eq = strchr(value, '=');
      const int n = atoi(value);
      if (!eq || n < 1 || n > static_cast<int>(kPorts)) return false;
      snprintf(o->devices[n - 1], kPathChars, "%s", eq + 1);
    } else if (arg == "--ip") {
      char error[160];
      if (!ParseNetOption(value, &o->network, error, sizeof error)) {
        fprintf(stderr, "orvalix_bench: %s\n", error);
        return false;
      }
    } else if (arg == "--silent") {
      o->silent = atoi(value);
    } else if (arg == "--count") {
      o->count = atoi(value);
    } else if (arg == "--select") {
      o->select = atoi(value);
    } else if (arg == "--seconds") {
      o->seconds = atof(value);
    } else if (arg == "--trace-reader") {
      o->traceReaderMs = atoi(value);
    } else {
      return false;
    }
  }
  return o->silent >= 0 && o->silent <= static_cast<int>(kPorts) && o->count > 0 && o->seconds > 0 &&
         o->traceReaderMs >= 0;
}

// Reads the trace as a viewer does while the engine runs; the lines go nowhere.
class TraceReader {
 public:
  void Start(const CameraController* c, int periodMs) {
    if (periodMs <= 0) return;
    thread = std::thread([this, c, periodMs] {
      uint32_t next = EngineTraceNewest(c) + 1;
      TraceLines entry;
      while (!stop.load()) {
        for (const uint32_t newest = EngineTraceNewest(c); next <= newest; next++) {
          if (EngineTraceRead(c, next, &entry)) lines++;
        }
        PauseNs(static_cast<uint64_t>(periodMs) * kNsPerMs);
      }
    });
  }
  // Stops the thread; the lines it formatted.
  uint64_t Stop() {
    stop = true;
    if (thread.joinable()) thread.join();
    return lines;
  }

 private:
  std::thread thread;
  std::atomic<bool> stop{false};
  uint64_t lines = 0;
};

// A pseudo-terminal whose far end nobody reads: a port that opens but where
// no camera answers.
struct SilentPty {
  int master = -1;
  int device = -1;
  char path[kPathChars] = {};

  SilentPty() = default;
  SilentPty(const SilentPty&) = delete;
  SilentPty& operator=(const SilentPty&) = delete;

  bool Open() {
    master = posix_openpt(O_RDWR | O_NOCTTY);
    if (master < 0 || grantpt(master) != 0 || unlockpt(master) != 0 || ptsname_r(master, path, sizeof path) != 0)
      return false;
    // Held open, so the line stays when the program closes its port.
    device = open(path, O_RDWR | O_NOCTTY | O_NONBLOCK);
    termios tio;
    if (device < 0 || tcgetattr(device, &tio) != 0) return false;
    cfmakeraw(&tio);
    return tcsetattr(device, TCSANOW, &tio) == 0;
  }
  ~SilentPty() {
    if (device >= 0) close(device);
    if (master >= 0) close(master);
  }
};

bool Idle(const CameraController* c) { return EngineList(c).idle; }

// Discovery has reported and, with cameras found, initialisation has ended.
// The status line's latest text.
std::string Status(CameraController* c) {
  char text[256];
  CliPanelOf(c)->LastStatusText(text, sizeof text);
  return text;
}

bool WaitForList(CameraController* c, uint64_t limitNs) {
  return WaitFor(
      [&] {
        if (EngineList(c).listReady) return true;
        return Status(c).rfind("Found 0", 0) == 0 && Idle(c);
      },
      limitNs);
}

long StatusKb(const char* key) {
  FILE* f = fopen("/proc/self/status", "r");
  if (!f) return -1;
  char line[256];
  long kb = -1;
  const size_t n = strlen(key);
  while (fgets(line, sizeof line, f)) {
    if (strncmp(line, key, n) == 0 && line[n] == ':') kb = atol(line + n + 1);
  }
  fclose(f);
  return kb;
}

int RunInit(CameraController* c, uint64_t createdNs) {
  // Idle this long without a list: initialisation stopped (a transaction was
  // abandoned), so the wait ends early.
  uint64_t idleSince = NowNs();
  auto endedOrStuck = [&] {
    if (EngineList(c).listReady) return true;
    const uint64_t now = NowNs();
    if (!Idle(c)) idleSince = now;
    return now - idleSince > kStuckNs;
  };
  const bool listed = WaitFor(endedOrStuck, kInitLimitNs) && EngineList(c).listReady;
  const uint64_t readyNs = NowNs();
  printf("created_us %.3f\n", createdNs / 1e3);
  printf("ready_us %.3f\n", readyNs / 1e3);
  printf("cameras %d\n", EngineList(c).cameraCount);
  printf("status %s\n", Status(c).c_str());
  const ListSnapshot list = EngineList(c);
  if (!listed)
    fprintf(stderr, "orvalix_bench: no camera list (status \"%s\", %s, camera %d, %s)\n", Status(c).c_str(),
            list.idle ? "idle" : "busy", list.camera, NameOfLine(list.line).text);
  return listed ? 0 : 1;
}

// Takes the notifications waiting; true when one had `code`.
bool Notified(CameraController* c, uint32_t code) {
  bool found = false;
  Notification n;
  while (EngineTakeNotification(c, &n)) found = found || n.code == code;
  return found;
}

int RunLatency(CameraController* c, const Options& o) {
  if (!WaitForList(c, kInitLimitNs) || EngineList(c).cameraCount == 0) {
    fprintf(stderr, "orvalix_bench: no camera list (%s)\n", Status(c).c_str());
    return 1;
  }
  uint32_t spread = 12345;  // a fixed sequence: runs space their requests alike
  for (int k = 0; k < o.count; k++) {
    spread = spread * 1103515245u + 12345u;
    PauseNs(kGapNs + (spread >> 8) % kSpreadNs);
    if (!Idle(c)) {
      fprintf(stderr, "orvalix_bench: engine busy before request %d\n", k);
      return 1;
    }
    const uint64_t putNs = NowNs();
    EnginePut(c, 0, REQ_FREEZE, static_cast<uint32_t>(k % 2 == 0 ? 1 : 0), 0);
    // The command, its replies and the read-back, whose notification may come
    // sooner than a look at the busy engine (a network line is that fast),
    // then idle again.
    if (!WaitFor([&] { return Notified(c, NOTIFY_FREEZE); }, kRequestLimitNs) ||
        !WaitFor([&] { return Idle(c); }, kRequestLimitNs)) {
      fprintf(stderr, "orvalix_bench: request %d did not end\n", k);
      return 1;
    }
    printf("put_us %.3f\n", putNs / 1e3);
  }
  return 0;
}

void DriveCamera(void* context, int32_t camera, int32_t panSpeed, int32_t tiltSpeed) {
  EngineDrive(static_cast<CameraController*>(context), camera, panSpeed, tiltSpeed);
}

void HomeCamera(void* context, int32_t camera) { EngineHome(static_cast<CameraController*>(context), camera); }

// The pad's rules as the window runs them, the Speed slider at its half;
// up and down by turns, so the head is seldom at a limit.
int RunPad(CameraController* c, const Options& o) {
  CameraSnapshot r;
  auto panTilt = [&] { return EngineCamera(c, 0, &r) && r.panTilt == 1 && Idle(c); };
  if (!WaitForList(c, kInitLimitNs) || !WaitFor(panTilt, kRequestLimitNs)) {
    fprintf(stderr, "orvalix_bench: camera 1 does not pan and tilt (%s)\n", Status(c).c_str());
    return 1;
  }
  PadMachine pad;
  const PadCalls calls = {c, DriveCamera, HomeCamera};
  const PadContext at = {0, true, r.panMax, r.tiltMax, (PadSpeedMax(r.panMax) + 1) / 2, false};
  uint32_t spread = 12345;  // a fixed sequence, as the latency runs
  for (int k = 0; k < 2 * o.count; k++) {
    spread = spread * 1103515245u + 12345u;
    PauseNs(kPadGapNs + (spread >> 8) % kSpreadNs);
    if (!WaitFor([&] { return Idle(c); }, kRequestLimitNs)) {
      fprintf(stderr, "orvalix_bench: engine busy before key event %d\n", k);
      return 1;
    }
    const bool down = k % 2 == 0;
    const uint64_t eventNs = NowNs();
    PadHold(pad, calls, at, PAD_FROM_KEY, k % 4 < 2 ? PAD_UP : PAD_DOWN, down);
    printf("%s_us %.3f\n", down ? "down" : "up", eventNs / 1e3);
  }
  return 0;
}

int RunIdle(CameraController* c, const Options& o) {
  if (!WaitForList(c, kInitLimitNs)) {
    fprintf(stderr, "orvalix_bench: discovery did not end (%s)\n", Status(c).c_str());
    return 1;
  }
  if (o.select > 0) {
    if (o.select > EngineList(c).cameraCount) return 1;
    EngineSelect(c, o.select - 1);
  }
  PauseNs(kSettleNs);
  const uint64_t cpu0 = NowNs(CLOCK_PROCESS_CPUTIME_ID);
  const uint64_t wall0 = NowNs();
  PauseNs(static_cast<uint64_t>(o.seconds * kNsPerSecond));
  const uint64_t cpu = NowNs(CLOCK_PROCESS_CPUTIME_ID) - cpu0;
  const uint64_t wall = NowNs() - wall0;
  int open = 0;
  for (uint32_t i = 0; i < kPorts; i++) open += EngineLineOpen(c, static_cast<int32_t>(i)) ? 1 : 0;
  printf("cameras %d\n", EngineList(c).cameraCount);
  printf("channels_open %d\n", open);
  printf("cpu_ms %.3f\n", cpu / 1e6);
  printf("wall_ms %.3f\n", wall / 1e6);
  printf("vmrss_kb %ld\n", StatusKb("VmRSS"));
  printf("vmhwm_kb %ld\n", StatusKb("VmHWM"));
  return 0;
}

// "status_us T TEXT" for every status text. A request for a camera marked as
// not answering is dropped at once, so the Freezes show when the camera is
// driven again.
int RunRecovery(CameraController* c, const Options& o) {
  if (!WaitForList(c, kInitLimitNs) || EngineList(c).cameraCount == 0) {
    fprintf(stderr, "orvalix_bench: no camera list (%s)\n", Status(c).c_str());
    return 1;
  }
  CliPanelOf(c)->SelectInList(c, 0);
  const uint64_t endNs = NowNs() + static_cast<uint64_t>(o.seconds * kNsPerSecond);
  uint64_t nextPutNs = 0;
  uint32_t value = 0;
  char text[256];
  for (uint64_t now = NowNs(); now < endNs; now = NowNs()) {
    while (CliPanelOf(c)->TakeStatusText(text, sizeof text)) printf("status_us %.3f %s\n", now / 1e3, text);
    if (EngineList(c).requestsWaiting) {
      nextPutNs = now + kRecoveryPutNs;
    } else if (now >= nextPutNs) {
      EnginePut(c, 0, REQ_FREEZE, value ^= 1, 0);
    }
    PauseNs(kCheckEveryNs);
  }
  return 0;
}

// Holds the ptys until the time is up or standard input closes.
int RunHoldPtys(const Options& o) {
  std::vector<SilentPty> ptys(static_cast<size_t>(o.silent));
  for (SilentPty& p : ptys) {
    if (!p.Open()) {
      fprintf(stderr, "orvalix_bench: cannot open a pseudo-terminal\n");
      return 1;
    }
    printf("pty %s\n", p.path);
  }
  fflush(stdout);
  const uint64_t endNs = NowNs() + static_cast<uint64_t>(o.seconds * kNsPerSecond);
  for (uint64_t now = NowNs(); now < endNs; now = NowNs()) {
    pollfd in = {STDIN_FILENO, POLLIN, 0};
    const int ready = poll(&in, 1, static_cast<int>((endNs - now) / kNsPerMs) + 1);
    char buffer[64];
    if (ready > 0 && read(STDIN_FILENO, buffer, sizeof buffer) <= 0) break;
  }
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  setvbuf(stdout, nullptr, _IOLBF, 0);
  Options o;
  if (!ParseOptions(argc, argv, &o)) return Usage();
  if (o.mode == "hold-ptys") return RunHoldPtys(o);
  if (o.mode == "line") return RunLineSpeed(o.seconds) ? 0 : 1;
  if (o.mode != "init" && o.mode != "latency" && o.mode != "pad" && o.mode != "idle" && o.mode != "recovery")
    return Usage();

  std::vector<SilentPty> silent(static_cast<size_t>(o.silent));
  for (SilentPty& p : silent) {
    if (!p.Open()) return 1;
  }
  // The ports given (or the silent ptys) exist; every other port does not.
  for (uint32_t n = 1; n <= kSerialMaxPorts; n++) {
    const char* device = "";
    if (n <= kPorts && o.devices[n - 1][0]) device = o.devices[n - 1];
    if (n <= silent.size()) device = silent[n - 1].path;
    SerialPortSetDevice(n, device);
  }
  CliPanel panel;
  if (!panel.Create()) return 1;
  const uint64_t createdNs = NowNs();
  CameraController* c = EngineCreate(panel.Hooks(), &o.network, nullptr);
  if (!c) return 1;
  TraceReader reader;
  reader.Start(c, o.traceReaderMs);
  int result = 1;
  if (o.mode == "init") result = RunInit(c, createdNs);
  if (o.mode == "latency") result = RunLatency(c, o);
  if (o.mode == "pad") result = RunPad(c, o);
  if (o.mode == "idle") result = RunIdle(c, o);
  if (o.mode == "recovery") result = RunRecovery(c, o);
  const uint64_t lines = reader.Stop();
  if (o.traceReaderMs > 0) printf("trace_lines %llu\n", static_cast<unsigned long long>(lines));
  EngineDestroy(c);
  return result;
}
