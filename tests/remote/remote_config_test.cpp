// [Remote] of orvalix.ini: what is taken, and the status text that turns the
// listener off.
#include "remote/remote_config.h"

#include <gtest/gtest.h>

#include <string>

TEST(RemoteConfig, SectionRulesAndStatusTexts) {
  const std::string any = "[Remote]\nListen=0.0.0.0:9000\nToken=", off = "Remote control off: t.ini line ";
  const std::string open = "Remote control off: listening on 0.0.0.0 needs a token of at least 16 characters";
  const std::pair<std::string, std::string> rows[] = {
      {"[Remote]\nListen=127.0.0.1:9000\n", "127.0.0.1:9000 '' off"},
      {"[remote] ; panel\r\nlisten = localhost:9001 ; local\r\nToken=abc#1\r\nRaw=ON\r\n", "127.0.0.1:9001 'abc#1' on"},
      {"[Network]\nListen=127.0.0.1:9000\n", ""},
      {"[Remote]\nListen=0.0.0.0:9000\n", open},
      {any + "0123456789abcde\n", open},
      {any + "0123456789abcdef\n", "0.0.0.0:9000 '0123456789abcdef' off"},
      {"[Remote]\nListen=192.168.1.20:80\nToken=0123456789abcdef\nRaw=off", "192.168.1.20:80 '0123456789abcdef' off"},
      {"[Remote]\nListen=127.0.0.1:0\n", off + "2: Listen: port '0' out of range (1..65535)"},
      {"[Remote]\nListen=cam.local:80\n",
       off + "2: Listen: bad address in 'cam.local:80' (an IPv4 address or localhost)"},
      {"[Remote]\nRaw=yes\n", off + "2: Raw: 'yes' is neither on nor off"},
      {"[Remote]\nListen=127.0.0.1:1\n\nlisten=127.0.0.1:2\n", off + "4: Listen: given twice (first on line 2)"},
      {"[Remote]\nPort=9000\n", off + "2: unknown key 'Port' (Listen, Token, Raw)"},
      {"[Remote]\nToken=two words\n", off + "2: Token: a token has no space nor control character"},
  };
  for (const auto& row : rows) {
    RemoteConfig config;
    char status[kRemoteStatusChars] = {};
    if (ParseRemoteConfigText(row.first.c_str(), "t.ini", &config, status, sizeof status))
      CheckRemoteConfig(&config, status, sizeof status);
    const uint8_t* ip = config.address.ip;
    char got[kRemoteStatusChars + 40];
    snprintf(got, sizeof got, "%u.%u.%u.%u:%u '%s' %s", ip[0], ip[1], ip[2], ip[3], config.address.port, config.token,
             config.raw ? "on" : "off");
    EXPECT_EQ(config.listen ? got : status, row.second) << row.first;
  }
}
