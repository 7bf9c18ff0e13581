// Bad lines on one connection: one too long, odd bytes, a thousand at once.
#include "tools/src/remote_abuse/abuse_cases.h"

#include <cstdio>
#include <cstring>

namespace {

constexpr size_t kLongLineBytes = 100000;
constexpr int kBurstLines = 1000;
constexpr int kRequestEvery = 4;  // of the burst's lines, the rest `status`
constexpr uint32_t kArrivalMs = 10000;
const uint8_t kFreezeHead[] = {0x01, 0x04, 0x62};

bool StartsWith(const char* text, const char* head) { return strncmp(text, head, strlen(head)) == 0; }

// The burst's text: `status` lines with a Freeze request (on, off, ...) every kRequestEvery.
size_t BurstText(char* out, size_t size) {
  size_t used = 0;
  for (int i = 0; i < kBurstLines; i++) {
    const int n = i % kRequestEvery == 0 ? snprintf(out + used, size - used, "request 45:%d\n", (i / kRequestEvery) % 2)
                                         : snprintf(out + used, size - used, "status\n");
    used += static_cast<size_t>(n);
  }
  return used;
}

}  // namespace

bool LongLine(const AbuseRun& run, char* detail, size_t size) {
  static char bytes[kLongLineBytes];
  memset(bytes, 'x', sizeof bytes);
  Client c;
  char reply[256] = "(none)";
  if (!ClientOpen(&c, run.target)) return NoConnection(detail, size);
  ClientSend(&c, bytes, sizeof bytes);  // the server may end it before it has all
  const bool said =
      ClientLine(&c, reply, sizeof reply, 3000) == READ_LINE && strcmp(reply, "error: line too long") == 0;
  const bool ended = ClientEnds(&c, 3000);
  ClientClose(&c);
  snprintf(detail, size, "%zu bytes, no LF: \"%s\", %s", sizeof bytes, reply, ended ? "closed" : "still open");
  return said && ended;
}

bool OddBytes(const AbuseRun& run, char* detail, size_t size) {
  static const char* const kLines[] = {"sta\0tus\n", "st\xC3\xA9tus\n", "\x80\n", "status \xFF\n", "\0\n"};
  static const size_t kLengths[] = {8, 9, 2, 9, 2};
  Client c;
  char reply[256];
  if (!ClientOpen(&c, run.target)) return NoConnection(detail, size);
  int errors = 0;
  for (size_t i = 0; i < sizeof kLengths / sizeof kLengths[0]; i++) {
    if (!ClientSend(&c, kLines[i], kLengths[i]) || ClientLine(&c, reply, sizeof reply, 3000) != READ_LINE) break;
    errors += StartsWith(reply, "error: ") ? 1 : 0;
  }
  const bool stays = ClientAsk(&c, "status", reply, sizeof reply);
  ClientClose(&c);
  snprintf(detail, size, "NUL and bytes above 0x7F in 5 lines: %d error lines, then status: \"%.60s\"", errors, reply);
  return errors == 5 && stays;
}

bool ThousandLines(const AbuseRun& run, char* detail, size_t size) {
  static char text[kBurstLines * 16];
  const size_t length = BurstText(text, sizeof text);
  WatchRead(run.watch);
  const int from = run.watch->count;
  Client c;
  char reply[256];
  if (!ClientOpen(&c, run.target)) return NoConnection(detail, size);
  const bool sent = ClientSend(&c, text, length, 10000);
  int replies = 0, okPuts = 0, busy = 0;
  while (replies < kBurstLines && ClientLine(&c, reply, sizeof reply, 5000) == READ_LINE) {
    replies += StartsWith(reply, "ok") || StartsWith(reply, "error: ") ? 1 : 0;
    okPuts += StartsWith(reply, "ok request 45:") ? 1 : 0;
    busy += StartsWith(reply, "error: ") ? 1 : 0;
  }
  // Nothing beyond the thousand replies: the next line answers the next command.
  const bool next = ClientAsk(&c, "quit", reply, sizeof reply);
  ClientClose(&c);
  const uint64_t until = NowMs() + kArrivalMs;
  int arrived = 0;
  while ((arrived = CountSent(*run.watch, from, kFreezeHead, 3)) < okPuts && NowMs() < until) WatchRead(run.watch);
  snprintf(detail, size, "%s: %d replies (%d refused), %d requests ok, %d at the camera, then \"%s\"",
           sent ? "sent at once" : "not all sent", replies, busy, okPuts, arrived, reply);
  return sent && replies == kBurstLines && next && arrived == okPuts && okPuts > 0;
}
