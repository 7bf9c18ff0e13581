#include "command/preset_number_commands.h"

#include "command/command_numbers.h"
#include "command/command_puts.h"
#include "requests/preset_numbers.h"
#include "requests/request_codes.h"

#include <cstdio>

namespace {

constexpr size_t kWhatChars = 32;

// The preset number of `arg` for the selected camera; false, with the
// camera's range written, for anything else.
bool PresetNumber(CommandCall& call, const char* arg, int32_t* n) {
  if (!HaveCamera(call)) return false;
  CameraSnapshot r = {};
  EngineCamera(call.host.controller, call.session->selected, &r);
  const bool panTilt = r.panTilt == 1;
  long long number;
  if (ParseCommandInteger(arg, kLowestPreset, PresetLimit(panTilt), &number)) {
    *n = static_cast<int32_t>(number);
    return true;
  }
  RefusePresetNumber(call, panTilt);
  return false;
}

CommandOutcome Put(CommandCall& call, const CommandRequest* requests, int32_t count, const char* word, int32_t n) {
  char what[kWhatChars];
  snprintf(what, sizeof what, "%s %d", word, static_cast<int>(n));
  if (!PutInOrder(call, requests, count, what)) return COMMAND_ERROR;
  return Done(call, "%s put", what);
}

}  // namespace

void RefusePresetNumber(CommandCall& call, bool panTilt) {
  Refused(call, "camera %d keeps presets %d to %d", static_cast<int>(call.session->selected + 1),
          static_cast<int>(kLowestPreset), static_cast<int>(PresetLimit(panTilt)));
}

CommandOutcome RunRecall(CommandCall& call, const char* word, const char* arg) {
  int32_t n;
  if (!PresetNumber(call, arg, &n)) return COMMAND_ERROR;
  // Presets beyond the buttons have no button to check: the host is not told.
  const bool button = n <= kRecallButtons;
  if (button && call.host.recall) call.host.recall(call.host.context, call.session->selected, n);
  // A click on a Recall button puts its request twice; a recall by number goes the same way.
  const CommandRequest request = button ? CommandRequest{REQ_PRESET_RECALL_1 + static_cast<uint32_t>(n - 1), 0}
                                        : CommandRequest{REQ_PRESET_RECALL, n};
  const CommandRequest twice[] = {request, request};
  return Put(call, twice, 2, word, n);
}

CommandOutcome RunStore(CommandCall& call, const char* word, const char* arg) {
  int32_t n;
  if (!PresetNumber(call, arg, &n)) return COMMAND_ERROR;
  const CommandRequest store = {REQ_PRESET_STORE, n};
  return Put(call, &store, 1, word, n);
}
