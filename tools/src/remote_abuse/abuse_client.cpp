#include "tools/src/remote_abuse/abuse_client.h"

#include <arpa/inet.h>
#include <errno.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <time.h>
#include <unistd.h>
#include <cstdio>
#include <cstring>

namespace {

// Waits for `events` on the socket until `deadline`; false when the time ran out.
bool Await(const Client* c, short events, uint64_t deadline) {
  for (;;) {
    const uint64_t now = NowMs();
    if (now >= deadline) return false;
    pollfd p = {c->fd, events, 0};
    const int n = poll(&p, 1, static_cast<int>(deadline - now));
    if (n > 0) return true;
    if (n < 0 && errno != EINTR) return false;
  }
}

// One read into the buffer: >0 bytes, 0 the end (or a reset), -1 nothing yet.
int ReadSome(Client* c) {
  if (c->used == sizeof c->in) c->used = 0;  // a line this long is not one we check
  const ssize_t n = recv(c->fd, c->in + c->used, sizeof c->in - c->used, MSG_DONTWAIT);
  if (n > 0) c->used += static_cast<size_t>(n);
  if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR)) return -1;
  return n > 0 ? static_cast<int>(n) : 0;
}

}  // namespace

uint64_t NowMs() {
  timespec t;
  clock_gettime(CLOCK_MONOTONIC, &t);
  return static_cast<uint64_t>(t.tv_sec) * 1000u + static_cast<uint64_t>(t.tv_nsec) / 1000000u;
}

bool ClientOpen(Client* c, const AbuseTarget& target, int receiveBuffer) {
  c->used = 0;
  c->fd = socket(AF_INET, SOCK_STREAM, 0);
  if (c->fd < 0) return false;
  if (receiveBuffer > 0) setsockopt(c->fd, SOL_SOCKET, SO_RCVBUF, &receiveBuffer, sizeof receiveBuffer);
  sockaddr_in at = {};
  at.sin_family = AF_INET;
  at.sin_port = htons(target.port);
  if (inet_pton(AF_INET, target.host, &at.sin_addr) != 1 ||
      connect(c->fd, reinterpret_cast<const sockaddr*>(&at), sizeof at) != 0) {
    ClientClose(c);
    return false;
  }
  return true;
}

void ClientClose(Client* c) {
  if (c->fd >= 0) close(c->fd);
  c->fd = -1;
  c->used = 0;
}

bool ClientSend(Client* c, const void* data, size_t length, uint32_t limitMs) {
  const uint64_t deadline = NowMs() + limitMs;
  const char* p = static_cast<const char*>(data);
  while (length > 0) {
    const ssize_t n = send(c->fd, p, length, MSG_DONTWAIT | MSG_NOSIGNAL);
    if (n > 0) {
      p += n;
      length -= static_cast<size_t>(n);
      continue;
    }
    if (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR) return false;
    if (!Await(c, POLLOUT, deadline)) return false;
  }
  return true;
}

bool ClientSay(Client* c, const char* line) {
  char text[600];
  const int n = snprintf(text, sizeof text, "%s\n", line);
  return n > 0 && static_cast<size_t>(n) < sizeof text && ClientSend(c, text, static_cast<size_t>(n));
}

ReadResult ClientLine(Client* c, char* out, size_t size, uint32_t limitMs) {
  const uint64_t deadline = NowMs() + limitMs;
  for (;;) {
    const char* lf = static_cast<const char*>(memchr(c->in, '\n', c->used));
    if (lf != nullptr) {
      const size_t n = static_cast<size_t>(lf - c->in);
      snprintf(out, size, "%.*s", static_cast<int>(n), c->in);
      memmove(c->in, lf + 1, c->used - n - 1);
      c->used -= n + 1;
      return READ_LINE;
    }
    const int got = ReadSome(c);
    if (got == 0) return READ_CLOSED;
    if (got < 0 && !Await(c, POLLIN, deadline)) return READ_TIMEOUT;
  }
}

bool ClientEnds(Client* c, uint32_t limitMs, size_t* bytes) {
  const uint64_t deadline = NowMs() + limitMs;
  for (;;) {
    const size_t before = c->used;
    const int got = ReadSome(c);
    if (got == 0) return true;
    if (got > 0 && bytes != nullptr) *bytes += c->used - before;
    if (got > 0) c->used = 0;
    if (got < 0 && !Await(c, POLLIN, deadline)) return false;
  }
}

bool ClientDrain(Client* c, size_t* lines) {
  for (;;) {
    const int got = ReadSome(c);
    if (got < 0) return true;
    if (got == 0) return false;
    for (size_t i = c->used - static_cast<size_t>(got); i < c->used; i++) *lines += c->in[i] == '\n' ? 1 : 0;
    c->used = 0;
  }
}

bool ClientAsk(Client* c, const char* line, char* reply, size_t size, uint32_t limitMs) {
  snprintf(reply, size, "(no reply)");
  if (!ClientSay(c, line) || ClientLine(c, reply, size, limitMs) != READ_LINE) return false;
  return strncmp(reply, "ok", 2) == 0 && (reply[2] == 0 || reply[2] == ' ');
}
