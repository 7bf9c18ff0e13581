// The panel's buttons that are no request by name: a Recall button, and a
// camera's tally lamp (no button of the panel; a raw packet for any camera).
#pragma once

#include "command/command_call.h"

// recall N: as the Recall button N of the selected camera.
CommandOutcome RunRecall(CommandCall& call, const char* word, const char* arg);
// tally N on|off: camera N's tally lamp, whatever is selected.
CommandOutcome RunTally(CommandCall& call, const char* word, const char* arg);
