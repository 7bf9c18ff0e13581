// The pan/tilt head: drive, Home and absolute commands (8x 01 06 ... FF),
// motion over time within the limits, and the socket a Home or absolute move
// holds until it arrives.
#include "sim/sim_head.h"

#include "sim/sim_camera.h"

namespace {

// clang-format off
constexpr SimHeadModel kHeadModels[] = {
    {0x70, 0x18, 0x14, 4, true},
    {0x71, 0x0E, 0x0C, 5, true},
    {0x72, 0x18, 0x14, 4, false},
};
// clang-format on

struct AxisLimits {
  int32_t low;
  int32_t high;
};
// Pan: negative is left. Tilt: negative is down.
constexpr AxisLimits kPanLimits = {-2448, 2448};
constexpr AxisLimits kTiltLimits = {-432, 1296};

// Bytes after 01 06.
constexpr uint8_t kDrive = 0x01;
constexpr uint8_t kAbsolute = 0x02;
constexpr uint8_t kHome = 0x04;
// Drive directions: 01 left or up, 02 right or down, 03 stands.
constexpr uint8_t kFirstWay = 0x01;
constexpr uint8_t kSecondWay = 0x02;
constexpr uint8_t kStands = 0x03;
constexpr uint8_t kCancelled = 0x04;

int32_t Limited(int32_t value, const AxisLimits& limits) {
  if (value < limits.low) return limits.low;
  if (value > limits.high) return limits.high;
  return value;
}

// Four nibbles as a signed 16-bit number.
int32_t Signed16(const uint8_t* n) {
  const int32_t v = (n[0] << 12) | (n[1] << 8) | (n[2] << 4) | n[3];
  return v >= 0x8000 ? v - 0x10000 : v;
}

bool AllNibbles(const uint8_t* a, int count) {
  for (int i = 0; i < count; ++i) {
    if (a[i] > 0x0F) return false;
  }
  return true;
}

// VV WW within the model's maxima.
bool SpeedsFit(const SimHeadModel& head, const uint8_t* a) {
  return a[0] >= 1 && a[0] <= head.panMax && a[1] >= 1 && a[1] <= head.tiltMax;
}

// Where a drive byte sends an axis: toward one of its limits, or nowhere.
int32_t DriveTarget(uint8_t way, int32_t firstWay, int32_t secondWay, int32_t current) {
  if (way == kFirstWay) return firstWay;
  if (way == kSecondWay) return secondWay;
  return current;
}

// Starts `run` from where it is toward target at speed/max of the speed that
// crosses `limits` in sweepMs; returns when it arrives.
uint64_t RunAxis(SimAxisRun& run, int32_t target, uint32_t speed, uint32_t max, const AxisLimits& limits,
                 uint32_t sweepMs, uint64_t t) {
  const int32_t current = run.At(t);
  run = SimAxisRun();
  run.from = current;
  run.to = current;
  if (target == current) return t;
  const uint64_t distance = static_cast<uint64_t>(target > current ? target - current : current - target);
  const uint64_t range = static_cast<uint64_t>(limits.high - limits.low);
  uint64_t durationUs = distance * sweepMs * 1000u * max / (range * speed);
  if (durationUs == 0) durationUs = 1;
  run.active = true;
  run.to = target;
  run.startUs = t;
  run.endUs = t + durationUs;
  return run.endUs;
}

}  // namespace

const SimHeadModel* FindHeadModel(uint8_t modelCode) {
  for (const SimHeadModel& model : kHeadModels) {
    if (model.code == modelCode) return &model;
  }
  return nullptr;
}

int32_t SimAxisRun::At(uint64_t timeUs) const {
  if (!active || timeUs >= endUs) return to;
  if (timeUs <= startUs) return from;
  const int64_t span = static_cast<int64_t>(to) - from;
  const int64_t done = static_cast<int64_t>(timeUs - startUs);
  const int64_t total = static_cast<int64_t>(endUs - startUs);
  return static_cast<int32_t>(from + span * done / total);
}

// c points at 06, m bytes from there.
bool SimCamera::HeadCommandKnown(const uint8_t* c, int m) const {
  const SimHeadModel* head = Head();
  if (head == nullptr || m < 2) return false;
  switch (c[1]) {
    case kHome:
      return m == 2;
    case kDrive:
      return m == 6 && SpeedsFit(*head, c + 2) && c[4] >= kFirstWay && c[4] <= kStands && c[5] >= kFirstWay &&
             c[5] <= kStands;
    case kAbsolute:
      return m == 12 && SpeedsFit(*head, c + 2) && AllNibbles(c + 4, 8);
    default:
      return false;
  }
}

