// What the engine asks the camera after each request's command has completed,
// what it reports to the panel, and that it always comes back to idle.
#include "requests/request_codes.h"
#include "tests/requests/engine_rig.h"

#include "common/control_ids.h"

#include <gtest/gtest.h>

#include <functional>
#include <vector>

namespace {

typedef std::vector<int> Payload;

Payload Ask(std::initializer_list<int> tail) {
  Payload p = {0x09, 0x04};
  p.insert(p.end(), tail);
  return p;
}
const Payload kVersion = {0x09, 0x00, 0x02};

bool HasIcr(uint8_t model) {
  return model == 0x4B || model == 0x5F || model == 0x5C || model == 0x66 || model == 0x67;
}
bool Wide(uint8_t model) { return IsWideRangeModel(model); }

// The setting chain from white balance (code 32) to freeze (code 42).
std::vector<Payload> ChainFromWhiteBalance(uint8_t model) {
  std::vector<Payload> p = {Ask({0x35}), Ask({0x44}), Ask({0x43}), Ask({0x5B}),
                            Ask({0x24, Wide(model) ? 0x72 : 0x70}), Ask({0x39}), Ask({0x4E}), kVersion};
  if (HasIcr(model)) p.push_back(Ask({0x01}));
  p.push_back(Ask({0x39}));
  p.push_back(Ask({0x4B}));
  p.push_back(Ask({0x62}));
  return p;
}

// The setting chain from zoom (code 21); model 0x40 is left out here because
// its brightness read takes one or two inquiries.
std::vector<Payload> ChainFromZoom(uint8_t model) {
  std::vector<Payload> p = {Ask({0x47}), Ask({0x48}), Ask({0x4A}), Ask({0x4B}), Ask({0x4C}),
                            Ask({0x4D}), Ask({0x38}), Ask({0x63})};
  if (Wide(model)) p.push_back(Ask({0x66}));
  p.push_back(Ask({0x42}));
  for (const Payload& q : ChainFromWhiteBalance(model)) p.push_back(q);
  return p;
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

// Inquiries after the request's command, with a re-asked inquiry counted once.
std::vector<Bytes> InquiriesOnce(const std::vector<Bytes>& inquiries) {
  std::vector<Bytes> out;
  for (const Bytes& b : inquiries)
    if (out.empty() || out.back() != b) out.push_back(b);
  return out;
}

struct Row {
  uint32_t code;
  int32_t a;
  std::function<void(EngineRig&)> arrange;
  std::vector<Payload> asked;  // in order, re-asks counted once; empty: none
  uint32_t notifyCode;         // last notification expected; 0: none at all
  std::function<int32_t(const CameraRecord&)> notifyValue;
};

void Nothing(EngineRig&) {}

std::vector<Row> RowsFor(uint8_t model) {
  const int videoReg = Wide(model) ? 0x72 : 0x70;
  auto manual = [](EngineRig& r) {
    r.Check(IDC_EXPOSURE_AUTO, false);
    r.Check(IDC_IRIS, true);
    r.Request(REQ_AE_MANUAL, 0);
  };
  auto fullAuto = [](EngineRig& r) {
    r.Check(IDC_EXPOSURE_AUTO, true);
    r.Check(IDC_IRIS, false);
    r.Request(REQ_AE_AUTO, 1);
  };
  auto bright = [](EngineRig& r) {
    r.Check(IDC_EXPOSURE_AUTO, false);
    r.Check(IDC_IRIS, false);
    r.Request(REQ_AE_AUTO, 0);
  };
  std::vector<Row> rows = {
      {REQ_ZOOM_DIRECT, 40, Nothing, {Ask({0x47})}, 1, [](const CameraRecord& r) { return r.zoomPos; }},
      {REQ_SEND_26_00, 0, Nothing, {}, 0, nullptr},
      {REQ_FOCUS_AUTO, 0, Nothing, {Ask({0x48})}, 4, [](const CameraRecord& r) { return r.focusPos; }},
      {REQ_FOCUS_DIRECT, 60, [](EngineRig& r) { r.Record(0).focusPos = 0x1000; }, {Ask({0x48})}, 4,
       [](const CameraRecord& r) { return r.focusPos; }},
      {REQ_AE_MANUAL, 0, [](EngineRig& r) { r.Check(IDC_IRIS, true); }, {Ask({0x39})}, 43,
       [](const CameraRecord& r) { return r.icrMode; }},
      {REQ_EXPOSURE_LEVEL, 4,
       [manual](EngineRig& r) {
         manual(r);
         r.Record(0).shutterPos = 0;
       },
       {Ask({0x4A})}, 5, [](const CameraRecord& r) { return r.shutterPos > 15 ? r.shutterPos - 15 : 15 - r.shutterPos; }},
      {REQ_GAIN_DEFAULT, 0, Nothing, {Ask({0x4C})}, 0, nullptr},
      {REQ_SHUTTER_RESET, 0, Nothing, {Ask({0x4A})}, 5,
       [](const CameraRecord& r) { return r.shutterPos > 15 ? r.shutterPos - 15 : 15 - r.shutterPos; }},
      {REQ_IRIS_DIRECT, 9,
       [manual](EngineRig& r) {
         manual(r);
         r.Record(0).irisPos = 0;
       },
       {Ask({0x4B})}, 41, [](const CameraRecord& r) { return r.irisPos; }},
      {REQ_EFFECT_BW, 0, Nothing, {Ask({0x63})}, 0, nullptr},
      {REQ_EFFECT_NEGATIVE, 0, Nothing, {Ask({0x63})}, 0, nullptr},
      {REQ_EFFECT_NORMAL, 0, Nothing, {Ask({0x63})}, 0, nullptr},
      {REQ_GAMMA_NORMAL, 0, Nothing, {Ask({0x5B})}, 0, nullptr},
      {REQ_GAMMA_TYPE1, 0, Nothing, {Ask({0x5B})}, 0, nullptr},
      {REQ_GAMMA_TYPE2, 0, Nothing, {Ask({0x5B})}, 0, nullptr},
      {REQ_SHARPNESS_DIRECT, 3, [](EngineRig& r) { r.Record(0).aperture = 0; }, {Ask({0x42})}, 29,
       [](const CameraRecord& r) { return r.aperture; }},
      {REQ_WB_LED, 0, Nothing, {}, 0, nullptr},
      {REQ_R_GAIN_LED, 0, Nothing, {}, 0, nullptr},
      {REQ_B_GAIN_LED, 0, Nothing, {}, 0, nullptr},
      {REQ_R_GAIN_DIRECT, 0x40, [](EngineRig& r) { r.Record(0).rGain = 0; }, {Ask({0x43})}, 39,
       [](const CameraRecord& r) { return r.rGain; }},
      {REQ_B_GAIN_DIRECT, 0x50, [](EngineRig& r) { r.Record(0).bGain = 0; }, {Ask({0x44})}, 40,
       [](const CameraRecord& r) { return r.bGain; }},
      {REQ_EXP_COMP_DIRECT, 10,
       [fullAuto](EngineRig& r) {
         fullAuto(r);
         r.Record(0).expCompPos = 0;
       },
       {Ask({0x4E})}, 41, [](const CameraRecord& r) { return r.expCompPos; }},
      {REQ_NIR_VISION, 0, Nothing, {Ask({0x51})}, 0, nullptr},
      {REQ_POWER, 1, Nothing, {Ask({0x00})}, 0, nullptr},
      {REQ_FREEZE, 1, Nothing, {Ask({0x62})}, 45, [](const CameraRecord& r) { return r.freezeOn; }},
      {REQ_FREEZE, 0, Nothing, {Ask({0x62})}, 45, [](const CameraRecord& r) { return r.freezeOn; }},
      {REQ_PRESET_SAVE, 0, Nothing, {}, 0, nullptr},
      {REQ_SAVE_AND_CLOSE, 0, Nothing, {}, 0, nullptr},
      {REQ_AE_AUTO, 0, bright, {Ask({model == 0x40 ? 0x4C : 0x4D})}, 5,
       [](const CameraRecord& r) { return r.brightPos; }},
      {REQ_EXPOSURE_LEVEL, 12,
       [bright](EngineRig& r) {
         bright(r);
         r.Record(0).aeMode = 13;
         r.Record(0).brightPos = 5;
       },
       {Ask({model == 0x40 ? 0x4C : 0x4D})}, 5, [](const CameraRecord& r) { return r.brightPos; }},
  };
  // Model 0x40 may follow a low gain answer with the iris inquiry.
  if (model == 0x40) {
    rows.back().asked.clear();
    rows[rows.size() - 2].asked.clear();
  }
  for (uint32_t code = REQ_VIDEO_1080I_5994; code <= REQ_VIDEO_1080P_25; code++)
    rows.push_back({code, 0, Nothing, {Ask({0x24, videoReg})}, 0, nullptr});
  rows.push_back({REQ_ROTATE_TOGGLE, 0, Nothing, Wide(model) ? std::vector<Payload>{Ask({0x66})} : std::vector<Payload>{},
                  0, nullptr});
  return rows;
}

class ReadBack : public ::testing::TestWithParam<uint8_t> {};

TEST_P(ReadBack, EachRequestAsksItsSettingAndEndsIdle) {
  const uint8_t model = GetParam();
  EngineRig rig({model}, WORKER_MANUAL);
  ASSERT_TRUE(rig.Initialise());
  for (const Row& row : RowsFor(model)) {
    SCOPED_TRACE(testing::Message() << "model 0x" << std::hex << int(model) << std::dec << " code " << row.code
                                    << " a " << row.a);
    row.arrange(rig);
    rig.RunUntil([] { return false; }, 30);
    rig.TakeNotifications();
    rig.ClearReceived();
    rig.Post(0, row.code, row.a);
    ASSERT_TRUE(rig.Settle(3000));
    rig.RunUntil([] { return false; }, 30);
    EXPECT_TRUE(rig.Idle());
    EXPECT_EQ(rig.c->followUp.load(), 0);

    std::vector<Bytes> inquiries = rig.ReceivedInquiries(0);
    if (!row.asked.empty() || model != 0x40 || (row.code != REQ_AE_AUTO && row.code != REQ_EXPOSURE_LEVEL))
      EXPECT_EQ(Hex(InquiriesOnce(inquiries)), Hex(Framed(row.asked)));
    else
      for (const Bytes& q : inquiries) EXPECT_TRUE(q[3] == 0x4C || q[3] == 0x4B) << Hex({q});

    std::vector<QueueMessage> notes = rig.TakeNotifications();
    if (row.notifyCode == 0) {
      EXPECT_TRUE(notes.empty()) << notes.size() << " notifications, first code " << notes[0].code;
    } else {
      ASSERT_FALSE(notes.empty());
      EXPECT_EQ(notes.back().cameraIndex, 0u);
      EXPECT_EQ(notes.back().code, row.notifyCode);
      EXPECT_EQ(static_cast<int32_t>(notes.back().a), row.notifyValue(rig.Record(0)));
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Models, ReadBack, ::testing::Values(0x4B, 0x5F, 0x67, 0x40),
                         [](const ::testing::TestParamInfo<uint8_t>& info) {
                           char name[8];
                           snprintf(name, sizeof name, "m%02X", info.param);
                           return std::string(name);
                         });

// Recalls and white balance changes re-read every setting without telling the
// panel anything, refresh the panel once, and end idle.
class Rereading : public ::testing::TestWithParam<uint8_t> {};

int refreshCalls;
int32_t refreshedIndex;
void CountRefresh(CameraController*, int32_t index) {
  refreshCalls++;
  refreshedIndex = index;
}

TEST_P(Rereading, RunsTheWholeChainOnce) {
  const uint8_t model = GetParam();
  EngineRig rig({model}, WORKER_MANUAL);
  ASSERT_TRUE(rig.Initialise());
  SetPanelRefreshHandler(CountRefresh);
  struct Case {
    uint32_t code;
    std::vector<Payload> chain;
  };
  std::vector<Case> cases;
  for (uint32_t code : {REQ_WB_COLD, REQ_WB_WARM, REQ_WB_AUTO, REQ_WB_MANUAL, REQ_WB_ONE_PUSH, REQ_WB_ONE_PUSH_TRIGGER})
    cases.push_back({code, ChainFromWhiteBalance(model)});
  for (uint32_t code = REQ_PRESET_RECALL_1; code <= REQ_PRESET_RECALL_5; code++)
    cases.push_back({code, ChainFromZoom(model)});
  for (const Case& k : cases) {
    SCOPED_TRACE(testing::Message() << "code " << k.code);
    rig.TakeNotifications();
    rig.ClearReceived();
    refreshCalls = 0;
    refreshedIndex = -1;
    rig.Post(0, k.code, 0);
    ASSERT_TRUE(rig.Settle(5000));
    EXPECT_EQ(Hex(rig.ReceivedInquiries(0)), Hex(Framed(k.chain)));
    EXPECT_TRUE(rig.TakeNotifications().empty());
    EXPECT_EQ(refreshCalls, 1);
    EXPECT_EQ(refreshedIndex, 0);
    EXPECT_EQ(reinitChain, 0);
    EXPECT_EQ(rig.c->listReady.load(), 1);
  }
}

INSTANTIATE_TEST_SUITE_P(Models, Rereading, ::testing::Values(0x4B, 0x5C, 0x66, 0x45),
                         [](const ::testing::TestParamInfo<uint8_t>& info) {
                           char name[8];
                           snprintf(name, sizeof name, "m%02X", info.param);
                           return std::string(name);
                         });

}  // namespace
