#include "cli/cli_options.h"

#include "command/command_numbers.h"

#include <cstdint>
#include <cstdio>
#include <cstring>

const char kCliUsage[] =
    "usage: orvalix-cli --port N=DEVICE [--port ...] [--ip N=HOST[:PORT][,KIND] ...] [--config FILE]\n"
    "                   [--select N] [--request CODE[:A] ...] [--raw HEX ...] [--wait MS]\n"
    "                   [--timeout MS] [--trace] [--stdin] [--names FILE]\n"
    "                   [--listen ADDRESS:PORT [--token TEXT] [--remote-raw]]\n"
    "  --port N=DEVICE     COMN (1..10) is DEVICE; no other port is opened\n"
    "  --ip N=HOST[:PORT][,KIND]\n"
    "                      network line IPN (1..16): KIND visca-ip (default, UDP port 52381),\n"
    "                      tcp (port 5678) or udp (raw VISCA, port 1259)\n"
    "  --config FILE       the [Network] lines IP1=HOST[:PORT] [KIND] of FILE, as orvalix.ini,\n"
    "                      and its [Remote] section where the options below are not given\n"
    "  --select N          select camera N (as listed) like a click in the camera list\n"
    "  --request CODE[:A]  put request CODE with argument A (default 0) for the selected camera\n"
    "  --raw HEX           send a raw packet, e.g. \"8x 09 04 00 FF\" (8x: the camera's address),\n"
    "                      in order with the requests, and print its replies\n"
    "  --wait MS           keep running MS milliseconds after the last request\n"
    "  --timeout MS        give discovery and initialisation this long (default 60000)\n"
    "  --trace             print every packet sent and taken in\n"
    "  --stdin             then run commands from standard input, one a line: select N,\n"
    "                      request CODE[:A], raw HEX, wait MS, status, cameras, quit, and\n"
    "                      for pan/tilt: move PAN TILT (signed speeds), stop, home,\n"
    "                      goto PAN TILT [SPEED] (signed positions); by name: zoom N,\n"
    "                      focus auto|manual|N, freeze on|off, power on|off, auto exposure,\n"
    "                      iris, wb cold|warm|led|auto|manual|one-push, recall N and\n"
    "                      store N (presets 1..15, 1..63 on a camera that pans and tilts),\n"
    "                      tally N on|off (camera N's tally lamp), name camera TEXT,\n"
    "                      name preset N TEXT (an empty TEXT removes the name), presets\n"
    "  --names FILE        keep the names of cameras and presets in FILE, as orvalix-names.ini\n"
    "                      (default: for this run only)\n"
    "  --listen ADDRESS:PORT\n"
    "                      take remote commands on this TCP port (127.0.0.1 or localhost; another\n"
    "                      address needs a token of 16 characters or more); then run until standard\n"
    "                      input ends (--stdin), --wait runs out, or Ctrl+C\n"
    "  --token TEXT        a remote connection's first line must be \"token TEXT\"\n"
    "  --remote-raw        allow raw packets from remote connections\n"
    "Numbers are decimal (a leading 0 too), or hex after 0x.\n"
    "Prints each status text, one line per camera once the list is filled, and\n"
    "\"notify CAMERA CODE VALUE\" (CAMERA as listed) for each notification.\n";

