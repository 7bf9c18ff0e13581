// Serial port through the Win32 comm API on "\\.\COMn", opened for overlapped
// I/O so that no read or write can hold the I/O thread for good.
#include "serial/serial_port.h"

#include <windows.h>

#include <cstdio>
#include <new>

namespace {

// A write the line holds off (hardware handshake with nothing attached) is
// given up this long after its bytes could have left.
constexpr DWORD kWriteHoldOffMs = 500;
// Upper bound of a character on the wire: start, 8 data, parity, 2 stop bits.
constexpr DWORD kBitsPerCharacter = 12;
constexpr DWORD kMsPerSecond = 1000;

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
  // Reads return at once with what has arrived; the port puts no time-out on
  // writes (SerialPortWrite bounds them itself).
  COMMTIMEOUTS timeouts = {};
  timeouts.ReadIntervalTimeout = MAXDWORD;
  return SetCommTimeouts(handle, &timeouts) != FALSE;
}

// Acknowledges any line error: with fAbortOnError set, one framing error or
// break fails every later read and write until then. Returns how many
// received bytes wait, -1 when the port cannot say.
int32_t ClearErrorsAndCountInput(HANDLE handle) {
  DWORD errors = 0;
  COMSTAT status = {};
  if (!ClearCommError(handle, &errors, &status)) return -1;
  return static_cast<int32_t>(status.cbInQue);
}

// Ends an overlapped operation that `started` (its ReadFile or WriteFile
// result): waits up to `waitMs`, then cancels it and waits for the cancel to
// land, so that the buffer and the OVERLAPPED may go. True when it completed.
bool FinishIo(HANDLE handle, BOOL started, OVERLAPPED* overlapped, DWORD waitMs, DWORD* count) {
  *count = 0;
  if (!started && GetLastError() != ERROR_IO_PENDING) return false;
  if (!started && WaitForSingleObject(overlapped->hEvent, waitMs) != WAIT_OBJECT_0) CancelIoEx(handle, overlapped);
  return GetOverlappedResult(handle, overlapped, count, TRUE) != FALSE;
}

}  // namespace

struct SerialPort {
  HANDLE handle;
  HANDLE ioDone;  // manual-reset event of the one operation in flight
  DWORD baudRate;
};

SerialPort* SerialPortOpen(uint32_t portNumber, const SerialLineSettings& settings) {
  char name[32];
  snprintf(name, sizeof name, "\\\\.\\COM%d", static_cast<int>(portNumber));
  HANDLE handle =
      CreateFileA(name, GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, FILE_FLAG_OVERLAPPED, nullptr);
  if (handle == INVALID_HANDLE_VALUE) return nullptr;
  HANDLE ioDone = Configure(handle, settings) ? CreateEventA(nullptr, TRUE, FALSE, nullptr) : nullptr;
  SerialPort* port = ioDone != nullptr ? new (std::nothrow) SerialPort{handle, ioDone, settings.baudRate} : nullptr;
  if (port == nullptr) {
    if (ioDone != nullptr) CloseHandle(ioDone);
    CloseHandle(handle);
  }
  return port;
}

// Every read first acknowledges any line error, so a failed read is retried
// on a clear port. No read is started on a quiet line: Wine queues one despite
// the time-outs, and one queued all the same is cancelled at once, since the
// I/O loop does its own waiting.
int SerialPortReadByte(SerialPort* port, uint8_t* byte) {
  if (ClearErrorsAndCountInput(port->handle) == 0) return 0;
  OVERLAPPED overlapped = {};
  overlapped.hEvent = port->ioDone;
  DWORD got = 0;
  const BOOL started = ReadFile(port->handle, byte, 1, nullptr, &overlapped);
  return FinishIo(port->handle, started, &overlapped, 0, &got) && got == 1 ? 1 : 0;
}

void SerialPortWrite(SerialPort* port, const uint8_t* data, int32_t length) {
  OVERLAPPED overlapped = {};
  overlapped.hEvent = port->ioDone;
  const DWORD count = static_cast<DWORD>(length);
  const DWORD baud = port->baudRate > 0 ? port->baudRate : 1;
  const DWORD onWireMs = (count * kBitsPerCharacter * kMsPerSecond + baud - 1) / baud;
  DWORD written = 0;
  const BOOL started = WriteFile(port->handle, data, count, nullptr, &overlapped);
  if (!FinishIo(port->handle, started, &overlapped, kWriteHoldOffMs + onWireMs, &written))
    ClearErrorsAndCountInput(port->handle);
}

void SerialPortClose(SerialPort* port) {
  PurgeComm(port->handle, PURGE_TXABORT | PURGE_RXABORT);
  CloseHandle(port->handle);
  CloseHandle(port->ioDone);
  delete port;
}