// c has passed HeadCommandKnown. A movement ends the Home or absolute move
// on its way, whose socket is cancelled first.
int SimCamera::ExecuteHead(const uint8_t* c, uint64_t t, int socket, SimCameraSink* sink, uint64_t* doneUs) {
  if (state.power != 2 || powerPending) return SIM_NOT_EXECUTABLE;
  const SimHeadModel& head = *Head();
  if (headSocket != 0) CancelSocket(headSocket, t, sink, kCancelled);
  const uint32_t sweepMs = timing->panTiltSweepMs;
  if (c[1] == kDrive) {
    RunAxis(pan, DriveTarget(c[4], kPanLimits.low, kPanLimits.high, pan.At(t)), c[2], head.panMax, kPanLimits, sweepMs,
            t);
    RunAxis(tilt, DriveTarget(c[5], kTiltLimits.high, kTiltLimits.low, tilt.At(t)), c[3], head.tiltMax, kTiltLimits,
            sweepMs, t);
    return SIM_DONE;
  }
  if (faults.homeStuck) {
    StopHead(t);
    headSocket = socket;
    *doneUs = kSimNever;
    return socket != 0 ? SIM_RUNNING : SIM_DONE;
  }
  const bool home = c[1] == kHome;
  const uint64_t end =
      home ? RunHead(0, 0, head.panMax, head.tiltMax, t) : RunHead(Signed16(c + 4), Signed16(c + 8), c[2], c[3], t);
  if (end <= t) return SIM_DONE;
  headSocket = socket;
  *doneUs = FrameAtOrAfter(end);
  return SIM_RUNNING;
}

uint64_t SimCamera::RunHead(int32_t panTarget, int32_t tiltTarget, uint32_t panSpeed, uint32_t tiltSpeed, uint64_t t) {
  const SimHeadModel& head = *Head();
  const uint32_t sweepMs = timing->panTiltSweepMs;
  const uint64_t panEnd = RunAxis(pan, Limited(panTarget, kPanLimits), panSpeed, head.panMax, kPanLimits, sweepMs, t);
  const uint64_t tiltEnd =
      RunAxis(tilt, Limited(tiltTarget, kTiltLimits), tiltSpeed, head.tiltMax, kTiltLimits, sweepMs, t);
  return panEnd > tiltEnd ? panEnd : tiltEnd;
}

void SimCamera::StoreHeadSpot(SimHeadSpot& spot, uint64_t t) const {
  spot.panPos = pan.At(t);
  spot.tiltPos = tilt.At(t);
}

uint64_t SimCamera::RecallHeadSpot(const SimHeadSpot& spot, uint64_t t, SimCameraSink* sink) {
  const SimHeadModel* head = Head();
  if (head == nullptr) return t;
  if (headSocket != 0) CancelSocket(headSocket, t, sink, kCancelled);
  const uint64_t end = RunHead(spot.panPos, spot.tiltPos, head->panMax, head->tiltMax, t);
  return end > t ? FrameAtOrAfter(end) : t;
}

void SimCamera::PlaceHead(int32_t panPos, int32_t tiltPos) {
  pan = SimAxisRun();
  pan.from = pan.to = panPos;
  tilt = SimAxisRun();
  tilt.from = tilt.to = tiltPos;
  state.panPos = panPos;
  state.tiltPos = tiltPos;
}

void SimCamera::StopHead(uint64_t t) { PlaceHead(pan.At(t), tilt.At(t)); }

void SimCamera::SettleHead(uint64_t timeUs) {
  state.panPos = pan.At(timeUs);
  state.tiltPos = tilt.At(timeUs);
  if (pan.active && timeUs >= pan.endUs) pan.active = false;
  if (tilt.active && timeUs >= tilt.endUs) tilt.active = false;
}

// A flaky camera lets all but every Nth position inquiry go unanswered.
bool SimCamera::SkipsPositionAnswer(const uint8_t* payload, int m) {
  if (faults.positionEvery <= 1 || m != 3 || payload[1] != 0x06 || payload[2] != 0x12 || Head() == nullptr) {
    return false;
  }
  ++positionInquiries;
  return positionInquiries % static_cast<uint32_t>(faults.positionEvery) != 0;
}
