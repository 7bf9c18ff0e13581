// One RS-232 port with its own I/O thread. The I/O thread cuts received bytes
// into frames (a frame-end callback decides where) and keeps them in a receive
// ring; WriteFrame queues frames in a transmit ring that the I/O thread sends.
//
// Threads: the owner (the engine's worker) calls every operation; the I/O
// thread is the only other party. Each ring has one writer and one reader.
#pragma once

#include "net/net_config.h"
#include "platform/os.h"
#include "serial/frame_cutter.h"
#include "serial/line_port.h"

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

// ClosePort's result when the port's I/O did not end within kCloseWaitMs
// (0: closed, 1: it was not open). Its thread, rings and port are then left
// as they are until the process ends, and the channel must not be deleted.
constexpr int kPortLeftToExit = 2;
// How long ClosePort waits for the I/O thread: longer than a write the line
// holds off takes to be given up.
constexpr uint32_t kCloseWaitMs = 3000;

class SerialChannel {
 public:
  SerialChannel();
  ~SerialChannel();
  SerialChannel(const SerialChannel&) = delete;
  SerialChannel& operator=(const SerialChannel&) = delete;

  // OPTION_BAUD_RATE .. OPTION_DATA_BITS.
  int SetOption(int32_t option, uint32_t value);
  // option must be OPTION_FRAME_END.
  int SetCallback(int32_t option, FrameEndCallback callback);
  // Fails on a channel whose last close was left to the process's end.
  int OpenPort(uint32_t portNumber);
  // A network line in place of a COM port, for the same I/O thread and rings;
  // the line options do not apply to it. Never waits for the network.
  int OpenNetworkLine(const NetLineConfig& line);
  // Also releases a port whose device went away (IsLost); 1 when there was
  // nothing to close.
  int ClosePort();
  int WriteFrame(const uint8_t* data, int32_t length);
  int ReadFrame(uint8_t* destination, int32_t capacity, uint32_t* outLength);
  void ResetBuffers(bool receiveSide, bool transmitSide);

  bool IsOpen() const { return openFlag.load(std::memory_order_acquire); }
  // The device went away under the open port: the I/O thread has stopped
  // (IsOpen is false) and set the receive signal. ClosePort lets the port go;
  // OpenPort tries the device again. A network line never is: it reconnects
  // by itself.
  bool IsLost() const { return lostFlag.load(std::memory_order_acquire); }
  // The NET_EVENT_ bits of a network line since the last call; 0 for a COM
  // port. The owner's thread only, like OpenNetworkLine and ClosePort, which
  // replace the port it asks.
  uint32_t TakeLineEvents() { return port.net != nullptr ? NetPortTakeEvents(port.net) : 0; }
  // The kind of network line open here; NET_NONE for a COM port. Owner's thread.
  NetKind NetworkKind() const { return network && port.net != nullptr ? netLine.kind : NET_NONE; }
  // A network line that is connected, or on the shared UDP socket. Owner's thread.
  bool NetworkLineUp() const { return port.net != nullptr && NetPortIsUp(port.net); }
  // A visca-ip line numbers its messages afresh (NetPortRestartNumbering); a
  // COM port and other network lines are left as they are. Owner's thread.
  void RestartNetworkNumbering() {
    if (port.net != nullptr) NetPortRestartNumbering(port.net);
  }
  // Every frame written so far is given up (NetPortGiveUpMessages); nothing
  // to do on a COM port. Owner's thread.
  void GiveUpNetworkMessages() {
    if (port.net != nullptr) NetPortGiveUpMessages(port.net);
  }
  // A reply a visca-ip line dropped as late (NetPortTakeLateReply): its
  // length, 0 when none waits or on a COM port. Owner's thread.
  int32_t TakeLateReply(uint8_t* buffer, int32_t capacity) {
    return port.net != nullptr ? NetPortTakeLateReply(port.net, buffer, capacity) : 0;
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
  int OpenLine();
  uint32_t IoLoop();
  void CutReceived(const uint8_t* bytes, int32_t count);
  void ClearPartialFrame();
  void SignalReceived();
  bool StoreReceivedFrame(const uint8_t* frame, int32_t length);
  bool SendNextFrame();
  bool ReleasePort(uint32_t waitMs);

  std::atomic<uint32_t> framingMode{1};  // read by the I/O thread per byte
  uint32_t rxRingSize = kRingSize;
  uint32_t txRingSize = kRingSize;
  uint32_t portNumber = 0;
  bool network = false;
  NetLineConfig netLine;
  uint32_t baudRate = 38400;
  uint32_t dataBits = 8;
  uint32_t stopBitsCode = 1;
  uint32_t parityCode = 0;
  std::atomic<FrameEndCallback> frameEnd{nullptr};
  OsLock lock;
  OsEvent stopEvent;
  OsThread ioThread;
  LinePort port;
  OsEvent transmitEvent;
  std::atomic<bool> openFlag{false};
  std::atomic<bool> lostFlag{false};  // the I/O thread sets it, Open and ClosePort clear it
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
