// One network line in the shape of a serial port (serial/serial_port.h), so a
// SerialChannel's I/O thread drives it the same way: receive (sleep until
// bytes come or a wake), write a frame, wake, close.
//
// Opening never waits: a name is looked up aside and a TCP connection is
// made while the I/O thread sleeps in NetPortReceive. A line that cannot be
// reached, or whose connection drops, is tried again every second. A frame
// written before the line is up waits there for it (only the newest one).
// visca-ip lines follow ViscaIpSession's rules: RESET when the line comes up,
// resends while the I/O thread sleeps here, only VISCA packets passed on.
#pragma once

#include "net/net_config.h"

#include <cstdint>

struct NetPort;

// NetPortTakeEvents: what happened on the line.
enum : uint32_t {
  NET_EVENT_UP = 1,                     // connected (tcp) or on the shared UDP socket
  NET_EVENT_LOOKUP_FAILED = 2,          // the host name does not resolve
  NET_EVENT_CONNECT_FAILED = 4,         // refused, unreachable, or no answer in time
  NET_EVENT_CONNECTION_LOST = 8,        // the TCP connection ended
  NET_EVENT_MESSAGE_TYPE_REFUSED = 16,  // a visca-ip camera refused a message's payload type
  NET_EVENT_LATE_REPLY = 32,            // a visca-ip reply came too late and waits in NetPortTakeLateReply
};

// Null when the system has no more handles or memory.
NetPort* NetPortOpen(const NetLineConfig& line);
// Waits up to `waitMs` (OS_INFINITE: no limit; a visca-ip resend or the next
// connection attempt cuts it short) until bytes arrive or NetPortWake, then
// takes them, at most `capacity`. Returns how many came.
int32_t NetPortReceive(NetPort* port, uint8_t* buffer, int32_t capacity, uint32_t waitMs);
// Ends a NetPortReceive that waits now, or makes the next one return at once.
// Any thread, while the port is open.
void NetPortWake(NetPort* port);
// One frame: a visca-ip message, a raw datagram, or bytes on the connection.
void NetPortWrite(NetPort* port, const uint8_t* data, int32_t length);
// Once the I/O thread has ended.
void NetPortClose(NetPort* port);
// The NET_EVENT_ bits since the last call. Any thread.
uint32_t NetPortTakeEvents(NetPort* port);
// Some NET_EVENT_ bit waits to be taken. Any thread.
bool NetPortHasEvents(NetPort* port);
// Connected (tcp) or on the shared UDP socket now. Any thread.
bool NetPortIsUp(NetPort* port);
// True once after the line came up, for the I/O thread: bytes kept from an
// earlier connection must not be joined to what comes on this one.
bool NetPortTakeCameUp(NetPort* port);
// A visca-ip line numbers its messages afresh from the next one on, behind a
// RESET, as a camera that restarted expects; other kinds have no numbering.
// Any thread.
void NetPortRestartNumbering(NetPort* port);
// The engine gave up every message written so far (a reply time-out): on a
// visca-ip line their numbers are no longer awaited, and what still comes for
// them is dropped as late rather than taken for a later message's reply;
// other kinds have no numbers. Any thread.
void NetPortGiveUpMessages(NetPort* port);
// The oldest late reply dropped, for the trace: its length, 0 when none waits.
// Any thread.
int32_t NetPortTakeLateReply(NetPort* port, uint8_t* buffer, int32_t capacity);

// In-process peer in place of the network, for deterministic tests: while a
// peer is set for a port number, a line to that port (on any host) talks to
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
void NetPortSetPeer(uint16_t port, NetPeer* peer);
