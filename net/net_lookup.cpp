#include "net/net_lookup.h"

#include "net/net_config.h"
#include "platform/os.h"

#include <atomic>
#include <cstdio>
#include <new>

struct NetLookup {
  std::atomic<int> owners{1};                               // the caller, and the thread while it runs
  std::atomic<NetLookupState> state{NET_LOOKUP_UNDER_WAY};  // published with release once `address` is set
  NetAddress address;
  uint16_t port = 0;
  char host[kNetHostChars] = {};
};

namespace {

constexpr unsigned kMaxOctet = 255;

// "a.b.c.d" with four decimal parts 0..255 and nothing else.
bool ParseDotted(const char* text, NetAddress* out) {
  unsigned part = 0;
  int digits = 0;
  int dots = 0;
  for (const char* p = text;; p++) {
    if (*p >= '0' && *p <= '9' && digits < 3) {
      part = part * 10 + static_cast<unsigned>(*p - '0');
      digits++;
      continue;
    }
    if (digits == 0 || part > kMaxOctet || (*p != '.' && *p != 0) || (*p == '.' && dots == 3)) return false;
    out->ip[dots] = static_cast<uint8_t>(part);
    if (*p == 0) return dots == 3;
    dots++;
    part = 0;
    digits = 0;
  }
}

void Release(NetLookup* lookup) {
  if (lookup->owners.fetch_sub(1, std::memory_order_acq_rel) == 1) delete lookup;
}

uint32_t LookupThread(void* arg) {
  NetLookup* lookup = static_cast<NetLookup*>(arg);
  const bool found = NetResolve(lookup->host, lookup->port, &lookup->address);
  lookup->state.store(found ? NET_LOOKUP_FOUND : NET_LOOKUP_NOT_FOUND, std::memory_order_release);
  Release(lookup);
  return 0;
}

}  // namespace

NetLookup* NetLookupStart(const char* host, uint16_t port) {
  NetLookup* lookup = new (std::nothrow) NetLookup;
  if (lookup == nullptr) return nullptr;
  lookup->port = port;
  if (ParseDotted(host, &lookup->address)) {
    lookup->address.port = port;
    lookup->state.store(NET_LOOKUP_FOUND, std::memory_order_relaxed);
    return lookup;
  }
  snprintf(lookup->host, sizeof lookup->host, "%s", host);
  lookup->owners.store(2, std::memory_order_relaxed);
  if (!OsStartDetachedThread(LookupThread, lookup)) {
    delete lookup;
    return nullptr;
  }
  return lookup;
}

NetLookupState NetLookupResult(NetLookup* lookup, NetAddress* out) {
  const NetLookupState state = lookup->state.load(std::memory_order_acquire);
  if (state == NET_LOOKUP_FOUND) *out = lookup->address;
  return state;
}

void NetLookupEnd(NetLookup* lookup) { Release(lookup); }
