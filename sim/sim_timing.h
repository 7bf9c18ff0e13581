// How fast the virtual cameras react. The fast profile keeps tests quick; the
// realistic one follows what VISCA block cameras document: one packet handled
// per video frame, finite zoom and focus speeds, a power-on of a few seconds.
#pragma once

#include <cstdint>

struct SimTiming {
  uint32_t frameUs;       // a camera handles one packet per frame; replies leave at the next frame
  uint32_t zoomSweepMs;   // zoom from 0 to 0x4000
  uint32_t focusSweepMs;  // focus across the model's whole range
  uint32_t powerOnMs;
  uint32_t powerOffMs;
  uint32_t onePushMs;  // one-push white balance measurement
  // A pan/tilt head at its maximum speeds: pan from limit to limit, and tilt
  // across its whole range, each in this time.
  uint32_t panTiltSweepMs;
  bool pacing;  // each byte takes 10 bits at 38400 baud, in both directions
};

// Replies about 1 ms after a packet; a full zoom sweep, and a full pan sweep
// at maximum speed, in 200 ms.
SimTiming SimFastTiming();
// Frames at 59.94 Hz (16.7 ms) or, with hz50, at 50 Hz (20 ms); a full zoom
// sweep in 3 s, a full pan sweep at maximum speed in 2 s, power-on in 3 s.
SimTiming SimRealisticTiming(bool hz50 = false);
