#include "sim/sim_timing.h"

SimTiming SimFastTiming() {
  SimTiming t;
  t.frameUs = 1000;
  t.zoomSweepMs = 200;
  t.focusSweepMs = 200;
  t.powerOnMs = 20;
  t.powerOffMs = 10;
  t.onePushMs = 5;
  t.panTiltSweepMs = 200;
  t.pacing = false;
  return t;
}

SimTiming SimRealisticTiming(bool hz50) {
  SimTiming t;
  t.frameUs = hz50 ? 20000 : 16683;  // 1 / 59.94 Hz
  t.zoomSweepMs = 3000;
  t.focusSweepMs = 2500;
  t.powerOnMs = 3000;
  t.powerOffMs = 1000;
  t.onePushMs = 300;
  t.panTiltSweepMs = 2000;
  t.pacing = false;
  return t;
}
