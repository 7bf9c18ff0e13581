// Each fault on a chain of two cameras (0x66 at 1, 0x4B at 2), checked on the
// raw bytes that come back in each window of time.
#include "tests/sim/sim_test_util.h"

namespace {

const Bytes kPower1 = Inq({0x00});
const Bytes kPower2{0x82, 0x09, 0x04, 0x00, 0xFF};
const Bytes kFreeze1 = Cmd({0x62, 0x02});
const Bytes kAddressSet{0x88, 0x30, 0x01, 0xFF};

enum Power { KEEP, CUT, RESTORE };  // the row's camera's mains power, before the step sends

struct RawStep {
  std::vector<Bytes> send;
  uint32_t ms;
  Bytes expect;
  Power power = KEEP;
};

struct FaultRow {
  const char* name;
  int camera;  // -1: on the line
  void (*make)(SimFaults&);
  std::vector<RawStep> steps;
};

}  // namespace

TEST(SimFaults, EachFault) {
  const Bytes ackDone = {0x90, 0x41, 0xFF, 0x90, 0x51, 0xFF}, answer1 = {0x90, 0x50, 0x02, 0xFF};
  const Bytes answer2 = {0xA0, 0x50, 0x02, 0xFF}, off2 = {0x82, 0x01, 0x04, 0x00, 0x03, 0xFF};
  // clang-format off
  const FaultRow rows[] = {
      {"silent camera, the other answers", 0, [](SimFaults& f) { f.silent = true; },
       {{{kFreeze1, kPower2}, 10, answer2}, {{kPower1}, 20, {}}}},
      {"silent line", -1, [](SimFaults& f) { f.silent = true; }, {{{kAddressSet, kPower1, kPower2}, 50, {}}}},
      {"error to every inquiry", -1, [](SimFaults& f) { f.AddError(kPower1.data() + 1, 2, 0x02); },
       {{{kPower1, kPower2}, 5, {0x90, 0x60, 0x02, 0xFF, 0xA0, 0x60, 0x02, 0xFF}},
        {{kPower1}, 5, {0x90, 0x60, 0x02, 0xFF}}}},
      {"split with a gap", 0, [](SimFaults& f) { f.splitBytes = 2, f.splitGapMs = 10; },
       {{{kPower1}, 1, {0x90, 0x50}}, {{}, 9, {}}, {{}, 1, {0x02, 0xFF}}}},
      {"pieces stay in order", 0, [](SimFaults& f) { f.splitBytes = 1, f.splitGapMs = 3; },
       {{{kFreeze1}, 30, ackDone}}},
      {"acknowledge held for the completion", -1, [](SimFaults& f) { f.batchReplies = true; },
       {{{Cmd({0x47, 0x01, 0, 0, 0})}, 40, {}}, {{}, 20, ackDone}}},
      {"stops after two packets", 0, [](SimFaults& f) { f.stopAfterPackets = 2; },
       {{{kPower1}, 5, answer1}, {{kPower1}, 5, answer1}, {{kPower1, kFreeze1}, 20, {}}, {{kPower2}, 5, answer2}}},
      {"short address-set echo, then normal", -1, [](SimFaults& f) { f.shortAddressEchoes = 1; },
       {{{kAddressSet}, 10, {0x88, 0x30, 0xFF}}, {{kAddressSet}, 10, {0x88, 0x30, 0x03, 0xFF}}}},
      {"network change after power on", 1, [](SimFaults& f) { f.networkChangeOnPowerOn = true; },
       {{{off2}, 50, {0xA0, 0x41, 0xFF, 0xA0, 0x51, 0xFF}},
        {{{0x82, 0x01, 0x04, 0x00, 0x02, 0xFF}}, 50, {0xA0, 0x41, 0xFF, 0xA0, 0x51, 0xFF, 0xA0, 0x38, 0xFF}}}},
      // The ring is broken behind camera 1 too; back on, camera 2 announces
      // itself and waits for a number.
      {"second camera without power, then back",
       1,
       [](SimFaults&) {},
       {{{kPower1, kAddressSet}, 50, {}, CUT},
        {{kPower2}, 20, {0xA0, 0x38, 0xFF}, RESTORE},
        {{kPower1}, 5, {0x90, 0x50, 0x02, 0xFF}},
        {{kAddressSet}, 20, {0x88, 0x30, 0x03, 0xFF}},
        {{kPower2}, 5, {0xA0, 0x50, 0x02, 0xFF}}}},
  };
  // clang-format on
  for (const FaultRow& row : rows) {
    SimRig rig({0x66, 0x4B});
    SimFaults f;
    row.make(f);
    row.camera < 0 ? rig.line.SetLineFaults(f) : rig.line.SetCameraFaults(row.camera, f);
    for (size_t i = 0; i < row.steps.size(); ++i) {
      if (row.steps[i].power != KEEP) rig.line.SwitchCamera(row.camera, row.steps[i].power == RESTORE);
      for (const Bytes& b : row.steps[i].send) rig.Write(b);
      EXPECT_EQ(rig.Raw(row.steps[i].ms), row.steps[i].expect) << row.name << ", step " << i;
    }
  }
}

TEST(SimFaults, NoiseBeforeTheReply) {
  for (const bool endsPacket : {false, true}) {
    SimRig rig({0x66, 0x4B});
    SimFaults f;
    f.noiseBytes = 3;
    f.noiseEndsPacket = endsPacket;
    rig.line.SetCameraFaults(1, f);
    rig.Write(kPower2);
    const Bytes got = rig.Raw(5);
    ASSERT_EQ(got.size(), 7u);
    EXPECT_TRUE(got[0] != 0xFF && got[1] != 0xFF);
    EXPECT_EQ(got[2] == 0xFF, endsPacket);
    EXPECT_EQ(Bytes(got.begin() + 3, got.end()), (Bytes{0xA0, 0x50, 0x02, 0xFF}));
  }
}
