// The remote-control listener: a TCP port on its own thread where a button
// panel, a switcher or a script sends command lines, or one command as an
// HTTP GET. The server only carries lines: what a line does is the
// handler's (RemoteHandler), called on the listener's thread.
#pragma once

#include "remote/remote_config.h"

#include <cstddef>
#include <cstdint>

enum RemoteOutcome {
  REMOTE_OK,         // the reply stands; the connection goes on
  REMOTE_ERROR,      // the reply is an "error: " line (HTTP: 400)
  REMOTE_SUBSCRIBE,  // as REMOTE_OK, and the connection now receives event lines
  REMOTE_QUIT,       // the reply is sent, then the connection closes
};

constexpr int kRemoteMaxConnections = 8;
// Connection numbers run 0..kRemoteConnectionSlots-1: the live ones and
// those still closing.
constexpr int kRemoteConnectionSlots = 16;
// What one connection may have waiting to be sent; past it, it is closed.
constexpr size_t kRemoteOutBytes = 65536;
// Room for one reply: `ok N` and N camera lines fit.
constexpr size_t kRemoteReplyBytes = 32768;
// Stopping waits this long at most for the thread.
constexpr uint32_t kRemoteStopMs = 2000;

struct RemoteHandler {
  void* context;
  // A command line of `connection` (no line end; printable or not, never
  // longer than 512 characters). Fills `reply` (`size` bytes) with the whole
  // reply: one line, or several separated by LF, without the last LF. Must
  // not wait on the user-interface thread or the engine's worker.
  RemoteOutcome (*line)(void* context, int32_t connection, const char* line, char* reply, size_t size);
  // The connection has ended, by either side; its number may be given to a
  // new connection after this. Null: not wanted.
  void (*closed)(void* context, int32_t connection);
};

struct RemoteServer;

// Listens where `config` says (config.listen; port 0 takes one the system
// picks) and starts the thread. Null with the status text that says why.
RemoteServer* RemoteServerStart(const RemoteConfig& config, const RemoteHandler& handler, char* status, size_t size);
uint16_t RemoteServerPort(const RemoteServer* server);
// Any thread, without waiting but for a copy under a lock: hands `line` (one
// line, no line end) to every connection subscribed when the listener's
// thread takes it. False, the line not taken, when 256 lines already wait or
// the line does not fit; a line taken is sent to each subscriber whose
// buffer has room, and a subscriber past its 64 KB is closed.
bool RemotePublish(RemoteServer* server, const char* line);
// Closes every connection (`closed` for each live one) and ends the thread
// within kRemoteStopMs. No handler call after it returns true; false when
// the thread did not end (the server is then left to the process's end).
// Nothing may publish to the server once this has begun.
bool RemoteServerStop(RemoteServer* server);
