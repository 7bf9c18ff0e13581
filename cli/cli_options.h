// Command line of orvalix-cli.
#pragma once

#include "net/net_config.h"
#include "remote/remote_config.h"
#include "requests/raw_packet_text.h"

#include <cstdint>

struct CliRequest {
  uint32_t code;
  int32_t a;
  RawPacket raw;  // a raw command when raw.length > 0
};

struct CliOptions {
  static constexpr int kMaxPorts = 10;      // COM1..COM10, as the engine opens them
  static constexpr int kMaxRequests = 255;  // what the request queue holds at once
  static constexpr int kDeviceChars = 256;
  // Seven cameras on each of the ten COM ports and sixteen network lines.
  static constexpr int kMaxCameraNumber = 182;

  char devices[kMaxPorts][kDeviceChars] = {};  // "" = the port stays closed
  NetConfig network;                           // the --ip lines
  char configFile[kDeviceChars] = {};          // --config: more network lines ("" = none)
  char namesFile[kDeviceChars] = {};           // --names: the names file ("" = names for the session only)
  RemoteConfig remote;                         // --listen, --token, --remote-raw
  int32_t select = 0;                          // camera number 1..; 0 = none
  CliRequest requests[kMaxRequests] = {};
  int32_t requestCount = 0;
  uint32_t waitMs = 0;
  uint32_t timeoutMs = 60000;  // for discovery and initialisation
  bool help = false;
  bool trace = false;        // print every packet sent and taken in
  bool commandMode = false;  // then read commands from standard input
};

// Fills `options` from argv. False with a message in `error` for bad arguments.
bool ParseCliOptions(int argc, const char* const* argv, CliOptions* options, char* error, int errorSize);

extern const char kCliUsage[];
