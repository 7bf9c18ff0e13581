// Pan/tilt cameras as camera 2 behind a 0x66: answers, sockets, motion, limits, faults.
#include "tests/sim/sim_test_util.h"

namespace {

// A packet to camera 2 (82 ... FF) or from it (A0 ... FF).
Bytes Packet(uint8_t header, std::initializer_list<uint8_t> body) {
  Bytes b{header};
  for (uint8_t byte : body) b.push_back(byte);
  b.push_back(0xFF);
  return b;
}
Bytes To2(std::initializer_list<uint8_t> body) { return Packet(0x82, body); }
Bytes From2(std::initializer_list<uint8_t> body) { return Packet(0xA0, body); }
Bytes Drive(uint8_t vv, uint8_t ww, uint8_t pp, uint8_t tt) { return To2({0x01, 0x06, 0x01, vv, ww, pp, tt}); }

const Bytes kPosition = To2({0x09, 0x06, 0x12}), kMaxSpeed = To2({0x09, 0x06, 0x11}), kHome = To2({0x01, 0x06, 0x04});
const Bytes kStop = Drive(0x01, 0x01, 0x03, 0x03), kRight = Drive(0x18, 0x14, 0x02, 0x03);
// Pan 0x0100, tilt -2; and far beyond both limits (pan 0x7FFF, tilt -0x8000).
const Bytes kNear = To2({0x01, 0x06, 0x02, 0x18, 0x14, 0, 1, 0, 0, 0xF, 0xF, 0xF, 0xE});
const Bytes kFar = To2({0x01, 0x06, 0x02, 0x18, 0x14, 7, 0xF, 0xF, 0xF, 8, 0, 0, 0});
const Bytes kAckS1 = From2({0x41}), kAckS2 = From2({0x42}), kDoneS1 = From2({0x51}), kDoneS2 = From2({0x52});
const Bytes kRefused = From2({0x60, 0x02}), kAtHome = From2({0x50, 0, 0, 0, 0, 0, 0, 0, 0});

struct Step {
  std::vector<Bytes> send;
  uint32_t ms;
  Packets expect;
};

struct HeadRow {
  const char* name;
  uint8_t model;
  void (*make)(SimFaults&);  // null: no fault
  std::vector<Step> steps;
};

}  // namespace

