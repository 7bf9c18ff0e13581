// Pan/tilt commands as words on a line ("move 5 -3", "goto 0x100 -20 8"):
// parsed here without the engine, so every text front end takes the same
// words and numbers.
#pragma once

#include <cstdint>

enum MotionVerb { MOTION_MOVE, MOTION_STOP, MOTION_HOME, MOTION_GOTO };

struct MotionCommand {
  MotionVerb verb;
  int32_t pan;    // move: signed speed; goto: position
  int32_t tilt;   // likewise
  int32_t speed;  // goto: the pan speed, 0 when not given (the camera's maximum)
};

enum MotionParse { MOTION_PARSED, MOTION_NOT_A_MOTION, MOTION_MALFORMED, MOTION_OUT_OF_RANGE };

// `word` and the rest of its line `args`. Speeds are passed on unclamped
// (the engine holds them to the camera's maximum); positions must fit
// -32768..32767. On MOTION_MALFORMED or MOTION_OUT_OF_RANGE `why` names the
// problem.
MotionParse ParseMotionCommand(const char* word, const char* args, MotionCommand* out, char* why, int32_t whySize);
