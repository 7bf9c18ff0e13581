// The pad's hold-to-move rules: keypad keys and pad buttons in, the exact
// drives, stops and Homes out. Camera 0 pans at most 0x18 (24) and tilts at
// most 0x14 (20); the slider stands at 12, half of 24, so tilt goes at 10.
#include "panel/pad_drive.h"

#include <gtest/gtest.h>

#include <cctype>
#include <cstring>
#include <string>

namespace {

void KeepDrive(void* log, int32_t camera, int32_t pan, int32_t tilt) {
  *static_cast<std::string*>(log) +=
      "drive " + std::to_string(camera) + " " + std::to_string(pan) + " " + std::to_string(tilt) + ";";
}
void KeepHome(void* log, int32_t camera) { *static_cast<std::string*>(log) += "home " + std::to_string(camera) + ";"; }

// Events of two letters, a space between: kN/KN keypad key N (VK_NUMPAD0 +
// N) down/up, bN/BN the pad button in keypad N's place down/up, dN the digit
// key N above the letters, s-/S- Shift down/up, c- the selection moves to
// camera 1, r- everything let go.
std::string Play(bool panTilt, const char* events) {
  std::string log;
  const PadCalls calls = {&log, KeepDrive, KeepHome};
  PadContext at = {0, panTilt, 0x18, 0x14, 12, false};
  PadMachine m;
  for (const char* e = events; e[0] && e[1]; e += e[2] ? 3 : 2) {
    if (e[0] == 'c') at.camera = 1;
    if (e[0] == 's' || e[0] == 'S') at.shift = e[0] == 's', PadRefresh(m, calls, at);
    if (e[0] == 'r') PadReleaseAll(m, calls);
    const int heading = PadHeadingOfKey((e[0] == 'd' ? '0' : 0x60) + e[1] - '0');
    if (!strchr("kKbBd", e[0]) || heading == kNoHeading) continue;
    PadHold(m, calls, at, strchr("kKd", e[0]) ? PAD_FROM_KEY : PAD_FROM_BUTTON, static_cast<PadHeading>(heading),
            islower(e[0]) != 0);
  }
  return log;
}

TEST(PadDrive, EventsMakeTheExactDrives) {
  const struct {
    bool panTilt;
    const char *events, *calls;
  } kCases[] = {
      // Up at the slider's speed; a repeated key-down sends nothing; letting go stops.
      {true, "k8 k8 K8", "drive 0 0 10;drive 0 0 0;"},
      {true, "k2 K2 k4 K4 k6 K6", "drive 0 0 -10;drive 0 0 0;drive 0 -12 0;drive 0 0 0;drive 0 12 0;drive 0 0 0;"},
      {true, "k7 K7 k9 K9 k1 K1 k3",
       "drive 0 -12 10;drive 0 0 0;drive 0 12 10;drive 0 0 0;drive 0 -12 -10;drive 0 0 0;drive 0 12 -10;"},
      // Two keys make their diagonal; left and right cancel.
      {true, "k8 k4 K8 K4", "drive 0 0 10;drive 0 -12 10;drive 0 -12 0;drive 0 0 0;"},
      {true, "k4 k6 K4 K6", "drive 0 -12 0;drive 0 0 0;drive 0 12 0;drive 0 0 0;"},
      // Shift: the maximum, also when it goes down or up mid-drive.
      {true, "s- k2 S- K2 k6 s-", "drive 0 0 -20;drive 0 0 -10;drive 0 0 0;drive 0 12 0;drive 0 24 0;"},
      // A button and a key hold apart.
      {true, "b8 k8 K8 k4 B8 K4 B8", "drive 0 0 10;drive 0 -12 10;drive 0 -12 0;drive 0 0 0;"},
      // Letting go of everything stops the camera that was driven.
      {true, "b6 c- r- B6", "drive 0 12 0;drive 0 0 0;"},
      // Home once per press, not while a direction is held.
      {true, "k5 k5 K5 k8 k5 r- b5", "home 0;drive 0 0 10;drive 0 0 0;home 0;"},
      {true, "k0 k: d8 d5", ""},  // "k:" is VK_MULTIPLY
      {false, "k5 k8 b4 K8 r-", ""},
  };
  for (const auto& t : kCases) EXPECT_EQ(t.calls, Play(t.panTilt, t.events)) << t.events;
}

}  // namespace
