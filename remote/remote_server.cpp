// The listener's thread: one wait on the listening socket, every
// connection and the waker; events handed over by RemotePublish fanned out
// to the subscribers.
#include "remote/remote_server.h"

#include "platform/os.h"
#include "remote/event_queue.h"
#include "remote/remote_connection.h"

#include <atomic>
#include <cstdio>
#include <cstring>
#include <new>

struct RemoteServer {
  NetSocket* listener = nullptr;
  NetWaker* waker = nullptr;
  uint16_t port = 0;
  std::atomic<bool> stopping{false};
  OsThread thread;
  EventQueue events;
  RemoteSide side;
  char event[kRemoteLineChars + 1];  // the one being fanned out
  Connection connections[kRemoteConnectionSlots];
};

namespace {

const char kTooMany[] = "error: too many connections\n";
// While a time limit runs, the wait is cut into turns this long: a test's
// virtual clock moves without waking the thread.
constexpr uint32_t kTimedTurnMs = 50;
// Connections taken from the backlog in one turn.
constexpr int kAcceptsPerTurn = 16;
// Reads of what a connection turned away at once had sent (1 KB each).
constexpr int kDrainReads = 8;

int LiveCount(const RemoteServer* s) {
  int live = 0;
  for (const Connection& c : s->connections) live += c.state == CONNECTION_LIVE ? 1 : 0;
  return live;
}

Connection* FreeSlot(RemoteServer* s) {
  for (Connection& c : s->connections)
    if (c.state == CONNECTION_FREE) return &c;
  return nullptr;
}

// Beyond the spare slots: told as the system takes it, and what it sent
// first is read, so that the close does not turn into a reset that destroys
// the message.
void TurnAwayAtOnce(NetSocket* socket) {
  NetSendSome(socket, reinterpret_cast<const uint8_t*>(kTooMany), sizeof kTooMany - 1);
  NetShutdownSend(socket);
  uint8_t scrap[1024];
  for (int k = 0; k < kDrainReads && NetReceive(socket, scrap, sizeof scrap, nullptr) > 0; k++) {
  }
  NetClose(socket);
}

// A ninth connection hears why, in a spare slot while one is free (it
// lingers there as a closing one).
void Accept(RemoteServer* s, uint32_t now) {
  for (int k = 0; k < kAcceptsPerTurn; k++) {
    NetSocket* socket = NetTcpAccept(s->listener);
    if (socket == nullptr) return;
    const bool room = LiveCount(s) < kRemoteMaxConnections;
    Connection* c = FreeSlot(s);
    if (c == nullptr) {
      TurnAwayAtOnce(socket);
      continue;
    }
    ConnectionOpen(c, socket, &s->side);
    if (room) continue;
    c->state = CONNECTION_CLOSING;  // never live: the handler never hears of it
    c->since = now;
    ConnectionQueue(c, &s->side, kTooMany, sizeof kTooMany - 1);
    ConnectionFlush(c, &s->side);
  }
}

void FanOutEvents(RemoteServer* s) {
  while (EventQueuePop(&s->events, s->event)) {
    for (Connection& c : s->connections) {
      if (!c.subscribed) continue;
      ConnectionQueue(&c, &s->side, s->event, std::strlen(s->event));
      ConnectionQueue(&c, &s->side, "\n", 1);
    }
  }
}

// The wait's entries: the listener first, then each connection in use.
int Entries(RemoteServer* s, NetPollEntry* entries, Connection** owners) {
  entries[0] = NetPollEntry{s->listener, true, false, false, false};
  int n = 1;
  for (Connection& c : s->connections) {
    if (c.state == CONNECTION_FREE) continue;
    const bool pending = c.outEnd > c.outStart;
    const bool roomIn = c.inUsed < kHttpMaxRequestBytes && ConnectionRoom(c) > kRemoteReplyBytes;
    const bool read = !c.inputEnded && (c.state == CONNECTION_CLOSING || roomIn);
    entries[n] = NetPollEntry{c.socket, read, pending, false, false};
    owners[n++] = &c;
  }
  return n;
}

// One wait and what it found; false once the server stops.
bool Turn(RemoteServer* s, uint32_t waitMs) {
  NetPollEntry entries[kRemoteConnectionSlots + 1];
  Connection* owners[kRemoteConnectionSlots + 1] = {};
  const int n = Entries(s, entries, owners);
  NetPoll(entries, n, s->waker, waitMs);
  if (s->stopping.load()) return false;
  const uint32_t now = OsTickCount();
  FanOutEvents(s);
  for (int i = 1; i < n; i++) {
    Connection* c = owners[i];
    if (entries[i].writable && c->state != CONNECTION_FREE) ConnectionFlush(c, &s->side);
    if (entries[i].readable && c->state != CONNECTION_FREE) ConnectionRead(c, &s->side, now);
    ConnectionResume(c, &s->side, now);
    if (c->state != CONNECTION_FREE) ConnectionFlush(c, &s->side);
  }
  if (entries[0].readable) Accept(s, now);
  return true;
}

uint32_t Serve(void* arg) {
  RemoteServer* s = static_cast<RemoteServer*>(arg);
  uint32_t waitMs = OS_INFINITE;
  while (Turn(s, waitMs)) {
    bool timed = false;
    const uint32_t now = OsTickCount();
    for (Connection& c : s->connections) timed = ConnectionTimers(&c, &s->side, now) || timed;
    waitMs = timed ? kTimedTurnMs : OS_INFINITE;
  }
  for (Connection& c : s->connections) ConnectionDrop(&c, &s->side);
  return 0;
}

void Release(RemoteServer* s) {
  if (s->listener != nullptr) NetClose(s->listener);
  if (s->waker != nullptr) NetWakerDestroy(s->waker);
  delete s;
}

// The status text of a listener that did not open.
void SayNotListening(const RemoteConfig& config, NetListenResult result, char* status, size_t size) {
  const uint8_t* ip = config.address.ip;
  char where[32];
  snprintf(where, sizeof where, "%u.%u.%u.%u:%u", ip[0], ip[1], ip[2], ip[3], config.address.port);
  if (result == NET_LISTEN_IN_USE) {
    snprintf(status, size, "Remote control off: %s is taken", where);
  } else if (result == NET_LISTEN_NO_ADDRESS) {
    snprintf(status, size, "Remote control off: %s is not an address of this machine", where);
  } else {
    snprintf(status, size, "Remote control off: cannot listen on %s", where);
  }
}

}  // namespace

