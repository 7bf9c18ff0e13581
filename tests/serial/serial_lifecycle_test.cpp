// Opening, reopening and closing: options, the line settings that reach the
// device, failures that leave nothing open, and a close that waits for the
// I/O thread.
#include "tests/serial/serial_test_support.h"

#include <dirent.h>

#include <thread>

namespace {

int OpenDescriptors()
{
  int count = 0;
  DIR* dir = opendir("/proc/self/fd");
  if (dir == nullptr) return -1;
  while (readdir(dir) != nullptr) ++count;
  closedir(dir);
  return count;
}

}  // namespace

TEST(SerialChannelOptions, OutOfRangeOptionsAreRefused)
{
  SerialChannel channel;
  EXPECT_EQ(channel.SetOption(0, 1), 1);
  EXPECT_EQ(channel.SetOption(6, 1), 1);
  EXPECT_EQ(channel.SetOption(-1, 1), 1);
  EXPECT_EQ(channel.SetCallback(5, ViscaFrameEnd), 1);
  EXPECT_EQ(channel.SetCallback(6, ViscaFrameEnd), 0);
  for (int32_t option = 1; option <= 5; ++option) EXPECT_EQ(channel.SetOption(option, 1), 0) << option;
  EXPECT_FALSE(channel.IsOpen());
}

TEST(SerialChannelOptions, ClosedChannelRefusesAndClosesOnlyOnce)
{
  SerialChannel channel;
  const Bytes frame = {0x81, 0x01, 0xFF};
  uint8_t buffer[81];
  uint32_t length = 0;
  EXPECT_EQ(channel.ClosePort(), 1);
  EXPECT_EQ(channel.WriteFrame(frame.data(), 3), 1);
  EXPECT_EQ(channel.ReadFrame(buffer, 80, &length), 1);
  channel.ResetBuffers(true, true);
  EXPECT_FALSE(channel.IsOpen());
}

TEST_F(PeerChannel, ClosePortTwice)
{
  EXPECT_EQ(channel.ClosePort(), 0);
  EXPECT_FALSE(channel.IsOpen());
  EXPECT_EQ(channel.ClosePort(), 1);
  EXPECT_FALSE(channel.IsOpen());
  ASSERT_EQ(channel.OpenPort(kPort), 0) << "a closed channel opens again";
  peer.Feed({0x90, 0x41, 0xFF});
  Bytes frame;
  ASSERT_TRUE(ReadFrameWithin(channel, &frame));
}

TEST_F(PtyChannel, LineSettingsReachTheDeviceAndEachChangeReopens)
{
  uint32_t baud = 0;
  bool odd = true, twoStop = true;
  ASSERT_TRUE(line.Settings(&baud, &odd, &twoStop));
  EXPECT_EQ(baud, 38400u);
  EXPECT_FALSE(odd);
  EXPECT_FALSE(twoStop);

  EXPECT_EQ(channel.SetOption(1, 9600), 0);
  ASSERT_TRUE(line.Settings(&baud, &odd, &twoStop));
  EXPECT_EQ(baud, 9600u);
  EXPECT_EQ(channel.SetOption(4, 1), 0);
  EXPECT_EQ(channel.SetOption(3, 2), 0);
  ASSERT_TRUE(line.Settings(&baud, &odd, &twoStop));
  EXPECT_TRUE(odd);
  EXPECT_TRUE(twoStop);
  EXPECT_EQ(channel.SetOption(4, 0), 0);
  EXPECT_EQ(channel.SetOption(3, 1), 0);
  ASSERT_TRUE(line.Settings(&baud, &odd, &twoStop));
  EXPECT_FALSE(odd);
  EXPECT_FALSE(twoStop);
  EXPECT_TRUE(channel.IsOpen());

  line.Write({0x90, 0x41, 0xFF});
  Bytes frame;
  ASSERT_TRUE(ReadFrameWithin(channel, &frame));
  EXPECT_EQ(frame, (Bytes{0x90, 0x41, 0xFF}));
}

// With the device gone, only a reopen can fail: option 2 must not reopen,
// options 1, 3, 4 and 5 must.
TEST_F(PeerChannel, LineOptionsReopenAndFramingModeDoesNot)
{
  SerialPortSetPeer(kPort, nullptr);
  SerialPortSetDevice(kPort, "");
  EXPECT_EQ(channel.SetOption(2, 1), 0);
  EXPECT_TRUE(channel.IsOpen());
  peer.Feed({0x90, 0x41, 0xFF});
  Bytes frame;
  ASSERT_TRUE(ReadFrameWithin(channel, &frame)) << "still on the same port";

  const uint32_t values[6] = {0, 9600, 0, 2, 1, 7};
  for (int32_t option : {1, 3, 4, 5}) {
    SCOPED_TRACE(option);
    SerialPortSetPeer(kPort, &peer);
    ASSERT_EQ(channel.OpenPort(kPort), 0);
    SerialPortSetPeer(kPort, nullptr);
    EXPECT_EQ(channel.SetOption(option, values[option]), 1);
    EXPECT_FALSE(channel.IsOpen());
    EXPECT_EQ(channel.ClosePort(), 1);
  }
}

