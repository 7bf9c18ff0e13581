// A remote command by HTTP: GET /api?cmd=COMMAND[&token=TEXT] HTTP/1.x.
// Pure: the bytes received so far in, a verdict and the command out.
#pragma once

#include <cstddef>

// The longest command line, on a connection and in a URL alike.
constexpr size_t kRemoteLineChars = 512;
// The request line and headers together.
constexpr size_t kHttpMaxRequestBytes = 4096;

enum HttpStart {
  HTTP_START_UNDECIDED,  // the bytes so far could begin a method name
  HTTP_START_YES,        // a method name and a space: an HTTP request
  HTTP_START_NO,         // a command line
};

enum HttpVerdict {
  HTTP_INCOMPLETE,   // no blank line yet, and still under the limit
  HTTP_COMMAND,      // `command` holds the decoded command
  HTTP_BAD_REQUEST,  // 400: malformed, too large, or no usable cmd
  HTTP_FORBIDDEN,    // 403: a token is set and the request's differs
  HTTP_NOT_FOUND,    // 404: a path other than /api
  HTTP_BAD_METHOD,   // 405: a method other than GET
};

struct HttpRequest {
  char command[kRemoteLineChars + 1];
};

// Whether a connection's first bytes begin an HTTP request.
HttpStart LooksLikeHttp(const char* bytes, size_t length);
// The request in `bytes` (`length` received so far); `token` is "" when
// none is set. Only HTTP_COMMAND fills `out`.
HttpVerdict ParseHttpRequest(const char* bytes, size_t length, const char* token, HttpRequest* out);
