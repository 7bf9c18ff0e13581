// A channel opened without an I/O thread (the fuzz targets' rig): the bytes a
// test hands it are cut, stored and reset exactly as the I/O thread's are, and
// queued frames reach the port only when the test sends them.
#include "tests/serial/serial_test_support.h"

namespace {

struct RecordingPeer : SerialPeer {
  std::vector<Bytes> written;
  void OnWrite(const uint8_t* data, int32_t length) override { written.emplace_back(data, data + length); }
  int ReadByte(uint8_t*) override { return 0; }
};

class ManualIoChannel : public ::testing::Test {
 protected:
  void SetUp() override {
    SerialChannel::SetManualIoForTest(true);
    SerialPortSetDevice(kPort, "");
    SerialPortSetPeer(kPort, &peer);
    ConfigureLikeTheEngine(channel);
    ASSERT_EQ(channel.OpenPort(kPort), 0);
  }
  void TearDown() override {
    channel.ClosePort();
    SerialPortSetPeer(kPort, nullptr);
    SerialPortSetDevice(kPort, nullptr);
    SerialChannel::SetManualIoForTest(false);
  }
  Bytes Read() {
    uint8_t buffer[256];
    uint32_t length = 0;
    return channel.ReadFrame(buffer, 255, &length) == 0 ? Bytes(buffer, buffer + length) : Bytes{};
  }
  static constexpr uint32_t kPort = 7;
  RecordingPeer peer;
  SerialChannel channel;
};

TEST_F(ManualIoChannel, ReceivedBytesAreCutStoredAndResetLikeTheLines) {
  const Bytes burst = {0x90, 0x41, 0xFF, 0x90, 0x51, 0xFF, 0x90, 0x50};
  channel.ReceiveBytesForTest(burst.data(), static_cast<int32_t>(burst.size()));
  EXPECT_EQ(Read(), (Bytes{0x90, 0x41, 0xFF}));
  EXPECT_EQ(Read(), (Bytes{0x90, 0x51, 0xFF}));
  EXPECT_EQ(Read(), Bytes{}) << "90 50 is not a frame yet";
  channel.ResetBuffers(true, false);  // forgets the half-collected 90 50
  const Bytes rest = {0x02, 0xFF};
  channel.ReceiveBytesForTest(rest.data(), static_cast<int32_t>(rest.size()));
  EXPECT_EQ(Read(), (Bytes{0x02, 0xFF}));
}

TEST_F(ManualIoChannel, QueuedFramesLeaveOnlyWhenSentInOrder) {
  const Bytes first = {0x81, 0x09, 0x04, 0x47, 0xFF}, second = {0x88, 0x30, 0x01, 0xFF};
  ASSERT_EQ(channel.WriteFrame(first.data(), static_cast<int32_t>(first.size())), 0);
  ASSERT_EQ(channel.WriteFrame(second.data(), static_cast<int32_t>(second.size())), 0);
  EXPECT_TRUE(peer.written.empty()) << "no I/O thread sends by itself";
  channel.SendQueuedForTest();
  EXPECT_EQ(peer.written, (std::vector<Bytes>{first, second}));
}

}  // namespace
