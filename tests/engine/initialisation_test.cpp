// Discovery and the whole initialisation chain of one camera of each family,
// byte for byte on the wire, with the status line, the list and the Recall
// button the panel shows afterwards.
#include "common/control_ids.h"
#include "engine_rig.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using Lines = std::vector<std::string>;

Lines Join(std::initializer_list<Lines> parts) {
  Lines out;
  for (const Lines& p : parts) out.insert(out.end(), p.begin(), p.end());
  return out;
}

Lines HexFrames(const std::vector<Bytes>& frames) {
  Lines out;
  for (const Bytes& f : frames) out.push_back(Hex(f));
  return out;
}

// Address set and interface clear, then version, last preset, power on and
// the recall of preset 1 (the camera has recalled none yet).
const Lines kDiscoveryAndHead = {
    "88 30 01 FF",          "88 01 00 01 FF",       "81 09 00 02 FF",
    "81 09 04 3F FF",       "81 01 04 00 02 FF",    "81 01 04 3F 02 01 FF",
};

const Lines kNarrowCommands = {
    "81 01 04 06 03 FF",     // 11
    "81 01 04 3E 02 FF",     // 15
    "81 01 04 3F 01 7F FF",  // 16
};

const Lines kWide5FCommands = {
    "81 01 04 36 00 FF",              // 11
    "81 01 04 74 3F FF",              // 65
    "81 01 04 3E 02 FF",              // 61
    "81 01 04 2C 07 FF",              // 62
    "81 01 04 28 0E 05 00 00 FF",     // 60
    "81 01 04 06 03 FF",              // 15
    "81 01 04 3F 01 7F FF",           // 16
};

const Lines kWide66Commands = {
    "81 01 04 36 00 FF",              // 11
    "81 01 04 74 3F FF",              // 65
    "81 01 04 53 03 FF",              // 66
    "81 01 04 3E 02 FF",              // 61
    "81 01 04 2C 07 FF",              // 62
    "81 01 04 28 0E 05 00 00 FF",     // 60
    "81 01 04 06 03 FF",              // 15
    "81 01 04 3F 01 7F FF",           // 16
};

// Power, zoom, focus, shutter, iris, gain.
const Lines kInquiriesToGain = {
    "81 09 04 00 FF", "81 09 04 47 FF", "81 09 04 48 FF",
    "81 09 04 4A FF", "81 09 04 4B FF", "81 09 04 4C FF",
};

struct Family {
  const char* name;
  uint8_t model;
  Lines expected;
};

