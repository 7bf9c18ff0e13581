// Cutting the received byte stream into frames: the VISCA rule over a real
// pseudo-terminal, the built-in framing modes, callback verdicts, noise.
#include "tests/serial/serial_test_support.h"

#include <string>

namespace {

Bytes Text(const std::string& text)
{
  return Bytes(text.begin(), text.end());
}

// Everything the channel has stored, oldest first.
std::vector<Bytes> DrainFrames(SerialChannel& channel)
{
  std::vector<Bytes> frames;
  uint8_t buffer[256];
  uint32_t length = 0;
  while (channel.ReadFrame(buffer, 255, &length) == 0) frames.emplace_back(buffer, buffer + length);
  return frames;
}

}  // namespace

TEST_F(PtyChannel, BytesArrivingInPiecesMakeOneFrameEndingAtFF)
{
  line.Write({0x90});
  OsSleep(20);
  line.Write({0x41});
  OsSleep(20);
  uint8_t buffer[81];
  uint32_t length = 99;
  EXPECT_EQ(channel.ReadFrame(buffer, 80, &length), 1) << "no frame before its 0xFF";
  EXPECT_EQ(length, 0u);

  line.Write({0xFF});
  Bytes frame;
  ASSERT_TRUE(ReadFrameWithin(channel, &frame));
  EXPECT_EQ(frame, (Bytes{0x90, 0x41, 0xFF}));
}

TEST_F(PtyChannel, BurstGivesEachFrameInOrder)
{
  line.Write({0x90, 0x41, 0xFF, 0x90, 0x51, 0xFF});
  Bytes first, second;
  ASSERT_TRUE(ReadFrameWithin(channel, &first));
  ASSERT_TRUE(ReadFrameWithin(channel, &second));
  EXPECT_EQ(first, (Bytes{0x90, 0x41, 0xFF}));
  EXPECT_EQ(second, (Bytes{0x90, 0x51, 0xFF}));
  OsSleep(20);
  EXPECT_TRUE(DrainFrames(channel).empty());
}

TEST_F(PtyChannel, LongestFramesGoBothWays)
{
  Bytes frame(255);
  for (size_t i = 0; i < frame.size(); ++i) frame[i] = static_cast<uint8_t>(i);
  frame.back() = 0xFF;  // the only one
  ASSERT_EQ(channel.WriteFrame(frame.data(), 255), 0);
  Bytes sent;
  ASSERT_TRUE(line.Read(255, &sent));
  EXPECT_EQ(sent, frame);

  line.Write(frame);
  Bytes received;
  ASSERT_TRUE(ReadFrameWithin(channel, &received));
  EXPECT_EQ(received, frame);
}

TEST_F(PtyChannel, QueuedFramesLeaveInOrder)
{
  const Bytes a = {0x81, 0x01, 0x04, 0x07, 0x02, 0xFF};
  const Bytes b = {0x81, 0x09, 0x04, 0x47, 0xFF};
  const Bytes c = {0x88, 0x30, 0x01, 0xFF};
  ASSERT_EQ(channel.WriteFrame(a.data(), 6), 0);
  ASSERT_EQ(channel.WriteFrame(b.data(), 5), 0);
  ASSERT_EQ(channel.WriteFrame(c.data(), 4), 0);
  Bytes sent;
  ASSERT_TRUE(line.Read(15, &sent));
  Bytes expected = a;
  expected.insert(expected.end(), b.begin(), b.end());
  expected.insert(expected.end(), c.begin(), c.end());
  EXPECT_EQ(sent, expected);
}

TEST_F(PeerChannel, NoiseWithoutTerminatorNeverFillsTheReceiveRing)
{
  peer.Feed(Bytes(4096, 0x41));
  ASSERT_TRUE(peer.WaitConsumed());
  EXPECT_EQ(channel.ReceiveWriteIndexForTest(), 0);
  EXPECT_TRUE(DrainFrames(channel).empty());

  // 4096 bytes are 16 whole turns of the 256-byte count: nothing is left.
  peer.Feed({0x90, 0x41, 0xFF});
  Bytes frame;
  ASSERT_TRUE(ReadFrameWithin(channel, &frame));
  EXPECT_EQ(frame, (Bytes{0x90, 0x41, 0xFF}));

  // 300 bytes then 0xFF: the count wrapped once, the last 44 bytes remain.
  Bytes noise(300, 0x41);
  noise.push_back(0xFF);
  peer.Feed(noise);
  ASSERT_TRUE(ReadFrameWithin(channel, &frame));
  Bytes expected(44, 0x41);
  expected.push_back(0xFF);
  EXPECT_EQ(frame, expected);
}

