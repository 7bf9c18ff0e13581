// Network lines through a SerialChannel, as the engine will drive them,
// against camsim on 127.0.0.1: visca-ip over UDP and a chain over TCP.
#include "net/udp_hub.h"
#include "serial/serial_channel.h"
#include "tests/support/camsim_child.h"
#include "tests/support/wait_for.h"

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <sys/socket.h>

#include <cstring>
#include <vector>

namespace {

using Bytes = std::vector<uint8_t>;

uint32_t ViscaFrameEnd(uint8_t* frame, int32_t* length) {
  return *length > 0 && frame[*length - 1] == 0xFF ? FRAME_COMPLETE : FRAME_MORE;
}

// Set up as the engine sets up a channel, on a camera at 127.0.0.1.
int OpenLoopback(SerialChannel& channel, NetKind kind, uint16_t port) {
  channel.SetOption(OPTION_FRAMING, FRAMING_CALLBACK_ONLY);
  channel.SetCallback(OPTION_FRAME_END, ViscaFrameEnd);
  NetLineConfig line;
  line.kind = kind;
  line.port = port;
  std::strcpy(line.host, "127.0.0.1");
  return channel.OpenNetworkLine(line);
}

// Writes a packet and returns the next frame that comes back (empty after 3 s).
Bytes Ask(SerialChannel& channel, const Bytes& packet) {
  EXPECT_EQ(channel.WriteFrame(packet.data(), static_cast<int32_t>(packet.size())), 0);
  uint8_t buffer[256];
  uint32_t length = 0;
  if (!WaitFor([&] { return channel.ReadFrame(buffer, 255, &length) == 0; })) return {};
  return Bytes(buffer, buffer + length);
}

// A UDP socket of the test's own on 127.0.0.1.
struct Udp {
  int fd = socket(AF_INET, SOCK_DGRAM, 0);
  ~Udp() { close(fd); }
  static sockaddr_in To(uint16_t port) {
    sockaddr_in a = {};
    a.sin_family = AF_INET;
    a.sin_port = htons(port);
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    return a;
  }
  bool Bind(uint16_t port) {
    sockaddr_in a = To(port);
    return bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0;
  }
  void SendTo(uint16_t port, const Bytes& datagram) {
    sockaddr_in a = To(port);
    sendto(fd, datagram.data(), datagram.size(), 0, reinterpret_cast<sockaddr*>(&a), sizeof a);
  }
};

TEST(NetLine, CamerasOverUdpViscaIpAndTcpAnswerThroughTheChannel) {
  Camsim sim("--profile fast --line 0x66 --udp 0 --line 0x4B --udp-raw 0 --line 0x4B,0x5F --tcp 0");
  ASSERT_TRUE(sim.ReadUntil("stop with Ctrl+C")) << sim.text;
  // Port 52381 taken: the shared socket takes another and says which.
  Udp holder;
  holder.Bind(kViscaIpLocalPort);

  SerialChannel raw;
  ASSERT_EQ(OpenLoopback(raw, NET_UDP, sim.LoopbackPort(1)), 0);
  EXPECT_NE(UdpHubLocalPort(), 0);
  EXPECT_NE(UdpHubLocalPort(), kViscaIpLocalPort);
  // A reply from an address not configured, queued ahead of the camera's,
  // never reaches the engine.
  Udp stranger;
  stranger.SendTo(UdpHubLocalPort(), {0x90, 0x50, 0x03, 0xFF});
  EXPECT_EQ(Ask(raw, {0x81, 0x09, 0x04, 0x00, 0xFF}), (Bytes{0x90, 0x50, 0x02, 0xFF}));

  SerialChannel udp;
  ASSERT_EQ(OpenLoopback(udp, NET_VISCA_IP, sim.LoopbackPort(0)), 0);
  EXPECT_EQ(Ask(udp, {0x81, 0x09, 0x00, 0x02, 0xFF}),
            (Bytes{0x90, 0x50, 0x00, 0x20, 0x04, 0x66, 0x01, 0x00, 0x02, 0xFF}));
  EXPECT_EQ(Ask(udp, {0x81, 0x01, 0x04, 0x42, 0x00, 0x00, 0x00, 0x09, 0xFF}), (Bytes{0x90, 0x41, 0xFF}));
  uint8_t buffer[256];
  uint32_t length = 0;
  ASSERT_TRUE(WaitFor([&] { return udp.ReadFrame(buffer, 255, &length) == 0; }));
  EXPECT_EQ(Bytes(buffer, buffer + length), (Bytes{0x90, 0x51, 0xFF}));
  EXPECT_EQ(Ask(udp, {0x81, 0x09, 0x04, 0x42, 0xFF}), (Bytes{0x90, 0x50, 0x00, 0x00, 0x00, 0x09, 0xFF}));
  EXPECT_EQ(udp.TakeLineEvents(), NET_EVENT_UP);

  SerialChannel tcp;
  ASSERT_EQ(OpenLoopback(tcp, NET_TCP, sim.LoopbackPort(2)), 0);
  EXPECT_EQ(Ask(tcp, {0x88, 0x30, 0x01, 0xFF}), (Bytes{0x88, 0x30, 0x03, 0xFF}));
  EXPECT_EQ(Ask(tcp, {0x82, 0x09, 0x00, 0x02, 0xFF}),
            (Bytes{0xA0, 0x50, 0x00, 0x20, 0x04, 0x5F, 0x01, 0x00, 0x02, 0xFF}));
  EXPECT_EQ(tcp.TakeLineEvents(), NET_EVENT_UP);
}

}  // namespace
