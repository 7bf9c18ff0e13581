#include "requests/raw_packet_text.h"

namespace {

// A bad token is quoted up to this many characters.
constexpr int kQuotedChars = 12;

bool IsSpace(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// One token of `n` characters: one or two hex digits, or "8x" (first byte only).
bool TokenValue(const char* t, int n, bool first, int* value, bool* own) {
  *own = false;
  if (first && n == 2 && t[0] == '8' && (t[1] == 'x' || t[1] == 'X')) {
    *own = true;
    *value = kHeaderBase;
    return true;
  }
  if (n < 1 || n > 2) return false;
  int v = 0;
  for (int i = 0; i < n; i++) {
    const int d = HexDigit(t[i]);
    if (d < 0) return false;
    v = v * 16 + d;
  }
  *value = v;
  return true;
}

// What the whole packet must be, once its bytes are read.
RawParseResult CheckShape(const RawPacket& p, int32_t count, char* message, int32_t size) {
  if (count > kMaxPacketBytes)
    return Refuse(RAW_TOO_LONG, message, size, "A packet has at most %d bytes.", static_cast<int>(kMaxPacketBytes));
  if (count < kMinPacketBytes)
    return Refuse(RAW_TOO_SHORT, message, size, "A packet has at least %d bytes.", static_cast<int>(kMinPacketBytes));
  if ((p.bytes[0] & 0xF0) != kHeaderBase)
    return Refuse(RAW_NO_HEADER, message, size, "A packet starts with 8x (x: the camera's address).");
  if (p.bytes[count - 1] != kTerminator) return Refuse(RAW_NO_TERMINATOR, message, size, "A packet ends with FF.");
  for (int32_t i = 0; i < count - 1; i++)
    if (p.bytes[i] == kTerminator) return Refuse(RAW_TERMINATOR_INSIDE, message, size, "FF only ends a packet.");
  return RAW_OK;
}

}  // namespace

RawParseResult ParseRawPacket(const char* text, RawPacket* out, char* message, int32_t messageSize) {
  if (message && messageSize > 0) message[0] = 0;
  RawPacket p;
  int32_t count = 0;
  const char* s = text ? text : "";
  for (;;) {
    while (IsSpace(*s)) s++;
    if (*s == 0) break;
    const char* start = s;
    while (*s != 0 && !IsSpace(*s)) s++;
    const int n = static_cast<int>(s - start);
    int value = 0;
    bool own = false;
    if (!TokenValue(start, n, count == 0, &value, &own))
      return Refuse(RAW_NOT_HEX, message, messageSize, "Not a hex byte: \"%.*s%s\".",
                    n < kQuotedChars ? n : kQuotedChars, start, n > kQuotedChars ? "..." : "");
    // Counted on past the limit, so "too long" is told however long the text.
    if (count < kMaxPacketBytes) p.bytes[count] = static_cast<uint8_t>(value);
    if (own) p.ownAddress = true;
    count++;
  }
  if (count == 0) return Refuse(RAW_EMPTY, message, messageSize, "Type hex bytes, for example 8x 09 04 00 FF.");
  const RawParseResult r = CheckShape(p, count, message, messageSize);
  if (r != RAW_OK) return r;
  p.length = count;
  *out = p;
  return RAW_OK;
}
