// A TCP line: raw VISCA bytes on one connection, made again when it drops.
#include "net/net_link.h"
#include "platform/os.h"

#include <new>

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

const LinkSteps kTcpSteps = {Connect, CameUp, Send, Release};

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

LineHandle* Open(const void* config) {
  TcpLine* t = new (std::nothrow) TcpLine;
  if (t == nullptr) return nullptr;
  if (!NetLinkStart(t, *static_cast<const NetLineConfig*>(config), &kTcpSteps)) {
    delete t;
    return nullptr;
  }
  return HandleOf(t);
}

int32_t Receive(LineHandle* line, uint8_t* buffer, int32_t capacity, uint32_t waitMs) {
  TcpLine* t = Tcp(LinkOf(line));
  if (capacity < 1) return 0;
  NetLinkAdvance(t);
  if (t->state == LINK_UP)
    return t->inProcess != nullptr ? ReceiveFromPeer(t, buffer, capacity, waitMs)
                                   : ReceiveStream(t, buffer, capacity, waitMs);
  NetLinkWaitDown(t, t->state == LINK_CONNECTING ? t->stream : nullptr, waitMs);
  return 0;
}

void Write(LineHandle* line, const uint8_t* data, int32_t length) { NetLinkWrite(LinkOf(line), data, length); }

// A TCP line has no message numbers.
void NoNumbers(LineHandle*) {}
int32_t NoLateReply(LineHandle*, uint8_t*, int32_t) { return 0; }

bool Close(LineHandle* line) {
  TcpLine* t = Tcp(LinkOf(line));
  NetLinkStop(t);
  delete t;
  return true;
}

}  // namespace

// In the order of LineOps.
const LineOps kTcpLineOps = {
    LINE_KIND_STREAM,
    Open,
    Receive,
    Write,
    NetLinkTakeCameUp,
    NetLinkLost,
    NetLinkEndReceive,
    NetLinkWake,
    NetLinkHasEvents,
    NetLinkTakeEvents,
    NetLinkIsUp,
    NoNumbers,
    NoNumbers,
    NoLateReply,
    Close,
};
