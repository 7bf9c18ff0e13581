// Pan/tilt cameras: found after initialisation, driven without holding the
// line, and never left moving.
#include "engine/motion/motion.h"
#include "engine/orvalix_engine.h"
#include "requests/request_codes.h"
#include "tests/support/engine_rig.h"

#include <gtest/gtest.h>

namespace {

const Lines kInitTexts = {"Searching for cameras...", "Checking COM1...", "Found 1 camera", "Initializing camera 1...",
                          "1 Cameras OK, none selected"};

// The frames of `peer` from `from` on that start with `head` ("81 01 06").
Lines FramesFrom(WirePeer& peer, size_t from, const std::string& head = "") {
  const Lines all = peer.Hexes();
  Lines out;
  for (size_t i = from; i < all.size(); i++)
    if (all[i].compare(0, head.size(), head) == 0) out.push_back(all[i]);
  return out;
}

struct PanTiltRig {
  explicit PanTiltRig(std::initializer_list<uint8_t> models, const SimTiming& timing = SimFastTiming())
      : com1(rig.Attach(1, models, timing)) {
    rig.Start();
  }
  // Ready, the probes answered, camera `index` selected.
  bool Ready(int index = 0) {
    return rig.Initialise() && rig.RunUntil([&] { return rig.Idle() && !MotionHasWork(rig.c); }, 2000) &&
           rig.Select(index) && rig.Settle();
  }
  // Puts a movement and steps until the engine is idle again.
  bool Drive(int index, int pan, int tilt) { return EngineDrive(rig.c, index, pan, tilt) == MOVE_PUT && rig.Settle(); }
  EngineRig rig;
  WirePeer& com1;
};

struct Probe {
  const char* name;
  uint8_t model;
  int32_t panTilt, panMax, tiltMax;
  const char* lastAsked;  // the frames after the setting chain
};

TEST(PanTilt, CamerasOfOtherMakesAreAskedAfterInitialisation) {
  // clang-format off
  const Probe kProbes[] = {
      {"pans and tilts",        0x70, 1, 0x18, 0x14, "81 09 06 12 FF | 81 09 06 11 FF"},
      {"pan in five nibbles",   0x71, 1, 0x0E, 0x0C, "81 09 06 12 FF | 81 09 06 11 FF"},
      {"maxima refused",        0x72, 1, 0x18, 0x14, "81 09 06 12 FF | 81 09 06 11 FF"},
      {"block camera, refused", 0x50, 0, 0,    0,    "81 09 04 62 FF | 81 09 06 12 FF"},
      {"block camera we know",  0x4B, 0, 0,    0,    "81 09 04 4B FF | 81 09 04 62 FF"},
  };
  // clang-format on
  for (const Probe& p : kProbes) {
    SCOPED_TRACE(p.name);
    PanTiltRig t({p.model});
    ASSERT_TRUE(t.rig.Initialise());
    ASSERT_TRUE(t.rig.RunUntil([&] { return t.rig.Idle() && !MotionHasWork(t.rig.c); }, 2000));
    const Lines sent = t.com1.Hexes();
    ASSERT_GE(sent.size(), 2u);
    EXPECT_EQ(sent[sent.size() - 2] + " | " + sent.back(), p.lastAsked);
    const CameraRecord& r = t.rig.c->cameras[0];
    EXPECT_EQ((std::vector<int32_t>{r.panTilt, r.panMax, r.tiltMax}),
              (std::vector<int32_t>{p.panTilt, p.panMax, p.tiltMax}));
    if (p.model != 0x72) {
      EXPECT_EQ(t.rig.StatusTexts(), kInitTexts);
    }
    EXPECT_EQ(t.rig.ListItems(), Lines{"Camera 1"});
  }
}

struct DriveCase {
  int pan, tilt;
  const char* bytes;
};

TEST(PanTilt, DrivesEachDirectionClampedAndStops) {
  // clang-format off
  const DriveCase kDrives[] = {
      {-5, 0, "81 01 06 01 05 01 01 03 FF"},     // left, tilt standing at speed 1
      {7, 0, "81 01 06 01 07 01 02 03 FF"},      // right
      {0, 3, "81 01 06 01 01 03 03 01 FF"},      // up
      {0, -20, "81 01 06 01 01 14 03 02 FF"},    // down at the tilt maximum
      {-4, 2, "81 01 06 01 04 02 01 01 FF"},     // up left
      {9, -9, "81 01 06 01 09 09 02 02 FF"},     // down right
      {100, 100, "81 01 06 01 18 14 02 01 FF"},  // beyond both maxima
      {0, 0, "81 01 06 01 01 01 03 03 FF"},      // stop
  };
  // clang-format on
  PanTiltRig t({0x70});
  ASSERT_TRUE(t.Ready());
  const size_t texts = t.rig.StatusTexts().size();
  for (const DriveCase& d : kDrives) {
    SCOPED_TRACE(d.bytes);
    const size_t from = t.com1.Hexes().size();
    ASSERT_TRUE(t.Drive(0, d.pan, d.tilt));
    const Lines sent = FramesFrom(t.com1, from);
    ASSERT_FALSE(sent.empty());
    EXPECT_EQ(sent[0], d.bytes);
    // A stop is followed by a position read, a drive by nothing.
    EXPECT_EQ(sent.size() > 1 ? sent[1] : "", d.pan == 0 && d.tilt == 0 ? "81 09 06 12 FF" : "");
  }
  EXPECT_EQ(t.rig.StatusTexts().size(), texts);
}

// A camera that pans and tilts keeps presets 1 to 63; each recall, put twice
// as a Recall button's, is followed by the re-reading that starts at zoom.
TEST(PanTilt, PresetsUpTo63) {
  PanTiltRig t({0x70});
  ASSERT_TRUE(t.Ready());
  const size_t from = t.com1.Hexes().size();
  for (int32_t n : {16, 63, 64, 0x101}) t.rig.Post(0, REQ_PRESET_STORE, n);
  for (int32_t n : {64, 63, 63}) t.rig.Post(0, REQ_PRESET_RECALL, n);
  ASSERT_TRUE(
      t.rig.RunUntil([&] { return FramesFrom(t.com1, from, "81 01 04 3F").size() == 4 && t.rig.Idle(); }, 20000));
  EXPECT_EQ(FramesFrom(t.com1, from, "81 01 04 3F"),
            (Lines{"81 01 04 3F 01 10 FF", "81 01 04 3F 01 3F FF", "81 01 04 3F 02 3F FF", "81 01 04 3F 02 3F FF"}));
  const Lines sent = FramesFrom(t.com1, from);
  Lines afterRecall;
  for (size_t i = 1; i < sent.size(); i++)
    if (sent[i - 1] == "81 01 04 3F 02 3F FF") afterRecall.push_back(sent[i]);
  EXPECT_EQ(afterRecall, (Lines{"81 09 04 47 FF", "81 09 04 47 FF"}));
}

// A flood of movements sends the latest alone; a block camera takes none.
TEST(PanTilt, TheLatestMovementWinsAndOnlyPanTiltCamerasTakeThem) {
  PanTiltRig t({0x70, 0x4B});
  ASSERT_TRUE(t.Ready());
  const size_t from = t.com1.Hexes().size();
  for (int speed = 1; speed <= 20; speed++) ASSERT_EQ(EngineDrive(t.rig.c, 0, speed, 0), MOVE_PUT);
  EXPECT_EQ(EngineDrive(t.rig.c, 1, 5, 0), MOVE_NO_PAN_TILT);
  EXPECT_EQ(EngineHome(t.rig.c, 2), MOVE_NO_CAMERA);
  EXPECT_EQ(EngineGoTo(t.rig.c, 0, 40000, 0, 1, 1), MOVE_OUT_OF_RANGE);
  ASSERT_TRUE(t.rig.Settle());
  EXPECT_EQ(FramesFrom(t.com1, from, "8"), Lines{"81 01 06 01 14 01 02 03 FF"});
}

// While Home is on its way the line goes on: a stop goes out at once, and the
// cancelled Home's reply on its own socket is taken for nothing else.
TEST(PanTilt, AStopDuringHomeGoesOutAtOnce) {
  PanTiltRig t({0x70});
  ASSERT_TRUE(t.Ready());
  ASSERT_TRUE(t.Drive(0, 24, 0));
  t.rig.Run(100);
  ASSERT_TRUE(t.Drive(0, 0, 0) && t.rig.Settle());
  const size_t from = t.com1.Hexes().size();
  const size_t texts = t.rig.StatusTexts().size();
  ASSERT_EQ(EngineHome(t.rig.c, 0), MOVE_PUT);
  ASSERT_TRUE(t.rig.RunUntil([&] { return FramesFrom(t.com1, from).size() == 1 && t.rig.Idle(); }, 20));
  EXPECT_EQ(FramesFrom(t.com1, from), Lines{"81 01 06 04 FF"});
  t.rig.Post(0, REQ_ZOOM_DIRECT, 0);  // the line is free for requests meanwhile
  ASSERT_TRUE(t.rig.Settle());
  ASSERT_TRUE(t.rig.c->movements[0].onItsWay);
  ASSERT_TRUE(t.Drive(0, 0, 0));
  ASSERT_TRUE(t.rig.RunUntil([&] { return t.rig.Idle() && !MotionHasWork(t.rig.c); }, 100));
  const Lines sent = FramesFrom(t.com1, from, "81 0");
  ASSERT_GE(sent.size(), 3u);
  EXPECT_EQ(sent[1].compare(0, 11, "81 01 04 47"), 0) << sent[1];
  EXPECT_EQ(Lines(sent.end() - 2, sent.end()), (Lines{"81 01 06 01 01 01 03 03 FF", "81 09 06 12 FF"}));
  EXPECT_EQ(t.rig.StatusTexts().size(), texts);
  EXPECT_EQ(t.rig.c->cameras[0].panPos, t.com1.State(0).panPos);
}

}  // namespace

