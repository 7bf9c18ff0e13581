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
    "  --line MODELS      a line of 1..7 cameras, model codes in chain order: 0x66,0x4B\n"
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
    "                     repeatable; on a network line also drop=PERCENT (datagrams lost\n"
    "                     at random, both ways, the same each run) and late=MS (replies held\n"
    "                     back MS)\n"
    "  --profile          fast (replies after ~1 ms) or realistic (default: one packet per\n"
    "                     video frame, zoom and focus at finite speed, power-on in seconds)\n"
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

bool ParseFault(const char* fault, CamsimLineOptions* line, char* error, int size) {
  int camera = -1;
  const char* kind = fault;
  if (!SplitCamera(fault, *line, &camera, &kind, error, size)) return false;
  SimFaults& f = camera >= 0 ? line->cameraFaults[camera] : line->lineFaults;
  const char* eq = std::strchr(kind, '=');
  const char* value = eq != nullptr ? eq + 1 : nullptr;
  const size_t nameLength = eq != nullptr ? static_cast<size_t>(eq - kind) : std::strlen(kind);
  auto is = [&](const char* name) {
    return std::strlen(name) == nameLength && std::strncmp(kind, name, nameLength) == 0;
  };
  uint32_t a = 0;
  uint32_t b = 0;
  bool ok = true;
  if (is("silent") && value == nullptr) {
    f.silent = true;
  } else if (is("batch") && value == nullptr) {
    f.batchReplies = true;
  } else if (is("network-change") && value == nullptr && camera >= 0) {
    f.networkChangeOnPowerOn = true;
  } else if (is("standby") && value == nullptr && camera >= 0) {
    line->standby[camera] = true;
  } else if (is("delay")) {
    ok = ParseNumber(value, 600000, &a);
    f.delayMs = a;
  } else if (is("stop-after")) {
    ok = ParseNumber(value, 0x7FFFFFFF, &a);
    f.stopAfterPackets = static_cast<int32_t>(a);
  } else if (is("split")) {
    ok = ParsePair(value != nullptr ? value : "", 64, 60000, &a, &b) && a > 0;
    f.splitBytes = static_cast<int>(a);
    f.splitGapMs = b;
  } else if (is("noise") || is("noise-packet")) {
    ok = ParseNumber(value, 64, &a) && a > 0;
    f.noiseBytes = static_cast<int>(a);
    f.noiseEndsPacket = is("noise-packet");
  } else if (is("power-on-noise") && camera >= 0) {
    ok = ParseNumber(value, 64, &a) && a > 0;
    f.powerOnNoiseBytes = static_cast<int>(a);
  } else if (is("unplug") && camera < 0) {
    ok = AddOutage(value, -1, line);
  } else if (is("power-off") && camera >= 0) {
    ok = AddOutage(value, camera, line);
  } else if (is("drop") && camera < 0) {
    ok = ParseNumber(value, 100, &line->dropPercent);
  } else if (is("late") && camera < 0) {
    ok = ParseNumber(value, 600000, &line->lateMs);
  } else if (is("short-echo") && camera < 0) {
    ok = ParseNumber(value, 1000000, &a);
    f.shortAddressEchoes = static_cast<int>(a);
  } else if (is("error") && value != nullptr) {
    ok = ParseErrorRule(value, &f);
  } else if (is("slow") && value != nullptr) {
    const char* rest = ParseMatch(value, f.slowAnswers.match, &f.slowAnswers.matchLength);
    ok = rest != nullptr && ParseNumber(rest, 600000, &f.slowAnswers.ms);
  } else {
    return Fail(error, size, "unknown fault '%s'", fault);
  }
  if (!ok) return Fail(error, size, "bad value in fault '%s'", fault);
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

}  // namespace

