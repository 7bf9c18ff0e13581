// Shared pieces of the serial and network line tests: the VISCA frame-end
// rule, the next frame read and, natively, an in-process line and a pseudo-terminal.
#pragma once

#include "serial/serial_channel.h"
#include "serial/serial_port.h"
#include "tests/support/wait_for.h"

#include <gtest/gtest.h>

#include <condition_variable>
#include <deque>
#include <mutex>
#include <vector>

using Bytes = std::vector<uint8_t>;

inline uint32_t ViscaFrameEnd(uint8_t* frame, int32_t* length) {
  return *length > 0 && frame[*length - 1] == 0xFF ? FRAME_COMPLETE : FRAME_MORE;
}

// As the engine sets a channel up: 38400 baud, framing mode 4, the VISCA rule.
inline void ConfigureLikeTheEngine(SerialChannel& channel) {
  channel.SetOption(1, 38400);
  channel.SetOption(2, 4);
  channel.SetCallback(6, ViscaFrameEnd);
}

// The next received frame; empty when none comes in time (frames never are).
inline Bytes NextFrame(SerialChannel& channel, uint32_t timeoutMs = 3000) {
  uint8_t buffer[256];
  uint32_t length = 0;
  if (!WaitFor([&] { return channel.ReadFrame(buffer, 255, &length) == 0; }, timeoutMs)) return {};
  return Bytes(buffer, buffer + length);
}

#ifndef _WIN32
#include <fcntl.h>
#include <sys/ioctl.h>
#include <unistd.h>

// The far end of a line inside the process: fed bytes reach the channel one
// ReadByte at a time, writes are recorded, a closed gate holds every write (for
// at most 10 s: a test that never opens it fails on what it sees).
struct ScriptedPeer : SerialPeer {
  std::mutex mutex;
  std::condition_variable gateChanged;
  std::deque<uint8_t> input;
  Bytes written;
  bool pending = false;  // false once the I/O thread came back for more
  bool gateOpen = true;
  bool blocked = false;

  void OnWrite(const uint8_t* data, int32_t length) override {
    std::unique_lock<std::mutex> hold(mutex);
    blocked = true;
    gateChanged.wait_for(hold, std::chrono::seconds(10), [this] { return gateOpen; });
    blocked = false;
    written.insert(written.end(), data, data + length);
  }
  int ReadByte(uint8_t* byte) override {
    std::lock_guard<std::mutex> hold(mutex);
    pending = !input.empty();
    if (!pending) return 0;
    *byte = input.front();
    input.pop_front();
    return 1;
  }
  // Runs `f` on the peer's state under its lock.
  template <typename F>
  auto Locked(F f) {
    std::lock_guard<std::mutex> hold(mutex);
    return f();
  }
  void Feed(const Bytes& bytes) {
    std::lock_guard<std::mutex> hold(mutex);
    input.insert(input.end(), bytes.begin(), bytes.end());
    pending = true;
  }
  void SetGate(bool open) {
    Locked([&] { return gateOpen = open; });
    gateChanged.notify_all();
  }
  bool WaitConsumed(uint32_t ms = 3000) {
    return WaitFor([&] { return Locked([&] { return !pending; }); }, ms);
  }
  bool WaitWritten(size_t n) {
    return WaitFor([&] { return Written().size() >= n; });
  }
  bool WaitBlocked() {
    return WaitFor([&] { return Locked([&] { return blocked; }); });
  }
  Bytes Written() {
    return Locked([&] { return written; });
  }
};

// A channel open on a port whose far end is a ScriptedPeer.
class PeerChannel : public ::testing::Test {
 protected:
  static constexpr uint32_t kPort = 21;
  void SetUp() override {
    SerialPortSetPeer(kPort, &peer);
    ConfigureLikeTheEngine(channel);
    ASSERT_EQ(channel.OpenComPort(kPort), 0);
  }
  void TearDown() override {
    peer.SetGate(true);
    channel.CloseLine();
    SerialPortSetPeer(kPort, nullptr);
    SerialPortSetDevice(kPort, nullptr);
  }
  ScriptedPeer peer;
  SerialChannel channel;  // after the peer: goes first
};

// A pseudo-terminal. The test holds its slave open too, so the master never
// sees a hang-up while a channel reopens the slave.
struct PtyLine {
  int master = posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
  int slave = -1;
  char path[128] = {};
  PtyLine() {
    if (master >= 0 && grantpt(master) == 0 && unlockpt(master) == 0 && ptsname_r(master, path, sizeof path) == 0)
      slave = open(path, O_RDWR | O_NOCTTY | O_CLOEXEC);
  }
  ~PtyLine() {
    close(slave);
    close(master);
  }
  void Write(const Bytes& bytes) {
    ASSERT_EQ(write(master, bytes.data(), bytes.size()), static_cast<ssize_t>(bytes.size()));
  }
  // Bytes written that the port has not read yet.
  int Unread() const {
    int count = -1;
    return ioctl(slave, FIONREAD, &count) == 0 ? count : -1;
  }
};
// A channel set up as the engine's on a pseudo-terminal (COM kPort).
class PtyChannel : public ::testing::Test {
 protected:
  static constexpr uint32_t kPort = 25;
  void SetUp() override {
    ASSERT_GE(line.slave, 0);
    SerialPortSetDevice(kPort, line.path);
    ConfigureLikeTheEngine(channel);
    ASSERT_EQ(channel.OpenComPort(kPort), 0);
  }
  void TearDown() override {
    channel.CloseLine();
    SerialPortSetDevice(kPort, nullptr);
  }
  PtyLine line;
  SerialChannel channel;  // after the line: goes first
};
#endif
