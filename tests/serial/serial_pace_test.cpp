// The I/O thread on a pty at full line speed: back-to-back 3-byte frames for
// 10 s all come through in order, a quiet line costs no processor time, and a
// line that holds its bytes back costs each frame a bounded time.
#include "tests/serial/serial_test_support.h"

#include <poll.h>
#include <sys/resource.h>
#include <termios.h>
#include <atomic>
#include <chrono>
#include <thread>

namespace {

using Clock = std::chrono::steady_clock;

// 3-byte frames at 38400 baud, 10 bits a byte: 1280 frames a second.
constexpr int kFramesPerSecond = 38400 / 10 / 3;
constexpr int kSeconds = 10;
constexpr int kFrames = kFramesPerSecond * kSeconds;

// Frame n: its number in two 7-bit digits, then the 0xFF that ends it.
Bytes NumberedFrame(int n) { return {static_cast<uint8_t>((n >> 7) & 0x7F), static_cast<uint8_t>(n & 0x7F), 0xFF}; }

double ProcessCpuMs() {
  rusage usage;
  getrusage(RUSAGE_SELF, &usage);
  return (usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) * 1000.0 +
         (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1000.0;
}

}  // namespace

TEST_F(PtyChannel, BackToBackFramesAtLineSpeedForTenSecondsAllArriveInOrder) {
#ifdef __SANITIZE_THREAD__
  // Line speed is the point, and ThreadSanitizer slows the reader many times
  // over; the ring's handling of the same traffic is checked there by the
  // other serial tests.
  GTEST_SKIP() << "a throughput test, not run under ThreadSanitizer";
#endif
  // The writer keeps to the line's schedule: by time t, t * 1280 frames are out.
  std::atomic<int64_t> writerMs{-1};
  std::thread writer([&] {
    const auto start = Clock::now();
    for (int n = 0; n < kFrames;) {
      const auto due = start + std::chrono::microseconds(1000000LL * n / kFramesPerSecond);
      std::this_thread::sleep_until(due);
      for (; n < kFrames && Clock::now() >= start + std::chrono::microseconds(1000000LL * n / kFramesPerSecond); n++)
        line.Write(NumberedFrame(n));
    }
    writerMs = std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count();
  });

  int next = 0;
  const auto limit = Clock::now() + std::chrono::seconds(kSeconds + 5);
  uint8_t buffer[256];
  uint32_t length = 0;
  while (next < kFrames && Clock::now() < limit) {
    if (channel.ReadFrame(buffer, 255, &length) != 0) {
      std::this_thread::sleep_for(std::chrono::microseconds(200));
      continue;
    }
    if (Bytes(buffer, buffer + length) != NumberedFrame(next)) break;  // lost or out of order
    next++;
  }
  writer.join();
  EXPECT_EQ(next, kFrames) << "frame " << next << " lost, out of order or late";
  // A reader that falls behind fills the pty, and the writer then waits on it.
  EXPECT_LT(writerMs.load(), kSeconds * 1000 + 500) << "the line was held up";
}

TEST_F(PtyChannel, AQuietOpenLineCostsNoProcessorTime) {
  line.Write({0x90, 0x41, 0xFF});
  ASSERT_EQ(NextFrame(channel), (Bytes{0x90, 0x41, 0xFF}));

  const double before = ProcessCpuMs();
  std::this_thread::sleep_for(std::chrono::seconds(1));  // the quiet second being measured
  EXPECT_LT(ProcessCpuMs() - before, 10.0) << "the I/O thread keeps waking on a quiet line";

  line.Write({0x90, 0x51, 0xFF});
  EXPECT_EQ(NextFrame(channel, 1000), (Bytes{0x90, 0x51, 0xFF})) << "a quiet line still wakes on the next byte";
}

// The line stops taking bytes (XOFF from the far end) and takes them again
// after 800 ms. A write has its time on the wire plus 500 ms: the short frame
// queued first is given up before the line moves again, and the long one
// behind it, still within its time, goes out whole when the line moves.
TEST_F(PtyChannel, AFrameTheLineHoldsBackIsGivenUpHalfASecondAfterItsTimeOnTheWire) {
  termios tio;
  ASSERT_EQ(tcgetattr(line.slave, &tio), 0);
  tio.c_iflag |= IXON;
  ASSERT_EQ(tcsetattr(line.slave, TCSANOW, &tio), 0);
  line.Write({0x13});
  ASSERT_TRUE(WaitFor([&] {
    pollfd room = {line.slave, POLLOUT, 0};
    return poll(&room, 1, 0) == 0;
  })) << "the line did not stop";
  const Bytes shortFrame = {0x81, 0x01, 0x04, 0x00, 0x02, 0xFF};
  Bytes longFrame(255, 0x42);
  longFrame.back() = 0xFF;
  ASSERT_EQ(channel.WriteFrame(shortFrame.data(), 6), 0);
  ASSERT_EQ(channel.WriteFrame(longFrame.data(), 255), 0);
  std::this_thread::sleep_until(Clock::now() + std::chrono::milliseconds(800));  // the line held back
  line.Write({0x11});
  Bytes arrived;
  const auto limit = Clock::now() + std::chrono::seconds(3);
  while (arrived.size() < longFrame.size() && Clock::now() < limit) {
    pollfd ready = {line.master, POLLIN, 0};
    uint8_t buffer[256];
    if (poll(&ready, 1, 100) <= 0) continue;
    const ssize_t n = read(line.master, buffer, sizeof buffer);
    if (n > 0) arrived.insert(arrived.end(), buffer, buffer + n);
  }
  EXPECT_EQ(arrived, longFrame) << arrived.size() << " bytes";
}
