// Numbers on the orvalix-cli command line: decimal, or hex after 0x; never octal.
#include "cli/cli_options.h"
#include "command/motion_words.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <tuple>
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

TEST(CliMotion, WordsSignsHexAndRanges) {
  // clang-format off
  const struct {
    const char* word;
    const char* args;
    MotionParse result;
    MotionCommand command;  // {} unless parsed
    const char* mentions;   // in the reason
  } rows[] = {
      {"move", "5 -3", MOTION_PARSED, {MOTION_MOVE, 5, -3, 0}, ""},
      {"move", " -0x10\t0X7f ", MOTION_PARSED, {MOTION_MOVE, -16, 127, 0}, ""},
      {"move", "200 -300", MOTION_PARSED, {MOTION_MOVE, 200, -300, 0}, ""},  // the engine clamps
      {"move", "2147483647 -2147483647", MOTION_PARSED, {MOTION_MOVE, 2147483647, -2147483647, 0}, ""},
      {"move", "-2147483648 0", MOTION_OUT_OF_RANGE, {}, "move: pan speed -2147483648 is outside"},
      {"move", "0 99999999999999999999", MOTION_MALFORMED, {}, "move: tilt speed is not a number: 9999"},
      {"move", "1 --2", MOTION_MALFORMED, {}, "tilt speed is not a number: --2"},
      {"move", "1", MOTION_MALFORMED, {}, "move needs speeds PAN TILT: 1"},
      {"move", "1 2 3", MOTION_MALFORMED, {}, "move needs speeds PAN TILT: 1 2 3"},
      {"stop", "", MOTION_PARSED, {MOTION_STOP, 0, 0, 0}, ""},
      {"stop", "now", MOTION_MALFORMED, {}, "stop takes no arguments: now"},
      {"home", "", MOTION_PARSED, {MOTION_HOME, 0, 0, 0}, ""},
      {"home", "0", MOTION_MALFORMED, {}, "home takes no arguments"},
      {"goto", "-0x8000 0x7FFF", MOTION_PARSED, {MOTION_GOTO, -32768, 32767, 0}, ""},
      {"goto", "0100 -050 0x18", MOTION_PARSED, {MOTION_GOTO, 100, -50, 24}, ""},  // never octal
      {"goto", "32768 0", MOTION_OUT_OF_RANGE, {}, "goto: pan position 32768 is outside -32768..32767"},
      {"goto", "0 -0x8001", MOTION_OUT_OF_RANGE, {}, "goto: tilt position -32769 is outside"},
      {"goto", "0 0 0", MOTION_OUT_OF_RANGE, {}, "goto: speed 0 is outside 1.."},
      {"goto", "1e3 0", MOTION_MALFORMED, {}, "goto: pan position is not a number: 1e3"},
      {"goto", "1 2 3 4", MOTION_MALFORMED, {}, "goto needs positions PAN TILT [SPEED]: 1 2 3 4"},
      {"Move", "1 1", MOTION_NOT_A_MOTION, {}, ""},
  };
  // clang-format on
  for (const auto& r : rows) {
    MotionCommand m{};
    char why[160] = {};
    EXPECT_EQ(ParseMotionCommand(r.word, r.args, &m, why, sizeof why), r.result) << r.word << " " << r.args;
    const MotionCommand& w = r.command;
    EXPECT_EQ(std::tie(m.verb, m.pan, m.tilt, m.speed), std::tie(w.verb, w.pan, w.tilt, w.speed)) << r.args;
    EXPECT_NE(std::string(why).find(r.mentions), std::string::npos) << r.args << ": " << why;
  }
}

}  // namespace
