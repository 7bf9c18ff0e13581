#include "command/named_commands.h"

#include "command/command_numbers.h"
#include "command/command_puts.h"
#include "requests/request_codes.h"
#include "requests/zoom_scale.h"

#include <climits>
#include <cstdio>
#include <cstring>

namespace {

constexpr int32_t kMostPuts = 6;
constexpr size_t kOptionChars = 16;
constexpr size_t kWhatChars = 48;
// The focus slider's range.
constexpr int32_t kFocusSliderMin = 1;
constexpr int32_t kFocusSliderMax = 99;

// A row whose slider is not NO_SLIDER takes that slider's position as its
// option, and puts it as the first request's argument.
enum Slider { NO_SLIDER, ZOOM_SLIDER, FOCUS_SLIDER };

struct NamedCommand {
  const char* word;
  const char* option;  // the word after it; "" for none
  Slider slider;
  CommandRequest puts[kMostPuts];  // in order; ends at code 0
};

// The panel's clicks: a check box puts its state, "Iris" on its four
// requests, every recall and white balance request goes twice, and "LED" is
// manual white balance with its blue, then red gain.
// clang-format off
const NamedCommand kNamed[] = {
    {"zoom", "", ZOOM_SLIDER, {{REQ_ZOOM_DIRECT, 0}}},
    {"focus", "auto", NO_SLIDER, {{REQ_FOCUS_AUTO, 1}}},
    {"focus", "manual", NO_SLIDER, {{REQ_FOCUS_AUTO, 0}}},
    {"focus", "", FOCUS_SLIDER, {{REQ_FOCUS_DIRECT, 0}}},
    {"freeze", "on", NO_SLIDER, {{REQ_FREEZE, 1}}},
    {"freeze", "off", NO_SLIDER, {{REQ_FREEZE, 0}}},
    {"power", "on", NO_SLIDER, {{REQ_POWER, 1}}},
    {"power", "off", NO_SLIDER, {{REQ_POWER, 0}}},
    {"auto", "exposure", NO_SLIDER, {{REQ_AE_AUTO, 1}}},
    {"iris", "", NO_SLIDER, {{REQ_AE_MANUAL, 1}, {REQ_GAIN_DEFAULT, 1}, {REQ_SHUTTER_RESET, 1}, {REQ_AE_MANUAL, 1}}},
    {"wb", "cold", NO_SLIDER, {{REQ_WB_COLD, 0}, {REQ_WB_COLD, 0}}},
    {"wb", "warm", NO_SLIDER, {{REQ_WB_WARM, 0}, {REQ_WB_WARM, 0}}},
    {"wb", "led", NO_SLIDER, {{REQ_WB_LED, 0}, {REQ_WB_LED, 0}, {REQ_B_GAIN_LED, 0}, {REQ_B_GAIN_LED, 0},
                              {REQ_R_GAIN_LED, 0}, {REQ_R_GAIN_LED, 0}}},
    {"wb", "auto", NO_SLIDER, {{REQ_WB_AUTO, 0}, {REQ_WB_AUTO, 0}}},
    {"wb", "manual", NO_SLIDER, {{REQ_WB_MANUAL, 0}, {REQ_WB_MANUAL, 0}}},
    {"wb", "one-push", NO_SLIDER, {{REQ_WB_ONE_PUSH, 0}, {REQ_WB_ONE_PUSH, 0}, {REQ_WB_ONE_PUSH_TRIGGER, 0},
                                   {REQ_WB_ONE_PUSH_TRIGGER, 0}}},
};
// clang-format on

struct Usage {
  const char* word;
  const char* text;
};
const Usage kUsages[] = {
    {"zoom", "zoom needs the zoom slider's position"},
    {"focus", "focus needs auto, manual or the focus slider's position 1..99"},
    {"freeze", "freeze needs on or off"},
    {"power", "power needs on or off"},
    {"auto", "auto needs exposure"},
    {"iris", "iris takes no arguments"},
    {"wb", "wb needs cold, warm, led, auto, manual or one-push"},
};

CommandOutcome SayUsage(CommandCall& call, const char* word, const char* arg) {
  for (const Usage& u : kUsages)
    if (strcmp(u.word, word) == 0) return Refused(call, "%s: %s", u.text, arg);
  return Refused(call, "unknown command: %s", word);
}

// The one word of `arg` ("" for none); false for more words or a longer one.
bool OneWord(const char* arg, char (&out)[kOptionChars]) {
  const size_t n = strcspn(arg, " \t");
  if (n >= sizeof out || arg[n + strspn(arg + n, " \t")] != 0) return false;
  memcpy(out, arg, n);
  out[n] = 0;
  return true;
}

// The row for `word` and its option: a slider's row takes any number.
const NamedCommand* Find(const char* word, const char* option) {
  long long number;
  for (const NamedCommand& n : kNamed) {
    if (strcmp(n.word, word) != 0) continue;
    const bool slider = n.slider != NO_SLIDER;
    if (slider ? ParseCommandInteger(option, LLONG_MIN, LLONG_MAX, &number) : strcmp(n.option, option) == 0) return &n;
  }
  return nullptr;
}

// The slider's range for camera `index`.
void RangeOf(const CommandHost& host, int32_t index, Slider slider, int32_t* lo, int32_t* hi) {
  CameraSnapshot r = {};
  EngineCamera(host.controller, index, &r);
  *lo = slider == ZOOM_SLIDER ? 0 : kFocusSliderMin;
  *hi = slider == ZOOM_SLIDER ? ZoomSliderMax(ZoomTableOfModel(r.modelCode)) : kFocusSliderMax;
}

}  // namespace

CommandOutcome RunNamed(CommandCall& call, const char* word, const char* arg) {
  char option[kOptionChars];
  const NamedCommand* n = OneWord(arg, option) ? Find(word, option) : nullptr;
  if (!n) return SayUsage(call, word, arg);
  if (!HaveCamera(call)) return COMMAND_ERROR;
  CommandRequest puts[kMostPuts];
  int32_t count = 0;
  while (count < kMostPuts && n->puts[count].code != 0) puts[count] = n->puts[count], count++;
  char what[kWhatChars];
  snprintf(what, sizeof what, "%s%s%s", word, option[0] ? " " : "", option);
  if (n->slider != NO_SLIDER) {
    int32_t lo, hi;
    long long position = 0;
    RangeOf(call.host, call.session->selected, n->slider, &lo, &hi);
    if (!ParseCommandInteger(option, lo, hi, &position))
      return Refused(call, "%s: the slider runs %d..%d", what, static_cast<int>(lo), static_cast<int>(hi));
    puts[0].a = static_cast<int32_t>(position);
    snprintf(what, sizeof what, "%s %d", word, static_cast<int>(position));
  }
  if (!PutInOrder(call, puts, count, what)) return COMMAND_ERROR;
  return Done(call, "%s put", what);
}
