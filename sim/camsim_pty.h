// One pseudo-terminal that stands for a serial line. camsim holds the master
// end and also keeps the device end open itself, so the line survives the
// program under test closing and reopening the port.
#pragma once

#include <cstdint>

class PtyLine {
 public:
  static constexpr int kPathSize = 512;

  PtyLine() = default;
  ~PtyLine();
  PtyLine(const PtyLine&) = delete;
  PtyLine& operator=(const PtyLine&) = delete;

  // Creates the pty, and a symlink to its device at `link` when it is not
  // empty (an existing symlink there is replaced). False with a message.
  bool Open(const char* link, char* error, int errorSize);
  // As an adapter pulled out: the device hangs up for whoever has it open and
  // its link goes away. Open makes a new one.
  void Unplug();
  // -1 while unplugged.
  int MasterFd() const { return master; }
  const char* DevicePath() const { return device; }
  // What the program under test wrote: the count, 0 when nothing waits.
  int Read(uint8_t* buffer, int capacity);
  // To the program under test; bytes that do not fit in the device's input
  // queue (nobody reading) are lost, as on a wire.
  void Write(const uint8_t* data, int length);

 private:
  void RemoveLink();

  int master = -1;
  int deviceFd = -1;
  char device[kPathSize] = {};
  char link[kPathSize] = {};
};
