#include "command/command_interpreter.h"

#include "command/button_commands.h"
#include "command/camera_line.h"
#include "command/command_call.h"
#include "command/command_line.h"
#include "command/command_numbers.h"
#include "command/command_puts.h"
#include "command/motion_commands.h"
#include "command/name_commands.h"
#include "command/named_commands.h"
#include "command/preset_number_commands.h"

#include <cstring>

namespace {

CommandOutcome Select(CommandCall& call, const char*, const char* arg) {
  long long n;
  if (!ParseCommandInteger(arg, 1, EngineList(call.host.controller).cameraCount, &n))
    return Refused(call, "select needs a camera number: %s", arg);
  call.session->selected = static_cast<int32_t>(n - 1);
  if (call.host.select) call.host.select(call.host.context, call.session->selected);
  return Done(call, "Camera %d selected", static_cast<int>(n));
}

CommandOutcome Request(CommandCall& call, const char*, const char* arg) {
  CommandRequest q = {};
  if (ParseRequestText(arg, &q.code, &q.a) != REQUEST_TEXT_OK) return Refused(call, "request needs CODE[:A]: %s", arg);
  if (!HaveCamera(call) || !PutInOrder(call, &q, 1, arg)) return COMMAND_ERROR;
  return Done(call, "request %u:%d put", q.code, static_cast<int>(q.a));
}

CommandOutcome Raw(CommandCall& call, const char*, const char* arg) {
  if (!call.host.rawAllowed) return Refused(call, "raw packets are not allowed");
  RawPacket packet;
  char why[120];
  if (ParseRawPacket(arg, &packet, why, sizeof why) != RAW_OK) return Refused(call, "raw: %s", why);
  if (!HaveCamera(call) || !PutRawWhenRoom(call, call.session->selected, packet, "raw")) return COMMAND_ERROR;
  return Done(call, "raw put");
}

CommandOutcome Status(CommandCall& call, const char*, const char*) {
  if (call.replySize > 0) call.reply[0] = 0;
  if (call.host.statusText) call.host.statusText(call.host.context, call.reply, call.replySize);
  return COMMAND_OK;
}

CommandOutcome Cameras(CommandCall& call, const char*, const char*) {
  FormatCameraList(call.host.controller, call.reply, call.replySize);
  return COMMAND_OK;
}

CommandOutcome Subscribe(CommandCall& call, const char*, const char*) {
  Done(call, "subscribed");
  return COMMAND_SUBSCRIBE;
}

CommandOutcome Quit(CommandCall& call, const char*, const char*) {
  Done(call, "%s", "");
  return COMMAND_QUIT;
}

struct GrammarRow {
  const char* word;
  bool bare;  // takes no argument: with one it is no command
  CommandRunner run;
};

// clang-format off
const GrammarRow kGrammar[] = {
    {"select", false, Select},     {"request", false, Request}, {"raw", false, Raw},
    {"status", true, Status},      {"cameras", true, Cameras},
    {"move", false, RunMotion},    {"stop", false, RunMotion},  {"home", false, RunMotion}, {"goto", false, RunMotion},
    {"recall", false, RunRecall},  {"tally", false, RunTally},
    {"store", false, RunStore},    {"name", false, RunName},    {"presets", true, RunPresets},
    {"subscribe", true, Subscribe}, {"quit", true, Quit},
    {"zoom", false, RunNamed},     {"focus", false, RunNamed},  {"freeze", false, RunNamed},
    {"power", false, RunNamed},    {"auto", false, RunNamed},   {"iris", false, RunNamed}, {"wb", false, RunNamed},
};
// clang-format on

}  // namespace

CommandOutcome RunCommand(const CommandHost& host, CommandSession* session, const char* line, size_t length,
                          char* reply, size_t replySize) {
  CommandCall call{host, session, reply, replySize};
  CommandWords words;
  switch (SplitCommandLine(line, length, &words)) {
    case COMMAND_LINE_OK:
      break;
    case COMMAND_LINE_TOO_LONG:
      return Refused(call, "line too long");
    case COMMAND_LINE_BAD_BYTE:
      return Refused(call, "byte 0x%02X in the line: a command is plain text", static_cast<unsigned>(words.badByte));
  }
  if (words.word[0] == 0) return Done(call, "%s", "");  // an empty line does nothing
  for (const GrammarRow& row : kGrammar) {
    if (strcmp(row.word, words.word) != 0 || (row.bare && words.arg[0] != 0)) continue;
    return row.run(call, words.word, words.arg);
  }
  return Refused(call, "unknown command: %s", words.word);
}

void EndCommandSession(const CommandHost& host, CommandSession* session) {
  StopDrivenCameras(host.controller, session);
}
