// Numbers on the orvalix-cli command line: decimal, or hex after 0x; never octal.
#include "cli/cli_options.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

namespace {

struct Parsed {
  bool ok;
  CliOptions options;
  std::string error;
};
// "code:a" of each request given.
std::string Requests(const CliOptions& o) {
  std::string out;
  for (int i = 0; i < o.requestCount; i++)
    out += std::to_string(o.requests[i].code) + ":" + std::to_string(o.requests[i].a) + " ";
  return out;
}

Parsed Parse(std::vector<const char*> args) {
  args.insert(args.begin(), "orvalix-cli");
  Parsed p{};
  char error[256] = {};
  p.ok = ParseCliOptions(static_cast<int>(args.size()), args.data(), &p.options, error, sizeof error);
  p.error = error;
  return p;
}

TEST(CliNumbers, LeadingZeroIsDecimalAndHexNeedsItsPrefix) {
  const Parsed p = Parse({"--port", "08=/dev/a", "--port", "010=/dev/b", "--select", "09", "--request", "1:050",
                          "--request", "0x2D:0x1", "--request", "017:-010", "--wait", "0800", "--timeout", "0X10"});
  ASSERT_TRUE(p.ok) << p.error;
  const CliOptions& o = p.options;
  EXPECT_STREQ(o.devices[7], "/dev/a");         // COM8
  EXPECT_STREQ(o.devices[9], "/dev/b");         // COM10, not COM8
  EXPECT_EQ(Requests(o), "1:50 45:1 17:-10 ");  // zoom 50, not 40
  EXPECT_EQ(std::make_pair(o.select, o.waitMs), std::make_pair(9, 800u));
  EXPECT_EQ(o.timeoutMs, 16u);
}

TEST(CliNumbers, BadNumbersAreRefusedWithTheirOption) {
  // clang-format off
  const struct {
    std::vector<const char*> args;
    const char* mentions;
  } bad[] = {
      {{"--port", "0x=/dev/a"}, "--port"},
      {{"--port", "1a=/dev/a"}, "--port"},
      {{"--port", "011=/dev/a"}, "--port"},  // 11, out of range
      {{"--port", "1=/x", "--select", "0x0x2"}, "--select"},
      {{"--port", "1=/x", "--select", " 2"}, "--select"},
      {{"--port", "1=/x", "--select", "2 "}, "--select"},
      {{"--port", "1=/x", "--select", "-"}, "--select"},
      {{"--port", "1=/x", "--select", "1", "--request", "1:0x"}, "--request"},
      {{"--port", "1=/x", "--select", "1", "--request", "1:0xG"}, "--request"},
      {{"--port", "1=/x", "--select", "1", "--request", "1:1e3"}, "--request"},
      {{"--port", "1=/x", "--select", "1", "--request", "1:2147483648"}, "--request"},
      {{"--port", "1=/x", "--select", "1", "--request", "0x100000000"}, "--request"},
      {{"--port", "1=/x", "--select", "1", "--request", "1000:1"}, "--request"},  // a raw command's ticket
      {{"--port", "1=/x", "--raw", "8x 09 04 00 FF"}, "--select"},
      {{"--port", "1=/x", "--wait", "+-5"}, "--wait"},
      {{"--port", "1=/x", "--wait", "08.5"}, "--wait"},
      {{"--port", "1=/x", "--timeout", "0x"}, "--timeout"},
  };
  // clang-format on
  for (const auto& b : bad) {
    const Parsed p = Parse(b.args);
    EXPECT_FALSE(p.ok) << b.args.back();
    EXPECT_NE(p.error.find(b.mentions), std::string::npos) << b.args.back() << ": " << p.error;
  }
  // The ends of the ranges still go through.
  const Parsed ends = Parse({"--port", "1=/x", "--select", "182", "--request", "0xFFFFFFFF:-2147483648", "--request",
                             "0:2147483647", "--wait", "0"});
  ASSERT_TRUE(ends.ok) << ends.error;
  EXPECT_EQ(Requests(ends.options), "4294967295:-2147483648 0:2147483647 ");
}

}  // namespace
