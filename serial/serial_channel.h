// One line (a COM port or a network line, serial/line_backend.h) with its own
// I/O thread. The I/O thread cuts received bytes
// into frames (a frame-end callback decides where) and keeps them in a receive
// ring; WriteFrame queues frames in a transmit ring that the I/O thread sends.
//
// Threads: the owner (the engine's worker) calls every operation; the I/O
// thread is the only other party. Each ring has one writer and one reader.
#pragma once

#include "platform/os.h"
#include "serial/frame_cutter.h"
#include "serial/line_backend.h"

#include <atomic>
#include <cstdint>
#include <memory>

// Options of SetOption and SetCallback.
enum : int32_t {
  OPTION_BAUD_RATE = 1,
  OPTION_FRAMING = 2,
  OPTION_STOP_BITS = 3,
  OPTION_PARITY = 4,
  OPTION_DATA_BITS = 5,
  OPTION_FRAME_END = 6,
};

enum SetResult : int32_t {
  SET_DONE = 0,
  SET_UNKNOWN_OPTION = 1,
  SET_REOPEN_FAILED = 2,  // the open port closed to take the setting and did not open again
};

enum OpenResult : int32_t {
  OPEN_DONE = 0,
  OPEN_NO_LINE = 1,       // the port or line did not open (no device, settings refused, no handles)
  OPEN_LEFT_TO_EXIT = 2,  // the last close was left to the process's end
  OPEN_NO_MEMORY = 3,     // rings or I/O thread could not be had
};

enum CloseResult : int32_t {
  CLOSE_DONE = 0,
  CLOSE_NOT_OPEN = 1,
  // The I/O did not end within kCloseWaitMs: the thread, rings and port are
  // left as they are until the process ends, and the channel must not be deleted.
  CLOSE_LEFT_TO_EXIT = 2,
};

enum WriteResult : int32_t {
  WRITE_QUEUED = 0,
  WRITE_NO_FRAME = 1,  // no data, or a length outside 1..255
  WRITE_NOT_OPEN = 2,
  WRITE_RING_FULL = 3,
};

enum FrameReadResult : int32_t {
  FRAME_TAKEN = 0,
  FRAME_NONE = 1,      // none waits (or the channel is closed)
  FRAME_TOO_LONG = 2,  // longer than the capacity: passed over, its length told
};

// How long CloseLine waits for the I/O thread: longer than a write the line
// holds off takes to be given up.
constexpr uint32_t kCloseWaitMs = 3000;

class SerialChannel {
 public:
  SerialChannel();
  ~SerialChannel();
  SerialChannel(const SerialChannel&) = delete;
  SerialChannel& operator=(const SerialChannel&) = delete;

  // OPTION_BAUD_RATE .. OPTION_DATA_BITS.
  SetResult SetOption(int32_t option, uint32_t value);
  // option must be OPTION_FRAME_END.
  SetResult SetCallback(int32_t option, FrameEndCallback callback);
  // COMn, with the line options set so far.
  OpenResult OpenComPort(uint32_t comNumber);
  // Another kind of line in place of a COM port, for the same I/O thread and
  // rings; the line options do not apply to it. A network line's open never
  // waits for the network.
  OpenResult OpenLine(const LineOpener& opener);
  // Also releases a port whose device went away (IsLost).
  CloseResult CloseLine();
  WriteResult WriteFrame(const uint8_t* data, int32_t length);
  // `destination` has room for `capacity` bytes and a 0 behind them.
  // *outLength is the frame's length, also when it is too long.
  FrameReadResult ReadFrame(uint8_t* destination, int32_t capacity, uint32_t* outLength);
  void ResetBuffers(bool receiveSide, bool transmitSide);

  bool IsOpen() const { return openFlag.load(std::memory_order_acquire); }
  // The device went away under the open port: the I/O thread has stopped
  // (IsOpen is false) and set the receive signal. CloseLine lets the port go;
  // OpenComPort tries the device again. A network line never is: it reconnects
  // by itself.
  bool IsLost() const { return lostFlag.load(std::memory_order_acquire); }

