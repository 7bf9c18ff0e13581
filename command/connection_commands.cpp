#include "command/connection_commands.h"

#include "command/camera_line.h"
#include "command/command_interpreter.h"

#include <cstdio>
#include <cstring>

namespace {

bool Known(int32_t connection) { return connection >= 0 && connection < kRemoteConnectionSlots; }

RemoteOutcome Line(void* context, int32_t connection, const char* line, char* reply, size_t size) {
  ConnectionCommands* commands = static_cast<ConnectionCommands*>(context);
  if (!Known(connection)) {
    snprintf(reply, size, "error: no such connection");
    return REMOTE_ERROR;
  }
  if (!commands->begun[connection] && commands->listSelection != nullptr)
    commands->sessions[connection].selected = commands->listSelection(commands->host.context);
  commands->begun[connection] = true;
  // The listener's thread only: one line at a time.
  static char detail[kCameraListChars];
  const CommandOutcome outcome =
      RunCommand(commands->host, &commands->sessions[connection], line, strlen(line), detail, sizeof detail);
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

void Closed(void* context, int32_t connection) {
  ConnectionCommands* commands = static_cast<ConnectionCommands*>(context);
  if (!Known(connection)) return;
  EndCommandSession(commands->host, &commands->sessions[connection]);
  commands->sessions[connection] = CommandSession();
  commands->begun[connection] = false;
}

}  // namespace

RemoteHandler ConnectionCommandHandler(ConnectionCommands* commands) { return RemoteHandler{commands, Line, Closed}; }
