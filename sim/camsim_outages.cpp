#include "sim/camsim_outages.h"

#include <cstdio>

namespace {

constexpr uint64_t kUsPerMs = 1000;

void Unplug(int number, PtyLine* pty, NetLine* net) {
  net != nullptr ? net->Unplug() : pty->Unplug();
  std::printf("line %d: unplugged\n", number);
  std::fflush(stdout);
}

// A new device or the same port again, announced as at the start, so a
// script finds it.
void PlugIn(const CamsimLineOptions& options, int number, PtyLine* pty, NetLine* net) {
  char error[256];
  if (net != nullptr ? !net->Listen(error, sizeof(error)) : !pty->Open(options.link, error, sizeof(error))) {
    std::fprintf(stderr, "camsim: line %d: %s\n", number, error);
    net != nullptr ? net->Unplug() : pty->Unplug();
    return;
  }
  if (net != nullptr) {
    std::printf("line %d: tcp 127.0.0.1:%u", number, net->Port());
  } else {
    std::printf("line %d: %s", number, pty->DevicePath());
  }
  if (options.link[0] != '\0') std::printf(" (link %s)", options.link);
  std::printf(", plugged in\n");
  std::fflush(stdout);
}

void Note(const CamsimOutageLog& log, int number, const CamsimOutage& outage, bool out) {
  if (log.transcript == nullptr) return;
  std::fprintf(log.transcript, "%5llu.%06llu L%d ", static_cast<unsigned long long>(log.timeUs / 1000000u),
               static_cast<unsigned long long>(log.timeUs % 1000000u), number);
  if (outage.camera >= 0) {
    std::fprintf(log.transcript, "cam%d %s\n", outage.camera + 1, out ? "off" : "on");
  } else {
    std::fprintf(log.transcript, "%s\n", out ? "unplugged" : "plugged in");
  }
  std::fflush(log.transcript);
}

// A camera behind a datagram line is found without an address set, so it
// does not announce itself when its power comes back.
void Switch(const CamsimLineOptions& options, int number, const CamsimOutage& outage, bool out, SimLine* line,
            PtyLine* pty, NetLine* net) {
  if (outage.camera >= 0) {
    line->SwitchCamera(outage.camera, !out, options.transport == CAMSIM_PTY || options.transport == CAMSIM_TCP);
  } else if (out) {
    Unplug(number, pty, net);
  } else {
    PlugIn(options, number, pty, net);
  }
}

}  // namespace

uint64_t RunOutages(const CamsimLineOptions& options, int number, uint64_t nowUs, CamsimOutageRun* run, SimLine* line,
                    PtyLine* pty, NetLine* net, const CamsimOutageLog& log) {
  line->AdvanceToUs(nowUs);
  uint64_t next = UINT64_MAX;
  for (int i = 0; i < options.outageCount; ++i) {
    const CamsimOutage& outage = options.outages[i];
    CamsimOutageRun::Phase& phase = run->phase[i];
    if (phase == CamsimOutageRun::PENDING && nowUs >= outage.fromMs * kUsPerMs) {
      Switch(options, number, outage, true, line, pty, net);
      Note(log, number, outage, true);
      phase = CamsimOutageRun::RUNNING;
    }
    if (phase == CamsimOutageRun::RUNNING && nowUs >= outage.toMs * kUsPerMs) {
      Switch(options, number, outage, false, line, pty, net);
      Note(log, number, outage, false);
      phase = CamsimOutageRun::OVER;
    }
    const uint64_t due = phase == CamsimOutageRun::PENDING   ? outage.fromMs * kUsPerMs
                         : phase == CamsimOutageRun::RUNNING ? outage.toMs * kUsPerMs
                                                             : UINT64_MAX;
    if (due < next) next = due;
  }
  return next;
}
