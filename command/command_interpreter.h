// The command language the text front ends share: one line in, one outcome
// out, against the host's table of actions (command_host.h).
#pragma once

#include "command/command_host.h"

#include <cstddef>

// Runs `length` bytes of `line` (a line end at its end is dropped). The
// reply (cut to `replySize`, always ended) is the detail of COMMAND_OK, or
// the reason of COMMAND_ERROR; for "cameras" the count and then the camera
// lines, each after a line feed. Any bytes are safe: what is not a command
// is an error.
CommandOutcome RunCommand(const CommandHost& host, CommandSession* session, const char* line, size_t length,
                          char* reply, size_t replySize);
// The end of a connection or script: stops each camera the session's moves
// left moving.
void EndCommandSession(const CommandHost& host, CommandSession* session);
