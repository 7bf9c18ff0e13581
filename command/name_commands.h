// The names of the selected camera and of its presets, kept by the host's
// names store: `name camera TEXT`, `name preset N TEXT` (an empty TEXT
// removes the name) and `presets` (the count, then "N NAME" a line).
#pragma once

#include "command/command_call.h"

CommandOutcome RunName(CommandCall& call, const char* word, const char* arg);
CommandOutcome RunPresets(CommandCall& call, const char* word, const char* arg);
