// Network-line sockets on Winsock 2 (ws2_32, a system DLL): each socket
// signals an event of its own through WSAEventSelect, which also makes it
// non-blocking; a thread waits on that event and on its waker's.
#include "net/net_socket.h"

#include "net/socket_address.h"
#include "platform/os.h"

#include <winsock2.h>

#include <mstcpip.h>  // after winsock2.h, whose types it uses
#include <ws2tcpip.h>

#include <cstring>
#include <new>

struct NetSocket {
  SOCKET handle;
  WSAEVENT event;  // manual reset: FD_READ, FD_CLOSE, FD_CONNECT
  bool stream;
};

struct NetWaker {
  HANDLE event;  // auto reset: a wake is used up by the wait it ends
};

namespace {

// A send the network holds off this long gives up the rest.
constexpr long kSendStallMs = 1000;
constexpr long kUsPerMs = 1000;
// Stops a datagram socket from reporting an earlier send's ICMP refusal as
// an error of every later receive.
constexpr DWORD kUdpConnResetControl = 0x9800000C;  // SIO_UDP_CONNRESET

// What a socket's event signals: a line's reads and connect, and for a
// server's sockets also a connection to accept and room to send again.
constexpr long kLineEvents = FD_READ | FD_CLOSE | FD_CONNECT;
constexpr long kServerEvents = FD_READ | FD_CLOSE | FD_ACCEPT | FD_WRITE;
// An accepted connection may stay quiet for hours, but one whose peer has
// vanished must fail: after this long without a byte the system probes it
// (ten times, Windows' own count), and the last probe unanswered ends it.
constexpr u_long kKeepAliveIdleMs = 180000;
constexpr u_long kKeepAliveIntervalMs = 10000;

// The socket with its event; both released when anything fails.
NetSocket* Wrap(SOCKET handle, bool stream, long events = kLineEvents) {
  WSAEVENT event = WSACreateEvent();
  NetSocket* socket = nullptr;
  if (event != WSA_INVALID_EVENT && WSAEventSelect(handle, event, events) == 0)
    socket = new (std::nothrow) NetSocket{handle, event, stream};
  if (socket == nullptr) {
    if (event != WSA_INVALID_EVENT) WSACloseEvent(event);
    closesocket(handle);
  }
  return socket;
}

// Replies leave at once; urgent data stays in the stream, read as any byte
// (left apart, select() would report the socket in its exception set until
// it is read); a peer that vanished is found out.
void SetUpAccepted(SOCKET handle) {
  const BOOL on = TRUE;
  setsockopt(handle, IPPROTO_TCP, TCP_NODELAY, reinterpret_cast<const char*>(&on), sizeof on);
  setsockopt(handle, SOL_SOCKET, SO_OOBINLINE, reinterpret_cast<const char*>(&on), sizeof on);
  setsockopt(handle, SOL_SOCKET, SO_SNDBUF, reinterpret_cast<const char*>(&kNetAcceptedSendBytes),
             sizeof kNetAcceptedSendBytes);
  tcp_keepalive probes = {1, kKeepAliveIdleMs, kKeepAliveIntervalMs};
  DWORD returned = 0;
  WSAIoctl(handle, SIO_KEEPALIVE_VALS, &probes, sizeof probes, nullptr, 0, &returned, nullptr, nullptr);
}

bool Bind(SOCKET handle, uint16_t port) {
  NetAddress any;
  any.port = port;
  const sockaddr_in sa = ToSockaddr(any);
  return bind(handle, reinterpret_cast<const sockaddr*>(&sa), sizeof sa) == 0;
}

// Waits until the socket can take more bytes; false after the stall limit.
bool WaitWritable(SOCKET handle) {
  fd_set writable;
  FD_ZERO(&writable);
  FD_SET(handle, &writable);
  timeval limit = {kSendStallMs / kUsPerMs, (kSendStallMs % kUsPerMs) * kUsPerMs};
  return select(0, nullptr, &writable, nullptr, &limit) > 0;
}

}  // namespace

// Winsock is started once, on first use, and left to the process's end.
bool NetSocketsReady() {
  static const bool ready = [] {
    WSADATA data;
    return WSAStartup(MAKEWORD(2, 2), &data) == 0;
  }();
  return ready;
}

NetWaker* NetWakerCreate() {
  HANDLE event = CreateEventA(nullptr, FALSE, FALSE, nullptr);
  if (event == nullptr) return nullptr;
  NetWaker* waker = new (std::nothrow) NetWaker{event};
  if (waker == nullptr) CloseHandle(event);
  return waker;
}

void NetWakerSet(NetWaker* waker) { SetEvent(waker->event); }

void NetWakerDestroy(NetWaker* waker) {
  CloseHandle(waker->event);
  delete waker;
}

