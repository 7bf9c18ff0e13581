#include "net/net_config.h"

#include "net/ini_file.h"

#include <cstdio>
#include <cstring>

namespace {

struct KindRow {
  NetKind kind;
  const char* name;
  uint16_t defaultPort;
};

const KindRow kKinds[] = {
    {NET_VISCA_IP, "visca-ip", 52381},
    {NET_TCP, "tcp", 5678},
    {NET_UDP, "udp", 1259},
};

constexpr unsigned kMaxPort = 65535;
// Quoted input is cut to this many characters in an error text.
constexpr int kQuoteChars = 40;
constexpr int kReasonChars = 96;

// A piece of input fit for a one-line message: cut, control characters as '?'.
void Quote(const char* text, size_t n, char* out) {
  size_t i = 0;
  for (; i < n && i < static_cast<size_t>(kQuoteChars); i++) {
    const unsigned char c = static_cast<unsigned char>(text[i]);
    out[i] = c < 0x20 || c == 0x7F ? '?' : text[i];
  }
  out[i] = 0;
}

// Decimal digits only, value in [lo, hi].
bool ParseDecimal(const char* text, size_t n, unsigned lo, unsigned hi, unsigned* value) {
  if (n == 0 || n > 6) return false;
  unsigned v = 0;
  for (size_t i = 0; i < n; i++) {
    if (text[i] < '0' || text[i] > '9') return false;
    v = v * 10 + static_cast<unsigned>(text[i] - '0');
  }
  *value = v;
  return v >= lo && v <= hi;
}

// "HOST[:PORT]" and an optional kind word into `out`; false with the reason.
bool ParseEntry(const char* endpoint, size_t endpointLength, const char* kind, size_t kindLength, NetLineConfig* out,
                char* why) {
  char quoted[kQuoteChars + 1];
  const KindRow* row = &kKinds[0];
  if (kindLength > 0) {
    row = nullptr;
    for (const KindRow& k : kKinds)
      if (IniSameWord(kind, kindLength, k.name)) row = &k;
    if (row == nullptr) {
      Quote(kind, kindLength, quoted);
      snprintf(why, kReasonChars, "unknown kind '%s' (visca-ip, tcp or udp)", quoted);
      return false;
    }
  }
  const char* colon = static_cast<const char*>(std::memchr(endpoint, ':', endpointLength));
  const size_t hostLength = colon != nullptr ? static_cast<size_t>(colon - endpoint) : endpointLength;
  if (hostLength == 0) {
    snprintf(why, kReasonChars, "no host");
    return false;
  }
  if (hostLength >= static_cast<size_t>(kNetHostChars)) {
    snprintf(why, kReasonChars, "host name too long");
    return false;
  }
  unsigned port = row->defaultPort;
  if (colon != nullptr) {
    const char* digits = colon + 1;
    const size_t digitCount = endpointLength - hostLength - 1;
    if (std::memchr(digits, ':', digitCount) != nullptr) {
      Quote(endpoint, endpointLength, quoted);
      snprintf(why, kReasonChars, "bad host '%s' (a name or an IPv4 address)", quoted);
      return false;
    }
    if (!ParseDecimal(digits, digitCount, 1, kMaxPort, &port)) {
      Quote(digits, digitCount, quoted);
      snprintf(why, kReasonChars, "port '%s' out of range (1..65535)", quoted);
      return false;
    }
  }
  out->kind = row->kind;
  out->port = static_cast<uint16_t>(port);
  std::memcpy(out->host, endpoint, hostLength);
  out->host[hostLength] = 0;
  return true;
}

// The next slot for an error text, null once they are all taken (it is
// counted all the same).
char* NextErrorText(NetConfigErrors* errors) {
  return errors->count++ < NetConfigErrors::kMaxTexts ? errors->texts[errors->count - 1] : nullptr;
}

void AddError(NetConfigErrors* errors, const char* source, int lineNumber, const char* key, const char* why) {
  if (char* text = NextErrorText(errors))
    snprintf(text, NetConfigErrors::kTextChars, "%s line %d: %s%s%s", source, lineNumber, key, key[0] != 0 ? ": " : "",
             why);
}

// Index 0..15 of "IPn"; -1 with the reason when the key names no line.
int LineIndex(const char* key, size_t n, char* why) {
  char quoted[kQuoteChars + 1];
  unsigned number = 0;
  const bool ip = n > 2 && IniSameWord(key, 2, "ip");
  if (ip && ParseDecimal(key + 2, n - 2, 1, kNetMaxLines, &number)) return static_cast<int>(number) - 1;
  Quote(key, n, quoted);
  if (ip && ParseDecimal(key + 2, n - 2, 0, 999999, &number)) {
    snprintf(why, kReasonChars, "no line %s (IP1..IP16)", quoted);
  } else {
    snprintf(why, kReasonChars, "unknown key '%s' (IP1..IP16)", quoted);
  }
  return -1;
}

// Splits `value` at the first run of `separator` (whitespace when 0): the
// part before it, and the rest.
void SplitAt(IniSpan value, char separator, IniSpan* first, IniSpan* rest) {
  size_t i = 0;
  while (i < value.length && (separator != 0 ? value.text[i] != separator : !IniIsSpace(value.text[i]))) i++;
  *first = IniTrim(value.text, value.text + i);
  if (i < value.length) i++;
  *rest = IniTrim(value.text + i, value.text + value.length);
}

// A line without its comment: ';' or '#' starts one anywhere (no host name
// holds either).
IniSpan WithoutComment(IniSpan line) {
  size_t i = 0;
  while (i < line.length && line.text[i] != ';' && line.text[i] != '#') i++;
  return IniTrim(line.text, line.text + i);
}

bool SameTransport(NetKind a, NetKind b) { return (a == NET_TCP) == (b == NET_TCP); }

// Another line already names the camera of line `index`: the shared UDP
// socket gives each camera address's datagrams to one line only.
bool SameCameraAs(const NetConfig* config, int index, char* why) {
  const NetLineConfig& line = config->lines[index];
  for (int i = 0; i < kNetMaxLines; i++) {
    const NetLineConfig& other = config->lines[i];
    if (i == index || other.kind == NET_NONE || !SameTransport(other.kind, line.kind) || other.port != line.port ||
        !IniSameWord(other.host, std::strlen(other.host), line.host))
      continue;
    char quoted[kQuoteChars + 1];
    Quote(line.host, std::strlen(line.host), quoted);
    snprintf(why, kReasonChars, "%s:%u is IP%d already", quoted, static_cast<unsigned>(line.port), i + 1);
    return true;
  }
  return false;
}

// Takes a parsed entry into line `index` unless another line names its camera.
bool TakeEntry(NetConfig* config, int index, const NetLineConfig& entry, char* why) {
  NetLineConfig& slot = config->lines[index];
  slot = entry;
  if (!SameCameraAs(config, index, why)) return true;
  slot = NetLineConfig();
  return false;
}

// One "key = value" line of the [Network] section.
void ParseKeyLine(IniSpan line, const char* source, int lineNumber, int* firstSeen, NetConfig* config,
                  NetConfigErrors* errors) {
  char why[kReasonChars];
  const char* eq = static_cast<const char*>(std::memchr(line.text, '=', line.length));
  if (eq == nullptr) {
    char quoted[kQuoteChars + 1];
    Quote(line.text, line.length, quoted);
    snprintf(why, sizeof why, "'%s' is not KEY=VALUE", quoted);
    return AddError(errors, source, lineNumber, "", why);
  }
  const IniSpan key = IniTrim(line.text, eq);
  const int index = LineIndex(key.text, key.length, why);
  if (index < 0) return AddError(errors, source, lineNumber, "", why);
  char name[16];
  snprintf(name, sizeof name, "IP%d", index + 1);
  const NetLineConfig& slot = config->lines[index];
  if (slot.kind != NET_NONE) {
    if (firstSeen[index] > 0) {
      snprintf(why, sizeof why, "given twice (first on line %d)", firstSeen[index]);
    } else {
      snprintf(why, sizeof why, "given twice");
    }
    return AddError(errors, source, lineNumber, name, why);
  }
  IniSpan endpoint, rest, kind, extra;
  SplitAt(IniTrim(eq + 1, line.text + line.length), 0, &endpoint, &rest);
  SplitAt(rest, 0, &kind, &extra);
  if (extra.length > 0) return AddError(errors, source, lineNumber, name, "more than HOST[:PORT] KIND");
  NetLineConfig entry;
  if (!ParseEntry(endpoint.text, endpoint.length, kind.text, kind.length, &entry, why) ||
      !TakeEntry(config, index, entry, why))
    return AddError(errors, source, lineNumber, name, why);
  firstSeen[index] = lineNumber;
}

}  // namespace

