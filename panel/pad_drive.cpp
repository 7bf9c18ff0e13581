#include "panel/pad_drive.h"

#include "requests/pan_tilt.h"

namespace {

// Windows' VK_NUMPAD1; the keypad's keys 1..9 follow it.
constexpr int kKeypadOne = 0x61;

// Keypad 1..9, bottom row first, as places of the pad.
const PadHeading kHeadingOfKeypad[] = {PAD_DOWN_LEFT, PAD_DOWN,    PAD_DOWN_RIGHT, PAD_LEFT,    PAD_HOME,
                                       PAD_RIGHT,     PAD_UP_LEFT, PAD_UP,         PAD_UP_RIGHT};

uint32_t BitOf(PadSource source, PadHeading heading) {
  return 1u << (static_cast<int>(source) * PAD_HEADINGS + static_cast<int>(heading));
}

bool Holds(uint32_t held, PadHeading heading) {
  return (held & (BitOf(PAD_FROM_KEY, heading) | BitOf(PAD_FROM_BUTTON, heading))) != 0;
}

// Each held heading pulls its way; opposite ways cancel to standing.
void WantedSigns(uint32_t held, int32_t* pan, int32_t* tilt) {
  int32_t left = 0, right = 0, up = 0, down = 0;
  for (int h = 0; h < PAD_HEADINGS; h++) {
    if (!Holds(held, static_cast<PadHeading>(h))) continue;
    const int column = h % 3, row = h / 3;  // Home, the centre, pulls nowhere
    left |= column == 0;
    right |= column == 2;
    up |= row == 0;
    down |= row == 2;
  }
  *pan = right - left;
  *tilt = up - down;
}

void Stop(PadMachine& m, const PadCalls& out) {
  if (m.drivenCamera < 0) return;
  out.drive(out.context, m.drivenCamera, 0, 0);
  m.drivenCamera = -1;
}

// Sends the drive the held headings make now, when it differs from the one sent.
void Apply(PadMachine& m, const PadCalls& out, const PadContext& at) {
  int32_t panSign = 0, tiltSign = 0;
  WantedSigns(m.held, &panSign, &tiltSign);
  if (!at.panTilt || (panSign == 0 && tiltSign == 0)) {
    Stop(m, out);
    return;
  }
  const int32_t max = PadSpeedMax(at.panMax);
  const int32_t speed = at.shift ? max : ClampSpeed(at.sliderSpeed < 1 ? 1 : at.sliderSpeed, max);
  const int32_t pan = panSign * speed;
  const int32_t tilt = tiltSign * ScaledTiltSpeed(speed, max, at.tiltMax);
  if (m.drivenCamera == at.camera && m.pan == pan && m.tilt == tilt) return;
  out.drive(out.context, at.camera, pan, tilt);
  m.drivenCamera = at.camera;
  m.pan = pan;
  m.tilt = tilt;
}

}  // namespace

int PadHeadingOfKey(int virtualKey) {
  const int k = virtualKey - kKeypadOne;
  return k >= 0 && k < PAD_HEADINGS ? kHeadingOfKeypad[k] : kNoHeading;
}

int32_t PadSpeedMax(int32_t panMax) { return panMax >= 1 && panMax <= kHighestSpeed ? panMax : kDefaultPanMaxSpeed; }

void PadHold(PadMachine& m, const PadCalls& out, const PadContext& at, PadSource source, PadHeading heading,
             bool down) {
  const uint32_t bit = BitOf(source, heading);
  if (!down) {
    m.held &= ~bit;
    Apply(m, out, at);
    return;
  }
  // A camera the pad cannot move keeps nothing. A repeated key-down finds
  // itself held: no Home again, and the drive it makes is the one sent.
  if (!at.panTilt) return;
  const bool standing = m.held == 0;
  m.held |= bit;
  if (heading != PAD_HOME)
    Apply(m, out, at);
  else if (standing)
    out.home(out.context, at.camera);
}

void PadRefresh(PadMachine& m, const PadCalls& out, const PadContext& at) { Apply(m, out, at); }

void PadReleaseAll(PadMachine& m, const PadCalls& out) {
  m.held = 0;
  Stop(m, out);
}