NetSocket* NetUdpOpen(uint16_t preferredPort, uint16_t* boundPort) {
  if (!NetSocketsReady()) return nullptr;
  const SOCKET handle = socket(AF_INET, SOCK_DGRAM, IPPROTO_UDP);
  if (handle == INVALID_SOCKET) return nullptr;
  // Without this another program could bind the same port beside us.
  const BOOL exclusive = TRUE;
  setsockopt(handle, SOL_SOCKET, SO_EXCLUSIVEADDRUSE, reinterpret_cast<const char*>(&exclusive), sizeof exclusive);
  sockaddr_in bound;
  int size = sizeof bound;
  if ((!Bind(handle, preferredPort) && !Bind(handle, 0)) ||
      getsockname(handle, reinterpret_cast<sockaddr*>(&bound), &size) != 0) {
    closesocket(handle);
    return nullptr;
  }
  BOOL report = FALSE;
  DWORD returned = 0;
  WSAIoctl(handle, kUdpConnResetControl, &report, sizeof report, nullptr, 0, &returned, nullptr, nullptr);
  *boundPort = ntohs(bound.sin_port);
  return Wrap(handle, false);
}

NetSocket* NetTcpConnect(const NetAddress& to) {
  if (!NetSocketsReady()) return nullptr;
  const SOCKET handle = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
  if (handle == INVALID_SOCKET) return nullptr;
  // A VISCA packet is a few bytes that must leave at once.
  const BOOL on = TRUE;
  setsockopt(handle, IPPROTO_TCP, TCP_NODELAY, reinterpret_cast<const char*>(&on), sizeof on);
  NetSocket* socket = Wrap(handle, true);  // non-blocking from here on
  if (socket == nullptr) return nullptr;
  const sockaddr_in sa = ToSockaddr(to);
  if (connect(handle, reinterpret_cast<const sockaddr*>(&sa), sizeof sa) != 0 && WSAGetLastError() != WSAEWOULDBLOCK) {
    NetClose(socket);
    return nullptr;
  }
  return socket;
}

NetConnectState NetTcpConnected(NetSocket* socket) {
  fd_set writable;
  fd_set failed;
  FD_ZERO(&writable);
  FD_ZERO(&failed);
  FD_SET(socket->handle, &writable);
  FD_SET(socket->handle, &failed);
  timeval now = {0, 0};
  if (select(0, nullptr, &writable, &failed, &now) <= 0) return NET_CONNECT_UNDER_WAY;
  return FD_ISSET(socket->handle, &failed) ? NET_CONNECT_REFUSED : NET_CONNECT_MADE;
}

// The socket's event only says that something happened; reading its record
// resets it, and the caller then asks the socket itself.
NetWaitResult NetWait(NetSocket* socket, NetWaitFor, NetWaker* waker, uint32_t waitMs) {
  const HANDLE handles[2] = {waker->event, socket != nullptr ? socket->event : nullptr};
  const DWORD result = WaitForMultipleObjects(socket != nullptr ? 2 : 1, handles, FALSE, waitMs);
  if (result == WAIT_OBJECT_0) return NET_WAIT_WOKEN;
  if (result != WAIT_OBJECT_0 + 1) return NET_WAIT_TIME_OUT;
  WSANETWORKEVENTS events;
  WSAEnumNetworkEvents(socket->handle, socket->event, &events);
  return NET_WAIT_READY;
}

int32_t NetReceive(NetSocket* socket, uint8_t* buffer, int32_t capacity, NetAddress* from) {
  sockaddr_in sender;
  int size = sizeof sender;
  char* bytes = reinterpret_cast<char*>(buffer);
  const int n = socket->stream
                    ? recv(socket->handle, bytes, capacity, 0)
                    : recvfrom(socket->handle, bytes, capacity, 0, reinterpret_cast<sockaddr*>(&sender), &size);
  const int error = n < 0 ? WSAGetLastError() : 0;
  if (n > 0) {
    if (!socket->stream && from != nullptr) *from = FromSockaddr(sender);
    return n;
  }
  // A datagram socket only reports a datagram longer than the buffer (then
  // gone) or an earlier send's refusal: not an end.
  if (!socket->stream) return 0;
  return n < 0 && (error == WSAEWOULDBLOCK || error == WSAEINTR) ? 0 : -1;
}

bool NetSend(NetSocket* socket, const uint8_t* data, int32_t length, const NetAddress* to) {
  const char* bytes = reinterpret_cast<const char*>(data);
  if (to != nullptr) {
    const sockaddr_in sa = ToSockaddr(*to);
    return sendto(socket->handle, bytes, length, 0, reinterpret_cast<const sockaddr*>(&sa), sizeof sa) == length;
  }
  int32_t done = 0;
  while (done < length) {
    const int n = send(socket->handle, bytes + done, length - done, 0);
    if (n > 0) {
      done += n;
      continue;
    }
    if (n < 0 && WSAGetLastError() != WSAEWOULDBLOCK) return false;
    if (!WaitWritable(socket->handle)) return false;
  }
  return true;
}

