#include "net/net_port.h"

#include "net/late_replies.h"
#include "net/net_lookup.h"
#include "net/net_socket.h"
#include "net/udp_hub.h"
#include "net/udp_router.h"
#include "net/visca_ip_session.h"
#include "platform/os.h"

#include <atomic>
#include <cstring>
#include <new>

namespace {

// A TCP connection not made in this long counts as failed.
constexpr uint32_t kConnectTimeoutMs = 3000;
// A line that could not be reached is tried again after this long.
constexpr uint32_t kRetryMs = 1000;
// How often a lookup running aside is looked at.
constexpr uint32_t kLookupPollMs = 20;
constexpr int32_t kMaxFrame = 255;
constexpr uint8_t kPacketEnd = 0xFF;
// An in-process peer has nothing to wait on: it is asked again after this long.
constexpr uint32_t kPeerPollMs = 1;

enum LineState { LINE_LOOKUP, LINE_CONNECTING, LINE_UP, LINE_DOWN };

uint32_t Smaller(uint32_t a, uint32_t b) { return a < b ? a : b; }

// Milliseconds from `now` to `deadline`, 0 once it has passed.
uint32_t Remaining(uint32_t deadline, uint32_t now) {
  const int32_t left = static_cast<int32_t>(deadline - now);
  return left > 0 ? static_cast<uint32_t>(left) : 0;
}

struct PeerEntry {
  uint16_t port = 0;
  NetPeer* peer = nullptr;
};
PeerEntry peerTable[kNetMaxLines];

NetPeer* PeerFor(uint16_t port) {
  for (const PeerEntry& entry : peerTable)
    if (entry.peer != nullptr && entry.port == port) return entry.peer;
  return nullptr;
}

}  // namespace

struct NetPort {
  NetLineConfig config;
  NetWaker* waker = nullptr;
  std::atomic<uint32_t> events{0};
  std::atomic<bool> up{false};
  std::atomic<bool> restartNumbering{false};
  std::atomic<bool> giveUp{false};
  LateReplies late;
  NetPeer* inProcess = nullptr;  // a test's peer in place of the socket
  // Everything below belongs to the thread that opened the port until the
  // I/O thread starts, and to the I/O thread from then on.
  LineState state = LINE_DOWN;
  NetLookup* lookup = nullptr;
  NetAddress peer;
  NetSocket* stream = nullptr;  // tcp
  int route = -1;               // visca-ip and udp: on the shared socket
  uint32_t deadline = 0;        // of the connection attempt, or of the next while down
  ViscaIpSession session;
  uint8_t held[kMaxFrame] = {};  // the newest frame written before the line was up
  int32_t heldLength = 0;
  bool cameUp = false;  // not yet told to the I/O thread
};

