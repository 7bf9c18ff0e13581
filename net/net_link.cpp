#include "net/net_link.h"

#include "platform/os.h"

#include <cstring>

namespace {

// A line that could not be reached is tried again after this long.
constexpr uint32_t kRetryMs = 1000;
// How often a lookup running aside is looked at.
constexpr uint32_t kLookupPollMs = 20;

struct PeerEntry {
  uint16_t ipPort = 0;
  NetPeer* peer = nullptr;
};
PeerEntry peerTable[kNetMaxLines];

NetPeer* PeerFor(uint16_t ipPort) {
  for (const PeerEntry& entry : peerTable)
    if (entry.peer != nullptr && entry.ipPort == ipPort) return entry.peer;
  return nullptr;
}

void ReleaseLine(NetLink* p) {
  if (p->lookup != nullptr) NetLookupEnd(p->lookup);
  p->lookup = nullptr;
  p->steps->release(p);
}

void Connect(NetLink* p) {
  if (p->inProcess == nullptr) return p->steps->connect(p);
  p->inProcess->Connect() ? NetLinkUp(p) : NetLinkGoDown(p, NET_EVENT_CONNECT_FAILED);
}

void StartAttempt(NetLink* p) {
  if (p->inProcess != nullptr) return Connect(p);
  p->lookup = NetLookupStart(p->config.host, p->config.port);
  if (p->lookup == nullptr) return NetLinkGoDown(p, NET_EVENT_LOOKUP_FAILED);
  p->state = LINK_LOOKUP;
}

// The longest sleep before the line has to be looked at again.
uint32_t MsToNextStep(const NetLink* p) {
  if (p->inProcess != nullptr) return kPeerPollMs;
  return p->state == LINK_LOOKUP ? kLookupPollMs : Remaining(p->deadline, OsTickCount());
}

}  // namespace

uint32_t Smaller(uint32_t a, uint32_t b) { return a < b ? a : b; }

uint32_t Remaining(uint32_t deadline, uint32_t now) {
  const int32_t left = static_cast<int32_t>(deadline - now);
  return left > 0 ? static_cast<uint32_t>(left) : 0;
}

NetLink* LinkOf(LineHandle* line) { return reinterpret_cast<NetLink*>(line); }

LineHandle* HandleOf(NetLink* link) { return reinterpret_cast<LineHandle*>(link); }

void NetLinkReport(NetLink* p, uint32_t event) { p->events.fetch_or(event, std::memory_order_acq_rel); }

// Down before it is said: an engine that takes a loss must not find the line
// still up and take it for a loss and a return at once.
void NetLinkGoDown(NetLink* p, uint32_t event) {
  p->up.store(false, std::memory_order_release);
  NetLinkReport(p, event);
  ReleaseLine(p);
  p->state = LINK_DOWN;
  p->heldLength = 0;
  p->deadline = OsTickCount() + kRetryMs;
}

void NetLinkUp(NetLink* p) {
  p->state = LINK_UP;
  p->cameUp = true;
  p->up.store(true, std::memory_order_release);
  NetLinkReport(p, NET_EVENT_UP);
  p->steps->cameUp(p);
  if (p->heldLength > 0) p->steps->send(p, p->held, p->heldLength);
  p->heldLength = 0;
}

// A dotted address is up (UDP) or connecting (TCP) in one call.
void NetLinkAdvance(NetLink* p) {
  if (p->state == LINK_DOWN && Remaining(p->deadline, OsTickCount()) == 0) StartAttempt(p);
  if (p->state == LINK_LOOKUP) {
    const NetLookupState found = NetLookupResult(p->lookup, &p->peer);
    if (found == NET_LOOKUP_UNDER_WAY) return;
    NetLookupEnd(p->lookup);
    p->lookup = nullptr;
    if (found == NET_LOOKUP_NOT_FOUND) return NetLinkGoDown(p, NET_EVENT_LOOKUP_FAILED);
    Connect(p);
  }
  if (p->state == LINK_CONNECTING) p->steps->connect(p);
}

int32_t NetLinkReceive(LineHandle* line, uint8_t* buffer, int32_t capacity, uint32_t waitMs) {
  NetLink* p = LinkOf(line);
  if (capacity < 1) return 0;
  NetLinkAdvance(p);
  if (p->state == LINK_UP) return p->steps->receive(p, buffer, capacity, waitMs);
  NetWait(p->steps->connecting(p), NET_WAIT_CONNECT, p->waker, Smaller(waitMs, MsToNextStep(p)));
  NetLinkAdvance(p);
  return 0;
}

void NetLinkWrite(LineHandle* line, const uint8_t* data, int32_t length) {
  NetLink* p = LinkOf(line);
  if (length < 1 || length > kLinkMaxFrame) return;
  NetLinkAdvance(p);
  if (p->state == LINK_UP) return p->steps->send(p, data, length);
  if (p->state == LINK_DOWN) return;
  std::memcpy(p->held, data, static_cast<size_t>(length));
  p->heldLength = length;
}

bool NetLinkStart(NetLink* p, const NetLineConfig& line, const LinkSteps* steps) {
  p->steps = steps;
  p->config = line;
  p->inProcess = PeerFor(line.port);
  p->waker = NetWakerCreate();
  if (p->waker == nullptr) return false;
  p->deadline = OsTickCount();
  NetLinkAdvance(p);
  return true;
}

void NetLinkStop(NetLink* p) {
  ReleaseLine(p);
  NetWakerDestroy(p->waker);
}

bool NetLinkTakeCameUp(LineHandle* line) {
  NetLink* p = LinkOf(line);
  const bool cameUp = p->cameUp;
  p->cameUp = false;
  return cameUp;
}

// A network line connects again by itself.
bool NetLinkLost(LineHandle*) { return false; }

void NetLinkEndReceive(LineHandle*) {}

void NetLinkWake(LineHandle* line) { NetWakerSet(LinkOf(line)->waker); }

bool NetLinkHasEvents(LineHandle* line) { return LinkOf(line)->events.load(std::memory_order_acquire) != 0; }

uint32_t NetLinkTakeEvents(LineHandle* line) { return LinkOf(line)->events.exchange(0, std::memory_order_acq_rel); }

bool NetLinkIsUp(LineHandle* line) { return LinkOf(line)->up.load(std::memory_order_acquire); }

LineOpener NetLineOpener(const NetLineConfig& line) {
  return {line.kind == NET_TCP ? &kTcpLineOps : &kDatagramLineOps, &line};
}

void NetLineSetPeer(uint16_t ipPort, NetPeer* peer) {
  for (PeerEntry& entry : peerTable)
    if (entry.peer != nullptr && entry.ipPort == ipPort) entry.peer = nullptr;
  for (PeerEntry& entry : peerTable) {
    if (peer == nullptr || entry.peer != nullptr) continue;
    entry.ipPort = ipPort;
    entry.peer = peer;
    return;
  }
}
