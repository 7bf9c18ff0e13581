// Raw commands as typed: which texts are packets, and what is said about the others.
#include "requests/raw_packet_text.h"

#include <gtest/gtest.h>

#include <string>

namespace {

std::string Hex(const RawPacket& p) {
  std::string out;
  char text[4];
  for (int32_t i = 0; i < p.length; i++) out += (snprintf(text, sizeof text, i ? " %02X" : "%02X", p.bytes[i]), text);
  return out;
}

TEST(RawPacketText, GoodAndBadTexts) {
  const std::string pasted(10000, '8');
  std::string manyBytes = "81 ";  // too long, not a packet cut to its first 16 bytes
  for (int i = 0; i < 5000; i++) manyBytes += "01 ";
  // clang-format off
  const struct {
    std::string text;
    RawParseResult result;
    const char* bytesOrMessage;
    bool ownAddress;
  } cases[] = {
      {"8x 09 04 00 FF", RAW_OK, "80 09 04 00 FF", true},
      {"81 09 04 47 FF", RAW_OK, "81 09 04 47 FF", false},
      {"  8X\t1 4 62 2 ff\r\n", RAW_OK, "80 01 04 62 02 FF", true},
      {"81 01 FF", RAW_OK, "81 01 FF", false},
      {"81 01 04 28 0E 05 00 00 01 02 03 04 05 06 07 FF", RAW_OK, "81 01 04 28 0E 05 00 00 01 02 03 04 05 06 07 FF", false},
      {"", RAW_EMPTY, "Type hex bytes, for example 8x 09 04 00 FF.", false},
      {" \t ", RAW_EMPTY, "Type hex bytes, for example 8x 09 04 00 FF.", false},
      {"81 09 04 0G FF", RAW_NOT_HEX, "Not a hex byte: \"0G\".", false},
      {"81 09 004 FF", RAW_NOT_HEX, "Not a hex byte: \"004\".", false},
      {"81,09,04,00,FF", RAW_NOT_HEX, "Not a hex byte: \"81,09,04,00,...\".", false},
      {"81 8x 04 FF", RAW_NOT_HEX, "Not a hex byte: \"8x\".", false},
      {"81 FF", RAW_TOO_SHORT, "A packet has at least 3 bytes.", false},
      {"81 01 04 28 0E 05 00 00 01 02 03 04 05 06 07 08 FF", RAW_TOO_LONG, "A packet has at most 16 bytes.", false},
      {"09 04 00 FF", RAW_NO_HEADER, "A packet starts with 8x (x: the camera's address).", false},
      {"81 09 04 00", RAW_NO_TERMINATOR, "A packet ends with FF.", false},
      {"81 09 FF 00 FF", RAW_TERMINATOR_INSIDE, "FF only ends a packet.", false},
      {pasted, RAW_NOT_HEX, "Not a hex byte: \"888888888888...\".", false},
      {std::string(5000, ' ') + "8x 09 04 00 FF", RAW_OK, "80 09 04 00 FF", true},
      {manyBytes + "FF", RAW_TOO_LONG, "A packet has at most 16 bytes.", false},
  };
  // clang-format on
  for (const auto& k : cases) {
    RawPacket p;
    char message[80] = "unchanged";
    EXPECT_EQ(ParseRawPacket(k.text.c_str(), &p, message, sizeof message), k.result) << k.text.substr(0, 40);
    if (k.result == RAW_OK) {
      EXPECT_EQ(Hex(p), k.bytesOrMessage);
      EXPECT_EQ(p.ownAddress, k.ownAddress) << k.text;
      EXPECT_STREQ(message, "");
    } else {
      EXPECT_STREQ(message, k.bytesOrMessage);
      EXPECT_EQ(p.length, 0);
    }
  }
}

}  // namespace
