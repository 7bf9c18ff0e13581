// A busy operator on the panel's thread: several requests a second for the
// selected camera (now and then another one), bursts of slider moves, values
// the camera already has, camera indices past the list, clicks in the camera
// list, and now and then a burst that fills the request queue.
#pragma once

#include "engine/orvalix_engine.h"
#include "tools/src/soak/soak_checker.h"

#include <cstdint>
#include <mutex>
#include <random>

class SoakOperator {
 public:
  SoakOperator(CameraController* c, SoakChecker* checker, std::mutex* checkerLock, uint32_t seed);

  void Step(uint32_t now);
  // A click in the camera list, as the panel makes it.
  void Select(int32_t index);
  // Puts a request and tells the checker; false when the queue refused it.
  // A refusal counts as a dropped request unless `retry` says it will be put again.
  bool Put(uint32_t camera, uint32_t code, int32_t a, uint32_t now, bool retry = false);

 private:
  uint32_t Between(uint32_t low, uint32_t high);
  int32_t TargetCamera();
  void Act(uint32_t now);
  void SliderBurst(uint32_t now);
  void Flood(uint32_t now);

  CameraController* c;
  SoakChecker* checker;
  std::mutex* checkerLock;
  std::mt19937 random;
  int32_t selected = 0;
  int32_t lastSharpness[SoakChecker::kMaxCameras] = {};
  int32_t lastRGain[SoakChecker::kMaxCameras] = {};
  int32_t zoomStep[SoakChecker::kMaxCameras] = {};  // the zoom slider's last position / 10
  int32_t frozen[SoakChecker::kMaxCameras] = {};
  int32_t focusAuto[SoakChecker::kMaxCameras] = {};
  uint32_t nextActMs = 0;
  uint32_t nextFloodMs = 0;
  bool started = false;
};
