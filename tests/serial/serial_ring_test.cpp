// The receive and transmit rings: frame sizes, the wrap marker, noise,
// refusal instead of overrun, and ResetBuffers against the I/O thread.
#include "tests/serial/serial_test_support.h"

#include <algorithm>

// Queued last: frames leave in order, so once it is out every frame before it
// is, and nothing else may be.
static const Bytes kLast = {0xEE, 0xFF};

// `count` frames of `length` bytes, tagged first, first + 1, ... and ending in 0xFF.
static Bytes Frames(int first, int count, int length) {
  Bytes bytes;
  for (int tag = first; tag < first + count; ++tag) {
    bytes.insert(bytes.end(), static_cast<size_t>(length - 1), static_cast<uint8_t>(tag));
    bytes.push_back(0xFF);
  }
  return bytes;
}

// At index 1000 a 21-byte record, its length byte and room for the next
// marker end before 1024; a 22-byte one leaves a 0 marker and starts at 0.
TEST_F(PeerChannel, RecordsWrapOnlyWhenTheyWouldReachTheRingsEnd) {
  Bytes sent;
  for (int32_t length : {21, 22}) {
    SCOPED_TRACE(length);
    const Bytes frame = Frames(length, 1, length);
    const int32_t at = length == 21 ? 1000 : 0;
    channel.SetIndicesForTest(1000, 1000);
    ASSERT_EQ(channel.WriteFrame(frame.data(), length), 0);
    ASSERT_TRUE(channel.StoreReceivedFrameForTest(frame.data(), length));
    for (const uint8_t* ring : {channel.TransmitRingForTest(), channel.ReceiveRingForTest()}) {
      EXPECT_EQ(ring[1000], at == 0 ? 0 : length);
      EXPECT_EQ(ring[at], length);
      EXPECT_EQ(Bytes(ring + at + 1, ring + at + 1 + length), frame);
    }
    EXPECT_EQ(channel.TransmitWriteIndexForTest(), at + 1 + length);
    EXPECT_EQ(channel.ReceiveWriteIndexForTest(), at + 1 + length);
    EXPECT_EQ(NextFrame(channel, 0), frame);
    sent.insert(sent.end(), frame.begin(), frame.end());
    ASSERT_TRUE(peer.WaitWritten(sent.size()));
  }
  EXPECT_EQ(peer.Written(), sent);
}

// A frame longer than the reader's room is passed over with its length told:
// the reader can name it, which it cannot do for an empty ring.
TEST_F(PeerChannel, ReadFrameTellsAFrameTooLongFromNoFrame) {
  const Bytes frame = {0x90, 0x50, 0x02, 0xFF};
  ASSERT_TRUE(channel.StoreReceivedFrameForTest(frame.data(), 4));
  uint8_t buffer[4];
  uint32_t length = 0;
  EXPECT_EQ(channel.ReadFrame(buffer, 3, &length), FRAME_TOO_LONG);
  EXPECT_EQ(length, 4u);
  EXPECT_EQ(channel.ReadFrame(buffer, 3, &length), FRAME_NONE);
  EXPECT_EQ(length, 0u);
}

TEST_F(PeerChannel, WriteFrameTakes1To255BytesAndRefusesRatherThanOverrun) {
  peer.SetGate(false);
  ASSERT_EQ(channel.WriteFrame(Frames(0, 1, 10).data(), 10), 0);
  ASSERT_TRUE(peer.WaitBlocked());
  // The I/O thread holds frame 0 in its port write; records of 11 bytes from
  // 11 on: 91 fit before the end, and wrapping would reach the next unsent one.
  int accepted = 0;
  while (accepted < 200 && channel.WriteFrame(Frames(accepted + 1, 1, 10).data(), 10) == 0) ++accepted;
  EXPECT_EQ(accepted, 91);
  EXPECT_EQ(channel.WriteFrame(Frames(92, 1, 10).data(), 10), WRITE_RING_FULL);
  peer.SetGate(true);
  Bytes expected = Frames(0, accepted + 1, 10);
  ASSERT_TRUE(peer.WaitWritten(expected.size()));
  // Drained: the ring takes the longest frame again, across its end.
  Bytes longest(256);
  for (size_t i = 0; i < longest.size(); ++i) longest[i] = static_cast<uint8_t>(i);
  for (int32_t length : {0, 256, -1}) EXPECT_EQ(channel.WriteFrame(longest.data(), length), WRITE_NO_FRAME) << length;
  EXPECT_EQ(channel.WriteFrame(nullptr, 3), WRITE_NO_FRAME);
  ASSERT_EQ(channel.WriteFrame(longest.data(), 255), 0);
  expected.insert(expected.end(), longest.begin(), longest.end() - 1);
  ASSERT_EQ(channel.WriteFrame(kLast.data(), 2), 0);
  expected.insert(expected.end(), kLast.begin(), kLast.end());
  ASSERT_TRUE(peer.WaitWritten(expected.size()));
  EXPECT_EQ(peer.Written(), expected);
}

