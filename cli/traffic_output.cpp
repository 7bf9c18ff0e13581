#include "cli/traffic_output.h"

#include <cstdio>

TrafficFollower StartTrafficFollower(const CameraController* c, bool everyEntry) {
  TrafficFollower f;
  f.next = EngineTraceNewest(c) + 1;
  f.everyEntry = everyEntry;
  return f;
}

void PrintTraffic(const CameraController* c, TrafficFollower* f) {
  const uint32_t newest = EngineTraceNewest(c);
  if (newest >= f->next && newest - f->next >= kEngineTraceEntries) {
    const uint32_t oldest = newest - kEngineTraceEntries + 1;
    printf("trace: %u entries lost\n", oldest - f->next);
    f->next = oldest;
  }
  for (; f->next <= newest; f->next++) {
    TraceLines entry;
    if (!EngineTraceRead(c, f->next, &entry)) continue;  // overwritten while this thread was behind
    if (f->everyEntry) printf("%s\n", entry.plain);
    if (entry.rawOutcome) printf("raw: %s\n", entry.named);
  }
}
