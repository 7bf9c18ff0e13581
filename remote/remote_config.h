// Remote control as the user configures it: the [Remote] section of
// orvalix.ini (Listen=ADDRESS:PORT, Token=, Raw=on|off) and orvalix-cli's
// --listen. Pure but for reading the file: text in, settings and the status
// text that names a bad entry out.
#pragma once

#include "net/net_socket.h"

#include <cstddef>

constexpr size_t kRemoteTokenChars = 128;
// Another machine may reach a listener on any address but the loopback:
// only with a token this long.
constexpr size_t kRemoteMinOpenToken = 16;
constexpr size_t kRemoteStatusChars = 200;

struct RemoteConfig {
  bool listen = false;  // Listen= given: the listener is wanted
  NetAddress address;
  char token[kRemoteTokenChars + 1] = {};  // "" = none
  bool raw = false;                        // raw packets allowed
  bool rawGiven = false;                   // Raw= or --remote-raw was given
};

// [Remote] of an ini text; `source` names it. False with the status text
// naming the first bad entry, and the listener off.
bool ParseRemoteConfigText(const char* text, const char* source, RemoteConfig* config, char* status, size_t size);
// The same from a file; a missing file is no error.
bool LoadRemoteConfigFile(const char* path, RemoteConfig* config, char* status, size_t size);
// ADDRESS:PORT as Listen= and --listen take it. False with the reason.
bool ParseRemoteListen(const char* value, NetAddress* address, char* why, size_t size);
// TEXT as Token= and --token take it: 1..128 characters, none a space or a
// control character. False with the reason.
bool ParseRemoteToken(const char* value, char (&token)[kRemoteTokenChars + 1], char* why, size_t size);
// The address rule, once every source is read: false with the status text
// when the listener must stay off.
bool CheckRemoteConfig(RemoteConfig* config, char* status, size_t size);