std::vector<Family> Families() {
  return {
      {"Narrow10x", 0x45,
       Join({kDiscoveryAndHead, kNarrowCommands, kInquiriesToGain,
             {"81 09 04 4D FF", "81 09 04 38 FF", "81 09 04 63 FF", "81 09 04 42 FF", "81 09 04 35 FF",
              "81 09 04 44 FF", "81 09 04 43 FF", "81 09 04 5B FF", "81 09 04 24 70 FF", "81 09 04 39 FF",
              "81 09 04 4E FF", "81 09 00 02 FF", "81 09 04 39 FF", "81 09 04 4B FF", "81 09 04 62 FF"}})},
      {"Model4B", 0x4B,
       Join({kDiscoveryAndHead, kNarrowCommands, kInquiriesToGain,
             {"81 09 04 4D FF", "81 09 04 38 FF", "81 09 04 63 FF", "81 09 04 42 FF", "81 09 04 35 FF",
              "81 09 04 44 FF", "81 09 04 43 FF", "81 09 04 5B FF", "81 09 04 24 70 FF", "81 09 04 39 FF",
              "81 09 04 4E FF", "81 09 00 02 FF", "81 09 04 01 FF", "81 09 04 39 FF", "81 09 04 4B FF",
              "81 09 04 62 FF"}})},
      {"Model5F", 0x5F,
       Join({kDiscoveryAndHead, kWide5FCommands, kInquiriesToGain,
             {"81 09 04 4D FF", "81 09 04 38 FF", "81 09 04 63 FF", "81 09 04 66 FF", "81 09 04 42 FF",
              "81 09 04 35 FF", "81 09 04 44 FF", "81 09 04 43 FF", "81 09 04 5B FF", "81 09 04 24 72 FF",
              "81 09 04 39 FF", "81 09 04 4E FF", "81 09 00 02 FF", "81 09 04 01 FF", "81 09 04 39 FF",
              "81 09 04 4B FF", "81 09 04 62 FF"}})},
      {"Model66", 0x66,
       Join({kDiscoveryAndHead, kWide66Commands, kInquiriesToGain,
             {"81 09 04 4D FF", "81 09 04 38 FF", "81 09 04 63 FF", "81 09 04 66 FF", "81 09 04 42 FF",
              "81 09 04 35 FF", "81 09 04 44 FF", "81 09 04 43 FF", "81 09 04 5B FF", "81 09 04 24 72 FF",
              "81 09 04 39 FF", "81 09 04 4E FF", "81 09 00 02 FF", "81 09 04 01 FF", "81 09 04 39 FF",
              "81 09 04 4B FF", "81 09 04 62 FF"}})},
      // Gain 1 is too low to stand for brightness: the iris is asked under
      // the same transaction. No infrared-cut inquiry for this model.
      {"Model40", 0x40,
       Join({kDiscoveryAndHead, kWide66Commands, kInquiriesToGain,
             {"81 09 04 4C FF", "81 09 04 4B FF", "81 09 04 38 FF", "81 09 04 63 FF", "81 09 04 66 FF",
              "81 09 04 42 FF", "81 09 04 35 FF", "81 09 04 44 FF", "81 09 04 43 FF", "81 09 04 5B FF",
              "81 09 04 24 72 FF", "81 09 04 39 FF", "81 09 04 4E FF", "81 09 00 02 FF", "81 09 04 39 FF",
              "81 09 04 4B FF", "81 09 04 62 FF"}})},
  };
}

class InitialisationChain : public ::testing::TestWithParam<Family> {};

TEST_P(InitialisationChain, WireStatusListAndRecallButton) {
  const Family& family = GetParam();
  SimLine line;
  int cam = line.AddCamera(family.model);
  SimCameraState state = line.State(cam);
  state.picture.gainPos = 1;
  line.SetState(cam, state);
  WirePeer com1(&line);
  EngineRig rig;
  rig.Attach(1, &com1);
  rig.Start();
  ASSERT_TRUE(rig.RunToReady());

  EXPECT_EQ(HexFrames(com1.FrameBytes()), family.expected);
  EXPECT_EQ(rig.StatusTexts(), (Lines{"Searching for cameras...", "Checking COM1...", "Found 1 camera",
                                      "Initializing camera 1...", "1 Cameras OK, none selected"}));
  EXPECT_EQ(rig.ListItems(), Lines{"Camera 1"});
  EXPECT_EQ(rig.Checked(IDC_RECALL1), 1);
  for (int id = IDC_RECALL2; id <= IDC_RECALL5; id++) EXPECT_EQ(rig.Checked(id), 0) << id;

  CameraController* c = rig.c;
  EXPECT_EQ(c->cameraCount.load(), 1);
  EXPECT_EQ(c->cameras[0].port, 0);
  EXPECT_EQ(c->cameras[0].address, 1);
  EXPECT_EQ(c->cameras[0].modelCode, family.model);
  EXPECT_EQ(c->mode.load(), 0);
  EXPECT_EQ(c->stage.load(), 0);
  EXPECT_EQ(c->followUp.load(), 0);
  EXPECT_EQ(c->camera.load(), 0);
  EXPECT_EQ(c->timeoutMs.load(), 400);
  EXPECT_EQ(reinitChain, 0);
  EXPECT_EQ(brightStep, 0);
}

INSTANTIATE_TEST_SUITE_P(Families, InitialisationChain, ::testing::ValuesIn(Families()),
                         [](const ::testing::TestParamInfo<Family>& info) { return std::string(info.param.name); });

