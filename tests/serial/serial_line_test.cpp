// The line: frames cut at 0xFF over a real pty, options and what reopens,
// failures that leave nothing open, a close that waits for the I/O thread,
// a frame the line holds back given up, a device that vanishes and comes back.
#include "tests/serial/serial_test_support.h"
#include "tests/support/camsim_child.h"

#include <poll.h>
#include <termios.h>
#include <chrono>
#include <filesystem>
#include <string>
#include <thread>

TEST_F(PtyChannel, PiecesAndBurstsAcrossABaudChange) {
  channel.CloseLine();
  line.Write({0x90, 0x50, 0x02, 0xFF});  // arrived while the port was closed: lost, as on a wire
  ASSERT_EQ(channel.OpenComPort(kPort), 0);
  line.Write({0x90});
  ASSERT_TRUE(WaitFor([&] { return line.Unread() == 0; })) << "the first piece was not read within 3 s";
  line.Write({0x41});
  EXPECT_EQ(NextFrame(channel, 20), Bytes()) << "no frame before its 0xFF";
  line.Write({0xFF});
  EXPECT_EQ(NextFrame(channel), (Bytes{0x90, 0x41, 0xFF}));
  line.Write({0x90, 0x41, 0xFF, 0x90, 0x51, 0xFF});
  EXPECT_EQ(NextFrame(channel), (Bytes{0x90, 0x41, 0xFF}));
  EXPECT_EQ(NextFrame(channel), (Bytes{0x90, 0x51, 0xFF}));
  EXPECT_EQ(NextFrame(channel, 20), Bytes());
  // Each change reopens the device with the new line settings.
  ASSERT_EQ(channel.SetOption(1, 9600), 0);
  ASSERT_EQ(channel.SetOption(4, 1), 0);
  ASSERT_EQ(channel.SetOption(3, 2), 0);
  termios tio;
  ASSERT_EQ(tcgetattr(line.slave, &tio), 0);
  EXPECT_EQ(cfgetospeed(&tio), static_cast<speed_t>(B9600));
  EXPECT_EQ(tio.c_cflag & (PARODD | CSTOPB), static_cast<tcflag_t>(PARODD | CSTOPB));  // a pty drops PARENB
  line.Write({0x90, 0x51, 0xFF});
  EXPECT_EQ(NextFrame(channel), (Bytes{0x90, 0x51, 0xFF}));
}

TEST_F(PeerChannel, ClosePortTwiceThenReopenWithEmptyRings) {
  const Bytes frame = {0x90, 0x41, 0xFF};
  ASSERT_TRUE(channel.StoreReceivedFrameForTest(frame.data(), 3));
  peer.Feed({0x90, 0x51});
  ASSERT_TRUE(peer.WaitConsumed());
  EXPECT_EQ(channel.CloseLine(), 0);
  EXPECT_TRUE(channel.CloseLine() == CLOSE_NOT_OPEN && !channel.IsOpen() &&
              channel.WriteFrame(frame.data(), 3) == WRITE_NOT_OPEN);
  EXPECT_EQ(NextFrame(channel, 0), Bytes());
  channel.ResetBuffers(true, true);
  ASSERT_EQ(channel.OpenComPort(kPort), 0);
  peer.Feed({0xFF});
  EXPECT_EQ(NextFrame(channel), Bytes{0xFF}) << "the stored and the half frame went with the close";
}

// /dev/null opens but is no terminal, and the pty refuses the line settings:
// the step after opening fails and must release the device.
TEST(SerialChannelOpen, AFailedOpenLeavesNothingOpen) {
  constexpr uint32_t kPort = 24;
  PtyLine line;
  ASSERT_GE(line.slave, 0);
  const struct {
    const char* device;
    uint32_t baud, dataBits;
  } cases[] = {{"/nonexistent/orvalix-tty", 38400, 8},
               {"", 38400, 8},
               {"/dev/null", 38400, 8},
               {line.path, 12345, 8},
               {line.path, 38400, 9}};
  const auto openFds = [] { return std::distance(std::filesystem::directory_iterator("/proc/self/fd"), {}); };
  const auto before = openFds();
  SerialChannel channel;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.device);
    SerialPortSetDevice(kPort, c.device);
    channel.SetOption(1, c.baud);
    channel.SetOption(5, c.dataBits);
    EXPECT_EQ(channel.OpenComPort(kPort), 1);
    EXPECT_FALSE(channel.IsOpen());
    EXPECT_EQ(openFds(), before);
  }
  {
    SerialChannel opened;
    ASSERT_EQ(opened.OpenComPort(kPort), 0);
    EXPECT_EQ(openFds(), before + 2) << "the device and the descriptor that wakes its I/O thread";
  }
  EXPECT_EQ(openFds(), before) << "the destructor closes the device";
  SerialPortSetDevice(kPort, nullptr);
}

