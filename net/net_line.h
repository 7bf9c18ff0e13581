// A network line below a SerialChannel (serial/line_backend.h): a TCP line
// (net/tcp_line.cpp) or a datagram line, raw UDP or visca-ip on the shared
// socket (net/datagram_line.cpp).
//
// Opening never waits: a name is looked up aside and a TCP connection is
// made while the I/O thread sleeps in the line's receive. A line that cannot be
// reached, or whose connection drops, is tried again every second. A frame
// written before the line is up waits there for it (only the newest one).
// visca-ip lines follow ViscaIpSession's rules: RESET when the line comes up,
// resends while the I/O thread sleeps here, only VISCA packets passed on.
#pragma once

#include "net/net_config.h"
#include "serial/line_backend.h"

#include <cstdint>

// LineOps::takeEvents: what happened on the line.
enum : uint32_t {
  NET_EVENT_UP = 1,                     // connected (tcp) or on the shared UDP socket
  NET_EVENT_LOOKUP_FAILED = 2,          // the host name does not resolve
  NET_EVENT_CONNECT_FAILED = 4,         // refused, unreachable, or no answer in time
  NET_EVENT_CONNECTION_LOST = 8,        // the TCP connection ended
  NET_EVENT_MESSAGE_TYPE_REFUSED = 16,  // a visca-ip camera refused a message's payload type
  NET_EVENT_LATE_REPLY = 32,            // a visca-ip reply came too late and waits in LineOps::takeLateReply
};

// The table of the line's kind, for SerialChannel::OpenLine; `line` must
// last until that returns. Its open is null when the system has no more
// handles or memory.
LineOpener NetLineOpener(const NetLineConfig& line);

// In-process peer in place of the network, for deterministic tests: while a
// peer is set for a TCP or UDP port, a line to that port (on any host) talks to
// it instead of a socket, and asks it for input every millisecond. Set it
// before the line opens; remove it (null) once the line has closed.
struct NetPeer {
  virtual ~NetPeer() = default;
  // A connection attempt (tcp), or the line joining the shared socket: false refuses it.
  virtual bool Connect() = 0;
  // What the line sends: bytes on the connection, or one datagram.
  virtual void OnWrite(const uint8_t* data, int32_t length) = 0;
  // Bytes of the connection or one datagram, at most `capacity`: the count,
  // 0 when nothing waits, -1 when the connection ended.
  virtual int32_t Receive(uint8_t* buffer, int32_t capacity) = 0;
};
void NetLineSetPeer(uint16_t ipPort, NetPeer* peer);
