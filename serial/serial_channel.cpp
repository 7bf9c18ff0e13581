#include "serial/serial_channel.h"

#include "serial/serial_line.h"

#include <cstring>
#include <new>

namespace {

constexpr int32_t kMaxFrame = FrameCutter::kMaxFrame;

// Tests that move every byte themselves open channels without an I/O thread.
std::atomic<bool> manualIo{false};

// Where a record of `length` bytes goes in a ring whose writer stands at
// `write` and whose reader stands at `read`: `write` itself, 0 when a wrap
// marker must go at `write` first, or -1 when the record would overwrite bytes
// the reader has not taken yet. The new write index must also stay off the
// read index, or the ring would look empty.
int32_t RecordOffset(int32_t write, int32_t read, int32_t length, uint32_t size) {
  if (write + length + 2 < static_cast<int32_t>(size)) {
    if (read > write && write + 1 + length >= read) return -1;
    return write;
  }
  if (read > write || 1 + length >= read) return -1;
  return 0;
}

// Stores one record; false (and nothing changed) when there is no room.
bool AppendRecord(uint8_t* ring, uint32_t size, std::atomic<int32_t>& writeIndex, const std::atomic<int32_t>& readIndex,
                  const uint8_t* data, int32_t length) {
  int32_t write = writeIndex.load(std::memory_order_relaxed);
  int32_t p = RecordOffset(write, readIndex.load(std::memory_order_acquire), length, size);
  if (p < 0) return false;
  if (p != write) ring[write] = 0;
  ring[p] = static_cast<uint8_t>(length);
  memcpy(ring + p + 1, data, static_cast<size_t>(length));
  writeIndex.store(p + 1 + length, std::memory_order_release);
  return true;
}

}  // namespace

SerialChannel::SerialChannel() {
  stopEvent.Create(false, false);
  transmitEvent.Create(false, false);
}

// A channel is deleted only once its I/O thread has ended, however long that takes.
SerialChannel::~SerialChannel() {
  if (IsOpen()) CloseLine();
  ReleaseLine(OS_INFINITE);
}

SetResult SerialChannel::SetOption(int32_t option, uint32_t value) {
  switch (option) {
    case OPTION_BAUD_RATE:
      baudRate = value;
      break;
    case OPTION_FRAMING:
      framingMode.store(value, std::memory_order_relaxed);
      return SET_DONE;
    case OPTION_STOP_BITS:
      stopBitsCode = value;
      break;
    case OPTION_PARITY:
      parityCode = value;
      break;
    case OPTION_DATA_BITS:
      dataBits = value;
      break;
    default:
      return SET_UNKNOWN_OPTION;
  }
  if (!IsOpen() || line.ops->kind != LINE_KIND_SERIAL) return SET_DONE;
  CloseLine();
  return OpenComPort(comNumber) == OPEN_DONE ? SET_DONE : SET_REOPEN_FAILED;
}

SetResult SerialChannel::SetCallback(int32_t option, FrameEndCallback callback) {
  if (option != OPTION_FRAME_END) return SET_UNKNOWN_OPTION;
  frameEnd.store(callback, std::memory_order_relaxed);
  return SET_DONE;
}

OpenResult SerialChannel::OpenComPort(uint32_t number) {
  comNumber = number;
  const SerialLineConfig config = {number, {baudRate, dataBits, stopBitsCode, parityCode}};
  return OpenLine(SerialLineOpener(config));
}

OpenResult SerialChannel::OpenLine(const LineOpener& opener) {
  if (IsOpen()) CloseLine();
  return StartLine(opener);
}

OpenResult SerialChannel::StartLine(const LineOpener& opener) {
  // What an I/O thread that ended by itself left behind; one still running
  // after a close that was given up keeps the channel closed.
  if (!ReleaseLine(0)) return OPEN_LEFT_TO_EXIT;
  lostFlag.store(false, std::memory_order_release);
  if (!lock.IsValid() || !stopEvent.IsValid() || !transmitEvent.IsValid()) return OPEN_NO_LINE;

  rxRead.store(0, std::memory_order_relaxed);
  rxWrite.store(0, std::memory_order_relaxed);
  txRead.store(0, std::memory_order_relaxed);
  txWrite.store(0, std::memory_order_relaxed);
  cutter.Clear();

  line.handle = opener.ops->open(opener.config);
  if (line.handle == nullptr) return OPEN_NO_LINE;
  line.ops = opener.ops;
  rxRing.reset(new (std::nothrow) uint8_t[rxRingSize]());
  txRing.reset(new (std::nothrow) uint8_t[txRingSize]());
  if (!rxRing || !txRing) {
    ReleaseLine(0);
    return OPEN_NO_MEMORY;
  }

  stopEvent.Reset();
  transmitEvent.Reset();
  openFlag.store(true, std::memory_order_release);
  if (manualIo.load(std::memory_order_relaxed)) return OPEN_DONE;
  if (!ioThread.Start(IoThreadProc, this)) {
    openFlag.store(false, std::memory_order_release);
    ReleaseLine(0);
    return OPEN_NO_MEMORY;
  }
  OsSleep(0);
  return OPEN_DONE;
}

