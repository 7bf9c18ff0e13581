// Network-line sockets on BSD sockets: non-blocking descriptors, poll() with
// an eventfd as the waker.
#include "net/net_socket.h"

#include "net/socket_address.h"
#include "platform/os.h"

#include <arpa/inet.h>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <unistd.h>
#include <cerrno>
#include <cstring>
#include <new>

struct NetSocket {
  int fd;
  bool stream;
};

struct NetWaker {
  int fd;
};

namespace {

// A send the network holds off this long without progress gives up the rest.
constexpr int kSendStallMs = 1000;
// An accepted connection may stay quiet for hours, but one whose peer has
// vanished must fail: after this long without a byte the system probes it,
// and after the last probe unanswered the connection ends.
constexpr int kKeepAliveIdleS = 180;
constexpr int kKeepAliveIntervalS = 10;
constexpr int kKeepAliveProbes = 10;

int PollTimeout(uint32_t waitMs) {
  return waitMs == OS_INFINITE ? -1 : static_cast<int>(waitMs < 0x7FFFFFFF ? waitMs : 0x7FFFFFFF);
}

void DrainWaker(NetWaker* waker) {
  uint64_t count;
  while (read(waker->fd, &count, sizeof count) == static_cast<ssize_t>(sizeof count)) {
  }
}

NetSocket* Wrap(int fd, bool stream) {
  NetSocket* socket = new (std::nothrow) NetSocket{fd, stream};
  if (socket == nullptr) close(fd);
  return socket;
}

// Replies leave at once; urgent data stays in the stream, read as any byte
// as on Winsock; a peer that vanished is found out.
void SetUpAccepted(int fd) {
  const int on = 1;
  setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
  setsockopt(fd, SOL_SOCKET, SO_OOBINLINE, &on, sizeof on);
  setsockopt(fd, SOL_SOCKET, SO_SNDBUF, &kNetAcceptedSendBytes, sizeof kNetAcceptedSendBytes);
  setsockopt(fd, SOL_SOCKET, SO_KEEPALIVE, &on, sizeof on);
#ifdef TCP_KEEPIDLE
  setsockopt(fd, IPPROTO_TCP, TCP_KEEPIDLE, &kKeepAliveIdleS, sizeof kKeepAliveIdleS);
#endif
#ifdef TCP_KEEPINTVL
  setsockopt(fd, IPPROTO_TCP, TCP_KEEPINTVL, &kKeepAliveIntervalS, sizeof kKeepAliveIntervalS);
#endif
#ifdef TCP_KEEPCNT
  setsockopt(fd, IPPROTO_TCP, TCP_KEEPCNT, &kKeepAliveProbes, sizeof kKeepAliveProbes);
#endif
}

bool Bind(int fd, uint16_t port) {
  NetAddress any;
  any.port = port;
  const sockaddr_in sa = ToSockaddr(any);
  return bind(fd, reinterpret_cast<const sockaddr*>(&sa), sizeof sa) == 0;
}

}  // namespace

bool NetSocketsReady() { return true; }

NetWaker* NetWakerCreate() {
  const int fd = eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
  if (fd < 0) return nullptr;
  NetWaker* waker = new (std::nothrow) NetWaker{fd};
  if (waker == nullptr) close(fd);
  return waker;
}

void NetWakerSet(NetWaker* waker) {
  const uint64_t one = 1;
  while (write(waker->fd, &one, sizeof one) < 0 && errno == EINTR) {
  }
}

void NetWakerDestroy(NetWaker* waker) {
  close(waker->fd);
  delete waker;
}

NetSocket* NetUdpOpen(uint16_t preferredPort, uint16_t* boundPort) {
  const int fd = socket(AF_INET, SOCK_DGRAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
  if (fd < 0) return nullptr;
  sockaddr_in bound;
  socklen_t size = sizeof bound;
  if ((!Bind(fd, preferredPort) && !Bind(fd, 0)) || getsockname(fd, reinterpret_cast<sockaddr*>(&bound), &size) != 0) {
    close(fd);
    return nullptr;
  }
  *boundPort = ntohs(bound.sin_port);
  return Wrap(fd, false);
}

NetSocket* NetTcpConnect(const NetAddress& to) {
  const int fd = socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
  if (fd < 0) return nullptr;
  // A VISCA packet is a few bytes that must leave at once.
  const int on = 1;
  setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
  const sockaddr_in sa = ToSockaddr(to);
  if (connect(fd, reinterpret_cast<const sockaddr*>(&sa), sizeof sa) != 0 && errno != EINPROGRESS) {
    close(fd);
    return nullptr;
  }
  return Wrap(fd, true);
}

NetConnectState NetTcpConnected(NetSocket* socket) {
  pollfd p = {socket->fd, POLLOUT, 0};
  if (poll(&p, 1, 0) <= 0) return NET_CONNECT_UNDER_WAY;
  int error = 0;
  socklen_t size = sizeof error;
  if (getsockopt(socket->fd, SOL_SOCKET, SO_ERROR, &error, &size) != 0 || error != 0) return NET_CONNECT_REFUSED;
  return NET_CONNECT_MADE;
}

NetWaitResult NetWait(NetSocket* socket, NetWaitFor what, NetWaker* waker, uint32_t waitMs) {
  pollfd fds[2] = {{waker->fd, POLLIN, 0}, {socket != nullptr ? socket->fd : -1, 0, 0}};
  fds[1].events = what == NET_WAIT_CONNECT ? POLLOUT : POLLIN;
  const int ready = poll(fds, socket != nullptr ? 2 : 1, PollTimeout(waitMs));
  if (ready <= 0) return NET_WAIT_TIME_OUT;
  if (fds[0].revents != 0) {
    DrainWaker(waker);
    return NET_WAIT_WOKEN;
  }
  return NET_WAIT_READY;
}

int32_t NetReceive(NetSocket* socket, uint8_t* buffer, int32_t capacity, NetAddress* from) {
  sockaddr_in sender;
  socklen_t size = sizeof sender;
  const ssize_t n = socket->stream ? recv(socket->fd, buffer, static_cast<size_t>(capacity), 0)
                                   : recvfrom(socket->fd, buffer, static_cast<size_t>(capacity), 0,
                                              reinterpret_cast<sockaddr*>(&sender), &size);
  if (n > 0) {
    if (!socket->stream && from != nullptr) *from = FromSockaddr(sender);
    return static_cast<int32_t>(n);
  }
  // A datagram socket only reports a refusal of an earlier send: not an end.
  if (!socket->stream) return 0;
  return n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR) ? 0 : -1;
}

