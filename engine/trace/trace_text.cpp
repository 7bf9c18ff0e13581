#include "engine/trace/trace_text.h"

#include "engine/core/conversation_codes.h"
#include "engine/core/line_name.h"
#include "engine/trace/packet_names.h"
#include "requests/visca_packet.h"

#include <cstdarg>
#include <cstdio>

namespace {

constexpr uint32_t kTenthsPerMs = 10;

// Appends to `out` (of `size`) at `*at`, never past its end.
void Append(char* out, int32_t size, int32_t* at, const char* format, ...) __attribute__((format(printf, 4, 5)));
void Append(char* out, int32_t size, int32_t* at, const char* format, ...) {
  if (*at >= size - 1) return;
  va_list args;
  va_start(args, format);
  const int n = vsnprintf(out + *at, static_cast<size_t>(size - *at), format, args);
  va_end(args);
  if (n > 0) *at = *at + n < size - 1 ? *at + n : size - 1;
}

const char* Arrow(TraceKind kind) {
  switch (kind) {
    case TRACE_SENT:
      return "->";
    case TRACE_NO_REPLY:
    case TRACE_NOISE:
      return "--";
    default:
      return "<-";
  }
}

void AppendBytes(const TraceEntry& e, char* out, int32_t size, int32_t* at) {
  const int32_t shown = e.length < kTraceBytes ? e.length : kTraceBytes;
  for (int32_t i = 0; i < shown; i++) Append(out, size, at, " %02X", e.bytes[i]);
  if (e.length > kTraceBytes) Append(out, size, at, " ..");
}

// What became of a received packet: taken for the awaited reply (and how
// long it took), too short for an answer, not awaited at all, or late for a
// message given up.
void AppendReply(const TraceEntry& e, char* out, int32_t size, int32_t* at) {
  Append(out, size, at, "  %s", ReplyName(e.bytes, e.length < kTraceBytes ? e.length : kTraceBytes));
  if (e.kind == TRACE_LATE)
    Append(out, size, at, ", late");
  else if (e.stage == STAGE_NONE)
    Append(out, size, at, ", not awaited");
  else if (e.stage == STAGE_ANSWER && e.length < kMinAnswerLength)
    Append(out, size, at, ", too short");
  else
    Append(out, size, at, ", %u ms", e.elapsedMs);
}

}  // namespace

void FormatTraceLine(const TraceEntry& e, TraceStyle style, char* out, int32_t size) {
  if (!out || size <= 0) return;
  out[0] = 0;
  int32_t at = 0;
  Append(out, size, &at, "%llu.%u ", static_cast<unsigned long long>(e.tenths / kTenthsPerMs),
         static_cast<unsigned>(e.tenths % kTenthsPerMs));
  if (e.line >= 0)
    Append(out, size, &at, "%s ", NameOfLine(e.line).text);
  else
    Append(out, size, &at, "COM? ");
  if (style == TRACE_NAMED) Append(out, size, &at, "Cam ");
  if (e.camera >= 0)
    Append(out, size, &at, "%d %s", e.camera + 1, Arrow(e.kind));
  else
    Append(out, size, &at, "- %s", Arrow(e.kind));
  switch (e.kind) {
    case TRACE_NO_REPLY:
      Append(out, size, &at, " no reply, %u ms", e.elapsedMs);
      return;
    case TRACE_TOO_LONG:
      Append(out, size, &at, " (%u bytes) too long, dropped", e.length);
      return;
    case TRACE_NOISE:
      Append(out, size, &at, " noise dropped:");
      AppendBytes(e, out, size, &at);
      return;
    default:
      break;
  }
  AppendBytes(e, out, size, &at);
  if (style == TRACE_PLAIN) {
    if (e.kind == TRACE_LATE) Append(out, size, &at, "  late");  // it never reached the engine
    return;
  }
  if (e.kind == TRACE_RECEIVED || e.kind == TRACE_LATE) {
    AppendReply(e, out, size, &at);
  } else {
    const char* name = SentPacketName(e.bytes, e.length < kTraceBytes ? e.length : kTraceBytes);
    Append(out, size, &at, "  %s", name ? name : "raw");
  }
}
