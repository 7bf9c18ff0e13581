// Every request code per model family against a simulated camera: exact command
// bytes, the read-back's inquiries, the notification, and the engine idle again.
#include "common/control_ids.h"
#include "requests/request_codes.h"
#include "tests/support/engine_rig.h"

#include <gtest/gtest.h>

#include <string>
#include <tuple>
#include <vector>

namespace {

struct Family {
  const char* name;
  uint8_t model;
  int focus1, zoomArg;  // focus position of slider 1
  // zoom for zoomArg, focus for slider 50, request 6 with a = 0, brightness 17 and 18
  const char *zoom, *focus50, *aeOff, *bright17, *bright18;
  const char* video;  // register:value for requests 18..27
};

// Zoom: Z10 slider 57 -> 14199 (0x3777); Z20 189 -> 16377 (0x3FF9); Z30 145 -> 15050 + 5 = 15055 (0x3ACF).
// Focus 50: 50 * 0xD500 / 99 + 0x1000 = 0x7B93; 50 * 0xB000 / 99 + 0x1000 = 0x68E3.
#define OTHER 0x11C7, 57, "47 03 07 07 07", "48 06 08 0E 03", "39 0D", "4D 00 00 01 01", "4D 00 00 01 02"
#define Z30 0x1226, 145, "47 03 0A 0C 0F", "48 07 0B 09 03"
const Family kFamilies[] = {
    {"m4B", 0x4B, OTHER, "70:01 70:02 70:03 70:11 70:12 70:13 70:01 70:11 72:06 70:08"},
    {"m45", 0x45, OTHER, "70:01 70:02 70:03 70:11 70:12 70:13 70:01 70:11 72:06 70:08"},
    {"m5F", 0x5F, 0x1226, 189, "47 03 0F 0F 09", "48 07 0B 09 03", "39 0D", "4D 00 00 01 01", "4D 00 00 01 02",
     "72:02 72:0A 72:10 72:04 72:0C 72:0D 72:02 72:04 72:06 70:08"},
    {"m66", 0x66, Z30, "39 0D", "4D 00 00 01 01", "4D 00 00 01 02",
     "72:02 72:0A 72:10 72:04 72:0C 72:0D 72:02 72:14 72:06 72:08"},
    {"m67", 0x67, Z30, "39 0D", "4D 00 00 01 01", "4D 00 00 01 02",
     "72:01 72:0C 72:03 72:04 72:0C 72:05 72:13 72:14 72:06 72:08"},
    // Model 0x40 emulates brightness in Manual mode: gain 1 and iris b up to 17, above it iris 17 and gain b - 16.
    {"m40", 0x40, Z30, "39 03", "4C 00 00 00 01|4B 00 00 01 01", "4B 00 00 01 01|4C 00 00 00 02",
     "72:01 72:0C 72:01 72:04 72:0C 72:01 72:13 72:14 72:06 72:08"},
};

struct Row {
  uint32_t code;
  int32_t a;
  int aeMode;                      // reported exposure mode arranged first; -1: as it is
  SharedInt CameraRecord::*field;  // reported field arranged to `value` first, and the one notified
  int32_t value;
  std::string bytes;      // commands after 8x 01 04; empty: nothing may be sent
  std::string asked;      // inquiries after 8x 09, re-asks counted once
  uint32_t notify;        // code of the last notification; 0: none at all
  int32_t notified = -1;  // its value when not the field's: the shutter's slider position
};

int refreshCalls, refreshedIndex;
void CountRefresh(CameraController*, int32_t index) { refreshCalls++, refreshedIndex = index; }

class Requests : public ::testing::TestWithParam<Family> {};

TEST_P(Requests, CommandReadBackAndNotification) {
  const Family& f = GetParam();
  const uint8_t m = f.model;
  const bool wide = m != 0x4B && m != 0x45, icr = m == 0x4B || m == 0x5F || m == 0x66 || m == 0x67;
  const std::string video = wide ? "04 24 72" : "04 24 70", bright = m == 0x40 ? "04 4C" : "04 4D";
  const std::string nir = m == 0x45 ? "" : "04 51";  // 0x45 refuses the command
  // The whole setting chain a re-reading runs, from white balance or from zoom.
  const std::string fromWb =
      "04 35|04 44|04 43|04 5B|" + video + "|04 39|04 4E|00 02|" + (icr ? "04 01|" : "") + "04 39|04 4B|04 62";
  const std::string fromZoom = "04 47|04 48|04 4A|04 4B|04 4C|" + (m == 0x40 ? "" : bright + "|") + "04 38|04 63|" +
                               (wide ? "04 66|" : "") + "04 42|" + fromWb;
  typedef CameraRecord R;
  // In order: each row relies on the mode the rows before it left the camera in.
  std::vector<Row> rows = {
      {REQ_ZOOM_DIRECT, f.zoomArg, -1, &R::zoomPos, 0, f.zoom, "04 47", 1},
      {REQ_ZOOM_DIRECT, 0, -1, &R::zoomPos, 0, "47 00 00 00 00", "04 47", 1},  // sent even when equal
      {REQ_SEND_26_00, 0, -1, nullptr, 0, "26 00", "", 0},
      {REQ_FOCUS_AUTO, 1, -1, &R::focusPos, 0x1000, "38 02", "04 48", 4},
      {REQ_FOCUS_DIRECT, 50, -1, &R::focusPos, 0x1000, "", "", 0},            // auto focus is on
      {REQ_FOCUS_AUTO, 0x10, -1, &R::focusPos, 0x1000, "38 03", "04 48", 4},  // only the low 4 bits count
      {REQ_FOCUS_AUTO, 0, -1, &R::focusPos, 0x1000, "38 03", "04 48", 4},
      {REQ_FOCUS_DIRECT, 50, -1, &R::focusPos, 0x1000, f.focus50, "04 48", 4},
      {REQ_FOCUS_DIRECT, 1, -1, &R::focusPos, f.focus1, "", "", 0},
      {REQ_AE_MANUAL, 0, -1, &R::icrMode, 0, "39 03", "04 39", 43},
      {REQ_EXPOSURE_LEVEL, 2, 3, &R::shutterPos, 0, "4A 00 00 00 0D", "04 4A", 5, 2},
      {REQ_EXPOSURE_LEVEL, 2, 3, &R::shutterPos, 13, "", "", 0},
      {REQ_IRIS_DIRECT, 11, 3, &R::irisPos, 5, "4B 00 00 00 0B", "04 4B", 41},
      {REQ_IRIS_DIRECT, 11, 3, &R::irisPos, 11, "", "", 0},
      {REQ_EXP_COMP_DIRECT, 9, 3, &R::expCompPos, 7, "", "", 0},
      {REQ_GAIN_DEFAULT, 0, -1, nullptr, 0, "4C 00 00 00 02", "04 4C", 0},
      {REQ_SHUTTER_RESET, 0, -1, &R::shutterPos, 0, "0A 00", "04 4A", 5, 7},  // the cameras reset to 8
      {REQ_AE_AUTO, 1, -1, &R::brightPos, 0, "39 00", bright, 5},
      {REQ_EXPOSURE_LEVEL, 9, 0, nullptr, 0, "", "", 0},
      {REQ_EXPOSURE_LEVEL, 9, 0x0A, nullptr, 0, "", "", 0},
      {REQ_IRIS_DIRECT, 11, 0, &R::irisPos, 5, "", "", 0},
      {REQ_EXP_COMP_DIRECT, 9, 0, &R::expCompPos, 7, "4E 00 00 00 09", "04 4E", 41},
      {REQ_EXP_COMP_DIRECT, 9, 0, &R::expCompPos, 9, "", "", 0},
      {REQ_AE_AUTO, 0, -1, &R::brightPos, 0, f.aeOff, bright, 5},
      {REQ_EXPOSURE_LEVEL, 17, 13, &R::brightPos, 5, f.bright17, bright, 5},
      {REQ_EXPOSURE_LEVEL, 18, 13, &R::brightPos, 5, f.bright18, bright, 5},
      {REQ_EXPOSURE_LEVEL, 12, 13, &R::brightPos, 12, "", "", 0},
      {REQ_EFFECT_BW, 0, -1, nullptr, 0, "63 04", "04 63", 0},
      {REQ_EFFECT_NEGATIVE, 0, -1, nullptr, 0, "63 02", "04 63", 0},
      {REQ_EFFECT_NORMAL, 0, -1, nullptr, 0, "63 00", "04 63", 0},
      {REQ_GAMMA_NORMAL, 0, -1, nullptr, 0, "5B 00", "04 5B", 0},
      {REQ_GAMMA_TYPE1, 0, -1, nullptr, 0, "5B 01", "04 5B", 0},
      {REQ_GAMMA_TYPE2, 0, -1, nullptr, 0, "5B 02", "04 5B", 0},
      {REQ_ROTATE_TOGGLE, 0, -1, &R::pictureFlip, 3, "66 02", wide ? "04 66" : "", 0},
      {REQ_ROTATE_TOGGLE, 0, -1, &R::pictureFlip, 2, "66 03", wide ? "04 66" : "", 0},
      {REQ_ROTATE_TOGGLE, 0, -1, &R::pictureFlip, 0, "66 03", wide ? "04 66" : "", 0},
      {REQ_SHARPNESS_DIRECT, 9, -1, &R::aperture, 0, "42 00 00 00 09", "04 42", 29},
      {REQ_SHARPNESS_DIRECT, 9, -1, &R::aperture, 9, "", "", 0},
      {REQ_WB_COLD, 0, -1, nullptr, 0, "35 01", fromWb, 0},
      {REQ_WB_WARM, 0, -1, nullptr, 0, "35 02", fromWb, 0},
      {REQ_WB_LED, 0, -1, nullptr, 0, "35 05", "", 0},
      {REQ_R_GAIN_LED, 0, -1, &R::rGain, 205, "43 00 00 0C 0D", "", 0},  // sent even when equal
      {REQ_B_GAIN_LED, 0, -1, &R::bGain, 168, "44 00 00 0A 08", "", 0},
      {REQ_WB_AUTO, 0, -1, nullptr, 0, "35 00", fromWb, 0},
      {REQ_WB_ONE_PUSH, 0, -1, nullptr, 0, "35 03", fromWb, 0},
      {REQ_WB_ONE_PUSH_TRIGGER, 0, -1, nullptr, 0, "10 05", fromWb, 0},
      {REQ_WB_MANUAL, 0, -1, nullptr, 0, "35 05", fromWb, 0},  // the camera takes direct gains only now
      {REQ_R_GAIN_DIRECT, 0xAB, -1, &R::rGain, 0, "43 00 00 0A 0B", "04 43", 39},
      {REQ_R_GAIN_DIRECT, 0xAB, -1, &R::rGain, 0xAB, "", "", 0},
      {REQ_B_GAIN_DIRECT, 0x3C, -1, &R::bGain, 0, "44 00 00 03 0C", "04 44", 40},
      {REQ_B_GAIN_DIRECT, 0x3C, -1, &R::bGain, 0x3C, "", "", 0},
      {REQ_NIR_VISION, 1, -1, nullptr, 0, "01 02", nir, 0},
      {REQ_NIR_VISION, 0, -1, nullptr, 0, "01 03", nir, 0},
      {REQ_FREEZE, 1, -1, &R::freezeOn, 0, "62 02", "04 62", 45},
      {REQ_FREEZE, 0, -1, &R::freezeOn, 1, "62 03", "04 62", 45},
      {REQ_FREEZE, 2, -1, &R::freezeOn, 1, "62 03", "04 62", 45},  // only 1 means on
      {REQ_PRESET_SAVE, 0, -1, nullptr, 0, "3F 01 7F", "", 0},     // no preset button checked
  };
  for (int n = 1; n <= 5; n++)
    rows.push_back({uint32_t(47 + n), 0, -1, nullptr, 0, "3F 02 0" + std::to_string(n), fromZoom, 0});
  // 8x 01 04 3F 01 pp FF stores preset pp, 3F 02 pp recalls it; a block camera keeps 1 to 15.
  const std::pair<int32_t, std::string> presets[] = {{1, "01"}, {5, "05"}, {6, "06"}, {15, "0F"}};
  for (const auto& p : presets) {
    rows.push_back({REQ_PRESET_STORE, p.first, -1, nullptr, 0, "3F 01 " + p.second, "", 0});
    rows.push_back({REQ_PRESET_RECALL, p.first, -1, nullptr, 0, "3F 02 " + p.second, fromZoom, 0});
  }
  for (int32_t beyond : {0, 16, 0x101, -1})
    for (uint32_t code : {REQ_PRESET_STORE, REQ_PRESET_RECALL})
      rows.push_back({code, beyond, -1, nullptr, 0, "", "", 0});
  for (int i = 0; i < 10; i++) {
    const char* v = f.video + 6 * i;  // "rr:pq"
    std::string bytes = "24 " + std::string(v, 2) + " 0" + v[3] + " 0" + v[4];
    rows.push_back({uint32_t(18 + i), 0, -1, nullptr, 0, bytes, video, 0});
  }
  rows.push_back({REQ_PRESET_SAVE, 3, -1, nullptr, 0, "3F 01 03", "", 0});  // a = 3: preset 3 checked first
  rows.push_back({REQ_SAVE_AND_CLOSE, 0, -1, nullptr, 0, "3F 01 7F", "", 0});
  rows.push_back({REQ_POWER, 1, -1, nullptr, 0, "00 02", "04 00", 0});  // last: a refusal could restart initialisation

  EngineRig rig({m});
  ASSERT_TRUE(rig.Initialise());
  ASSERT_EQ(rig.c->cameras[0].modelCode, m);
  rig.UseRefresh(CountRefresh);
  for (const Row& row : rows) {
    SCOPED_TRACE(testing::Message() << f.name << " code " << row.code << " a " << row.a);
    if (row.code == REQ_AE_MANUAL || row.code == REQ_AE_AUTO) {  // the check boxes as the panel leaves them
      rig.Check(IDC_IRIS, row.code == REQ_AE_MANUAL);
      rig.Check(IDC_EXPOSURE_AUTO, row.code == REQ_AE_AUTO && row.a);
    }
    if (row.code == REQ_PRESET_SAVE && row.a == 3)
      for (int id : {IDC_SETUP_PRESET_5, IDC_SETUP_PRESET_3}) rig.Check(id, true);
    if (row.aeMode >= 0) rig.c->cameras[0].aeMode = row.aeMode;
    if (row.field) rig.c->cameras[0].*row.field = row.value;
    rig.TakeNotifications();
    rig.ClearReceived();
    refreshCalls = 0, refreshedIndex = -1;
    rig.Post(0, row.code, row.a);
    ASSERT_TRUE(rig.Settle());
    EXPECT_EQ(rig.c->followUp.load(), row.bytes.empty() ? int32_t(row.code) : 0);  // a request not sent stays noted
    EXPECT_EQ(rig.c->reinitChain, 0);
    EXPECT_EQ(Hex(rig.ReceivedCommands(0)), Framed(row.bytes));

    // Model 0x40 reads its brightness as the gain, then the iris when the gain is 1 or less.
    std::vector<Bytes> asked;
    for (const Bytes& q : rig.Received(0, 0x09)) {
      bool brightIris = m == 0x40 && q[3] == 0x4B && !asked.empty() && asked.back()[3] == 0x4C;
      if (!brightIris && (asked.empty() || asked.back() != q)) asked.push_back(q);
    }
    EXPECT_EQ(Hex(asked), Framed(row.asked, "81 09 "));
    const bool rereading = row.asked.size() > 20;  // refreshes the panel once, notifies nothing
    EXPECT_EQ(std::make_pair(refreshCalls, refreshedIndex), rereading ? std::make_pair(1, 0) : std::make_pair(0, -1));

    std::vector<QueueMessage> notes = rig.TakeNotifications();
    ASSERT_EQ(notes.empty(), row.notify == 0) << notes.size() << " notifications";
    if (notes.empty()) continue;
    const int32_t value = row.notified >= 0 ? row.notified : int32_t(rig.c->cameras[0].*row.field);
    EXPECT_EQ(std::make_tuple(notes.back().cameraIndex, notes.back().code, int32_t(notes.back().a)),
              std::make_tuple(0u, row.notify, value));
  }
}

INSTANTIATE_TEST_SUITE_P(Families, Requests, ::testing::ValuesIn(kFamilies),
                         [](const ::testing::TestParamInfo<Family>& info) { return std::string(info.param.name); });

}  // namespace
