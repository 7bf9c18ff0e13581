// Cutting the received byte stream into frames at 0xFF: over a real
// pseudo-terminal, and noise that never ends a frame.
#include "tests/serial/serial_test_support.h"

#include <termios.h>

TEST(SerialFraming, PiecesAndBurstsOverAPtyAndAcrossABaudChange)
{
  constexpr uint32_t kPort = 22;
  PtyLine line;
  ASSERT_GE(line.slave, 0);
  SerialPortSetDevice(kPort, line.path);
  SerialChannel channel;
  ConfigureLikeTheEngine(channel);
  ASSERT_EQ(channel.OpenPort(kPort), 0);

  line.Write({0x90});
  OsSleep(20);
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
  channel.ClosePort();
  SerialPortSetDevice(kPort, nullptr);
}

TEST_F(PeerChannel, NoiseWithoutTerminatorNeverFillsTheReceiveRing)
{
  peer.Feed(Bytes(4096, 0x41));
  ASSERT_TRUE(peer.WaitConsumed());
  EXPECT_EQ(channel.ReceiveWriteIndexForTest(), 0);
  // 4096 bytes are 16 whole turns of the 256-byte count: nothing is left.
  peer.Feed({0x90, 0x41, 0xFF});
  EXPECT_EQ(NextFrame(channel), (Bytes{0x90, 0x41, 0xFF}));
  // 300 bytes then 0xFF: the count wrapped once, the last 44 bytes remain.
  Bytes noise(300, 0x41);
  noise.push_back(0xFF);
  peer.Feed(noise);
  EXPECT_EQ(NextFrame(channel), Bytes(noise.end() - 45, noise.end()));
}