bool ParseCamsimOptions(int argc, const char* const* argv, CamsimOptions* o, char* error, int size) {
  *o = CamsimOptions();
  for (int i = 1; i < argc; ++i) {
    const char* arg = argv[i];
    if (std::strcmp(arg, "--help") == 0 || std::strcmp(arg, "-h") == 0) {
      o->help = true;
      return true;
    }
    if (std::strcmp(arg, "--pacing") == 0) {
      o->pacing = true;
      continue;
    }
    const bool takesValue =
        std::strcmp(arg, "--line") == 0 || std::strcmp(arg, "--link") == 0 || std::strcmp(arg, "--udp") == 0 ||
        std::strcmp(arg, "--udp-raw") == 0 || std::strcmp(arg, "--tcp") == 0 || std::strcmp(arg, "--transcript") == 0 ||
        std::strcmp(arg, "--fault") == 0 || std::strcmp(arg, "--profile") == 0 || std::strcmp(arg, "--hz") == 0 ||
        std::strcmp(arg, "--duration") == 0 || std::strcmp(arg, "--clock") == 0;
    if (!takesValue) return Fail(error, size, "unknown argument '%s'", arg);
    if (i + 1 >= argc) return Fail(error, size, "%s needs a value", arg);
    const char* value = argv[++i];
    CamsimLineOptions* line = o->lineCount > 0 ? &o->lines[o->lineCount - 1] : nullptr;
    if (std::strcmp(arg, "--line") == 0) {
      if (o->lineCount == CamsimOptions::kMaxLines) return Fail(error, size, "%s", "too many lines");
      CamsimLineOptions& added = o->lines[o->lineCount++];
      if (!ParseModels(value, &added)) {
        return Fail(error, size, "bad camera list '%s' (1 to 7 model codes such as 0x66,0x4B)", value);
      }
    } else if (std::strcmp(arg, "--link") == 0) {
      if (line == nullptr) return Fail(error, size, "%s must follow a --line", arg);
      if (line->link[0] != '\0') return Fail(error, size, "%s given twice for one line", arg);
      if (line->transport != CAMSIM_PTY) return Fail(error, size, "%s: a line has one device or port", arg);
      if (!CopyPath(value, line->link)) return Fail(error, size, "bad path '%s'", value);
    } else if (TransportOf(arg) != CAMSIM_PTY) {
      if (line == nullptr) return Fail(error, size, "%s must follow a --line", arg);
      if (line->transport != CAMSIM_PTY || line->link[0] != '\0')
        return Fail(error, size, "%s: a line has one device or port", arg);
      uint32_t port = 0;
      if (!ParseNumber(value, 65535, &port)) return Fail(error, size, "bad port '%s' (0..65535)", value);
      line->transport = TransportOf(arg);
      line->port = static_cast<uint16_t>(port);
    } else if (std::strcmp(arg, "--transcript") == 0) {
      char* target = line != nullptr ? line->transcript : o->transcript;
      if (!CopyPath(value, target)) return Fail(error, size, "bad path '%s'", value);
    } else if (std::strcmp(arg, "--fault") == 0) {
      if (line == nullptr) return Fail(error, size, "%s must follow a --line", arg);
      if (!ParseFault(value, line, error, size)) return false;
    } else if (std::strcmp(arg, "--profile") == 0) {
      if (std::strcmp(value, "fast") == 0) {
        o->realistic = false;
      } else if (std::strcmp(value, "realistic") == 0) {
        o->realistic = true;
      } else {
        return Fail(error, size, "unknown profile '%s' (fast or realistic)", value);
      }
    } else if (std::strcmp(arg, "--hz") == 0) {
      if (std::strcmp(value, "50") == 0) {
        o->hz50 = true;
      } else if (std::strcmp(value, "60") == 0) {
        o->hz50 = false;
      } else {
        return Fail(error, size, "bad frame rate '%s' (50 or 60)", value);
      }
    } else if (std::strcmp(arg, "--clock") == 0) {
      if (std::strcmp(value, "start") == 0) {
        o->clock = CAMSIM_CLOCK_START;
      } else if (std::strcmp(value, "monotonic") == 0) {
        o->clock = CAMSIM_CLOCK_MONOTONIC;
      } else if (std::strcmp(value, "realtime") == 0) {
        o->clock = CAMSIM_CLOCK_REALTIME;
      } else {
        return Fail(error, size, "unknown clock '%s' (start, monotonic or realtime)", value);
      }
    } else {
      errno = 0;
      char* end = nullptr;
      const double seconds = std::strtod(value, &end);
      if (errno != 0 || end == value || *end != '\0' || !(seconds > 0) || seconds > kMaxSeconds) {
        return Fail(error, size, "bad duration '%s' (seconds, more than 0)", value);
      }
      o->durationMs = static_cast<uint32_t>(seconds * 1000.0 + 0.5);
      if (o->durationMs == 0) o->durationMs = 1;
    }
  }
  if (o->lineCount == 0) return Fail(error, size, "%s", "no --line given");
  return CheckNetworkLines(*o, error, size);
}
