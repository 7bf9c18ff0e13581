// Connections by the dozen, by the thousand, an HTTP request that never
// ends, and a subscriber that never reads.
#include "tools/src/remote_abuse/abuse_cases.h"

#include <time.h>
#include <cstdio>
#include <cstring>

namespace {

constexpr int kTogether = 64;
constexpr int kServed = 8;
constexpr int kChurn = 1000;
constexpr uint32_t kAfterMs = 3000;
const char kTooMany[] = "error: too many connections";
constexpr int kFloodBatches = 200;
constexpr int kBatchLines = 100;  // below the listener's 256 waiting events
constexpr int kSmallReceiveBuffer = 4096;

void Pause(long ms) {
  const timespec t = {ms / 1000, (ms % 1000) * 1000000L};
  nanosleep(&t, nullptr);
}

// A connection told it is one too many: the line, then the end.
bool Refused(Client* c, const char* line) { return strcmp(line, kTooMany) == 0 && ClientEnds(c, kAfterMs); }

// One batch of `select N` lines on `driver`, their replies read; false on a reply missing.
bool SelectBatch(Client* driver, int camera) {
  char text[kBatchLines * 16];
  size_t used = 0;
  for (int i = 0; i < kBatchLines; i++)
    used += static_cast<size_t>(snprintf(text + used, sizeof text - used, "select %d\n", camera));
  if (!ClientSend(driver, text, used)) return false;
  char reply[256];
  for (int i = 0; i < kBatchLines; i++)
    if (ClientLine(driver, reply, sizeof reply, 5000) != READ_LINE || strncmp(reply, "ok", 2) != 0) return false;
  return true;
}

}  // namespace

bool NoConnection(char* detail, size_t size) {
  snprintf(detail, size, "no connection");
  return false;
}

bool NewConnectionWorks(const AbuseRun& run, uint32_t limitMs, char* reply, size_t size) {
  const uint64_t until = NowMs() + limitMs;
  snprintf(reply, size, "(no connection)");
  do {
    Client c;
    const bool works = ClientOpen(&c, run.target) && ClientAsk(&c, "status", reply, size);
    ClientClose(&c);
    if (works) return true;
    Pause(50);
  } while (NowMs() < until);
  return false;
}

bool AskPastEvents(Client* c, const char* line, char* reply, size_t size) {
  if (!ClientSay(c, line)) return false;
  while (ClientLine(c, reply, size, 5000) == READ_LINE)
    if (strncmp(reply, "event ", 6) != 0) return strncmp(reply, "ok", 2) == 0;
  return false;
}

bool ManyConnections(const AbuseRun& run, char* detail, size_t size) {
  static Client clients[kTogether];
  int opened = 0, served = 0, refused = 0;
  for (Client& c : clients) opened += ClientOpen(&c, run.target) ? 1 : 0;
  Pause(200);  // the refusals are on their way
  char line[256];
  bool answered[kTogether] = {};
  for (int i = 0; i < kTogether; i++) {
    if (clients[i].fd < 0 || ClientLine(&clients[i], line, sizeof line, 0) != READ_LINE) continue;
    answered[i] = true;
    refused += Refused(&clients[i], line) ? 1 : 0;
  }
  for (int i = 0; i < kTogether; i++) {
    if (clients[i].fd < 0 || answered[i]) continue;
    if (ClientAsk(&clients[i], "status", line, sizeof line, 2000))
      served++;
    else
      refused += Refused(&clients[i], line) ? 1 : 0;
  }
  for (Client& c : clients) ClientClose(&c);
  const bool after = NewConnectionWorks(run, kAfterMs, line, sizeof line);
  snprintf(detail, size, "%d opened together: %d served, %d told \"%s\" and closed; then a new one: \"%.50s\"", opened,
           served, refused, kTooMany, line);
  return opened == kTogether && served == kServed && refused == kTogether - kServed && after;
}

bool OpenAndClose(const AbuseRun& run, char* detail, size_t size) {
  int opened = 0;
  for (int i = 0; i < kChurn; i++) {
    Client c;
    opened += ClientOpen(&c, run.target) ? 1 : 0;
    ClientClose(&c);
  }
  char reply[256];
  const bool after = NewConnectionWorks(run, kAfterMs, reply, sizeof reply);
  snprintf(detail, size, "%d of %d opened and closed; then a new one: \"%.50s\"", opened, kChurn, reply);
  return opened == kChurn && after;
}

bool EndlessHttp(const AbuseRun& run, char* detail, size_t size) {
  static const char kStart[] = "GET /api?cmd=status HTTP/1.1\r\nHost: x\r\n";
  Client c;
  char line[256] = "(none)";
  if (!ClientOpen(&c, run.target)) return NoConnection(detail, size);
  const uint64_t start = NowMs();
  ClientSend(&c, kStart, sizeof kStart - 1);
  const bool answered = ClientLine(&c, line, sizeof line, 5000) == READ_LINE;
  const uint64_t took = NowMs() - start;
  const bool ended = ClientEnds(&c, kAfterMs);
  ClientClose(&c);
  snprintf(detail, size, "headers never ended: \"%.40s\" after %llu ms, %s", line,
           static_cast<unsigned long long>(took), ended ? "closed" : "still open");
  return answered && strncmp(line, "HTTP/1.1 400 ", 13) == 0 && took >= 1900 && took <= 3500 && ended;
}

bool NonReader(const AbuseRun& run, char* detail, size_t size) {
  Client quiet, reader, driver;
  char reply[256] = "(none)";
  if (!ClientOpen(&quiet, run.target, kSmallReceiveBuffer) || !ClientOpen(&reader, run.target) ||
      !ClientOpen(&driver, run.target)) {
    ClientClose(&quiet), ClientClose(&reader), ClientClose(&driver);
    return NoConnection(detail, size);
  }
  const bool subscribed = ClientSay(&quiet, "subscribe") && ClientAsk(&reader, "subscribe", reply, sizeof reply);
  size_t events = 0;
  bool flowed = subscribed;
  for (int b = 0; b < kFloodBatches && flowed; b++)
    flowed = SelectBatch(&driver, run.camera) && ClientDrain(&reader, &events);
  size_t quietBytes = 0;
  const bool closed = ClientEnds(&quiet, kAfterMs, &quietBytes);
  const bool readerOn = AskPastEvents(&reader, "status", reply, sizeof reply);
  const bool driverOn = ClientAsk(&driver, "status", reply, sizeof reply);
  ClientClose(&quiet), ClientClose(&reader), ClientClose(&driver);
  snprintf(detail, size,
           "%d selects: the one not reading %s after %zu kB; the reader had %zu events and %s, the driver %s",
           kFloodBatches * kBatchLines, closed ? "closed" : "still open", quietBytes / 1024, events,
           readerOn ? "answers" : "does not answer", driverOn ? "answers" : "does not answer");
  return flowed && closed && readerOn && driverOn && events > 0;
}
