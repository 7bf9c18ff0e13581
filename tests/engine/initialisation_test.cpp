// Framing of sent packets, then discovery and the whole initialisation chain of
// one camera of each family, byte for byte, with what the panel shows after.
#include "engine/transmission.h"
#include "engine_rig.h"

namespace {

TEST(Transmission, FramingPayloadLimitAndNibbles) {
  EngineRig rig;
  WirePeer com1;
  rig.Attach(1, &com1);
  rig.Start();
  rig.c->cameras[2].address = 3;
  rig.c->camera = 2;
  rig.c->port = 0;
  SendPacket(rig.c, 21, 0x09, 0x04, 0x47, -1);
  EXPECT_EQ(rig.c->stage.load(), STAGE_ANSWER);
  rig.Jump(10);
  SendPacket(rig.c, 8, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, -1);  // over 14: refused
  EXPECT_EQ(rig.c->mode.load(), 21);
  EXPECT_EQ(rig.c->sendTick.load(), VirtualTick() - 10);
  SendPacket(rig.c, 8, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, -1);
  EXPECT_EQ(rig.c->mode.load(), 8);
  EXPECT_EQ(rig.c->stage.load(), STAGE_ACK);
  EXPECT_EQ(rig.c->sendTick.load(), VirtualTick());
  com1.Settle();
  EXPECT_EQ(com1.Hexes(), (Lines{"83 09 04 47 FF", "83 01 02 03 04 05 06 07 08 09 0A 0B 0C 0D 0E FF"}));

  const uint8_t nibbles[] = {0xF1, 0x32, 0x93, 0xE4};
  EXPECT_EQ(DecodeNibbles(nibbles, 4), 0x1234u);
  EXPECT_EQ(DecodeNibbles(nibbles + 2, 2), 0x34u);
}

Lines Head(const char* preset) {
  return {"88 30 01 FF",    "88 01 00 01 FF",    "81 09 00 02 FF",
          "81 09 04 3F FF", "81 01 04 00 02 FF", std::string("81 01 04 3F 02 ") + preset + " FF"};
}

const Lines kNarrow = {"81 01 04 06 03 FF", "81 01 04 3E 02 FF", "81 01 04 3F 01 7F FF"};
const Lines kWide5F = {"81 01 04 36 00 FF", "81 01 04 74 3F FF", "81 01 04 3E 02 FF", "81 01 04 2C 07 FF",
                       "81 01 04 28 0E 05 00 00 FF", "81 01 04 06 03 FF", "81 01 04 3F 01 7F FF"};
const Lines kWide66 = {"81 01 04 36 00 FF", "81 01 04 74 3F FF", "81 01 04 53 03 FF",
                       "81 01 04 3E 02 FF", "81 01 04 2C 07 FF", "81 01 04 28 0E 05 00 00 FF",
                       "81 01 04 06 03 FF", "81 01 04 3F 01 7F FF"};

// The setting chain's inquiries 81 09 <code> FF.
Lines Inquiries(std::initializer_list<const char*> codes) {
  Lines out;
  for (const char* code : codes) out.push_back(std::string("81 09 ") + code + " FF");
  return out;
}

struct Family {
  const char* name;
  uint8_t model;
  uint8_t lastPreset;
  int recallId;
  Lines commands;
  Lines inquiries;
};

const Family kFamilies[] = {
    {"Narrow10x", 0x45, 0, IDC_RECALL1, kNarrow,
     Inquiries({"04 00", "04 47", "04 48", "04 4A", "04 4B", "04 4C", "04 4D", "04 38", "04 63", "04 42", "04 35",
                "04 44", "04 43", "04 5B", "04 24 70", "04 39", "04 4E", "00 02", "04 39", "04 4B", "04 62"})},
    {"Model4B", 0x4B, 0, IDC_RECALL1, kNarrow,
     Inquiries({"04 00", "04 47", "04 48", "04 4A", "04 4B", "04 4C", "04 4D", "04 38", "04 63", "04 42", "04 35",
                "04 44", "04 43", "04 5B", "04 24 70", "04 39", "04 4E", "00 02", "04 01", "04 39", "04 4B",
                "04 62"})},
    {"Model5F", 0x5F, 3, IDC_RECALL3, kWide5F,
     Inquiries({"04 00", "04 47", "04 48", "04 4A", "04 4B", "04 4C", "04 4D", "04 38", "04 63", "04 66", "04 42",
                "04 35", "04 44", "04 43", "04 5B", "04 24 72", "04 39", "04 4E", "00 02", "04 01", "04 39",
                "04 4B", "04 62"})},
    {"Model66", 0x66, 0, IDC_RECALL1, kWide66,
     Inquiries({"04 00", "04 47", "04 48", "04 4A", "04 4B", "04 4C", "04 4D", "04 38", "04 63", "04 66", "04 42",
                "04 35", "04 44", "04 43", "04 5B", "04 24 72", "04 39", "04 4E", "00 02", "04 01", "04 39",
                "04 4B", "04 62"})},
    // Gain 1 is too low to stand for brightness: the iris is asked next under
    // the same transaction.
    {"Model40", 0x40, 0, IDC_RECALL1, kWide66,
     Inquiries({"04 00", "04 47", "04 48", "04 4A", "04 4B", "04 4C", "04 4C", "04 4B", "04 38", "04 63", "04 66",
                "04 42", "04 35", "04 44", "04 43", "04 5B", "04 24 72", "04 39", "04 4E", "00 02", "04 39",
                "04 4B", "04 62"})},
};

void PrintTo(const Family& f, std::ostream* os) { *os << f.name; }

class InitialisationChain : public ::testing::TestWithParam<Family> {};

TEST_P(InitialisationChain, WireStatusListRecallButtonAndRecord) {
  const Family& f = GetParam();
  SimLine line;
  SimCameraState state = line.State(line.AddCamera(f.model));
  SimPicture& p = state.picture;
  p.zoomPos = 0x1234;
  p.focusMode = 3;  // manual: the position stays where it was put
  p.focusPos = 0x2345;
  p.gainPos = 1;
  p.irisPos = 0x09;
  p.wbMode = 5;  // manual, with the LED gains below reads as 6
  p.rGain = 0xCD;
  p.bGain = 0xA8;
  p.pictureEffect = 2;
  for (SimPicture& preset : state.presets) preset = p;
  state.customPreset = p;
  state.lastPreset = f.lastPreset;
  state.freeze = 2;
  line.SetState(0, state);
  WirePeer com1(&line);
  EngineRig rig;
  rig.Attach(1, &com1);
  rig.Start();
  ASSERT_TRUE(rig.RunToReady());

  Lines expected = Head(f.lastPreset ? "03" : "01");
  expected.insert(expected.end(), f.commands.begin(), f.commands.end());
  expected.insert(expected.end(), f.inquiries.begin(), f.inquiries.end());
  EXPECT_EQ(com1.Hexes(), expected);
  EXPECT_EQ(rig.StatusTexts(), (Lines{"Searching for cameras...", "Checking COM1...", "Found 1 camera",
                                      "Initializing camera 1...", "1 Cameras OK, none selected"}));
  EXPECT_EQ(rig.ListItems(), Lines{"Camera 1"});
  for (int id = IDC_RECALL1; id <= IDC_RECALL5; id++) EXPECT_EQ(rig.Checked(id), id == f.recallId ? 1 : 0) << id;

  const CameraRecord& r = rig.c->cameras[0];
  EXPECT_EQ(r.port, 0);
  EXPECT_EQ(r.address, 1);
  EXPECT_EQ(r.modelCode, f.model);
  EXPECT_EQ(r.zoomPos, 0x1234);
  EXPECT_EQ(r.focusPos, 0x2345);
  EXPECT_EQ(r.brightPos, f.model == 0x40 ? 0x09 : p.brightPos);
  EXPECT_EQ(r.wbMode, 6);
  EXPECT_EQ(r.pictureEffect, 2);
  EXPECT_EQ(r.freezeOn, 1);
  EXPECT_EQ(rig.c->mode.load() | rig.c->stage.load() | rig.c->followUp.load() | reinitChain | brightStep, 0);
}

INSTANTIATE_TEST_SUITE_P(Families, InitialisationChain, ::testing::ValuesIn(kFamilies),
                         [](const ::testing::TestParamInfo<Family>& info) { return std::string(info.param.name); });

}  // namespace
