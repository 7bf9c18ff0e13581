// orvalix-remote-abuse: throws bad input at a remote-control listener and
// checks what comes back over the same listener and at the cameras.
//   orvalix-remote-abuse HOST:PORT --transcript FILE [--pid PID] [--camera N] [--line L]
// FILE is camsim's transcript of the cameras the program drives; camera N
// (default 1) is selected first and the idle poll on camsim's line L
// (default 1) is watched throughout; PID's memory too when given. One line
// a case, PASS or FAIL; the exit status is 1 when any failed, 2 on bad usage.
#include "tools/src/remote_abuse/abuse_cases.h"

#include <time.h>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

constexpr long kSettleMs = 1000;     // the selection's read-back, before the poll is timed
constexpr long kBaselineMs = 2500;   // the poll's normal spacing is taken over this
constexpr uint64_t kGapFactor = 2;   // a gap in the poll this many times its spacing is a stall
constexpr long kRssGrowthKb = 4096;  // more than this over the start is unbounded

struct Options {
  AbuseRun run;
  const char* transcript = nullptr;
  int pid = 0;
  int line = 1;
};

struct NamedCase {
  const char* name;
  AbuseCase run;
};

const NamedCase kCases[] = {
    {"long line", LongLine},           {"odd bytes", OddBytes},
    {"thousand lines", ThousandLines}, {"64 connections", ManyConnections},
    {"open and close", OpenAndClose},  {"endless http", EndlessHttp},
    {"never reads", NonReader},
};

void Pause(long ms) {
  const timespec t = {ms / 1000, (ms % 1000) * 1000000L};
  nanosleep(&t, nullptr);
}

bool ReadTarget(const char* text, AbuseTarget* target) {
  const char* colon = strrchr(text, ':');
  if (colon == nullptr || colon == text || static_cast<size_t>(colon - text) >= sizeof target->host) return false;
  snprintf(target->host, sizeof target->host, "%.*s", static_cast<int>(colon - text), text);
  if (strcmp(target->host, "localhost") == 0) snprintf(target->host, sizeof target->host, "127.0.0.1");
  char* end = nullptr;
  const long port = strtol(colon + 1, &end, 10);
  target->port = static_cast<uint16_t>(port);
  return *end == 0 && port > 0 && port < 65536;
}

bool ReadOptions(int argc, char** argv, Options* o) {
  if (argc < 2 || !ReadTarget(argv[1], &o->run.target)) return false;
  for (int i = 2; i + 1 < argc; i += 2) {
    const char* value = argv[i + 1];
    if (strcmp(argv[i], "--transcript") == 0)
      o->transcript = value;
    else if (strcmp(argv[i], "--pid") == 0)
      o->pid = atoi(value);
    else if (strcmp(argv[i], "--camera") == 0)
      o->run.camera = atoi(value);
    else if (strcmp(argv[i], "--line") == 0)
      o->line = atoi(value);
    else
      return false;
  }
  return argc % 2 == 0 && o->transcript != nullptr && o->run.camera > 0 && o->line > 0;
}

bool Report(bool passed, const char* name, const char* detail) {
  printf("%s %s: %s\n", passed ? "PASS" : "FAIL", name, detail);
  fflush(stdout);
  return passed;
}

// The camera selected, then the idle poll's spacing at rest; 0 when it does not poll.
uint64_t Baseline(const Options& o, int* from) {
  Client c;
  char reply[256], select[32];
  snprintf(select, sizeof select, "select %d", o.run.camera);
  const bool selected = ClientOpen(&c, o.run.target) && ClientAsk(&c, select, reply, sizeof reply);
  ClientClose(&c);
  if (!selected) return 0;
  Pause(kSettleMs);
  WatchRead(o.run.watch);
  *from = o.run.watch->count;
  Pause(kBaselineMs);
  WatchRead(o.run.watch);
  return MedianGapUs(*o.run.watch, o.line, *from);
}

}  // namespace

int main(int argc, char** argv) {
  static CameraWatch watch;
  Options o;
  o.run.watch = &watch;
  if (!ReadOptions(argc, argv, &o)) {
    fprintf(stderr, "usage: orvalix-remote-abuse HOST:PORT --transcript FILE [--pid PID] [--camera N] [--line L]\n");
    return 2;
  }
  watch.path = o.transcript;
  int from = 0;
  const uint64_t spacing = Baseline(o, &from);
  char detail[512];
  snprintf(detail, sizeof detail, "camera %d selected, line %d polled every %llu ms", o.run.camera, o.line,
           static_cast<unsigned long long>(spacing / 1000));
  bool all = Report(spacing > 0, "idle poll", detail);
  const long rssStart = o.pid > 0 ? RssKb(o.pid) : -1;
  long rssMost = rssStart;
  for (const NamedCase& c : kCases) {
    all = Report(c.run(o.run, detail, sizeof detail), c.name, detail) && all;
    const long rss = o.pid > 0 ? RssKb(o.pid) : -1;
    rssMost = rss > rssMost ? rss : rssMost;
  }
  WatchRead(&watch);
  uint64_t endUs = 0;
  const uint64_t longest = LongestGapUs(watch, o.line, from, &endUs);
  snprintf(detail, sizeof detail, "longest gap %llu ms (limit %llu ms), %d packets seen",
           static_cast<unsigned long long>(longest / 1000),
           static_cast<unsigned long long>(kGapFactor * spacing / 1000), watch.count - from);
  all = Report(spacing > 0 && longest <= kGapFactor * spacing && watch.lost == 0, "poll rhythm", detail) && all;
  if (o.pid > 0) {
    snprintf(detail, sizeof detail, "VmRSS %ld kB at the start, at most %ld kB after a case (limit +%ld kB)", rssStart,
             rssMost, kRssGrowthKb);
    all = Report(rssStart > 0 && rssMost - rssStart <= kRssGrowthKb, "memory", detail) && all;
  }
  return all ? 0 : 1;
}
