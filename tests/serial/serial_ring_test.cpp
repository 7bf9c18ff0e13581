// The receive and transmit rings: record format and wrap marker, ReadFrame's
// contract, refusal instead of overrun, and ResetBuffers against the I/O thread.
#include "tests/serial/serial_test_support.h"

#include <thread>

namespace {

// A frame of `length` bytes tagged with `tag`, ending in 0xFF.
Bytes Tagged(uint8_t tag, int length)
{
  Bytes frame(static_cast<size_t>(length), tag);
  frame.back() = 0xFF;
  return frame;
}

uint8_t* const kBadPointer = reinterpret_cast<uint8_t*>(uintptr_t{0xFFF0});

}  // namespace

TEST_F(PeerChannel, WriteFrameTakesOneTo255Bytes)
{
  const Bytes longest = Tagged(0x42, 255);
  ASSERT_EQ(channel.WriteFrame(longest.data(), 255), 0);
  ASSERT_TRUE(peer.WaitWritten(255));
  EXPECT_EQ(peer.Written(), longest);

  const int32_t index = channel.TransmitWriteIndexForTest();
  const Bytes big(256, 0x42);
  EXPECT_EQ(channel.WriteFrame(big.data(), 0), 1);
  EXPECT_EQ(channel.WriteFrame(big.data(), 256), 1);
  EXPECT_EQ(channel.WriteFrame(big.data(), -1), 1);
  EXPECT_EQ(channel.WriteFrame(nullptr, 3), 1);
  EXPECT_EQ(channel.WriteFrame(kBadPointer, 3), 1);
  EXPECT_EQ(channel.TransmitWriteIndexForTest(), index);
  OsSleep(20);
  EXPECT_EQ(peer.WriteCalls(), 1);

  ASSERT_EQ(channel.ClosePort(), 0);
  EXPECT_EQ(channel.WriteFrame(longest.data(), 3), 1);
}

TEST_F(PeerChannel, TransmitRecordWrapsWhenItWouldReachTheEnd)
{
  const Bytes a = Tagged(0xA1, 21);
  channel.SetIndicesForTest(0, 1000);
  ASSERT_EQ(channel.WriteFrame(a.data(), 21), 0);  // 1000 + 21 + 2 = 1023 < 1024
  EXPECT_EQ(channel.TransmitRingForTest()[1000], 21);
  EXPECT_EQ(channel.TransmitWriteIndexForTest(), 1022);
  ASSERT_TRUE(peer.WaitWritten(21));

  const Bytes b = Tagged(0xB2, 22);
  channel.SetIndicesForTest(0, 1000);
  ASSERT_EQ(channel.WriteFrame(b.data(), 22), 0);
  EXPECT_EQ(channel.TransmitRingForTest()[1000], 0) << "wrap marker";
  EXPECT_EQ(channel.TransmitRingForTest()[0], 22);
  EXPECT_EQ(channel.TransmitWriteIndexForTest(), 23);
  ASSERT_TRUE(peer.WaitWritten(43));

  Bytes expected = a;
  expected.insert(expected.end(), b.begin(), b.end());
  EXPECT_EQ(peer.Written(), expected);
  EXPECT_EQ(peer.WriteCalls(), 2);
}

TEST_F(PeerChannel, ReceiveRecordWrapsWhenItWouldReachTheEnd)
{
  const Bytes a = Tagged(0xA1, 21);
  channel.SetIndicesForTest(1000, 0);
  ASSERT_TRUE(channel.StoreReceivedFrameForTest(a.data(), 21));
  EXPECT_EQ(channel.ReceiveRingForTest()[1000], 21);
  EXPECT_EQ(channel.ReceiveWriteIndexForTest(), 1022);
  Bytes frame;
  ASSERT_TRUE(ReadFrameWithin(channel, &frame, 0));
  EXPECT_EQ(frame, a);

  const Bytes b = Tagged(0xB2, 22);
  channel.SetIndicesForTest(1000, 0);
  ASSERT_TRUE(channel.StoreReceivedFrameForTest(b.data(), 22));
  EXPECT_EQ(channel.ReceiveRingForTest()[1000], 0) << "wrap marker";
  EXPECT_EQ(channel.ReceiveRingForTest()[0], 22);
  EXPECT_EQ(channel.ReceiveWriteIndexForTest(), 23);
  ASSERT_TRUE(ReadFrameWithin(channel, &frame, 0));
  EXPECT_EQ(frame, b);
}

TEST_F(PeerChannel, ReadFrameOnAnEmptyRing)
{
  uint8_t buffer[81];
  buffer[0] = 0x55;
  uint32_t length = 77;
  EXPECT_EQ(channel.ReadFrame(buffer, 80, &length), 1);
  EXPECT_EQ(length, 0u);
  EXPECT_EQ(buffer[0], 0);
}

