// orvalix-cli's remote control: the listener of --listen (or of --config's
// [Remote]) around the engine, and the run that keeps it serving.
#pragma once

#include "cli/cli_options.h"
#include "command/connection_commands.h"
#include "remote/remote_server.h"

// The [Remote] section of --config fills what the command line left unset;
// then the listener starts on `commands` (raw packets as the settings say),
// says where it listens and takes the event lines. Null without a listener:
// none was asked for, or the status line printed says why.
RemoteServer* StartCliRemote(const CliOptions& options, ConnectionCommands* commands);
// Ctrl+C and SIGTERM from now on end StopWanted()'s wait instead of the
// process.
void CatchStopSignals();
bool StopWanted();
// No event line reaches the server once this has begun.
void StopCliRemote(RemoteServer* server);
