// The Win32 backend on a real COM port. The test run maps COM1 to a
// pseudo-terminal that echoes every byte, and COM2 to a device that does not
// exist.
#include "tests/serial/serial_test_support.h"

#include <gtest/gtest.h>

namespace {

class Com1Echo : public ::testing::Test {
protected:
  void SetUp() override
  {
    channel.SetOption(1, 38400);
    channel.SetOption(2, 4);
    channel.SetCallback(6, ViscaFrameEnd);
    ASSERT_EQ(channel.OpenPort(1), 0) << "COM1 must be mapped to an echoing pty";
  }

  SerialChannel channel;
};

}  // namespace

TEST_F(Com1Echo, FrameComesBackWhole)
{
  const Bytes command = {0x81, 0x01, 0x04, 0x07, 0x02, 0xFF};
  ASSERT_EQ(channel.WriteFrame(command.data(), 6), 0);
  Bytes echo;
  ASSERT_TRUE(ReadFrameWithin(channel, &echo));
  EXPECT_EQ(echo, command);
}

TEST_F(Com1Echo, FramesComeBackInOrder)
{
  const Bytes a = {0x88, 0x30, 0x01, 0xFF};
  const Bytes b = {0x88, 0x01, 0x00, 0x01, 0xFF};
  const Bytes c = {0x81, 0x09, 0x04, 0x47, 0xFF};
  ASSERT_EQ(channel.WriteFrame(a.data(), 4), 0);
  ASSERT_EQ(channel.WriteFrame(b.data(), 5), 0);
  ASSERT_EQ(channel.WriteFrame(c.data(), 5), 0);
  Bytes echo;
  ASSERT_TRUE(ReadFrameWithin(channel, &echo));
  EXPECT_EQ(echo, a);
  ASSERT_TRUE(ReadFrameWithin(channel, &echo));
  EXPECT_EQ(echo, b);
  ASSERT_TRUE(ReadFrameWithin(channel, &echo));
  EXPECT_EQ(echo, c);
}

TEST_F(Com1Echo, LongestFrameComesBack)
{
  Bytes frame(255);
  for (size_t i = 0; i < frame.size(); ++i) frame[i] = static_cast<uint8_t>(i);
  frame.back() = 0xFF;  // the only one
  ASSERT_EQ(channel.WriteFrame(frame.data(), 255), 0);
  Bytes echo;
  ASSERT_TRUE(ReadFrameWithin(channel, &echo));
  EXPECT_EQ(echo, frame);
}

TEST_F(Com1Echo, ReopenOnBaudChangeKeepsTheLineWorking)
{
  ASSERT_EQ(channel.SetOption(1, 9600), 0);
  EXPECT_TRUE(channel.IsOpen());
  const Bytes command = {0x81, 0x01, 0x04, 0x00, 0x02, 0xFF};
  ASSERT_EQ(channel.WriteFrame(command.data(), 6), 0);
  Bytes echo;
  ASSERT_TRUE(ReadFrameWithin(channel, &echo));
  EXPECT_EQ(echo, command);
  EXPECT_EQ(channel.ClosePort(), 0);
  EXPECT_EQ(channel.ClosePort(), 1);
}

TEST(SerialChannelWin32, PortWithoutDeviceFailsToOpen)
{
  SerialChannel channel;
  EXPECT_EQ(channel.OpenPort(2), 1);
  EXPECT_FALSE(channel.IsOpen());
  const Bytes frame = {0x81, 0x01, 0xFF};
  EXPECT_EQ(channel.WriteFrame(frame.data(), 3), 1);
}
