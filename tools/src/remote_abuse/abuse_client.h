// One TCP connection to the listener under test, every wait bounded.
#pragma once

#include <cstddef>
#include <cstdint>

constexpr size_t kClientBytes = 8192;

struct AbuseTarget {
  char host[64] = "127.0.0.1";
  uint16_t port = 0;
};

struct Client {
  int fd = -1;
  size_t used = 0;
  char in[kClientBytes];
};

enum ReadResult { READ_LINE, READ_CLOSED, READ_TIMEOUT };

uint64_t NowMs();
// receiveBuffer > 0: the socket's receive buffer is set that small first
// (a client that means to fall behind).
bool ClientOpen(Client* c, const AbuseTarget& target, int receiveBuffer = 0);
void ClientClose(Client* c);
// All of it, or false past limitMs or on a reset.
bool ClientSend(Client* c, const void* data, size_t length, uint32_t limitMs = 5000);
bool ClientSay(Client* c, const char* line);
// The next line without its LF (cut at `size`).
ReadResult ClientLine(Client* c, char* out, size_t size, uint32_t limitMs);
// Reads and drops what comes until the server ends the connection (true) or
// limitMs passes (false); `bytes` counts what came.
bool ClientEnds(Client* c, uint32_t limitMs, size_t* bytes = nullptr);
// What has arrived by now, read and dropped; false once the connection ended.
bool ClientDrain(Client* c, size_t* lines);
// `line` sent and its one reply line read into `reply`; true when it starts with `ok`.
bool ClientAsk(Client* c, const char* line, char* reply, size_t size, uint32_t limitMs = 5000);
