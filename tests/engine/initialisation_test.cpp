// Discovery and initialisation of each family byte for byte, then the panel and record.
#include "common/control_ids.h"
#include "tests/support/engine_rig.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace {

Lines Head(const char* preset) {
  return {"88 30 01 FF",    "88 01 00 01 FF",    "81 09 00 02 FF",
          "81 09 04 3F FF", "81 01 04 00 02 FF", std::string("81 01 04 3F 02 ") + preset + " FF"};
}

const Lines kNarrow = {"81 01 04 06 03 FF", "81 01 04 3E 02 FF", "81 01 04 3F 01 7F FF"};
const Lines kWide5F = {"81 01 04 36 00 FF",          "81 01 04 74 3F FF", "81 01 04 3E 02 FF",   "81 01 04 2C 07 FF",
                       "81 01 04 28 0E 05 00 00 FF", "81 01 04 06 03 FF", "81 01 04 3F 01 7F FF"};
const Lines kWide66 = {"81 01 04 36 00 FF", "81 01 04 74 3F FF",          "81 01 04 53 03 FF", "81 01 04 3E 02 FF",
                       "81 01 04 2C 07 FF", "81 01 04 28 0E 05 00 00 FF", "81 01 04 06 03 FF", "81 01 04 3F 01 7F FF"};

// The setting chain's inquiries 81 09 <code> FF, from "04 00|04 47|...".
Lines Inquiries(const std::string& codes) {
  Lines out;
  for (size_t at = 0, bar; at < codes.size(); at = bar + 1)
    out.push_back("81 09 " + codes.substr(at, (bar = std::min(codes.find('|', at), codes.size())) - at) + " FF");
  return out;
}

struct Family {
  const char* name;
  uint8_t model, lastPreset;
  int recallId;
  Lines commands, inquiries;
};

// clang-format off
const Family kFamilies[] = {
    {"Narrow10x", 0x45, 0, IDC_RECALL1, kNarrow, Inquiries("04 00|04 47|04 48|04 4A|04 4B|04 4C|04 4D|04 38|04 63|"
        "04 42|04 35|04 44|04 43|04 5B|04 24 70|04 39|04 4E|00 02|04 39|04 4B|04 62")},
    {"Model4B", 0x4B, 0, IDC_RECALL1, kNarrow, Inquiries("04 00|04 47|04 48|04 4A|04 4B|04 4C|04 4D|04 38|04 63|"
        "04 42|04 35|04 44|04 43|04 5B|04 24 70|04 39|04 4E|00 02|04 01|04 39|04 4B|04 62")},
    {"Model5F", 0x5F, 3, IDC_RECALL3, kWide5F, Inquiries("04 00|04 47|04 48|04 4A|04 4B|04 4C|04 4D|04 38|04 63|"
        "04 66|04 42|04 35|04 44|04 43|04 5B|04 24 72|04 39|04 4E|00 02|04 01|04 39|04 4B|04 62")},
    {"Model66", 0x66, 0, IDC_RECALL1, kWide66, Inquiries("04 00|04 47|04 48|04 4A|04 4B|04 4C|04 4D|04 38|04 63|"
        "04 66|04 42|04 35|04 44|04 43|04 5B|04 24 72|04 39|04 4E|00 02|04 01|04 39|04 4B|04 62")},
    // Gain 1, the default, cannot stand for brightness: the iris is asked next. No infrared-cut inquiry.
    {"Model40", 0x40, 0, IDC_RECALL1, kWide66, Inquiries("04 00|04 47|04 48|04 4A|04 4B|04 4C|04 4C|04 4B|04 38|"
        "04 63|04 66|04 42|04 35|04 44|04 43|04 5B|04 24 72|04 39|04 4E|00 02|04 39|04 4B|04 62")},
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

    Lines expected = Head(f.lastPreset ? "03" : "01");
    expected.insert(expected.end(), f.commands.begin(), f.commands.end());
    expected.insert(expected.end(), f.inquiries.begin(), f.inquiries.end());
    EXPECT_EQ(com1.Hexes(), expected);
    EXPECT_EQ(rig.StatusTexts(), (Lines{"Searching for cameras...", "Checking COM1...", "Found 1 camera",
                                        "Initializing camera 1...", "1 Cameras OK, none selected"}));
    EXPECT_EQ(rig.ListItems(), Lines{"Camera 1"});
    for (int id = IDC_RECALL1; id <= IDC_RECALL5; id++) EXPECT_EQ(rig.Checked(id), id == f.recallId ? 1 : 0) << id;

    const CameraRecord& r = rig.c->cameras[0];
    EXPECT_EQ(r.modelCode, f.model);
    EXPECT_EQ(r.brightPos, f.model == 0x40 ? p.irisPos : p.brightPos);
    EXPECT_EQ(r.wbMode, 6);
    EXPECT_EQ(
        rig.c->mode.load() | rig.c->stage.load() | rig.c->followUp.load() | rig.c->reinitChain | rig.c->brightStep, 0);
  }
}

}  // namespace
