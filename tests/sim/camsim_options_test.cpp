// camsim's command line parsed in process: what a refused argument reports.
#include "sim/camsim_options.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

std::string Refusal(std::initializer_list<const char*> args) {
  std::vector<const char*> argv = {"camsim"};
  argv.insert(argv.end(), args.begin(), args.end());
  CamsimOptions options;
  char error[64];
  EXPECT_FALSE(ParseCamsimOptions(static_cast<int>(argv.size()), argv.data(), &options, error, sizeof error));
  return error;
}

// The message is one line whatever the argument holds, and fits its buffer.
TEST(CamsimOptions, RefusalIsOneLineThatFits) {
  EXPECT_EQ(Refusal({"--line", "0x66", "--fr\nob"}), "unknown argument '--fr?ob'");
  EXPECT_EQ(Refusal({"--line", "0x66", "--fault", "delay=1\r\t"}),
            "bad value in fault 'delay=1?"
            "?'");
  std::string longPath(200, 'a');
  std::string cut = Refusal({"--line", "0x66", longPath.c_str()});
  EXPECT_EQ(cut, "unknown argument '" + std::string(63 - 18, 'a'));
}

}  // namespace
