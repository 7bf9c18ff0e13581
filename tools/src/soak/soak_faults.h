// Switches faults on and off at random on the soak's lines and cameras:
// replies cut into pieces, noise, noise packets, delays past each time-out,
// error replies, silent cameras, acknowledges held back, network-change
// packets; and now and then an outage: a line whose device vanishes and
// comes back, or a camera switched off and on again.
#pragma once

#include "tools/src/soak/soak_line.h"

#include <cstdint>
#include <functional>
#include <random>
#include <vector>

enum SoakFaultKind {
  FAULT_SPLIT,
  FAULT_NOISE,
  FAULT_NOISE_PACKET,
  FAULT_DELAY,
  FAULT_ERROR,
  FAULT_SILENT,
  FAULT_BATCH,
  FAULT_NETWORK_CHANGE,
  FAULT_SHORT_ECHO,
  FAULT_LINE_GONE,
  FAULT_POWER_OFF,
  FAULT_KINDS
};

const char* FaultKindName(SoakFaultKind kind);

class SoakFaultScheduler {
 public:
  // Told when an outage begins (out) and ends: camera -1 for a line unplugged.
  using OutageEvent = std::function<void(int line, int camera, bool out)>;

  SoakFaultScheduler(std::vector<SoakLine*> lines, uint32_t seed);

  // Outages one at a time from `startMs` on, at random lines and cameras.
  void PlanOutages(uint32_t startMs, OutageEvent onEvent);
  // Counts a fault put in place before the engine started.
  void CountStartupFault(SoakFaultKind kind) { injected[kind]++; }
  // Starts and ends faults that fall due at `now`; an outage due waits
  // until `outageMayBegin`.
  void Step(uint32_t now, bool outageMayBegin);
  // Ends every fault and the outage running.
  void ClearAll();

  uint64_t Injected() const;
  uint64_t Injected(SoakFaultKind kind) const { return injected[kind]; }
  int Active() const { return static_cast<int>(active.size()); }

 private:
  struct Target {
    int line;
    int camera;  // -1: the whole line
  };
  struct ActiveFault {
    Target target;
    uint32_t endMs;
  };

  uint32_t Between(uint32_t low, uint32_t high);
  bool Busy(const Target& t) const;
  void StartOne(uint32_t now);
  void Apply(const Target& t, const SimFaults& faults);
  void EndFault(size_t i);  // active[i] ended and removed
  void StepOutage(uint32_t now);
  void SwitchOutage(bool out);

  std::vector<SoakLine*> lines;
  std::mt19937 random;
  std::vector<ActiveFault> active;
  uint32_t nextMs = 0;
  bool started = false;
  uint64_t injected[FAULT_KINDS] = {};

  OutageEvent outageEvent;  // null: no outages planned
  Target outage = {0, -1};
  bool outageRunning = false;
  uint32_t outageAt = 0;  // when the next outage begins or the running one ends
};
