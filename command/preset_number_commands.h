// Presets by number for the selected camera: `recall N` as a Recall button
// (any number the camera keeps beyond the five buttons), and `store N`.
#pragma once

#include "command/command_call.h"

// Refuses with the selected camera's range ("camera N keeps presets 1 to M").
void RefusePresetNumber(CommandCall& call, bool panTilt);
// recall N: for 1..5 the Recall button N; beyond, the recall of preset N, twice as a button's.
CommandOutcome RunRecall(CommandCall& call, const char* word, const char* arg);
// store N: the camera's present picture as preset N.
CommandOutcome RunStore(CommandCall& call, const char* word, const char* arg);