namespace {

void Report(NetPort* p, uint32_t event) { p->events.fetch_or(event, std::memory_order_acq_rel); }

// One datagram to the camera, on the shared socket or to the peer in its place.
void SendDatagram(NetPort* p, const uint8_t* data, int32_t length) {
  if (p->inProcess != nullptr) return p->inProcess->OnWrite(data, length);
  UdpHubSend(p->peer, data, length);
}

void ReleaseLine(NetPort* p) {
  if (p->lookup != nullptr) NetLookupEnd(p->lookup);
  if (p->stream != nullptr) NetClose(p->stream);
  UdpHubDetach(p->route);
  p->lookup = nullptr;
  p->stream = nullptr;
  p->route = -1;
}

// Down before it is said: an engine that takes a loss must not find the line
// still up and take it for a loss and a return at once.
void GoDown(NetPort* p, uint32_t event) {
  p->up.store(false, std::memory_order_release);
  Report(p, event);
  ReleaseLine(p);
  p->state = LINE_DOWN;
  p->heldLength = 0;
  p->deadline = OsTickCount() + kRetryMs;
}

// Messages the engine gave up are no longer awaited from the next look at the session on.
void TakeGiveUp(NetPort* p) {
  if (p->giveUp.exchange(false, std::memory_order_acq_rel)) p->session.GiveUp();
}

void SendFrame(NetPort* p, const uint8_t* data, int32_t length) {
  if (p->config.kind == NET_TCP && p->inProcess == nullptr) {
    if (!NetSend(p->stream, data, length, nullptr)) GoDown(p, NET_EVENT_CONNECTION_LOST);
  } else if (p->config.kind != NET_VISCA_IP) {
    SendDatagram(p, data, length);
  } else {
    ViscaIpDatagram d;
    TakeGiveUp(p);
    if (p->restartNumbering.exchange(false, std::memory_order_acq_rel)) {
      p->session.Open(OsTickCount(), &d);
      SendDatagram(p, d.bytes, d.length);
    }
    if (p->session.Send(data, length, OsTickCount(), &d)) SendDatagram(p, d.bytes, d.length);
  }
}

void Up(NetPort* p) {
  p->state = LINE_UP;
  p->cameUp = true;
  p->up.store(true, std::memory_order_release);
  Report(p, NET_EVENT_UP);
  if (p->config.kind == NET_VISCA_IP) {
    ViscaIpDatagram reset;
    p->restartNumbering.store(false, std::memory_order_release);
    p->session.Open(OsTickCount(), &reset);
    SendDatagram(p, reset.bytes, reset.length);
  }
  if (p->heldLength > 0) SendFrame(p, p->held, p->heldLength);
  p->heldLength = 0;
}

void Connect(NetPort* p) {
  if (p->inProcess != nullptr) return p->inProcess->Connect() ? Up(p) : GoDown(p, NET_EVENT_CONNECT_FAILED);
  if (p->config.kind != NET_TCP) {
    p->route = UdpHubAttach(p->peer, p->waker);
    if (p->route < 0) return GoDown(p, NET_EVENT_CONNECT_FAILED);
    return Up(p);
  }
  p->stream = NetTcpConnect(p->peer);
  if (p->stream == nullptr) return GoDown(p, NET_EVENT_CONNECT_FAILED);
  p->state = LINE_CONNECTING;
  p->deadline = OsTickCount() + kConnectTimeoutMs;
}

void StartAttempt(NetPort* p) {
  if (p->inProcess != nullptr) return Connect(p);
  p->lookup = NetLookupStart(p->config.host, p->config.port);
  if (p->lookup == nullptr) return GoDown(p, NET_EVENT_LOOKUP_FAILED);
  p->state = LINE_LOOKUP;
}

// Moves the line on as far as it goes without waiting: a dotted address is
// up (UDP) or connecting (TCP) in one call.
void Advance(NetPort* p) {
  if (p->state == LINE_DOWN && Remaining(p->deadline, OsTickCount()) == 0) StartAttempt(p);
  if (p->state == LINE_LOOKUP) {
    const int found = NetLookupResult(p->lookup, &p->peer);
    if (found == 0) return;
    NetLookupEnd(p->lookup);
    p->lookup = nullptr;
    if (found < 0) return GoDown(p, NET_EVENT_LOOKUP_FAILED);
    Connect(p);
  }
  if (p->state == LINE_CONNECTING) {
    const int connected = NetTcpConnected(p->stream);
    if (connected > 0) return Up(p);
    if (connected < 0 || Remaining(p->deadline, OsTickCount()) == 0) GoDown(p, NET_EVENT_CONNECT_FAILED);
  }
}

// The longest sleep before the line has to be looked at again.
uint32_t MsToNextStep(const NetPort* p) {
  if (p->inProcess != nullptr) return kPeerPollMs;
  return p->state == LINE_LOOKUP ? kLookupPollMs : Remaining(p->deadline, OsTickCount());
}

void SendDueResend(NetPort* p) {
  ViscaIpDatagram d;
  if (p->config.kind == NET_VISCA_IP && p->session.TakeResend(OsTickCount(), &d)) SendDatagram(p, d.bytes, d.length);
}

// What one datagram gives the channel: raw bytes, or a visca-ip reply.
int32_t TakeDatagram(NetPort* p, const uint8_t* datagram, int32_t length, uint8_t* buffer, int32_t capacity) {
  if (p->config.kind == NET_UDP) {
    // One whole VISCA packet per datagram, or nothing: a piece would be glued
    // onto the next packet.
    if (length > ViscaIpDatagram::kMaxPayload || length > capacity || datagram[length - 1] != kPacketEnd) return 0;
    std::memcpy(buffer, datagram, static_cast<size_t>(length));
    return length;
  }
  ViscaIpInput in;
  TakeGiveUp(p);
  p->session.Receive(datagram, length, OsTickCount(), &in);
  for (int32_t i = 0; i < in.sendCount; i++) SendDatagram(p, in.send[i].bytes, in.send[i].length);
  if (in.messageTypeRefused) Report(p, NET_EVENT_MESSAGE_TYPE_REFUSED);
  if (in.lateLength > 0) {
    p->late.Put(in.late, in.lateLength);
    Report(p, NET_EVENT_LATE_REPLY);
  }
  if (in.packetLength > capacity) return 0;
  std::memcpy(buffer, in.packet, static_cast<size_t>(in.packetLength));
  return in.packetLength;
}

// Datagrams that give the channel nothing are passed over, so a queued one
// is never left behind a used-up wake.
int32_t ReceiveDatagrams(NetPort* p, uint8_t* buffer, int32_t capacity, uint32_t waitMs) {
  uint8_t datagram[UdpRouter::kMaxDatagram];
  for (bool waited = false;;) {
    const int32_t length = UdpHubTake(p->route, datagram, sizeof datagram);
    if (length > 0) {
      const int32_t count = TakeDatagram(p, datagram, length, buffer, capacity);
      if (count > 0) return count;
      continue;
    }
    if (waited) return 0;
    const uint32_t resendMs = p->config.kind == NET_VISCA_IP ? p->session.MsToResend(OsTickCount()) : OS_INFINITE;
    NetWait(nullptr, NET_WAIT_READ, p->waker, Smaller(waitMs, resendMs));
    SendDueResend(p);
    waited = true;
  }
}

int32_t ReceiveStream(NetPort* p, uint8_t* buffer, int32_t capacity, uint32_t waitMs) {
  int32_t count = NetReceive(p->stream, buffer, capacity, nullptr);
  if (count == 0) {
    NetWait(p->stream, NET_WAIT_READ, p->waker, waitMs);
    count = NetReceive(p->stream, buffer, capacity, nullptr);
  }
  if (count >= 0) return count;
  GoDown(p, NET_EVENT_CONNECTION_LOST);
  return 0;
}

int32_t ReceiveFromPeer(NetPort* p, uint8_t* buffer, int32_t capacity, uint32_t waitMs) {
  const uint32_t resendMs = p->config.kind == NET_VISCA_IP ? p->session.MsToResend(OsTickCount()) : OS_INFINITE;
  if (waitMs > 0) NetWait(nullptr, NET_WAIT_READ, p->waker, Smaller(kPeerPollMs, resendMs));
  SendDueResend(p);
  uint8_t datagram[UdpRouter::kMaxDatagram];
  const bool stream = p->config.kind == NET_TCP;
  const int32_t length = stream ? p->inProcess->Receive(buffer, capacity)
                                : p->inProcess->Receive(datagram, static_cast<int32_t>(sizeof datagram));
  if (length < 0) GoDown(p, NET_EVENT_CONNECTION_LOST);
  if (length <= 0 || stream) return length > 0 ? length : 0;
  return TakeDatagram(p, datagram, length, buffer, capacity);
}

}  // namespace

