#include "command/motion_words.h"

#include "command/command_numbers.h"

#include <climits>
#include <cstdio>
#include <cstring>

namespace {

constexpr int32_t kMaxArgs = 3;
// Longer argument text than any good line: refused whole.
constexpr int32_t kArgsChars = 128;

struct MotionArg {
  const char* name;
  long long lo, hi;
};

// Speeds stop short of INT32_MIN, whose magnitude has no int32_t.
constexpr MotionArg kPanSpeed = {"pan speed", -INT32_MAX, INT32_MAX};
constexpr MotionArg kTiltSpeed = {"tilt speed", -INT32_MAX, INT32_MAX};
constexpr MotionArg kPanPosition = {"pan position", -32768, 32767};
constexpr MotionArg kTiltPosition = {"tilt position", -32768, 32767};
constexpr MotionArg kGotoSpeed = {"speed", 1, INT32_MAX};

struct MotionWord {
  const char* word;
  MotionVerb verb;
  int32_t least, most;  // arguments given
  const char* usage;
  MotionArg args[kMaxArgs];
};

// clang-format off
const MotionWord kWords[] = {
    {"move", MOTION_MOVE, 2, 2, "move needs speeds PAN TILT", {kPanSpeed, kTiltSpeed}},
    {"stop", MOTION_STOP, 0, 0, "stop takes no arguments", {}},
    {"home", MOTION_HOME, 0, 0, "home takes no arguments", {}},
    {"goto", MOTION_GOTO, 2, 3, "goto needs positions PAN TILT [SPEED]", {kPanPosition, kTiltPosition, kGotoSpeed}},
};
// clang-format on

// Splits `text` (copied into `buffer`) at spaces and tabs; false when it
// holds more than `most` words or does not fit.
bool SplitArgs(const char* text, char (&buffer)[kArgsChars], int32_t most, const char** words, int32_t* count) {
  if (strlen(text) >= sizeof buffer) return false;
  snprintf(buffer, sizeof buffer, "%s", text);
  *count = 0;
  for (char* p = buffer; *p;) {
    if (*p == ' ' || *p == '\t') {
      *p++ = 0;
      continue;
    }
    if (*count == most) return false;
    words[(*count)++] = p;
    while (*p && *p != ' ' && *p != '\t') p++;
  }
  return true;
}

MotionParse ParseArgs(const MotionWord& w, const char* args, int32_t* values, char* why, int32_t whySize) {
  char buffer[kArgsChars];
  const char* words[kMaxArgs];
  int32_t count = 0;
  if (!SplitArgs(args, buffer, w.most, words, &count) || count < w.least) {
    snprintf(why, static_cast<size_t>(whySize), "%s: %.40s", w.usage, args);
    return MOTION_MALFORMED;
  }
  for (int32_t i = 0; i < count; i++) {
    const MotionArg& a = w.args[i];
    long long v;
    if (!ParseCommandInteger(words[i], LLONG_MIN, LLONG_MAX, &v)) {
      snprintf(why, static_cast<size_t>(whySize), "%s: %s is not a number: %.40s", w.word, a.name, words[i]);
      return MOTION_MALFORMED;
    }
    if (v < a.lo || v > a.hi) {
      snprintf(why, static_cast<size_t>(whySize), "%s: %s %lld is outside %lld..%lld", w.word, a.name, v, a.lo, a.hi);
      return MOTION_OUT_OF_RANGE;
    }
    values[i] = static_cast<int32_t>(v);
  }
  return MOTION_PARSED;
}

}  // namespace

MotionParse ParseMotionCommand(const char* word, const char* args, MotionCommand* out, char* why, int32_t whySize) {
  for (const MotionWord& w : kWords) {
    if (strcmp(word, w.word) != 0) continue;
    int32_t values[kMaxArgs] = {};
    const MotionParse parsed = ParseArgs(w, args, values, why, whySize);
    if (parsed == MOTION_PARSED) *out = MotionCommand{w.verb, values[0], values[1], values[2]};
    return parsed;
  }
  return MOTION_NOT_A_MOTION;
}