CloseResult SerialChannel::CloseLine() {
  if (!IsOpen() && !IsLost()) return CLOSE_NOT_OPEN;
  stopEvent.Set();
  if (line.ops != nullptr) line.ops->wake(line.handle);
  const bool released = ReleaseLine(kCloseWaitMs);
  openFlag.store(false, std::memory_order_release);
  lostFlag.store(false, std::memory_order_release);
  return released ? CLOSE_DONE : CLOSE_LEFT_TO_EXIT;
}

// Nothing goes while the I/O thread can still touch it. A stop wakes its wait
// in the port, and a write the line holds off gives up half a second after
// its bytes could have left; a driver that never lets go of a request is
// waited for only `waitMs`. False when the thread still runs (nothing is
// freed) or the port had to be left open.
bool SerialChannel::ReleaseLine(uint32_t waitMs) {
  if (!ioThread.Join(waitMs)) return false;
  const bool closed = line.ops == nullptr || line.ops->close(line.handle);
  line.ops = nullptr;
  line.handle = nullptr;
  rxRing.reset();
  txRing.reset();
  return closed;
}

WriteResult SerialChannel::WriteFrame(const uint8_t* data, int32_t length) {
  if (data == nullptr || length < 1 || length > kMaxFrame) return WRITE_NO_FRAME;
  if (!IsOpen()) return WRITE_NOT_OPEN;
  OsLockGuard guard(lock);
  if (!AppendRecord(txRing.get(), txRingSize, txWrite, txRead, data, length)) return WRITE_RING_FULL;
  framesQueued.fetch_add(1, std::memory_order_release);
  transmitEvent.Set();
  line.ops->wake(line.handle);
  return WRITE_QUEUED;
}

FrameReadResult SerialChannel::ReadFrame(uint8_t* destination, int32_t capacity, uint32_t* outLength) {
  if (!IsOpen()) return FRAME_NONE;
  destination[0] = 0;
  *outLength = 0;
  int32_t read = rxRead.load(std::memory_order_relaxed);
  if (read == rxWrite.load(std::memory_order_acquire)) return FRAME_NONE;
  if (rxRing[read] == 0) read = 0;
  const int32_t length = rxRing[read];
  FrameReadResult result = FRAME_TOO_LONG;
  if (length <= capacity) {
    memcpy(destination, &rxRing[read + 1], static_cast<size_t>(length));
    destination[length] = 0;
    result = FRAME_TAKEN;
  }
  rxRead.store(read + 1 + length, std::memory_order_release);
  *outLength = static_cast<uint32_t>(length);
  return result;
}

bool SerialChannel::HasReceivedFrame() const {
  return IsOpen() && rxRead.load(std::memory_order_relaxed) != rxWrite.load(std::memory_order_acquire);
}

void SerialChannel::ResetBuffers(bool receiveSide, bool transmitSide) {
  OsLockGuard guard(lock);
  if (receiveSide) {
    rxRead.store(0, std::memory_order_release);
    rxWrite.store(0, std::memory_order_release);
    cutter.Clear();
  }
  if (transmitSide) {
    txRead.store(0, std::memory_order_release);
    txWrite.store(0, std::memory_order_release);
  }
}

uint32_t SerialChannel::IoThreadProc(void* arg) { return static_cast<SerialChannel*>(arg)->IoLoop(); }

// Sleeps in the port until bytes arrive or the stop or transmit event is set
// (both wake the port). After bytes or a frame sent it looks again at once:
// more bytes may be due and more frames queued under a single transmit signal.
// A device that went away ends the loop at once, so a dead line never spins,
// and the receive signal tells the owner.
uint32_t SerialChannel::IoLoop() {
  uint8_t received[FrameCutter::kBufferSize];
  uint32_t waitMs = OS_INFINITE;
  OsEvent* const events[2] = {&stopEvent, &transmitEvent};
  for (;;) {
    const int signalled = OsWaitAny(events, 2, 0);
    if (signalled != 1 && signalled != OS_WAIT_TIMEOUT) break;  // stop, or the wait failed
    int32_t count = 0;
    if (signalled == OS_WAIT_TIMEOUT) {
      count = line.ops->receive(line.handle, received, sizeof received, waitMs);
      if (line.ops->takeCameUp(line.handle)) ClearPartialFrame();
      CutReceived(received, count);
      if (line.ops->hasEvents(line.handle)) SignalReceived();
    }
    const bool sent = SendNextFrame();
    if (line.ops->lost(line.handle)) {
      lostFlag.store(true, std::memory_order_release);
      break;
    }
    waitMs = count > 0 || sent ? 0 : OS_INFINITE;
  }
  line.ops->endReceive(line.handle);
  openFlag.store(false, std::memory_order_release);
  if (IsLost()) SignalReceived();
  return 0;
}