void NetClose(NetSocket* socket) {
  closesocket(socket->handle);
  WSACloseEvent(socket->event);
  delete socket;
}

NetSocket* NetTcpListen(const NetAddress& at, NetListenResult* result, uint16_t* boundPort) {
  *result = NET_LISTEN_FAILED;
  if (!NetSocketsReady()) return nullptr;
  const SOCKET handle = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
  if (handle == INVALID_SOCKET) return nullptr;
  // Without this another program could bind the same port beside us.
  const BOOL exclusive = TRUE;
  setsockopt(handle, SOL_SOCKET, SO_EXCLUSIVEADDRUSE, reinterpret_cast<const char*>(&exclusive), sizeof exclusive);
  const sockaddr_in sa = ToSockaddr(at);
  sockaddr_in bound;
  int size = sizeof bound;
  if (bind(handle, reinterpret_cast<const sockaddr*>(&sa), sizeof sa) != 0 || listen(handle, SOMAXCONN) != 0 ||
      getsockname(handle, reinterpret_cast<sockaddr*>(&bound), &size) != 0) {
    const int error = WSAGetLastError();
    if (error == WSAEADDRINUSE || error == WSAEACCES) *result = NET_LISTEN_IN_USE;
    if (error == WSAEADDRNOTAVAIL) *result = NET_LISTEN_NO_ADDRESS;
    closesocket(handle);
    return nullptr;
  }
  *boundPort = ntohs(bound.sin_port);
  *result = NET_LISTEN_OK;
  return Wrap(handle, true, kServerEvents);
}

NetSocket* NetTcpAccept(NetSocket* listener) {
  const SOCKET handle = accept(listener->handle, nullptr, nullptr);
  if (handle == INVALID_SOCKET) return nullptr;
  SetUpAccepted(handle);
  return Wrap(handle, true, kServerEvents);
}

int32_t NetSendSome(NetSocket* socket, const uint8_t* data, int32_t length) {
  const int n = send(socket->handle, reinterpret_cast<const char*>(data), length, 0);
  if (n >= 0) return n;
  return WSAGetLastError() == WSAEWOULDBLOCK ? 0 : -1;
}

void NetShutdownSend(NetSocket* socket) { shutdown(socket->handle, SD_SEND); }

namespace {

// The sockets' state as select() sees it now, without waiting; true when any
// entry is ready. The events only say that something happened.
bool LookNow(NetPollEntry* entries, int count) {
  fd_set readable;
  fd_set writable;
  fd_set failed;
  FD_ZERO(&readable);
  FD_ZERO(&writable);
  FD_ZERO(&failed);
  for (int i = 0; i < count; i++) {
    if (entries[i].wantRead) FD_SET(entries[i].socket->handle, &readable);
    FD_SET(entries[i].socket->handle, &failed);
    if (entries[i].wantWrite) FD_SET(entries[i].socket->handle, &writable);
  }
  timeval now = {0, 0};
  const bool any = count > 0 && select(0, &readable, &writable, &failed, &now) > 0;
  for (int i = 0; i < count; i++) {
    const SOCKET handle = entries[i].socket->handle;
    const bool fault = any && FD_ISSET(handle, &failed);
    entries[i].readable = entries[i].wantRead && (fault || (any && FD_ISSET(handle, &readable)));
    entries[i].writable = entries[i].wantWrite && (fault || (any && FD_ISSET(handle, &writable)));
  }
  return any;
}

}  // namespace

NetWaitResult NetPoll(NetPollEntry* entries, int count, NetWaker* waker, uint32_t waitMs) {
  if (LookNow(entries, count)) return NET_WAIT_READY;
  HANDLE handles[kNetPollMax + 1];
  handles[0] = waker->event;
  for (int i = 0; i < count; i++) handles[i + 1] = entries[i].socket->event;
  const DWORD result = WaitForMultipleObjects(static_cast<DWORD>(count + 1), handles, FALSE, waitMs);
  // Reading each record resets its event for the next wait.
  WSANETWORKEVENTS events;
  for (int i = 0; i < count; i++) WSAEnumNetworkEvents(entries[i].socket->handle, entries[i].socket->event, &events);
  LookNow(entries, count);
  if (result == WAIT_OBJECT_0) return NET_WAIT_WOKEN;
  return result == WAIT_TIMEOUT ? NET_WAIT_TIME_OUT : NET_WAIT_READY;
}
