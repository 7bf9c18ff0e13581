// One trace entry as a line of text, for the Traffic window, its saved file
// and orvalix-cli.
#pragma once

#include "engine/trace/traffic_trace.h"

#include <cstdint>

enum TraceStyle {
  TRACE_NAMED,  // "12.3 COM1 Cam 1 -> 81 09 04 47 FF  zoom position?"
  TRACE_PLAIN,  // "12.3 COM1 1 -> 81 09 04 47 FF" ("  late" behind a reply dropped as late)
};

// Writes the line (without a line end) into `out`, cut to `size`.
void FormatTraceLine(const TraceEntry& e, TraceStyle style, char* out, int32_t size);
