// The commands a camera accepts (8x 01 ... FF): a table of their exact
// shapes and of what each does to the camera.
#include "sim/sim_camera.h"

namespace {

using P = SimPicture;
using S = SimCameraState;

enum ArgKind : uint8_t {
  ARG_RANGE,       // one byte, lo..hi
  ARG_STEP,        // one byte: 00 reset, 02 up, 03 down
  ARG_DIRECT,      // 00 00 0p 0q
  ARG_NIBBLES,     // argc bytes 0x00..0x0F
  ARG_DRIVE,       // 00 stop, 02/03 standard speed, 2p/3p variable speed
  ARG_FOCUS_MODE,  // 02 auto, 03 manual, 10 toggle
  ARG_AE_MODE,     // 00, 03, 0A, 0B, 0D
  ARG_MEMORY,      // 00 reset / 01 set / 02 recall, then 01..the model's last, or 7F
  ARG_REGISTER,    // rr 0p 0q
};

// The modes in which a command is carried out; in any other it is not executable.
enum Guard : uint8_t {
  GUARD_NONE,
  GUARD_WB_MANUAL,  // gains are set by hand only in manual white balance
  GUARD_WB_ONE_PUSH,
  GUARD_FOCUS_MANUAL,
  GUARD_AE_MANUAL,
  GUARD_AE_SHUTTER,  // manual or shutter priority
  GUARD_AE_IRIS,     // manual or iris priority
  GUARD_AE_BRIGHT,
  GUARD_AE_AUTOMATIC,  // full auto, shutter or iris priority
};

// A picture value that steps (reset, up, down) or is set directly, within 0..top.
struct Level {
  uint16_t P::*field;
  uint16_t reset;
  uint16_t top;
};

constexpr Level kAperture = {&P::aperture, 0x05, 0x0F};
constexpr Level kRGain = {&P::rGain, 0xC0, 0xFF};
constexpr Level kBGain = {&P::bGain, 0xC0, 0xFF};
constexpr Level kShutter = {&P::shutterPos, 0x08, 0x15};
constexpr Level kIris = {&P::irisPos, 0x0B, 0x11};
constexpr Level kGain = {&P::gainPos, 0x01, 0x0F};
constexpr Level kBright = {&P::brightPos, 0x0F, 0x1F};
constexpr Level kExpComp = {&P::expCompPos, 0x07, 0x0E};

constexpr uint16_t kZoomOptical = 0x4000;
constexpr uint16_t kZoomDigital = 0x7AC0;

// One command being carried out; a points at the bytes after the code.
struct CommandCall {
  SimCamera& camera;
  const uint8_t* a;
  uint64_t t;
  int socket;  // 0 for a broadcast
  SimCameraSink* sink;
  uint64_t* doneUs;
};

using CommandAction = int (*)(const CommandCall& call);

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

int DoneOrRunning(const CommandCall& call) { return *call.doneUs > call.t ? SIM_RUNNING : SIM_DONE; }

}  // namespace

// The commands that do more than set a value.
struct SimCommandActions {
  static uint16_t ZoomMax(const SimCamera& c) { return c.state.digitalZoom == 2 ? kZoomDigital : kZoomOptical; }
  static uint32_t FocusRange(const SimCamera& c) { return c.FocusMax() - c.FocusMin(); }

  // 00 stops; 02 and 2p head for `first`, 03 and 3p for `second`, at speed
  // p (0..7) or the standard speed; nobody waits for the move.
  static int Drive(const CommandCall& call, SimMove& move, uint16_t first, uint16_t second, uint32_t sweepMs,
                   uint32_t range) {
    const uint8_t how = call.a[0];
    if (how == 0x00) {
      call.camera.StopMove(move, call.t);
      return SIM_DONE;
    }
    const bool towardFirst = how == 0x02 || (how & 0xF0) == 0x20;
    const uint32_t speed = (how & 0xF0) ? (how & 0x07) + 1u : 4u;
    call.camera.StartMove(move, towardFirst ? first : second, call.t, sweepMs * 8u / speed, range, 0, call.sink);
    return SIM_DONE;
  }

