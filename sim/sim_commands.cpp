// The commands a camera accepts (8x 01 ... FF): their exact shapes, and what
// each does to the camera.
#include "sim/sim_camera.h"

namespace {

enum ArgKind : uint8_t {
  ARG_RANGE,       // one byte, lo..hi
  ARG_STEP,        // one byte: 00 reset, 02 up, 03 down
  ARG_DIRECT,      // 00 00 0p 0q
  ARG_NIBBLES,     // argc bytes 0x00..0x0F
  ARG_DRIVE,       // 00 stop, 02/03 standard speed, 2p/3p variable speed
  ARG_FOCUS_MODE,  // 02 auto, 03 manual, 10 toggle
  ARG_AE_MODE,     // 00, 03, 0A, 0B, 0D
  ARG_MEMORY,      // 00 reset / 01 set / 02 recall, then 01..05 or 7F
  ARG_REGISTER,    // rr 0p 0q
};

struct CommandShape {
  uint8_t code;  // byte after 01 04
  uint8_t argc;  // bytes after the code
  ArgKind kind;
  uint8_t lo;
  uint8_t hi;
};

const CommandShape kShapes[] = {
    {0x00, 1, ARG_RANGE, 0x02, 0x03},                                    // power
    {0x01, 1, ARG_RANGE, 0x02, 0x03},                                    // IR-cut filter off (near-infrared) on/off
    {0x51, 1, ARG_RANGE, 0x02, 0x03},                                    // automatic IR-cut switching
    {0x02, 1, ARG_STEP, 0, 0},                                           // aperture
    {0x42, 4, ARG_DIRECT, 0, 0},      {0x03, 1, ARG_STEP, 0, 0},         // R gain
    {0x43, 4, ARG_DIRECT, 0, 0},      {0x04, 1, ARG_STEP, 0, 0},         // B gain
    {0x44, 4, ARG_DIRECT, 0, 0},      {0x06, 1, ARG_RANGE, 0x02, 0x03},  // digital zoom
    {0x36, 1, ARG_RANGE, 0x00, 0x01},                                    // digital zoom combined / separate
    {0x07, 1, ARG_DRIVE, 0, 0},                                          // zoom drive
    {0x47, 4, ARG_NIBBLES, 0, 0},                                        // zoom direct
    {0x08, 1, ARG_DRIVE, 0, 0},                                          // focus drive
    {0x48, 4, ARG_NIBBLES, 0, 0},                                        // focus direct
    {0x18, 1, ARG_RANGE, 0x01, 0x01},                                    // one-push auto focus
    {0x38, 1, ARG_FOCUS_MODE, 0, 0},  {0x39, 1, ARG_AE_MODE, 0, 0},
    {0x0A, 1, ARG_STEP, 0, 0},                                    // shutter
    {0x4A, 4, ARG_DIRECT, 0, 0},      {0x0B, 1, ARG_STEP, 0, 0},  // iris
    {0x4B, 4, ARG_DIRECT, 0, 0},      {0x0C, 1, ARG_STEP, 0, 0},  // gain
    {0x4C, 4, ARG_DIRECT, 0, 0},      {0x0D, 1, ARG_STEP, 0, 0},  // bright
    {0x4D, 4, ARG_DIRECT, 0, 0},      {0x0E, 1, ARG_STEP, 0, 0},  // exposure compensation
    {0x4E, 4, ARG_DIRECT, 0, 0},      {0x3E, 1, ARG_RANGE, 0x02, 0x03},
    {0x35, 1, ARG_RANGE, 0x00, 0x05},                                    // white balance mode
    {0x10, 1, ARG_RANGE, 0x05, 0x05},                                    // one-push white balance trigger
    {0x5B, 1, ARG_RANGE, 0x00, 0x04},                                    // gamma
    {0x63, 1, ARG_RANGE, 0x00, 0x06},                                    // picture effect
    {0x66, 1, ARG_RANGE, 0x02, 0x03},                                    // picture flip
    {0x62, 1, ARG_RANGE, 0x02, 0x03},                                    // freeze
    {0x3F, 2, ARG_MEMORY, 0, 0},                                         // presets
    {0x24, 3, ARG_REGISTER, 0, 0},    {0x2C, 1, ARG_RANGE, 0x04, 0x0F},  // gain limit
    {0x53, 1, ARG_RANGE, 0x00, 0x05},                                    // noise reduction
    {0x26, 1, ARG_RANGE, 0x00, 0x0F}, {0x28, 4, ARG_NIBBLES, 0, 0},
    {0x74, 1, ARG_RANGE, 0x00, 0x7F},
};

const CommandShape* FindShape(uint8_t code) {
  for (const CommandShape& s : kShapes) {
    if (s.code == code) return &s;
  }
  return nullptr;
}

bool ArgsFit(const CommandShape& s, const uint8_t* a) {
  switch (s.kind) {
    case ARG_RANGE:
      return a[0] >= s.lo && a[0] <= s.hi;
    case ARG_STEP:
      return a[0] == 0x00 || a[0] == 0x02 || a[0] == 0x03;
    case ARG_DIRECT:
      return a[0] == 0 && a[1] == 0 && a[2] <= 0x0F && a[3] <= 0x0F;
    case ARG_NIBBLES:
      for (int i = 0; i < s.argc; ++i) {
        if (a[i] > 0x0F) return false;
      }
      return true;
    case ARG_DRIVE:
      return a[0] == 0x00 || a[0] == 0x02 || a[0] == 0x03 || (a[0] >= 0x20 && a[0] <= 0x27) ||
             (a[0] >= 0x30 && a[0] <= 0x37);
    case ARG_FOCUS_MODE:
      return a[0] == 0x02 || a[0] == 0x03 || a[0] == 0x10;
    case ARG_AE_MODE:
      return a[0] == 0x00 || a[0] == 0x03 || a[0] == 0x0A || a[0] == 0x0B || a[0] == 0x0D;
    case ARG_MEMORY:
      return a[0] <= 0x02 && ((a[1] >= 1 && a[1] <= SimCameraState::kPresets) || a[1] == 0x7F);
    case ARG_REGISTER:
      return a[0] <= 0x7F && a[1] <= 0x0F && a[2] <= 0x0F;
  }
  return false;
}

uint16_t DirectValue(const uint8_t* a) { return static_cast<uint16_t>((a[2] << 4) | a[3]); }

uint16_t NibbleValue(const uint8_t* a) {
  return static_cast<uint16_t>((a[0] << 12) | (a[1] << 8) | (a[2] << 4) | a[3]);
}

uint16_t Clamp(uint32_t v, uint16_t lo, uint16_t hi) {
  if (v < lo) return lo;
  if (v > hi) return hi;
  return static_cast<uint16_t>(v);
}

// Reset, up or down by one within lo..hi.
void StepValue(uint16_t* value, uint8_t how, uint16_t resetValue, uint16_t lo, uint16_t hi) {
  if (how == 0x00) {
    *value = resetValue;
  } else if (how == 0x02) {
    if (*value < hi) ++*value;
  } else if (*value > lo) {
    --*value;
  }
}

constexpr uint16_t kZoomOptical = 0x4000;
constexpr uint16_t kZoomDigital = 0x7AC0;

}  // namespace

