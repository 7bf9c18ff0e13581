#include "command/motion_commands.h"

#include "command/motion_words.h"
#include "requests/pan_tilt.h"

#include <cstdio>

namespace {

constexpr size_t kDoneChars = 64;
constexpr int32_t kWhyChars = 160;

// Without SPEED the camera's maximum, the tilt's scaled to its own.
MoveResult GoTo(CameraController* c, int32_t i, const MotionCommand& m, char* done, size_t size) {
  CameraSnapshot r = {};
  EngineCamera(c, i, &r);
  const int32_t speed = m.speed > 0 ? m.speed : r.panMax;
  snprintf(done, size, "goto %d %d %d", static_cast<int>(m.pan), static_cast<int>(m.tilt), static_cast<int>(speed));
  return EngineGoTo(c, i, m.pan, m.tilt, speed, ScaledTiltSpeed(speed, r.panMax, r.tiltMax));
}

// Puts the movement for camera `i`; `done` names it for the reply.
MoveResult PutMotion(CameraController* c, int32_t i, const MotionCommand& m, char* done, size_t size) {
  switch (m.verb) {
    case MOTION_MOVE:
      snprintf(done, size, "move %d %d", static_cast<int>(m.pan), static_cast<int>(m.tilt));
      return EngineDrive(c, i, m.pan, m.tilt);
    case MOTION_STOP:
      snprintf(done, size, "stop");
      return EngineDrive(c, i, 0, 0);
    case MOTION_HOME:
      snprintf(done, size, "home");
      return EngineHome(c, i);
    case MOTION_GOTO:
      break;
  }
  return GoTo(c, i, m, done, size);
}

}  // namespace

CommandOutcome RunMotion(CommandCall& call, const char* word, const char* arg) {
  MotionCommand m;
  char why[kWhyChars] = "";
  if (ParseMotionCommand(word, arg, &m, why, sizeof why) != MOTION_PARSED) return Refused(call, "%s", why);
  if (!HaveCamera(call)) return COMMAND_ERROR;
  const int32_t i = call.session->selected;
  const int camera = static_cast<int>(i + 1);
  char done[kDoneChars];
  switch (PutMotion(call.host.controller, i, m, done, sizeof done)) {
    case MOVE_PUT:
      break;
    case MOVE_NO_PAN_TILT:
      return Refused(call, "camera %d has no pan/tilt", camera);
    case MOVE_NO_CAMERA:
      return Refused(call, "camera %d is not listed", camera);
    case MOVE_OUT_OF_RANGE:
      return Refused(call, "%s: a position is outside -32768..32767", done);
  }
  // A home or goto replaces the drive and ends by itself.
  if (i < kMaxCameras) call.session->driven[i] = m.verb == MOTION_MOVE && (m.pan != 0 || m.tilt != 0);
  return Done(call, "%s put", done);
}

void StopDrivenCameras(CameraController* c, CommandSession* session) {
  for (int32_t i = 0; i < kMaxCameras; i++) {
    if (!session->driven[i]) continue;
    EngineDrive(c, i, 0, 0);
    session->driven[i] = false;
  }
}
