#include "cli/cli_remote.h"

#include "remote/event_lines.h"

#include <csignal>
#include <cstdio>
#include <cstring>

namespace {

volatile std::sig_atomic_t stopSignal = 0;

void OnStopSignal(int) { stopSignal = 1; }

// What the command line gave wins over the file.
void TakeUnset(const RemoteConfig& given, RemoteConfig* merged) {
  if (given.listen) {
    merged->listen = true;
    merged->address = given.address;
  }
  if (given.token[0] != 0) std::memcpy(merged->token, given.token, sizeof merged->token);
  if (given.rawGiven) merged->raw = given.raw;
}

}  // namespace

RemoteServer* StartCliRemote(const CliOptions& options, ConnectionCommands* commands) {
  RemoteConfig config;
  char status[kRemoteStatusChars] = {};
  const bool fileGood =
      options.configFile[0] == 0 || LoadRemoteConfigFile(options.configFile, &config, status, sizeof status);
  TakeUnset(options.remote, &config);
  RemoteServer* server = nullptr;
  commands->host.rawAllowed = config.raw;
  if (fileGood && config.listen && CheckRemoteConfig(&config, status, sizeof status))
    server = RemoteServerStart(config, ConnectionCommandHandler(commands), status, sizeof status);
  if (status[0] != 0) printf("%s\n", status);
  if (server == nullptr) return nullptr;
  const uint8_t* ip = config.address.ip;
  printf("Remote control on %u.%u.%u.%u:%u\n", ip[0], ip[1], ip[2], ip[3], RemoteServerPort(server));
  SetEventServer(server);
  return server;
}

void CatchStopSignals() {
  std::signal(SIGINT, OnStopSignal);
  std::signal(SIGTERM, OnStopSignal);
}

bool StopWanted() { return stopSignal != 0; }

void StopCliRemote(RemoteServer* server) {
  SetEventServer(nullptr);
  if (server != nullptr && !RemoteServerStop(server)) printf("Remote control: the listener did not stop in time\n");
}
