#include "tools/src/bench/line_speed.h"

#include "engine/orvalix_engine.h"
#include "serial/serial_channel.h"
#include "serial/serial_port.h"

#include <fcntl.h>
#include <unistd.h>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <thread>

namespace {

using Clock = std::chrono::steady_clock;

constexpr int kFrameBytes = 3;
constexpr int kFramesPerSecond = 38400 / 10 / kFrameBytes;
constexpr int64_t kUsPerSecond = 1000000;
constexpr int kDigitBits = 7;
constexpr uint8_t kDigitMask = 0x7F;
constexpr uint8_t kFrameEnd = 0xFF;
constexpr int32_t kPortIndex = 0;  // COM1
// The reader looks as often as a busy engine worker would, and gives up at
// three times the schedule.
constexpr auto kReadPause = std::chrono::microseconds(200);
constexpr int kReaderLimitFactor = 3;

// Frame n: its number in two 7-bit digits, then the byte that ends a frame.
void NumberedFrame(int n, uint8_t* frame) {
  frame[0] = static_cast<uint8_t>((n >> kDigitBits) & kDigitMask);
  frame[1] = static_cast<uint8_t>(n & kDigitMask);
  frame[2] = kFrameEnd;
}

Clock::time_point Due(Clock::time_point start, int n) {
  return start + std::chrono::microseconds(kUsPerSecond * n / kFramesPerSecond);
}

int64_t MsSince(Clock::time_point start) {
  return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count();
}

// A pseudo-terminal whose slave stays open here too, so the master never sees
// a hang-up while the channel opens the slave.
struct Pty {
  int master = -1;
  int slave = -1;
  char path[128] = {};

  bool Open() {
    master = posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (master < 0 || grantpt(master) != 0 || unlockpt(master) != 0 || ptsname_r(master, path, sizeof path) != 0)
      return false;
    slave = open(path, O_RDWR | O_NOCTTY | O_CLOEXEC);
    return slave >= 0;
  }
  ~Pty() {
    if (slave >= 0) close(slave);
    if (master >= 0) close(master);
  }
};

// Writes every frame on the schedule; a reader that falls behind fills the
// pty, and the writer then waits on it.
void WriteOnSchedule(int master, int frames, Clock::time_point start, std::atomic<int64_t>* lateMs) {
  uint8_t frame[kFrameBytes];
  for (int n = 0; n < frames;) {
    std::this_thread::sleep_until(Due(start, n));
    for (; n < frames && Clock::now() >= Due(start, n); n++) {
      NumberedFrame(n, frame);
      if (write(master, frame, kFrameBytes) != kFrameBytes) n = frames;
    }
  }
  *lateMs = MsSince(Due(start, frames - 1));
}

// Frames read in order from the start, until one is lost or out of order.
int ReadInOrder(SerialChannel* channel, int frames, Clock::time_point limit) {
  uint8_t buffer[kFrameBytes + 1];
  uint8_t expected[kFrameBytes];
  uint32_t length = 0;
  int next = 0;
  while (next < frames && Clock::now() < limit) {
    if (channel->ReadFrame(buffer, sizeof buffer, &length) != 0) {
      std::this_thread::sleep_for(kReadPause);
      continue;
    }
    NumberedFrame(next, expected);
    for (int i = 0; i < kFrameBytes; i++) {
      if (length != kFrameBytes || buffer[i] != expected[i]) return next;
    }
    next++;
  }
  return next;
}

}  // namespace

bool RunLineSpeed(double seconds) {
  const int frames = static_cast<int>(seconds * kFramesPerSecond);
  if (frames < 1) {
    fprintf(stderr, "orvalix_bench: too short for one frame\n");
    return false;
  }
  Pty pty;
  if (!pty.Open()) {
    fprintf(stderr, "orvalix_bench: cannot open a pseudo-terminal\n");
    return false;
  }
  SerialPortSetDevice(kPortIndex + 1, pty.path);
  std::unique_ptr<SerialChannel> channel(EngineOpenSerialLine(kPortIndex));
  if (!channel) {
    fprintf(stderr, "orvalix_bench: cannot open %s\n", pty.path);
    return false;
  }
  std::atomic<int64_t> writerLateMs{-1};
  const Clock::time_point start = Clock::now();
  std::thread writer(WriteOnSchedule, pty.master, frames, start, &writerLateMs);
  const auto limit =
      start + std::chrono::microseconds(static_cast<int64_t>(kReaderLimitFactor * seconds * kUsPerSecond));
  const int inOrder = ReadInOrder(channel.get(), frames, limit);
  const int64_t readerMs = MsSince(start);
  writer.join();
  channel->CloseLine();
  printf("frames_sent %d\n", frames);
  printf("frames_in_order %d\n", inOrder);
  printf("writer_late_ms %lld\n", static_cast<long long>(writerLateMs.load()));
  printf("reader_ms %lld\n", static_cast<long long>(readerMs));
  return true;
}