// A Home that takes a second completes while the poll goes on; its
// completion is taken for no poll's answer, and its arrival is read.
TEST(PanTilt, AHomeCompletesLateWhileThePollGoesOn) {
  PanTiltRig t({0x70}, SimRealisticTiming());
  ASSERT_TRUE(t.Ready() && t.Drive(0, 24, 20));
  t.rig.Run(1500);
  ASSERT_TRUE(t.Drive(0, 0, 0) && t.rig.Settle());
  ASSERT_NE(t.rig.c->cameras[0].panPos, 0);
  const size_t from = t.com1.Hexes().size(), texts = t.rig.StatusTexts().size();
  ASSERT_EQ(EngineHome(t.rig.c, 0), MOVE_PUT);
  ASSERT_TRUE(
      t.rig.RunUntil([&] { return t.rig.c->cameras[0].panPos == 0 && t.rig.c->cameras[0].tiltPos == 0; }, 5000));
  const Lines sent = FramesFrom(t.com1, from);
  EXPECT_EQ(sent.front(), "81 01 06 04 FF");
  EXPECT_GE(std::count(sent.begin(), sent.end(), "81 09 04 48 FF"), 2) << "polled while on its way";
  EXPECT_EQ(sent.back(), "81 09 06 12 FF");
  EXPECT_EQ(t.rig.StatusTexts().size(), texts);
  EXPECT_FALSE(t.rig.c->movements[0].onItsWay);
}

