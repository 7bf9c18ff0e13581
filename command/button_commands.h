// A camera's tally lamp: no button of the panel, a raw packet for any camera.
#pragma once

#include "command/command_call.h"

// tally N on|off: camera N's tally lamp, whatever is selected.
CommandOutcome RunTally(CommandCall& call, const char* word, const char* arg);