TEST_F(PeerChannel, ReceiveDropsNewFramesRatherThanOverrunUnreadOnes) {
  // Noise without a terminator stores nothing (4096 bytes are 16 whole turns of
  // the 256-byte count). Records of 11 bytes from 500: 47 fit before the end
  // and 45 after the wrap, short of the first one, which nobody has read.
  channel.SetIndicesForTest(500, 0);
  peer.Feed(Bytes(4096, 0x41));
  peer.Feed(Frames(0, 120, 10));
  ASSERT_TRUE(peer.WaitConsumed());
  for (int tag = 0; tag < 92; ++tag) ASSERT_EQ(NextFrame(channel, 0), Frames(tag, 1, 10));
  EXPECT_EQ(NextFrame(channel, 0), Bytes());
  peer.Feed(Frames(0xAB, 1, 10));
  EXPECT_EQ(NextFrame(channel), Frames(0xAB, 1, 10));
}

TEST_F(PeerChannel, ResetBuffersEmptiesOnlyTheSideAsked) {
  const Bytes reply = {0x90, 0x41, 0xFF};
  const Bytes commands = Frames(1, 3, 5);
  ASSERT_TRUE(channel.StoreReceivedFrameForTest(reply.data(), 3));
  peer.Feed({0x90, 0x41});
  ASSERT_TRUE(peer.WaitConsumed());
  peer.SetGate(false);
  ASSERT_EQ(channel.WriteFrame(commands.data(), 5), 0);
  ASSERT_TRUE(peer.WaitBlocked());
  ASSERT_EQ(channel.WriteFrame(commands.data() + 5, 5), 0);
  channel.ResetBuffers(true, false);
  EXPECT_EQ(NextFrame(channel, 0), Bytes());
  ASSERT_TRUE(channel.StoreReceivedFrameForTest(reply.data(), 3));
  channel.ResetBuffers(false, true);
  ASSERT_EQ(channel.WriteFrame(commands.data() + 10, 5), 0);
  peer.SetGate(true);
  ASSERT_EQ(channel.WriteFrame(kLast.data(), 2), 0);
  ASSERT_TRUE(peer.WaitWritten(12));
  EXPECT_EQ(peer.Written(), Bytes({1, 1, 1, 1, 0xFF, 3, 3, 3, 3, 0xFF, 0xEE, 0xFF})) << "the unsent frame went";
  EXPECT_EQ(NextFrame(channel, 0), reply) << "the receive side is untouched";
  peer.Feed({0xFF});
  EXPECT_EQ(NextFrame(channel), Bytes{0xFF}) << "the half frame went";
}

// Resets against the I/O thread: every frame read is a tail of a sent one (or
// whole), every frame sent is whole.
TEST_F(PeerChannel, ResetBuffersDuringTrafficNeverTearsAFrame) {
  const Bytes reply = {0x90, 0x41, 0xFF};
  for (int i = 0; i < 1000; ++i) peer.Feed(reply);
  const Bytes command = {0x81, 0x09, 0x04, 0x47, 0xFF};
  uint8_t buffer[81];
  uint32_t length = 0;
  int frames = 0;
  // Passes about 1 ms apart, like the engine's worker steps, with a write only
  // now and then: each one wakes a send. Resets start once frames came
  // through, and the pass that finds the line read out takes what it left.
  for (int pass = 0, more = 1; more > 0; ++pass) {
    ASSERT_LT(pass, 30000) << "the line was not read within 30 s";
    if (peer.WaitConsumed(0)) more--;
    if (pass % 16 == 0) channel.WriteFrame(command.data(), 5);
    for (; channel.ReadFrame(buffer, 80, &length) == 0; ++frames) {
      ASSERT_TRUE(length >= 1 && length <= 3) << length;
      ASSERT_EQ(Bytes(buffer, buffer + length), Bytes(reply.end() - length, reply.end()));
    }
    if (pass % 3 == 0 && more > 0 && frames > 0) channel.ResetBuffers(true, pass % 2 == 0);
    OsSleep(1);
  }
  EXPECT_GT(frames, 0);
  channel.CloseLine();  // waits for the I/O thread, so every frame it took is out
  const Bytes written = peer.Written();
  ASSERT_EQ(written.size() % command.size(), 0u);
  for (size_t i = 0; i < written.size(); i += command.size())
    ASSERT_TRUE(std::equal(command.begin(), command.end(), written.begin() + static_cast<long>(i)));
}
