// Serial port through the Win32 comm API, synchronous I/O on "\\.\COMn".
#include "serial/serial_port.h"

#include <windows.h>

#include <cstdio>
#include <new>

struct SerialPort {
  HANDLE handle;
};

namespace {

// Only the members below change; handshake, DTR/RTS and special characters
// stay as the port had them.
bool Configure(HANDLE handle, const SerialLineSettings& settings) {
  DCB dcb = {};
  dcb.DCBlength = sizeof dcb;
  if (!GetCommState(handle, &dcb)) return false;
  dcb.BaudRate = settings.baudRate;
  dcb.fOutX = FALSE;
  dcb.fInX = FALSE;
  dcb.ByteSize = static_cast<BYTE>(settings.dataBits);
  dcb.Parity = settings.parityCode == 0 ? NOPARITY : settings.parityCode == 1 ? ODDPARITY : EVENPARITY;
  dcb.StopBits = settings.stopBitsCode == 0 ? ONE5STOPBITS : settings.stopBitsCode == 2 ? TWOSTOPBITS : ONESTOPBIT;
  if (!SetCommState(handle, &dcb)) return false;
  if (!SetCommMask(handle, EV_RXCHAR | EV_TXEMPTY)) return false;
  // Reads return at once with what has arrived; writes have no time-out.
  COMMTIMEOUTS timeouts = {};
  timeouts.ReadIntervalTimeout = MAXDWORD;
  return SetCommTimeouts(handle, &timeouts) != FALSE;
}

}  // namespace

SerialPort* SerialPortOpen(uint32_t portNumber, const SerialLineSettings& settings) {
  char name[32];
  snprintf(name, sizeof name, "\\\\.\\COM%d", static_cast<int>(portNumber));
  HANDLE handle = CreateFileA(name, GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  if (handle == INVALID_HANDLE_VALUE) return nullptr;
  SerialPort* port = Configure(handle, settings) ? new (std::nothrow) SerialPort{handle} : nullptr;
  if (port == nullptr) CloseHandle(handle);
  return port;
}

int SerialPortReadByte(SerialPort* port, uint8_t* byte) {
  DWORD got = 0;
  return ReadFile(port->handle, byte, 1, &got, nullptr) && got == 1 ? 1 : 0;
}

void SerialPortWrite(SerialPort* port, const uint8_t* data, int32_t length) {
  DWORD written = 0;
  WriteFile(port->handle, data, static_cast<DWORD>(length), &written, nullptr);
}

void SerialPortClose(SerialPort* port) {
  PurgeComm(port->handle, PURGE_TXABORT | PURGE_RXABORT);
  CloseHandle(port->handle);
  delete port;
}
