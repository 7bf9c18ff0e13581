// The soak body: the engine on its worker thread and the real clock, four
// virtual cameras on three pseudo-terminal lines, random faults, a busy
// operator, and a summary of what happened, one `name: value` per line.
#pragma once

#include <cstdint>

struct SoakOptions {
  uint32_t durationS = 60;
  uint32_t seed = 0;
};

// 0 when every requirement held, 1 when one failed, 2 when the soak could
// not be set up.
int RunSoak(const SoakOptions& options);