// The I/O thread is stuck in a port write for 800 ms: CloseLine must not
// return (and free the rings) until the thread has ended.
TEST_F(PeerChannel, ClosePortWaitsForTheWriteInProgress) {
  peer.SetGate(false);
  const Bytes frame = {0x81, 0x01, 0x04, 0x00, 0x02, 0xFF};
  ASSERT_EQ(channel.WriteFrame(frame.data(), 6), 0);
  ASSERT_TRUE(peer.WaitBlocked());
  const uint32_t start = OsTickCount();
  std::thread opener([this] {
    OsSleep(800);
    peer.SetGate(true);
  });
  EXPECT_EQ(channel.CloseLine(), 0);
  EXPECT_EQ(peer.Written(), frame) << "the write ended before the close did";
  EXPECT_GE(OsTickCount() - start, 700u);
  opener.join();
}

// The line stops taking bytes (XOFF from the far end) and takes them again
// after 2.5 s. At 1200 baud a write has its time on the wire plus 500 ms: the
// short frame queued first (560 ms) is given up long before the line moves
// again, and the long one behind it (3050 ms, so until about 3.6 s), still
// within its time, goes out whole when the line moves; a limit of a second
// without progress would have dropped it at about 2 s.
TEST_F(PtyChannel, AFrameTheLineHoldsBackIsGivenUpHalfASecondAfterItsTimeOnTheWire) {
  constexpr uint32_t kSlowBaud = 1200;
  channel.CloseLine();
  ASSERT_EQ(channel.SetOption(OPTION_BAUD_RATE, kSlowBaud), 0);
  ASSERT_EQ(channel.OpenComPort(kPort), 0);
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
  std::this_thread::sleep_until(std::chrono::steady_clock::now() +
                                std::chrono::milliseconds(2500));  // the line held back
  line.Write({0x11});
  Bytes arrived;
  const auto limit = std::chrono::steady_clock::now() + std::chrono::seconds(5);
  while (arrived.size() < longFrame.size() && std::chrono::steady_clock::now() < limit) {
    pollfd ready = {line.master, POLLIN, 0};
    uint8_t buffer[256];
    if (poll(&ready, 1, 100) <= 0) continue;
    const ssize_t n = read(line.master, buffer, sizeof buffer);
    if (n > 0) arrived.insert(arrived.end(), buffer, buffer + n);
  }
  EXPECT_EQ(arrived, longFrame) << arrived.size() << " bytes";
}

// The adapter pulled out: camsim hangs up its pseudo-terminal at 1 s and puts
// a new one under the same link at 3 s. The channel notices at once and
// stops; the port does not open while the device is missing, and opened again
// by the same name (as an adapter's name stays) it reaches the new device.
TEST(SerialChannelLost, AVanishedDeviceIsNoticedAndItsNameReachesTheNewOne) {
  constexpr uint32_t kPort = 26;
  const std::string link = "/tmp/orvalix-lost-" + std::to_string(getpid());
  Camsim sim("--profile fast --duration 10 --line 0x45 --link " + link + " --fault unplug=1:3");
  ASSERT_TRUE(sim.ReadUntil("cameras 0x45")) << sim.text;
  SerialPortSetDevice(kPort, link.c_str());
  SerialChannel channel;
  ConfigureLikeTheEngine(channel);
  ASSERT_EQ(channel.OpenComPort(kPort), 0);
  ASSERT_TRUE(sim.ReadUntil("unplugged")) << sim.text;
  EXPECT_TRUE(WaitFor([&] { return channel.IsLost(); }, 300)) << "the hang-up went unnoticed";
  EXPECT_FALSE(channel.IsOpen());
  EXPECT_EQ(channel.CloseLine(), 0);
  EXPECT_EQ(channel.OpenComPort(kPort), 1) << "opened while unplugged";
  ASSERT_TRUE(sim.ReadUntil("plugged in")) << sim.text;
  ASSERT_EQ(channel.OpenComPort(kPort), 0);
  const uint8_t addressSet[] = {0x88, 0x30, 0x01, 0xFF};
  ASSERT_EQ(channel.WriteFrame(addressSet, sizeof addressSet), 0);
  EXPECT_EQ(NextFrame(channel), (Bytes{0x88, 0x30, 0x02, 0xFF})) << "one camera behind the new device";
  channel.CloseLine();
  SerialPortSetDevice(kPort, nullptr);
  unlink(link.c_str());  // camsim is killed, so it cannot
}
