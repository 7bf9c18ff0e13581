#include "tools/src/soak/soak_faults.h"

#include <cstdio>

namespace {

constexpr int kMaxActive = 3;
constexpr uint32_t kGapMinMs = 300, kGapMaxMs = 2500;
constexpr uint32_t kLengthMinMs = 300, kLengthMaxMs = 6000;
constexpr uint32_t kGoneMinMs = 2000, kGoneMaxMs = 5000;
constexpr uint32_t kOutageGapMinMs = 6000, kOutageGapMaxMs = 15000;
// Past the first reply time-out, the later one, a re-reading's and an acknowledged command's.
const uint32_t kDelaysMs[] = {250, 450, 5100, 10100};

struct ErrorChoice {
  uint8_t match[2];
  int length;
  uint8_t code;
};
// Zoom commands and inquiries answered with an error passed on as the reply
// (0x41), any command or any inquiry with one that ends the transaction.
const ErrorChoice kErrors[] = {
    {{0x01, 0x04}, 2, 0x41},
    {{0x09, 0x04}, 2, 0x41},
    {{0x01}, 1, 0x02},
    {{0x09}, 1, 0x03},
};

}  // namespace

const char* FaultKindName(SoakFaultKind kind) {
  static const char* const names[FAULT_KINDS] = {"split",      "noise",     "noise-packet", "delay",
                                                 "error",      "silent",    "batch",        "network-change",
                                                 "short-echo", "line-gone", "power-off"};
  return kind < FAULT_KINDS ? names[kind] : "?";
}

SoakFaultScheduler::SoakFaultScheduler(std::vector<SoakLine*> serving, uint32_t seed) : lines(serving), random(seed) {}

uint32_t SoakFaultScheduler::Between(uint32_t low, uint32_t high) {
  return std::uniform_int_distribution<uint32_t>(low, high)(random);
}

void SoakFaultScheduler::PlanOutages(uint32_t startMs, OutageEvent onEvent) {
  outageEvent = onEvent;
  outageAt = startMs + Between(kOutageGapMinMs, kOutageGapMaxMs);
}

bool SoakFaultScheduler::Busy(const Target& t) const {
  for (const ActiveFault& f : active) {
    if (f.target.line == t.line && (f.target.camera == t.camera || f.target.camera < 0 || t.camera < 0)) return true;
  }
  return false;
}

void SoakFaultScheduler::Apply(const Target& t, const SimFaults& faults) {
  if (t.camera < 0)
    lines[t.line]->SetLineFaults(faults);
  else
    lines[t.line]->SetCameraFaults(t.camera, faults);
}

void SoakFaultScheduler::StartOne(uint32_t now) {
  Target t;
  t.line = static_cast<int>(Between(0, static_cast<uint32_t>(lines.size() - 1)));
  int cameras = lines[t.line]->CameraCount();
  SoakFaultKind kind = static_cast<SoakFaultKind>(Between(FAULT_SPLIT, FAULT_NETWORK_CHANGE));
  bool lineWide = kind == FAULT_NOISE || kind == FAULT_NOISE_PACKET;
  t.camera = lineWide ? -1 : static_cast<int>(Between(0, static_cast<uint32_t>(cameras - 1)));
  if (kind == FAULT_NETWORK_CHANGE) {
    lines[t.line]->SendNetworkChange(t.camera);
    injected[kind]++;
    return;
  }
  if (Busy(t)) return;
  SimFaults f;
  switch (kind) {
    case FAULT_SPLIT:
      f.splitBytes = static_cast<int>(Between(1, 3));
      f.splitGapMs = Between(1, 8);
      break;
    case FAULT_NOISE:
      f.noiseBytes = static_cast<int>(Between(1, 6));
      break;
    case FAULT_NOISE_PACKET:
      f.noiseBytes = static_cast<int>(Between(2, 6));
      f.noiseEndsPacket = true;
      break;
    case FAULT_DELAY:
      f.delayMs = kDelaysMs[Between(0, sizeof kDelaysMs / sizeof kDelaysMs[0] - 1)];
      break;
    case FAULT_ERROR: {
      const ErrorChoice& e = kErrors[Between(0, sizeof kErrors / sizeof kErrors[0] - 1)];
      f.AddError(e.match, e.length, e.code);
      break;
    }
    case FAULT_SILENT:
      f.silent = true;
      break;
    default:
      f.batchReplies = true;
      break;
  }
  Apply(t, f);
  injected[kind]++;
  active.push_back(ActiveFault{t, now + Between(kLengthMinMs, kLengthMaxMs)});
}

void SoakFaultScheduler::Step(uint32_t now, bool outageMayBegin) {
  if (!started) {
    started = true;
    nextMs = now + Between(kGapMinMs, kGapMaxMs);
  }
  for (size_t i = 0; i < active.size();) {
    if (static_cast<int32_t>(now - active[i].endMs) >= 0) {
      EndFault(i);
    } else {
      i++;
    }
  }
  if (static_cast<int32_t>(now - nextMs) >= 0) {
    if (static_cast<int>(active.size()) < kMaxActive) StartOne(now);
    nextMs = now + Between(kGapMinMs, kGapMaxMs);
  }
  if (outageEvent && static_cast<int32_t>(now - outageAt) >= 0 && (outageRunning || outageMayBegin)) StepOutage(now);
}

void SoakFaultScheduler::EndFault(size_t i) {
  Apply(active[i].target, SimFaults());
  active.erase(active.begin() + static_cast<long>(i));
}

// A line unplugged or one of its cameras switched off, then back. Switched
// on, a camera starts afresh: a fault of its own still running (a silent one
// would swallow its y0 38 FF) ends first.
void SoakFaultScheduler::SwitchOutage(bool out) {
  SoakLine* line = lines[outage.line];
  if (outage.camera >= 0 && !out) {
    for (size_t i = active.size(); i-- > 0;)
      if (active[i].target.line == outage.line && active[i].target.camera == outage.camera) EndFault(i);
  }
  if (outage.camera >= 0) {
    line->Power(outage.camera, !out);
  } else if (out) {
    line->Vanish();
  } else {
    char error[256];
    if (!line->Return(error, sizeof error)) fprintf(stderr, "soak: %s\n", error);
  }
  outageRunning = out;
  outageEvent(outage.line, outage.camera, out);
}

void SoakFaultScheduler::StepOutage(uint32_t now) {
  if (outageRunning) {
    SwitchOutage(false);
    outageAt = now + Between(kOutageGapMinMs, kOutageGapMaxMs);
    return;
  }
  outage.line = static_cast<int>(Between(0, static_cast<uint32_t>(lines.size() - 1)));
  const bool unplug = Between(0, 1) == 0;
  outage.camera =
      unplug ? -1 : static_cast<int>(Between(0, static_cast<uint32_t>(lines[outage.line]->CameraCount() - 1)));
  injected[unplug ? FAULT_LINE_GONE : FAULT_POWER_OFF]++;
  SwitchOutage(true);
  outageAt = now + Between(kGoneMinMs, kGoneMaxMs);
}

void SoakFaultScheduler::ClearAll() {
  for (const ActiveFault& f : active) Apply(f.target, SimFaults());
  active.clear();
  if (outageRunning) SwitchOutage(false);
  outageEvent = nullptr;
}

uint64_t SoakFaultScheduler::Injected() const {
  uint64_t total = 0;
  for (uint64_t n : injected) total += n;
  return total;
}
