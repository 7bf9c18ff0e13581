// The command language behind the window's remote-control lines: one
// session per connection, begun on the camera the list shows, the outcome as
// the reply line ("ok", "ok DETAIL" or "error: REASON"), and a connection's
// end stopping what its moves left moving. Runs on the listener's thread.
#pragma once

#include "command/command_host.h"
#include "remote/remote_server.h"

#include <atomic>

struct WindowRemoteCommands {
  CommandHost host;
  // The camera the panel last selected, -1 for none. Any thread.
  std::atomic<int32_t> listSelection{-1};
  CommandSession sessions[kRemoteConnectionSlots];
  bool begun[kRemoteConnectionSlots] = {};
};

// The handler for RemoteServerStart; `commands` outlives the server.
RemoteHandler WindowRemoteHandler(WindowRemoteCommands* commands);
