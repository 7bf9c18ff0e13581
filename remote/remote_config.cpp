#include "remote/remote_config.h"

#include "net/ini_file.h"

#include <cstdio>
#include <cstring>

namespace {

constexpr unsigned kMaxPort = 65535;
constexpr unsigned kMaxOctet = 255;
constexpr size_t kQuoteChars = 40;
constexpr size_t kReasonChars = 120;
// A value longer than this is refused before it is looked at.
constexpr size_t kValueChars = 160;
const char kOff[] = "Remote control off: ";

// Input fit for a one-line message: cut, control characters and bytes above
// 0x7E as '?'.
void Quote(const char* text, char (&out)[kQuoteChars + 1]) {
  size_t i = 0;
  for (; text[i] != 0 && i < kQuoteChars; i++) {
    const unsigned char c = static_cast<unsigned char>(text[i]);
    out[i] = c < 0x20 || c > 0x7E ? '?' : text[i];
  }
  out[i] = 0;
}

// Decimal digits only, value in [0, hi].
bool ParseDecimal(const char* text, size_t n, unsigned hi, unsigned* value) {
  if (n == 0 || n > 5) return false;
  unsigned v = 0;
  for (size_t i = 0; i < n; i++) {
    if (text[i] < '0' || text[i] > '9') return false;
    v = v * 10 + static_cast<unsigned>(text[i] - '0');
  }
  *value = v;
  return v <= hi;
}

// A dotted IPv4 address, or localhost.
bool ParseHost(const char* text, size_t n, uint8_t (&ip)[4]) {
  if (IniSameWord(text, n, "localhost")) {
    const uint8_t loopback[4] = {127, 0, 0, 1};
    std::memcpy(ip, loopback, sizeof ip);
    return true;
  }
  const char* end = text + n;
  for (int k = 0; k < 4; k++) {
    const char* dot = k < 3 ? static_cast<const char*>(std::memchr(text, '.', static_cast<size_t>(end - text))) : end;
    unsigned octet = 0;
    if (dot == nullptr || !ParseDecimal(text, static_cast<size_t>(dot - text), kMaxOctet, &octet)) return false;
    ip[k] = static_cast<uint8_t>(octet);
    text = dot + 1;
  }
  return true;
}

bool Refuse(char* why, size_t size, const char* reason, const char* value) {
  char quoted[kQuoteChars + 1];
  Quote(value, quoted);
  snprintf(why, size, reason, quoted);
  return false;
}

// A comment starts a line or follows a space: a token may hold ';' or '#'.
IniSpan WithoutComment(IniSpan line) {
  for (size_t i = 0; i < line.length; i++)
    if ((line.text[i] == ';' || line.text[i] == '#') && (i == 0 || IniIsSpace(line.text[i - 1])))
      return IniTrim(line.text, line.text + i);
  return line;
}

enum RemoteKey { KEY_LISTEN, KEY_TOKEN, KEY_RAW, KEY_COUNT };
const char* const kKeyNames[KEY_COUNT] = {"Listen", "Token", "Raw"};

// The value of key `k` into `config`; false with the reason.
bool TakeValue(int k, IniSpan rest, RemoteConfig* config, char* why, size_t size) {
  char value[kValueChars + 1];
  if (rest.length > kValueChars) return Refuse(why, size, "value too long%s", "");
  snprintf(value, sizeof value, "%.*s", static_cast<int>(rest.length), rest.text);
  if (k == KEY_LISTEN) {
    config->listen = ParseRemoteListen(value, &config->address, why, size);
    return config->listen;
  }
  if (k == KEY_TOKEN) return value[0] == 0 || ParseRemoteToken(value, config->token, why, size);
  config->rawGiven = true;
  config->raw = IniSameWord(value, rest.length, "on");
  return config->raw || IniSameWord(value, rest.length, "off") ||
         Refuse(why, size, "'%s' is neither on nor off", value);
}

// One KEY=VALUE line of [Remote] into `config`; false with the reason.
bool TakeKeyLine(IniSpan line, int (&firstSeen)[KEY_COUNT], int lineNumber, RemoteConfig* config, char* why,
                 size_t size) {
  char text[kValueChars + 1];
  const char* eq = static_cast<const char*>(std::memchr(line.text, '=', line.length));
  snprintf(text, sizeof text, "%.*s", static_cast<int>(line.length), line.text);
  if (eq == nullptr) return Refuse(why, size, "'%s' is not KEY=VALUE", text);
  const IniSpan key = IniTrim(line.text, eq);
  int k = 0;
  while (k < KEY_COUNT && !IniSameWord(key.text, key.length, kKeyNames[k])) k++;
  snprintf(text, sizeof text, "%.*s", static_cast<int>(key.length), key.text);
  if (k == KEY_COUNT) return Refuse(why, size, "unknown key '%s' (Listen, Token, Raw)", text);
  if (firstSeen[k] > 0) {
    snprintf(why, size, "%s: given twice (first on line %d)", kKeyNames[k], firstSeen[k]);
    return false;
  }
  firstSeen[k] = lineNumber;
  char reason[kReasonChars];
  if (TakeValue(k, IniTrim(eq + 1, line.text + line.length), config, reason, sizeof reason)) return true;
  snprintf(why, size, "%s: %s", kKeyNames[k], reason);
  return false;
}

}  // namespace

