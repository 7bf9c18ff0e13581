// The Win32 backend on real COM ports. The test run maps COM3 to a
// pseudo-terminal that echoes every byte, and COM4 to a device that does not
// exist.
#include "tests/serial/serial_test_support.h"

TEST(SerialChannelWin32, Com3EchoesFramesInOrderAndCom4FailsToOpen) {
  SerialChannel channel;
  EXPECT_EQ(channel.OpenPort(4), 1);
  EXPECT_FALSE(channel.IsOpen());
  ConfigureLikeTheEngine(channel);
  ASSERT_EQ(channel.OpenPort(3), 0) << "COM3 must be mapped to an echoing pty";
  Bytes longest(255);
  for (size_t i = 0; i < longest.size(); ++i) longest[i] = static_cast<uint8_t>(i);
  longest.back() = 0xFF;  // the only one
  const Bytes frames[] = {{0x88, 0x30, 0x01, 0xFF}, longest, {0x81, 0x09, 0x04, 0x47, 0xFF}};
  for (const Bytes& f : frames) ASSERT_EQ(channel.WriteFrame(f.data(), static_cast<int32_t>(f.size())), 0);
  for (const Bytes& f : frames) EXPECT_EQ(NextFrame(channel), f);

  ASSERT_EQ(channel.SetOption(1, 9600), 0);
  EXPECT_TRUE(channel.IsOpen());
  ASSERT_EQ(channel.WriteFrame(frames[0].data(), 4), 0);
  EXPECT_EQ(NextFrame(channel), frames[0]);
  EXPECT_EQ(channel.ClosePort(), 0);
  EXPECT_EQ(channel.ClosePort(), 1);
}