  // A move the command's socket waits for.
  static int MoveTo(const CommandCall& call, SimMove& move, uint16_t target, uint32_t sweepMs, uint32_t range) {
    *call.doneUs = call.camera.StartMove(move, target, call.t, sweepMs, range, call.socket, call.sink);
    return DoneOrRunning(call);
  }

  static int Power(const CommandCall& call) {
    SimCamera& c = call.camera;
    if (c.powerPending) return SIM_NOT_EXECUTABLE;
    const uint8_t target = call.a[0];
    if (c.state.power == target) return SIM_DONE;
    const uint32_t ms = target == 2 ? c.timing->powerOnMs : c.timing->powerOffMs;
    if (target == 3) {
      c.StopMove(c.zoom, call.t);
      c.StopMove(c.focus, call.t);
      c.StopHead(call.t);
      for (int s = 1; s <= SimCamera::kSockets; ++s) c.CancelSocket(s, call.t, call.sink, 0x04);
      c.state.freeze = 3;
    }
    c.powerPending = true;
    c.powerTarget = target;
    c.powerDoneUs = c.FrameAtOrAfter(call.t + static_cast<uint64_t>(ms) * 1000u);
    *call.doneUs = c.powerDoneUs;
    return SIM_RUNNING;
  }

  static int DigitalZoom(const CommandCall& call) {
    SimCamera& c = call.camera;
    c.state.digitalZoom = call.a[0];
    if (call.a[0] == 3 && c.zoom.At(call.t) > kZoomOptical) c.PlaceAt(c.zoom, kZoomOptical);
    return SIM_DONE;
  }

  static int ZoomDrive(const CommandCall& call) {
    SimCamera& c = call.camera;
    return Drive(call, c.zoom, ZoomMax(c), 0, c.timing->zoomSweepMs, kZoomOptical);
  }

  static int ZoomDirect(const CommandCall& call) {
    SimCamera& c = call.camera;
    return MoveTo(call, c.zoom, Clamp(NibbleValue(call.a), 0, ZoomMax(c)), c.timing->zoomSweepMs, kZoomOptical);
  }

  static int FocusDrive(const CommandCall& call) {
    SimCamera& c = call.camera;
    return Drive(call, c.focus, c.FocusMin(), c.FocusMax(), c.timing->focusSweepMs, FocusRange(c));
  }

  static int FocusDirect(const CommandCall& call) {
    SimCamera& c = call.camera;
    return MoveTo(call, c.focus, Clamp(NibbleValue(call.a), c.FocusMin(), c.FocusMax()), c.timing->focusSweepMs,
                  FocusRange(c));
  }

  static int OnePushFocus(const CommandCall& call) {
    SimCamera& c = call.camera;
    return MoveTo(call, c.focus, c.state.sceneFocus, c.timing->focusSweepMs, FocusRange(c));
  }

  static int FocusMode(const CommandCall& call) {
    SimCamera& c = call.camera;
    SimPicture& p = c.state.picture;
    const uint8_t mode = call.a[0] == 0x10 ? (p.focusMode == 2 ? 3 : 2) : call.a[0];
    p.focusMode = mode;
    if (mode == 2) {
      // Auto focus settles on the scene by itself; nobody waits for it.
      c.StartMove(c.focus, c.state.sceneFocus, call.t, c.timing->focusSweepMs, FocusRange(c), 0, call.sink);
    } else {
      c.StopMove(c.focus, call.t);
    }
    return SIM_DONE;
  }

  static int OnePushWhiteBalance(const CommandCall& call) {
    SimCamera& c = call.camera;
    c.onePushPending = true;
    c.onePushDoneUs = c.FrameAtOrAfter(call.t + static_cast<uint64_t>(c.timing->onePushMs) * 1000u);
    *call.doneUs = c.onePushDoneUs;
    return SIM_RUNNING;
  }

