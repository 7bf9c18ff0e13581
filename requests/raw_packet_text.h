// A raw command as an operator types it: hex bytes separated by spaces, the
// first one "8x" for the selected camera's own address.
#pragma once

#include "requests/visca_packet.h"

#include <cstdarg>
#include <cstdint>
#include <cstdio>

struct RawPacket {
  uint8_t bytes[kMaxPacketBytes] = {};
  int32_t length = 0;
  bool ownAddress = false;  // written "8x": bytes[0] is 0x80 until the camera is known
};

enum RawParseResult {
  RAW_OK,
  RAW_EMPTY,
  RAW_NOT_HEX,
  RAW_TOO_SHORT,
  RAW_TOO_LONG,
  RAW_NO_TERMINATOR,
  RAW_TERMINATOR_INSIDE,
  RAW_NO_HEADER,
};

// Parses `text` (ends at its NUL; spaces, tabs and a line end around the
// bytes are allowed). On RAW_OK `out` holds the packet; otherwise `message`
// says what is wrong, in one line.
RawParseResult ParseRawPacket(const char* text, RawPacket* out, char* message, int32_t messageSize);

// Says why a raw command was refused in `message` (of `size`; none when null)
// and returns `result`: the parser's and the engine's refusals alike.
template <typename Result>
Result Refuse(Result result, char* message, int32_t size, const char* format, ...)
    __attribute__((format(printf, 4, 5)));
template <typename Result>
Result Refuse(Result result, char* message, int32_t size, const char* format, ...) {
  if (!message || size <= 0) return result;
  va_list args;
  va_start(args, format);
  vsnprintf(message, static_cast<size_t>(size), format, args);
  va_end(args);
  return result;
}
