#include "sim/sim_peer.h"

SimPeer::SimPeer(SimLine& simLine, ClockFn clockFn) : line(simLine), clock(clockFn) {}

void SimPeer::OnWrite(const uint8_t* data, int32_t length) {
  std::lock_guard<std::mutex> guard(mutex);
  line.Advance(clock());
  line.Feed(data, length);
}

int SimPeer::ReadByte(uint8_t* byte) {
  std::lock_guard<std::mutex> guard(mutex);
  line.Advance(clock());
  return line.ReadByte(byte);
}