  static int Memory(const CommandCall& call) {
    SimCamera& c = call.camera;
    const uint8_t action = call.a[0];
    const uint8_t number = call.a[1];
    SimPicture& slot = number == 0x7F ? c.state.customPreset : c.state.presets[number - 1];
    SimHeadSpot* spot = number == 0x7F ? nullptr : &c.state.presetSpots[number - 1];  // 0x7F keeps none
    if (action == 0x00) {
      slot = SimPicture();
      slot.focusPos = c.state.sceneFocus;
      if (spot) *spot = SimHeadSpot();
      return SIM_DONE;
    }
    if (action == 0x01) {
      slot = c.state.picture;
      if (spot) c.StoreHeadSpot(*spot, call.t);
      return SIM_DONE;
    }
    if (spot) c.state.lastPreset = number;
    const uint64_t pictureUs = c.MovePicture(slot, call.t, call.socket, call.sink);
    const uint64_t headUs = spot ? c.RecallHeadSpot(*spot, call.t, call.sink) : call.t;
    *call.doneUs = pictureUs > headUs ? pictureUs : headUs;
    return DoneOrRunning(call);
  }

  static int Register(const CommandCall& call) {
    call.camera.state.registers[call.a[0]] = static_cast<uint8_t>((call.a[1] << 4) | call.a[2]);
    return SIM_DONE;
  }

  static int Setting28(const CommandCall& call) {
    for (int i = 0; i < 4; ++i) call.camera.state.setting28[i] = call.a[i];
    return SIM_DONE;
  }
};

namespace {

using A = SimCommandActions;

struct CommandRow {
  uint8_t code = 0;  // byte after 01 04
  uint8_t argc = 0;  // bytes after the code
  ArgKind kind = ARG_RANGE;
  uint8_t lo = 0;
  uint8_t hi = 0;
  CommandAction run = nullptr;  // none: the command sets the byte or level below
  uint8_t S::*stateByte = nullptr;
  uint8_t P::*pictureByte = nullptr;
  Level level = {};
  Guard guard = GUARD_NONE;
  SimFeature feature = SIM_FEATURE_ANY;
  bool inStandby = false;  // carried out while the power is off

