// The remote listener's HTTP request parser: the input is the bytes received
// so far, after one byte that says whether a token is set. A command comes
// out terminated, one line of at most 512 characters; the bytes are never
// read past their length; an unfinished request stays INCOMPLETE only under
// 4 KB. A break traps with a line on stderr.
#include "remote/http_request.h"

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <vector>

namespace {

constexpr unsigned char kGuard = 0xA5;

[[noreturn]] void Broken(const char* what) {
  fprintf(stderr, "http_request fuzz: %s\n", what);
  __builtin_trap();
}

void CheckCommand(const HttpRequest& request) {
  const void* end = memchr(request.command, 0, sizeof request.command);
  if (end == nullptr) Broken("the command is not terminated");
  const size_t n = static_cast<size_t>(static_cast<const char*>(end) - request.command);
  if (n == 0 || n > kRemoteLineChars) Broken("a command empty or longer than 512 characters");
  for (size_t i = 0; i < n; i++) {
    const unsigned char c = static_cast<unsigned char>(request.command[i]);
    if (c < 0x20 || c == 0x7F) Broken("a control character in the command");
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  const char* token = (data[0] & 1) != 0 ? "secret" : "";
  // An exact-size copy: AddressSanitizer catches a read past the bytes.
  std::vector<char> bytes(data + 1, data + size);
  static HttpRequest request;
  memset(&request, kGuard, sizeof request);
  const HttpVerdict verdict = ParseHttpRequest(bytes.data(), bytes.size(), token, &request);
  if (verdict == HTTP_COMMAND) CheckCommand(request);
  if (verdict != HTTP_COMMAND && static_cast<unsigned char>(request.command[0]) != kGuard)
    Broken("a refused request wrote the command");
  if (verdict == HTTP_INCOMPLETE && bytes.size() >= kHttpMaxRequestBytes) Broken("4 KB and still incomplete");
  if (verdict < HTTP_INCOMPLETE || verdict > HTTP_BAD_METHOD) Broken("a verdict outside the list");
  LooksLikeHttp(bytes.data(), bytes.size());
  return 0;
}
