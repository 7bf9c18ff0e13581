// One connection of the listener, on the listener's thread only: its bytes
// in (command lines or one HTTP request), its bytes out, and its end.
#pragma once

#include "net/net_socket.h"
#include "remote/http_request.h"
#include "remote/remote_server.h"

#include <cstddef>
#include <cstdint>

// An HTTP request must be whole this long after its first byte.
constexpr uint32_t kHttpRequestMs = 2000;
// A connection the server ends is read to its end this long at most, so
// that its last reply is not lost to a reset.
constexpr uint32_t kLingerMs = 2000;

enum ConnectionState { CONNECTION_FREE, CONNECTION_LIVE, CONNECTION_CLOSING };
enum ConnectionMode { MODE_UNDECIDED, MODE_LINES, MODE_HTTP };

// What every connection shares: the handler, the token and the buffers of
// the line or request in hand and of its reply.
struct RemoteSide {
  RemoteHandler handler;
  char token[kRemoteTokenChars + 1];
  char line[kRemoteLineChars + 1];
  HttpRequest request;
  char reply[kRemoteReplyBytes];
};

struct Connection {
  NetSocket* socket = nullptr;
  int32_t number = 0;
  ConnectionState state = CONNECTION_FREE;
  ConnectionMode mode = MODE_UNDECIDED;
  bool authorised = false;  // the token line was right, or none is needed
  bool subscribed = false;
  bool sendShut = false;
  bool inputEnded = false;  // the peer sent its end (or failed): nothing more is read
  uint32_t since = 0;       // the first byte's tick (HTTP), or the start of closing
  bool anyByte = false;
  size_t inUsed = 0;
  size_t outStart = 0;
  size_t outEnd = 0;
  char in[kHttpMaxRequestBytes + 1];
  uint8_t out[kRemoteOutBytes];
};

void ConnectionOpen(Connection* c, NetSocket* socket, RemoteSide* side);
// Reads what arrived and answers it.
void ConnectionRead(Connection* c, RemoteSide* side, uint32_t now);
// Lines held back while their replies would not fit, once they do; after
// the peer's end, its end once every whole line is answered.
void ConnectionResume(Connection* c, RemoteSide* side, uint32_t now);
// Sends what waits, as much as the system takes now; a closing connection
// whose peer has ended too is closed once all is sent.
void ConnectionFlush(Connection* c, RemoteSide* side);
// Adds bytes to send; a connection past kRemoteOutBytes is dropped.
void ConnectionQueue(Connection* c, RemoteSide* side, const char* text, size_t length);
// The server ends it: what waits is sent, then it closes.
void ConnectionFinish(Connection* c, RemoteSide* side, uint32_t now);
// Closes it now.
void ConnectionDrop(Connection* c, RemoteSide* side);
// The HTTP time limit and the end of lingering; true while one of them is
// pending.
bool ConnectionTimers(Connection* c, RemoteSide* side, uint32_t now);
// Free room for a reply or events (one reply must fit before a line is
// taken).
size_t ConnectionRoom(const Connection& c);
// An HTTP request's bytes so far: answered once whole or refused.
void ConnectionHttp(Connection* c, RemoteSide* side, uint32_t now);
// The whole HTTP answer with `body` (a line, or none) queued.
void HttpAnswer(Connection* c, RemoteSide* side, int status, const char* body);