TEST(SimHead, EachAnswerSocketAndFault) {
  const Step toMiddle{{kRight}, 50, {kAckS1, kDoneS1}}, stopped{{kStop}, 5, {kAckS1, kDoneS1}};
  // clang-format off
  const HeadRow rows[] = {
      {"four pan nibbles, signed", 0x70, nullptr, {{{kNear}, 30, {kAckS1, kDoneS1}},
       {{kPosition}, 5, {From2({0x50, 0, 1, 0, 0, 0xF, 0xF, 0xF, 0xE})}}}},
      {"five pan nibbles, signed", 0x71, nullptr, {{{To2({1, 6, 2, 0x0E, 0x0C, 0xF, 0xF, 0xF, 0xF, 0, 0, 0, 1})}, 5,
       {kAckS1, kDoneS1}}, {{kPosition}, 5, {From2({0x50, 0xF, 0xF, 0xF, 0xF, 0xF, 0, 0, 0, 1})}}}},
      {"limits", 0x70, nullptr, {{{kFar}, 300, {kAckS1, kDoneS1}}, {{kPosition}, 5,
       {From2({0x50, 0, 9, 9, 0, 0xF, 0xE, 5, 0})}}, {{Drive(0x18, 0x14, 1, 1)}, 400, {kAckS1, kDoneS1}},
       {{kPosition}, 5, {From2({0x50, 0xF, 6, 7, 0, 0, 5, 1, 0})}}}},
      {"presets 1 to 63 keep the head's position", 0x70, nullptr, {{{kNear}, 30, {kAckS1, kDoneS1}},
       {{To2({1, 4, 0x3F, 1, 0x3F}), To2({1, 4, 0x3F, 1, 0x40})}, 10, {kAckS1, kDoneS1, kRefused}},
       {{kHome}, 30, {kAckS1, kDoneS1}}, {{To2({1, 4, 0x3F, 2, 0x3F})}, 30, {kAckS1, kDoneS1}},
       {{kPosition}, 5, {From2({0x50, 0, 1, 0, 0, 0xF, 0xF, 0xF, 0xE})}}}},
      {"maxima", 0x70, nullptr, {{{kMaxSpeed}, 5, {From2({0x50, 0x18, 0x14})}}}},
      {"maxima, five nibbles", 0x71, nullptr, {{{kMaxSpeed}, 5, {From2({0x50, 0x0E, 0x0C})}}}},
      {"speeds beyond the maxima", 0x71, nullptr, {{{Drive(0x0F, 0x0C, 2, 3), Drive(0x0E, 0x0D, 2, 3), Drive(0, 1, 2, 3),
       Drive(1, 1, 4, 3), Drive(0x0E, 0x0C, 2, 1)}, 10, {kRefused, kRefused, kRefused, kRefused, kAckS1, kDoneS1}}}},
      {"refusals of 0x72", 0x72, nullptr, {{{kMaxSpeed, To2({1, 4, 6, 2}), To2({1, 4, 0x3E, 2}), To2({9, 4, 0x24, 0x72}),
       To2({9, 4, 0x5B}), kPosition}, 10, {kRefused, kRefused, kRefused, kRefused, kRefused, kAtHome}}}},
      {"another make", 0x50, nullptr, {{{kPosition, kMaxSpeed, kHome}, 10, {kRefused, kRefused, kRefused}}}},
      {"a block camera", 0x66, nullptr, {{{kPosition, kMaxSpeed}, 10, {kRefused, kRefused}}}},
      {"Home completes on arrival", 0x70, nullptr, {toMiddle, stopped, {{kHome}, 30, {kAckS1}}, {{}, 40, {kDoneS1}},
       {{kPosition}, 5, {kAtHome}}}},
      {"stop cancels Home", 0x70, nullptr, {toMiddle, stopped, {{kHome}, 5, {kAckS1}},
       {{kStop}, 5, {From2({0x61, 0x04}), kAckS2, kDoneS2}}, {{}, 100, {}}}},
      {"Home cancels Home", 0x70, nullptr, {toMiddle, stopped, {{kHome}, 5, {kAckS1}},
       {{kHome}, 5, {From2({0x61, 0x04}), kAckS2}}, {{}, 60, {kDoneS2}}}},
      {"buffer full", 0x70, nullptr, {{{kFar, To2({1, 4, 0x47, 4, 0, 0, 0})}, 5, {kAckS1, kAckS2}},
       {{kStop}, 5, {From2({0x60, 0x03})}}}},
      {"home-stuck", 0x70, [](SimFaults& f) { f.homeStuck = true; }, {{{kHome}, 5, {kAckS1}}, {{}, 500, {}},
       {{kStop}, 5, {From2({0x61, 0x04}), kAckS2, kDoneS2}}}},
      {"position-flaky=3", 0x70, [](SimFaults& f) { f.positionEvery = 3; }, {{{kPosition, kPosition}, 10, {}},
       {{kPosition}, 5, {kAtHome}}, {{kPosition, kPosition}, 10, {}}, {{kPosition}, 5, {kAtHome}}}},
      {"max-speed=90:14", 0x70, [](SimFaults& f) { f.maxSpeedGiven = true, f.maxSpeedBytes[0] = 0x90,
       f.maxSpeedBytes[1] = 0x14; }, {{{kMaxSpeed}, 5, {From2({0x50, 0x90, 0x14})}}}},
      {"max-speed=00:00", 0x70, [](SimFaults& f) { f.maxSpeedGiven = true; },
       {{{kMaxSpeed}, 5, {From2({0x50, 0, 0})}}}},
      {"position-short", 0x70, [](SimFaults& f) { f.positionShort = true; },
       {{{kPosition}, 5, {From2({0x50, 0, 0, 0, 0, 0, 0, 0})}}}},
      {"position-short, five nibbles", 0x71, [](SimFaults& f) { f.positionShort = true; },
       {{{kPosition}, 5, {From2({0x50, 0, 0, 0, 0, 0, 0, 0, 0})}}}},
  };
  // clang-format on
  for (const HeadRow& row : rows) {
    SimRig rig({0x66, row.model});
    SimFaults f;
    if (row.make != nullptr) row.make(f);
    rig.line.SetCameraFaults(1, f);
    for (size_t i = 0; i < row.steps.size(); ++i) {
      for (const Bytes& b : row.steps[i].send) rig.Write(b);
      EXPECT_EQ(rig.Run(row.steps[i].ms), row.steps[i].expect) << row.name << ", step " << i;
    }
  }
}

// A drive moves the head at a speed that follows its bytes: a full pan
// sweep at maximum speed takes 0.2 s (fast) or 2 s (realistic).
TEST(SimHead, DriveMovesAndStopHolds) {
  SimRig rig({0x66, 0x70});
  rig.Ask(kRight, 50);
  rig.Ask(kStop, 5);
  const int32_t stoppedAt = rig.line.State(1).panPos;
  EXPECT_NEAR(stoppedAt, 1224, 50);
  rig.Run(100);
  EXPECT_EQ(rig.line.State(1).panPos, stoppedAt);
  EXPECT_EQ(rig.line.State(1).tiltPos, 0);
  rig.Ask(Drive(0x0C, 0x14, 0x01, 0x01), 50);  // left at half speed, up at full
  rig.Ask(kStop, 5);
  EXPECT_NEAR(rig.line.State(1).panPos, stoppedAt - 612, 50);
  EXPECT_NEAR(rig.line.State(1).tiltPos, 432, 30);

  SimRig slow({0x66, 0x70}, SimRealisticTiming());
  slow.Ask(kRight, 500);
  EXPECT_NEAR(slow.line.State(1).panPos, 1224, 60);
}