  constexpr CommandRow Runs(CommandAction action) const {
    CommandRow r = *this;
    r.run = action;
    return r;
  }
  constexpr CommandRow Sets(uint8_t S::*field) const {
    CommandRow r = *this;
    r.stateByte = field;
    return r;
  }
  constexpr CommandRow Sets(uint8_t P::*field) const {
    CommandRow r = *this;
    r.pictureByte = field;
    return r;
  }
  constexpr CommandRow Only(Guard g) const {
    CommandRow r = *this;
    r.guard = g;
    return r;
  }
  constexpr CommandRow Needs(SimFeature f) const {
    CommandRow r = *this;
    r.feature = f;
    return r;
  }
  constexpr CommandRow EvenInStandby() const {
    CommandRow r = *this;
    r.inStandby = true;
    return r;
  }
};

constexpr CommandRow Shape(uint8_t code, uint8_t argc, ArgKind kind, uint8_t lo = 0, uint8_t hi = 0) {
  CommandRow r;
  r.code = code;
  r.argc = argc;
  r.kind = kind;
  r.lo = lo;
  r.hi = hi;
  return r;
}

// One byte within lo..hi.
constexpr CommandRow Byte(uint8_t code, uint8_t lo, uint8_t hi) { return Shape(code, 1, ARG_RANGE, lo, hi); }

constexpr CommandRow Steps(uint8_t code, const Level& level) {
  CommandRow r = Shape(code, 1, ARG_STEP);
  r.level = level;
  return r;
}

constexpr CommandRow Direct(uint8_t code, const Level& level) {
  CommandRow r = Shape(code, 4, ARG_DIRECT);
  r.level = level;
  return r;
}

// clang-format off
constexpr CommandRow kCommands[] = {
    Byte(0x00, 0x02, 0x03).Runs(A::Power).EvenInStandby(),
    // IR-cut filter off (near-infrared) on/off, and its automatic switching
    Byte(0x01, 0x02, 0x03).Sets(&P::icrMode).Needs(SIM_FEATURE_NEAR_INFRARED),
    Byte(0x51, 0x02, 0x03).Sets(&S::autoIcr).Needs(SIM_FEATURE_NEAR_INFRARED),
    Steps(0x02, kAperture),
    Direct(0x42, kAperture),
    Steps(0x03, kRGain).Only(GUARD_WB_MANUAL),
    Direct(0x43, kRGain).Only(GUARD_WB_MANUAL),
    Steps(0x04, kBGain).Only(GUARD_WB_MANUAL),
    Direct(0x44, kBGain).Only(GUARD_WB_MANUAL),
    Byte(0x06, 0x02, 0x03).Runs(A::DigitalZoom).Needs(SIM_FEATURE_FULL_SET),
    Byte(0x36, 0x00, 0x01).Sets(&S::zoomMode),  // digital zoom combined / separate
    Shape(0x07, 1, ARG_DRIVE).Runs(A::ZoomDrive),
    Shape(0x47, 4, ARG_NIBBLES).Runs(A::ZoomDirect),
    Shape(0x08, 1, ARG_DRIVE).Runs(A::FocusDrive).Only(GUARD_FOCUS_MANUAL),
    Shape(0x48, 4, ARG_NIBBLES).Runs(A::FocusDirect).Only(GUARD_FOCUS_MANUAL),
    Byte(0x18, 0x01, 0x01).Runs(A::OnePushFocus).Only(GUARD_FOCUS_MANUAL),
    Shape(0x38, 1, ARG_FOCUS_MODE).Runs(A::FocusMode),
    Shape(0x39, 1, ARG_AE_MODE).Sets(&P::aeMode),
    Steps(0x0A, kShutter).Only(GUARD_AE_SHUTTER),
    Direct(0x4A, kShutter).Only(GUARD_AE_SHUTTER),
    Steps(0x0B, kIris).Only(GUARD_AE_IRIS),
    Direct(0x4B, kIris).Only(GUARD_AE_IRIS),
    Steps(0x0C, kGain).Only(GUARD_AE_MANUAL),
    Direct(0x4C, kGain).Only(GUARD_AE_MANUAL),
    Steps(0x0D, kBright).Only(GUARD_AE_BRIGHT).Needs(SIM_FEATURE_BRIGHT_MODE),
    Direct(0x4D, kBright).Only(GUARD_AE_BRIGHT).Needs(SIM_FEATURE_BRIGHT_MODE),
    Steps(0x0E, kExpComp).Only(GUARD_AE_AUTOMATIC),
    Direct(0x4E, kExpComp).Only(GUARD_AE_AUTOMATIC),
    Byte(0x3E, 0x02, 0x03).Sets(&P::expCompOn).Needs(SIM_FEATURE_FULL_SET),
    Byte(0x35, 0x00, 0x05).Sets(&P::wbMode),
    Byte(0x10, 0x05, 0x05).Runs(A::OnePushWhiteBalance).Only(GUARD_WB_ONE_PUSH),
    Byte(0x5B, 0x00, 0x04).Sets(&P::gamma),
    Byte(0x63, 0x00, 0x06).Sets(&P::pictureEffect),
    Byte(0x66, 0x02, 0x03).Sets(&P::pictureFlip),
    Byte(0x62, 0x02, 0x03).Sets(&S::freeze),
    Shape(0x3F, 2, ARG_MEMORY).Runs(A::Memory),  // presets
    Shape(0x24, 3, ARG_REGISTER).Runs(A::Register),
    Byte(0x2C, 0x04, 0x0F).Sets(&S::gainLimit),
    Byte(0x53, 0x00, 0x05).Sets(&S::noiseReduction),
    Byte(0x26, 0x00, 0x0F).Sets(&S::setting26),
    Shape(0x28, 4, ARG_NIBBLES).Runs(A::Setting28),
    Byte(0x74, 0x00, 0x7F).Sets(&S::setting74),
};
// clang-format on

const CommandRow* FindCommand(uint8_t code) {
  for (const CommandRow& row : kCommands) {
    if (row.code == code) return &row;
  }
  return nullptr;
}

// `presets`: the last memory number the camera keeps besides 0x7F.
bool ArgsFit(const CommandRow& s, const uint8_t* a, int presets) {
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
      return a[0] <= 0x02 && ((a[1] >= 1 && a[1] <= presets) || a[1] == 0x7F);
    case ARG_REGISTER:
      return a[0] <= 0x7F && a[1] <= 0x0F && a[2] <= 0x0F;
  }
  return false;
}

