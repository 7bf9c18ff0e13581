// Serial port through the Win32 comm API on "\\.\COMn", opened for overlapped
// I/O: on a quiet line a one-byte read stays pending and the I/O thread sleeps
// on it and on a wake event; a write is given up after a bounded time.
#include "serial/serial_port.h"

#include <windows.h>

#include <cstdio>
#include <cstring>
#include <new>

namespace {

// Bytes the port already holds come at once; this only bounds a port that
// fails to deliver them.
constexpr DWORD kWaitingReadMs = 100;
// A read that cannot even be started is tried again after this long.
constexpr DWORD kRetryMs = 1;
// A cancelled request that the driver has not ended after this long never
// will (some USB-serial drivers): the port is given up instead.
constexpr DWORD kCancelLandMs = 1000;
// A write or a read of waiting bytes goes through the port's own buffer: the
// largest frame, or what a receive may take at once.
constexpr int32_t kTransferCapacity = 256;
// One aborted operation can be spurious; this many in a row mean the device
// is gone.
constexpr int kAbortsWhenGone = 2;

// What a port whose device went away fails with: a USB adapter pulled out on
// Windows, and under Wine a pseudo-terminal that hung up (a pending read ends
// with ERROR_BROKEN_PIPE, comm calls and writes fail with ERROR_NOT_READY).
const DWORD kDeviceGoneErrors[] = {ERROR_ACCESS_DENIED,  ERROR_BAD_COMMAND,    ERROR_DEVICE_REMOVED, ERROR_GEN_FAILURE,
                                   ERROR_INVALID_HANDLE, ERROR_FILE_NOT_FOUND, ERROR_BROKEN_PIPE,    ERROR_NOT_READY};

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
  // No time-outs: a read waits until its bytes have come (a pending read is
  // what the I/O thread sleeps on); SerialPortWrite bounds writes itself.
  COMMTIMEOUTS timeouts = {};
  return SetCommTimeouts(handle, &timeouts) != FALSE;
}

int32_t Smaller(int32_t a, int32_t b) { return a < b ? a : b; }

}  // namespace

// Every buffer and OVERLAPPED a request may still write into lives here, so
// a port whose driver never ends a cancelled request can be left as it is.
struct SerialPort {
  HANDLE handle;
  HANDLE readDone;   // manual-reset event of the read kept pending
  HANDLE writeDone;  // manual-reset event of the transfer in flight
  HANDLE wake;       // auto-reset: SerialPortWake
  DWORD baudRate;
  OVERLAPPED readOverlapped;
  bool readPending;
  uint8_t readByte;  // where the pending one-byte read lands
  OVERLAPPED transfer;
  uint8_t transferBytes[kTransferCapacity];
  bool abandoned;    // a cancelled request never ended: no more I/O, no close
  bool lost;         // the device went away
  int abortsInARow;  // requests that ended aborted, none completing between
};