bool SimCamera::CommandKnown(const uint8_t* c, int m) const {
  if (m == 2 && c[0] == 0x00 && c[1] == 0x01) return true;  // interface clear
  if (m < 2 || c[0] != 0x04) return false;
  const CommandShape* s = FindShape(c[1]);
  if (s == nullptr || m != 2 + s->argc || !ArgsFit(*s, c + 2)) return false;
  if ((c[1] == 0x01 || c[1] == 0x51) && !HasNearInfrared()) return false;
  if ((c[1] == 0x0D || c[1] == 0x4D || (c[1] == 0x39 && c[2] == 0x0D)) && !HasBrightMode()) {
    return false;
  }
  return true;
}

void SimCamera::PlaceAt(SimMove& move, uint16_t position) {
  move = SimMove();
  move.from = position;
  move.to = position;
  if (&move == &zoom) {
    state.picture.zoomPos = position;
    state.zoomTarget = position;
  } else {
    state.picture.focusPos = position;
    state.focusTarget = position;
  }
}

void SimCamera::StopMove(SimMove& move, uint64_t t) { PlaceAt(move, move.At(t)); }

// Starts a move from where the axis is now; a command that was waiting for a
// move of the same axis is cut short. Returns the frame at which it ends.
uint64_t SimCamera::StartMove(SimMove& move, uint16_t target, uint64_t t, uint32_t sweepMs, uint32_t range, int socket,
                              SimCameraSink* sink) {
  const uint16_t current = move.At(t);
  if (move.active && move.socket != 0 && move.socket != socket) {
    CancelSocket(move.socket, t, sink, 0x04);
  }
  PlaceAt(move, current);
  if (current == target) return t;
  const uint32_t distance = current > target ? current - target : target - current;
  uint64_t durationUs = static_cast<uint64_t>(distance) * sweepMs * 1000u / range;
  if (durationUs == 0) durationUs = 1;
  move.active = true;
  move.to = target;
  move.startUs = t;
  move.endUs = t + durationUs;
  move.socket = socket;
  if (&move == &zoom) {
    state.zoomTarget = target;
  } else {
    state.focusTarget = target;
  }
  return FrameAtOrAfter(move.endUs);
}