NetPort* NetPortOpen(const NetLineConfig& line) {
  NetPort* p = new (std::nothrow) NetPort;
  if (p == nullptr) return nullptr;
  p->config = line;
  p->inProcess = PeerFor(line.port);
  p->waker = NetWakerCreate();
  if (p->waker == nullptr) {
    delete p;
    return nullptr;
  }
  p->deadline = OsTickCount();
  Advance(p);
  return p;
}

int32_t NetPortReceive(NetPort* p, uint8_t* buffer, int32_t capacity, uint32_t waitMs) {
  if (capacity < 1) return 0;
  Advance(p);
  if (p->state == LINE_UP) {
    if (p->inProcess != nullptr) return ReceiveFromPeer(p, buffer, capacity, waitMs);
    return p->stream != nullptr ? ReceiveStream(p, buffer, capacity, waitMs)
                                : ReceiveDatagrams(p, buffer, capacity, waitMs);
  }
  NetSocket* connecting = p->state == LINE_CONNECTING ? p->stream : nullptr;
  NetWait(connecting, NET_WAIT_CONNECT, p->waker, Smaller(waitMs, MsToNextStep(p)));
  Advance(p);
  return 0;
}

void NetPortWake(NetPort* p) { NetWakerSet(p->waker); }

void NetPortWrite(NetPort* p, const uint8_t* data, int32_t length) {
  if (length < 1 || length > kMaxFrame) return;
  Advance(p);
  if (p->state == LINE_UP) return SendFrame(p, data, length);
  if (p->state == LINE_DOWN) return;
  std::memcpy(p->held, data, static_cast<size_t>(length));
  p->heldLength = length;
}

void NetPortClose(NetPort* p) {
  ReleaseLine(p);
  NetWakerDestroy(p->waker);
  delete p;
}

uint32_t NetPortTakeEvents(NetPort* p) { return p->events.exchange(0, std::memory_order_acq_rel); }

bool NetPortHasEvents(NetPort* p) { return p->events.load(std::memory_order_acquire) != 0; }

bool NetPortIsUp(NetPort* p) { return p->up.load(std::memory_order_acquire); }

bool NetPortTakeCameUp(NetPort* p) {
  const bool cameUp = p->cameUp;
  p->cameUp = false;
  return cameUp;
}

void NetPortRestartNumbering(NetPort* p) { p->restartNumbering.store(true, std::memory_order_release); }

void NetPortGiveUpMessages(NetPort* p) { p->giveUp.store(true, std::memory_order_release); }

int32_t NetPortTakeLateReply(NetPort* p, uint8_t* buffer, int32_t capacity) { return p->late.Take(buffer, capacity); }

void NetPortSetPeer(uint16_t port, NetPeer* peer) {
  for (PeerEntry& entry : peerTable)
    if (entry.peer != nullptr && entry.port == port) entry.peer = nullptr;
  for (PeerEntry& entry : peerTable) {
    if (peer == nullptr || entry.peer != nullptr) continue;
    entry.port = port;
    entry.peer = peer;
    return;
  }
}
