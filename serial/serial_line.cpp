#include "serial/serial_line.h"

namespace {

SerialPort* Port(LineHandle* line) { return reinterpret_cast<SerialPort*>(line); }

LineHandle* Open(const void* config) {
  const SerialLineConfig* c = static_cast<const SerialLineConfig*>(config);
  return reinterpret_cast<LineHandle*>(SerialPortOpen(c->comNumber, c->settings));
}

int32_t Receive(LineHandle* line, uint8_t* buffer, int32_t capacity, uint32_t waitMs) {
  return SerialPortReceive(Port(line), buffer, capacity, waitMs);
}

void Write(LineHandle* line, const uint8_t* data, int32_t length) { SerialPortWrite(Port(line), data, length); }

bool Lost(LineHandle* line) { return SerialPortLost(Port(line)); }

void EndReceive(LineHandle* line) { SerialPortEndReceive(Port(line)); }

void Wake(LineHandle* line) { SerialPortWake(Port(line)); }

bool Close(LineHandle* line) { return SerialPortClose(Port(line)); }

// A COM port has no connection to come up, no events and no message numbers.
bool Never(LineHandle*) { return false; }
uint32_t NoEvents(LineHandle*) { return 0; }
void NoNumbers(LineHandle*) {}
int32_t NoLateReply(LineHandle*, uint8_t*, int32_t) { return 0; }

// In the order of LineOps.
const LineOps kSerialLineOps = {
    LINE_KIND_SERIAL, Open,  Receive,   Write,     Never,       Lost,  EndReceive, Wake, Never,
    NoEvents,         Never, NoNumbers, NoNumbers, NoLateReply, Close,
};

}  // namespace

LineOpener SerialLineOpener(const SerialLineConfig& config) { return {&kSerialLineOps, &config}; }
