#include "cli/command_mode.h"

#include "command/camera_line.h"
#include "command/command_interpreter.h"
#include "command/command_line.h"
#include "command/command_numbers.h"
#include "platform/os.h"

#include <poll.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>

namespace {

constexpr int32_t kLineChars = static_cast<int32_t>(kCommandLineChars);
constexpr long long kMaxWaitMs = 86400000;
// A full queue or mailbox is waited out this long before the line is refused.
constexpr uint32_t kRoomLimitMs = 15000;

struct Session {
  CameraController* c;
  const CliFrontEnd& fe;
  CommandHost host;
  CommandSession commands;
};

bool Idle(const CameraController* c) {
  const ListSnapshot list = EngineList(c);
  return list.idle && !list.selectionWaiting && !list.requestsWaiting;
}

Session& Of(void* context) { return *static_cast<Session*>(context); }
void SelectOf(void* context, int32_t index) { Of(context).fe.select(Of(context).c, index); }
void MirrorOf(void* context, int32_t index, uint32_t code, int32_t a) {
  Of(context).fe.mirror(Of(context).c, index, code, a);
}
void StatusOf(void* context, char* out, size_t size) { Of(context).fe.statusText(Of(context).c, out, size); }

// Serves the loop while the queue is full, at most kRoomLimitMs.
bool AwaitRoom(void* context, uint32_t since) {
  if (OsTickCount() - since > kRoomLimitMs) return false;
  Of(context).fe.pump(Of(context).c);
  return true;
}

void Wait(Session& s, const char* arg) {
  long long ms;
  if (!ParseCommandInteger(arg, 0, kMaxWaitMs, &ms)) {
    printf("error: wait needs milliseconds: %s\n", arg);
    return;
  }
  const uint32_t start = OsTickCount();
  while (OsTickCount() - start < static_cast<uint32_t>(ms)) s.fe.pump(s.c);
  printf("waited %lld ms\n", ms);
}

// An outcome's line: a selection shows as the status text it causes, the
// status line after "status: ", the camera lines without their count.
void PrintReply(const char* word, const char* reply) {
  if (strcmp(word, "select") == 0) return;
  if (strcmp(word, "status") == 0) {
    printf("status: %s\n", reply);
  } else if (strcmp(word, "cameras") == 0) {
    if (const char* lines = strchr(reply, '\n')) printf("%s\n", lines + 1);
  } else if (reply[0]) {
    printf("%s\n", reply);
  }
}

// Runs one line of `length` bytes; false for "quit".
bool RunLine(Session& s, const char* line, size_t length) {
  static CommandWords words;
  const bool split = SplitCommandLine(line, length, &words) == COMMAND_LINE_OK;
  if (split && strcmp(words.word, "wait") == 0) {
    Wait(s, words.arg);
    return true;
  }
  static char reply[kCameraListChars];
  switch (RunCommand(s.host, &s.commands, line, length, reply, sizeof reply)) {
    case COMMAND_QUIT:
      return false;
    case COMMAND_ERROR:
      printf("error: %s\n", reply);
      break;
    case COMMAND_OK:
    case COMMAND_SUBSCRIBE:
      PrintReply(words.word, reply);
      break;
  }
  return true;
}

// Lines of standard input, read without blocking so the loop keeps serving
// the engine; a line longer than the buffer is refused whole.
struct LineReader {
  char buffer[kLineChars];
  int32_t used = 0;
  bool overlong = false;
  bool ended = false;
};

// The next whole line into `line`, its length in `*length`; false when none
// is complete yet.
bool NextLine(LineReader& r, int fd, char* line, size_t* length) {
  for (;;) {
    char* end = static_cast<char*>(memchr(r.buffer, '\n', static_cast<size_t>(r.used)));
    if (end || (r.ended && r.used > 0)) {
      const int32_t n = end ? static_cast<int32_t>(end - r.buffer) : r.used;
      memcpy(line, r.buffer, static_cast<size_t>(n));
      line[n] = 0;
      *length = static_cast<size_t>(n);
      const int32_t taken = end ? n + 1 : n;
      memmove(r.buffer, r.buffer + taken, static_cast<size_t>(r.used - taken));
      r.used -= taken;
      if (!r.overlong) return true;
      r.overlong = false;
      printf("error: line too long\n");
      continue;
    }
    if (r.used == kLineChars) {  // no line end in a full buffer: drop it up to the next one
      r.overlong = true;
      r.used = 0;
    }
    pollfd p = {fd, POLLIN, 0};
    if (r.ended || poll(&p, 1, 0) <= 0) return false;
    const ssize_t got = read(fd, r.buffer + r.used, static_cast<size_t>(kLineChars - r.used));
    if (got <= 0) r.ended = true;
    if (got > 0) r.used += static_cast<int32_t>(got);
  }
}

}  // namespace

bool WaitUntilCarriedOut(CameraController* c, const CliFrontEnd& fe, uint32_t limitMs) {
  const uint32_t start = OsTickCount();
  while (OsTickCount() - start <= limitMs) {
    fe.pump(c);
    if (!Idle(c)) continue;
    // A request the worker has just taken may not show in `mode` yet: idle
    // counts once a whole worker step has run after it was seen.
    const uint32_t steps = EngineList(c).workerSteps;
    while (EngineList(c).workerSteps - steps < 2 && OsTickCount() - start <= limitMs) {
      EngineWake(c);
      fe.pump(c);
    }
    if (Idle(c)) return true;
  }
  return false;
}

void RunCommandMode(CameraController* c, int fd, const CliFrontEnd& fe, int32_t selected, NamesStore* names) {
  Session s{c, fe, CommandHost(), CommandSession()};
  s.host.controller = c;
  s.host.context = &s;
  s.host.select = SelectOf;
  s.host.mirror = MirrorOf;
  s.host.statusText = StatusOf;
  s.host.rawAllowed = true;
  s.host.awaitRoom = AwaitRoom;
  s.host.names = names;
  s.commands.selected = selected;
  static LineReader reader;
  static char line[kLineChars + 1];
  size_t length = 0;
  for (;;) {
    if (!NextLine(reader, fd, line, &length)) {
      if (reader.ended || fe.stopWanted()) break;
      fe.pump(c);
      continue;
    }
    if (!RunLine(s, line, length)) break;
    fe.pump(c);
  }
  if (!WaitUntilCarriedOut(c, fe, kCarryOutLimitMs)) printf("error: not carried out within 15 s\n");
  fe.pump(c);
}
