#include "sim/sim_faults.h"

bool SimFaults::AddError(const uint8_t* bytes, int length, uint8_t errorCode, int32_t times) {
  if (length < 1 || length > static_cast<int>(sizeof(errors[0].match))) return false;
  for (SimErrorRule& rule : errors) {
    if (rule.matchLength != 0) continue;
    for (int i = 0; i < length; ++i) rule.match[i] = bytes[i];
    rule.matchLength = length;
    rule.code = errorCode;
    rule.count = times;
    return true;
  }
  return false;
}
