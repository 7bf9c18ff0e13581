// The Win32 backend on the Wine session's ports: COM3 echoes every byte, COM4
// does not exist, COM11 takes nothing, so writes to it stall as behind a CTS
// line that stays low.
#include "tests/serial/serial_test_support.h"

#include <windows.h>

namespace {

constexpr uint32_t kStalledPort = 11;
// A held write ends at the latest half a second after it began, plus the time
// a 255-byte frame takes on the wire at 38400 baud; a busy machine gets three
// times that.
constexpr uint32_t kHeldWriteEndsMs = 500 + 67;
constexpr uint32_t kRealTimeSlack = 3;

}  // namespace

TEST(SerialChannelWin32, Com3EchoesFramesInOrderAndCom4FailsToOpen) {
  SerialChannel channel;
  EXPECT_TRUE(channel.OpenComPort(4) == 1 && !channel.IsOpen());
  ConfigureLikeTheEngine(channel);
  ASSERT_EQ(channel.OpenComPort(3), 0) << "COM3 must be mapped to an echoing pty";
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
  EXPECT_EQ(channel.CloseLine(), 0);
}

// A write the line holds off is given up after half a second, so the I/O
// thread takes frames again and a close always completes.
TEST(SerialChannelWin32, WriteHeldOffByTheLineIsCancelledAndCloseCompletes) {
  SerialChannel channel;
  ConfigureLikeTheEngine(channel);
  ASSERT_EQ(channel.OpenComPort(kStalledPort), 0) << "COM11 must be mapped to a pty that takes nothing";
  Bytes frame(255, 0x01);
  frame.back() = 0xFF;
  const int32_t length = static_cast<int32_t>(frame.size());

  // Queue frames until the transmit ring stays full for 200 ms: the pty's
  // buffer is full and the I/O thread is held in a write.
  constexpr uint32_t kStallMs = 200;
  uint32_t lastAccepted = OsTickCount();
  const bool stalled = WaitFor(
      [&] {
        if (channel.WriteFrame(frame.data(), length) == 0) lastAccepted = OsTickCount();
        return OsTickCount() - lastAccepted > kStallMs;
      },
      20000);
  ASSERT_TRUE(stalled) << "the line never held a write off";

  // The held write gives up and the next frame goes in its place.
  const uint32_t stalledAt = OsTickCount();
  EXPECT_TRUE(WaitFor([&] { return channel.WriteFrame(frame.data(), length) == 0; }, 2000))
      << "the I/O thread stays in the held write";
  EXPECT_LT(OsTickCount() - stalledAt, 1000u);

  // Closing while a write is held: the write is cancelled at the latest half
  // a second (plus its time on the wire) after it began.
  ASSERT_TRUE(WaitFor([&] { return channel.WriteFrame(frame.data(), length) != 0; }, 2000));
  const uint32_t closeAt = OsTickCount();
  EXPECT_EQ(channel.CloseLine(), 0);  // a close that never ends: the hang watchdog
  EXPECT_LT(OsTickCount() - closeAt, kRealTimeSlack * kHeldWriteEndsMs);
  EXPECT_FALSE(channel.IsOpen());
}
