#include "ui/remote_commands.h"

#include "command/camera_line.h"
#include "command/command_interpreter.h"

#include <cstdio>
#include <cstring>

namespace {

bool Known(int32_t connection) { return connection >= 0 && connection < kRemoteConnectionSlots; }

// The interpreter's outcome as the reply line.
RemoteOutcome Reply(CommandOutcome outcome, const char* detail, char* reply, size_t size) {
  switch (outcome) {
    case COMMAND_ERROR:
      snprintf(reply, size, "error: %s", detail);
      return REMOTE_ERROR;
    case COMMAND_SUBSCRIBE:
      snprintf(reply, size, "ok");
      return REMOTE_SUBSCRIBE;
    case COMMAND_QUIT:
      snprintf(reply, size, "ok");
      return REMOTE_QUIT;
    case COMMAND_OK:
      break;
  }
  if (detail[0] != 0)
    snprintf(reply, size, "ok %s", detail);
  else
    snprintf(reply, size, "ok");
  return REMOTE_OK;
}

RemoteOutcome Line(void* context, int32_t connection, const char* line, char* reply, size_t size) {
  WindowRemoteCommands* commands = static_cast<WindowRemoteCommands*>(context);
  if (!Known(connection)) {
    snprintf(reply, size, "error: no such connection");
    return REMOTE_ERROR;
  }
  // A connection acts on the camera the list shows, as a click in the panel would.
  if (!commands->begun[connection]) commands->sessions[connection].selected = commands->listSelection.load();
  commands->begun[connection] = true;
  // The listener's thread only: one line at a time.
  static char detail[kCameraListChars];
  const CommandOutcome outcome =
      RunCommand(commands->host, &commands->sessions[connection], line, strlen(line), detail, sizeof detail);
  return Reply(outcome, detail, reply, size);
}

void Closed(void* context, int32_t connection) {
  WindowRemoteCommands* commands = static_cast<WindowRemoteCommands*>(context);
  if (!Known(connection)) return;
  EndCommandSession(commands->host, &commands->sessions[connection]);
  commands->sessions[connection] = CommandSession();
  commands->begun[connection] = false;
}

}  // namespace

RemoteHandler WindowRemoteHandler(WindowRemoteCommands* commands) { return RemoteHandler{commands, Line, Closed}; }