namespace {

bool Fail(char* error, int errorSize, const char* what, const char* arg) {
  snprintf(error, static_cast<size_t>(errorSize), "%s: %s", what, arg ? arg : "(missing)");
  return false;
}

bool ParsePort(const char* arg, CliOptions* o, char* error, int errorSize) {
  const char* eq = arg ? strchr(arg, '=') : nullptr;
  if (!eq) return Fail(error, errorSize, "--port needs N=DEVICE", arg);
  char number[16];
  size_t n = static_cast<size_t>(eq - arg);
  if (n == 0 || n >= sizeof number) return Fail(error, errorSize, "bad port number in --port", arg);
  memcpy(number, arg, n);
  number[n] = 0;
  long long port;
  if (!ParseCommandInteger(number, 1, CliOptions::kMaxPorts, &port))
    return Fail(error, errorSize, "port number must be 1..10 in --port", arg);
  const char* device = eq + 1;
  if (!*device) return Fail(error, errorSize, "empty device in --port", arg);
  if (strlen(device) >= CliOptions::kDeviceChars) return Fail(error, errorSize, "device path too long in --port", arg);
  char* slot = o->devices[port - 1];
  if (*slot) return Fail(error, errorSize, "port given twice in --port", arg);
  snprintf(slot, CliOptions::kDeviceChars, "%s", device);
  return true;
}

// 0 for a good request, else what is wrong with it.
const char* RequestFault(const char* arg, CliRequest* out) {
  if (!arg) return "--request needs CODE[:A]";
  uint32_t code = 0;
  int32_t a = 0;
  switch (ParseRequestText(arg, &code, &a)) {
    case REQUEST_TEXT_OK:
      break;
    case REQUEST_TEXT_BAD_CODE:
      return "bad request code in --request";
    case REQUEST_TEXT_RAW_CODE:
      return "--request cannot carry a raw command's code; use --raw";
    case REQUEST_TEXT_BAD_ARGUMENT:
      return "bad argument in --request";
  }
  *out = CliRequest{code, a, RawPacket()};
  return nullptr;
}

bool ParseRequest(const char* arg, CliOptions* o, char* error, int errorSize) {
  if (arg && o->requestCount >= CliOptions::kMaxRequests) return Fail(error, errorSize, "too many requests at", arg);
  CliRequest request;
  if (const char* fault = RequestFault(arg, &request)) return Fail(error, errorSize, fault, arg);
  o->requests[o->requestCount++] = request;
  return true;
}

bool ParseRaw(const char* arg, CliOptions* o, char* error, int errorSize) {
  if (!arg) return Fail(error, errorSize, "--raw needs hex bytes", arg);
  if (o->requestCount >= CliOptions::kMaxRequests) return Fail(error, errorSize, "too many requests at", arg);
  CliRequest request = CliRequest();
  char why[96];
  if (ParseRawPacket(arg, &request.raw, why, sizeof why) != RAW_OK) {
    snprintf(error, static_cast<size_t>(errorSize), "--raw %.40s: %s", arg, why);
    return false;
  }
  o->requests[o->requestCount++] = request;
  return true;
}

// --listen, --token and --remote-raw; false with the message.
bool ParseRemoteOption(const char* opt, const char* value, RemoteConfig* r, char* error, int errorSize) {
  char why[120];
  const bool listen = strcmp(opt, "--listen") == 0;
  if (strcmp(opt, "--remote-raw") == 0) {
    r->raw = r->rawGiven = true;
    return true;
  }
  if (!value) return Fail(error, errorSize, listen ? "--listen needs ADDRESS:PORT" : "--token needs a text", value);
  if (listen ? !ParseRemoteListen(value, &r->address, why, sizeof why)
             : !ParseRemoteToken(value, r->token, why, sizeof why)) {
    snprintf(error, static_cast<size_t>(errorSize), "%s: %s", opt, why);
    return false;
  }
  r->listen = r->listen || listen;
  return true;
}

// --config FILE, --names FILE into `file` (kDeviceChars).
bool ParseFileOption(const char* opt, const char* value, char* file, char* error, int errorSize) {
  if (value && *value && strlen(value) < CliOptions::kDeviceChars) {
    snprintf(file, CliOptions::kDeviceChars, "%s", value);
    return true;
  }
  char what[32];
  snprintf(what, sizeof what, "%s needs a file", opt);
  return Fail(error, errorSize, what, value);
}

// What the options ask of each other once all are read.
bool CheckCombination(const CliOptions& o, bool anyPort, char* error, int errorSize) {
  if (!anyPort) return Fail(error, errorSize, "no port given", "use --port N=DEVICE, --ip or --config");
  if (o.requestCount > 0 && o.select == 0)
    return Fail(error, errorSize, "requests need a selected camera", "use --select N");
  return true;
}

}  // namespace

bool ParseCliOptions(int argc, const char* const* argv, CliOptions* o, char* error, int errorSize) {
  *o = CliOptions();
  bool anyPort = false;
  for (int i = 1; i < argc; i++) {
    const char* opt = argv[i];
    const char* value = i + 1 < argc ? argv[i + 1] : nullptr;
    long long v;
    if (strcmp(opt, "--help") == 0 || strcmp(opt, "-h") == 0) {
      o->help = true;
      return true;
    } else if (strcmp(opt, "--port") == 0) {
      if (!ParsePort(value, o, error, errorSize)) return false;
      anyPort = true;
      i++;
    } else if (strcmp(opt, "--ip") == 0) {
      if (!value) return Fail(error, errorSize, "--ip needs N=HOST[:PORT][,KIND]", value);
      if (!ParseNetOption(value, &o->network, error, errorSize)) return false;
      anyPort = true;
      i++;
    } else if (strcmp(opt, "--config") == 0 || strcmp(opt, "--names") == 0) {
      const bool config = strcmp(opt, "--config") == 0;
      if (!ParseFileOption(opt, value, config ? o->configFile : o->namesFile, error, errorSize)) return false;
      anyPort = anyPort || config;
      i++;
    } else if (strcmp(opt, "--select") == 0) {
      if (!ParseCommandInteger(value, 1, CliOptions::kMaxCameraNumber, &v))
        return Fail(error, errorSize, "--select needs a camera number 1..182", value);
      o->select = static_cast<int32_t>(v);
      i++;
    } else if (strcmp(opt, "--request") == 0) {
      if (!ParseRequest(value, o, error, errorSize)) return false;
      i++;
    } else if (strcmp(opt, "--raw") == 0) {
      if (!ParseRaw(value, o, error, errorSize)) return false;
      i++;
    } else if (strcmp(opt, "--listen") == 0 || strcmp(opt, "--token") == 0 || strcmp(opt, "--remote-raw") == 0) {
      if (!ParseRemoteOption(opt, value, &o->remote, error, errorSize)) return false;
      if (strcmp(opt, "--remote-raw") != 0) i++;  // the one without a value
    } else if (strcmp(opt, "--trace") == 0) {
      o->trace = true;
    } else if (strcmp(opt, "--stdin") == 0) {
      o->commandMode = true;
    } else if (strcmp(opt, "--wait") == 0) {
      if (!ParseCommandInteger(value, 0, 86400000, &v))
        return Fail(error, errorSize, "--wait needs milliseconds", value);
      o->waitMs = static_cast<uint32_t>(v);
      i++;
    } else if (strcmp(opt, "--timeout") == 0) {
      if (!ParseCommandInteger(value, 1, 86400000, &v))
        return Fail(error, errorSize, "--timeout needs milliseconds", value);
      o->timeoutMs = static_cast<uint32_t>(v);
      i++;
    } else {
      return Fail(error, errorSize, "unknown argument", opt);
    }
  }
  return CheckCombination(*o, anyPort, error, errorSize);
}
