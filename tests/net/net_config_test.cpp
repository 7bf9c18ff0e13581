// Network lines from orvalix.ini and from --ip: what is taken, and the text
// that names each line skipped.
#include "net/net_config.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

namespace {

std::string Entry(const NetLineConfig& line) {
  if (line.kind == NET_NONE) return "-";
  return std::string(NetKindName(line.kind)) + " " + line.host + ":" + std::to_string(line.port);
}

TEST(NetConfig, IniEntriesTakenAndBadLinesNamed) {
  const char* text =
      "\xEF\xBB\xBF; studio cameras\n"
      "[Serial]\n"
      "IP5=not.in.network\n"
      "[ network ] ; studio\r\n"
      "IP1=192.168.0.10\r\n"
      "ip2 = cam2.studio:52400  visca-ip\n"
      "IP3=10.0.0.7 tcp\n"
      "IP16=10.0.0.8:1300 UDP\n"
      "IP4=10.0.0.9:70000\n"
      "IP4=10.0.0.9:0 tcp\n"
      "IP5=10.0.0.9 rtsp\n"
      "IP1=10.0.0.11\n"
      "IP17=10.0.0.12\n"
      "IP9=192.168.0.10:52381 udp ; as IP1\n"
      "IP6=:5678 tcp\n"
      "Camera=1\n"
      "IP7 10.0.0.1\n"
      "IP8=a b c";
  NetConfig config;
  NetConfigErrors errors;
  ParseNetConfigText(text, "orvalix.ini", &config, &errors);
  std::string lines;
  for (const NetLineConfig& line : config.lines) lines += Entry(line) + "|";
  EXPECT_EQ(lines,
            "visca-ip 192.168.0.10:52381|visca-ip cam2.studio:52400|tcp 10.0.0.7:5678|-|-|-|-|-|-|-|-|-|-|-|-|"
            "udp 10.0.0.8:1300|");
  const char* texts[] = {
      "orvalix.ini line 9: IP4: port '70000' out of range (1..65535)",
      "orvalix.ini line 10: IP4: port '0' out of range (1..65535)",
      "orvalix.ini line 11: IP5: unknown kind 'rtsp' (visca-ip, tcp or udp)",
      "orvalix.ini line 12: IP1: given twice (first on line 5)",
      "orvalix.ini line 13: no line IP17 (IP1..IP16)",
      "orvalix.ini line 14: IP9: 192.168.0.10:52381 is IP1 already",
      "orvalix.ini line 15: IP6: no host",
      "orvalix.ini line 16: unknown key 'Camera' (IP1..IP16)",
  };
  ASSERT_EQ(errors.count, 10);  // two more than are kept: a key-value-less line and a third word
  for (int i = 0; i < NetConfigErrors::kMaxTexts; i++) EXPECT_STREQ(errors.texts[i], texts[i]);
}

TEST(NetConfig, IpOptionOfTheCommandLine) {
  NetConfig config;
  char error[128] = {};
  ASSERT_TRUE(ParseNetOption("3=127.0.0.1:5000,tcp", &config, error, sizeof error)) << error;
  ASSERT_TRUE(ParseNetOption("1=cam-a", &config, error, sizeof error)) << error;
  ASSERT_TRUE(ParseNetOption("16=cam-b,udp", &config, error, sizeof error)) << error;
  ASSERT_TRUE(ParseNetOption("5=cam-c ,udp", &config, error, sizeof error)) << error;
  EXPECT_EQ(Entry(config.lines[2]), "tcp 127.0.0.1:5000");
  EXPECT_EQ(Entry(config.lines[0]), "visca-ip cam-a:52381");
  EXPECT_EQ(Entry(config.lines[15]), "udp cam-b:1259");
  EXPECT_EQ(Entry(config.lines[4]), "udp cam-c:1259");
  const struct {
    const char* value;
    const char* message;
  } bad[] = {
      {"0=cam", "--ip needs N=HOST[:PORT][,KIND] with N 1..16: 0=cam"},
      {"17=cam", "--ip needs N=HOST[:PORT][,KIND] with N 1..16: 17=cam"},
      {"cam:52381", "--ip needs N=HOST[:PORT][,KIND] with N 1..16: cam:52381"},
      {"2=cam:65536", "--ip: IP2: port '65536' out of range (1..65535)"},
      {"2=cam:1x", "--ip: IP2: port '1x' out of range (1..65535)"},
      {"2=fe80::1", "--ip: IP2: bad host 'fe80::1' (a name or an IPv4 address)"},
      {"2=cam,tcp,udp", "--ip: IP2: unknown kind 'tcp,udp' (visca-ip, tcp or udp)"},
      {"2=,tcp", "--ip: IP2: no host"},
      {"3=other", "--ip: IP3 given twice: 3=other"},
      {"4=127.0.0.1:5000,tcp", "--ip: IP4: 127.0.0.1:5000 is IP3 already"},
  };
  for (const auto& b : bad) {
    EXPECT_FALSE(ParseNetOption(b.value, &config, error, sizeof error)) << b.value;
    EXPECT_STREQ(error, b.message);
  }
  EXPECT_EQ(config.lines[1].kind, NET_NONE);
}

}  // namespace
