// A visca-ip line over the platform's own sockets (Winsock under Wine, BSD
// natively) to a camera the test plays on 127.0.0.1: the RESET when it opens,
// the resend of an unanswered message, and the answer passed on.
#include "net/net_port.h"
#include "net/net_socket.h"
#include "platform/os.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

namespace {

using Bytes = std::vector<uint8_t>;

constexpr uint32_t kWaitMs = 3000;
constexpr uint32_t kStepMs = 10;

// The camera's end: a datagram within kWaitMs (empty: none) and its sender.
Bytes CameraTakes(NetSocket* camera, NetWaker* waker, NetAddress* from) {
  const uint32_t start = OsTickCount();
  uint8_t buffer[64];
  for (;;) {
    const int32_t n = NetReceive(camera, buffer, sizeof buffer, from);
    if (n > 0) return Bytes(buffer, buffer + n);
    const uint32_t waited = OsTickCount() - start;
    if (waited >= kWaitMs) return {};
    NetWait(camera, NET_WAIT_READ, waker, kWaitMs - waited);
  }
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
  NetWaker* waker = NetWakerCreate();
  ASSERT_NE(camera, nullptr);
  ASSERT_NE(waker, nullptr);
  NetLineConfig line;
  line.kind = NET_VISCA_IP;
  line.port = cameraPort;
  std::strcpy(line.host, "127.0.0.1");
  NetPort* port = NetPortOpen(line);
  ASSERT_NE(port, nullptr);

  NetAddress controller;
  EXPECT_EQ(CameraTakes(camera, waker, &controller), (Bytes{0x02, 0x00, 0x00, 0x01, 0x00, 0x00, 0x00, 0x00, 0x01}));
  const Bytes resetDone = {0x02, 0x01, 0x00, 0x01, 0x00, 0x00, 0x00, 0x00, 0x01};
  NetSend(camera, resetDone.data(), static_cast<int32_t>(resetDone.size()), &controller);
  const uint8_t inquiry[] = {0x81, 0x09, 0x04, 0x47, 0xFF};
  NetPortWrite(port, inquiry, sizeof inquiry);
  const Bytes message = {0x01, 0x10, 0x00, 0x05, 0x00, 0x00, 0x00, 0x01, 0x81, 0x09, 0x04, 0x47, 0xFF};
  EXPECT_EQ(CameraTakes(camera, waker, &controller), message);
  // Unanswered: the line sends it once more while it waits for the answer.
  Bytes resent;
  EXPECT_EQ(LineReceives(port, camera, &resent), Bytes{});
  EXPECT_EQ(resent, message);
  const Bytes answer = {0x01, 0x11, 0x00, 0x07, 0x00, 0x00, 0x00, 0x01, 0x90, 0x50, 0x01, 0x02, 0x03, 0x04, 0xFF};
  NetSend(camera, answer.data(), static_cast<int32_t>(answer.size()), &controller);
  EXPECT_EQ(LineReceives(port), (Bytes{0x90, 0x50, 0x01, 0x02, 0x03, 0x04, 0xFF}));
  EXPECT_EQ(NetPortTakeEvents(port), NET_EVENT_UP);

  NetPortClose(port);
  NetWakerDestroy(waker);
  NetClose(camera);
}

}  // namespace
