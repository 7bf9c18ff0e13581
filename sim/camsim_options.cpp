#include "sim/camsim_options.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

const char kCamsimUsage[] =
    "usage: camsim --line MODELS [--link PATH | --udp PORT | --udp-raw PORT | --tcp PORT]\n"
    "              [--transcript FILE] [--fault FAULT]... [--line ...]\n"
    "              [--profile fast|realistic] [--hz 50|60] [--pacing] [--duration SECONDS]\n"
    "              [--transcript FILE] [--clock start|monotonic|realtime]\n"
    "  --line MODELS      a line of 1..7 cameras, model codes in chain order: 0x66,0x4B;\n"
    "                     0x70 and 0x71 pan and tilt (0x71 answers pan in five nibbles), 0x72\n"
    "                     too but refuses the maximum-speed inquiry and some block commands\n"
    "  --link PATH        symlink PATH to this line's device (for example a Wine com1)\n"
    "  --udp PORT         serve this line on 127.0.0.1 UDP PORT with VISCA-over-IP headers\n"
    "                     instead of a pseudo-terminal (0: any free port, printed); one camera\n"
    "  --udp-raw PORT     the same with bare VISCA packets, one per datagram; one camera\n"
    "  --tcp PORT         serve this line's bytes on 127.0.0.1 TCP PORT, one client at a time\n"
    "  --transcript FILE  timestamped bytes in both directions; after --line for that line\n"
    "                     only, before any --line for all lines\n"
    "  --fault FAULT      fault on the last line, or on camera N of it with camN:FAULT:\n"
    "                     silent, delay=MS, stop-after=N, error=BYTES:CODE (error=010447:41),\n"
    "                     slow=BYTES:MS (inquiries starting with BYTES answered MS later:\n"
    "                     slow=090448:420),\n"
    "                     split=BYTES:GAPMS, batch, noise=N, noise-packet=N, network-change,\n"
    "                     short-echo=N (line only), standby (camera only: starts powered off),\n"
    "                     unplug=T1:T2 (line only: the device hangs up at T1 seconds, a new one\n"
    "                     appears under the link at T2; on --tcp the connection closes and\n"
    "                     connections are refused until T2), power-off=T1:T2 (camera only: no\n"
    "                     power from T1 to T2, which silences the line; then it sends y0 38 FF\n"
    "                     and takes addressed packets only after an address set, or on --udp\n"
    "                     and --udp-raw just answers again), power-on-noise=N (camera only:\n"
    "                     once its power is back, N noise bytes before each of its packets);\n"
    "                     on a pan/tilt camera (camera only) home-stuck (Home and absolute\n"
    "                     moves acknowledged, never completed), position-flaky=N (only every\n"
    "                     Nth position inquiry answered), max-speed=WW:ZZ (maximum-speed answer\n"
    "                     bytes in hex: max-speed=90:14), position-short (position answer one\n"
    "                     nibble short);\n"
    "                     repeatable; on a network line also drop=PERCENT (datagrams lost\n"
    "                     at random, both ways, the same each run) and late=MS (replies held\n"
    "                     back MS)\n"
    "  --profile          fast (replies after ~1 ms) or realistic (default: one packet per\n"
    "                     video frame, zoom and focus at finite speed, power-on in seconds);\n"
    "                     a full pan sweep at maximum speed takes 0.2 s fast, 2 s realistic\n"
    "  --hz               video frame rate of the realistic profile (default 60: 59.94 Hz)\n"
    "  --pacing           send every byte at 38400 baud\n"
    "  --duration         stop after this many seconds (default: at SIGINT or SIGTERM)\n"
    "  --clock            transcript times from camsim's start (default), or the machine's\n"
    "                     monotonic or real-time clock, to set them beside another program's\n";

SimTiming CamsimOptions::Timing() const {
  SimTiming t = realistic ? SimRealisticTiming(hz50) : SimFastTiming();
  t.pacing = pacing;
  return t;
}