namespace {

// Takes note of how a read, write or comm call ended.
void NoteResult(SerialPort* port, DWORD error) {
  if (error == ERROR_SUCCESS) {
    port->abortsInARow = 0;
  } else if (error == ERROR_OPERATION_ABORTED) {
    if (++port->abortsInARow >= kAbortsWhenGone) port->lost = true;
  } else {
    for (DWORD gone : kDeviceGoneErrors)
      if (error == gone) port->lost = true;
  }
}

// Acknowledges any line error: with fAbortOnError set, one framing error or
// break fails every later read and write until then. Returns how many
// received bytes wait, -1 when the port cannot say.
int32_t ClearErrorsAndCountInput(SerialPort* port) {
  DWORD errors = 0;
  COMSTAT status = {};
  if (ClearCommError(port->handle, &errors, &status)) return static_cast<int32_t>(status.cbInQue);
  NoteResult(port, GetLastError());
  return -1;
}

// Cancels a pending request and waits a bounded time for it to end; a port
// whose driver does not end it is abandoned.
bool CancelAndLand(SerialPort* port, OVERLAPPED* overlapped) {
  CancelIoEx(port->handle, overlapped);
  if (WaitForSingleObject(overlapped->hEvent, kCancelLandMs) == WAIT_OBJECT_0) return true;
  port->abandoned = true;
  return false;
}

// Ends an overlapped request that `started` (its ReadFile or WriteFile
// result): waits up to `waitMs`, else cancels it. ERROR_SUCCESS when it
// completed, else its error; ERROR_TIMEOUT when it was cancelled here, so a
// cancel of our own never counts as the device aborting it.
DWORD FinishIo(SerialPort* port, BOOL started, OVERLAPPED* overlapped, DWORD waitMs, DWORD* count) {
  *count = 0;
  const DWORD error = started ? ERROR_SUCCESS : GetLastError();
  if (!started && error != ERROR_IO_PENDING) return error;
  const bool cancelled = !started && WaitForSingleObject(overlapped->hEvent, waitMs) != WAIT_OBJECT_0;
  if (cancelled && !CancelAndLand(port, overlapped)) return ERROR_TIMEOUT;
  if (GetOverlappedResult(port->handle, overlapped, count, FALSE)) return ERROR_SUCCESS;
  return cancelled ? static_cast<DWORD>(ERROR_TIMEOUT) : GetLastError();
}

// Starts a transfer on the port's own OVERLAPPED.
OVERLAPPED* NewTransfer(SerialPort* port) {
  port->transfer = OVERLAPPED{};
  port->transfer.hEvent = port->writeDone;
  return &port->transfer;
}

// Reads `count` bytes the port already holds.
int32_t ReadWaiting(SerialPort* port, uint8_t* buffer, int32_t count) {
  count = Smaller(count, kTransferCapacity);
  OVERLAPPED* overlapped = NewTransfer(port);
  DWORD got = 0;
  const BOOL started = ReadFile(port->handle, port->transferBytes, static_cast<DWORD>(count), nullptr, overlapped);
  const DWORD error = FinishIo(port, started, overlapped, kWaitingReadMs, &got);
  NoteResult(port, error);
  if (error != ERROR_SUCCESS) {
    if (!port->abandoned) ClearErrorsAndCountInput(port);
    return 0;
  }
  memcpy(buffer, port->transferBytes, got);
  return static_cast<int32_t>(got);
}

// A one-byte read that completes when the next byte arrives.
bool StartPendingRead(SerialPort* port) {
  port->readOverlapped = OVERLAPPED{};
  port->readOverlapped.hEvent = port->readDone;
  const BOOL started = ReadFile(port->handle, &port->readByte, 1, nullptr, &port->readOverlapped);
  const DWORD error = started ? ERROR_SUCCESS : GetLastError();
  if (error != ERROR_SUCCESS && error != ERROR_IO_PENDING) {
    NoteResult(port, error);
    ClearErrorsAndCountInput(port);
    return false;
  }
  port->readPending = true;
  return true;
}

// Takes the pending read's byte, if it brought one.
int32_t TakePendingByte(SerialPort* port, uint8_t* buffer) {
  DWORD got = 0;
  port->readPending = false;
  const BOOL done = GetOverlappedResult(port->handle, &port->readOverlapped, &got, FALSE);
  NoteResult(port, done ? ERROR_SUCCESS : GetLastError());
  if (!done || got != 1) {
    ClearErrorsAndCountInput(port);
    return 0;
  }
  buffer[0] = port->readByte;
  return 1;
}

}  // namespace

SerialPort* SerialPortOpen(uint32_t comNumber, const SerialLineSettings& settings) {
  char name[32];
  snprintf(name, sizeof name, "\\\\.\\COM%d", static_cast<int>(comNumber));
  HANDLE handle =
      CreateFileA(name, GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, FILE_FLAG_OVERLAPPED, nullptr);
  if (handle == INVALID_HANDLE_VALUE) return nullptr;
  SerialPort* port = nullptr;
  HANDLE events[3] = {};
  if (Configure(handle, settings)) {
    events[0] = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    events[1] = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    events[2] = CreateEventA(nullptr, FALSE, FALSE, nullptr);
    if (events[0] != nullptr && events[1] != nullptr && events[2] != nullptr)
      port = new (std::nothrow)
          SerialPort{handle, events[0], events[1], events[2], settings.baudRate, {}, false, 0, {}, {}, false, false, 0};
  }
  if (port == nullptr) {
    for (HANDLE event : events)
      if (event != nullptr) CloseHandle(event);
    CloseHandle(handle);
  }
  return port;
}

