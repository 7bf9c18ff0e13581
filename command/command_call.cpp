#include "command/command_call.h"

#include <cstdarg>
#include <cstdio>

namespace {

CommandOutcome Write(CommandCall& call, CommandOutcome outcome, const char* format, va_list args) {
  if (call.replySize > 0) vsnprintf(call.reply, call.replySize, format, args);
  return outcome;
}

}  // namespace

CommandOutcome Done(CommandCall& call, const char* format, ...) {
  va_list args;
  va_start(args, format);
  const CommandOutcome outcome = Write(call, COMMAND_OK, format, args);
  va_end(args);
  return outcome;
}

CommandOutcome Refused(CommandCall& call, const char* format, ...) {
  va_list args;
  va_start(args, format);
  const CommandOutcome outcome = Write(call, COMMAND_ERROR, format, args);
  va_end(args);
  return outcome;
}

bool HaveCamera(CommandCall& call) {
  if (call.session->selected >= 0) return true;
  Refused(call, "no camera selected; use select N");
  return false;
}