// A network line that reconnected: a packet cut off by the old connection
// must not take the first bytes of the new one.
void SerialChannel::ClearPartialFrame() {
  OsLockGuard guard(lock);
  cutter.Clear();
}

// The bytes are cut under the lock so that ResetBuffers never meets a frame
// half stored or a frame length being moved.
void SerialChannel::CutReceived(const uint8_t* bytes, int32_t count) {
  if (count <= 0) return;
  bool stored = false;
  {
    OsLockGuard guard(lock);
    cutter.framingMode = framingMode.load(std::memory_order_relaxed);
    cutter.frameEnd = frameEnd.load(std::memory_order_relaxed);
    for (int32_t i = 0; i < count; i++) {
      int32_t length = 0;
      if (!cutter.Push(bytes[i], &length)) continue;
      // Noise goes ahead of its frame as a frame of its own, for the reader to name.
      if (cutter.noiseLength > 0 && StoreReceivedFrame(cutter.buffer, cutter.noiseLength)) stored = true;
      if (StoreReceivedFrame(cutter.Frame(), length)) stored = true;
    }
  }
  if (stored) SignalReceived();
}

void SerialChannel::SignalReceived() {
  if (OsEvent* signal = receiveSignal.load(std::memory_order_acquire)) signal->Set();
}

// I/O thread, under the lock. A frame that does not fit behind the frames the
// reader has not taken yet is dropped; those stay intact.
bool SerialChannel::StoreReceivedFrame(const uint8_t* frame, int32_t length) {
  return AppendRecord(rxRing.get(), rxRingSize, rxWrite, rxRead, frame, length);
}

// One frame per call; true when one went. The frame is copied out under the
// lock, so the port write neither holds up WriteFrame nor races with
// ResetBuffers.
bool SerialChannel::SendNextFrame() {
  uint8_t frame[kMaxFrame];
  int32_t length;
  {
    OsLockGuard guard(lock);
    int32_t read = txRead.load(std::memory_order_relaxed);
    const int32_t write = txWrite.load(std::memory_order_acquire);
    if (read == write) return false;
    if (txRing[read] == 0) {
      read = 0;
      if (read == write) {
        txRead.store(0, std::memory_order_release);
        return false;
      }
    }
    length = txRing[read];
    memcpy(frame, &txRing[read + 1], static_cast<size_t>(length));
    txRead.store(read + 1 + length, std::memory_order_release);
  }
  line.ops->write(line.handle, frame, length);
  return true;
}

bool SerialChannel::StoreReceivedFrameForTest(const uint8_t* frame, int32_t length) {
  if (frame == nullptr || length < 1 || length > kMaxFrame || !IsOpen()) return false;
  OsLockGuard guard(lock);
  if (!StoreReceivedFrame(frame, length)) return false;
  SignalReceived();
  return true;
}

void SerialChannel::ReceiveBytesForTest(const uint8_t* bytes, int32_t count) {
  if (bytes == nullptr || !IsOpen()) return;
  CutReceived(bytes, count);
}

void SerialChannel::SetManualIoForTest(bool manual) { manualIo.store(manual, std::memory_order_relaxed); }

void SerialChannel::SendQueuedForTest() {
  if (!IsOpen() || ioThread.IsStarted()) return;
  while (txRead.load(std::memory_order_relaxed) != txWrite.load(std::memory_order_relaxed)) SendNextFrame();
}

void SerialChannel::SetIndicesForTest(int32_t receiveIndex, int32_t transmitIndex) {
  if (receiveIndex < 0 || receiveIndex >= static_cast<int32_t>(rxRingSize) || transmitIndex < 0 ||
      transmitIndex >= static_cast<int32_t>(txRingSize))
    return;
  OsLockGuard guard(lock);
  rxRead.store(receiveIndex, std::memory_order_release);
  rxWrite.store(receiveIndex, std::memory_order_release);
  txRead.store(transmitIndex, std::memory_order_release);
  txWrite.store(transmitIndex, std::memory_order_release);
}
