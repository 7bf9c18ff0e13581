// camsim's outages as time goes by: a line's adapter unplugged and plugged
// back (a new pseudo-terminal under the same link), a camera's power cut and
// restored.
#pragma once

#include "sim/camsim_options.h"
#include "sim/camsim_pty.h"
#include "sim/sim_line.h"

#include <cstdint>

struct CamsimOutageRun {
  enum Phase : uint8_t { PENDING, RUNNING, OVER };
  Phase phase[CamsimLineOptions::kMaxOutages] = {};
};

// Starts and ends the outages of line `number` that are due at `nowUs` (line
// time; the line is brought up to it first) and reports on stdout whenever
// its device goes or comes. Returns the line time of the next start or end,
// UINT64_MAX when none is left.
uint64_t RunOutages(const CamsimLineOptions& options, int number, uint64_t nowUs, CamsimOutageRun* run, SimLine* line,
                    PtyLine* pty);
