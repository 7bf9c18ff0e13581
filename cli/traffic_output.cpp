#include "cli/traffic_output.h"

#include "engine/engine_state.h"
#include "engine/trace_text.h"
#include "engine/traffic_trace.h"

#include <cstdio>

namespace {

constexpr int32_t kLineChars = 160;

bool IsRawOutcome(const TraceEntry& e) { return e.code == TX_RAW_COMMAND && e.kind != TRACE_SENT; }

}  // namespace

TrafficFollower StartTrafficFollower(const CameraController* source, bool everyEntry) {
  TrafficFollower f;
  f.source = source;
  f.next = TraceNewest(source) + 1;
  f.everyEntry = everyEntry;
  return f;
}

void PrintTraffic(TrafficFollower* f) {
  if (!f->source) return;
  const uint32_t newest = TraceNewest(f->source);
  if (newest >= f->next && newest - f->next >= kTraceCapacity) {
    const uint32_t oldest = newest - kTraceCapacity + 1;
    printf("trace: %u entries lost\n", oldest - f->next);
    f->next = oldest;
  }
  for (; f->next <= newest; f->next++) {
    TraceEntry e;
    if (!TraceRead(f->source, f->next, &e)) continue;  // overwritten while this thread was behind
    char line[kLineChars];
    if (f->everyEntry) {
      FormatTraceLine(e, TRACE_PLAIN, line, kLineChars);
      printf("%s\n", line);
    }
    if (IsRawOutcome(e)) {
      FormatTraceLine(e, TRACE_NAMED, line, kLineChars);
      printf("raw: %s\n", line);
    }
  }
}
