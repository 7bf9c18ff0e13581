#include "tools/src/remote_abuse/abuse_watch.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

// "  12.345678 L1 -> 81 09 04 00 FF"; false for another kind of line.
bool ParseSent(const char* text, SentPacket* p) {
  unsigned long long seconds = 0, micros = 0;
  int used = 0;
  if (sscanf(text, " %llu.%6llu L%d -> %n", &seconds, &micros, &p->line, &used) != 3 || used == 0) return false;
  p->us = seconds * 1000000ull + micros;
  p->length = 0;
  const char* at = text + used;
  unsigned byte = 0;
  int n = 0;
  while (p->length < kPacketBytes && sscanf(at, "%2x%n", &byte, &n) == 1) {
    p->bytes[p->length++] = static_cast<uint8_t>(byte);
    at += n;
  }
  return p->length > 0;
}

}  // namespace

void WatchRead(CameraWatch* w) {
  FILE* f = fopen(w->path, "r");
  if (f == nullptr) return;
  fseek(f, w->offset, SEEK_SET);
  char text[256];
  while (fgets(text, sizeof text, f) != nullptr) {
    const size_t n = strlen(text);
    if (n == 0 || text[n - 1] != '\n') break;  // a line still being written
    w->offset += static_cast<long>(n);
    SentPacket p;
    if (!ParseSent(text, &p)) continue;
    if (w->count < kWatchPackets)
      w->packets[w->count++] = p;
    else
      w->lost++;
  }
  fclose(f);
}

uint64_t MedianGapUs(const CameraWatch& w, int line, int from) {
  static uint64_t gaps[kWatchPackets];
  int n = 0;
  uint64_t last = 0;
  for (int i = from; i < w.count; i++) {
    if (w.packets[i].line != line) continue;
    if (last != 0) gaps[n++] = w.packets[i].us - last;
    last = w.packets[i].us;
  }
  if (n < 3) return 0;
  std::nth_element(gaps, gaps + n / 2, gaps + n);
  return gaps[n / 2];
}

uint64_t LongestGapUs(const CameraWatch& w, int line, int from, uint64_t* endUs) {
  uint64_t longest = 0, last = 0;
  for (int i = from; i < w.count; i++) {
    if (w.packets[i].line != line) continue;
    if (last != 0 && w.packets[i].us - last > longest) {
      longest = w.packets[i].us - last;
      *endUs = w.packets[i].us;
    }
    last = w.packets[i].us;
  }
  return longest;
}

int CountSent(const CameraWatch& w, int from, const uint8_t* head, int length) {
  int n = 0;
  for (int i = from; i < w.count; i++) {
    const SentPacket& p = w.packets[i];
    n += p.length > length && memcmp(p.bytes + 1, head, static_cast<size_t>(length)) == 0 ? 1 : 0;
  }
  return n;
}

long RssKb(int pid) {
  char path[64];
  snprintf(path, sizeof path, "/proc/%d/status", pid);
  FILE* f = fopen(path, "r");
  if (f == nullptr) return -1;
  char text[256];
  long kb = -1;
  while (fgets(text, sizeof text, f) != nullptr)
    if (sscanf(text, "VmRSS: %ld", &kb) == 1) break;
  fclose(f);
  return kb;
}
