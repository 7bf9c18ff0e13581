// One serial line of the soak: virtual cameras (SimLine) behind a
// pseudo-terminal whose device a symlink names, served by a pump thread on
// the real clock. The line can vanish (the pty and its link are removed, as
// when an adapter is unplugged) and come back as a new pty under the same link.
#pragma once

#include "sim/camsim_pty.h"
#include "sim/sim_line.h"

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>

class SoakLine {
 public:
  // Every packet that reached camera `index` of this line, in order.
  using ReceivedHandler = std::function<void(int index, const uint8_t* packet, int length)>;
  // Every packet the engine wrote onto the line.
  using SentHandler = std::function<void(const uint8_t* packet, int length)>;

  SoakLine(const SimTiming& timing, const char* link);
  ~SoakLine();

  int AddCamera(uint8_t modelCode) {
    int index = line.AddCamera(modelCode);
    if (index >= 0) cameraCount = index + 1;
    return index;
  }
  // Creates the pty and starts serving; false with a message.
  bool Start(ReceivedHandler onReceived, SentHandler onSent, char* error, int errorSize);
  void Stop();

  // Faults and events, applied under the line's lock.
  void SetLineFaults(const SimFaults& faults);
  void SetCameraFaults(int index, const SimFaults& faults);
  void SendNetworkChange(int index);
  // Camera `index` switched off (its chain falls silent) or on again.
  void Power(int index, bool on);
  int CameraCount() const { return cameraCount; }

  void Vanish();
  bool Return(char* error, int errorSize);

 private:
  void Pump();
  void ServeOnce();
  void TakeReceived();

  SimLine line;
  int cameraCount = 0;
  char link[PtyLine::kPathSize];
  std::unique_ptr<PtyLine> pty;
  std::mutex lock;
  std::thread pump;
  std::atomic<bool> stop{false};
  ReceivedHandler received;
  SentHandler sent;
  uint8_t partial[64] = {};  // the engine's packet being collected
  int partialLength = 0;
};