// Bad answers: maxima out of range are taken as the usual ones, a short
// position is no pan/tilt, a Home that never arrives and a position answered
// only now and then leave the camera usable.
TEST(PanTilt, BadAnswersLeaveTheCameraUsable) {
  struct Bad {
    const char* name;
    void (*set)(SimFaults&);
    int32_t panTilt, panMax, tiltMax;
  };
  const Bad kBad[] = {
      {"maxima 0", [](SimFaults& f) { f.maxSpeedGiven = true, f.maxSpeedBytes[0] = f.maxSpeedBytes[1] = 0; }, 1, 0x18,
       0x14},
      {"maximum beyond 7F",
       [](SimFaults& f) { f.maxSpeedGiven = true, f.maxSpeedBytes[0] = 0x90, f.maxSpeedBytes[1] = 0x14; }, 1, 0x18,
       0x14},
      {"position one nibble short", [](SimFaults& f) { f.positionShort = true; }, 0, 0, 0},
  };
  for (const Bad& b : kBad) {
    SCOPED_TRACE(b.name);
    PanTiltRig t({0x70});
    SimFaults faults;
    b.set(faults);
    t.com1.SetFaults(0, faults);
    ASSERT_TRUE(t.Ready());
    const CameraRecord& r = t.rig.c->cameras[0];
    EXPECT_EQ((std::vector<int32_t>{r.panTilt, r.panMax, r.tiltMax}),
              (std::vector<int32_t>{b.panTilt, b.panMax, b.tiltMax}));
    EXPECT_EQ(t.rig.StatusTexts(), kInitTexts);
  }
  PanTiltRig t({0x70});
  ASSERT_TRUE(t.Ready());
  SimFaults faults;
  faults.homeStuck = true;
  faults.positionEvery = 2;
  t.com1.SetFaults(0, faults);
  ASSERT_EQ(EngineHome(t.rig.c, 0), MOVE_PUT);
  t.rig.Run(3000);
  EXPECT_TRUE(t.rig.c->movements[0].onItsWay);
  ASSERT_TRUE(t.rig.Request(REQ_FREEZE, 1));
  EXPECT_EQ(Hex(t.rig.ReceivedCommands(0).back()), "81 01 04 62 02 FF");
  ASSERT_TRUE(t.Drive(0, 0, 0));
  t.rig.Run(3000);
  EXPECT_FALSE(t.rig.c->movements[0].onItsWay);
  EXPECT_EQ(t.rig.ListItems(), Lines{"Camera 1"});
  EXPECT_EQ(t.rig.c->cameras[0].panTilt, 1);
}

