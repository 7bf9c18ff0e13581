// Pan/tilt heads of the virtual cameras: the models that have one, their
// maximum speeds and position answer form, and one axis running at a
// constant speed toward a target.
#pragma once

#include <cstdint>

struct SimHeadModel {
  uint8_t code;
  uint8_t panMax;  // speed bytes the camera takes: 1..panMax, 1..tiltMax
  uint8_t tiltMax;
  int panNibbles;  // of the position answer: 4 (signed 16-bit) or 5 (signed 20-bit)
  bool fullSet;    // false: refuses the maximum-speed inquiry and some block-camera packets
};

// The head of a model; null for a camera without one.
const SimHeadModel* FindHeadModel(uint8_t modelCode);

// One axis moving from `from` to `to` between startUs and endUs.
struct SimAxisRun {
  bool active = false;
  int32_t from = 0;
  int32_t to = 0;
  uint64_t startUs = 0;
  uint64_t endUs = 0;

  int32_t At(uint64_t timeUs) const;
};
