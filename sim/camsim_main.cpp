// camsim: virtual VISCA cameras on pseudo-terminals. Each --line is one
// serial line with its daisy chain of cameras (or, with --udp, --udp-raw or
// --tcp, a network line on 127.0.0.1); the program prints the device or port
// of every line and serves them until SIGINT, SIGTERM or --duration.
#include "sim/camsim_net.h"
#include "sim/camsim_options.h"
#include "sim/camsim_outages.h"
#include "sim/camsim_pty.h"
#include "sim/sim_line.h"

#include <poll.h>
#include <time.h>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <memory>

namespace {

volatile sig_atomic_t stopRequested = 0;

void OnSignal(int) { stopRequested = 1; }

uint64_t ClockUs(clockid_t clock) {
  timespec ts;
  clock_gettime(clock, &ts);
  return static_cast<uint64_t>(ts.tv_sec) * 1000000u + static_cast<uint64_t>(ts.tv_nsec) / 1000u;
}

uint64_t MonotonicUs() { return ClockUs(CLOCK_MONOTONIC); }

// Line time (from camsim's start) as the transcript shows it.
CamsimClock transcriptClock = CAMSIM_CLOCK_START;
uint64_t startUs = 0;

uint64_t TranscriptUs(uint64_t lineUs) {
  switch (transcriptClock) {
    case CAMSIM_CLOCK_MONOTONIC:
      return startUs + lineUs;
    case CAMSIM_CLOCK_REALTIME:
      // Taken afresh each time, so a slewed wall clock is followed.
      return startUs + lineUs + ClockUs(CLOCK_REALTIME) - MonotonicUs();
    default:
      return lineUs;
  }
}

// Transcript files, each opened once however many lines write to it.
struct TranscriptFiles {
  static constexpr int kMax = CamsimOptions::kMaxLines + 1;
  char paths[kMax][CamsimLineOptions::kPathSize] = {};
  FILE* files[kMax] = {};
  int count = 0;

  ~TranscriptFiles() {
    for (int i = 0; i < count; ++i) std::fclose(files[i]);
  }

