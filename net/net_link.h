// What a TCP line and a datagram line share: the way up (a name looked up
// aside, then the kind's connection), a try again every second while down,
// the newest frame written before the line is up held for it, the events for
// the channel's owner, and a test's peer in place of the network.
#pragma once

#include "net/net_config.h"
#include "net/net_line.h"
#include "net/net_lookup.h"
#include "net/net_socket.h"
#include "serial/line_backend.h"

#include <atomic>
#include <cstdint>
#include <new>

enum LinkState { LINK_LOOKUP, LINK_CONNECTING, LINK_UP, LINK_DOWN };

constexpr int32_t kLinkMaxFrame = 255;
// An in-process peer has nothing to wait on: it is asked again after this long.
constexpr uint32_t kPeerPollMs = 1;
// A TCP connection not made in this long counts as failed.
constexpr uint32_t kConnectTimeoutMs = 3000;

struct NetLink;

// What a kind does at the steps the shared code takes.
struct LinkSteps {
  // The camera's address is known: reach it (NetLinkUp, or LINK_CONNECTING
  // with a deadline, or NetLinkGoDown). Called again while LINK_CONNECTING,
  // to finish or give up by the deadline.
  void (*connect)(NetLink* link);
  // The line is up, before the held frame goes.
  void (*cameUp)(NetLink* link);
  void (*send)(NetLink* link, const uint8_t* data, int32_t length);
  // LineOps::receive on a line that is up.
  int32_t (*receive)(NetLink* link, uint8_t* buffer, int32_t capacity, uint32_t waitMs);
  // The socket a connection is being made on, null when none is.
  NetSocket* (*connecting)(NetLink* link);
  // The socket or route goes.
  void (*release)(NetLink* link);
};

struct NetLink {
  const LinkSteps* steps = nullptr;
  NetLineConfig config;
  NetWaker* waker = nullptr;
  std::atomic<uint32_t> events{0};
  std::atomic<bool> up{false};
  NetPeer* inProcess = nullptr;  // a test's peer in place of the socket
  // Everything below belongs to the thread that opened the line until the
  // I/O thread starts, and to the I/O thread from then on.
  LinkState state = LINK_DOWN;
  NetLookup* lookup = nullptr;
  NetAddress peer;
  uint32_t deadline = 0;  // of the connection attempt, or of the next while down
  uint8_t held[kLinkMaxFrame] = {};
  int32_t heldLength = 0;
  bool cameUp = false;  // not yet told to the I/O thread
};

uint32_t Smaller(uint32_t a, uint32_t b);
// Milliseconds from `now` to `deadline`, 0 once it has passed.
uint32_t Remaining(uint32_t deadline, uint32_t now);

// False (nothing left open) when the system has no more handles.
bool NetLinkStart(NetLink* link, const NetLineConfig& line, const LinkSteps* steps);
// Before the kind frees its line.
void NetLinkStop(NetLink* link);
// Moves the line on as far as it goes without waiting.
void NetLinkAdvance(NetLink* link);
void NetLinkUp(NetLink* link);
void NetLinkGoDown(NetLink* link, uint32_t event);
void NetLinkReport(NetLink* link, uint32_t event);
NetLink* LinkOf(LineHandle* line);
LineHandle* HandleOf(NetLink* link);

// A kind's open and close; Line derives from NetLink.
template <typename Line>
LineHandle* NetLinkOpen(const void* config, const LinkSteps* steps) {
  Line* line = new (std::nothrow) Line;
  if (line == nullptr) return nullptr;
  if (!NetLinkStart(line, *static_cast<const NetLineConfig*>(config), steps)) {
    delete line;
    return nullptr;
  }
  return HandleOf(line);
}

template <typename Line>
bool NetLinkClose(LineHandle* handle) {
  Line* line = static_cast<Line*>(LinkOf(handle));
  NetLinkStop(line);
  delete line;
  return true;
}

// LineOps entries every network line shares.
// While not up it sleeps until a connection under way is done, a wake, the
// line's next step or `waitMs`, then moves the line on, and returns 0.
int32_t NetLinkReceive(LineHandle* line, uint8_t* buffer, int32_t capacity, uint32_t waitMs);
// Sent when up, held while the line is on its way up, dropped while down.
void NetLinkWrite(LineHandle* line, const uint8_t* data, int32_t length);
bool NetLinkTakeCameUp(LineHandle* line);
bool NetLinkLost(LineHandle* line);
void NetLinkEndReceive(LineHandle* line);
void NetLinkWake(LineHandle* line);
bool NetLinkHasEvents(LineHandle* line);
uint32_t NetLinkTakeEvents(LineHandle* line);
bool NetLinkIsUp(LineHandle* line);

extern const LineOps kTcpLineOps;
extern const LineOps kDatagramLineOps;
