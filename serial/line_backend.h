// The line below a SerialChannel: one table of functions that each kind of
// line fills in its own file (a COM port in serial/serial_line.cpp, a TCP
// line in net/tcp_line.cpp, a datagram line in net/datagram_line.cpp), so the
// channel's I/O thread drives them all the same way and knows none of them.
#pragma once

#include <cstdint>

// What a kind's open returns; each kind has its own structure behind it.
struct LineHandle;

enum LineKind : uint8_t {
  LINE_KIND_SERIAL,    // a COM port: lost when its device goes, opened again by its owner
  LINE_KIND_STREAM,    // TCP: connects again by itself
  LINE_KIND_DATAGRAM,  // UDP or visca-ip on the shared socket: joins again by itself
};

// Every entry is filled. Threads: the I/O thread receives, writes, asks
// whether the line came up or was lost, and ends its receiving; any thread
// wakes and asks for events; the channel's owner does the rest.
struct LineOps {
  LineKind kind;
  // Null on failure, with nothing left open. `config` is the kind's own
  // description of the line, read only during the call.
  LineHandle* (*open)(const void* config);
  // Waits up to `waitMs` (OS_INFINITE: no limit) until bytes arrive or a
  // wake, then takes them, at most `capacity`. Returns how many came.
  int32_t (*receive)(LineHandle* line, uint8_t* buffer, int32_t capacity, uint32_t waitMs);
  // One frame, in one call; the result is not relied upon.
  void (*write)(LineHandle* line, const uint8_t* data, int32_t length);
  // True once after the line came (back) up: bytes kept from before must not
  // be joined to what comes now.
  bool (*takeCameUp)(LineHandle* line);
  // The device went away: only closing and opening again brings it back.
  bool (*lost)(LineHandle* line);
  // Before the I/O thread ends: nothing the line keeps pending may land later.
  void (*endReceive)(LineHandle* line);
  // Ends a receive that waits now, or makes the next one return at once.
  void (*wake)(LineHandle* line);
  // Some event waits for the owner.
  bool (*hasEvents)(LineHandle* line);
  // The NET_EVENT_ bits (net/net_line.h) since the last call; 0 on a COM port.
  uint32_t (*takeEvents)(LineHandle* line);
  // Connected, or on the shared UDP socket; false on a COM port.
  bool (*isUp)(LineHandle* line);
  // A visca-ip line numbers its messages afresh; nothing on other kinds.
  void (*restartNumbering)(LineHandle* line);
  // Every frame written so far is given up: what still comes for a visca-ip
  // line's numbers is dropped as late; nothing on other kinds.
  void (*giveUpMessages)(LineHandle* line);
  // The oldest late reply a visca-ip line dropped: its length, 0 when none.
  int32_t (*takeLateReply)(LineHandle* line, uint8_t* buffer, int32_t capacity);
  // Once the I/O thread has ended. False when a COM port had to be left open
  // (its driver still holds a request); the handle is gone either way.
  bool (*close)(LineHandle* line);
};

// A kind's table and its description of one line, for SerialChannel::OpenLine.
struct LineOpener {
  const LineOps* ops;
  const void* config;
};
