// Datagrams of the shared UDP socket sorted by sender: each UDP network line
// names its camera's address and gets what that address sends, queued until
// its I/O thread takes it; a datagram from any other address is dropped.
// Deliver (the socket's reader) and Add, Remove and Take (the lines) may run
// on different threads.
#pragma once

#include "net/net_config.h"
#include "net/net_socket.h"
#include "platform/os.h"

#include <cstdint>

class UdpRouter {
 public:
  static constexpr int kMaxRoutes = kNetMaxLines;
  static constexpr int kQueueDepth = 8;
  // Longer than any datagram of a VISCA line; anything longer is dropped.
  static constexpr int32_t kMaxDatagram = 64;

  // A route for datagrams from `peer`, -1 when all are taken. `signal` (may
  // be null) is set whenever one is queued for it.
  int Add(const NetAddress& peer, NetWaker* signal);
  void Remove(int route);
  // True when a route took the datagram; false when it was dropped (no route
  // for its sender, too long, or the route's queue full).
  bool Deliver(const NetAddress& from, const uint8_t* data, int32_t length);
  // The oldest datagram queued for `route` into `buffer`: its length, 0 when
  // none waits (or it was longer than `capacity`, and is dropped).
  int32_t Take(int route, uint8_t* buffer, int32_t capacity);

 private:
  struct Route {
    bool used = false;
    NetAddress peer;
    NetWaker* signal = nullptr;
    uint8_t datagrams[kQueueDepth][kMaxDatagram] = {};
    int32_t lengths[kQueueDepth] = {};
    int first = 0;  // oldest queued
    int count = 0;
  };

  OsLock lock;
  Route routes[kMaxRoutes];
};
