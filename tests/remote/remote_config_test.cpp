// [Remote] of orvalix.ini: what is taken, and the status text that turns the
// listener off.
#include "remote/remote_config.h"

#include <gtest/gtest.h>

#include <string>

TEST(RemoteConfig, SectionRulesAndStatusTexts) {
  const char* const kOn = "[Remote]\nListen=0.0.0.0:9000\nToken=";
  const struct {
    std::string text;
    const char* expected;
  } rows[] = {
      {"[Remote]\nListen=127.0.0.1:9000\n", "127.0.0.1:9000 '' off"},
      {"[remote] ; panel\r\nlisten = localhost:9001 ; local\r\nToken=abc#1\r\nRaw=ON\r\n", "127.0.0.1:9001 'abc#1' on"},
      {"[Network]\nListen=127.0.0.1:9000\n", ""},
      {"[Remote]\nListen=0.0.0.0:9000\n",
       "Remote control off: listening on 0.0.0.0 needs a token of at least 16 characters"},
      {kOn + std::string("0123456789abcde\n"),
       "Remote control off: listening on 0.0.0.0 needs a token of at least 16 characters"},
      {kOn + std::string("0123456789abcdef\n"), "0.0.0.0:9000 '0123456789abcdef' off"},
      {"[Remote]\nListen=192.168.1.20:80\nToken=0123456789abcdef\nRaw=off", "192.168.1.20:80 '0123456789abcdef' off"},
      {"[Remote]\nListen=127.0.0.1:0\n", "Remote control off: t.ini line 2: Listen: port '0' out of range (1..65535)"},
      {"[Remote]\nListen=127.0.0.1\n", "Remote control off: t.ini line 2: Listen: '127.0.0.1' is not ADDRESS:PORT"},
      {"[Remote]\nListen=256.0.0.1:9000\n",
       "Remote control off: t.ini line 2: Listen: bad address in '256.0.0.1:9000' (an IPv4 address or localhost)"},
      {"[Remote]\nRaw=yes\n", "Remote control off: t.ini line 2: Raw: 'yes' is neither on nor off"},
      {"[Remote]\nListen=127.0.0.1:1\n\nlisten=127.0.0.1:2\n",
       "Remote control off: t.ini line 4: Listen: given twice (first on line 2)"},
      {"[Remote]\nPort=9000\n", "Remote control off: t.ini line 2: unknown key 'Port' (Listen, Token, Raw)"},
      {"[Remote]\nListen=127.0.0.1:9000\nToken=two words\n",
       "Remote control off: t.ini line 3: Token: a token has no space nor control character"},
  };
  for (const auto& row : rows) {
    RemoteConfig config;
    char status[kRemoteStatusChars] = {};
    if (ParseRemoteConfigText(row.text.c_str(), "t.ini", &config, status, sizeof status))
      CheckRemoteConfig(&config, status, sizeof status);
    std::string got = status;
    if (config.listen) {
      const uint8_t* ip = config.address.ip;
      got = std::to_string(ip[0]) + "." + std::to_string(ip[1]) + "." + std::to_string(ip[2]) + "." +
            std::to_string(ip[3]) + ":" + std::to_string(config.address.port) + " '" + config.token + "' " +
            (config.raw ? "on" : "off");
    }
    EXPECT_EQ(got, row.expected) << row.text;
  }
}