// Every new read first acknowledges any line error, so a failed read is
// retried on a clear port. Bytes already there come in one read; otherwise a
// one-byte read is kept pending across calls and waited on with the wake
// event, and what arrived behind its byte is taken along.
int32_t SerialPortReceive(SerialPort* port, uint8_t* buffer, int32_t capacity, uint32_t waitMs) {
  if (capacity < 1 || port->lost) return 0;
  if (port->abandoned) {
    WaitForSingleObject(port->wake, waitMs);  // nothing comes any more: sleep until the stop
    return 0;
  }
  if (!port->readPending) {
    const int32_t waiting = ClearErrorsAndCountInput(port);
    if (port->lost) return 0;
    if (waiting > 0) return ReadWaiting(port, buffer, Smaller(waiting, capacity));
    if (!StartPendingRead(port)) {
      WaitForSingleObject(port->wake, kRetryMs);
      return 0;
    }
  }
  const HANDLE handles[2] = {port->readDone, port->wake};
  const DWORD woken = WaitForMultipleObjects(2, handles, FALSE, waitMs);
  if (woken == WAIT_FAILED) WaitForSingleObject(port->wake, kRetryMs);  // never a hot loop
  if (woken != WAIT_OBJECT_0) return 0;
  int32_t count = TakePendingByte(port, buffer);
  // A read that keeps ending without a byte (a line in error) is retried
  // later; one whose device is gone is not retried at all.
  if (count == 0 && !port->lost) WaitForSingleObject(port->wake, kRetryMs);
  if (count == 0 || capacity == 1) return count;
  const int32_t behind = ClearErrorsAndCountInput(port);
  if (behind > 0) count += ReadWaiting(port, buffer + 1, Smaller(behind, capacity - 1));
  return count;
}

void SerialPortWake(SerialPort* port) { SetEvent(port->wake); }

// On the thread that started the read: Windows cancels a thread's reads when
// it ends, but a port must not rely on that to let its buffers go. A port
// whose device vanished takes no more comm events before its read is
// cancelled, as SerialPortClose orders it.
void SerialPortEndReceive(SerialPort* port) {
  if (port->lost) SetCommMask(port->handle, 0);
  if (!port->readPending || port->abandoned) return;
  if (CancelAndLand(port, &port->readOverlapped)) port->readPending = false;
}

void SerialPortWrite(SerialPort* port, const uint8_t* data, int32_t length) {
  if (port->abandoned || port->lost || length < 1) return;
  const DWORD count = static_cast<DWORD>(Smaller(length, kTransferCapacity));
  memcpy(port->transferBytes, data, count);
  OVERLAPPED* overlapped = NewTransfer(port);
  DWORD written = 0;
  const BOOL started = WriteFile(port->handle, port->transferBytes, count, nullptr, overlapped);
  const DWORD error = FinishIo(port, started, overlapped, FrameWriteLimitMs(length, port->baudRate), &written);
  NoteResult(port, error);
  if (error != ERROR_SUCCESS && !port->abandoned) ClearErrorsAndCountInput(port);
}

bool SerialPortLost(const SerialPort* port) { return port->lost; }

// In the order a port whose device vanished needs: no more comm events, the
// pending read cancelled and landed within a bound (its byte and OVERLAPPED go
// with the port), then the handle closed; a port with a request that never
// ended stays.
bool SerialPortClose(SerialPort* port) {
  SetCommMask(port->handle, 0);
  SerialPortEndReceive(port);
  if (port->abandoned) return false;
  PurgeComm(port->handle, PURGE_TXABORT | PURGE_RXABORT);
  CloseHandle(port->handle);
  CloseHandle(port->readDone);
  CloseHandle(port->writeDone);
  CloseHandle(port->wake);
  delete port;
  return true;
}
