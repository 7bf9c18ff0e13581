// SimPeer: a SimLine standing in for a serial device, driven by a test's
// clock, safe between the channel's I/O thread and the test.
#include "serial/serial_channel.h"
#include "serial/serial_port.h"
#include "sim/sim_peer.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

namespace {

std::atomic<uint32_t> fakeNow{5000};

uint32_t FakeClock() { return fakeNow.load(); }

uint32_t FrameAtFF(uint8_t* frame, int32_t* length) {
  return *length > 0 && frame[*length - 1] == 0xFF ? FRAME_COMPLETE : FRAME_MORE;
}

}  // namespace

TEST(SimPeer, RepliesComeWhenTheClockHasMoved) {
  SimLine line;
  line.AddCamera(0x66);
  SimPeer peer(line, FakeClock);
  const uint8_t set[4] = {0x88, 0x30, 0x01, 0xFF};
  peer.OnWrite(set, 4);
  uint8_t b = 0;
  EXPECT_EQ(peer.ReadByte(&b), 0);
  fakeNow += 2;
  uint8_t echo[4] = {};
  for (uint8_t& e : echo) ASSERT_EQ(peer.ReadByte(&e), 1);
  EXPECT_EQ(echo[2], 0x02);
  EXPECT_EQ(peer.ReadByte(&b), 0);
  int address = 0;
  peer.WithLine([&](SimLine& l) { address = l.State(0).address; });
  EXPECT_EQ(address, 1);
}

TEST(SimPeer, IoThreadAndTestThreadShareTheLine) {
  SimLine line;
  line.AddCamera(0x66);
  SimPeer peer(line, FakeClock);
  std::atomic<bool> stop{false};
  std::atomic<int> replies{0};
  std::thread io([&] {
    const uint8_t ask[5] = {0x81, 0x09, 0x04, 0x47, 0xFF};
    const uint8_t set[4] = {0x88, 0x30, 0x01, 0xFF};
    peer.OnWrite(set, 4);
    while (!stop.load()) {
      uint8_t b = 0;
      while (peer.ReadByte(&b) == 1) {
        if (b == 0xFF) ++replies;
      }
      peer.OnWrite(ask, 5);
      fakeNow += 1;
      std::this_thread::yield();
    }
  });
  int seen = 0;
  while (replies.load() < 50) {
    peer.WithLine([&](SimLine& l) { seen = l.ReceivedCount(0); });
    std::this_thread::yield();
  }
  stop = true;
  io.join();
  EXPECT_GT(seen, 0);
}

TEST(SimPeer, StandsInForTheDeviceOfASerialChannel) {
  SimLine line;
  line.AddCamera(0x5F);
  line.AddCamera(0x4B);
  SimPeer peer(line, FakeClock);
  SerialPortSetPeer(3, &peer);
  SerialChannel channel;
  ASSERT_EQ(channel.SetCallback(6, FrameAtFF), 0);
  ASSERT_EQ(channel.OpenPort(3), 0);
  const uint8_t set[4] = {0x88, 0x30, 0x01, 0xFF};
  ASSERT_EQ(channel.WriteFrame(set, 4), 0);
  uint8_t frame[81] = {};
  uint32_t length = 0;
  bool got = false;
  for (int i = 0; i < 2000 && !got; ++i) {
    fakeNow += 1;
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
    got = channel.ReadFrame(frame, 80, &length) == 0;
  }
  channel.ClosePort();
  SerialPortSetPeer(3, nullptr);
  ASSERT_TRUE(got);
  ASSERT_EQ(length, 4u);
  EXPECT_EQ(frame[2], 0x03);
}
