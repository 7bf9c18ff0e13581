#include "net/udp_router.h"

#include <cstring>

int UdpRouter::Add(const NetAddress& peer, NetWaker* signal) {
  OsLockGuard guard(lock);
  for (int i = 0; i < kMaxRoutes; i++) {
    Route& r = routes[i];
    if (r.used) continue;
    r.used = true;
    r.peer = peer;
    r.signal = signal;
    r.first = 0;
    r.count = 0;
    return i;
  }
  return -1;
}

void UdpRouter::Remove(int route) {
  if (route < 0 || route >= kMaxRoutes) return;
  OsLockGuard guard(lock);
  routes[route].used = false;
}

bool UdpRouter::Deliver(const NetAddress& from, const uint8_t* data, int32_t length) {
  if (length < 1 || length > kMaxDatagram) return false;
  OsLockGuard guard(lock);
  for (Route& r : routes) {
    if (!r.used || !SameAddress(r.peer, from)) continue;
    if (r.count == kQueueDepth) return false;
    const int slot = (r.first + r.count) % kQueueDepth;
    std::memcpy(r.datagrams[slot], data, static_cast<size_t>(length));
    r.lengths[slot] = length;
    r.count++;
    if (r.signal != nullptr) NetWakerSet(r.signal);
    return true;
  }
  return false;
}

int32_t UdpRouter::Take(int route, uint8_t* buffer, int32_t capacity) {
  if (route < 0 || route >= kMaxRoutes) return 0;
  OsLockGuard guard(lock);
  Route& r = routes[route];
  if (!r.used || r.count == 0) return 0;
  const int32_t length = r.lengths[r.first];
  const bool fits = length <= capacity;
  if (fits) std::memcpy(buffer, r.datagrams[r.first], static_cast<size_t>(length));
  r.first = (r.first + 1) % kQueueDepth;
  r.count--;
  return fits ? length : 0;
}