  // What the owner asks of the line open now (LineOps); a COM port and a
  // closed channel have no events, no connection and no message numbers.
  // The owner's thread only, like OpenLine and CloseLine, which replace the line.
  bool IsNetworkLine() const { return line.ops != nullptr && line.ops->kind != LINE_KIND_SERIAL; }
  bool IsDatagramLine() const { return line.ops != nullptr && line.ops->kind == LINE_KIND_DATAGRAM; }
  uint32_t TakeLineEvents() { return line.ops != nullptr ? line.ops->takeEvents(line.handle) : 0; }
  bool NetworkLineUp() const { return line.ops != nullptr && line.ops->isUp(line.handle); }
  void RestartNetworkNumbering() {
    if (line.ops != nullptr) line.ops->restartNumbering(line.handle);
  }
  void GiveUpNetworkMessages() {
    if (line.ops != nullptr) line.ops->giveUpMessages(line.handle);
  }
  int32_t TakeLateReply(uint8_t* buffer, int32_t capacity) {
    return line.ops != nullptr ? line.ops->takeLateReply(line.handle, buffer, capacity) : 0;
  }
  // A received frame waits for ReadFrame.
  bool HasReceivedFrame() const;
  // Set whenever a received frame is stored, or a network line has events
  // to take, so one thread can sleep until any of several channels has one.
  // Null stops it; the event must outlive the channel or the next call.
  void SetReceiveSignal(OsEvent* signal) { receiveSignal.store(signal, std::memory_order_release); }

  // Ring sizes, for tests that walk the rings to their ends.
  static constexpr uint32_t kRingSize = 1024;

  // Test hooks: store a received frame as the I/O thread would, and empty both
  // rings with their read and write positions at the given offsets, so ring
  // edge cases can be reached without a line. Only valid on an open channel
  // with a quiet line.
  bool StoreReceivedFrameForTest(const uint8_t* frame, int32_t length);
  // Bytes taken as if the I/O thread had read them from the port: cut into
  // frames, stored, dropped when the ring is full. Only with a quiet line.
  void ReceiveBytesForTest(const uint8_t* bytes, int32_t count);
  // Channels opened from now on start no I/O thread: the test alone moves
  // bytes, received ones with ReceiveBytesForTest, queued frames to the port
  // with SendQueuedForTest. Single-threaded and as fast as the test runs.
  static void SetManualIoForTest(bool manual);
  void SendQueuedForTest();
  void SetIndicesForTest(int32_t receiveIndex, int32_t transmitIndex);
  int32_t TransmitWriteIndexForTest() const { return txWrite.load(std::memory_order_acquire); }
  // Frames queued since creation: unlike the write index, a ring reset followed
  // by a frame of the same length cannot leave it where it was.
  uint32_t FramesQueuedForTest() const { return framesQueued.load(std::memory_order_acquire); }
  int32_t ReceiveWriteIndexForTest() const { return rxWrite.load(std::memory_order_acquire); }
  const uint8_t* ReceiveRingForTest() const { return rxRing.get(); }
  const uint8_t* TransmitRingForTest() const { return txRing.get(); }

 private:
  static uint32_t IoThreadProc(void* arg);
  OpenResult StartLine(const LineOpener& opener);
  uint32_t IoLoop();
  void CutReceived(const uint8_t* bytes, int32_t count);
  void ClearPartialFrame();
  void SignalReceived();
  bool StoreReceivedFrame(const uint8_t* frame, int32_t length);
  bool SendNextFrame();
  bool ReleaseLine(uint32_t waitMs);

  std::atomic<uint32_t> framingMode{1};  // read by the I/O thread per byte
  uint32_t rxRingSize = kRingSize;
  uint32_t txRingSize = kRingSize;
  uint32_t comNumber = 0;
  uint32_t baudRate = 38400;
  uint32_t dataBits = 8;
  uint32_t stopBitsCode = 1;
  uint32_t parityCode = 0;
  std::atomic<FrameEndCallback> frameEnd{nullptr};
  OsLock lock;
  OsEvent stopEvent;
  OsThread ioThread;
  // The line open now: its table and handle, both null while closed.
  struct {
    const LineOps* ops = nullptr;
    LineHandle* handle = nullptr;
  } line;
  OsEvent transmitEvent;
  std::atomic<bool> openFlag{false};
  std::atomic<bool> lostFlag{false};  // the I/O thread sets it, Open and CloseLine clear it
  std::unique_ptr<uint8_t[]> rxRing;
  std::unique_ptr<uint8_t[]> txRing;
  std::atomic<int32_t> rxWrite{0};  // I/O thread publishes (release)
  std::atomic<int32_t> rxRead{0};   // worker publishes (release)
  FrameCutter cutter;               // only under the lock
  std::atomic<int32_t> txWrite{0};  // worker publishes (release)
  std::atomic<int32_t> txRead{0};   // I/O thread publishes (release)
  std::atomic<uint32_t> framesQueued{0};
  std::atomic<OsEvent*> receiveSignal{nullptr};
};
