// Shared pieces of the serial channel tests: a VISCA-like frame-end rule, an
// in-process line (SerialPeer) and a pseudo-terminal standing in for a port.
#pragma once

#include "platform/os.h"
#include "serial/serial_channel.h"
#include "serial/serial_port.h"

#include <gtest/gtest.h>

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <mutex>
#include <vector>

using Bytes = std::vector<uint8_t>;

// A frame ends with 0xFF.
uint32_t ViscaFrameEnd(uint8_t* frame, int32_t* length);

// Polls `condition` every millisecond until it holds or `timeoutMs` pass.
template <typename Condition>
bool WaitFor(Condition condition, uint32_t timeoutMs = 3000)
{
  const uint32_t start = OsTickCount();
  while (!condition()) {
    if (OsTickCount() - start > timeoutMs) return false;
    OsSleep(1);
  }
  return true;
}

// Waits for the next received frame; false when none comes in time.
bool ReadFrameWithin(SerialChannel& channel, Bytes* frame, uint32_t timeoutMs = 3000);

#ifndef _WIN32

// The far end of a line, inside the process. Bytes fed to it reach the
// channel one ReadByte at a time; what the channel writes is recorded. A
// closed gate holds every write until it opens.
class ScriptedPeer : public SerialPeer {
public:
  void OnWrite(const uint8_t* data, int32_t length) override;
  int ReadByte(uint8_t* byte) override;

  void Feed(const Bytes& bytes);
  // True once every fed byte was read and the I/O thread came back for more,
  // so the last byte has been handled.
  bool WaitConsumed(uint32_t timeoutMs = 3000);
  Bytes Written();
  bool WaitWritten(size_t count, uint32_t timeoutMs = 3000);
  int WriteCalls();

  void CloseGate();
  void OpenGate();
  bool WaitBlockedInWrite(uint32_t timeoutMs = 3000);

private:
  std::mutex mutex;
  std::condition_variable gateChanged;
  std::deque<uint8_t> input;
  Bytes written;
  int writeCalls = 0;
  bool inputPending = false;
  bool gateClosed = false;
  bool blockedInWrite = false;
};

// A pseudo-terminal whose slave side is the device of a COM port. The test
// keeps the slave open too, so the master never sees a hang-up while the
// channel reopens.
class PtyLine {
public:
  PtyLine();
  ~PtyLine();
  PtyLine(const PtyLine&) = delete;
  PtyLine& operator=(const PtyLine&) = delete;

  bool IsValid() const { return master >= 0 && slave >= 0; }
  const char* SlavePath() const { return slavePath; }
  void Write(const Bytes& bytes);
  // Reads exactly `count` bytes from what the channel sent.
  bool Read(size_t count, Bytes* bytes, uint32_t timeoutMs = 3000);
  // The line settings the channel last put on the device that a pty keeps
  // (it always reports 8 data bits without parity).
  bool Settings(uint32_t* baud, bool* oddParity, bool* twoStop);

private:
  int master = -1;
  int slave = -1;
  char slavePath[128] = {};
};

// A channel set up as the engine sets one up (38400 baud, framing mode 4, the
// VISCA rule), open on a COM port whose far end is an in-process peer.
class PeerChannel : public ::testing::Test {
protected:
  static constexpr uint32_t kPort = 21;
  void SetUp() override
  {
    SerialPortSetPeer(kPort, &peer);
    channel.SetOption(1, 38400);
    channel.SetOption(2, 4);
    channel.SetCallback(6, ViscaFrameEnd);
    ASSERT_EQ(channel.OpenPort(kPort), 0);
  }
  void TearDown() override
  {
    peer.OpenGate();
    channel.ClosePort();
    SerialPortSetPeer(kPort, nullptr);
    SerialPortSetDevice(kPort, nullptr);
  }

  ScriptedPeer peer;
  SerialChannel channel;  // after the peer: goes first
};

// The same, over a pseudo-terminal.
class PtyChannel : public ::testing::Test {
protected:
  static constexpr uint32_t kPort = 22;
  void SetUp() override
  {
    ASSERT_TRUE(line.IsValid());
    SerialPortSetDevice(kPort, line.SlavePath());
    channel.SetOption(1, 38400);
    channel.SetOption(2, 4);
    channel.SetCallback(6, ViscaFrameEnd);
    ASSERT_EQ(channel.OpenPort(kPort), 0);
  }
  void TearDown() override
  {
    channel.ClosePort();
    SerialPortSetDevice(kPort, nullptr);
  }

  PtyLine line;
  SerialChannel channel;
};
#endif
