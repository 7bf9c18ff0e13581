// A datagram line on the shared UDP socket: raw VISCA, one packet per
// datagram, or visca-ip, each packet behind its header and number
// (ViscaIpSession: RESET when the line comes up, resends while it sleeps).
#include "net/late_replies.h"
#include "net/net_link.h"
#include "net/udp_hub.h"
#include "net/udp_router.h"
#include "net/visca_ip_session.h"
#include "platform/os.h"

#include <atomic>
#include <cstring>

namespace {

constexpr uint8_t kPacketEnd = 0xFF;

struct DatagramLine : NetLink {
  std::atomic<bool> restartNumbering{false};
  std::atomic<bool> giveUp{false};
  LateReplies late;
  // The I/O thread's, as NetLink's state is.
  int route = -1;
  ViscaIpSession session;
};

DatagramLine* Datagram(NetLink* link) { return static_cast<DatagramLine*>(link); }

bool ViscaIp(const DatagramLine* d) { return d->config.kind == NET_VISCA_IP; }

// One datagram to the camera, on the shared socket or to the peer in its place.
void SendDatagram(DatagramLine* d, const uint8_t* data, int32_t length) {
  if (d->inProcess != nullptr) return d->inProcess->OnWrite(data, length);
  UdpHubSend(d->peer, data, length);
}

// Messages the engine gave up are no longer awaited from the next look at the session on.
void TakeGiveUp(DatagramLine* d) {
  if (d->giveUp.exchange(false, std::memory_order_acq_rel)) d->session.GiveUp();
}

void Connect(NetLink* link) {
  DatagramLine* d = Datagram(link);
  d->route = UdpHubAttach(d->peer, d->waker);
  if (d->route < 0) return NetLinkGoDown(d, NET_EVENT_CONNECT_FAILED);
  NetLinkUp(d);
}

void CameUp(NetLink* link) {
  DatagramLine* d = Datagram(link);
  if (!ViscaIp(d)) return;
  ViscaIpDatagram reset;
  d->restartNumbering.store(false, std::memory_order_release);
  d->session.Open(OsTickCount(), &reset);
  SendDatagram(d, reset.bytes, reset.length);
}

void Send(NetLink* link, const uint8_t* data, int32_t length) {
  DatagramLine* d = Datagram(link);
  if (!ViscaIp(d)) return SendDatagram(d, data, length);
  ViscaIpDatagram out;
  TakeGiveUp(d);
  if (d->restartNumbering.exchange(false, std::memory_order_acq_rel)) {
    d->session.Open(OsTickCount(), &out);
    SendDatagram(d, out.bytes, out.length);
  }
  if (d->session.Send(data, length, OsTickCount(), &out)) SendDatagram(d, out.bytes, out.length);
}

void Release(NetLink* link) {
  DatagramLine* d = Datagram(link);
  UdpHubDetach(d->route);
  d->route = -1;
}

void SendDueResend(DatagramLine* d) {
  ViscaIpDatagram out;
  if (ViscaIp(d) && d->session.TakeResend(OsTickCount(), &out)) SendDatagram(d, out.bytes, out.length);
}

uint32_t MsToResend(DatagramLine* d) { return ViscaIp(d) ? d->session.MsToResend(OsTickCount()) : OS_INFINITE; }

// What one datagram gives the channel: raw bytes, or a visca-ip reply.
int32_t TakeDatagram(DatagramLine* d, const uint8_t* datagram, int32_t length, uint8_t* buffer, int32_t capacity) {
  if (d->config.kind == NET_UDP) {
    // One whole VISCA packet per datagram, or nothing: a piece would be glued
    // onto the next packet.
    if (length > ViscaIpDatagram::kMaxPayload || length > capacity || datagram[length - 1] != kPacketEnd) return 0;
    std::memcpy(buffer, datagram, static_cast<size_t>(length));
    return length;
  }
  ViscaIpInput in;
  TakeGiveUp(d);
  d->session.Receive(datagram, length, OsTickCount(), &in);
  for (int32_t i = 0; i < in.sendCount; i++) SendDatagram(d, in.send[i].bytes, in.send[i].length);
  if (in.messageTypeRefused) NetLinkReport(d, NET_EVENT_MESSAGE_TYPE_REFUSED);
  if (in.lateLength > 0) {
    d->late.Put(in.late, in.lateLength);
    NetLinkReport(d, NET_EVENT_LATE_REPLY);
  }
  if (in.packetLength > capacity) return 0;
  std::memcpy(buffer, in.packet, static_cast<size_t>(in.packetLength));
  return in.packetLength;
}

// Datagrams that give the channel nothing are passed over, so a queued one
// is never left behind a used-up wake.
int32_t ReceiveDatagrams(DatagramLine* d, uint8_t* buffer, int32_t capacity, uint32_t waitMs) {
  uint8_t datagram[UdpRouter::kMaxDatagram];
  for (bool waited = false;;) {
    const int32_t length = UdpHubTake(d->route, datagram, sizeof datagram);
    if (length > 0) {
      const int32_t count = TakeDatagram(d, datagram, length, buffer, capacity);
      if (count > 0) return count;
      continue;
    }
    if (waited) return 0;
    NetWait(nullptr, NET_WAIT_READ, d->waker, Smaller(waitMs, MsToResend(d)));
    SendDueResend(d);
    waited = true;
  }
}

int32_t ReceiveFromPeer(DatagramLine* d, uint8_t* buffer, int32_t capacity, uint32_t waitMs) {
  if (waitMs > 0) NetWait(nullptr, NET_WAIT_READ, d->waker, Smaller(kPeerPollMs, MsToResend(d)));
  SendDueResend(d);
  uint8_t datagram[UdpRouter::kMaxDatagram];
  const int32_t length = d->inProcess->Receive(datagram, static_cast<int32_t>(sizeof datagram));
  if (length < 0) NetLinkGoDown(d, NET_EVENT_CONNECTION_LOST);
  if (length <= 0) return 0;
  return TakeDatagram(d, datagram, length, buffer, capacity);
}

int32_t Receive(NetLink* link, uint8_t* buffer, int32_t capacity, uint32_t waitMs) {
  DatagramLine* d = Datagram(link);
  return d->inProcess != nullptr ? ReceiveFromPeer(d, buffer, capacity, waitMs)
                                 : ReceiveDatagrams(d, buffer, capacity, waitMs);
}

// Joining the shared socket never waits.
NetSocket* Connecting(NetLink*) { return nullptr; }

const LinkSteps kDatagramSteps = {Connect, CameUp, Send, Receive, Connecting, Release};

LineHandle* Open(const void* config) { return NetLinkOpen<DatagramLine>(config, &kDatagramSteps); }

// Any thread: the I/O thread takes both at its next look at the session.
void RestartNumbering(LineHandle* line) {
  Datagram(LinkOf(line))->restartNumbering.store(true, std::memory_order_release);
}

void GiveUpMessages(LineHandle* line) { Datagram(LinkOf(line))->giveUp.store(true, std::memory_order_release); }

int32_t TakeLateReply(LineHandle* line, uint8_t* buffer, int32_t capacity) {
  return Datagram(LinkOf(line))->late.Take(buffer, capacity);
}

}  // namespace

// In the order of LineOps.
const LineOps kDatagramLineOps = {
    LINE_KIND_DATAGRAM,
    Open,
    NetLinkReceive,
    NetLinkWrite,
    NetLinkTakeCameUp,
    NetLinkLost,
    NetLinkEndReceive,
    NetLinkWake,
    NetLinkHasEvents,
    NetLinkTakeEvents,
    NetLinkIsUp,
    RestartNumbering,
    GiveUpMessages,
    TakeLateReply,
    NetLinkClose<DatagramLine>,
};
