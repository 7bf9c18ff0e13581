// Sockets of the network lines, one whole file per platform: Winsock in
// net/win32_socket.cpp, BSD sockets in net/posix_socket.cpp. IPv4. Every
// socket is non-blocking; a thread sleeps in NetWait until its socket has
// something or its waker is set, like SerialPortReceive and SerialPortWake.
#pragma once

#include <cstdint>

struct NetAddress {
  uint8_t ip[4] = {};
  uint16_t port = 0;
};

inline bool SameAddress(const NetAddress& a, const NetAddress& b) {
  return a.port == b.port && a.ip[0] == b.ip[0] && a.ip[1] == b.ip[1] && a.ip[2] == b.ip[2] && a.ip[3] == b.ip[3];
}

struct NetSocket;
struct NetWaker;

// Looks a name or dotted address up; may take as long as the resolver does,
// so never on the user-interface thread (net/net_lookup.h runs it aside).
bool NetResolve(const char* host, uint16_t port, NetAddress* out);

// Null when the system has no more handles.
NetWaker* NetWakerCreate();
// Ends a NetWait on this waker that sleeps now, or makes the next one return
// at once. Any thread.
void NetWakerSet(NetWaker* waker);
void NetWakerDestroy(NetWaker* waker);

// UDP on every local address, on `preferredPort` when it is free, else on a
// port the system picks; *boundPort tells which. Null on failure.
NetSocket* NetUdpOpen(uint16_t preferredPort, uint16_t* boundPort);
// Starts a TCP connection without waiting for it. Null when it failed at once.
NetSocket* NetTcpConnect(const NetAddress& to);
enum NetConnectState { NET_CONNECT_UNDER_WAY, NET_CONNECT_MADE, NET_CONNECT_REFUSED };
NetConnectState NetTcpConnected(NetSocket* socket);

enum NetWaitFor { NET_WAIT_READ, NET_WAIT_CONNECT };
enum NetWaitResult { NET_WAIT_READY, NET_WAIT_WOKEN, NET_WAIT_TIME_OUT };
// Sleeps up to `waitMs` (OS_INFINITE: no limit) until `socket` (null: none)
// has bytes or an end to read, or has finished connecting, or the waker is
// set; a wake is used up.
NetWaitResult NetWait(NetSocket* socket, NetWaitFor what, NetWaker* waker, uint32_t waitMs);
// Takes what has arrived, without waiting: a count (one datagram on UDP, its
// sender in `from`), 0 when nothing waits, -1 when a connection has ended.
// A datagram longer than `capacity` never comes whole (POSIX cuts it, Winsock
// drops it): give more room than the longest datagram that counts.
int32_t NetReceive(NetSocket* socket, uint8_t* buffer, int32_t capacity, NetAddress* from);
// One datagram to `to`, or bytes onto the connection (`to` null). A send the
// network holds off gives up after a bounded time. False when it failed.
bool NetSend(NetSocket* socket, const uint8_t* data, int32_t length, const NetAddress* to);
void NetClose(NetSocket* socket);

// A server's side: a listening socket, the connections it accepts, and one
// wait on all of them.
enum NetListenResult { NET_LISTEN_OK, NET_LISTEN_IN_USE, NET_LISTEN_NO_ADDRESS, NET_LISTEN_FAILED };
// A TCP socket listening on `at` (port 0: one the system picks, told in
// *boundPort); null with the reason in *result.
NetSocket* NetTcpListen(const NetAddress& at, NetListenResult* result, uint16_t* boundPort);
// What the system may hold unsent for a connection taken by NetTcpAccept: a
// fixed amount, so that a peer that stops reading fills the caller's own
// bounded buffer instead of a system buffer that grows to megabytes.
constexpr int kNetAcceptedSendBytes = 16384;
// A connection waiting on `listener`, non-blocking; null when none waits.
NetSocket* NetTcpAccept(NetSocket* listener);
// Bytes onto a connection without waiting: how many the system took (0 when
// its buffer is full), -1 when the connection has failed.
int32_t NetSendSome(NetSocket* socket, const uint8_t* data, int32_t length);
// Nothing more will be sent: the peer reads an end after what was sent.
void NetShutdownSend(NetSocket* socket);

constexpr int kNetPollMax = 32;
struct NetPollEntry {
  NetSocket* socket;
  bool wantRead;
  bool wantWrite;
  bool readable;  // out: with wantRead, bytes, an end or a connection to accept
  bool writable;  // out: with wantWrite, room to send
};
// Sleeps up to `waitMs` until a socket of `entries` (at most kNetPollMax) is
// readable or writable as wanted, or the waker is set (a wake is used
// up); fills every entry's readable and writable.
NetWaitResult NetPoll(NetPollEntry* entries, int count, NetWaker* waker, uint32_t waitMs);