TEST_F(PeerChannel, BuiltInFramingModesWhenNoCallback)
{
  struct Case {
    uint32_t mode;
    std::string input;
    std::vector<std::string> frames;
  };
  const Case cases[] = {
      {1, "AB\r\nC\rD\r\n\r\nE\n", {"AB", "C\rD"}},  // a lone CR LF makes no frame
      {2, "AB\r\rC\n\r", {"AB", "C\n"}},
      {3, "AB\n\nC\r\n", {"AB", "C\r"}},
      {5, std::string("AB\0\0C\n\0", 7), {"AB", "C\n"}},
      {4, std::string("AB\r\n\0\xFF", 6), {}},
      {9, std::string("AB\r\n\0\xFF", 6), {}},
  };
  ASSERT_EQ(channel.SetCallback(6, nullptr), 0);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.mode);
    ASSERT_EQ(channel.SetOption(2, c.mode), 0);
    peer.Feed(Text(c.input));
    ASSERT_TRUE(peer.WaitConsumed());
    std::vector<Bytes> expected;
    for (const std::string& f : c.frames) expected.push_back(Text(f));
    EXPECT_EQ(DrainFrames(channel), expected);
    channel.ResetBuffers(true, false);
  }
}

TEST(SerialChannelFraming, FreshChannelCutsAtCrLf)
{
  constexpr uint32_t kPort = 23;
  ScriptedPeer peer;
  SerialPortSetPeer(kPort, &peer);
  {
    SerialChannel channel;
    ASSERT_EQ(channel.OpenPort(kPort), 0);
    peer.Feed(Text("OK\r\n"));
    Bytes frame;
    ASSERT_TRUE(ReadFrameWithin(channel, &frame));
    EXPECT_EQ(frame, Text("OK"));
  }
  SerialPortSetPeer(kPort, nullptr);
}

namespace {

// Drops NUL bytes, ends frames at 0xFF and strips it.
uint32_t DropNulStripFF(uint8_t* frame, int32_t* length)
{
  if (*length < 1) return FRAME_MORE;
  if (frame[*length - 1] == 0x00) return FRAME_DROP_LAST;
  if (frame[*length - 1] != 0xFF) return FRAME_MORE;
  --*length;
  return FRAME_COMPLETE;
}

// A faulty rule that sets lengths outside the frame buffer on 0xEE and 0xEF.
uint32_t WildLength(uint8_t* frame, int32_t* length)
{
  const uint8_t last = frame[*length - 1];
  if (last == 0xEE) *length = 1000;
  if (last == 0xEF) *length = -5;
  return last == 0xEE || last == 0xEF ? FRAME_MORE : ViscaFrameEnd(frame, length);
}

}  // namespace

TEST_F(PeerChannel, CallbackDropsBytesAndShortensFrames)
{
  ASSERT_EQ(channel.SetCallback(6, DropNulStripFF), 0);
  peer.Feed({0x90, 0x00, 0x41, 0x00, 0x00, 0xFF, 0x00, 0xFF, 0x51, 0xFF});
  ASSERT_TRUE(peer.WaitConsumed());
  // The 0xFF alone ends up as an empty frame, which is not stored.
  EXPECT_EQ(DrainFrames(channel), (std::vector<Bytes>{{0x90, 0x41}, {0x51}}));
}

TEST_F(PeerChannel, CallbackLengthOutOfRangeForgetsTheFrame)
{
  ASSERT_EQ(channel.SetCallback(6, WildLength), 0);
  peer.Feed({0x11, 0xEE, 0x90, 0x41, 0xFF, 0x22, 0xEF, 0x90, 0x51, 0xFF});
  ASSERT_TRUE(peer.WaitConsumed());
  EXPECT_EQ(DrainFrames(channel), (std::vector<Bytes>{{0x90, 0x41, 0xFF}, {0x90, 0x51, 0xFF}}));
}

TEST_F(PeerChannel, CallbackWithWrongOptionChangesNothing)
{
  EXPECT_EQ(channel.SetCallback(5, DropNulStripFF), 1);
  EXPECT_EQ(channel.SetCallback(0, nullptr), 1);
  EXPECT_EQ(channel.SetCallback(7, nullptr), 1);
  peer.Feed({0x90, 0x00, 0xFF});
  Bytes frame;
  ASSERT_TRUE(ReadFrameWithin(channel, &frame));
  EXPECT_EQ(frame, (Bytes{0x90, 0x00, 0xFF}));
}
