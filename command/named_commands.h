// The operator's requests by name ("zoom 50", "focus auto", "wb led"): each
// puts exactly the requests the panel's control puts for that action.
#pragma once

#include "command/command_call.h"

// `word` is one of zoom, focus, freeze, power, auto, iris and wb.
CommandOutcome RunNamed(CommandCall& call, const char* word, const char* arg);