const char kStop[] = "81 01 06 01 01 01 03 03 FF";

// Another camera selected, the program closing, the line lost: the driven
// camera gets its stop first, or, once lost, is not driven again.
TEST(PanTilt, NothingIsLeftMoving) {
  {
    PanTiltRig t({0x70, 0x70});
    ASSERT_TRUE(t.Ready(0) && t.Drive(0, 10, 0));
    const size_t from = t.com1.Hexes().size();
    ASSERT_TRUE(t.rig.Select(1) && t.rig.Settle());
    ASSERT_FALSE(FramesFrom(t.com1, from).empty());
    EXPECT_EQ(FramesFrom(t.com1, from)[0], kStop);
  }
  {
    PanTiltRig t({0x70});
    ASSERT_TRUE(t.Ready() && t.Drive(0, -3, 2));
    const size_t from = t.com1.Hexes().size();
    ASSERT_TRUE(PutExitStops(t.rig.c));
    ASSERT_TRUE(t.rig.RunUntil([&] { return ExitStopsDone(t.rig.c); }, 100));
    EXPECT_EQ(FramesFrom(t.com1, from, "81 01"), Lines{kStop});
    EXPECT_FALSE(PutExitStops(t.rig.c));
    // A Home on its way is stopped too, and a refused drive leaves the camera
    // driven by the one before; a refused stop is not sent again.
    SimFaults faults;
    faults.homeStuck = true;
    const uint8_t faster[] = {0x01, 0x06, 0x01, 0x04, 0x01, 0x02, 0x03},
                  stop[] = {0x01, 0x06, 0x01, 0x01, 0x01, 0x03, 0x03};
    faults.AddError(faster, sizeof faster, 0x03, 1);
    t.com1.SetFaults(0, faults);
    ASSERT_TRUE(t.Drive(0, 3, 0) && t.Drive(0, 4, 0));
    ASSERT_TRUE(PutExitStops(t.rig.c)) << "the refused drive left it driven";
    ASSERT_TRUE(t.rig.RunUntil([&] { return ExitStopsDone(t.rig.c); }, 100));
    EXPECT_EQ(FramesFrom(t.com1, from, "81 01").back(), kStop);
    faults.AddError(stop, sizeof stop, 0x03, 1);
    t.com1.SetFaults(0, faults);
    ASSERT_TRUE(t.Drive(0, 3, 0) && t.Drive(0, 0, 0));
    EXPECT_FALSE(PutExitStops(t.rig.c));
    ASSERT_EQ(EngineHome(t.rig.c, 0), MOVE_PUT);
    ASSERT_TRUE(t.rig.Settle());
    ASSERT_TRUE(PutExitStops(t.rig.c)) << "on its way";
    ASSERT_TRUE(t.rig.RunUntil([&] { return ExitStopsDone(t.rig.c); }, 100));
    EXPECT_EQ(FramesFrom(t.com1, from, "81 01").back(), kStop);
  }
  {
    PanTiltRig t({0x70});
    ASSERT_TRUE(t.Ready() && t.Drive(0, 5, 5));
    t.rig.Unplug(1);
    t.rig.Run(1500);
    WirePeer& back = t.rig.PlugIn(1, {0x70}, SimFastTiming());
    ASSERT_TRUE(t.rig.RunUntil([&] { return t.rig.ListItems() == Lines{"Camera 1"} && t.rig.Idle(); }, 8000));
    t.rig.Run(1000);
    EXPECT_TRUE(FramesFrom(back, 0, "81 01 06 01").empty());
    EXPECT_FALSE(PutExitStops(t.rig.c));
    EXPECT_GE(FramesFrom(back, 0, "81 09 06 12").size(), 1u) << "asked again once initialised again";
  }
}
