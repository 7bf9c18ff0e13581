#include "remote/remote_connection.h"

#include <cstdio>
#include <cstring>

namespace {

const char kTokenWord[] = "token ";
// A line end may still follow a CR at the limit.
constexpr size_t kLongestPartial = kRemoteLineChars + 1;

void Say(Connection* c, RemoteSide* side, const char* line) {
  ConnectionQueue(c, side, line, std::strlen(line));
  if (c->state != CONNECTION_FREE) ConnectionQueue(c, side, "\n", 1);
}

// The first line when a token is set: `token TEXT` or the end.
void CheckToken(Connection* c, RemoteSide* side, const char* line, uint32_t now) {
  const size_t word = sizeof kTokenWord - 1;
  c->authorised = std::strncmp(line, kTokenWord, word) == 0 && std::strcmp(line + word, side->token) == 0;
  Say(c, side, c->authorised ? "ok" : "error: token needed");
  if (!c->authorised) ConnectionFinish(c, side, now);
}

void HandleLine(Connection* c, RemoteSide* side, const char* line, size_t length, uint32_t now) {
  if (std::memchr(line, 0, length) != nullptr) return Say(c, side, "error: the line holds a NUL byte");
  if (!c->authorised) return CheckToken(c, side, line, now);
  side->reply[0] = 0;
  const RemoteOutcome outcome =
      side->handler.line(side->handler.context, c->number, line, side->reply, sizeof side->reply);
  side->reply[sizeof side->reply - 1] = 0;
  if (side->reply[0] != 0) Say(c, side, side->reply);
  if (outcome == REMOTE_SUBSCRIBE) c->subscribed = true;
  if (outcome == REMOTE_QUIT) ConnectionFinish(c, side, now);
}

// Every whole line received, while a reply still fits; the rest waits.
void TakeLines(Connection* c, RemoteSide* side, uint32_t now) {
  char* line = side->line;
  size_t start = 0;
  while (c->state == CONNECTION_LIVE && ConnectionRoom(*c) > kRemoteReplyBytes) {
    const char* lf = static_cast<const char*>(std::memchr(c->in + start, '\n', c->inUsed - start));
    if (lf == nullptr) break;
    size_t n = static_cast<size_t>(lf - (c->in + start));
    const size_t next = start + n + 1;
    if (n > 0 && c->in[start + n - 1] == '\r') n--;
    if (n > kRemoteLineChars) break;
    std::memcpy(line, c->in + start, n);
    line[n] = 0;
    start = next;
    HandleLine(c, side, line, n, now);
  }
  if (c->state != CONNECTION_LIVE) return;
  std::memmove(c->in, c->in + start, c->inUsed - start);
  c->inUsed -= start;
  const char* lf = static_cast<const char*>(std::memchr(c->in, '\n', c->inUsed));
  size_t pending = lf != nullptr ? static_cast<size_t>(lf - c->in) : c->inUsed;
  if (lf != nullptr && pending > 0 && c->in[pending - 1] == '\r') pending--;
  const bool overlong = pending > (lf != nullptr ? kRemoteLineChars : kLongestPartial);
  if (!overlong) return;
  Say(c, side, "error: line too long");
  ConnectionFinish(c, side, now);
}

// A closing connection's bytes are read and let go.
void Discard(Connection* c, RemoteSide* side) {
  uint8_t scrap[1024];
  if (NetReceive(c->socket, scrap, sizeof scrap, nullptr) >= 0) return;
  c->inputEnded = true;
  ConnectionFlush(c, side);
}

bool WholeLineLeft(const Connection& c) { return c.mode == MODE_LINES && std::memchr(c.in, '\n', c.inUsed) != nullptr; }

}  // namespace

size_t ConnectionRoom(const Connection& c) { return kRemoteOutBytes - (c.outEnd - c.outStart); }

void ConnectionOpen(Connection* c, NetSocket* socket, RemoteSide* side) {
  c->socket = socket;
  c->state = CONNECTION_LIVE;
  c->mode = MODE_UNDECIDED;
  c->authorised = side->token[0] == 0;
  c->subscribed = false;
  c->sendShut = false;
  c->inputEnded = false;
  c->anyByte = false;
  c->since = 0;
  c->inUsed = 0;
  c->outStart = 0;
  c->outEnd = 0;
}

