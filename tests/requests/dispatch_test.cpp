// Where a request goes, which are dropped, their order, and one request's road.
#include "common/control_ids.h"
#include "common/text.h"
#include "requests/request_codes.h"
#include "tests/support/engine_rig.h"

#include <gtest/gtest.h>

#include <string>

namespace {

TEST(Dispatch, RequestsGoToTheNamedCameraOrAreDropped) {
  EngineRig rig({0x67, 0x67});
  ASSERT_TRUE(rig.Initialise());
  rig.ClearReceived();
  // The second camera on the line (address 2) gets it, whatever was selected.
  rig.c->camera = 0;
  rig.Post(1, REQ_EFFECT_BW, 0);
  ASSERT_TRUE(rig.Settle());
  EXPECT_EQ(rig.c->camera.load(), 1);
  EXPECT_EQ(Hex(rig.ReceivedCommands(1)), "82 01 04 63 04 FF");
  EXPECT_TRUE(rig.ReceivedCommands(0).empty());
  rig.ClearReceived();
  // A camera index that does not exist changes nothing; codes 11, 42 and outside 1..52 only name the request.
  const uint32_t dropped[][2] = {
      {2, REQ_ZOOM_DIRECT}, {70, REQ_ZOOM_DIRECT}, {0xFFFFFFFF, REQ_ZOOM_DIRECT}, {0, 11}, {0, 42}, {0, 0}, {0, 53},
      {0, 0x80000000}};
  for (const auto& d : dropped) {
    rig.c->followUp = 77;
    rig.Post(d[0], d[1], 1);
    rig.Step();
    EXPECT_EQ(rig.c->followUp.load(), d[0] ? 77 : int32_t(d[1])) << d[0] << " " << d[1];
    EXPECT_EQ(rig.c->camera.load(), d[0] ? 1 : 0);
    EXPECT_TRUE(rig.Idle());
  }
  rig.Run(50);
  EXPECT_TRUE(rig.Received(0).empty() && rig.Received(1).empty() && rig.Idle());
}

// Value text and slider position of one row.
std::string Row(HWND parent, int value, int slider) {
  return FakeGetText(GetDlgItem(parent, value)) + " @" +
         std::to_string(SendDlgItemMessageA(parent, slider, TBM_GETPOS, 0, 0));
}

// Requests 6, 7, 33, 34 and 47 on the panel and Setup dialog before they send
// (captions and ranges per mode: panel_tests' Refresh).
TEST(Dispatch, DirectControlUpdates) {
  EngineRig rig({0x4B});
  ASSERT_TRUE(rig.Initialise());
  CameraRecord& r = rig.c->cameras[0];
  r.irisPos = 11;
  r.shutterPos = 10;
  rig.Post(0, REQ_AE_MANUAL, 0);
  rig.Step();
  EXPECT_EQ(Row(rig.panel, IDC_LEVEL_VALUE, IDC_LEVEL_SLIDER), "F 4.8 @11");
  EXPECT_EQ(Row(rig.panel, IDC_BRIGHT_VALUE, IDC_BRIGHT_SLIDER), "1/150s @5");
  ASSERT_TRUE(rig.Settle());
  r.expCompPos = 2;
  rig.Post(0, REQ_AE_AUTO, 1);
  rig.Step();
  EXPECT_EQ(Row(rig.panel, IDC_LEVEL_VALUE, IDC_LEVEL_SLIDER), "-5 @2") << "range first, then position";
  EXPECT_FALSE(IsWindowEnabled(GetDlgItem(rig.panel, IDC_BRIGHT_LABEL)));
  ASSERT_TRUE(rig.Settle());
  for (uint32_t code : {REQ_R_GAIN_LED, REQ_B_GAIN_LED}) ASSERT_TRUE(rig.Request(code, 0));
  EXPECT_EQ(Row(rig.setup, IDC_R_GAIN_VALUE, IDC_R_GAIN_SLIDER), "205 @205");
  EXPECT_EQ(Row(rig.setup, IDC_B_GAIN_VALUE, IDC_B_GAIN_SLIDER), "168 @168");
  ASSERT_TRUE(rig.Request(REQ_SAVE_AND_CLOSE, 0));
  std::vector<FakePosted> posted = FakePostedMessages();
  ASSERT_EQ(posted.size(), 1u);
  EXPECT_TRUE(posted[0].wnd == rig.setup && posted[0].msg == WM_CLOSE);
}

// Requests put during discovery or another transaction wait, then go out in
// order, each after the read-back of the one before.
TEST(DispatchOrder, RequestsPostedDuringDiscoveryOrATransactionFollowInOrder) {
  EngineRig rig({0x67});
  rig.Post(0, REQ_EFFECT_NEGATIVE, 0);
  rig.Post(0, REQ_GAMMA_TYPE2, 0);
  ASSERT_TRUE(rig.RunUntil([&] { return rig.c->listReady.load() == 1; }, 20000));
  ASSERT_TRUE(rig.RunUntil([&] { return rig.ReceivedCommands(0).size() >= 2 && rig.Idle(); }, 5000));
  std::vector<Bytes> all = rig.Received(0);
  size_t freezeAsked = 0;  // the last inquiry of initialisation
  while (freezeAsked < all.size() && Hex(all[freezeAsked]) != "81 09 04 62 FF") freezeAsked++;
  all.erase(all.begin(), all.begin() + long(freezeAsked + 1));
  EXPECT_EQ(Hex(all), Framed("01 04 63 02|09 04 63|01 04 5B 02|09 04 5B", "81 "));

  rig.ClearReceived();
  rig.Post(0, REQ_ZOOM_DIRECT, 100);
  ASSERT_TRUE(rig.RunUntil([&] { return !rig.Idle(); }, 2000));
  rig.Post(0, REQ_SHARPNESS_DIRECT, 4);
  rig.Post(0, REQ_ZOOM_DIRECT, 0);
  ASSERT_TRUE(rig.RunUntil([&] { return rig.ReceivedCommands(0).size() >= 3 && rig.Idle(); }, 10000));
  rig.Run(50);
  EXPECT_EQ(Hex(rig.Received(0)),
            Framed("01 04 47 03 05 0D 07|09 04 47|01 04 42 00 00 00 04|09 04 42|01 04 47 00 00 00 00|09 04 47", "81 "));
}

// One request's road: queue, worker, camera, the read-back asking while the lens
// moves, and the final position in notifyQueue.
TEST(RequestRoad, FocusMoveIsFollowedUntilItStops) {
  SimTiming timing = SimRealisticTiming();
  timing.focusSweepMs = 600;
  EngineRig rig({0x67}, timing);
  ASSERT_TRUE(rig.Initialise());
  rig.ClearReceived();
  rig.Post(0, REQ_FOCUS_AUTO, 0);
  rig.Post(0, REQ_FOCUS_DIRECT, 99);  // far end, away from where auto focus settles
  ASSERT_TRUE(rig.RunUntil([&] { return rig.ReceivedCommands(0).size() == 2 && rig.Idle(); }, 3000));
  rig.TakeNotifications();
  rig.ClearReceived();
  uint16_t scene = rig.Com(1).State(0).sceneFocus;
  ASSERT_NE(rig.c->cameras[0].focusPos, scene);

  rig.Post(0, REQ_FOCUS_AUTO, 1);
  ASSERT_TRUE(rig.RunUntil([&] { return !rig.ReceivedCommands(0).empty() && rig.Idle(); }, 3000));
  EXPECT_EQ(Hex(rig.ReceivedCommands(0)), "81 01 04 38 02 FF");
  std::vector<Bytes> asks = rig.Received(0, 0x09);
  EXPECT_GE(asks.size(), 3u);
  for (const Bytes& q : asks) EXPECT_EQ(Hex(q), "81 09 04 48 FF");
  std::vector<QueueMessage> notes = rig.TakeNotifications();
  ASSERT_EQ(notes.size(), asks.size());
  for (const QueueMessage& n : notes) EXPECT_EQ(n.cameraIndex * 100 + n.code, 4u);
  EXPECT_NE(notes.front().a, scene);  // on the way
  EXPECT_EQ(notes.back().a, scene);   // where the lens stopped
  EXPECT_EQ(rig.c->cameras[0].focusPos, scene);
}

}  // namespace
