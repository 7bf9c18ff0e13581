// Platform backend of SerialChannel: open, configure, read and write one port.
// serial/win32_port.cpp uses the Win32 comm API, serial/posix_port.cpp a raw
// termios device.
#pragma once

#include <cstdint>

struct SerialPort;

struct SerialLineSettings {
  uint32_t baudRate;
  uint32_t dataBits;
  uint32_t stopBitsCode;  // 0 = 1.5, 2 = two, other = one
  uint32_t parityCode;    // 0 = none, 1 = odd, other = even
};

// Null on failure; on failure nothing stays open.
SerialPort* SerialPortOpen(uint32_t comNumber, const SerialLineSettings& settings);
// Waits up to `waitMs` (OS_INFINITE: no limit) until bytes arrive or
// SerialPortWake is called, then takes what has arrived, at most `capacity`
// bytes (one at a time from an in-process peer). Returns how many came.
int32_t SerialPortReceive(SerialPort* port, uint8_t* buffer, int32_t capacity, uint32_t waitMs);
// Ends a SerialPortReceive that waits now, or makes the next one return at
// once. Any thread, while the port is open.
void SerialPortWake(SerialPort* port);
// Cancels a read the port keeps pending and waits until it has landed. On the
// thread that calls SerialPortReceive, before it ends.
void SerialPortEndReceive(SerialPort* port);
// Writes the bytes in one call; the result is not relied upon. A write the
// line holds off ends unfinished once FrameWriteLimitMs has passed.
void SerialPortWrite(SerialPort* port, const uint8_t* data, int32_t length);
// True once the device went away under the open port (an adapter pulled out,
// the far end of a pseudo-terminal closed): receiving and writing do nothing
// more, and only closing and opening the port again can bring the line back.
// On the thread that calls SerialPortReceive.
bool SerialPortLost(const SerialPort* port);
// Drops pending input and output, then closes. False when a request the
// driver was asked to cancel never ended: the port is then left open, its
// buffers with it, until the process ends.
bool SerialPortClose(SerialPort* port);

// How long a write of `length` bytes may take: the time its characters need
// on the wire (12 bits each at most: start, 8 data, parity, 2 stop), plus
// half a second for a line that holds them off.
constexpr uint32_t kWriteHoldOffMs = 500;
constexpr uint64_t kMaxBitsPerCharacter = 12;
constexpr uint64_t kMsPerSecond = 1000;
constexpr uint32_t FrameWriteLimitMs(int32_t length, uint32_t baudRate) {
  const uint64_t bitMs = static_cast<uint64_t>(length > 0 ? length : 0) * kMaxBitsPerCharacter * kMsPerSecond;
  const uint64_t baud = baudRate > 0 ? baudRate : 1;
  return kWriteHoldOffMs + static_cast<uint32_t>((bitMs + baud - 1) / baud);
}

#ifndef _WIN32
// POSIX: the device that COMn (n = 1..kSerialMaxPorts) maps to. Null restores
// the default /dev/ttyS<n-1>; an empty path means the port does not exist.
// Set before the port is opened.
constexpr uint32_t kSerialMaxPorts = 32;
void SerialPortSetDevice(uint32_t comNumber, const char* path);
// The path COMn maps to now ("" when it has none).
const char* SerialPortDevice(uint32_t comNumber, char* buffer, int size);

// In-process peer in place of a device, for deterministic tests: while a peer
// is attached to COMn, opening COMn succeeds without a device, writes go to
// the peer and reads come from it. Both calls run on the channel's I/O thread,
// which asks a peer for a byte every millisecond while the line is quiet.
struct SerialPeer {
  virtual ~SerialPeer() = default;
  virtual void OnWrite(const uint8_t* data, int32_t length) = 0;
  // 1 and a byte when one is waiting, 0 when the line is quiet, -1 when the
  // device has gone away.
  virtual int ReadByte(uint8_t* byte) = 0;
};
void SerialPortSetPeer(uint32_t comNumber, SerialPeer* peer);
#endif
