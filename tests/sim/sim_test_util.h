// A SimLine driven by hand: packets in, the virtual clock moved a millisecond
// at a time, what came back as raw bytes or cut into packets.
#pragma once

#include "sim/sim_line.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <initializer_list>
#include <vector>

typedef std::vector<uint8_t> Bytes;
typedef std::vector<Bytes> Packets;

struct SimRig {
  SimLine line;
  uint64_t nowUs = 0;
  Bytes pending;  // bytes of a packet not yet ended

  explicit SimRig(std::initializer_list<uint8_t> models = {}, const SimTiming& t = SimFastTiming()) : line(t) {
    for (uint8_t m : models) line.AddCamera(m);
    if (models.size() > 0) Ask({0x88, 0x30, 0x01, 0xFF}, 50);
  }

  void Write(const Bytes& b) { line.Feed(b.data(), static_cast<int>(b.size())); }

  Bytes Raw(uint32_t ms) {
    Bytes all;
    for (uint32_t i = 0; i < ms; ++i) {
      nowUs += 1000;
      line.AdvanceToUs(nowUs);
      uint8_t b = 0;
      while (line.ReadByte(&b) == 1) all.push_back(b);
    }
    return all;
  }

  Packets Run(uint32_t ms) {
    Packets packets;
    for (uint8_t b : Raw(ms)) {
      pending.push_back(b);
      if (b != 0xFF) continue;
      packets.push_back(pending);
      pending.clear();
    }
    return packets;
  }

  Packets Ask(const Bytes& packet, uint32_t ms = 5) {
    Write(packet);
    return Run(ms);
  }
};

// Command and inquiry to camera 1 (81 01 04 … FF, 81 09 04 … FF).
inline Bytes To1(uint8_t kind, std::initializer_list<uint8_t> body) {
  Bytes b{0x81, kind, 0x04};
  for (uint8_t byte : body) b.push_back(byte);  // insert() trips a GCC 12 -Warray-bounds false positive
  b.push_back(0xFF);
  return b;
}
inline Bytes Cmd(std::initializer_list<uint8_t> body) { return To1(0x01, body); }
inline Bytes Inq(std::initializer_list<uint8_t> body) { return To1(0x09, body); }

const Bytes kAck1{0x90, 0x41, 0xFF}, kDone1{0x90, 0x51, 0xFF};
const Packets kDone{kAck1, kDone1};
const Packets kSyntax{{0x90, 0x60, 0x02, 0xFF}};
const Packets kNotExec{{0x90, 0x61, 0x41, 0xFF}};
