#include "net/socket_address.h"

#include <cstring>

sockaddr_in ToSockaddr(const NetAddress& address) {
  sockaddr_in sa;
  std::memset(&sa, 0, sizeof sa);
  sa.sin_family = AF_INET;
  sa.sin_port = htons(address.port);
  std::memcpy(&sa.sin_addr, address.ip, sizeof address.ip);
  return sa;
}

NetAddress FromSockaddr(const sockaddr_in& sa) {
  NetAddress address;
  std::memcpy(address.ip, &sa.sin_addr, sizeof address.ip);
  address.port = ntohs(sa.sin_port);
  return address;
}

bool NetResolve(const char* host, uint16_t port, NetAddress* out) {
  if (!NetSocketsReady()) return false;
  addrinfo hints;
  std::memset(&hints, 0, sizeof hints);
  hints.ai_family = AF_INET;
  addrinfo* found = nullptr;
  if (getaddrinfo(host, nullptr, &hints, &found) != 0 || found == nullptr) return false;
  const bool ok = found->ai_addrlen >= sizeof(sockaddr_in);
  if (ok) {
    *out = FromSockaddr(*reinterpret_cast<const sockaddr_in*>(found->ai_addr));
    out->port = port;
  }
  freeaddrinfo(found);
  return ok;
}
