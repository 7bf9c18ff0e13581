// Connects a SimLine to the serial channel in place of a device (POSIX
// builds): SimPeer peer(line, clock); SerialPortSetPeer(1, &peer);
// OnWrite and ReadByte run on the channel's I/O thread; tests look at the
// line through WithLine(), which holds the same lock.
#pragma once

#include "serial/serial_port.h"
#include "sim/sim_line.h"

#include <cstdint>
#include <mutex>

class SimPeer : public SerialPeer {
 public:
  typedef uint32_t (*ClockFn)();

  // clock gives the current tick in milliseconds (a test's virtual clock or
  // the real one); the line is advanced to it before every exchange.
  SimPeer(SimLine& line, ClockFn clock);

  void OnWrite(const uint8_t* data, int32_t length) override;
  int ReadByte(uint8_t* byte) override;

  // Runs f(SimLine&) under the lock, after advancing the line to now.
  template <typename F>
  void WithLine(F f) {
    std::lock_guard<std::mutex> guard(mutex);
    line.Advance(clock());
    f(line);
  }

 private:
  SimLine& line;
  ClockFn clock;
  std::mutex mutex;
};