TEST_F(PeerChannel, ReopenStartsWithEmptyRings)
{
  const Bytes frame = {0x90, 0x41, 0xFF};
  ASSERT_TRUE(channel.StoreReceivedFrameForTest(frame.data(), 3));
  peer.Feed({0x90, 0x51});
  ASSERT_TRUE(peer.WaitConsumed());
  ASSERT_EQ(channel.SetOption(1, 9600), 0);
  EXPECT_EQ(channel.ReceiveWriteIndexForTest(), 0);
  peer.Feed({0xFF});
  ASSERT_TRUE(peer.WaitConsumed());
  uint8_t buffer[81];
  uint32_t length = 0;
  EXPECT_EQ(channel.ReadFrame(buffer, 80, &length), 0);
  EXPECT_EQ(Bytes(buffer, buffer + length), (Bytes{0xFF})) << "the half frame went with the close";
}

TEST(SerialChannelOpen, MissingDeviceFailsAndLeavesNothingOpen)
{
  constexpr uint32_t kPort = 24;
  SerialChannel channel;
  channel.SetCallback(6, ViscaFrameEnd);
  const int before = OpenDescriptors();

  SerialPortSetDevice(kPort, "/nonexistent/orvalix-tty");
  EXPECT_EQ(channel.OpenPort(kPort), 1);
  EXPECT_FALSE(channel.IsOpen());
  SerialPortSetDevice(kPort, "");
  EXPECT_EQ(channel.OpenPort(kPort), 1);
  // Opens, but is no terminal: the step after opening fails.
  SerialPortSetDevice(kPort, "/dev/null");
  EXPECT_EQ(channel.OpenPort(kPort), 1);
  EXPECT_FALSE(channel.IsOpen());
  EXPECT_EQ(OpenDescriptors(), before);
  EXPECT_EQ(channel.ClosePort(), 1);
  SerialPortSetDevice(kPort, nullptr);
}

TEST(SerialChannelOpen, UnsupportedSettingsFailAndReleaseTheDevice)
{
  constexpr uint32_t kPort = 25;
  PtyLine line;
  ASSERT_TRUE(line.IsValid());
  SerialPortSetDevice(kPort, line.SlavePath());
  SerialChannel channel;
  const int before = OpenDescriptors();
  channel.SetOption(1, 12345);
  EXPECT_EQ(channel.OpenPort(kPort), 1);
  channel.SetOption(1, 38400);
  channel.SetOption(5, 9);
  EXPECT_EQ(channel.OpenPort(kPort), 1);
  EXPECT_EQ(OpenDescriptors(), before);
  channel.SetOption(5, 8);
  EXPECT_EQ(channel.OpenPort(kPort), 0);
  EXPECT_EQ(OpenDescriptors(), before + 1);
  EXPECT_EQ(channel.ClosePort(), 0);
  EXPECT_EQ(OpenDescriptors(), before);
  SerialPortSetDevice(kPort, nullptr);
}

TEST(SerialChannelOpen, DestructorClosesTheDevice)
{
  constexpr uint32_t kPort = 26;
  PtyLine line;
  ASSERT_TRUE(line.IsValid());
  SerialPortSetDevice(kPort, line.SlavePath());
  const int before = OpenDescriptors();
  {
    SerialChannel channel;
    ASSERT_EQ(channel.OpenPort(kPort), 0);
    EXPECT_EQ(OpenDescriptors(), before + 1);
  }
  EXPECT_EQ(OpenDescriptors(), before);
  SerialPortSetDevice(kPort, nullptr);
}

TEST(SerialPortTable, DefaultAndMappedDevices)
{
  char path[64];
  EXPECT_STREQ(SerialPortDevice(1, path, sizeof path), "/dev/ttyS0");
  EXPECT_STREQ(SerialPortDevice(10, path, sizeof path), "/dev/ttyS9");
  SerialPortSetDevice(10, "/dev/pts/7");
  EXPECT_STREQ(SerialPortDevice(10, path, sizeof path), "/dev/pts/7");
  SerialPortSetDevice(10, "");
  EXPECT_STREQ(SerialPortDevice(10, path, sizeof path), "");
  SerialPortSetDevice(10, nullptr);
  EXPECT_STREQ(SerialPortDevice(10, path, sizeof path), "/dev/ttyS9");
  EXPECT_STREQ(SerialPortDevice(0, path, sizeof path), "");
}

// The I/O thread is stuck in a port write for longer than the 500 ms wait:
// ClosePort must not return (and free the rings) until the thread has ended.
TEST_F(PeerChannel, ClosePortWaitsForTheIoThreadBeyond500Ms)
{
  peer.CloseGate();
  const Bytes frame = {0x81, 0x01, 0x04, 0x00, 0x02, 0xFF};
  ASSERT_EQ(channel.WriteFrame(frame.data(), 6), 0);
  ASSERT_TRUE(peer.WaitBlockedInWrite());
  const uint32_t start = OsTickCount();
  std::thread opener([this] {
    OsSleep(800);
    peer.OpenGate();
  });
  EXPECT_EQ(channel.ClosePort(), 0);
  const uint32_t elapsed = OsTickCount() - start;
  EXPECT_EQ(peer.WriteCalls(), 1) << "the write ended before the close did";
  EXPECT_GE(elapsed, 700u);
  EXPECT_FALSE(channel.IsOpen());
  opener.join();
}
