// What a SerialChannel's I/O thread sleeps in, reads and writes: a serial port
// (serial/serial_port.h) or a network line in the same shape (net/net_port.h).
#pragma once

#include "net/net_port.h"
#include "serial/serial_port.h"

#include <cstdint>

struct LinePort {
  SerialPort* serial = nullptr;
  NetPort* net = nullptr;

  bool IsOpen() const { return serial != nullptr || net != nullptr; }
  int32_t Receive(uint8_t* buffer, int32_t capacity, uint32_t waitMs) {
    return net != nullptr ? NetPortReceive(net, buffer, capacity, waitMs)
                          : SerialPortReceive(serial, buffer, capacity, waitMs);
  }
  // A network line that came (back) up since the last call.
  bool TakeCameUp() { return net != nullptr && NetPortTakeCameUp(net); }
  // A network line's events wait for the channel's owner.
  bool HasEvents() { return net != nullptr && NetPortHasEvents(net); }
  // A network line reconnects by itself; only a serial device can be lost.
  bool Lost() const { return serial != nullptr && SerialPortLost(serial); }
  void Wake() { net != nullptr ? NetPortWake(net) : SerialPortWake(serial); }
  void EndReceive() {
    if (serial != nullptr) SerialPortEndReceive(serial);
  }
  void Write(const uint8_t* data, int32_t length) {
    net != nullptr ? NetPortWrite(net, data, length) : SerialPortWrite(serial, data, length);
  }
  // False when a serial port had to be left open (its driver still holds a
  // request); it is forgotten here either way.
  bool Close() {
    bool closed = true;
    if (net != nullptr) NetPortClose(net);
    if (serial != nullptr) closed = SerialPortClose(serial);
    net = nullptr;
    serial = nullptr;
    return closed;
  }
};