namespace {

constexpr double kMaxSeconds = 86400.0 * 7;

// The message quotes the argument; a control character in it (a newline
// from a script's variable) would break the one-line message, so it shows as '?'.
bool Fail(char* error, int size, const char* format, const char* what) {
  std::snprintf(error, static_cast<size_t>(size), format, what);
  for (char* p = error; *p != '\0'; ++p)
    if (static_cast<unsigned char>(*p) < 0x20 || *p == 0x7F) *p = '?';
  return false;
}

// A whole unsigned number (decimal, or hex with 0x) within max.
bool ParseNumber(const char* text, uint32_t max, uint32_t* value) {
  if (text == nullptr || *text == '\0' || *text == '-' || *text == '+' || *text == ' ') return false;
  const bool hex = text[0] == '0' && (text[1] == 'x' || text[1] == 'X');
  if (hex && (text[2] == '\0' || text[2] == '-' || text[2] == '+' || text[2] == ' ')) return false;
  errno = 0;
  char* end = nullptr;
  const unsigned long v = std::strtoul(text, &end, hex ? 16 : 10);
  if (errno != 0 || *end != '\0' || v > max) return false;
  *value = static_cast<uint32_t>(v);
  return true;
}

bool ParseModels(const char* text, CamsimLineOptions* line) {
  char buffer[128];
  if (std::strlen(text) >= sizeof(buffer)) return false;
  std::snprintf(buffer, sizeof(buffer), "%s", text);
  char* save = nullptr;
  for (char* item = strtok_r(buffer, ",", &save); item != nullptr; item = strtok_r(nullptr, ",", &save)) {
    uint32_t model = 0;
    if (line->cameraCount == SimLine::kMaxCameras || !ParseNumber(item, 0xFF, &model)) return false;
    line->models[line->cameraCount++] = static_cast<uint8_t>(model);
  }
  return line->cameraCount > 0 && text[0] != ',' && text[std::strlen(text) - 1] != ',' &&
         std::strstr(text, ",,") == nullptr;
}

bool ParseHexBytes(const char* text, uint8_t* bytes, int capacity, int* length) {
  const size_t n = std::strlen(text);
  if (n == 0 || n % 2 != 0 || static_cast<int>(n / 2) > capacity) return false;
  for (size_t i = 0; i < n; i += 2) {
    char pair[3] = {text[i], text[i + 1], '\0'};
    char* end = nullptr;
    const unsigned long v = std::strtoul(pair, &end, 16);
    if (*end != '\0' || pair[0] == '-' || pair[0] == '+' || pair[0] == ' ') return false;
    bytes[i / 2] = static_cast<uint8_t>(v);
  }
  *length = static_cast<int>(n / 2);
  return true;
}

// "A:B" into two numbers.
bool ParsePair(const char* text, uint32_t maxA, uint32_t maxB, uint32_t* a, uint32_t* b) {
  const char* colon = std::strchr(text, ':');
  if (colon == nullptr) return false;
  char first[32];
  const size_t n = static_cast<size_t>(colon - text);
  if (n == 0 || n >= sizeof(first)) return false;
  std::memcpy(first, text, n);
  first[n] = '\0';
  return ParseNumber(first, maxA, a) && ParseNumber(colon + 1, maxB, b);
}

// Seconds from camsim's start, to the millisecond, at most the longest duration.
bool ParseSeconds(const char* text, uint32_t* ms) {
  if (*text == '\0' || *text == ' ' || *text == '+' || *text == '-') return false;
  errno = 0;
  char* end = nullptr;
  const double seconds = std::strtod(text, &end);
  if (errno != 0 || end == text || *end != '\0' || !(seconds >= 0) || seconds > kMaxSeconds) return false;
  *ms = static_cast<uint32_t>(seconds * 1000.0 + 0.5);
  return true;
}

// "T1:T2", T1 before T2, not overlapping another outage of the same camera
// (or of the adapter).
bool AddOutage(const char* value, int camera, CamsimLineOptions* line) {
  const char* colon = value != nullptr ? std::strchr(value, ':') : nullptr;
  char first[32];
  const size_t n = colon != nullptr ? static_cast<size_t>(colon - value) : 0;
  if (n == 0 || n >= sizeof(first) || line->outageCount == CamsimLineOptions::kMaxOutages) return false;
  std::memcpy(first, value, n);
  first[n] = '\0';
  CamsimOutage outage;
  outage.camera = camera;
  if (!ParseSeconds(first, &outage.fromMs) || !ParseSeconds(colon + 1, &outage.toMs) || outage.toMs <= outage.fromMs)
    return false;
  for (int i = 0; i < line->outageCount; ++i) {
    const CamsimOutage& other = line->outages[i];
    if (other.camera == camera && outage.fromMs < other.toMs && other.fromMs < outage.toMs) return false;
  }
  line->outages[line->outageCount++] = outage;
  return true;
}

// "BYTES:...", the bytes after a packet's header in hex: what follows the
// colon, or null when the bytes are not 1 to 8 in hex.
const char* ParseMatch(const char* value, uint8_t* match, int* length) {
  const char* colon = value != nullptr ? std::strchr(value, ':') : nullptr;
  char hex[20];
  const size_t n = colon != nullptr ? static_cast<size_t>(colon - value) : 0;
  if (n == 0 || n >= sizeof(hex)) return nullptr;
  std::memcpy(hex, value, n);
  hex[n] = '\0';
  return ParseHexBytes(hex, match, 8, length) ? colon + 1 : nullptr;
}

// "camN:FAULT" names camera N of the line (`*camera` its index), "FAULT" the
// line itself (-1); `*kind` is the FAULT part.
bool SplitCamera(const char* fault, const CamsimLineOptions& line, int* camera, const char** kind, char* error,
                 int size) {
  *camera = -1;
  *kind = fault;
  if (std::strncmp(fault, "cam", 3) != 0) return true;
  const char* colon = std::strchr(fault, ':');
  char number[8];
  const size_t n = colon != nullptr ? static_cast<size_t>(colon - fault - 3) : 0;
  uint32_t index = 0;
  if (colon == nullptr || n == 0 || n >= sizeof(number)) {
    return Fail(error, size, "bad camera in fault '%s' (camN:FAULT)", fault);
  }
  std::memcpy(number, fault + 3, n);
  number[n] = '\0';
  if (!ParseNumber(number, SimLine::kMaxCameras, &index) || index == 0 || static_cast<int>(index) > line.cameraCount) {
    return Fail(error, size, "no such camera on this line in fault '%s'", fault);
  }
  *camera = static_cast<int>(index) - 1;
  *kind = colon + 1;
  return true;
}

// BYTES:CODE, the bytes after the header in hex, then the error code.
bool ParseErrorRule(const char* value, SimFaults* f) {
  uint8_t match[8];
  uint8_t code[1];
  int length = 0;
  int codeLength = 0;
  const char* rest = ParseMatch(value, match, &length);
  return rest != nullptr && ParseHexBytes(rest, code, 1, &codeLength) && f->AddError(match, length, code[0]);
}

// One fault being set: on camera `camera` of the line, or on the line itself (-1).
struct FaultCall {
  const char* value;  // after '=', null without one
  int camera;
  SimFaults& f;
  CamsimLineOptions* line;
};

// False when the value is bad.
using FaultAction = bool (*)(const FaultCall& call);

enum FaultValue { FAULT_BARE, FAULT_ANY_VALUE, FAULT_WITH_VALUE };
enum FaultScope { FAULT_LINE_OR_CAMERA, FAULT_LINE_ONLY, FAULT_CAMERA_ONLY };

struct FaultRow {
  const char* name;
  FaultValue value;
  FaultScope scope;
  FaultAction run;
};

bool Silent(const FaultCall& c) {
  c.f.silent = true;
  return true;
}
bool Batch(const FaultCall& c) {
  c.f.batchReplies = true;
  return true;
}
bool NetworkChange(const FaultCall& c) {
  c.f.networkChangeOnPowerOn = true;
  return true;
}
bool Standby(const FaultCall& c) {
  c.line->standby[c.camera] = true;
  return true;
}

bool Delay(const FaultCall& c) {
  uint32_t a = 0;
  const bool ok = ParseNumber(c.value, 600000, &a);
  c.f.delayMs = a;
  return ok;
}

bool StopAfter(const FaultCall& c) {
  uint32_t a = 0;
  const bool ok = ParseNumber(c.value, 0x7FFFFFFF, &a);
  c.f.stopAfterPackets = static_cast<int32_t>(a);
  return ok;
}

bool Split(const FaultCall& c) {
  uint32_t a = 0;
  uint32_t b = 0;
  const bool ok = ParsePair(c.value != nullptr ? c.value : "", 64, 60000, &a, &b) && a > 0;
  c.f.splitBytes = static_cast<int>(a);
  c.f.splitGapMs = b;
  return ok;
}

bool NoiseOf(const FaultCall& c, bool endsPacket) {
  uint32_t a = 0;
  const bool ok = ParseNumber(c.value, 64, &a) && a > 0;
  c.f.noiseBytes = static_cast<int>(a);
  c.f.noiseEndsPacket = endsPacket;
  return ok;
}

bool Noise(const FaultCall& c) { return NoiseOf(c, false); }
bool NoisePacket(const FaultCall& c) { return NoiseOf(c, true); }

bool PowerOnNoise(const FaultCall& c) {
  uint32_t a = 0;
  const bool ok = ParseNumber(c.value, 64, &a) && a > 0;
  c.f.powerOnNoiseBytes = static_cast<int>(a);
  return ok;
}

bool Unplug(const FaultCall& c) { return AddOutage(c.value, -1, c.line); }
bool PowerOff(const FaultCall& c) { return AddOutage(c.value, c.camera, c.line); }
bool Drop(const FaultCall& c) { return ParseNumber(c.value, 100, &c.line->dropPercent); }
bool Late(const FaultCall& c) { return ParseNumber(c.value, 600000, &c.line->lateMs); }

bool ShortEcho(const FaultCall& c) {
  uint32_t a = 0;
  const bool ok = ParseNumber(c.value, 1000000, &a);
  c.f.shortAddressEchoes = static_cast<int>(a);
  return ok;
}

bool Error(const FaultCall& c) { return ParseErrorRule(c.value, &c.f); }

bool HomeStuck(const FaultCall& c) {
  c.f.homeStuck = true;
  return true;
}
bool PositionShort(const FaultCall& c) {
  c.f.positionShort = true;
  return true;
}

bool PositionFlaky(const FaultCall& c) {
  uint32_t a = 0;
  const bool ok = ParseNumber(c.value, 1000000, &a) && a > 0;
  c.f.positionEvery = static_cast<int>(a);
  return ok;
}

// WW:ZZ, one hex byte each.
bool MaxSpeed(const FaultCall& c) {
  uint8_t bytes[8];
  int length = 0;
  int tiltLength = 0;
  const char* rest = ParseMatch(c.value, bytes, &length);
  if (rest == nullptr || length != 1 || !ParseHexBytes(rest, bytes + 1, 1, &tiltLength)) return false;
  c.f.maxSpeedGiven = true;
  c.f.maxSpeedBytes[0] = bytes[0];
  c.f.maxSpeedBytes[1] = bytes[1];
  return true;
}

bool Slow(const FaultCall& c) {
  SimSlowRule& rule = c.f.slowAnswers;
  const char* rest = ParseMatch(c.value, rule.match, &rule.matchLength);
  return rest != nullptr && ParseNumber(rest, 600000, &rule.ms);
}

const FaultRow kFaults[] = {
    {"silent", FAULT_BARE, FAULT_LINE_OR_CAMERA, Silent},
    {"batch", FAULT_BARE, FAULT_LINE_OR_CAMERA, Batch},
    {"network-change", FAULT_BARE, FAULT_CAMERA_ONLY, NetworkChange},
    {"standby", FAULT_BARE, FAULT_CAMERA_ONLY, Standby},
    {"delay", FAULT_ANY_VALUE, FAULT_LINE_OR_CAMERA, Delay},
    {"stop-after", FAULT_ANY_VALUE, FAULT_LINE_OR_CAMERA, StopAfter},
    {"split", FAULT_ANY_VALUE, FAULT_LINE_OR_CAMERA, Split},
    {"noise", FAULT_ANY_VALUE, FAULT_LINE_OR_CAMERA, Noise},
    {"noise-packet", FAULT_ANY_VALUE, FAULT_LINE_OR_CAMERA, NoisePacket},
    {"power-on-noise", FAULT_ANY_VALUE, FAULT_CAMERA_ONLY, PowerOnNoise},
    {"unplug", FAULT_ANY_VALUE, FAULT_LINE_ONLY, Unplug},
    {"power-off", FAULT_ANY_VALUE, FAULT_CAMERA_ONLY, PowerOff},
    {"drop", FAULT_ANY_VALUE, FAULT_LINE_ONLY, Drop},
    {"late", FAULT_ANY_VALUE, FAULT_LINE_ONLY, Late},
    {"short-echo", FAULT_ANY_VALUE, FAULT_LINE_ONLY, ShortEcho},
    {"error", FAULT_WITH_VALUE, FAULT_LINE_OR_CAMERA, Error},
    {"slow", FAULT_WITH_VALUE, FAULT_LINE_OR_CAMERA, Slow},
    {"home-stuck", FAULT_BARE, FAULT_CAMERA_ONLY, HomeStuck},
    {"position-short", FAULT_BARE, FAULT_CAMERA_ONLY, PositionShort},
    {"position-flaky", FAULT_ANY_VALUE, FAULT_CAMERA_ONLY, PositionFlaky},
    {"max-speed", FAULT_WITH_VALUE, FAULT_CAMERA_ONLY, MaxSpeed},
};

// The row named name[0..length) that takes this form of the fault; null when none does.
const FaultRow* FindFault(const char* name, size_t length, bool hasValue, bool onCamera) {
  for (const FaultRow& row : kFaults) {
    if (std::strlen(row.name) != length || std::strncmp(name, row.name, length) != 0) continue;
    if ((row.value == FAULT_BARE && hasValue) || (row.value == FAULT_WITH_VALUE && !hasValue)) continue;
    if ((row.scope == FAULT_LINE_ONLY && onCamera) || (row.scope == FAULT_CAMERA_ONLY && !onCamera)) continue;
    return &row;
  }
  return nullptr;
}

bool ParseFault(const char* fault, CamsimLineOptions* line, char* error, int size) {
  int camera = -1;
  const char* kind = fault;
  if (!SplitCamera(fault, *line, &camera, &kind, error, size)) return false;
  const char* eq = std::strchr(kind, '=');
  const char* value = eq != nullptr ? eq + 1 : nullptr;
  const size_t nameLength = eq != nullptr ? static_cast<size_t>(eq - kind) : std::strlen(kind);
  const FaultRow* row = FindFault(kind, nameLength, value != nullptr, camera >= 0);
  if (row == nullptr) return Fail(error, size, "unknown fault '%s'", fault);
  SimFaults& f = camera >= 0 ? line->cameraFaults[camera] : line->lineFaults;
  if (!row->run(FaultCall{value, camera, f, line})) return Fail(error, size, "bad value in fault '%s'", fault);
  return true;
}

bool CopyPath(const char* value, char* target) {
  if (value == nullptr || *value == '\0' || std::strlen(value) >= static_cast<size_t>(CamsimLineOptions::kPathSize)) {
    return false;
  }
  std::snprintf(target, CamsimLineOptions::kPathSize, "%s", value);
  return true;
}

CamsimTransport TransportOf(const char* arg) {
  if (std::strcmp(arg, "--udp") == 0) return CAMSIM_VISCA_IP;
  if (std::strcmp(arg, "--udp-raw") == 0) return CAMSIM_UDP_RAW;
  if (std::strcmp(arg, "--tcp") == 0) return CAMSIM_TCP;
  return CAMSIM_PTY;
}

// What only some transports carry: one camera at address 1 behind a
// datagram line, lost datagrams, held-back replies; an adapter to unplug.
bool CheckNetworkLines(const CamsimOptions& o, char* error, int size) {
  for (int i = 0; i < o.lineCount; ++i) {
    const CamsimLineOptions& line = o.lines[i];
    char number[16];
    std::snprintf(number, sizeof(number), "%d", i + 1);
    const bool datagrams = line.transport == CAMSIM_VISCA_IP || line.transport == CAMSIM_UDP_RAW;
    if (datagrams && line.cameraCount != 1) return Fail(error, size, "line %s: a UDP line has one camera", number);
    if (line.dropPercent > 0 && !datagrams)
      return Fail(error, size, "line %s: drop=PERCENT needs --udp or --udp-raw", number);
    if (line.lateMs > 0 && line.transport == CAMSIM_PTY)
      return Fail(error, size, "line %s: late=MS needs --udp, --udp-raw or --tcp (delay=MS on a pty)", number);
    for (int k = 0; k < line.outageCount; ++k)
      if (line.outages[k].camera < 0 && datagrams)
        return Fail(error, size, "line %s: unplug=T1:T2 needs a pseudo-terminal or --tcp line", number);
  }
  return true;
}

// One option being taken; line is the last --line so far (null before one).
struct OptionCall {
  const char* arg;
  const char* value;  // null for a flag
  CamsimOptions* o;
  CamsimLineOptions* line;
  char* error;
  int size;
};

// False after a message in error.
using OptionAction = bool (*)(const OptionCall& call);

struct OptionRow {
  const char* name;
  bool takesValue;
  OptionAction run;
};

// A word an option takes, and what it stands for.
struct Choice {
  const char* word;
  int value;
};

template <int N>
bool Choose(const char* word, const Choice (&choices)[N], int* value) {
  for (const Choice& choice : choices) {
    if (std::strcmp(word, choice.word) != 0) continue;
    *value = choice.value;
    return true;
  }
  return false;
}

const Choice kProfiles[] = {{"fast", 0}, {"realistic", 1}};
const Choice kFrameRates[] = {{"50", 1}, {"60", 0}};
const Choice kClocks[] = {
    {"start", CAMSIM_CLOCK_START}, {"monotonic", CAMSIM_CLOCK_MONOTONIC}, {"realtime", CAMSIM_CLOCK_REALTIME}};

bool Help(const OptionCall& c) {
  c.o->help = true;
  return true;
}
bool Pacing(const OptionCall& c) {
  c.o->pacing = true;
  return true;
}

bool AddLine(const OptionCall& c) {
  if (c.o->lineCount == CamsimOptions::kMaxLines) return Fail(c.error, c.size, "%s", "too many lines");
  CamsimLineOptions& added = c.o->lines[c.o->lineCount++];
  if (!ParseModels(c.value, &added)) {
    return Fail(c.error, c.size, "bad camera list '%s' (1 to 7 model codes such as 0x66,0x4B)", c.value);
  }
  return true;
}

bool Link(const OptionCall& c) {
  if (c.line == nullptr) return Fail(c.error, c.size, "%s must follow a --line", c.arg);
  if (c.line->link[0] != '\0') return Fail(c.error, c.size, "%s given twice for one line", c.arg);
  if (c.line->transport != CAMSIM_PTY) return Fail(c.error, c.size, "%s: a line has one device or port", c.arg);
  if (!CopyPath(c.value, c.line->link)) return Fail(c.error, c.size, "bad path '%s'", c.value);
  return true;
}

// --udp, --udp-raw or --tcp.
bool Network(const OptionCall& c) {
  if (c.line == nullptr) return Fail(c.error, c.size, "%s must follow a --line", c.arg);
  if (c.line->transport != CAMSIM_PTY || c.line->link[0] != '\0')
    return Fail(c.error, c.size, "%s: a line has one device or port", c.arg);
  uint32_t port = 0;
  if (!ParseNumber(c.value, 65535, &port)) return Fail(c.error, c.size, "bad port '%s' (0..65535)", c.value);
  c.line->transport = TransportOf(c.arg);
  c.line->port = static_cast<uint16_t>(port);
  return true;
}

bool Transcript(const OptionCall& c) {
  char* target = c.line != nullptr ? c.line->transcript : c.o->transcript;
  if (!CopyPath(c.value, target)) return Fail(c.error, c.size, "bad path '%s'", c.value);
  return true;
}

bool Fault(const OptionCall& c) {
  if (c.line == nullptr) return Fail(c.error, c.size, "%s must follow a --line", c.arg);
  return ParseFault(c.value, c.line, c.error, c.size);
}

bool Profile(const OptionCall& c) {
  int realistic = 0;
  if (!Choose(c.value, kProfiles, &realistic))
    return Fail(c.error, c.size, "unknown profile '%s' (fast or realistic)", c.value);
  c.o->realistic = realistic != 0;
  return true;
}

bool FrameRate(const OptionCall& c) {
  int hz50 = 0;
  if (!Choose(c.value, kFrameRates, &hz50)) return Fail(c.error, c.size, "bad frame rate '%s' (50 or 60)", c.value);
  c.o->hz50 = hz50 != 0;
  return true;
}

bool Clock(const OptionCall& c) {
  int clock = 0;
  if (!Choose(c.value, kClocks, &clock))
    return Fail(c.error, c.size, "unknown clock '%s' (start, monotonic or realtime)", c.value);
  c.o->clock = static_cast<CamsimClock>(clock);
  return true;
}

bool Duration(const OptionCall& c) {
  errno = 0;
  char* end = nullptr;
  const double seconds = std::strtod(c.value, &end);
  if (errno != 0 || end == c.value || *end != '\0' || !(seconds > 0) || seconds > kMaxSeconds) {
    return Fail(c.error, c.size, "bad duration '%s' (seconds, more than 0)", c.value);
  }
  c.o->durationMs = static_cast<uint32_t>(seconds * 1000.0 + 0.5);
  if (c.o->durationMs == 0) c.o->durationMs = 1;
  return true;
}

const OptionRow kOptions[] = {
    {"--help", false, Help},        {"-h", false, Help},          {"--pacing", false, Pacing},
    {"--line", true, AddLine},      {"--link", true, Link},       {"--udp", true, Network},
    {"--udp-raw", true, Network},   {"--tcp", true, Network},     {"--transcript", true, Transcript},
    {"--fault", true, Fault},       {"--profile", true, Profile}, {"--hz", true, FrameRate},
    {"--duration", true, Duration}, {"--clock", true, Clock},
};

const OptionRow* FindOption(const char* arg) {
  for (const OptionRow& row : kOptions) {
    if (std::strcmp(arg, row.name) == 0) return &row;
  }
  return nullptr;
}

}  // namespace

bool ParseCamsimOptions(int argc, const char* const* argv, CamsimOptions* o, char* error, int size) {
  *o = CamsimOptions();
  for (int i = 1; i < argc; ++i) {
    const char* arg = argv[i];
    const OptionRow* row = FindOption(arg);
    if (row == nullptr) return Fail(error, size, "unknown argument '%s'", arg);
    if (row->takesValue && i + 1 >= argc) return Fail(error, size, "%s needs a value", arg);
    const char* value = row->takesValue ? argv[++i] : nullptr;
    CamsimLineOptions* line = o->lineCount > 0 ? &o->lines[o->lineCount - 1] : nullptr;
    if (!row->run(OptionCall{arg, value, o, line, error, size})) return false;
    if (o->help) return true;
  }
  if (o->lineCount == 0) return Fail(error, size, "%s", "no --line given");
  return CheckNetworkLines(*o, error, size);
}
