// The pad's hold-to-move rules: keypad keys and pad buttons in, the exact
// drives, stops and Homes out. Camera 0 pans at most 0x18 (24) and tilts at
// most 0x14 (20); the slider stands at 12, half of 24, so tilt goes at 10.
#include "panel/pad_drive.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

// k/K keypad key (VK_NUMPAD1 0x61 .. VK_NUMPAD9 0x69) down/up, b/B pad button
// down/up, s/S Shift down/up, c the selection moves to camera 1, r release all.
struct Event {
  char kind;
  int arg;
};

struct Case {
  const char* name;
  bool panTilt;
  std::vector<Event> events;
  const char* calls;  // "drive camera pan tilt;" and "home camera;" in order
};

void KeepDrive(void* log, int32_t camera, int32_t pan, int32_t tilt) {
  *static_cast<std::string*>(log) +=
      "drive " + std::to_string(camera) + " " + std::to_string(pan) + " " + std::to_string(tilt) + ";";
}
void KeepHome(void* log, int32_t camera) { *static_cast<std::string*>(log) += "home " + std::to_string(camera) + ";"; }

const Case kCases[] = {
    {"up at the slider's speed, repeat sends nothing, release stops",
     true,
     {{'k', 0x68}, {'k', 0x68}, {'K', 0x68}},
     "drive 0 0 10;drive 0 0 0;"},
    {"down, left, right",
     true,
     {{'k', 0x62}, {'K', 0x62}, {'k', 0x64}, {'K', 0x64}, {'k', 0x66}, {'K', 0x66}},
     "drive 0 0 -10;drive 0 0 0;drive 0 -12 0;drive 0 0 0;drive 0 12 0;drive 0 0 0;"},
    {"diagonal keys",
     true,
     {{'k', 0x67}, {'K', 0x67}, {'k', 0x69}, {'K', 0x69}, {'k', 0x61}, {'K', 0x61}, {'k', 0x63}},
     "drive 0 -12 10;drive 0 0 0;drive 0 12 10;drive 0 0 0;drive 0 -12 -10;drive 0 0 0;drive 0 12 -10;"},
    {"two keys make their diagonal",
     true,
     {{'k', 0x68}, {'k', 0x64}, {'K', 0x68}, {'K', 0x64}},
     "drive 0 0 10;drive 0 -12 10;drive 0 -12 0;drive 0 0 0;"},
    {"left and right cancel",
     true,
     {{'k', 0x64}, {'k', 0x66}, {'K', 0x64}, {'K', 0x66}},
     "drive 0 -12 0;drive 0 0 0;drive 0 12 0;drive 0 0 0;"},
    {"Shift drives at the maximum, also mid-drive",
     true,
     {{'s', 0}, {'k', 0x62}, {'S', 0}, {'K', 0x62}, {'k', 0x66}, {'s', 0}},
     "drive 0 0 -20;drive 0 0 -10;drive 0 0 0;drive 0 12 0;drive 0 24 0;"},
    {"a button and a key hold apart",
     true,
     {{'b', PAD_UP}, {'k', 0x68}, {'K', 0x68}, {'B', PAD_UP}, {'B', PAD_UP}},
     "drive 0 0 10;drive 0 0 0;"},
    {"release all stops the camera that was driven",
     true,
     {{'b', PAD_RIGHT}, {'c', 1}, {'r', 0}, {'B', PAD_RIGHT}},
     "drive 0 12 0;drive 0 0 0;"},
    {"keypad 5 is Home once, not while driving",
     true,
     {{'k', 0x65}, {'k', 0x65}, {'K', 0x65}, {'k', 0x68}, {'k', 0x65}, {'r', 0}, {'b', PAD_HOME}},
     "home 0;drive 0 0 10;drive 0 0 0;home 0;"},
    {"other keys are no pad keys", true, {{'k', 0x60}, {'k', '8'}, {'k', 0x6A}}, ""},
    {"a camera without pan/tilt", false, {{'k', 0x65}, {'k', 0x68}, {'b', PAD_LEFT}, {'K', 0x68}, {'r', 0}}, ""},
};

void Play(PadMachine& m, const PadCalls& calls, PadContext& at, const Event& e) {
  const bool key = e.kind == 'k' || e.kind == 'K', down = e.kind == 'k' || e.kind == 'b';
  const int heading = key ? PadHeadingOfKey(e.arg) : e.arg;
  switch (e.kind) {
    case 'c':
      at.camera = e.arg;
      break;
    case 's':
    case 'S':
      at.shift = e.kind == 's';
      PadRefresh(m, calls, at);
      break;
    case 'r':
      PadReleaseAll(m, calls);
      break;
    default:
      if (heading != kNoHeading)
        PadHold(m, calls, at, key ? PAD_FROM_KEY : PAD_FROM_BUTTON, static_cast<PadHeading>(heading), down);
  }
}

TEST(PadDrive, EventsMakeTheExactDrives) {
  for (const Case& t : kCases) {
    std::string log;
    const PadCalls calls = {&log, KeepDrive, KeepHome};
    PadContext at = {0, t.panTilt, 0x18, 0x14, 12, false};
    PadMachine m;
    for (const Event& e : t.events) Play(m, calls, at, e);
    EXPECT_EQ(t.calls, log) << t.name;
  }
}

}  // namespace