RemoteServer* RemoteServerStart(const RemoteConfig& config, const RemoteHandler& handler, char* status, size_t size) {
  RemoteServer* s = new (std::nothrow) RemoteServer;
  if (s == nullptr || handler.line == nullptr || !config.listen) {
    const char* why = s == nullptr     ? "out of memory"
                      : !config.listen ? "no address to listen on"
                                       : "no command handler";
    snprintf(status, size, "Remote control off: %s", why);
    delete s;
    return nullptr;
  }
  s->side.handler = handler;
  std::memcpy(s->side.token, config.token, sizeof s->side.token);
  for (int i = 0; i < kRemoteConnectionSlots; i++) s->connections[i].number = i;
  NetListenResult result = NET_LISTEN_FAILED;
  s->waker = NetWakerCreate();
  if (s->waker != nullptr) s->listener = NetTcpListen(config.address, &result, &s->port);
  if (s->listener == nullptr || !s->thread.Start(Serve, s)) {
    SayNotListening(config, s->listener == nullptr ? result : NET_LISTEN_FAILED, status, size);
    Release(s);
    return nullptr;
  }
  return s;
}

uint16_t RemoteServerPort(const RemoteServer* server) { return server->port; }

bool RemotePublish(RemoteServer* server, const char* line) {
  if (!EventQueuePush(&server->events, line)) return false;
  NetWakerSet(server->waker);
  return true;
}

bool RemoteServerStop(RemoteServer* server) {
  server->stopping.store(true);
  NetWakerSet(server->waker);
  if (!server->thread.Join(kRemoteStopMs)) return false;
  Release(server);
  return true;
}