bool GuardHolds(Guard guard, const SimPicture& p) {
  switch (guard) {
    case GUARD_WB_MANUAL:
      return p.wbMode == 0x05;
    case GUARD_WB_ONE_PUSH:
      return p.wbMode == 0x03;
    case GUARD_FOCUS_MANUAL:
      return p.focusMode == 3;
    case GUARD_AE_MANUAL:
      return p.aeMode == 0x03;
    case GUARD_AE_SHUTTER:
      return p.aeMode == 0x03 || p.aeMode == 0x0A;
    case GUARD_AE_IRIS:
      return p.aeMode == 0x03 || p.aeMode == 0x0B;
    case GUARD_AE_BRIGHT:
      return p.aeMode == 0x0D;
    case GUARD_AE_AUTOMATIC:
      return p.aeMode == 0x00 || p.aeMode == 0x0A || p.aeMode == 0x0B;
    case GUARD_NONE:
      return true;
  }
  return true;
}

// A row without an action sets its byte, or steps or sets its level.
int Store(const CommandRow& row, const uint8_t* a, SimCameraState* state) {
  SimPicture& p = state->picture;
  if (row.stateByte != nullptr) state->*row.stateByte = a[0];
  if (row.pictureByte != nullptr) p.*row.pictureByte = a[0];
  if (row.level.field == nullptr) return SIM_DONE;
  uint16_t* value = &(p.*row.level.field);
  if (row.kind == ARG_DIRECT) {
    *value = Clamp(DirectValue(a), 0, row.level.top);
  } else {
    StepValue(value, a[0], row.level.reset, 0, row.level.top);
  }
  return SIM_DONE;
}

}  // namespace

bool SimCamera::CommandKnown(const uint8_t* c, int m) const {
  if (m == 2 && c[0] == 0x00 && c[1] == 0x01) return true;  // interface clear
  if (m >= 2 && c[0] == 0x06) return HeadCommandKnown(c, m);
  if (m < 2 || c[0] != 0x04) return false;
  const CommandRow* row = FindCommand(c[1]);
  if (row == nullptr || m != 2 + row->argc || !ArgsFit(*row, c + 2, PresetsKept()) || !Offers(row->feature))
    return false;
  return c[1] != 0x39 || c[2] != 0x0D || HasBrightMode();  // the Bright exposure mode itself
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

// c has passed CommandKnown.
int SimCamera::Execute(const uint8_t* c, uint64_t t, int socket, SimCameraSink* sink, uint64_t* doneUs) {
  if (c[0] == 0x00) return SIM_DONE;  // interface clear
  if (c[0] == 0x06) return ExecuteHead(c, t, socket, sink, doneUs);
  const CommandRow* row = FindCommand(c[1]);
  if (row == nullptr) return SIM_SYNTAX;
  if (!row->inStandby && (state.power != 2 || powerPending)) return SIM_NOT_EXECUTABLE;
  if (!GuardHolds(row->guard, state.picture)) return SIM_NOT_EXECUTABLE;
  if (row->run == nullptr) return Store(*row, c + 2, &state);
  return row->run(CommandCall{*this, c + 2, t, socket, sink, doneUs});
}