bool NetSend(NetSocket* socket, const uint8_t* data, int32_t length, const NetAddress* to) {
  if (to != nullptr) {
    const sockaddr_in sa = ToSockaddr(*to);
    return sendto(socket->fd, data, static_cast<size_t>(length), MSG_NOSIGNAL, reinterpret_cast<const sockaddr*>(&sa),
                  sizeof sa) == length;
  }
  int32_t done = 0;
  while (done < length) {
    const ssize_t n = send(socket->fd, data + done, static_cast<size_t>(length - done), MSG_NOSIGNAL);
    if (n > 0) {
      done += static_cast<int32_t>(n);
      continue;
    }
    if (n < 0 && errno == EINTR) continue;
    if (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK) return false;
    pollfd p = {socket->fd, POLLOUT, 0};
    if (poll(&p, 1, kSendStallMs) <= 0) return false;
  }
  return true;
}

void NetClose(NetSocket* socket) {
  close(socket->fd);
  delete socket;
}

NetSocket* NetTcpListen(const NetAddress& at, NetListenResult* result, uint16_t* boundPort) {
  *result = NET_LISTEN_FAILED;
  const int fd = socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
  if (fd < 0) return nullptr;
  // A restart must not wait for the last run's connections to time out.
  const int on = 1;
  setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
  const sockaddr_in sa = ToSockaddr(at);
  sockaddr_in bound;
  socklen_t size = sizeof bound;
  if (bind(fd, reinterpret_cast<const sockaddr*>(&sa), sizeof sa) != 0 || listen(fd, SOMAXCONN) != 0 ||
      getsockname(fd, reinterpret_cast<sockaddr*>(&bound), &size) != 0) {
    if (errno == EADDRINUSE) *result = NET_LISTEN_IN_USE;
    if (errno == EADDRNOTAVAIL) *result = NET_LISTEN_NO_ADDRESS;
    close(fd);
    return nullptr;
  }
  *boundPort = ntohs(bound.sin_port);
  *result = NET_LISTEN_OK;
  return Wrap(fd, true);
}

NetSocket* NetTcpAccept(NetSocket* listener) {
  const int fd = accept4(listener->fd, nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC);
  if (fd < 0) return nullptr;
  SetUpAccepted(fd);
  return Wrap(fd, true);
}

int32_t NetSendSome(NetSocket* socket, const uint8_t* data, int32_t length) {
  const ssize_t n = send(socket->fd, data, static_cast<size_t>(length), MSG_NOSIGNAL);
  if (n >= 0) return static_cast<int32_t>(n);
  return errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR ? 0 : -1;
}

void NetShutdownSend(NetSocket* socket) { shutdown(socket->fd, SHUT_WR); }

NetWaitResult NetPoll(NetPollEntry* entries, int count, NetWaker* waker, uint32_t waitMs) {
  pollfd fds[kNetPollMax + 1];
  fds[0] = {waker->fd, POLLIN, 0};
  for (int i = 0; i < count; i++) {
    const short events = static_cast<short>((entries[i].wantRead ? POLLIN : 0) | (entries[i].wantWrite ? POLLOUT : 0));
    fds[i + 1] = {entries[i].socket->fd, events, 0};
  }
  const int ready = poll(fds, static_cast<nfds_t>(count + 1), PollTimeout(waitMs));
  for (int i = 0; i < count; i++) {
    const short got = ready > 0 ? fds[i + 1].revents : 0;
    entries[i].readable = entries[i].wantRead && (got & (POLLIN | POLLHUP | POLLERR)) != 0;
    entries[i].writable = entries[i].wantWrite && (got & (POLLOUT | POLLERR)) != 0;
  }
  if (ready <= 0) return NET_WAIT_TIME_OUT;
  if (fds[0].revents == 0) return NET_WAIT_READY;
  DrainWaker(waker);
  return NET_WAIT_WOKEN;
}