void ConnectionRead(Connection* c, RemoteSide* side, uint32_t now) {
  if (c->state == CONNECTION_CLOSING) return Discard(c, side);
  const int32_t n = NetReceive(c->socket, reinterpret_cast<uint8_t*>(c->in + c->inUsed),
                               static_cast<int32_t>(kHttpMaxRequestBytes - c->inUsed), nullptr);
  // What came before the end is still answered (ConnectionResume).
  if (n < 0) c->inputEnded = true;
  if (n <= 0) return;
  if (!c->anyByte) c->since = now;
  c->anyByte = true;
  c->inUsed += static_cast<size_t>(n);
  if (c->mode == MODE_UNDECIDED) {
    const HttpStart start = LooksLikeHttp(c->in, c->inUsed);
    if (start != HTTP_START_UNDECIDED) c->mode = start == HTTP_START_YES ? MODE_HTTP : MODE_LINES;
  }
  if (c->mode == MODE_HTTP) ConnectionHttp(c, side, now);
  if (c->mode == MODE_LINES) TakeLines(c, side, now);
}

void ConnectionResume(Connection* c, RemoteSide* side, uint32_t now) {
  // Replies the system takes at once make room for the next lines.
  while (c->state == CONNECTION_LIVE && WholeLineLeft(*c) && ConnectionRoom(*c) > kRemoteReplyBytes) {
    TakeLines(c, side, now);
    ConnectionFlush(c, side);
  }
  // A last line without its LF may be cut short: it is let go, not run.
  if (c->state == CONNECTION_LIVE && c->inputEnded && !WholeLineLeft(*c)) ConnectionFinish(c, side, now);
}

void ConnectionFlush(Connection* c, RemoteSide* side) {
  while (c->outStart < c->outEnd) {
    const int32_t n = NetSendSome(c->socket, c->out + c->outStart, static_cast<int32_t>(c->outEnd - c->outStart));
    if (n < 0) return ConnectionDrop(c, side);
    if (n == 0) return;
    c->outStart += static_cast<size_t>(n);
  }
  c->outStart = c->outEnd = 0;
  if (c->state != CONNECTION_CLOSING) return;
  if (!c->sendShut) NetShutdownSend(c->socket);
  c->sendShut = true;
  // Both sides have ended: a close now resets nothing unread.
  if (c->inputEnded) ConnectionDrop(c, side);
}

void ConnectionQueue(Connection* c, RemoteSide* side, const char* text, size_t length) {
  if (c->state == CONNECTION_FREE) return;
  if (length > ConnectionRoom(*c)) return ConnectionDrop(c, side);
  if (c->outEnd + length > kRemoteOutBytes) {
    std::memmove(c->out, c->out + c->outStart, c->outEnd - c->outStart);
    c->outEnd -= c->outStart;
    c->outStart = 0;
  }
  std::memcpy(c->out + c->outEnd, text, length);
  c->outEnd += length;
}

void ConnectionFinish(Connection* c, RemoteSide* side, uint32_t now) {
  if (c->state == CONNECTION_LIVE && side->handler.closed != nullptr)
    side->handler.closed(side->handler.context, c->number);
  c->state = CONNECTION_CLOSING;
  c->subscribed = false;
  c->since = now;
  ConnectionFlush(c, side);
}

void ConnectionDrop(Connection* c, RemoteSide* side) {
  if (c->state == CONNECTION_FREE) return;
  if (c->state == CONNECTION_LIVE && side->handler.closed != nullptr)
    side->handler.closed(side->handler.context, c->number);
  NetClose(c->socket);
  c->socket = nullptr;
  c->state = CONNECTION_FREE;
  c->subscribed = false;
}

bool ConnectionTimers(Connection* c, RemoteSide* side, uint32_t now) {
  if (c->state == CONNECTION_LIVE && c->mode == MODE_HTTP) {
    if (now - c->since < kHttpRequestMs) return true;
    HttpAnswer(c, side, 400, "error: request not complete within 2 s");
    ConnectionFinish(c, side, now);
  }
  if (c->state != CONNECTION_CLOSING) return false;
  if (now - c->since < kLingerMs) return true;
  ConnectionDrop(c, side);
  return false;
}
