// Network lines through a SerialChannel, as the engine drives them, to
// cameras the test plays on 127.0.0.1 where a line must drop or reconnect.
#include "net/net_line.h"
#include "net/udp_hub.h"
#include "tests/serial/serial_test_support.h"

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstring>

namespace {

// Set up as the engine sets up a channel, on a camera at 127.0.0.1.
int OpenLoopback(SerialChannel& channel, NetKind kind, uint16_t port) {
  channel.SetOption(OPTION_FRAMING, FRAMING_CALLBACK_ONLY);
  channel.SetCallback(OPTION_FRAME_END, ViscaFrameEnd);
  NetLineConfig line;
  line.kind = kind;
  line.port = port;
  std::strcpy(line.host, "127.0.0.1");
  return channel.OpenLine(NetLineOpener(line));
}

sockaddr_in Loopback(uint16_t port) {
  sockaddr_in a = {};
  a.sin_family = AF_INET;
  a.sin_port = htons(port);
  a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  return a;
}

uint16_t PortOf(int fd) {
  sockaddr_in a = {};
  socklen_t size = sizeof a;
  getsockname(fd, reinterpret_cast<sockaddr*>(&a), &size);
  return ntohs(a.sin_port);
}

bool Readable(int fd) {
  pollfd p{fd, POLLIN, 0};
  return poll(&p, 1, 3000) > 0;
}

// A socket of the test's own on 127.0.0.1: UDP, or a TCP listener.
struct Socket {
  int fd;
  explicit Socket(int type = SOCK_DGRAM) : fd(socket(AF_INET, type, 0)) {}
  ~Socket() { close(fd); }
  bool Bind(uint16_t port) {
    const sockaddr_in a = Loopback(port);
    return bind(fd, reinterpret_cast<const sockaddr*>(&a), sizeof a) == 0;
  }
  void SendTo(uint16_t port, const Bytes& datagram) {
    const sockaddr_in a = Loopback(port);
    sendto(fd, datagram.data(), datagram.size(), 0, reinterpret_cast<const sockaddr*>(&a), sizeof a);
  }
  // The port a datagram came from within 3 s, 0 when none came.
  uint16_t ReceiveFrom() {
    uint8_t buffer[64];
    sockaddr_in from = {};
    socklen_t size = sizeof from;
    if (!Readable(fd) || recvfrom(fd, buffer, sizeof buffer, 0, reinterpret_cast<sockaddr*>(&from), &size) <= 0)
      return 0;
    return ntohs(from.sin_port);
  }
  // A connection taken within 3 s, -1 when none came.
  int Accept() { return Readable(fd) ? accept(fd, nullptr, nullptr) : -1; }
};

// Port 52381 taken: the shared socket takes another. A raw datagram from an
// address not configured, or not one whole VISCA packet (no end byte, or
// longer than any packet), is dropped, never glued onto the next one.
TEST(NetLine, RawDatagramsFromStrangersOrThatAreNoPacketAreDropped) {
  Socket holder;
  holder.Bind(kViscaIpLocalPort);
  Socket camera;
  ASSERT_TRUE(camera.Bind(0));
  SerialChannel raw;
  ASSERT_EQ(OpenLoopback(raw, NET_UDP, PortOf(camera.fd)), 0);
  EXPECT_NE(UdpHubLocalPort(), 0);
  EXPECT_NE(UdpHubLocalPort(), kViscaIpLocalPort);
  const Bytes inquiry = {0x81, 0x09, 0x04, 0x00, 0xFF};
  ASSERT_EQ(raw.WriteFrame(inquiry.data(), static_cast<int32_t>(inquiry.size())), 0);
  const uint16_t controller = camera.ReceiveFrom();
  ASSERT_NE(controller, 0);
  Socket stranger;
  stranger.SendTo(controller, {0x90, 0x50, 0x02, 0xFF});
  Bytes longer(17, 0x00);
  longer.back() = 0xFF;
  camera.SendTo(controller, {0x90, 0x50, 0x02});
  camera.SendTo(controller, longer);
  camera.SendTo(controller, {0x90, 0x50, 0x03, 0xFF});
  EXPECT_EQ(NextFrame(raw), (Bytes{0x90, 0x50, 0x03, 0xFF}));
  EXPECT_EQ(raw.TakeLineEvents(), NET_EVENT_UP);
}

// A TCP connection that ends in the middle of a packet: the line connects
// again a second later, and the piece is not joined to the new bytes.
TEST(NetLine, TcpLineReconnectsAndDropsThePieceOfAPacket) {
  Socket bridge(SOCK_STREAM);
  ASSERT_TRUE(bridge.Bind(0));
  ASSERT_EQ(listen(bridge.fd, 1), 0);
  SerialChannel tcp;
  ASSERT_EQ(OpenLoopback(tcp, NET_TCP, PortOf(bridge.fd)), 0);
  int connection = bridge.Accept();
  ASSERT_GE(connection, 0);
  const uint8_t piece[] = {0x90, 0x50};
  ASSERT_EQ(send(connection, piece, sizeof piece, 0), 2);
  close(connection);
  connection = bridge.Accept();
  ASSERT_GE(connection, 0);
  const uint8_t ack[] = {0x90, 0x41, 0xFF};
  ASSERT_EQ(send(connection, ack, sizeof ack, 0), 3);
  EXPECT_EQ(NextFrame(tcp), (Bytes{0x90, 0x41, 0xFF}));
  EXPECT_EQ(tcp.TakeLineEvents(), NET_EVENT_UP | NET_EVENT_CONNECTION_LOST);
  close(connection);
}

}  // namespace