const char* NetKindName(NetKind kind) {
  for (const KindRow& k : kKinds)
    if (k.kind == kind) return k.name;
  return "";
}

namespace {

struct NetSection {
  const char* source;
  NetConfig* config;
  NetConfigErrors* errors;
  int firstSeen[kNetMaxLines];
};

bool TakeNetLine(void* context, IniSpan line, int lineNumber) {
  NetSection* n = static_cast<NetSection*>(context);
  ParseKeyLine(line, n->source, lineNumber, n->firstSeen, n->config, n->errors);
  return true;  // a bad line is noted and the rest still read
}

}  // namespace

void ParseNetConfigText(const char* text, const char* source, NetConfig* config, NetConfigErrors* errors) {
  NetSection section = {source, config, errors, {}};
  ForEachIniLine(text, "Network", WithoutComment, TakeNetLine, &section);
}

bool LoadNetConfigFile(const char* path, NetConfig* config, NetConfigErrors* errors) {
  static char text[kIniBufferBytes];
  const IniReadResult read = ReadIniFile(path, text);
  if (read == INI_MISSING) return false;
  if (read == INI_TOO_LARGE) {
    if (char* message = NextErrorText(errors))
      snprintf(message, NetConfigErrors::kTextChars, "%s: not read: larger than 64 KiB or unreadable", path);
    return true;
  }
  ParseNetConfigText(text, path, config, errors);
  return true;
}