void SimCamera::ApplyPicture(const SimPicture& picture) {
  const uint16_t zoomPos = state.picture.zoomPos;
  const uint16_t focusPos = state.picture.focusPos;
  state.picture = picture;
  state.picture.zoomPos = zoomPos;
  state.picture.focusPos = focusPos;
}

// Recalls a picture: settings at once, zoom and focus at their speeds.
uint64_t SimCamera::MovePicture(const SimPicture& picture, uint64_t t, int socket, SimCameraSink* sink) {
  ApplyPicture(picture);
  const uint64_t zoomDone = StartMove(zoom, picture.zoomPos, t, timing->zoomSweepMs, kZoomOptical, socket, sink);
  const uint16_t focusTarget = picture.focusMode == 2 ? state.sceneFocus : picture.focusPos;
  const uint64_t focusDone = StartMove(focus, Clamp(focusTarget, FocusMin(), FocusMax()), t, timing->focusSweepMs,
                                       FocusMax() - FocusMin(), socket, sink);
  return zoomDone > focusDone ? zoomDone : focusDone;
}

void SimCamera::FinishPower() {
  powerPending = false;
  state.power = powerTarget;
  if (powerTarget != 2) return;
  // Coming up, the camera loads its power-on settings (memory 0x7F).
  ApplyPicture(state.customPreset);
  PlaceAt(zoom, state.customPreset.zoomPos);
  PlaceAt(focus, state.customPreset.focusMode == 2 ? state.sceneFocus
                                                   : Clamp(state.customPreset.focusPos, FocusMin(), FocusMax()));
  if (faults.networkChangeOnPowerOn) networkChangeDue = true;
}

int SimCamera::PowerCommand(uint8_t on, uint64_t t, SimCameraSink* sink, uint64_t* doneUs) {
  if (powerPending) return SIM_NOT_EXECUTABLE;
  const uint8_t target = on;
  if (state.power == target) return SIM_DONE;
  const uint32_t ms = target == 2 ? timing->powerOnMs : timing->powerOffMs;
  if (target == 3) {
    StopMove(zoom, t);
    StopMove(focus, t);
    for (int s = 1; s <= kSockets; ++s) CancelSocket(s, t, sink, 0x04);
    state.freeze = 3;
  }
  powerPending = true;
  powerTarget = target;
  powerDoneUs = FrameAtOrAfter(t + static_cast<uint64_t>(ms) * 1000u);
  *doneUs = powerDoneUs;
  return SIM_RUNNING;
}

int SimCamera::MemoryCommand(uint8_t action, uint8_t number, uint64_t t, int socket, SimCameraSink* sink,
                             uint64_t* doneUs) {
  SimPicture& slot = number == 0x7F ? state.customPreset : state.presets[number - 1];
  if (action == 0x00) {
    slot = SimPicture();
    slot.focusPos = state.sceneFocus;
    return SIM_DONE;
  }
  if (action == 0x01) {
    slot = state.picture;
    return SIM_DONE;
  }
  if (number != 0x7F) state.lastPreset = number;
  *doneUs = MovePicture(slot, t, socket, sink);
  return *doneUs > t ? SIM_RUNNING : SIM_DONE;
}