bool ParseRemoteListen(const char* value, NetAddress* address, char* why, size_t size) {
  const char* colon = std::strrchr(value, ':');
  if (colon == nullptr) return Refuse(why, size, "'%s' is not ADDRESS:PORT", value);
  NetAddress parsed;
  if (!ParseHost(value, static_cast<size_t>(colon - value), parsed.ip))
    return Refuse(why, size, "bad address in '%s' (an IPv4 address or localhost)", value);
  unsigned port = 0;
  if (!ParseDecimal(colon + 1, std::strlen(colon + 1), kMaxPort, &port) || port == 0)
    return Refuse(why, size, "port '%s' out of range (1..65535)", colon + 1);
  parsed.port = static_cast<uint16_t>(port);
  *address = parsed;
  return true;
}

bool ParseRemoteToken(const char* value, char (&token)[kRemoteTokenChars + 1], char* why, size_t size) {
  const size_t n = std::strlen(value);
  if (n == 0 || n > kRemoteTokenChars) return Refuse(why, size, "token of 1..128 characters needed%s", "");
  for (size_t i = 0; i < n; i++) {
    const unsigned char c = static_cast<unsigned char>(value[i]);
    if (c <= 0x20 || c > 0x7E) return Refuse(why, size, "a token has no space nor control character%s", "");
  }
  std::memcpy(token, value, n + 1);
  return true;
}

bool CheckRemoteConfig(RemoteConfig* config, char* status, size_t size) {
  if (!config->listen) return true;
  const uint8_t* ip = config->address.ip;
  if (ip[0] == 127 || std::strlen(config->token) >= kRemoteMinOpenToken) return true;
  snprintf(status, size, "%slistening on %u.%u.%u.%u needs a token of at least 16 characters", kOff, ip[0], ip[1],
           ip[2], ip[3]);
  config->listen = false;
  return false;
}

namespace {

struct RemoteSection {
  RemoteConfig* config;
  int firstSeen[KEY_COUNT];
  int badLine;
  char why[kReasonChars + 16];
};

// The first bad line ends the reading: the listener stays off.
bool TakeRemoteLine(void* context, IniSpan line, int lineNumber) {
  RemoteSection* r = static_cast<RemoteSection*>(context);
  if (TakeKeyLine(line, r->firstSeen, lineNumber, r->config, r->why, sizeof r->why)) return true;
  r->badLine = lineNumber;
  return false;
}

}  // namespace

bool ParseRemoteConfigText(const char* text, const char* source, RemoteConfig* config, char* status, size_t size) {
  RemoteSection section = {config, {}, 0, ""};
  if (ForEachIniLine(text, "Remote", WithoutComment, TakeRemoteLine, &section)) return true;
  snprintf(status, size, "%s%s line %d: %s", kOff, source, section.badLine, section.why);
  config->listen = false;
  return false;
}

bool LoadRemoteConfigFile(const char* path, RemoteConfig* config, char* status, size_t size) {
  static char text[kIniBufferBytes];
  const IniReadResult read = ReadIniFile(path, text);
  if (read == INI_MISSING) return true;
  if (read == INI_READ) return ParseRemoteConfigText(text, path, config, status, size);
  snprintf(status, size, "%s%s: not read: larger than 64 KiB or unreadable", kOff, path);
  return false;
}
