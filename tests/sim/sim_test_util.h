// Drives a SimLine by hand in tests: write packets, move the virtual clock,
// collect what came back cut into packets.
#pragma once

#include "sim/sim_line.h"

#include <cstdint>
#include <initializer_list>
#include <vector>

typedef std::vector<uint8_t> Bytes;

struct LineDriver {
  SimLine line;
  uint64_t nowUs = 0;
  Bytes pending;  // bytes read but not yet cut into a packet

  explicit LineDriver(const SimTiming& timing = SimFastTiming()) : line(timing) {}

  void Write(std::initializer_list<uint8_t> bytes) {
    const Bytes b(bytes);
    line.Feed(b.data(), static_cast<int>(b.size()));
  }
  void WriteBytes(const Bytes& b) { line.Feed(b.data(), static_cast<int>(b.size())); }

  // Moves the clock forward and returns the whole packets that arrived.
  std::vector<Bytes> RunMs(uint32_t ms) {
    nowUs += static_cast<uint64_t>(ms) * 1000u;
    line.AdvanceToUs(nowUs);
    return Take();
  }

  std::vector<Bytes> Take() {
    std::vector<Bytes> packets;
    uint8_t byte = 0;
    while (line.ReadByte(&byte) == 1) {
      pending.push_back(byte);
      if (byte == 0xFF) {
        packets.push_back(pending);
        pending.clear();
      }
    }
    return packets;
  }

  // Numbers the cameras and drops the echo.
  void AssignAddresses() {
    Write({0x88, 0x30, 0x01, 0xFF});
    RunMs(50);
  }
};