bool ParseNetOption(const char* value, NetConfig* config, char* error, int errorSize) {
  char why[kReasonChars];
  char quoted[kQuoteChars + 1];
  const IniSpan whole = IniSpan{value, std::strlen(value)};
  Quote(whole.text, whole.length, quoted);
  IniSpan number, rest, endpoint, kind;
  SplitAt(whole, '=', &number, &rest);
  unsigned n = 0;
  if (number.length == whole.length || !ParseDecimal(number.text, number.length, 1, kNetMaxLines, &n)) {
    snprintf(error, static_cast<size_t>(errorSize), "--ip needs N=HOST[:PORT][,KIND] with N 1..16: %s", quoted);
    return false;
  }
  const NetLineConfig& slot = config->lines[n - 1];
  if (slot.kind != NET_NONE) {
    snprintf(error, static_cast<size_t>(errorSize), "--ip: IP%u given twice: %s", n, quoted);
    return false;
  }
  SplitAt(rest, ',', &endpoint, &kind);
  NetLineConfig entry;
  if (!ParseEntry(endpoint.text, endpoint.length, kind.text, kind.length, &entry, why) ||
      !TakeEntry(config, static_cast<int>(n - 1), entry, why)) {
    snprintf(error, static_cast<size_t>(errorSize), "--ip: IP%u: %s", n, why);
    return false;
  }
  return true;
}
