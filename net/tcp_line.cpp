// A TCP line: raw VISCA bytes on one connection, made again when it drops.
#include "net/net_link.h"
#include "platform/os.h"

namespace {

struct TcpLine : NetLink {
  NetSocket* stream = nullptr;
};

TcpLine* Tcp(NetLink* link) { return static_cast<TcpLine*>(link); }

void Connect(NetLink* link) {
  TcpLine* t = Tcp(link);
  if (t->stream == nullptr) {
    t->stream = NetTcpConnect(t->peer);
    if (t->stream == nullptr) return NetLinkGoDown(t, NET_EVENT_CONNECT_FAILED);
    t->state = LINK_CONNECTING;
    t->deadline = OsTickCount() + kConnectTimeoutMs;
    return;
  }
  const NetConnectState connected = NetTcpConnected(t->stream);
  if (connected == NET_CONNECT_MADE) return NetLinkUp(t);
  if (connected == NET_CONNECT_REFUSED || Remaining(t->deadline, OsTickCount()) == 0)
    NetLinkGoDown(t, NET_EVENT_CONNECT_FAILED);
}

void CameUp(NetLink*) {}

void Send(NetLink* link, const uint8_t* data, int32_t length) {
  TcpLine* t = Tcp(link);
  if (t->inProcess != nullptr) return t->inProcess->OnWrite(data, length);
  if (!NetSend(t->stream, data, length, nullptr)) NetLinkGoDown(t, NET_EVENT_CONNECTION_LOST);
}

void Release(NetLink* link) {
  TcpLine* t = Tcp(link);
  if (t->stream != nullptr) NetClose(t->stream);
  t->stream = nullptr;
}

int32_t ReceiveStream(TcpLine* t, uint8_t* buffer, int32_t capacity, uint32_t waitMs) {
  int32_t count = NetReceive(t->stream, buffer, capacity, nullptr);
  if (count == 0) {
    NetWait(t->stream, NET_WAIT_READ, t->waker, waitMs);
    count = NetReceive(t->stream, buffer, capacity, nullptr);
  }
  if (count >= 0) return count;
  NetLinkGoDown(t, NET_EVENT_CONNECTION_LOST);
  return 0;
}

int32_t ReceiveFromPeer(TcpLine* t, uint8_t* buffer, int32_t capacity, uint32_t waitMs) {
  if (waitMs > 0) NetWait(nullptr, NET_WAIT_READ, t->waker, kPeerPollMs);
  const int32_t length = t->inProcess->Receive(buffer, capacity);
  if (length < 0) NetLinkGoDown(t, NET_EVENT_CONNECTION_LOST);
  return length > 0 ? length : 0;
}

int32_t Receive(NetLink* link, uint8_t* buffer, int32_t capacity, uint32_t waitMs) {
  TcpLine* t = Tcp(link);
  return t->inProcess != nullptr ? ReceiveFromPeer(t, buffer, capacity, waitMs)
                                 : ReceiveStream(t, buffer, capacity, waitMs);
}

NetSocket* Connecting(NetLink* link) { return link->state == LINK_CONNECTING ? Tcp(link)->stream : nullptr; }

const LinkSteps kTcpSteps = {Connect, CameUp, Send, Receive, Connecting, Release};

LineHandle* Open(const void* config) { return NetLinkOpen<TcpLine>(config, &kTcpSteps); }

// A TCP line has no message numbers.
void NoNumbers(LineHandle*) {}
int32_t NoLateReply(LineHandle*, uint8_t*, int32_t) { return 0; }

}  // namespace

// In the order of LineOps.
const LineOps kTcpLineOps = {
    LINE_KIND_STREAM,  Open,        NetLinkReceive,        NetLinkWrite,      NetLinkTakeCameUp, NetLinkLost,
    NetLinkEndReceive, NetLinkWake, NetLinkHasEvents,      NetLinkTakeEvents, NetLinkIsUp,       NoNumbers,
    NoNumbers,         NoLateReply, NetLinkClose<TcpLine>,
};
