// What orvalix-cli prints from the traffic trace: with --trace every entry,
// and always the replies to raw commands (their outcome).
#pragma once

#include "engine/orvalix_engine.h"

#include <cstdint>

struct TrafficFollower {
  uint32_t next = 1;        // id of the next entry to print
  bool everyEntry = false;  // --trace
};

// The follower starts with the entries `c` records from now on.
TrafficFollower StartTrafficFollower(const CameraController* c, bool everyEntry);
// Prints the entries recorded since the last call.
void PrintTraffic(const CameraController* c, TrafficFollower* f);