TEST_F(PeerChannel, ReadFrameTerminatesAndSkipsWhatDoesNotFit)
{
  const Bytes three = {0x90, 0x41, 0xFF};
  const Bytes two = {0x51, 0xFF};
  const Bytes five = {0x90, 0x50, 0x01, 0x02, 0xFF};
  ASSERT_TRUE(channel.StoreReceivedFrameForTest(three.data(), 3));
  ASSERT_TRUE(channel.StoreReceivedFrameForTest(two.data(), 2));
  ASSERT_TRUE(channel.StoreReceivedFrameForTest(five.data(), 5));

  uint8_t buffer[8];
  memset(buffer, 0xAA, sizeof buffer);
  uint32_t length = 0;
  EXPECT_EQ(channel.ReadFrame(buffer, 2, &length), 1) << "3 bytes do not fit in 2";
  EXPECT_EQ(length, 3u);
  EXPECT_EQ(buffer[0], 0);
  EXPECT_EQ(buffer[1], 0xAA) << "nothing copied";

  EXPECT_EQ(channel.ReadFrame(buffer, 2, &length), 0) << "the next frame comes next";
  EXPECT_EQ(length, 2u);
  EXPECT_EQ(Bytes(buffer, buffer + 2), two);
  EXPECT_EQ(buffer[2], 0);

  memset(buffer, 0xAA, sizeof buffer);
  EXPECT_EQ(channel.ReadFrame(buffer, 5, &length), 0);
  EXPECT_EQ(Bytes(buffer, buffer + 5), five);
  EXPECT_EQ(buffer[5], 0);
  EXPECT_EQ(buffer[6], 0xAA);
}

TEST_F(PeerChannel, ReadFrameRefusesBadPointersAndAClosedChannel)
{
  const Bytes frame = {0x90, 0x41, 0xFF};
  ASSERT_TRUE(channel.StoreReceivedFrameForTest(frame.data(), 3));
  uint8_t buffer[81];
  uint32_t length = 0;
  EXPECT_EQ(channel.ReadFrame(nullptr, 80, &length), 1);
  EXPECT_EQ(channel.ReadFrame(kBadPointer, 80, &length), 1);
  EXPECT_EQ(channel.ReadFrame(buffer, 80, nullptr), 1);
  EXPECT_EQ(channel.ReadFrame(buffer, 80, &length), 0) << "the frame is still there";
  ASSERT_TRUE(channel.StoreReceivedFrameForTest(frame.data(), 3));
  ASSERT_EQ(channel.ClosePort(), 0);
  EXPECT_EQ(channel.ReadFrame(buffer, 80, &length), 1);
  EXPECT_FALSE(channel.StoreReceivedFrameForTest(frame.data(), 3));
}

TEST_F(PeerChannel, WriteFrameRefusesRatherThanOverrunUnsentFrames)
{
  peer.CloseGate();
  const Bytes first = Tagged(0, 10);
  ASSERT_EQ(channel.WriteFrame(first.data(), 10), 0);
  ASSERT_TRUE(peer.WaitBlockedInWrite());

  // The I/O thread holds the first frame in its port write; records of 11
  // bytes from 11 onward: 91 fit before the end, and wrapping would reach the
  // record the I/O thread takes next.
  int accepted = 0;
  for (int tag = 1; tag < 200; ++tag) {
    const Bytes frame = Tagged(static_cast<uint8_t>(tag), 10);
    if (channel.WriteFrame(frame.data(), 10) != 0) break;
    ++accepted;
  }
  EXPECT_EQ(accepted, 91);
  const Bytes refused = Tagged(0xEE, 10);
  EXPECT_EQ(channel.WriteFrame(refused.data(), 10), 1);

  peer.OpenGate();
  ASSERT_TRUE(peer.WaitWritten(static_cast<size_t>(10 * (accepted + 1))));
  OsSleep(20);
  Bytes expected;
  for (int tag = 0; tag <= accepted; ++tag) {
    const Bytes frame = Tagged(static_cast<uint8_t>(tag), 10);
    expected.insert(expected.end(), frame.begin(), frame.end());
  }
  EXPECT_EQ(peer.Written(), expected);

  // Drained: the ring takes frames again, across its end.
  const Bytes after = Tagged(0xAF, 20);
  ASSERT_EQ(channel.WriteFrame(after.data(), 20), 0);
  ASSERT_TRUE(peer.WaitWritten(expected.size() + 20));
}

TEST_F(PeerChannel, ReceiveDropsNewFramesRatherThanOverrunUnreadOnes)
{
  // Records of 11 bytes from 0: 92 fit before the end, and wrapping would
  // reach the first record, which nobody has read.
  Bytes stream;
  for (int tag = 0; tag < 120; ++tag) {
    const Bytes frame = Tagged(static_cast<uint8_t>(tag), 10);
    stream.insert(stream.end(), frame.begin(), frame.end());
  }
  peer.Feed(stream);
  ASSERT_TRUE(peer.WaitConsumed());

  uint8_t buffer[81];
  uint32_t length = 0;
  int count = 0;
  while (channel.ReadFrame(buffer, 80, &length) == 0) {
    ASSERT_EQ(Bytes(buffer, buffer + length), Tagged(static_cast<uint8_t>(count), 10));
    ++count;
  }
  EXPECT_EQ(count, 92);

  peer.Feed(Tagged(0xAB, 10));
  Bytes frame;
  ASSERT_TRUE(ReadFrameWithin(channel, &frame));
  EXPECT_EQ(frame, Tagged(0xAB, 10));
}

