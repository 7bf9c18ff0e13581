#include "cli/command_mode.h"

#include "cli/camera_line.h"
#include "cli/cli_options.h"
#include "cli/motion_words.h"
#include "platform/os.h"
#include "requests/pan_tilt.h"

#include <poll.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>

namespace {

constexpr int32_t kLineChars = 4096;
constexpr long long kMaxWaitMs = 86400000;
// A full queue or mailbox is waited out this long before the line is refused.
constexpr uint32_t kRoomLimitMs = 15000;
constexpr int32_t kCameraLineChars = 1536;

struct Session {
  CameraController* c;
  const CliFrontEnd& fe;
  int32_t* selected;
};

bool Idle(const CameraController* c) {
  const ListSnapshot list = EngineList(c);
  return list.idle && !list.selectionWaiting && !list.requestsWaiting;
}

void Refuse(const char* what, const char* detail) { printf("error: %s%s\n", what, detail); }

// Pumps until `put` succeeds, at most kRoomLimitMs.
template <typename Put>
bool PutWhenRoom(Session& s, Put put) {
  const uint32_t start = OsTickCount();
  while (!put()) {
    if (OsTickCount() - start > kRoomLimitMs) return false;
    s.fe.pump(s.c);
  }
  return true;
}

bool HaveCamera(Session& s) {
  if (*s.selected >= 0) return true;
  Refuse("no camera selected", "; use select N");
  return false;
}

void Select(Session& s, const char* arg) {
  long long n;
  if (!ParseCliInteger(arg, 1, EngineList(s.c).cameraCount, &n)) return Refuse("select needs a camera number: ", arg);
  *s.selected = static_cast<int32_t>(n - 1);
  s.fe.select(s.c, *s.selected);
}

void Request(Session& s, const char* arg) {
  CliRequest q;
  if (!ParseCliRequest(arg, &q)) return Refuse("request needs CODE[:A]: ", arg);
  if (!HaveCamera(s)) return;
  s.fe.mirror(s.c, q.code, q.a);
  const uint32_t camera = static_cast<uint32_t>(*s.selected);
  if (!PutWhenRoom(s, [&] { return EnginePut(s.c, camera, q.code, static_cast<uint32_t>(q.a), 0); }))
    return Refuse("the request queue stayed full: ", arg);
  printf("request %u:%d put\n", q.code, q.a);
}

void Raw(Session& s, const char* arg) {
  RawPacket packet;
  char why[120];
  if (ParseRawPacket(arg, &packet, why, sizeof why) != RAW_OK) return Refuse("raw: ", why);
  if (!HaveCamera(s)) return;
  RawSendResult result = RAW_SEND_BUSY;
  PutWhenRoom(s, [&] { return (result = EnginePutRaw(s.c, *s.selected, packet, why, sizeof why)) != RAW_SEND_BUSY; });
  if (result != RAW_SEND_PUT) return Refuse("raw: ", why);
  printf("raw put\n");
}

void Wait(Session& s, const char* arg) {
  long long ms;
  if (!ParseCliInteger(arg, 0, kMaxWaitMs, &ms)) return Refuse("wait needs milliseconds: ", arg);
  const uint32_t start = OsTickCount();
  while (OsTickCount() - start < static_cast<uint32_t>(ms)) s.fe.pump(s.c);
  printf("waited %lld ms\n", ms);
}

// Without SPEED the camera's maximum, the tilt's scaled to its own.
MoveResult GoTo(Session& s, const MotionCommand& m, char* done, size_t size) {
  CameraSnapshot r = {};
  EngineCamera(s.c, *s.selected, &r);
  const int32_t speed = m.speed > 0 ? m.speed : r.panMax;
  snprintf(done, size, "goto %d %d %d", static_cast<int>(m.pan), static_cast<int>(m.tilt), static_cast<int>(speed));
  return EngineGoTo(s.c, *s.selected, m.pan, m.tilt, speed, ScaledTiltSpeed(speed, r.panMax, r.tiltMax));
}

// Puts the movement for the selected camera; `done` names it for the outcome line.
MoveResult PutMotion(Session& s, const MotionCommand& m, char* done, size_t size) {
  const int32_t i = *s.selected;
  switch (m.verb) {
    case MOTION_MOVE:
      snprintf(done, size, "move %d %d", static_cast<int>(m.pan), static_cast<int>(m.tilt));
      return EngineDrive(s.c, i, m.pan, m.tilt);
    case MOTION_STOP:
      snprintf(done, size, "stop");
      return EngineDrive(s.c, i, 0, 0);
    case MOTION_HOME:
      snprintf(done, size, "home");
      return EngineHome(s.c, i);
    case MOTION_GOTO:
      break;
  }
  return GoTo(s, m, done, size);
}

// move, stop, home and goto; false when `word` is none of them.
bool Motion(Session& s, const char* word, const char* arg) {
  MotionCommand m;
  char why[160];
  const MotionParse parsed = ParseMotionCommand(word, arg, &m, why, sizeof why);
  if (parsed == MOTION_NOT_A_MOTION) return false;
  if (parsed != MOTION_PARSED) {
    Refuse(why, "");
  } else if (HaveCamera(s)) {
    char done[64];
    const int camera = static_cast<int>(*s.selected + 1);
    switch (PutMotion(s, m, done, sizeof done)) {
      case MOVE_PUT:
        printf("%s put\n", done);
        break;
      case MOVE_NO_PAN_TILT:
        printf("error: camera %d has no pan/tilt\n", camera);
        break;
      case MOVE_NO_CAMERA:
        printf("error: camera %d is not listed\n", camera);
        break;
      case MOVE_OUT_OF_RANGE:
        printf("error: %s: a position is outside -32768..32767\n", done);
        break;
    }
  }
  return true;
}

void Cameras(Session& s) {
  CameraSnapshot r;
  for (int32_t i = 0; EngineCamera(s.c, i, &r); i++) {
    char line[kCameraLineChars];
    FormatCameraLine(r, i, line, sizeof line);
    printf("%s\n", line);
  }
}

// Runs one line; false for "quit".
bool RunLine(Session& s, char* line) {
  char* word = strtok(line, " \t\r\n");
  if (!word) return true;  // an empty line does nothing
  char* rest = strtok(nullptr, "\r\n");
  while (rest && (*rest == ' ' || *rest == '\t')) rest++;
  const char* arg = rest && *rest ? rest : "";
  const bool bare = *arg == 0;
  if (strcmp(word, "quit") == 0 && bare) return false;
  if (strcmp(word, "select") == 0) {
    Select(s, arg);
  } else if (strcmp(word, "request") == 0) {
    Request(s, arg);
  } else if (strcmp(word, "raw") == 0) {
    Raw(s, arg);
  } else if (strcmp(word, "wait") == 0) {
    Wait(s, arg);
  } else if (strcmp(word, "status") == 0 && bare) {
    s.fe.printStatus(s.c);
  } else if (strcmp(word, "cameras") == 0 && bare) {
    Cameras(s);
  } else if (!Motion(s, word, arg)) {
    Refuse("unknown command: ", word);
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

// The next whole line into `line`; false when none is complete yet.
bool NextLine(LineReader& r, int fd, char* line) {
  for (;;) {
    char* end = static_cast<char*>(memchr(r.buffer, '\n', static_cast<size_t>(r.used)));
    if (end || (r.ended && r.used > 0)) {
      const int32_t n = end ? static_cast<int32_t>(end - r.buffer) : r.used;
      memcpy(line, r.buffer, static_cast<size_t>(n));
      line[n] = 0;
      const int32_t taken = end ? n + 1 : n;
      memmove(r.buffer, r.buffer + taken, static_cast<size_t>(r.used - taken));
      r.used -= taken;
      if (!r.overlong) return true;
      r.overlong = false;
      Refuse("line too long", "");
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

void RunCommandMode(CameraController* c, int fd, const CliFrontEnd& fe, int32_t* selected) {
  Session s{c, fe, selected};
  static LineReader reader;
  static char line[kLineChars + 1];
  for (;;) {
    if (!NextLine(reader, fd, line)) {
      if (reader.ended) break;
      fe.pump(c);
      continue;
    }
    if (!RunLine(s, line)) break;
    fe.pump(c);
  }
  if (!WaitUntilCarriedOut(c, fe, kCarryOutLimitMs)) printf("error: not carried out within 15 s\n");
  fe.pump(c);
}
