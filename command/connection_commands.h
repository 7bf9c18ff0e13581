// The command language behind the remote control's lines: one session per
// connection, the outcome as the reply line ("ok", "ok DETAIL" or
// "error: REASON"), and a connection's end stopping what its moves left
// moving. Runs on the listener's thread; the host must never wait
// (awaitRoom null: a full queue is refused at once).
#pragma once

#include "command/command_host.h"
#include "remote/remote_server.h"

struct ConnectionCommands {
  CommandHost host;
  // The camera the list shows selected, -1 for none: a connection starts
  // with it, as a button clicked in the panel would act on it (an HTTP
  // request is a connection of its own). Any thread.
  int32_t (*listSelection)(void* context) = nullptr;
  CommandSession sessions[kRemoteConnectionSlots];
  bool begun[kRemoteConnectionSlots] = {};
};

// The handler for RemoteServerStart; `commands` outlives the server.
RemoteHandler ConnectionCommandHandler(ConnectionCommands* commands);
