#include "tools/src/soak/soak_run.h"

#include "cli/cli_panel.h"
#include "engine/orvalix_engine.h"
#include "platform/os.h"
#include "requests/request_codes.h"
#include "serial/serial_port.h"
#include "tools/src/soak/soak_checker.h"
#include "tools/src/soak/soak_faults.h"
#include "tools/src/soak/soak_line.h"
#include "tools/src/soak/soak_monitor.h"
#include "tools/src/soak/soak_operator.h"
#include "tools/src/soak/soak_outages.h"

#include <sys/resource.h>
#include <unistd.h>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <mutex>

namespace {

constexpr uint32_t kListWaitMs = 60000;
constexpr uint32_t kMarkerPutWaitMs = 60000;
constexpr uint32_t kDrainWaitMs = 300000;
constexpr uint32_t kProgressMs = 30000;
// Requirements.
constexpr uint32_t kMaxBusyMs = 10500;
constexpr long kMaxGrowthKb = 1024;

struct LinePlan {
  uint8_t models[2];
  int count;
};
// COM1: a 30x and a 10x camera; COM2: a 20x one; COM3: a 10x one.
const LinePlan kLines[] = {{{0x66, 0x4B}, 2}, {{0x5F, 0}, 1}, {{0x45, 0}, 1}};
constexpr int kLineCount = sizeof kLines / sizeof kLines[0];
// After the faults stop, until every camera answers again before the last requests.
constexpr uint32_t kBackWaitMs = SoakOutages::kGraceMs;
// The line whose first address-set echoes come back cut short.
constexpr int kShortEchoLine = 1;
constexpr int kShortEchoes = 2;

long ResidentKb() {
  FILE* f = fopen("/proc/self/status", "r");
  if (!f) return -1;
  char text[256];
  long kb = -1;
  while (fgets(text, sizeof text, f)) {
    if (strncmp(text, "VmRSS:", 6) == 0) kb = strtol(text + 6, nullptr, 10);
  }
  fclose(f);
  return kb;
}

double CpuSeconds() {
  rusage usage;
  if (getrusage(RUSAGE_SELF, &usage) != 0) return -1;
  return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
         static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

// One turn of the panel's thread: take the notifications.
void ServePanel(CameraController* c) {
  Notification n;
  while (EngineTakeNotification(c, &n)) {
  }
}

// Everything the soak shares between its threads.
struct Soak {
  std::unique_ptr<SoakLine> lines[kLineCount];
  int firstCamera[kLineCount] = {};
  SoakChecker checker;
  std::mutex checkerLock;
  std::atomic<uint64_t> transactions{0};
  std::atomic<uint64_t> afterReturn{0};  // packets reaching a camera whose line came back from an outage
  std::atomic<bool> lineBack[kLineCount] = {};
  std::unique_ptr<SoakMonitor> monitor;
  CliPanel panel;
  std::atomic<CameraController*> controller{nullptr};  // set once the cameras are known
  SoakOutages outages;                                 // the main thread's
  bool allBack = false;                                // every camera answered again once the faults stopped
};

void OnSent(Soak* s, const uint8_t* packet, int length) {
  if (length < 3 || packet[0] < 0x81 || packet[0] > 0x87) return;
  s->transactions++;
}

void OnReceived(Soak* s, int line, int index, const uint8_t* packet, int length) {
  if (s->lineBack[line].load()) s->afterReturn++;
  int camera = s->firstCamera[line] + index;
  std::lock_guard<std::mutex> guard(s->checkerLock);
  // The reported values as they are when a later command arrives: a request
  // left unsent a moment ago was compared with these.
  if (CameraController* c = s->controller.load()) {
    CameraSnapshot r;
    if (EngineCamera(c, camera, &r)) s->checker.ObserveFields(camera, r.aperture, r.rGain, r.bGain);
  }
  s->checker.Received(camera, packet, length, OsTickCount());
}

bool StartLines(Soak* s, const char* folder) {
  SimFaults shortEchoes;
  shortEchoes.shortAddressEchoes = kShortEchoes;
  int first = 0;
  for (int n = 1; n <= static_cast<int>(kSerialMaxPorts); n++) SerialPortSetDevice(static_cast<uint32_t>(n), "");
  for (int i = 0; i < kLineCount; i++) {
    char link[256];
    snprintf(link, sizeof link, "%s/com%d", folder, i + 1);
    s->lines[i].reset(new SoakLine(SimRealisticTiming(), link));
    for (int k = 0; k < kLines[i].count; k++) s->lines[i]->AddCamera(kLines[i].models[k]);
    if (i == kShortEchoLine) s->lines[i]->SetLineFaults(shortEchoes);
    s->firstCamera[i] = first;
    first += kLines[i].count;
    char error[256];
    auto received = [s, i](int index, const uint8_t* p, int n) { OnReceived(s, i, index, p, n); };
    auto sent = [s](const uint8_t* p, int n) { OnSent(s, p, n); };
    if (!s->lines[i]->Start(received, sent, error, sizeof error)) {
      fprintf(stderr, "soak: line %d: %s\n", i + 1, error);
      return false;
    }
    SerialPortSetDevice(static_cast<uint32_t>(i + 1), link);
  }
  return true;
}

bool WaitForList(CameraController* c) {
  uint32_t start = OsTickCount();
  while (!EngineList(c).listReady) {
    if (OsTickCount() - start > kListWaitMs) return false;
    ServePanel(c);
    OsSleep(1);
  }
  return true;
}

// The cameras as discovery must have found them, in line order.
bool AddCameras(Soak* s, CameraController* c) {
  std::lock_guard<std::mutex> guard(s->checkerLock);
  int index = 0;
  const int32_t count = EngineList(c).cameraCount;
  bool ok = count == 4;
  for (int line = 0; line < kLineCount; line++) {
    for (int k = 0; k < kLines[line].count; k++, index++) {
      CameraSnapshot r = {};
      EngineCamera(c, index, &r);
      ok = ok && r.line == line && r.address == k + 1 && r.modelCode == kLines[line].models[k];
      s->checker.AddCamera(SoakCamera{k + 1, kLines[line].models[k]});
    }
  }
  if (!ok) fprintf(stderr, "soak: discovery found %d cameras, not the four on COM1..COM3\n", count);
  return ok;
}

// A line on stderr now and then, so a long run shows it is alive.
void ShowProgress(Soak* s, CameraController* c, const char* phase, uint32_t startMs) {
  std::lock_guard<std::mutex> guard(s->checkerLock);
  size_t waiting = 0;
  for (int camera = 0; camera < s->checker.CameraCount(); camera++) waiting += s->checker.Waiting(camera);
  char cameras[64] = "";
  for (int camera = 0, at = 0; camera < s->checker.CameraCount() && at < 48; camera++)
    at += snprintf(cameras + at, sizeof cameras - static_cast<size_t>(at), " %zu%s", s->checker.Waiting(camera),
                   s->panel.EntryAnswering(camera) ? "" : "*");
  fprintf(stderr, "soak: %s %u s: %llu requests, %llu delivered, %zu waiting (%s), %s\n", phase,
          (OsTickCount() - startMs) / 1000u, static_cast<unsigned long long>(s->checker.Requests()),
          static_cast<unsigned long long>(s->checker.Delivered()), waiting, cameras + 1, ActivityOf(EngineList(c)));
}

// A camera switched off silences its whole chain, as an unplugged line does:
// for the checker both leave every camera of the line out of reach until the
// engine has the line in service again (switched on, a camera ignores what is
// addressed to it until it is numbered again).
void OnOutage(Soak* s, int line, int camera, bool out) {
  const uint32_t now = OsTickCount();
  std::lock_guard<std::mutex> guard(s->checkerLock);
  if (out) {
    s->outages.Began(line, camera < 0 ? -1 : s->firstCamera[line] + camera, now);
  } else {
    s->outages.Ended(now);
  }
  s->lineBack[line] = !out;
  if (!out) return;  // out of reach until the engine has it in service again
  for (int k = 0; k < kLines[line].count; k++) s->checker.LineGone(s->firstCamera[line] + k);
}

// The list's marks for the checker; "COM%d back, %d cameras" with all of the
// line's cameras ends the recovery of that line's last outage.
void WatchRecovery(Soak* s) {
  std::lock_guard<std::mutex> guard(s->checkerLock);
  for (int camera = 0; camera < s->checker.CameraCount(); camera++)
    s->checker.ObserveMarked(camera, !s->panel.EntryAnswering(camera));
  char text[256];
  while (s->panel.TakeStatusText(text, sizeof text)) {
    int line = 0, found = 0;
    if (sscanf(text, "COM%d back, %d cameras", &line, &found) != 2 || line < 1 || line > kLineCount) continue;
    line--;
    if (found != kLines[line].count || !s->outages.LineBack(line, OsTickCount())) continue;
    for (int k = 0; k < kLines[line].count; k++) s->checker.LineBack(s->firstCamera[line] + k);
  }
}

bool EveryCameraAnswers(Soak* s) {
  for (int camera = 0; camera < s->checker.CameraCount(); camera++)
    if (!s->panel.EntryAnswering(camera)) return false;
  return true;
}

// Once every camera answers again and the last outage is back in service,
// one freeze per camera closes its record: once it has arrived, every request
// before it has been settled.
bool DrainWithMarkers(Soak* s, CameraController* c, SoakOperator* op) {
  uint32_t start = OsTickCount();
  while (!((s->allBack = EveryCameraAnswers(s)) && s->outages.Settled(OsTickCount())) &&
         OsTickCount() - start < kBackWaitMs) {
    ServePanel(c);
    WatchRecovery(s);
    OsSleep(1);
  }
  for (int camera = 0; camera < s->checker.CameraCount(); camera++) {
    while (!op->Put(static_cast<uint32_t>(camera), REQ_FREEZE, 0, OsTickCount(), true)) {
      if (OsTickCount() - start > kMarkerPutWaitMs) return false;
      ServePanel(c);
      OsSleep(1);
    }
  }
  start = OsTickCount();
  for (uint32_t shown = start;;) {
    if (OsTickCount() - shown >= kProgressMs) {
      shown = OsTickCount();
      ShowProgress(s, c, "draining", start);
    }
    WatchRecovery(s);
    bool settled = true;
    {
      // A camera still marked drops its marker with the rest.
      std::lock_guard<std::mutex> guard(s->checkerLock);
      for (int camera = 0; camera < s->checker.CameraCount(); camera++)
        if (s->panel.EntryAnswering(camera) && s->checker.Waiting(camera) > 0) settled = false;
    }
    if (settled) return true;
    if (OsTickCount() - start > kDrainWaitMs) return false;
    ServePanel(c);
    OsSleep(1);
  }
}

// One line per outage, and the longest from an outage's end to its line in service.
uint32_t PrintOutages(const Soak& s, uint32_t startMs) {
  uint32_t longest = 0;
  for (const SoakOutage& o : s.outages.All()) {
    char text[160];
    DescribeOutage(o, startMs, text, sizeof text);
    printf("outage: %s\n", text);
    if (o.inService && o.inServiceMs - o.backMs > longest) longest = o.inServiceMs - o.backMs;
  }
  return longest;
}

void PrintSummary(Soak* s, SoakFaultScheduler& faults, const SoakOptions& options, uint32_t startMs, long rssStart,
                  long rssEnd) {
  const SoakChecker& k = s->checker;
  printf("seed: %u\n", options.seed);
  printf("duration s: %u\n", options.durationS);
  printf("cameras: %d\n", k.CameraCount());
  printf("transactions: %llu\n", static_cast<unsigned long long>(s->transactions.load()));
  printf("faults injected: %llu\n", static_cast<unsigned long long>(faults.Injected()));
  printf("faults by kind:");
  for (int kind = 0; kind < FAULT_KINDS; kind++)
    printf(" %s=%llu", FaultKindName(static_cast<SoakFaultKind>(kind)),
           static_cast<unsigned long long>(faults.Injected(static_cast<SoakFaultKind>(kind))));
  printf("\n");
  printf("longest busy ms: %u\n", s->monitor->LongestBusyMs());
  printf("longest wait for one reply ms: %u\n", s->monitor->LongestReplyWaitMs());
  printf("camera initialisations: %u\n", s->monitor->Initialisations());
  printf("longest camera initialisation ms: %u\n", s->monitor->LongestInitialisationMs());
  printf("requests sent: %llu\n", static_cast<unsigned long long>(k.Requests()));
  printf("requests delivered in order: %llu\n", static_cast<unsigned long long>(k.Delivered()));
  uint64_t dropped = 0;
  for (int rule = 0; rule < DROP_RULES; rule++) dropped += k.Dropped(static_cast<SoakDrop>(rule));
  printf("requests dropped: %llu\n", static_cast<unsigned long long>(dropped));
  for (int rule = 0; rule < DROP_RULES; rule++)
    printf("requests dropped (%s): %llu\n", DropRuleName(static_cast<SoakDrop>(rule)),
           static_cast<unsigned long long>(k.Dropped(static_cast<SoakDrop>(rule))));
  printf("requests lost: %llu\n", static_cast<unsigned long long>(k.Lost()));
  printf("unexpected commands: %llu\n", static_cast<unsigned long long>(k.Unexpected()));
  printf("model codes misread: %llu\n", static_cast<unsigned long long>(k.ModelMisreads()));
  printf("outages: %zu\n", s->outages.All().size());
  const uint32_t longest = PrintOutages(*s, startMs);
  printf("outages not back in service: %zu\n", s->outages.Unrecovered());
  printf("longest from an outage's end to its line in service ms: %u\n", longest);
  printf("packets reaching its camera after it came back: %llu\n",
         static_cast<unsigned long long>(s->afterReturn.load()));
  printf("memory start kB: %ld\n", rssStart);
  printf("memory end kB: %ld\n", rssEnd);
  printf("cpu s: %.1f\n", CpuSeconds());
  printf("start tick ms: %u\n", startMs);
  for (const std::string& note : k.Notes()) printf("note: %s\n", note.c_str());
}

// Prints a line for each requirement that failed; true when all held.
bool Judge(const Soak& s, bool drained, int32_t records, uint32_t startMs, long rssStart, long rssEnd) {
  bool pass = true;
  auto require = [&pass](bool held, const char* what) {
    if (held) return;
    printf("failed: %s\n", what);
    pass = false;
  };
  require(drained, "every request settled at the end");
  require(s.monitor->LongestBusyMs() <= kMaxBusyMs, "engine busy at most 10.5 s");
  require(s.monitor->LongestReplyWaitMs() <= kMaxBusyMs, "a reply awaited at most 10.5 s");
  require(s.checker.Lost() == 0, "no request lost");
  require(s.checker.Unexpected() == 0, "no command nobody asked for");
  require(records == s.checker.CameraCount(), "no record for a camera that is not there");
  require(s.allBack, "every camera answers again once the faults stop");
  // The verdict is the count the soak's own test checks; each outage in it is named.
  if (s.outages.Unrecovered() != 0) pass = false;
  for (const SoakOutage& o : s.outages.All()) {
    if (SoakOutages::Recovered(o)) continue;
    char name[64];
    NameOutage(o, startMs, name, sizeof name);
    printf("failed: %s not back in service within %u s of its end\n", name, SoakOutages::kGraceMs / 1000u);
  }
  require(s.outages.All().empty() || s.afterReturn.load() > 0, "a line back from an outage is used again");
  require(rssStart > 0 && rssEnd - rssStart <= kMaxGrowthKb, "memory flat (at most 1024 kB more)");
  return pass;
}

// The operator and the faults until the duration is over; then every fault stops.
void RunFaults(Soak* s, CameraController* c, SoakOperator* op, SoakFaultScheduler* faults, uint32_t startMs,
               uint32_t durationMs) {
  for (uint32_t shown = startMs; OsTickCount() - startMs < durationMs;) {
    uint32_t now = OsTickCount();
    if (now - shown >= kProgressMs) {
      shown = now;
      ShowProgress(s, c, "at", startMs);
    }
    ServePanel(c);
    op->Step(now);
    faults->Step(now, s->outages.Settled(now));
    WatchRecovery(s);
    OsSleep(1);
  }
  faults->ClearAll();
}

}  // namespace

int RunSoak(const SoakOptions& options) {
  setvbuf(stdout, nullptr, _IOLBF, 0);
  char folder[] = "/tmp/orvalix-soak-XXXXXX";
  if (!mkdtemp(folder)) {
    perror("soak: mkdtemp");
    return 2;
  }
  Soak s;
  if (!s.panel.Create()) {
    fprintf(stderr, "soak: cannot create the panel's event\n");
    return 2;
  }
  if (!StartLines(&s, folder)) return 2;
  SoakFaultScheduler faults({s.lines[0].get(), s.lines[1].get(), s.lines[2].get()}, options.seed);
  faults.CountStartupFault(FAULT_SHORT_ECHO);

  CameraController* c = EngineCreate(s.panel.Hooks(), nullptr, nullptr);
  if (!c) {
    fprintf(stderr, "soak: cannot create the engine\n");
    return 2;
  }
  s.monitor.reset(new SoakMonitor(c, &s.checker, &s.checkerLock));
  s.monitor->Start();
  if (!WaitForList(c) || !AddCameras(&s, c)) {
    fprintf(stderr, "soak: the cameras were not found and initialised\n");
    s.monitor->Stop();
    EngineDestroy(c);
    return 2;
  }
  s.controller = c;
  SoakOperator op(c, &s.checker, &s.checkerLock, options.seed + 1);
  op.Select(0);
  long rssStart = ResidentKb();

  uint32_t startMs = OsTickCount();
  uint32_t durationMs = options.durationS * 1000u;
  faults.PlanOutages(startMs, [&](int line, int camera, bool out) { OnOutage(&s, line, camera, out); });
  RunFaults(&s, c, &op, &faults, startMs, durationMs);
  uint32_t drainStart = OsTickCount();
  bool drained = DrainWithMarkers(&s, c, &op);
  long rssEnd = ResidentKb();
  uint32_t drainMs = OsTickCount() - drainStart;
  s.monitor->Stop();
  const int32_t records = EngineList(c).cameraCount;
  for (auto& line : s.lines) line->Stop();
  s.controller = nullptr;
  EngineDestroy(c);
  rmdir(folder);
  s.checker.Finish();

  PrintSummary(&s, faults, options, startMs, rssStart, rssEnd);
  printf("drain at the end s: %.1f\n", drainMs / 1000.0);
  return Judge(s, drained, records, startMs, rssStart, rssEnd) ? 0 : 1;
}
