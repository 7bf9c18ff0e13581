#include "remote/http_request.h"

#include <cstring>

namespace {

const char* const kMethods[] = {"GET", "HEAD", "POST", "PUT", "DELETE", "OPTIONS", "PATCH", "CONNECT", "TRACE"};
constexpr size_t kTokenChars = 128;

struct Span {
  const char* text;
  size_t length;
};

bool Is(Span span, const char* word) {
  return span.length == std::strlen(word) && std::memcmp(span.text, word, span.length) == 0;
}

// Up to the first `separator` (the whole span when none), and what follows it.
Span Cut(Span* rest, char separator) {
  const char* at = static_cast<const char*>(std::memchr(rest->text, separator, rest->length));
  const size_t n = at != nullptr ? static_cast<size_t>(at - rest->text) : rest->length;
  const Span first = {rest->text, n};
  *rest = at != nullptr ? Span{at + 1, rest->length - n - 1} : Span{rest->text + n, 0};
  return first;
}

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// Percent-decoding and '+' as a space into `out` (`capacity` characters and
// its zero); false for a bad escape, a control character or too long a text.
bool Decode(Span text, char* out, size_t capacity) {
  size_t n = 0;
  for (size_t i = 0; i < text.length; i++) {
    int c = static_cast<unsigned char>(text.text[i]);
    if (c == '+') c = ' ';
    if (c == '%') {
      const int high = i + 2 < text.length ? HexValue(text.text[i + 1]) : -1;
      const int low = high >= 0 ? HexValue(text.text[i + 2]) : -1;
      if (low < 0) return false;
      c = high * 16 + low;
      i += 2;
    }
    if (c < 0x20 || c == 0x7F || n == capacity) return false;
    out[n++] = static_cast<char>(c);
  }
  out[n] = 0;
  return true;
}

// The end of the headers (past the blank line), 0 when not received yet.
size_t HeadersEnd(const char* bytes, size_t length) {
  for (size_t i = 0; i + 1 < length; i++) {
    if (bytes[i] != '\n') continue;
    if (bytes[i + 1] == '\n') return i + 2;
    if (bytes[i + 1] == '\r' && i + 2 < length && bytes[i + 2] == '\n') return i + 3;
  }
  return 0;
}

// The query's cmd and token; false when either is given twice or badly encoded.
bool ReadQuery(Span query, HttpRequest* out, char (&token)[kTokenChars + 1], bool* haveCommand, bool* haveToken) {
  while (query.length > 0) {
    Span value = Cut(&query, '&');
    const Span name = Cut(&value, '=');
    if (Is(name, "cmd")) {
      if (*haveCommand || !Decode(value, out->command, kRemoteLineChars)) return false;
      *haveCommand = true;
    } else if (Is(name, "token")) {
      if (*haveToken || !Decode(value, token, kTokenChars)) return false;
      *haveToken = true;
    }
  }
  return true;
}

}  // namespace

HttpStart LooksLikeHttp(const char* bytes, size_t length) {
  if (length == 0) return HTTP_START_UNDECIDED;
  bool couldBe = false;
  for (const char* method : kMethods) {
    const size_t n = std::strlen(method);
    if (length > n && std::memcmp(bytes, method, n) == 0 && bytes[n] == ' ') return HTTP_START_YES;
    if (length <= n && std::memcmp(bytes, method, length) == 0) couldBe = true;
  }
  return couldBe ? HTTP_START_UNDECIDED : HTTP_START_NO;
}

HttpVerdict ParseHttpRequest(const char* bytes, size_t length, const char* token, HttpRequest* out) {
  const size_t end = HeadersEnd(bytes, length < kHttpMaxRequestBytes ? length : kHttpMaxRequestBytes);
  if (end == 0) return length >= kHttpMaxRequestBytes ? HTTP_BAD_REQUEST : HTTP_INCOMPLETE;
  Span rest = {bytes, end};
  Span line = Cut(&rest, '\n');
  if (line.length > 0 && line.text[line.length - 1] == '\r') line.length--;
  const Span method = Cut(&line, ' ');
  Span query = Cut(&line, ' ');
  const Span version = line;
  const bool versionOk = version.length == 8 && std::memcmp(version.text, "HTTP/1.", 7) == 0 &&
                         version.text[7] >= '0' && version.text[7] <= '9';
  if (method.length == 0 || !versionOk) return HTTP_BAD_REQUEST;
  if (!Is(method, "GET")) return HTTP_BAD_METHOD;
  if (!Is(Cut(&query, '?'), "/api")) return HTTP_NOT_FOUND;
  HttpRequest request;
  char given[kTokenChars + 1] = {};
  bool haveCommand = false;
  bool haveToken = false;
  if (!ReadQuery(query, &request, given, &haveCommand, &haveToken)) return HTTP_BAD_REQUEST;
  if (token[0] != 0 && (!haveToken || std::strcmp(given, token) != 0)) return HTTP_FORBIDDEN;
  if (!haveCommand || request.command[0] == 0) return HTTP_BAD_REQUEST;
  *out = request;
  return HTTP_COMMAND;
}
