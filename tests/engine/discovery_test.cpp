// Initialisation byte for byte per family; discovery over several ports.
#include "common/control_ids.h"
#include "tests/support/engine_rig.h"

#include <gtest/gtest.h>

namespace {

const std::string kNarrow = Framed("06 03|3E 02|3F 01 7F");
const std::string kWide5F = Framed("36 00|74 3F|3E 02|2C 07|28 0E 05 00 00|06 03|3F 01 7F");
const std::string kWide66 = Framed("36 00|74 3F|53 03|3E 02|2C 07|28 0E 05 00 00|06 03|3F 01 7F");

// A model outside the six is asked afterwards whether it pans and tilts (06 12).
struct Family {
  const char* name;
  uint8_t model, lastPreset;
  int recallId;
  std::string commands, inquiries;  // the second after 81 09
};

// clang-format off
const Family kFamilies[] = {
    {"Narrow10x", 0x45, 0, IDC_RECALL1, kNarrow, "04 00|04 47|04 48|04 4A|04 4B|04 4C|04 4D|04 38|04 63|"
        "04 42|04 35|04 44|04 43|04 5B|04 24 70|04 39|04 4E|00 02|04 39|04 4B|04 62|06 12"},
    {"Model4B", 0x4B, 0, IDC_RECALL1, kNarrow, "04 00|04 47|04 48|04 4A|04 4B|04 4C|04 4D|04 38|04 63|"
        "04 42|04 35|04 44|04 43|04 5B|04 24 70|04 39|04 4E|00 02|04 01|04 39|04 4B|04 62"},
    {"Model5F", 0x5F, 3, IDC_RECALL3, kWide5F, "04 00|04 47|04 48|04 4A|04 4B|04 4C|04 4D|04 38|04 63|"
        "04 66|04 42|04 35|04 44|04 43|04 5B|04 24 72|04 39|04 4E|00 02|04 01|04 39|04 4B|04 62"},
    {"Model66", 0x66, 0, IDC_RECALL1, kWide66, "04 00|04 47|04 48|04 4A|04 4B|04 4C|04 4D|04 38|04 63|"
        "04 66|04 42|04 35|04 44|04 43|04 5B|04 24 72|04 39|04 4E|00 02|04 01|04 39|04 4B|04 62"},
    // Gain 1, the default, cannot stand for brightness: the iris is asked next. No infrared-cut inquiry.
    {"Model40", 0x40, 0, IDC_RECALL1, kWide66, "04 00|04 47|04 48|04 4A|04 4B|04 4C|04 4C|04 4B|04 38|"
        "04 63|04 66|04 42|04 35|04 44|04 43|04 5B|04 24 72|04 39|04 4E|00 02|04 39|04 4B|04 62"},
};
// clang-format on

TEST(InitialisationChain, WireStatusListRecallButtonAndRecordForEachFamily) {
  for (const Family& f : kFamilies) {
    SCOPED_TRACE(f.name);
    EngineRig rig;
    WirePeer& com1 = rig.Attach(1, {f.model});
    com1.SetStoredPicture(0, [&](SimCameraState& s) {
      s.picture.wbMode = 5;  // manual, with the LED gains below reads as 6
      s.picture.rGain = 0xCD;
      s.picture.bGain = 0xA8;
      s.lastPreset = f.lastPreset;
    });
    const SimPicture p = com1.State(0).picture;
    rig.Start();
    ASSERT_TRUE(rig.RunToReady());

    std::string sent;
    for (const std::string& frame : com1.Hexes()) sent += (sent.empty() ? "" : " | ") + frame;
    EXPECT_EQ(sent, "88 30 01 FF | 88 01 00 01 FF | " + Framed("00 02|04 3F", "81 09 ") + " | " +
                        Framed(f.lastPreset ? "00 02|3F 02 03" : "00 02|3F 02 01") + " | " + f.commands + " | " +
                        Framed(f.inquiries, "81 09 "));
    EXPECT_EQ(rig.StatusTexts(), (Lines{"Searching for cameras...", "Checking COM1...", "Found 1 camera",
                                        "Initializing camera 1...", "1 Cameras OK, none selected"}));
    EXPECT_EQ(rig.ListItems(), Lines{"Camera 1"});
    for (int id = IDC_RECALL1; id <= IDC_RECALL5; id++) EXPECT_EQ(rig.Checked(id), id == f.recallId ? 1 : 0) << id;

    const CameraRecord& r = rig.c->cameras[0];
    EXPECT_EQ(r.modelCode, f.model);
    EXPECT_EQ(r.brightPos, f.model == 0x40 ? p.irisPos : p.brightPos);
    EXPECT_EQ(r.wbMode, 6);
    EXPECT_EQ(rig.c->phase.load() | rig.c->transaction.load() | rig.c->stage.load() | rig.c->followUp.load() |
                  rig.c->reinitChain | rig.c->brightStep,
              0);
  }
}

TEST(Discovery, CamerasOnSeveralPortsInPortAndAddressOrder) {
  EngineRig rig;
  rig.Attach(1, {0x45, 0x5F});
  WirePeer& com2 = rig.Attach(2);  // open, but nothing on the line
  WirePeer& com3 = rig.Attach(3, {0x66});
  rig.Start();  // COM4..COM10 fail to open
  ASSERT_TRUE(rig.RunToReady(30000));
  std::vector<std::vector<int>> records;  // port, address, model
  for (int i = 0; i < rig.c->cameraCount.load(); i++)
    records.push_back({rig.c->cameras[i].line, rig.c->cameras[i].address, rig.c->cameras[i].modelCode});
  EXPECT_EQ(records, (std::vector<std::vector<int>>{{0, 1, 0x45}, {0, 2, 0x5F}, {2, 1, 0x66}}));
  EXPECT_EQ(rig.StatusTexts(),
            (Lines{"Searching for cameras...", "Checking COM1...", "Checking COM2...", "Checking COM3...",
                   "Found 3 cameras", "Initializing camera 1...", "Initializing camera 2...",
                   "Initializing camera 3...", "3 Cameras OK, none selected"}));
  EXPECT_EQ(rig.ListItems(), (Lines{"Camera 1", "Camera 2", "Camera 3"}));

  // The silent port got one address set and was closed about 201 ms later.
  uint32_t silence = com3.Frames()[0].tick - com2.Frames()[0].tick;
  EXPECT_GE(silence, 201u);
  EXPECT_LE(silence, 215u);
  EXPECT_EQ(com2.Hexes(), Lines{"88 30 01 FF"});
  EXPECT_TRUE(rig.c->channels[0] && !rig.c->channels[1] && rig.c->channels[2]);
}

TEST(Discovery, EchoNeverCreatesMoreThanSevenCamerasPerLineNorPassesTheTable) {
  EngineRig rig;
  for (int n = 1; n <= kSerialLineCount; n++) rig.Attach(n);
  rig.Start();
  for (int i = 0; i < kSerialLineCount; i++) {
    ASSERT_TRUE(rig.RunUntil([&] { return rig.c->stage.load() == STAGE_ECHO && rig.c->phase.load() == 1; }, 100));
    ASSERT_EQ(rig.c->line.load(), i);
    rig.Com(i + 1).Inject({0x88, 0x30, uint8_t(i % 2 ? 0x09 : 0x7F), 0xFF});  // eight, and many more
    ASSERT_TRUE(rig.RunUntil([&] { return rig.c->phase.load() == PHASE_NEXT_LINE; }, 10));
    rig.Com(i + 1).Inject({0x88, 0x01, 0x00, 0x01, 0xFF});
    ASSERT_TRUE(rig.RunUntil([&] { return rig.c->phase.load() != PHASE_NEXT_LINE; }, 10));
  }
  EXPECT_EQ(rig.c->cameraCount.load(), 70);
  for (int i = 0; i < 70; i++)
    EXPECT_EQ(rig.c->cameras[i].line * 10 + rig.c->cameras[i].address, i / 7 * 10 + i % 7 + 1) << i;
  rig.Step();
  Lines texts = rig.StatusTexts();
  EXPECT_EQ(Lines(texts.end() - 2, texts.end()), (Lines{"Found 70 cameras", "Initializing camera 1..."}));
}

}  // namespace
