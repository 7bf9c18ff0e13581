#include "tools/src/soak/soak_operator.h"

#include "cli/cli_panel.h"
#include "panel/slider_controls.h"
#include "requests/request_codes.h"

namespace {

// A busy operator: an action every 150..1200 ms, a queue-filling burst every
// 40..90 s (more than the queue holds, all at one zoom position, so the
// cameras work it off quickly). A zoom slider moves at most this many steps
// of 10 from where it was let go last.
constexpr uint32_t kActMinMs = 150, kActMaxMs = 1200;
constexpr int32_t kZoomReach = 4;
constexpr uint32_t kFloodMinMs = 40000, kFloodMaxMs = 90000;
constexpr int kFloodPuts = 300;
constexpr uint32_t kSliderBurstMin = 3, kSliderBurstMax = 8;
constexpr uint32_t kSharpnessMax = 15;
constexpr uint32_t kGainMax = 255;

}  // namespace

SoakOperator::SoakOperator(CameraController* controller, SoakChecker* check, std::mutex* lock, uint32_t seed)
    : c(controller), checker(check), checkerLock(lock), random(seed) {}

uint32_t SoakOperator::Between(uint32_t low, uint32_t high) {
  return std::uniform_int_distribution<uint32_t>(low, high)(random);
}

bool SoakOperator::Put(uint32_t camera, uint32_t code, int32_t a, uint32_t now, bool retry) {
  std::lock_guard<std::mutex> guard(*checkerLock);
  bool inRange = checker->Expect(camera, code, a, now);
  bool stored = EnginePut(c, camera, code, static_cast<uint32_t>(a), 0);
  if (!stored && retry) {
    checker->Withdraw(camera);
  } else if (inRange && !stored) {
    checker->QueueRefused(camera);
  }
  return stored;
}

void SoakOperator::Select(int32_t index) {
  CameraSnapshot r;
  if (!EngineCamera(c, index, &r)) return;
  CliPanelOf(c)->SetExposureChecks(r.aeMode);
  EngineSelect(c, index);
  selected = index;
}

int32_t SoakOperator::TargetCamera() {
  int32_t count = checker->CameraCount();
  return Between(0, 4) == 0 ? static_cast<int32_t>(Between(0, static_cast<uint32_t>(count - 1))) : selected;
}

void SoakOperator::SliderBurst(uint32_t now) {
  int32_t camera = TargetCamera();
  uint32_t moves = Between(kSliderBurstMin, kSliderBurstMax);
  CameraSnapshot r = {};
  EngineCamera(c, camera, &r);
  const int32_t model = r.modelCode;
  for (uint32_t i = 0; i < moves; i++) {
    if (Between(0, 1) == 0) {
      int32_t top = ZoomSliderMax(model) / kZoomStep;
      int32_t step = zoomStep[camera] + static_cast<int32_t>(Between(0, 2 * kZoomReach)) - kZoomReach;
      zoomStep[camera] = step < 0 ? 0 : step > top ? top : step;
      Put(static_cast<uint32_t>(camera), REQ_ZOOM_DIRECT, kZoomStep * zoomStep[camera], now);
    } else {
      lastSharpness[camera] = static_cast<int32_t>(Between(0, kSharpnessMax));
      Put(static_cast<uint32_t>(camera), REQ_SHARPNESS_DIRECT, lastSharpness[camera], now);
    }
  }
}

void SoakOperator::Flood(uint32_t now) {
  int32_t camera = TargetCamera();
  int32_t position = kZoomStep * static_cast<int32_t>(Between(0, 2));
  for (int i = 0; i < kFloodPuts; i++) Put(static_cast<uint32_t>(camera), REQ_ZOOM_DIRECT, position, now);
}

void SoakOperator::Act(uint32_t now) {
  int32_t camera = TargetCamera();
  uint32_t u = static_cast<uint32_t>(camera);
  int32_t count = checker->CameraCount();
  uint32_t roll = Between(0, 99);
  if (roll < 30) {
    SliderBurst(now);
  } else if (roll < 45) {
    lastSharpness[camera] = static_cast<int32_t>(Between(0, kSharpnessMax));
    Put(u, REQ_SHARPNESS_DIRECT, lastSharpness[camera], now);
  } else if (roll < 52) {
    // The value the camera was last asked for: unchanged when it took it.
    Put(u, REQ_SHARPNESS_DIRECT, lastSharpness[camera], now);
  } else if (roll < 60) {
    lastRGain[camera] = static_cast<int32_t>(Between(0, kGainMax));
    Put(u, REQ_R_GAIN_DIRECT, lastRGain[camera], now);
  } else if (roll < 64) {
    Put(u, REQ_R_GAIN_DIRECT, lastRGain[camera], now);
  } else if (roll < 68) {
    Put(u, REQ_B_GAIN_DIRECT, static_cast<int32_t>(Between(0, kGainMax)), now);
  } else if (roll < 76) {
    frozen[camera] ^= 1;
    Put(u, REQ_FREEZE, frozen[camera], now);
  } else if (roll < 81) {
    focusAuto[camera] ^= 1;
    Put(u, REQ_FOCUS_AUTO, focusAuto[camera], now);
  } else if (roll < 84) {
    // White balance buttons put their request twice.
    uint32_t code = Between(0, 1) == 0 ? REQ_WB_WARM : REQ_WB_AUTO;
    Put(u, code, 0, now);
    Put(u, code, 0, now);
  } else if (roll < 85) {
    Put(u, REQ_POWER, 1, now);
  } else if (roll < 92) {
    // Past the list: just past its end, far past the table, or negative.
    uint32_t beyond[] = {static_cast<uint32_t>(count) + Between(0, 5), Between(kMaxCameras, 1000), 0xFFFFFFFFu};
    Put(beyond[Between(0, 2)], REQ_FREEZE, 1, now);
  } else {
    Select(static_cast<int32_t>(Between(0, static_cast<uint32_t>(count - 1))));
  }
}

void SoakOperator::Step(uint32_t now) {
  if (!started) {
    started = true;
    nextActMs = now;
    nextFloodMs = now + Between(kFloodMinMs / 4, kFloodMaxMs / 4);
  }
  if (static_cast<int32_t>(now - nextActMs) >= 0) {
    Act(now);
    nextActMs = now + Between(kActMinMs, kActMaxMs);
  }
  if (static_cast<int32_t>(now - nextFloodMs) >= 0) {
    Flood(now);
    nextFloodMs = now + Between(kFloodMinMs, kFloodMaxMs);
  }
}
