// Command line of camsim: lines of cameras, their links, faults, profile,
// transcript and duration.
#pragma once

#include "sim/sim_faults.h"
#include "sim/sim_line.h"
#include "sim/sim_timing.h"

#include <cstdint>

// A stretch of time in which part of a line is out: its adapter unplugged
// (camera -1) or one camera without power. Times count from camsim's start.
struct CamsimOutage {
  int camera = -1;
  uint32_t fromMs = 0;
  uint32_t toMs = 0;
};

// Where a line is served: a pseudo-terminal, or a socket on 127.0.0.1.
enum CamsimTransport { CAMSIM_PTY, CAMSIM_VISCA_IP, CAMSIM_UDP_RAW, CAMSIM_TCP };

struct CamsimLineOptions {
  static constexpr int kPathSize = 512;
  static constexpr int kMaxOutages = 16;

  uint8_t models[SimLine::kMaxCameras];
  int cameraCount = 0;
  char link[kPathSize] = {};        // empty: no symlink
  char transcript[kPathSize] = {};  // empty: the common transcript, if any
  SimFaults lineFaults;
  SimFaults cameraFaults[SimLine::kMaxCameras];
  bool standby[SimLine::kMaxCameras] = {};
  CamsimOutage outages[kMaxOutages];  // at most one at a time for each camera and the adapter
  int outageCount = 0;
  CamsimTransport transport = CAMSIM_PTY;
  uint16_t port = 0;  // 0: one the system picks (printed)
  // Network faults: datagrams lost at random (both ways), replies held back.
  uint32_t dropPercent = 0;
  uint32_t lateMs = 0;
};

// What the transcript's times count from.
enum CamsimClock { CAMSIM_CLOCK_START, CAMSIM_CLOCK_MONOTONIC, CAMSIM_CLOCK_REALTIME };

struct CamsimOptions {
  // As many as the program has lines: ten serial, sixteen on the network.
  static constexpr int kMaxLines = 26;

  CamsimLineOptions lines[kMaxLines];
  int lineCount = 0;
  bool realistic = true;
  bool hz50 = false;
  bool pacing = false;
  uint32_t durationMs = 0;  // 0: until a signal
  CamsimClock clock = CAMSIM_CLOCK_START;
  char transcript[CamsimLineOptions::kPathSize] = {};
  bool help = false;

  SimTiming Timing() const;
};

// Fills options from argv. False with a message in error (one line, no
// newline) when an argument is wrong.
bool ParseCamsimOptions(int argc, const char* const* argv, CamsimOptions* options, char* error, int errorSize);

extern const char kCamsimUsage[];