// Every answer lands in its field; the last preset picks the Recall button.
TEST(Initialisation, AnswersAreDecodedIntoTheRecord) {
  SimLine line;
  int cam = line.AddCamera(0x5F);
  SimCameraState state = line.State(cam);
  SimPicture& p = state.picture;
  p.zoomPos = 0x1234;
  p.focusMode = 3;
  p.focusPos = 0x2345;
  p.aeMode = 0x03;
  p.shutterPos = 0x0B;
  p.irisPos = 0x09;
  p.gainPos = 0x05;
  p.brightPos = 0x0E;
  p.expCompPos = 0x06;
  p.aperture = 0x07;
  p.wbMode = 0x05;
  p.rGain = 0xCD;
  p.bGain = 0xA8;
  p.gamma = 1;
  p.pictureEffect = 2;
  p.pictureFlip = 2;
  p.icrMode = 2;
  for (SimPicture& preset : state.presets) preset = p;
  state.customPreset = p;
  state.freeze = 2;
  state.lastPreset = 3;
  state.registers[0x72] = 0x13;
  line.SetState(cam, state);
  WirePeer com1(&line);
  EngineRig rig;
  rig.Attach(1, &com1);
  rig.Start();
  ASSERT_TRUE(rig.RunToReady());

  std::vector<Bytes> frames = com1.FrameBytes();
  ASSERT_GE(frames.size(), 6u);
  EXPECT_EQ(Hex(frames[5]), "81 01 04 3F 02 03 FF");
  EXPECT_EQ(rig.Checked(IDC_RECALL3), 1);
  EXPECT_EQ(rig.Checked(IDC_RECALL1), 0);

  const CameraRecord& r = rig.c->cameras[0];
  EXPECT_EQ(r.lastPreset, 3);
  EXPECT_EQ(r.powerOn, 1);
  EXPECT_EQ(r.zoomPos, 0x1234);
  EXPECT_EQ(r.focusAuto, 0);
  EXPECT_EQ(r.focusPos, 0x2345);
  EXPECT_EQ(r.aeMode, 3);
  EXPECT_EQ(r.shutterPos, 0x0B);
  EXPECT_EQ(r.irisPosInit, 0x09);
  EXPECT_EQ(r.irisPos, 0x09);
  EXPECT_EQ(r.gainPos, 0x05);
  EXPECT_EQ(r.brightPos, 0x0E);
  EXPECT_EQ(r.expCompPos, 0x06);
  EXPECT_EQ(r.aperture, 0x07);
  EXPECT_EQ(r.rGain, 0xCD);
  EXPECT_EQ(r.bGain, 0xA8);
  EXPECT_EQ(r.wbMode, 6);  // manual with the LED gains
  EXPECT_EQ(r.gamma, 1);
  EXPECT_EQ(r.pictureEffect, 2);
  EXPECT_EQ(r.pictureFlip, 2);
  EXPECT_EQ(r.icrMode, 2);
  EXPECT_EQ(r.freezeOn, 1);
  EXPECT_EQ(r.videoOutReg, 0x13);
  EXPECT_EQ(r.modelCode, 0x5F);
}

TEST(Initialisation, Model40GainAboveOneGivesBrightnessWithoutIrisStep) {
  SimLine line;
  int cam = line.AddCamera(0x40);
  SimCameraState state = line.State(cam);
  state.picture.gainPos = 5;
  for (SimPicture& preset : state.presets) preset = state.picture;
  state.customPreset = state.picture;
  line.SetState(cam, state);
  WirePeer com1(&line);
  EngineRig rig;
  rig.Attach(1, &com1);
  rig.Start();
  ASSERT_TRUE(rig.RunToReady());
  EXPECT_EQ(rig.c->cameras[0].brightPos, 21);
  Lines frames = HexFrames(com1.FrameBytes());
  int gainInquiries = 0;
  int irisInquiries = 0;
  for (const std::string& f : frames) {
    gainInquiries += f == "81 09 04 4C FF";
    irisInquiries += f == "81 09 04 4B FF";
  }
  EXPECT_EQ(gainInquiries, 2);  // gain, then brightness read as gain
  EXPECT_EQ(irisInquiries, 2);  // initial iris and the iris of the chain's end
}

}  // namespace
