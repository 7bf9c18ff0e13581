// The HTTP request parser: what a request line and its headers come to.
#include "remote/http_request.h"

#include <gtest/gtest.h>

#include <string>

TEST(HttpRequest, VerdictsAndCommands) {
  const std::string head = "GET /api?cmd=";
  const std::string tail = " HTTP/1.1\r\n\r\n";
  const struct {
    std::string bytes;
    const char* token;
    HttpVerdict verdict;
    const char* command;
  } rows[] = {
      {"GET /api?cmd=select+2 HTTP/1.1\r\nHost: a\r\n\r\n", "", HTTP_COMMAND, "select 2"},
      {"GET /api?x=1&cmd=raw%2081%2001%2004%2007%2002%20ff HTTP/1.0\n\n", "", HTTP_COMMAND, "raw 81 01 04 07 02 ff"},
      {"GET /api?cmd=status HTTP/1.1\r\nHost: a\r\n", "", HTTP_INCOMPLETE, ""},
      {"GET /api?cmd=status HTTP/1.1\r\n\r\n", "secret", HTTP_FORBIDDEN, ""},
      {"GET /api?token=s%65cret&cmd=status HTTP/1.1\r\n\r\n", "secret", HTTP_COMMAND, "status"},
      {head + "a%0Ab" + tail, "", HTTP_BAD_REQUEST, ""},
      {head + "a%4" + tail, "", HTTP_BAD_REQUEST, ""},
      {head + "a&cmd=b" + tail, "", HTTP_BAD_REQUEST, ""},
      {"GET /api?cmd=status HTTP/2.0\r\n\r\n", "", HTTP_BAD_REQUEST, ""},
      {"GET /api HTTP/1.1\r\n\r\n", "", HTTP_BAD_REQUEST, ""},
      {head + std::string(512, 'z') + tail, "", HTTP_COMMAND, nullptr},
      {head + std::string(513, 'z') + tail, "", HTTP_BAD_REQUEST, ""},
      {head + std::string(4095 - head.size(), 'z'), "", HTTP_INCOMPLETE, ""},
      {head + std::string(4096 - head.size(), 'z'), "", HTTP_BAD_REQUEST, ""},
      {"GET /api?cmd=x HTTP/1.1\r\nX: " + std::string(4070, 'h') + "\r\n\r\n", "", HTTP_BAD_REQUEST, ""},
  };
  for (const auto& row : rows) {
    HttpRequest request = {};
    EXPECT_EQ(ParseHttpRequest(row.bytes.data(), row.bytes.size(), row.token, &request), row.verdict) << row.bytes;
    EXPECT_EQ(request.command, row.command != nullptr ? std::string(row.command) : std::string(512, 'z')) << row.bytes;
  }
  EXPECT_EQ(LooksLikeHttp("GE", 2), HTTP_START_UNDECIDED);
  EXPECT_EQ(LooksLikeHttp("DELETE /", 8), HTTP_START_YES);
  EXPECT_EQ(LooksLikeHttp("get /", 5), HTTP_START_NO);
  EXPECT_EQ(LooksLikeHttp("GET\n", 4), HTTP_START_NO);
}
