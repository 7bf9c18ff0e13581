#include "requests/cli/camera_line.h"
#include "requests/cli/cli_options.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

namespace {

struct Parsed {
  bool ok;
  CliOptions options;
  std::string error;
};

Parsed Parse(std::vector<const char*> args) {
  args.insert(args.begin(), "orvalix-cli");
  Parsed p;
  char error[200] = "";
  p.ok = ParseCliOptions(static_cast<int>(args.size()), args.data(), &p.options, error, sizeof error);
  p.error = error;
  return p;
}

TEST(CliOptions, PortsSelectionRequestsAndWait) {
  Parsed p = Parse({"--port", "1=/dev/ttyUSB0", "--port", "10=/tmp/x", "--select", "2", "--request", "45:1",
                    "--request", "0x1D:-3", "--request", "47", "--wait", "250", "--timeout", "900"});
  ASSERT_TRUE(p.ok) << p.error;
  EXPECT_STREQ(p.options.devices[0], "/dev/ttyUSB0");
  EXPECT_STREQ(p.options.devices[9], "/tmp/x");
  for (int i = 1; i < 9; i++) EXPECT_STREQ(p.options.devices[i], "") << i;
  EXPECT_EQ(p.options.select, 2);
  ASSERT_EQ(p.options.requestCount, 3);
  EXPECT_EQ(p.options.requests[0].code, 45u);
  EXPECT_EQ(p.options.requests[0].a, 1);
  EXPECT_EQ(p.options.requests[1].code, 29u);
  EXPECT_EQ(p.options.requests[1].a, -3);
  EXPECT_EQ(p.options.requests[2].code, 47u);
  EXPECT_EQ(p.options.requests[2].a, 0);
  EXPECT_EQ(p.options.waitMs, 250u);
  EXPECT_EQ(p.options.timeoutMs, 900u);
}

TEST(CliOptions, BadArgumentsAreRefusedWithAMessage) {
  const std::vector<std::vector<const char*>> bad = {
      {},
      {"--port"},
      {"--port", "1"},
      {"--port", "=/dev/x"},
      {"--port", "11=/dev/x"},
      {"--port", "1="},
      {"--port", "1=/a", "--port", "1=/b"},
      {"--port", "1=/a", "--select", "71"},
      {"--port", "1=/a", "--select", "two"},
      {"--port", "1=/a", "--request", "5"},
      {"--port", "1=/a", "--select", "1", "--request", ":5"},
      {"--port", "1=/a", "--select", "1", "--request", "5:"},
      {"--port", "1=/a", "--select", "1", "--request", "5:99999999999"},
      {"--port", "1=/a", "--wait"},
      {"--port", "1=/a", "--wait", "1s"},
      {"--port", "1=/a", "--timeout", "0"},
      {"--port", "1=/a", "--verbose"},
  };
  for (const auto& args : bad) {
    Parsed p = Parse(args);
    std::string joined;
    for (const char* a : args) joined += std::string(a) + " ";
    EXPECT_FALSE(p.ok) << joined;
    EXPECT_FALSE(p.error.empty()) << joined;
  }
}

TEST(CliOptions, RequestsBeyondWhatTheQueueHoldsAreRefused) {
  std::vector<const char*> args = {"--port", "1=/a", "--select", "1"};
  for (int i = 0; i < CliOptions::kMaxRequests; i++) {
    args.push_back("--request");
    args.push_back("14");
  }
  EXPECT_TRUE(Parse(args).ok);
  args.push_back("--request");
  args.push_back("14");
  EXPECT_FALSE(Parse(args).ok);
}

TEST(CameraLine, NamesEveryFieldInRecordOrder) {
  CameraRecord r = {};
  r.port = 2;
  r.address = 3;
  r.zoomPos = 16384;
  r.modelCode = 0x5F;
  r.brightPos = -1;
  r.lastPreset = 4;
  char line[1536];
  FormatCameraLine(r, 6, line, sizeof line);
  std::string s = line;
  EXPECT_EQ(s.rfind("camera 7 COM3 address 3 model 0x5F port=2 address=3 zoomRequest=0 ", 0), 0u) << s;
  EXPECT_NE(s.find(" zoomPos=16384 focusAuto=0 "), std::string::npos) << s;
  EXPECT_NE(s.find(" brightPos=-1 "), std::string::npos) << s;
  EXPECT_NE(s.find(" modelCode=95 icrMode=0 powerSwitch=0 lastPreset=4"), std::string::npos) << s;
  EXPECT_EQ(s.back(), '4');

  // A short buffer cuts the line, never overruns it.
  char small[40];
  memset(small, 'x', sizeof small);
  FormatCameraLine(r, 6, small, 30);
  EXPECT_EQ(strlen(small), 29u);
  EXPECT_EQ(small[31], 'x');
}

}  // namespace