  FILE* Open(const char* path) {
    if (path[0] == '\0') return nullptr;
    for (int i = 0; i < count; ++i) {
      if (std::strcmp(paths[i], path) == 0) return files[i];
    }
    FILE* f = std::fopen(path, "w");
    if (f == nullptr || count == kMax) return nullptr;
    std::snprintf(paths[count], sizeof(paths[count]), "%s", path);
    files[count++] = f;
    return f;
  }
};

// Each network line loses its datagrams in its own order, the same every run.
constexpr uint32_t kDropSeed = 0x9E3779B9u;
// A camera behind a datagram line answers at address 1 without an address set.
constexpr uint8_t kDatagramCameraAddress = 1;

struct ServedLine {
  std::unique_ptr<SimLine> line;
  PtyLine pty;
  CamsimOutageRun outages;
  NetLine net;
  bool network = false;
  FILE* transcript = nullptr;
  int number = 0;
};

// "  12.345678 L1 -> 81 09 04 00 FF": -> toward the cameras, <- from them.
void Record(const ServedLine& s, uint64_t lineUs, const char* direction, const uint8_t* data, int length) {
  if (s.transcript == nullptr || length <= 0) return;
  const uint64_t timeUs = TranscriptUs(lineUs);
  std::fprintf(s.transcript, "%5llu.%06llu L%d %s", static_cast<unsigned long long>(timeUs / 1000000u),
               static_cast<unsigned long long>(timeUs % 1000000u), s.number, direction);
  for (int i = 0; i < length; ++i) std::fprintf(s.transcript, " %02X", data[i]);
  std::fputc('\n', s.transcript);
  std::fflush(s.transcript);
}

// What the line sends while its adapter is unplugged goes nowhere.
void SendDue(ServedLine& s, uint64_t nowUs) {
  s.line->AdvanceToUs(nowUs);
  uint8_t buffer[512];
  for (;;) {
    const int n = s.line->TakeOutput(buffer, sizeof(buffer));
    if (n == 0) return;
    if (s.network ? s.net.Unplugged() : s.pty.MasterFd() < 0) continue;
    Record(s, nowUs, "<-", buffer, n);
    if (s.network) {
      s.net.Write(nowUs, buffer, n);
    } else {
      s.pty.Write(buffer, n);
    }
  }
}

void ServeNetInput(ServedLine& s, uint64_t nowUs) {
  uint8_t buffer[512];
  for (int n; (n = s.net.Read(nowUs, buffer, sizeof(buffer))) >= 0;) {
    if (n == 0) continue;
    Record(s, nowUs, "->", buffer, n);
    s.line->AdvanceToUs(nowUs);
    s.line->Feed(buffer, n);
  }
}

const char* TransportName(CamsimTransport transport) {
  switch (transport) {
    case CAMSIM_VISCA_IP:
      return "visca-ip";
    case CAMSIM_UDP_RAW:
      return "udp";
    default:
      return "tcp";
  }
}

// The pseudo-terminal or the socket of a line; false after a message.
bool OpenLine(ServedLine& s, const CamsimLineOptions& lo) {
  char error[256];
  s.network = lo.transport != CAMSIM_PTY;
  if (s.network ? !s.net.Open(lo, kDropSeed + static_cast<uint32_t>(s.number), error, sizeof(error))
                : !s.pty.Open(lo.link, error, sizeof(error))) {
    std::fprintf(stderr, "camsim: line %d: %s\n", s.number, error);
    return false;
  }
  if (s.network) {
    std::printf("line %d: %s 127.0.0.1:%u", s.number, TransportName(lo.transport), s.net.Port());
  } else {
    std::printf("line %d: %s", s.number, s.pty.DevicePath());
  }
  if (lo.link[0] != '\0') std::printf(" (link %s)", lo.link);
  return true;
}

void ServeInput(ServedLine& s, uint64_t nowUs) {
  uint8_t buffer[512];
  for (;;) {
    const int n = s.pty.Read(buffer, sizeof(buffer));
    if (n == 0) return;
    Record(s, nowUs, "->", buffer, n);
    s.line->AdvanceToUs(nowUs);
    s.line->Feed(buffer, n);
  }
}

// False, after a message, when a transcript was asked for and cannot be written.
bool TranscriptOpen(const char* path, const FILE* file) {
  if (path[0] == '\0' || file != nullptr) return true;
  std::fprintf(stderr, "camsim: cannot write transcript %s: %s\n", path, std::strerror(errno));
  return false;
}

// Before any line is announced: a script may signal as soon as it reads one,
// and the links must still be cleaned up.
void InstallSignalHandlers() {
  struct sigaction action;
  std::memset(&action, 0, sizeof(action));
  action.sa_handler = OnSignal;
  sigemptyset(&action.sa_mask);
  sigaction(SIGINT, &action, nullptr);
  sigaction(SIGTERM, &action, nullptr);
  signal(SIGPIPE, SIG_IGN);
}

void AddCameras(const CamsimLineOptions& lo, SimLine* line) {
  line->SetLineFaults(lo.lineFaults);
  for (int c = 0; c < lo.cameraCount; ++c) {
    line->AddCamera(lo.models[c]);
    line->SetCameraFaults(c, lo.cameraFaults[c]);
    SimCameraState state = line->State(c);
    if (lo.standby[c]) state.power = 3;
    if (lo.transport == CAMSIM_VISCA_IP || lo.transport == CAMSIM_UDP_RAW) state.address = kDatagramCameraAddress;
    if (lo.standby[c] || state.address != 0) line->SetState(c, state);
  }
}

// A line's cameras, its transcript and its device or socket, announced on
// stdout; false after a message.
bool SetUpLine(const CamsimLineOptions& lo, const SimTiming& timing, TranscriptFiles& transcripts, FILE* common,
               ServedLine& s) {
  s.line.reset(new SimLine(timing));
  AddCameras(lo, s.line.get());
  s.transcript = lo.transcript[0] != '\0' ? transcripts.Open(lo.transcript) : common;
  if (!TranscriptOpen(lo.transcript, s.transcript) || !OpenLine(s, lo)) return false;
  std::printf(", cameras");
  for (int c = 0; c < lo.cameraCount; ++c) std::printf(" 0x%02X", lo.models[c]);
  std::printf("\n");
  return true;
}

// Cameras that announce themselves when their power comes on do so at the start.
void AnnounceCameras(const CamsimOptions& options, ServedLine* lines) {
  for (int i = 0; i < options.lineCount; ++i) {
    for (int c = 0; c < options.lines[i].cameraCount; ++c) {
      if (options.lines[i].cameraFaults[c].networkChangeOnPowerOn && !options.lines[i].standby[c]) {
        lines[i].line->SendNetworkChange(c);
      }
    }
  }
}

// What one wait watches: each line's descriptors from firstFd[line] on.
struct PollSet {
  pollfd fds[CamsimOptions::kMaxLines * NetLine::kMaxFds];
  int firstFd[CamsimOptions::kMaxLines];
  nfds_t count = 0;
};

// Runs every line's outages and sends what is due, and gathers what to wait
// on; waitUs shortened to the next thing due.
uint64_t PrepareLines(const CamsimOptions& options, ServedLine* lines, uint64_t now, uint64_t waitUs, PollSet* set) {
  set->count = 0;
  for (int i = 0; i < options.lineCount; ++i) {
    ServedLine& s = lines[i];
    const uint64_t outage = RunOutages(options.lines[i], i + 1, now, &s.outages, s.line.get(), &s.pty,
                                       s.network ? &s.net : nullptr, {s.transcript, TranscriptUs(now)});
    if (outage != UINT64_MAX && outage - now < waitUs) waitUs = outage - now;
    SendDue(s, now);
    uint64_t next = s.line->NextEventUs();
    set->firstFd[i] = static_cast<int>(set->count);
    if (s.network) {
      const uint64_t held = s.net.Flush(now);
      if (held < next) next = held;
      set->count += static_cast<nfds_t>(s.net.PollFds(&set->fds[set->count]));
    } else {
      set->fds[set->count++] = pollfd{s.pty.MasterFd(), POLLIN, 0};  // poll passes over an unplugged one
    }
    if (next != UINT64_MAX && next > now && next - now < waitUs) waitUs = next - now;
  }
  return waitUs;
}

void ServeReady(const CamsimOptions& options, ServedLine* lines, const PollSet& set, int ready, uint64_t now) {
  for (int i = 0; i < options.lineCount && ready > 0; ++i) {
    const int last = i + 1 < options.lineCount ? set.firstFd[i + 1] : static_cast<int>(set.count);
    bool input = false;
    for (int f = set.firstFd[i]; f < last; ++f) input = input || (set.fds[f].revents & POLLIN) != 0;
    if (!input) continue;
    if (lines[i].network) {
      ServeNetInput(lines[i], now);
    } else {
      ServeInput(lines[i], now);
    }
  }
}

// Until a signal or the end of --duration; false after a message.
bool Serve(const CamsimOptions& options, ServedLine* lines, uint64_t start) {
  PollSet set;
  const uint64_t durationUs = static_cast<uint64_t>(options.durationMs) * 1000u;
  while (!stopRequested) {
    const uint64_t now = MonotonicUs() - start;
    if (durationUs != 0 && now >= durationUs) break;
    uint64_t waitUs = 100000;
    if (durationUs != 0 && durationUs - now < waitUs) waitUs = durationUs - now;
    waitUs = PrepareLines(options, lines, now, waitUs, &set);
    // To the microsecond: paced bytes are due every 261 us.
    const timespec wait = {static_cast<time_t>(waitUs / 1000000u), static_cast<long>(waitUs % 1000000u) * 1000};
    const int ready = ppoll(set.fds, set.count, &wait, nullptr);
    if (ready < 0 && errno != EINTR) {
      std::fprintf(stderr, "camsim: poll: %s\n", std::strerror(errno));
      return false;
    }
    ServeReady(options, lines, set, ready, MonotonicUs() - start);
  }
  return true;
}

int Run(const CamsimOptions& options) {
  TranscriptFiles transcripts;
  FILE* common = transcripts.Open(options.transcript);
  if (!TranscriptOpen(options.transcript, common)) return 1;
  InstallSignalHandlers();
  const SimTiming timing = options.Timing();
  ServedLine lines[CamsimOptions::kMaxLines];
  for (int i = 0; i < options.lineCount; ++i) {
    lines[i].number = i + 1;
    if (!SetUpLine(options.lines[i], timing, transcripts, common, lines[i])) return 1;
  }
  std::printf("camsim: %s profile%s; stop with Ctrl+C\n", options.realistic ? "realistic" : "fast",
              options.pacing ? ", 38400 baud pacing" : "");
  std::fflush(stdout);

  const uint64_t start = MonotonicUs();
  startUs = start;
  transcriptClock = options.clock;
  AnnounceCameras(options, lines);
  if (!Serve(options, lines, start)) return 1;
  std::printf("camsim: stopped\n");
  std::fflush(stdout);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  CamsimOptions options;
  char error[256];
  if (!ParseCamsimOptions(argc, argv, &options, error, sizeof(error))) {
    std::fprintf(stderr, "camsim: %s\n%s", error, kCamsimUsage);
    return 2;
  }
  if (options.help) {
    std::fputs(kCamsimUsage, stdout);
    return 0;
  }
  return Run(options);
}
