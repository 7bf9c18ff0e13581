// camsim's outages as time goes by: a line's adapter unplugged and plugged
// back (a new pseudo-terminal under the same link, or a TCP line refusing
// connections until it listens again on its port), a camera's power cut and
// restored.
#pragma once

#include "sim/camsim_net.h"
#include "sim/camsim_options.h"
#include "sim/camsim_pty.h"
#include "sim/sim_line.h"

#include <cstdint>
#include <cstdio>

struct CamsimOutageRun {
  enum Phase : uint8_t { PENDING, RUNNING, OVER };
  Phase phase[CamsimLineOptions::kMaxOutages] = {};
};

// Where an outage is told: the line's transcript (null: none) with the time
// it shows for now.
struct CamsimOutageLog {
  FILE* transcript;
  uint64_t timeUs;
};

// Starts and ends the outages of line `number` that are due at `nowUs` (line
// time; the line is brought up to it first), reports on stdout whenever its
// device or port goes or comes (`net`: the line's socket, null on a pty), and notes each change in the transcript ("L1
// unplugged", "L1 plugged in", "L1 cam2 off", "L1 cam2 on"). Returns the
// line time of the next start or end, UINT64_MAX when none is left.
uint64_t RunOutages(const CamsimLineOptions& options, int number, uint64_t nowUs, CamsimOutageRun* run, SimLine* line,
                    PtyLine* pty, NetLine* net, const CamsimOutageLog& log);
