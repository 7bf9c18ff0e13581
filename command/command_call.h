// One line being run: the host, the session and the reply buffer, and the two
// ways a line ends (a detail after "ok", a reason after "error: ").
#pragma once

#include "command/command_host.h"

#include <cstddef>

struct CommandCall {
  const CommandHost& host;
  CommandSession* session;
  char* reply;
  size_t replySize;
};

// The rows of the grammar: `word` is the line's first word, `arg` the rest.
using CommandRunner = CommandOutcome (*)(CommandCall& call, const char* word, const char* arg);

// COMMAND_OK with the detail in the reply.
CommandOutcome Done(CommandCall& call, const char* format, ...) __attribute__((format(printf, 2, 3)));
// COMMAND_ERROR with the reason in the reply.
CommandOutcome Refused(CommandCall& call, const char* format, ...) __attribute__((format(printf, 2, 3)));
// False, with the reason written, when the session has no camera selected.
bool HaveCamera(CommandCall& call);
