// Network lines as the user configures them: the [Network] section of
// orvalix.ini (IP1=HOST[:PORT] [KIND]) and orvalix-cli's --ip N=HOST[:PORT][,KIND].
// Pure: text in, entries and error texts out.
#pragma once

#include <cstdint>

enum NetKind : uint8_t {
  NET_NONE = 0,  // the entry is not configured
  NET_VISCA_IP,  // UDP, every packet behind the 8-byte VISCA-over-IP header
  NET_TCP,       // raw VISCA bytes over a TCP stream
  NET_UDP,       // raw VISCA, one packet per datagram
};

constexpr int kNetMaxLines = 16;  // IP1..IP16
constexpr int kNetHostChars = 256;

struct NetLineConfig {
  NetKind kind = NET_NONE;
  uint16_t port = 0;
  char host[kNetHostChars] = {};
};

struct NetConfig {
  NetLineConfig lines[kNetMaxLines];  // lines[0] is IP1
};

// Texts of the entries that were skipped, in the order met; `count` counts
// them all, the first kMaxTexts are kept.
struct NetConfigErrors {
  static constexpr int kMaxTexts = 8;
  static constexpr int kTextChars = 160;
  char texts[kMaxTexts][kTextChars] = {};
  int count = 0;
};

// "visca-ip", "tcp" or "udp".
const char* NetKindName(NetKind kind);

// The whole text of an ini file; `source` names it in the error texts.
// Entries already in `config` count as given before this text.
void ParseNetConfigText(const char* text, const char* source, NetConfig* config, NetConfigErrors* errors);
// Reads the file; false when it cannot be read (a missing file is no error
// for the caller to show). An unreadable or oversized file adds an error.
bool LoadNetConfigFile(const char* path, NetConfig* config, NetConfigErrors* errors);
// orvalix-cli's --ip value N=HOST[:PORT][,KIND]. False with a message.
bool ParseNetOption(const char* value, NetConfig* config, char* error, int errorSize);
