// The command bytes every request code puts on the wire, per model family, as
// the simulated camera received them. Expected bytes are written out here from
// the published command table, not taken from the program's own tables.
#include "requests/request_codes.h"
#include "tests/requests/engine_rig.h"

#include "common/control_ids.h"
#include "platform/fakewin.h"

#include <gtest/gtest.h>

#include <functional>
#include <vector>

namespace {

typedef std::vector<int> Payload;
typedef std::function<void(EngineRig&)> Arrange;

struct VideoWrite {
  int reg;
  int value;
};

struct Family {
  const char* name;
  uint8_t model;
  int zoomArg;
  Payload zoomDigits;   // zoom position for zoomArg
  Payload focusDigits;  // focus position for slider 50
  VideoWrite video[10];  // requests 18..27
};

// Zoom: Z10 slider 57 -> 14199 (0x3777); Z20 189 -> 16377 (0x3FF9);
// Z30 145 -> 15050 + 1 * 5 = 15055 (0x3ACF).
// Focus 50: 50 * 0xD500 / 99 + 0x1000 = 0x7B93; 50 * 0xB000 / 99 + 0x1000 = 0x68E3.
const Family kFamilies[] = {
    {"other_4B", 0x4B, 57, {3, 7, 7, 7}, {6, 8, 0xE, 3},
     {{0x70, 0x01}, {0x70, 0x02}, {0x70, 0x03}, {0x70, 0x11}, {0x70, 0x12},
      {0x70, 0x13}, {0x70, 0x01}, {0x70, 0x11}, {0x72, 0x06}, {0x70, 0x08}}},
    {"m5F", 0x5F, 189, {3, 0xF, 0xF, 9}, {7, 0xB, 9, 3},
     {{0x72, 0x02}, {0x72, 0x0A}, {0x72, 0x10}, {0x72, 0x04}, {0x72, 0x0C},
      {0x72, 0x0D}, {0x72, 0x02}, {0x72, 0x04}, {0x72, 0x06}, {0x70, 0x08}}},
    {"m5C", 0x5C, 189, {3, 0xF, 0xF, 9}, {7, 0xB, 9, 3},
     {{0x72, 0x02}, {0x72, 0x0A}, {0x72, 0x10}, {0x72, 0x04}, {0x72, 0x0C},
      {0x72, 0x0D}, {0x72, 0x02}, {0x72, 0x04}, {0x72, 0x06}, {0x70, 0x08}}},
    {"m66", 0x66, 145, {3, 0xA, 0xC, 0xF}, {7, 0xB, 9, 3},
     {{0x72, 0x02}, {0x72, 0x0A}, {0x72, 0x10}, {0x72, 0x04}, {0x72, 0x0C},
      {0x72, 0x0D}, {0x72, 0x02}, {0x72, 0x14}, {0x72, 0x06}, {0x72, 0x08}}},
    {"m67", 0x67, 145, {3, 0xA, 0xC, 0xF}, {7, 0xB, 9, 3},
     {{0x72, 0x01}, {0x72, 0x0C}, {0x72, 0x03}, {0x72, 0x04}, {0x72, 0x0C},
      {0x72, 0x05}, {0x72, 0x13}, {0x72, 0x14}, {0x72, 0x06}, {0x72, 0x08}}},
    {"m40", 0x40, 145, {3, 0xA, 0xC, 0xF}, {7, 0xB, 9, 3},
     {{0x72, 0x01}, {0x72, 0x0C}, {0x72, 0x01}, {0x72, 0x04}, {0x72, 0x0C},
      {0x72, 0x01}, {0x72, 0x13}, {0x72, 0x14}, {0x72, 0x06}, {0x72, 0x08}}},
};

Payload Cmd(std::initializer_list<int> tail) {
  Payload p = {0x01, 0x04};
  p.insert(p.end(), tail);
  return p;
}

Payload WithDigits(int cmd, const Payload& digits) {
  Payload p = {0x01, 0x04, cmd};
  p.insert(p.end(), digits.begin(), digits.end());
  return p;
}

struct Row {
  const char* what;
  uint32_t code;
  int32_t a;
  Arrange arrange;
  std::vector<Payload> expected;  // empty: nothing may be sent
};

void Nothing(EngineRig&) {}

std::vector<Row> RowsFor(const Family& f) {
  const bool m40 = f.model == 0x40;
  std::vector<Row> rows = {
      {"zoom", REQ_ZOOM_DIRECT, f.zoomArg, Nothing, {WithDigits(0x47, f.zoomDigits)}},
      {"zoom equal to the reported position is still sent", REQ_ZOOM_DIRECT, 0,
       [](EngineRig& r) { r.Record(0).zoomPos = 0; }, {Cmd({0x47, 0, 0, 0, 0})}},
      {"send 26 00", REQ_SEND_26_00, 0, Nothing, {Cmd({0x26, 0x00})}},
      {"focus auto on", REQ_FOCUS_AUTO, 1, Nothing, {Cmd({0x38, 0x02})}},
      {"focus auto off", REQ_FOCUS_AUTO, 0, Nothing, {Cmd({0x38, 0x03})}},
      {"focus auto, only the low 4 bits count", REQ_FOCUS_AUTO, 0x10, Nothing, {Cmd({0x38, 0x03})}},
      {"focus direct", REQ_FOCUS_DIRECT, 50,
       [](EngineRig& r) {
         r.Record(0).focusAuto = 0;
         r.Record(0).focusPos = 0x1000;
       },
       {WithDigits(0x48, f.focusDigits)}},
      {"focus direct while auto focus is on", REQ_FOCUS_DIRECT, 50,
       [](EngineRig& r) {
         r.Record(0).focusAuto = 1;
         r.Record(0).focusPos = 0x1000;
       },
       {}},
      {"focus direct to the reported position", REQ_FOCUS_DIRECT, 1,
       [](EngineRig& r) {
         r.Record(0).focusAuto = 0;
         r.Record(0).focusPos = 0x1000 + (IsWideRangeModel(r.Record(0).modelCode) ? 0xD500 : 0xB000) / 99;
       },
       {}},
      {"exposure level in Manual mode is the shutter", REQ_EXPOSURE_LEVEL, 2,
       [](EngineRig& r) {
         r.Record(0).aeMode = 3;
         r.Record(0).shutterPos = 0;
       },
       {Cmd({0x4A, 0, 0, 0x00, 0x0D})}},
      {"shutter equal to the reported one", REQ_EXPOSURE_LEVEL, 2,
       [](EngineRig& r) {
         r.Record(0).aeMode = 3;
         r.Record(0).shutterPos = 13;
       },
       {}},
      {"exposure level in full auto", REQ_EXPOSURE_LEVEL, 9, [](EngineRig& r) { r.Record(0).aeMode = 0; }, {}},
      {"exposure level in shutter priority", REQ_EXPOSURE_LEVEL, 9, [](EngineRig& r) { r.Record(0).aeMode = 0x0A; },
       {}},
      {"brightness equal to the reported one", REQ_EXPOSURE_LEVEL, 12,
       [](EngineRig& r) {
         r.Record(0).aeMode = 13;
         r.Record(0).brightPos = 12;
       },
       {}},
      {"exposure auto on", REQ_AE_AUTO, 1, Nothing, {Cmd({0x39, 0x00})}},
      {"exposure auto off", REQ_AE_AUTO, 0, Nothing, {Cmd({0x39, m40 ? 0x03 : 0x0D})}},
      {"exposure manual", REQ_AE_MANUAL, 0, Nothing, {Cmd({0x39, 0x03})}},
      {"gain default", REQ_GAIN_DEFAULT, 0, Nothing, {Cmd({0x4C, 0, 0, 0, 2})}},
      {"shutter reset", REQ_SHUTTER_RESET, 0, Nothing, {Cmd({0x0A, 0x00})}},
      {"iris in Manual mode", REQ_IRIS_DIRECT, 11,
       [](EngineRig& r) {
         r.Record(0).aeMode = 3;
         r.Record(0).irisPos = 5;
       },
       {Cmd({0x4B, 0, 0, 0x00, 0x0B})}},
      {"iris equal to the reported one", REQ_IRIS_DIRECT, 11,
       [](EngineRig& r) {
         r.Record(0).aeMode = 3;
         r.Record(0).irisPos = 11;
       },
       {}},
      {"iris in full auto", REQ_IRIS_DIRECT, 11,
       [](EngineRig& r) {
         r.Record(0).aeMode = 0;
         r.Record(0).irisPos = 5;
       },
       {}},
      {"code 11", 11, 0, Nothing, {}},
      {"effect BW", REQ_EFFECT_BW, 0, Nothing, {Cmd({0x63, 0x04})}},
      {"effect negative", REQ_EFFECT_NEGATIVE, 0, Nothing, {Cmd({0x63, 0x02})}},
      {"effect normal", REQ_EFFECT_NORMAL, 0, Nothing, {Cmd({0x63, 0x00})}},
      {"gamma normal", REQ_GAMMA_NORMAL, 0, Nothing, {Cmd({0x5B, 0x00})}},
      {"gamma type 1", REQ_GAMMA_TYPE1, 0, Nothing, {Cmd({0x5B, 0x01})}},
      {"gamma type 2", REQ_GAMMA_TYPE2, 0, Nothing, {Cmd({0x5B, 0x02})}},
      {"rotate from off", REQ_ROTATE_TOGGLE, 0, [](EngineRig& r) { r.Record(0).pictureFlip = 3; },
       {Cmd({0x66, 0x02})}},
      {"rotate from on", REQ_ROTATE_TOGGLE, 0, [](EngineRig& r) { r.Record(0).pictureFlip = 2; },
       {Cmd({0x66, 0x03})}},
      {"rotate from an unknown state", REQ_ROTATE_TOGGLE, 0, [](EngineRig& r) { r.Record(0).pictureFlip = 0; },
       {Cmd({0x66, 0x03})}},
      {"sharpness", REQ_SHARPNESS_DIRECT, 9, [](EngineRig& r) { r.Record(0).aperture = 0; },
       {Cmd({0x42, 0, 0, 0x00, 0x09})}},
      {"sharpness equal to the reported one", REQ_SHARPNESS_DIRECT, 9, [](EngineRig& r) { r.Record(0).aperture = 9; },
       {}},
      {"white balance cold", REQ_WB_COLD, 0, Nothing, {Cmd({0x35, 0x01})}},
      {"white balance warm", REQ_WB_WARM, 0, Nothing, {Cmd({0x35, 0x02})}},
      {"white balance LED", REQ_WB_LED, 0, Nothing, {Cmd({0x35, 0x05})}},
      {"R gain for LED, even when equal", REQ_R_GAIN_LED, 0, [](EngineRig& r) { r.Record(0).rGain = 205; },
       {Cmd({0x43, 0, 0, 0x0C, 0x0D})}},
      {"B gain for LED, even when equal", REQ_B_GAIN_LED, 0, [](EngineRig& r) { r.Record(0).bGain = 168; },
       {Cmd({0x44, 0, 0, 0x0A, 0x08})}},
      {"white balance auto", REQ_WB_AUTO, 0, Nothing, {Cmd({0x35, 0x00})}},
      {"white balance manual", REQ_WB_MANUAL, 0, Nothing, {Cmd({0x35, 0x05})}},
      {"white balance one push", REQ_WB_ONE_PUSH, 0, Nothing, {Cmd({0x35, 0x03})}},
      {"one push trigger", REQ_WB_ONE_PUSH_TRIGGER, 0, Nothing, {Cmd({0x10, 0x05})}},
      // The camera takes direct gains only in manual white balance.
      {"R gain", REQ_R_GAIN_DIRECT, 0xAB,
       [](EngineRig& r) {
         r.Request(REQ_WB_MANUAL, 0);
         r.Record(0).rGain = 0;
       },
       {Cmd({0x43, 0, 0, 0x0A, 0x0B})}},
      {"R gain equal", REQ_R_GAIN_DIRECT, 0xAB, [](EngineRig& r) { r.Record(0).rGain = 0xAB; }, {}},
      {"B gain", REQ_B_GAIN_DIRECT, 0x3C,
       [](EngineRig& r) {
         r.Request(REQ_WB_MANUAL, 0);
         r.Record(0).bGain = 0;
       },
       {Cmd({0x44, 0, 0, 0x03, 0x0C})}},
      {"B gain equal", REQ_B_GAIN_DIRECT, 0x3C, [](EngineRig& r) { r.Record(0).bGain = 0x3C; }, {}},
      {"exposure compensation in full auto", REQ_EXP_COMP_DIRECT, 9,
       [](EngineRig& r) {
         r.Record(0).aeMode = 0;
         r.Record(0).expCompPos = 7;
       },
       {Cmd({0x4E, 0, 0, 0x00, 0x09})}},
      {"exposure compensation equal", REQ_EXP_COMP_DIRECT, 9,
       [](EngineRig& r) {
         r.Record(0).aeMode = 0;
         r.Record(0).expCompPos = 9;
       },
       {}},
      {"exposure compensation in Manual mode", REQ_EXP_COMP_DIRECT, 9,
       [](EngineRig& r) {
         r.Record(0).aeMode = 3;
         r.Record(0).expCompPos = 7;
       },
       {}},
      {"code 42", 42, 0, Nothing, {}},
      {"NIR vision on", REQ_NIR_VISION, 1, Nothing, {Cmd({0x01, 0x02})}},
      {"NIR vision off", REQ_NIR_VISION, 0, Nothing, {Cmd({0x01, 0x03})}},
      {"freeze on", REQ_FREEZE, 1, Nothing, {Cmd({0x62, 0x02})}},
      {"freeze off", REQ_FREEZE, 0, Nothing, {Cmd({0x62, 0x03})}},
      {"freeze with 2 is off: only 1 means on", REQ_FREEZE, 2, Nothing, {Cmd({0x62, 0x03})}},
      {"preset save without a checked preset", REQ_PRESET_SAVE, 0, Nothing, {Cmd({0x3F, 0x01, 0x7F})}},
      {"preset save with preset 3 checked", REQ_PRESET_SAVE, 0, [](EngineRig& r) { r.Check(IDC_SETUP_PRESET_3, true); },
       {Cmd({0x3F, 0x01, 0x03})}},
      {"save and close", REQ_SAVE_AND_CLOSE, 0, [](EngineRig& r) { r.Check(IDC_SETUP_PRESET_3, false); },
       {Cmd({0x3F, 0x01, 0x7F})}},
      {"code 0", 0, 0, Nothing, {}},
      {"code 53", 53, 0, Nothing, {}},
      {"code 0xFFFFFFFF", 0xFFFFFFFFu, 0, Nothing, {}},
  };
  for (int n = 1; n <= 5; n++)
    rows.push_back({"preset recall", static_cast<uint32_t>(47 + n), 0, Nothing, {Cmd({0x3F, 0x02, n})}});
  for (int i = 0; i < 10; i++) {
    const VideoWrite& w = f.video[i];
    rows.push_back({"video output format", static_cast<uint32_t>(18 + i), 0, Nothing,
                    {Cmd({0x24, w.reg, w.value >> 4, w.value & 0x0F})}});
  }
  // Bright mode first; model 0x40 emulates it in Manual mode.
  Arrange bright = [](EngineRig& r) {
    r.Request(REQ_AE_AUTO, 0);
    r.Record(0).aeMode = 13;
    r.Record(0).brightPos = 5;
  };
  if (m40) {
    rows.push_back({"emulated brightness 17: gain 1, then iris 17", REQ_EXPOSURE_LEVEL, 17,
                    bright,
                    {Cmd({0x4C, 0, 0, 0, 1}), Cmd({0x4B, 0, 0, 1, 1})}});
    rows.push_back({"emulated brightness 18: iris 17, then gain 2", REQ_EXPOSURE_LEVEL, 18,
                    bright,
                    {Cmd({0x4B, 0, 0, 1, 1}), Cmd({0x4C, 0, 0, 0, 2})}});
    rows.push_back({"emulated brightness 6: gain 1, then iris 6", REQ_EXPOSURE_LEVEL, 6,
                    bright,
                    {Cmd({0x4C, 0, 0, 0, 1}), Cmd({0x4B, 0, 0, 0, 6})}});
  } else {
    rows.push_back({"brightness in Bright mode", REQ_EXPOSURE_LEVEL, 18,
                    bright,
                    {Cmd({0x4D, 0, 0, 0x01, 0x02})}});
  }
  // Power last: it lets a later refusal restart initialisation.
  rows.push_back({"power on", REQ_POWER, 1, Nothing, {Cmd({0x00, 0x02})}});
  return rows;
}

std::vector<Bytes> Framed(const std::vector<Payload>& payloads) {
  std::vector<Bytes> out;
  for (const Payload& p : payloads) {
    Bytes b = {0x81};
    for (int v : p) b.push_back(static_cast<uint8_t>(v));
    b.push_back(0xFF);
    out.push_back(b);
  }
  return out;
}

class CommandBytes : public ::testing::TestWithParam<Family> {};

TEST_P(CommandBytes, EveryCodeSendsExactlyItsCommand) {
  const Family& f = GetParam();
  EngineRig rig({f.model}, WORKER_MANUAL);
  ASSERT_NE(rig.c, nullptr);
  ASSERT_TRUE(rig.Initialise());
  ASSERT_EQ(rig.Record(0).modelCode, f.model);

  for (const Row& row : RowsFor(f)) {
    SCOPED_TRACE(testing::Message() << f.name << " code " << row.code << " a " << row.a << ": " << row.what);
    row.arrange(rig);
    rig.ClearReceived();
    rig.Post(0, row.code, row.a);
    if (row.expected.empty()) {
      // Consumed in one step, nothing on the wire, the engine stays idle.
      rig.Step();
      EXPECT_TRUE(rig.Idle());
      EXPECT_EQ(rig.c->followUp.load(), static_cast<int32_t>(row.code));
      rig.RunUntil([] { return false; }, 20);
      EXPECT_EQ(Hex(rig.Received(0)), "");
      EXPECT_TRUE(rig.Idle());
      continue;
    }
    ASSERT_TRUE(rig.Settle());
    EXPECT_EQ(Hex(rig.ReceivedCommands(0)), Hex(Framed(row.expected)));
  }
}

INSTANTIATE_TEST_SUITE_P(Families, CommandBytes, ::testing::ValuesIn(kFamilies),
                         [](const ::testing::TestParamInfo<Family>& info) { return std::string(info.param.name); });

}  // namespace