// c has passed CommandKnown.
int SimCamera::Execute(const uint8_t* c, uint64_t t, int socket, SimCameraSink* sink, uint64_t* doneUs) {
  if (c[0] == 0x00) return SIM_DONE;
  const uint8_t code = c[1];
  const uint8_t* a = c + 2;
  if (code == 0x00) return PowerCommand(a[0], t, sink, doneUs);
  if (state.power != 2 || powerPending) return SIM_NOT_EXECUTABLE;

  SimPicture& p = state.picture;
  const bool manualExposure = p.aeMode == 0x03;
  const bool autoExposure = p.aeMode == 0x00 || p.aeMode == 0x0A || p.aeMode == 0x0B;
  const uint16_t zoomMax = state.digitalZoom == 2 ? kZoomDigital : kZoomOptical;
  switch (code) {
    case 0x01:
      p.icrMode = a[0];
      return SIM_DONE;
    case 0x51:
      state.autoIcr = a[0];
      return SIM_DONE;
    case 0x02:
      StepValue(&p.aperture, a[0], 0x05, 0, 0x0F);
      return SIM_DONE;
    case 0x42:
      p.aperture = Clamp(DirectValue(a), 0, 0x0F);
      return SIM_DONE;
    case 0x03:
    case 0x43:
    case 0x04:
    case 0x44: {
      if (p.wbMode != 0x05) return SIM_NOT_EXECUTABLE;  // gains are set by hand only in manual
      uint16_t* gain = (code & 0x0F) == 0x03 ? &p.rGain : &p.bGain;
      if (code & 0x40) {
        *gain = Clamp(DirectValue(a), 0, 0xFF);
      } else {
        StepValue(gain, a[0], 0xC0, 0, 0xFF);
      }
      return SIM_DONE;
    }
    case 0x06:
      state.digitalZoom = a[0];
      if (a[0] == 3 && zoom.At(t) > kZoomOptical) PlaceAt(zoom, kZoomOptical);
      return SIM_DONE;
    case 0x36:
      state.zoomMode = a[0];
      return SIM_DONE;
    case 0x07: {
      if (a[0] == 0x00) {
        StopMove(zoom, t);
        return SIM_DONE;
      }
      const bool tele = a[0] == 0x02 || (a[0] & 0xF0) == 0x20;
      const uint32_t speed = (a[0] & 0xF0) ? (a[0] & 0x07) + 1u : 4u;
      StartMove(zoom, tele ? zoomMax : 0, t, timing->zoomSweepMs * 8u / speed, kZoomOptical, 0, sink);
      return SIM_DONE;
    }
    case 0x47:
      *doneUs = StartMove(zoom, Clamp(NibbleValue(a), 0, zoomMax), t, timing->zoomSweepMs, kZoomOptical, socket, sink);
      return *doneUs > t ? SIM_RUNNING : SIM_DONE;
    case 0x08: {
      if (p.focusMode != 3) return SIM_NOT_EXECUTABLE;
      if (a[0] == 0x00) {
        StopMove(focus, t);
        return SIM_DONE;
      }
      const bool farther = a[0] == 0x02 || (a[0] & 0xF0) == 0x20;
      const uint32_t speed = (a[0] & 0xF0) ? (a[0] & 0x07) + 1u : 4u;
      StartMove(focus, farther ? FocusMin() : FocusMax(), t, timing->focusSweepMs * 8u / speed, FocusMax() - FocusMin(),
                0, sink);
      return SIM_DONE;
    }
    case 0x48:
      if (p.focusMode != 3) return SIM_NOT_EXECUTABLE;
      *doneUs = StartMove(focus, Clamp(NibbleValue(a), FocusMin(), FocusMax()), t, timing->focusSweepMs,
                          FocusMax() - FocusMin(), socket, sink);
      return *doneUs > t ? SIM_RUNNING : SIM_DONE;
    case 0x18:
      if (p.focusMode != 3) return SIM_NOT_EXECUTABLE;
      *doneUs = StartMove(focus, state.sceneFocus, t, timing->focusSweepMs, FocusMax() - FocusMin(), socket, sink);
      return *doneUs > t ? SIM_RUNNING : SIM_DONE;
    case 0x38: {
      const uint8_t mode = a[0] == 0x10 ? (p.focusMode == 2 ? 3 : 2) : a[0];
      p.focusMode = mode;
      if (mode == 2) {
        // Auto focus settles on the scene by itself; nobody waits for it.
        StartMove(focus, state.sceneFocus, t, timing->focusSweepMs, FocusMax() - FocusMin(), 0, sink);
      } else {
        StopMove(focus, t);
      }
      return SIM_DONE;
    }
    case 0x39:
      p.aeMode = a[0];
      return SIM_DONE;
    case 0x0A:
    case 0x4A:
      if (!manualExposure && p.aeMode != 0x0A) return SIM_NOT_EXECUTABLE;
      if (code == 0x4A) {
        p.shutterPos = Clamp(DirectValue(a), 0, 0x15);
      } else {
        StepValue(&p.shutterPos, a[0], 0x08, 0, 0x15);
      }
      return SIM_DONE;
    case 0x0B:
    case 0x4B:
      if (!manualExposure && p.aeMode != 0x0B) return SIM_NOT_EXECUTABLE;
      if (code == 0x4B) {
        p.irisPos = Clamp(DirectValue(a), 0, 0x11);
      } else {
        StepValue(&p.irisPos, a[0], 0x0B, 0, 0x11);
      }
      return SIM_DONE;
    case 0x0C:
    case 0x4C:
      if (!manualExposure) return SIM_NOT_EXECUTABLE;
      if (code == 0x4C) {
        p.gainPos = Clamp(DirectValue(a), 0, 0x0F);
      } else {
        StepValue(&p.gainPos, a[0], 0x01, 0, 0x0F);
      }
      return SIM_DONE;
    case 0x0D:
    case 0x4D:
      if (p.aeMode != 0x0D) return SIM_NOT_EXECUTABLE;
      if (code == 0x4D) {
        p.brightPos = Clamp(DirectValue(a), 0, 0x1F);
      } else {
        StepValue(&p.brightPos, a[0], 0x0F, 0, 0x1F);
      }
      return SIM_DONE;
    case 0x0E:
    case 0x4E:
      if (!autoExposure) return SIM_NOT_EXECUTABLE;
      if (code == 0x4E) {
        p.expCompPos = Clamp(DirectValue(a), 0, 0x0E);
      } else {
        StepValue(&p.expCompPos, a[0], 0x07, 0, 0x0E);
      }
      return SIM_DONE;
    case 0x3E:
      p.expCompOn = a[0];
      return SIM_DONE;
    case 0x35:
      p.wbMode = a[0];
      return SIM_DONE;
    case 0x10:
      if (p.wbMode != 0x03) return SIM_NOT_EXECUTABLE;
      onePushPending = true;
      onePushDoneUs = FrameAtOrAfter(t + static_cast<uint64_t>(timing->onePushMs) * 1000u);
      *doneUs = onePushDoneUs;
      return SIM_RUNNING;
    case 0x5B:
      p.gamma = a[0];
      return SIM_DONE;
    case 0x63:
      p.pictureEffect = a[0];
      return SIM_DONE;
    case 0x66:
      p.pictureFlip = a[0];
      return SIM_DONE;
    case 0x62:
      state.freeze = a[0];
      return SIM_DONE;
    case 0x3F:
      return MemoryCommand(a[0], a[1], t, socket, sink, doneUs);
    case 0x24:
      state.registers[a[0]] = static_cast<uint8_t>((a[1] << 4) | a[2]);
      return SIM_DONE;
    case 0x2C:
      state.gainLimit = a[0];
      return SIM_DONE;
    case 0x53:
      state.noiseReduction = a[0];
      return SIM_DONE;
    case 0x26:
      state.setting26 = a[0];
      return SIM_DONE;
    case 0x28:
      for (int i = 0; i < 4; ++i) state.setting28[i] = a[i];
      return SIM_DONE;
    case 0x74:
      state.setting74 = a[0];
      return SIM_DONE;
    default:
      return SIM_SYNTAX;
  }
}
