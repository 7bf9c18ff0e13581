// The pad's hold-to-move rules, apart from any window: which directions are
// held (keypad keys and pad buttons alike), what drive that makes, and the
// one drive or stop each change of it sends.
#pragma once

#include <cstdint>

// The pad's nine places in reading order, as the keypad lays them out.
enum PadHeading {
  PAD_UP_LEFT,
  PAD_UP,
  PAD_UP_RIGHT,
  PAD_LEFT,
  PAD_HOME,
  PAD_RIGHT,
  PAD_DOWN_LEFT,
  PAD_DOWN,
  PAD_DOWN_RIGHT,
  PAD_HEADINGS
};
constexpr int kNoHeading = -1;

// What holds a heading; a key and a button of the same heading are held apart.
enum PadSource { PAD_FROM_KEY, PAD_FROM_BUTTON };

// The heading of keypad key `virtualKey` (VK_NUMPAD1..VK_NUMPAD9 as Windows
// reports them with NumLock on), kNoHeading for any other key.
int PadHeadingOfKey(int virtualKey);
// The Speed slider's top: the camera's maximum pan speed, or the usual one
// while it gives none that fits a speed byte.
int32_t PadSpeedMax(int32_t panMax);

// Where the movements go. The window sends them to the engine; a test keeps them.
struct PadCalls {
  void* context;
  void (*drive)(void* context, int32_t camera, int32_t panSpeed, int32_t tiltSpeed);
  void (*home)(void* context, int32_t camera);
};

// What the window reads as each event comes: the pad's camera, whether it
// pans and tilts and its maxima, the Speed slider and Shift.
struct PadContext {
  int32_t camera;
  bool panTilt;
  int32_t panMax, tiltMax;
  int32_t sliderSpeed;
  bool shift;
};

struct PadMachine {
  uint32_t held = 0;          // one bit per source and heading
  int32_t drivenCamera = -1;  // the camera moving by the pad's drive, -1 none
  int32_t pan = 0, tilt = 0;  // the speeds it was last driven at
};

// A heading pressed (down) or let go. A press on a camera without pan/tilt
// is not kept. Home goes out on its press while nothing else is held.
void PadHold(PadMachine& m, const PadCalls& out, const PadContext& at, PadSource source, PadHeading heading, bool down);
// Shift or the slider changed: the held drive follows.
void PadRefresh(PadMachine& m, const PadCalls& out, const PadContext& at);
// Everything let go; the camera that was driven gets its stop.
void PadReleaseAll(PadMachine& m, const PadCalls& out);