TEST_F(PeerChannel, ResetReceiveSideForgetsStoredAndHalfCollectedFrames)
{
  const Bytes stored = {0x90, 0x41, 0xFF};
  ASSERT_TRUE(channel.StoreReceivedFrameForTest(stored.data(), 3));
  ASSERT_TRUE(channel.StoreReceivedFrameForTest(stored.data(), 3));
  peer.Feed({0x90, 0x41});
  ASSERT_TRUE(peer.WaitConsumed());

  peer.CloseGate();
  const Bytes command = Tagged(0x81, 6);
  ASSERT_EQ(channel.WriteFrame(command.data(), 6), 0);
  ASSERT_TRUE(peer.WaitBlockedInWrite());
  ASSERT_EQ(channel.WriteFrame(command.data(), 6), 0);

  channel.ResetBuffers(true, false);
  EXPECT_EQ(channel.ReceiveWriteIndexForTest(), 0);
  uint8_t buffer[81];
  uint32_t length = 0;
  EXPECT_EQ(channel.ReadFrame(buffer, 80, &length), 1);

  peer.OpenGate();
  ASSERT_TRUE(peer.WaitWritten(12)) << "the transmit side is untouched";

  peer.Feed({0x51, 0xFF});
  Bytes frame;
  ASSERT_TRUE(ReadFrameWithin(channel, &frame));
  EXPECT_EQ(frame, (Bytes{0x51, 0xFF})) << "the half frame is gone";
}

TEST_F(PeerChannel, ResetTransmitSideDropsUnsentFrames)
{
  const Bytes reply = {0x90, 0x41, 0xFF};
  ASSERT_TRUE(channel.StoreReceivedFrameForTest(reply.data(), 3));

  peer.CloseGate();
  const Bytes taken = Tagged(0x01, 5);
  const Bytes dropped = Tagged(0x02, 5);
  const Bytes later = Tagged(0x03, 5);
  ASSERT_EQ(channel.WriteFrame(taken.data(), 5), 0);
  ASSERT_TRUE(peer.WaitBlockedInWrite());
  ASSERT_EQ(channel.WriteFrame(dropped.data(), 5), 0);
  ASSERT_EQ(channel.WriteFrame(dropped.data(), 5), 0);
  channel.ResetBuffers(false, true);
  EXPECT_EQ(channel.TransmitWriteIndexForTest(), 0);
  peer.OpenGate();
  ASSERT_EQ(channel.WriteFrame(later.data(), 5), 0);
  ASSERT_TRUE(peer.WaitWritten(10));
  OsSleep(20);
  Bytes expected = taken;
  expected.insert(expected.end(), later.begin(), later.end());
  EXPECT_EQ(peer.Written(), expected);

  Bytes frame;
  ASSERT_TRUE(ReadFrameWithin(channel, &frame, 0));
  EXPECT_EQ(frame, reply) << "the receive side is untouched";
}

// The worker resets both sides over and over while the I/O thread receives
// and sends: every frame read is a tail of one sent frame, every frame sent
// is whole.
TEST_F(PeerChannel, ResetBuffersDuringTrafficNeverTearsAFrame)
{
  const Bytes reply = {0x90, 0x41, 0xFF};
  Bytes stream;
  for (int i = 0; i < 1000; ++i) stream.insert(stream.end(), reply.begin(), reply.end());
  peer.Feed(stream);

  const Bytes command = {0x81, 0x09, 0x04, 0x47, 0xFF};
  uint8_t buffer[81];
  uint32_t length = 0;
  int frames = 0;
  // Each WriteFrame wakes the I/O thread for a send instead of a read, so the
  // worker writes only now and then, as the engine does.
  for (int pass = 0; !peer.WaitConsumed(0); ++pass) {
    ASSERT_LT(pass, 10000000) << "the line was never read";
    if (pass % 16 == 0) channel.WriteFrame(command.data(), 5);
    while (channel.ReadFrame(buffer, 80, &length) == 0) {
      ASSERT_GE(length, 1u);
      ASSERT_LE(length, 3u);
      ASSERT_EQ(Bytes(buffer, buffer + length), Bytes(reply.end() - length, reply.end()));
      ++frames;
    }
    if (pass % 3 == 0) channel.ResetBuffers(true, pass % 2 == 0);
    OsSleep(0);
  }
  EXPECT_GT(frames, 0);

  OsSleep(20);
  const Bytes written = peer.Written();
  ASSERT_EQ(written.size() % command.size(), 0u);
  for (size_t i = 0; i < written.size(); i += command.size())
    ASSERT_EQ(Bytes(written.begin() + static_cast<long>(i), written.begin() + static_cast<long>(i + command.size())), command);
}
