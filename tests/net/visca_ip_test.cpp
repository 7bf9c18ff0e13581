// The VISCA-over-IP header and sequence rules of one line on a virtual clock
// (exact datagrams out, what reaches the engine, resends and RESET), then a
// line over the platform's own sockets (Winsock under Wine, BSD natively) to
// a camera the test plays on 127.0.0.1.
#include "net/net_port.h"
#include "net/net_socket.h"
#include "net/visca_ip_session.h"
#include "platform/os.h"
#include "tests/support/wait_for.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

namespace {

using Bytes = std::vector<uint8_t>;

Bytes Of(const ViscaIpDatagram& d) { return Bytes(d.bytes, d.bytes + d.length); }

struct Line {
  ViscaIpSession session;
  uint32_t now = 1000;

  Bytes Open() {
    ViscaIpDatagram d;
    session.Open(now, &d);
    return Of(d);
  }
  Bytes Send(const Bytes& packet) {
    ViscaIpDatagram d;
    EXPECT_TRUE(session.Send(packet.data(), static_cast<int32_t>(packet.size()), now, &d));
    return Of(d);
  }
  // The packet the engine gets from a datagram (empty: dropped).
  Bytes Receive(const Bytes& datagram, ViscaIpInput* in = nullptr) {
    ViscaIpInput local;
    if (in == nullptr) in = &local;
    session.Receive(datagram.data(), static_cast<int32_t>(datagram.size()), now, in);
    return Bytes(in->packet, in->packet + in->packetLength);
  }
  Bytes ResendAt(uint32_t at) {
    now = at;
    ViscaIpDatagram d;
    return session.TakeResend(now, &d) ? Of(d) : Bytes{};
  }
};

const Bytes kZoomTele = {0x81, 0x01, 0x04, 0x07, 0x02, 0xFF};
const Bytes kZoomInquiry = {0x81, 0x09, 0x04, 0x47, 0xFF};

TEST(ViscaIp, ResetOpensThenOneNumberPerMessage) {
  Line line;
  EXPECT_EQ(line.Open(), (Bytes{0x02, 0x00, 0x00, 0x01, 0x00, 0x00, 0x00, 0x00, 0x01}));
  EXPECT_EQ(line.Receive({0x02, 0x01, 0x00, 0x01, 0x00, 0x00, 0x00, 0x00, 0x01}), Bytes{});  // RESET done
  EXPECT_EQ(line.ResendAt(1500), Bytes{});                                                   // answered: no resend
  EXPECT_EQ(line.Send(kZoomTele),
            (Bytes{0x01, 0x00, 0x00, 0x06, 0x00, 0x00, 0x00, 0x01, 0x81, 0x01, 0x04, 0x07, 0x02, 0xFF}));
  EXPECT_EQ(line.Receive({0x01, 0x11, 0x00, 0x03, 0x00, 0x00, 0x00, 0x01, 0x90, 0x41, 0xFF}),
            (Bytes{0x90, 0x41, 0xFF}));
  EXPECT_EQ(line.Receive({0x01, 0x11, 0x00, 0x03, 0x00, 0x00, 0x00, 0x01, 0x90, 0x51, 0xFF}),
            (Bytes{0x90, 0x51, 0xFF}));
  EXPECT_EQ(line.Send(kZoomInquiry),
            (Bytes{0x01, 0x10, 0x00, 0x05, 0x00, 0x00, 0x00, 0x02, 0x81, 0x09, 0x04, 0x47, 0xFF}));
}

TEST(ViscaIp, LostReplyIsSentOnceMoreWithItsNumberAndLateRepliesCountOnce) {
  Line line;
  line.Open();
  line.now = 2000;
  const Bytes sent = line.Send(kZoomTele);
  EXPECT_EQ(line.session.MsToResend(2040), 60u);
  EXPECT_EQ(line.ResendAt(2099), Bytes{});
  EXPECT_EQ(line.ResendAt(2100), sent);
  EXPECT_EQ(line.ResendAt(2500), Bytes{});  // one resend only
  EXPECT_EQ(line.session.MsToResend(2500), ViscaIpSession::kNoResend);
  // Both the message and its resend are answered; the engine sees each reply once.
  const Bytes ack = {0x01, 0x11, 0x00, 0x03, 0x00, 0x00, 0x00, 0x01, 0x90, 0x41, 0xFF};
  const Bytes done = {0x01, 0x11, 0x00, 0x03, 0x00, 0x00, 0x00, 0x01, 0x90, 0x51, 0xFF};
  EXPECT_EQ(line.Receive(ack), (Bytes{0x90, 0x41, 0xFF}));
  EXPECT_EQ(line.Receive(ack), Bytes{});
  EXPECT_EQ(line.Receive(done), (Bytes{0x90, 0x51, 0xFF}));
  EXPECT_EQ(line.Receive(done), Bytes{});
  // A completion whose acknowledge was lost brings it, as a serial line has both.
  line.Send(kZoomTele);  // 2
  EXPECT_EQ(line.Receive({0x01, 0x11, 0x00, 0x03, 0x00, 0x00, 0x00, 0x02, 0x90, 0x52, 0xFF}),
            (Bytes{0x90, 0x42, 0xFF, 0x90, 0x52, 0xFF}));
  EXPECT_EQ(line.Receive({0x01, 0x11, 0x00, 0x03, 0x00, 0x00, 0x00, 0x02, 0x90, 0x42, 0xFF}), Bytes{});
}

// Two commands back to back (model 0x40's iris, then gain): the replies of
// both go on, each once, and the first's number is awaited until its
// completion; only the newest is resent, and any other number is dropped.
TEST(ViscaIp, BackToBackCommandsHaveBothNumbersAwaited) {
  Line line;
  line.Open();
  line.Send({0x81, 0x01, 0x04, 0x4B, 0x00, 0x00, 0x00, 0x09, 0xFF});                     // 1
  const Bytes gain = line.Send({0x81, 0x01, 0x04, 0x4C, 0x00, 0x00, 0x00, 0x03, 0xFF});  // 2
  EXPECT_EQ(line.ResendAt(line.now + 100), gain);
  const struct {
    Bytes datagram;
    Bytes passed;
  } rows[] = {
      {{0x01, 0x11, 0x00, 0x03, 0x00, 0x00, 0x00, 0x03, 0x90, 0x41, 0xFF}, {}},  // not sent yet
      {{0x01, 0x11, 0x00, 0x03, 0x00, 0x00, 0x00, 0x01, 0x90, 0x41, 0xFF}, {0x90, 0x41, 0xFF}},
      {{0x01, 0x11, 0x00, 0x03, 0x00, 0x00, 0x00, 0x02, 0x90, 0x42, 0xFF}, {0x90, 0x42, 0xFF}},
      {{0x01, 0x11, 0x00, 0x03, 0x00, 0x00, 0x00, 0x01, 0x90, 0x41, 0xFF}, {}},  // again
      {{0x01, 0x11, 0x00, 0x03, 0x00, 0x00, 0x00, 0x01, 0x90, 0x51, 0xFF}, {0x90, 0x51, 0xFF}},
      {{0x01, 0x11, 0x00, 0x04, 0x00, 0x00, 0x00, 0x01, 0x90, 0x61, 0x41, 0xFF}, {}},  // 1 is over
      {{0x01, 0x11, 0x00, 0x03, 0x00, 0x00, 0x00, 0x02, 0x90, 0x52, 0xFF}, {0x90, 0x52, 0xFF}},
  };
  for (const auto& row : rows) EXPECT_EQ(line.Receive(row.datagram), row.passed) << int{row.datagram[7]};
  // A message after a completed one leaves nothing earlier awaited.
  line.Send(kZoomInquiry);  // 3
  EXPECT_EQ(line.Receive({0x01, 0x11, 0x00, 0x04, 0x00, 0x00, 0x00, 0x02, 0x90, 0x62, 0x41, 0xFF}), Bytes{});
}

// Replies with another number or of the wrong size count for nothing: the
// message is still unanswered and resent; the awaited number's answer passes.
TEST(ViscaIp, OnlyTheAwaitedNumbersWellFormedRepliesCount) {
  Line line;
  line.Open();
  line.Send(kZoomTele);                        // 1
  const Bytes sent = line.Send(kZoomInquiry);  // 2
  const Bytes bad[] = {
      {0x01, 0x11, 0x00, 0x03, 0x00, 0x00, 0x00, 0x03, 0x90, 0x51, 0xFF},  // number 3
      {0x01},
      {0x01, 0x11, 0x00, 0x00, 0x00, 0x00, 0x00, 0x02},                    // no payload
      {0x01, 0x11, 0x00, 0x04, 0x00, 0x00, 0x00, 0x02, 0x90, 0x41, 0xFF},  // says 4, carries 3
      {0x01, 0x11, 0x00, 0x02, 0x00, 0x00, 0x00, 0x02, 0x90, 0x41, 0xFF},  // says 2, carries 3
      {0x01, 0x11, 0x00, 0x02, 0x00, 0x00, 0x00, 0x02, 0x90, 0x41},        // no packet end
      {0x01, 0x00, 0x00, 0x03, 0x00, 0x00, 0x00, 0x02, 0x90, 0x41, 0xFF},  // a command, not a reply
  };
  for (const Bytes& datagram : bad) EXPECT_EQ(line.Receive(datagram), Bytes{}) << datagram.size();
  Bytes big = {0x01, 0x11, 0x07, 0xC8, 0x00, 0x00, 0x00, 0x02};
  big.resize(2008, 0x90);
  EXPECT_EQ(line.Receive(big), Bytes{});
  EXPECT_EQ(line.ResendAt(line.now + 100), sent);
  const Bytes answer = {0x90, 0x50, 0x01, 0x02, 0x03, 0x04, 0xFF};
  Bytes datagram = {0x01, 0x11, 0x00, 0x07, 0x00, 0x00, 0x00, 0x02};
  datagram.insert(datagram.end(), answer.begin(), answer.end());
  EXPECT_EQ(line.Receive(datagram), answer);
}

TEST(ViscaIp, SequenceErrorIsAnsweredWithResetAndOneResend) {
  Line line;
  line.Open();
  line.Send(kZoomTele);
  line.Send(kZoomInquiry);  // 2
  ViscaIpInput in;
  EXPECT_EQ(line.Receive({0x02, 0x01, 0x00, 0x02, 0x00, 0x00, 0x00, 0x02, 0x0F, 0x01}, &in), Bytes{});
  ASSERT_EQ(in.sendCount, 2);
  EXPECT_EQ(Of(in.send[0]), (Bytes{0x02, 0x00, 0x00, 0x01, 0x00, 0x00, 0x00, 0x00, 0x01}));
  EXPECT_EQ(Of(in.send[1]), (Bytes{0x01, 0x10, 0x00, 0x05, 0x00, 0x00, 0x00, 0x01, 0x81, 0x09, 0x04, 0x47, 0xFF}));
  EXPECT_EQ(line.ResendAt(line.now + 200), Bytes{});  // that was its one resend
  // A second sequence error resets the numbering without another resend.
  line.Receive({0x02, 0x01, 0x00, 0x02, 0x00, 0x00, 0x00, 0x01, 0x0F, 0x01}, &in);
  EXPECT_EQ(in.sendCount, 1);
  EXPECT_EQ(line.Send(kZoomTele)[7], 0x01);
}

constexpr uint32_t kWaitMs = 3000;
constexpr uint32_t kStepMs = 10;

// The camera's end: a datagram within kWaitMs (empty: none) and its sender.
Bytes CameraTakes(NetSocket* camera, NetAddress* from) {
  uint8_t buffer[64];
  int32_t n = 0;
  WaitFor([&] { return (n = NetReceive(camera, buffer, sizeof buffer, from)) > 0; }, kWaitMs);
  return Bytes(buffer, buffer + (n > 0 ? n : 0));
}

// What the line passes on within kWaitMs, and what reaches the camera
// meanwhile (the line sends its resends while it waits).
Bytes LineReceives(NetPort* port, NetSocket* camera = nullptr, Bytes* cameraGot = nullptr) {
  const uint32_t start = OsTickCount();
  uint8_t buffer[64];
  for (;;) {
    const int32_t n = NetPortReceive(port, buffer, sizeof buffer, kStepMs);
    if (n > 0) return Bytes(buffer, buffer + n);
    NetAddress from;
    const int32_t got = camera != nullptr ? NetReceive(camera, buffer, sizeof buffer, &from) : 0;
    if (got > 0) cameraGot->assign(buffer, buffer + got);
    if (got > 0 || OsTickCount() - start >= kWaitMs) return {};
  }
}

TEST(NetPort, ViscaIpLineResetsResendsAndPassesTheAnswerOn) {
  uint16_t cameraPort = 0;
  NetSocket* camera = NetUdpOpen(0, &cameraPort);
  ASSERT_NE(camera, nullptr);
  NetLineConfig line;
  line.kind = NET_VISCA_IP;
  line.port = cameraPort;
  std::strcpy(line.host, "127.0.0.1");
  NetPort* port = NetPortOpen(line);
  ASSERT_NE(port, nullptr);

  NetAddress controller;
  EXPECT_EQ(CameraTakes(camera, &controller), (Bytes{0x02, 0x00, 0x00, 0x01, 0x00, 0x00, 0x00, 0x00, 0x01}));
  const Bytes resetDone = {0x02, 0x01, 0x00, 0x01, 0x00, 0x00, 0x00, 0x00, 0x01};
  NetSend(camera, resetDone.data(), static_cast<int32_t>(resetDone.size()), &controller);
  const uint8_t inquiry[] = {0x81, 0x09, 0x04, 0x47, 0xFF};
  NetPortWrite(port, inquiry, sizeof inquiry);
  const Bytes message = {0x01, 0x10, 0x00, 0x05, 0x00, 0x00, 0x00, 0x01, 0x81, 0x09, 0x04, 0x47, 0xFF};
  EXPECT_EQ(CameraTakes(camera, &controller), message);
  // Unanswered: the line sends it once more while it waits for the answer.
  Bytes resent;
  EXPECT_EQ(LineReceives(port, camera, &resent), Bytes{});
  EXPECT_EQ(resent, message);
  const Bytes answer = {0x01, 0x11, 0x00, 0x07, 0x00, 0x00, 0x00, 0x01, 0x90, 0x50, 0x01, 0x02, 0x03, 0x04, 0xFF};
  NetSend(camera, answer.data(), static_cast<int32_t>(answer.size()), &controller);
  EXPECT_EQ(LineReceives(port), (Bytes{0x90, 0x50, 0x01, 0x02, 0x03, 0x04, 0xFF}));
  EXPECT_EQ(NetPortTakeEvents(port), NET_EVENT_UP);

  NetPortClose(port);
  NetClose(camera);
}

}  // namespace
