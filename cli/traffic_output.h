// What orvalix-cli prints from the traffic trace: with --trace every entry,
// and always the replies to raw commands (their outcome).
#pragma once

#include <cstdint>

struct CameraController;

struct TrafficFollower {
  const CameraController* source = nullptr;  // whose trace; none: nothing to print
  uint32_t next = 1;                         // id of the next entry to print
  bool everyEntry = false;                   // --trace
};

// The follower starts with the entries `source` records from now on.
TrafficFollower StartTrafficFollower(const CameraController* source, bool everyEntry);
// Prints the entries recorded since the last call.
void PrintTraffic(TrafficFollower* f);
