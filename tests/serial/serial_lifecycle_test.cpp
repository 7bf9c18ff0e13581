// Options, opening, reopening and closing: what reopens, failures that leave
// nothing open, and a close that waits for the I/O thread.
#include "tests/serial/serial_test_support.h"

#include <dirent.h>

#include <thread>

namespace {

int OpenDescriptors()
{
  int count = 0;
  DIR* dir = opendir("/proc/self/fd");
  while (dir != nullptr && readdir(dir) != nullptr) ++count;
  if (dir != nullptr) closedir(dir);
  return count;
}

}  // namespace

TEST_F(PeerChannel, ClosePortTwiceThenReopenWithEmptyRings)
{
  const Bytes frame = {0x90, 0x41, 0xFF};
  uint32_t length = 0;
  ASSERT_TRUE(channel.StoreReceivedFrameForTest(frame.data(), 3));
  peer.Feed({0x90, 0x51});
  ASSERT_TRUE(peer.WaitConsumed());
  EXPECT_EQ(channel.ClosePort(), 0);
  EXPECT_EQ(channel.ClosePort(), 1);
  EXPECT_FALSE(channel.IsOpen());
  EXPECT_EQ(channel.WriteFrame(frame.data(), 3), 1);
  EXPECT_EQ(channel.ReadFrame(Bytes(8).data(), 7, &length), 1);
  channel.ResetBuffers(true, true);
  ASSERT_EQ(channel.OpenPort(kPort), 0);
  peer.Feed({0xFF});
  EXPECT_EQ(NextFrame(channel), Bytes{0xFF}) << "the stored and the half frame went with the close";
}

// With the device gone only a reopen can fail: options 1, 3, 4 and 5 reopen,
// option 2 and options out of range do not.
TEST_F(PeerChannel, LineOptionsReopenOthersDoNot)
{
  SerialPortSetPeer(kPort, nullptr);
  SerialPortSetDevice(kPort, "");
  for (int32_t option : {0, 6, -1}) EXPECT_EQ(channel.SetOption(option, 1), 1) << option;
  for (int32_t option : {0, 5, 7}) EXPECT_EQ(channel.SetCallback(option, nullptr), 1) << option;
  EXPECT_EQ(channel.SetOption(2, 4), 0);
  EXPECT_TRUE(channel.IsOpen());
  peer.Feed({0x90, 0x41, 0xFF});
  EXPECT_EQ(NextFrame(channel), (Bytes{0x90, 0x41, 0xFF})) << "same port, same frame-end rule";
  const uint32_t values[6] = {0, 9600, 0, 2, 1, 7};
  for (int32_t option : {1, 3, 4, 5}) {
    SCOPED_TRACE(option);
    SerialPortSetPeer(kPort, &peer);
    ASSERT_EQ(channel.OpenPort(kPort), 0);
    SerialPortSetPeer(kPort, nullptr);
    EXPECT_EQ(channel.SetOption(option, values[option]), 1);
    EXPECT_FALSE(channel.IsOpen());
  }
}

// /dev/null opens but is no terminal, and the pty refuses the line settings:
// the step after opening fails and must release the device.
TEST(SerialChannelOpen, AFailedOpenLeavesNothingOpen)
{
  constexpr uint32_t kPort = 24;
  PtyLine line;
  ASSERT_GE(line.slave, 0);
  const struct {
    const char* device;
    uint32_t baud, dataBits;
  } cases[] = {{"/nonexistent/orvalix-tty", 38400, 8}, {"", 38400, 8}, {"/dev/null", 38400, 8},
               {line.path, 12345, 8}, {line.path, 38400, 9}};
  const int before = OpenDescriptors();
  SerialChannel channel;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.device);
    SerialPortSetDevice(kPort, c.device);
    channel.SetOption(1, c.baud);
    channel.SetOption(5, c.dataBits);
    EXPECT_EQ(channel.OpenPort(kPort), 1);
    EXPECT_FALSE(channel.IsOpen());
    EXPECT_EQ(OpenDescriptors(), before);
  }
  {
    SerialChannel opened;
    ASSERT_EQ(opened.OpenPort(kPort), 0);
    EXPECT_EQ(OpenDescriptors(), before + 1);
  }
  EXPECT_EQ(OpenDescriptors(), before) << "the destructor closes the device";
  SerialPortSetDevice(kPort, nullptr);
}

// The I/O thread is stuck in a port write for longer than the 500 ms wait:
// ClosePort must not return (and free the rings) until the thread has ended.
TEST_F(PeerChannel, ClosePortWaitsForTheIoThreadBeyond500Ms)
{
  peer.SetGate(false);
  const Bytes frame = {0x81, 0x01, 0x04, 0x00, 0x02, 0xFF};
  ASSERT_EQ(channel.WriteFrame(frame.data(), 6), 0);
  ASSERT_TRUE(peer.WaitBlocked());
  const uint32_t start = OsTickCount();
  std::thread opener([this] {
    OsSleep(800);
    peer.SetGate(true);
  });
  EXPECT_EQ(channel.ClosePort(), 0);
  EXPECT_EQ(peer.Written(), frame) << "the write ended before the close did";
  EXPECT_GE(OsTickCount() - start, 700u);
  opener.join();
}

TEST(SerialPortTable, DefaultAndMappedDevices)
{
  char path[64];
  SerialPortSetDevice(10, "/dev/pts/7");
  EXPECT_STREQ(SerialPortDevice(10, path, sizeof path), "/dev/pts/7");
  SerialPortSetDevice(10, nullptr);
  EXPECT_STREQ(SerialPortDevice(10, path, sizeof path), "/dev/ttyS9");
}
