// The I/O thread on a pty: a quiet line costs no processor time, and a line
// that holds its bytes back costs each frame a bounded time. (Full line speed
// is measured by tools/bench, whose figure depends on the machine's load.)
#include "tests/serial/serial_test_support.h"

#include <poll.h>
#include <sys/resource.h>
#include <termios.h>
#include <atomic>
#include <chrono>
#include <thread>

namespace {

using Clock = std::chrono::steady_clock;

double ProcessCpuMs() {
  rusage usage;
  getrusage(RUSAGE_SELF, &usage);
  return (usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) * 1000.0 +
         (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1000.0;
}

}  // namespace

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
// after 2.5 s. At 1200 baud a write has its time on the wire plus 500 ms: the
// short frame queued first (560 ms) is given up long before the line moves
// again, and the long one behind it (3050 ms, so until about 3.6 s), still
// within its time, goes out whole when the line moves; a limit of a second
// without progress would have dropped it at about 2 s.
TEST_F(PtyChannel, AFrameTheLineHoldsBackIsGivenUpHalfASecondAfterItsTimeOnTheWire) {
  constexpr uint32_t kSlowBaud = 1200;
  channel.ClosePort();
  ASSERT_EQ(channel.SetOption(OPTION_BAUD_RATE, kSlowBaud), 0);
  ASSERT_EQ(channel.OpenPort(kPort), 0);
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
  std::this_thread::sleep_until(Clock::now() + std::chrono::milliseconds(2500));  // the line held back
  line.Write({0x11});
  Bytes arrived;
  const auto limit = Clock::now() + std::chrono::seconds(5);
  while (arrived.size() < longFrame.size() && Clock::now() < limit) {
    pollfd ready = {line.master, POLLIN, 0};
    uint8_t buffer[256];
    if (poll(&ready, 1, 100) <= 0) continue;
    const ssize_t n = read(line.master, buffer, sizeof buffer);
    if (n > 0) arrived.insert(arrived.end(), buffer, buffer + n);
  }
  EXPECT_EQ(arrived, longFrame) << arrived.size() << " bytes";
}
