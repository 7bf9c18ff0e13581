// The chain, every reply form, state changes, moves over time and presets.
#include "tests/sim/sim_test_util.h"

#include <algorithm>

namespace {

const Bytes kZoomTele = Cmd({0x47, 0x04, 0x00, 0x00, 0x00});

struct ReplyRow {
  const char* name;
  std::vector<Bytes> before;  // sent first, 20 ms apart, replies not checked
  Bytes send;
  Packets expect;  // everything within 300 ms
};

}  // namespace

TEST(SimLine, AddressSetNumbersTheChainAndPacketsReachOnlyTheirCamera) {
  for (uint8_t n : {0, 1, 3, 7}) {
    SimRig rig;
    for (int i = 0; i < n; ++i) EXPECT_EQ(rig.line.AddCamera(0x66), i);
    const Packets echo = n == 0 ? Packets{} : Packets{{0x88, 0x30, uint8_t(n + 1), 0xFF}};
    EXPECT_EQ(rig.Ask({0x88, 0x30, 0x01, 0xFF}, 20), echo) << int(n);
    for (int i = 0; i < n; ++i) EXPECT_EQ(rig.line.State(i).address, i + 1);
    EXPECT_EQ(rig.line.AddCamera(0x66), n == 7 ? -1 : n);  // seven at most
  }
  SimRig rig({0x66, 0x4B});
  rig.line.ClearReceived();
  RunSteps(rig, {{{0x82, 0x09, 0x04, 0x00, 0xFF}, 5, {{0xA0, 0x50, 0x02, 0xFF}}},
                 {{0x83, 0x09, 0x04, 0x00, 0xFF}, 5, {{0x83, 0x09, 0x04, 0x00, 0xFF}}},
                 {{0x12, 0x34, 0xFF, 0x90, 0x41, 0xFF}, 5, {}}});  // not from a controller
  EXPECT_EQ(rig.line.ReceivedCount(0), 0);
  SimPacket p;
  ASSERT_TRUE(rig.line.ReceivedCount(1) == 1 && rig.line.Received(1, 0, &p));
  EXPECT_EQ(Bytes(p.bytes, p.bytes + p.length), (Bytes{0x82, 0x09, 0x04, 0x00, 0xFF}));
  SimRig unnumbered;
  unnumbered.line.AddCamera(0x66);
  EXPECT_EQ(unnumbered.Ask(Inq({0x00})), Packets{Inq({0x00})});  // goes round unanswered
}

TEST(SimLine, EachReplyForm) {
  const Bytes len16{0x81, 0x01, 0x04, 0x47, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0xFF};
  Bytes len17 = len16;
  len17.insert(len17.begin() + 4, 0x00);
  const std::vector<Bytes> bothBusy{Cmd({0x38, 0x03}), kZoomTele, Cmd({0x48, 0x0C, 0, 0, 0})};
  Bytes overlong(200, 0x00);
  overlong.front() = 0x88;
  overlong.back() = 0xFF;
  const ReplyRow rows[] = {
      {"immediate command, socket 1", {}, Cmd({0x62, 0x02}), kDone},
      {"socket 2 while a zoom holds socket 1",
       {kZoomTele},
       Cmd({0x62, 0x02}),
       {{0x90, 0x42, 0xFF}, {0x90, 0x52, 0xFF}, kDone1}},
      {"buffer full", bothBusy, Cmd({0x62, 0x02}), {{0x90, 0x60, 0x03, 0xFF}, {0x90, 0x52, 0xFF}, kDone1}},
      {"inquiry needs no socket", bothBusy, Inq({0x62}), {{0x90, 0x50, 0x03, 0xFF}, {0x90, 0x52, 0xFF}, kDone1}},
      {"unknown command", {}, Cmd({0x99, 0x02}), kSyntax},
      {"command of the wrong length", {}, Cmd({0x38, 0x02, 0x00}), kSyntax},
      {"parameter out of range", {}, Cmd({0x38, 0x05}), kSyntax},
      {"16 bytes is still a packet", {}, len16, kSyntax},
      {"17 bytes is too long", {}, len17, {{0x90, 0x60, 0x01, 0xFF}}},
      {"focus position in auto focus", {}, Cmd({0x48, 0x02, 0, 0, 0}), kNotExec},
      {"command in standby", {Cmd({0x00, 0x03})}, Cmd({0x62, 0x02}), kNotExec},
      {"16-bit inquiry", {Cmd({0x39, 0x03}), Cmd({0x4B, 0, 0, 1, 1})}, Inq({0x4B}), {{0x90, 0x50, 0, 0, 1, 1, 0xFF}}},
      {"register inquiry", {Cmd({0x24, 0x72, 0x01, 0x03})}, Inq({0x24, 0x72}), {{0x90, 0x50, 0x01, 0x03, 0xFF}}},
      {"version, model in byte 5",
       {},
       {0x82, 0x09, 0x00, 0x02, 0xFF},
       {{0xA0, 0x50, 0x00, 0x20, 0x04, 0x45, 0x01, 0x00, 0x02, 0xFF}}},
      {"header 8 + address", {}, {0x83, 0x09, 0x04, 0x00, 0xFF}, {{0xB0, 0x50, 0x02, 0xFF}}},
      {"interface clear echo", {}, {0x88, 0x01, 0x00, 0x01, 0xFF}, {{0x88, 1, 0, 1, 0xFF}}},
      {"broadcast command: no reply", {}, {0x88, 0x01, 0x04, 0x62, 0x02, 0xFF}, {{0x88, 0x01, 0x04, 0x62, 0x02, 0xFF}}},
      {"addressed interface clear drops the move", {kZoomTele}, {0x81, 0x01, 0x00, 0x01, 0xFF}, {{0x90, 0x50, 0xFF}}},
      {"cancel", {kZoomTele}, {0x81, 0x21, 0xFF}, {{0x90, 0x61, 0x04, 0xFF}}},
      {"new zoom target cancels the old",
       {kZoomTele},
       Cmd({0x47, 0, 0, 0, 0}),
       {{0x90, 0x61, 0x04, 0xFF}, {0x90, 0x42, 0xFF}, {0x90, 0x52, 0xFF}}},
      {"no near-infrared on 0x45", {}, {0x82, 0x01, 0x04, 0x01, 0x02, 0xFF}, {{0xA0, 0x60, 0x02, 0xFF}}},
      {"overlong broadcast is not passed on", {}, overlong, {}},
      {"and the line still works", {overlong}, {0x88, 0x30, 0x01, 0xFF}, {{0x88, 0x30, 0x04, 0xFF}}},
      {"no bright mode on 0x40", {}, {0x83, 0x01, 0x04, 0x39, 0x0D, 0xFF}, {{0xB0, 0x60, 0x02, 0xFF}}},
  };
  for (const ReplyRow& row : rows) {
    SimRig rig({0x66, 0x45, 0x40});
    for (const Bytes& b : row.before) rig.Ask(b, 20);
    EXPECT_EQ(rig.Ask(row.send, 300), row.expect) << row.name;
  }
}

TEST(SimLine, CommandsChangeTheStateTheInquiriesRead) {
  SimRig rig({0x5F});
  RunSteps(rig, {Does(Cmd({0x4A, 0, 0, 0x0A, 0}), kNotExec),  // shutter needs manual exposure
                 Does(Cmd({0x4D, 0, 0, 1, 2}), kNotExec),     // bright needs bright mode
                 Does(Cmd({0x4E, 0, 0, 0, 9})),
                 Reads(Inq({0x4E}), {0x90, 0x50, 0, 0, 0, 9, 0xFF}),
                 Does(Cmd({0x39, 0x03})),
                 Does(Cmd({0x4E, 0, 0, 0, 9}), kNotExec),
                 Does(Cmd({0x4A, 0, 0, 0, 12})),
                 Reads(Inq({0x4A}), {0x90, 0x50, 0, 0, 0, 12, 0xFF}),
                 Does(Cmd({0x0A, 0x00})),
                 Reads(Inq({0x4A}), {0x90, 0x50, 0, 0, 0, 8, 0xFF}),
                 Does(Cmd({0x4B, 0, 0, 0x0F, 0x0F})),  // held to the iris range
                 Reads(Inq({0x4B}), {0x90, 0x50, 0, 0, 1, 1, 0xFF}),
                 Does(Cmd({0x39, 0x0D})),
                 Does(Cmd({0x4D, 0, 0, 1, 2})),
                 Reads(Inq({0x4D}), {0x90, 0x50, 0, 0, 1, 2, 0xFF}),
                 Does(Cmd({0x43, 0, 0, 0x0C, 0x0D}), kNotExec),  // gains need manual white balance
                 Does(Cmd({0x35, 0x05})),
                 Does(Cmd({0x43, 0, 0, 0x0C, 0x0D})),
                 Reads(Inq({0x43}), {0x90, 0x50, 0, 0, 0x0C, 0x0D, 0xFF}),
                 Does(Cmd({0x35, 0x06}), kSyntax),
                 Does(Cmd({0x10, 0x05}), kNotExec),  // one-push trigger outside one-push mode
                 Does(Cmd({0x35, 0x03})),
                 {Cmd({0x10, 0x05}), 2, {kAck1}},
                 {{}, 10, {kDone1}},
                 Does(Cmd({0x63, 0x04})),
                 Does(Cmd({0x3F, 0x01, 0x7F})),  // power-on settings
                 Does(Cmd({0x63, 0x00})),
                 {Cmd({0x00, 0x03}), 15, kDone},
                 Reads(Inq({0x00}), {0x90, 0x50, 0x03, 0xFF}),
                 Does(Cmd({0x62, 0x02}), kNotExec),
                 Reads(Inq({0x47}), {0x90, 0x50, 0, 0, 0, 0, 0xFF}),  // answered in standby
                 {Cmd({0x00, 0x02}), 2, {kAck1}},
                 Does(Cmd({0x62, 0x02}), {{0x90, 0x62, 0x41, 0xFF}}),  // still coming up
                 {{}, 20, {kDone1}},
                 Reads(Inq({0x00}), {0x90, 0x50, 0x02, 0xFF}),
                 Reads(Inq({0x63}), {0x90, 0x50, 0x04, 0xFF}),
                 Does(Cmd({0x2C, 0x07})),
                 Reads(Inq({0x2C}), {0x90, 0x50, 0x07, 0xFF})});
}

TEST(SimLine, ZoomReportsPositionsOnTheWayAndCompletesAtTheTarget) {
  SimRig rig({0x66}, SimRealisticTiming());
  EXPECT_EQ(rig.Ask(kZoomTele, 20), Packets{kAck1});
  std::vector<uint16_t> seen;
  uint64_t reachedUs = 0, completedUs = 0;
  for (int ms = 0; ms < 6000 && completedUs == 0; ++ms) {
    if (ms % 200 == 0) rig.Write(Inq({0x47}));
    for (const Bytes& p : rig.Run(1)) {
      if (p.size() == 7 && p[1] == 0x50)
        seen.push_back(static_cast<uint16_t>((p[2] << 12) | (p[3] << 8) | (p[4] << 4) | p[5]));
      else if (p == kDone1)
        completedUs = rig.nowUs;
      else
        ADD_FAILURE() << "unexpected reply";
    }
    if (reachedUs == 0 && rig.line.State(0).picture.zoomPos == 0x4000) reachedUs = rig.nowUs;
  }
  EXPECT_TRUE(std::is_sorted(seen.begin(), seen.end()));
  EXPECT_GE(std::count_if(seen.begin(), seen.end(), [](uint16_t z) { return z > 0 && z < 0x4000; }), 5);
  EXPECT_TRUE(completedUs > 2000000u && completedUs < 5000000u) << completedUs;  // a full sweep takes seconds
  EXPECT_TRUE(completedUs >= reachedUs && completedUs - reachedUs <= 17000u) << "within the frame it got there";
  EXPECT_EQ(rig.Ask(Inq({0x47}), 20), (Packets{{0x90, 0x50, 0x04, 0, 0, 0, 0xFF}}));
}

TEST(SimLine, PresetsStoreAndRecallThePicture) {
  SimRig rig({0x67});
  RunSteps(rig, {Reads(Inq({0x3F}), {0x90, 0x50, 0x00, 0xFF}),
                 Does(Cmd({0x39, 0x03})),
                 Does(Cmd({0x4B, 0, 0, 0, 0x0E})),
                 Does(Cmd({0x63, 0x04})),
                 {Cmd({0x47, 0x03, 0, 0, 0}), 300, kDone},
                 Does(Cmd({0x3F, 0x01, 0x03})),
                 Does(Cmd({0x39, 0x00})),
                 Does(Cmd({0x63, 0x00})),
                 {Cmd({0x47, 0, 0, 0, 0}), 300, kDone},
                 {Cmd({0x3F, 0x02, 0x03}), 2, {kAck1}},  // the zoom moves back: 150 ms
                 {{}, 100, {}},
                 {{}, 100, {kDone1}},
                 Reads(Inq({0x39}), {0x90, 0x50, 0x03, 0xFF}),
                 Reads(Inq({0x4B}), {0x90, 0x50, 0, 0, 0, 0x0E, 0xFF}),
                 Reads(Inq({0x63}), {0x90, 0x50, 0x04, 0xFF}),
                 Reads(Inq({0x47}), {0x90, 0x50, 0x03, 0, 0, 0, 0xFF}),
                 Reads(Inq({0x3F}), {0x90, 0x50, 0x03, 0xFF}),
                 Does(Cmd({0x3F, 0x00, 0x03})),  // reset to the factory picture
                 {Cmd({0x3F, 0x02, 0x03}), 300, kDone},
                 Reads(Inq({0x63}), {0x90, 0x50, 0, 0xFF}),
                 Does(Cmd({0x3F, 0x02, 0x00}), kSyntax),
                 Does(Cmd({0x3F, 0x02, 0x06}), kSyntax)});
  for (uint8_t n = 1; n <= 5; ++n) {
    EXPECT_EQ(rig.Ask(Cmd({0x5B, uint8_t(n - 1)})), kDone);
    EXPECT_EQ(rig.Ask(Cmd({0x3F, 0x01, n})), kDone);
  }
  for (uint8_t n = 5; n >= 1; --n) {
    EXPECT_EQ(rig.Ask(Cmd({0x3F, 0x02, n}), 300), kDone);
    EXPECT_EQ(rig.Ask(Inq({0x5B})), (Packets{{0x90, 0x50, uint8_t(n - 1), 0xFF}}));
    EXPECT_EQ(rig.Ask(Inq({0x3F})), (Packets{{0x90, 0x50, n, 0xFF}}));
  }
  RunSteps(rig, {{Cmd({0x00, 0x03}), 15, kDone}, Does(Cmd({0x3F, 0x02, 0x01}), kNotExec)});
}

TEST(SimLine, RepliesKeepToTheFrameOfTheTimingProfile) {
  for (const uint32_t frameMs : {17u, 20u}) {
    SimRig rig({}, SimRealisticTiming(frameMs == 20));
    for (int i = 0; i < 3; ++i) rig.line.AddCamera(0x66);
    EXPECT_EQ(rig.Ask({0x88, 0x30, 0x01, 0xFF}, 2 * frameMs), Packets{});  // a frame per camera
    EXPECT_EQ(rig.Run(frameMs + 1), (Packets{{0x88, 0x30, 0x04, 0xFF}}));
    rig.Write({0x81, 0x09, 0x04, 0x00, 0xFF, 0x81, 0x09, 0x04, 0x00, 0xFF});
    std::vector<uint32_t> at;
    for (uint32_t ms = 1; ms <= 3 * frameMs; ++ms)
      for (const Bytes& p : rig.Run(1)) at.push_back(p == Bytes{0x90, 0x50, 0x02, 0xFF} ? ms : 0);
    ASSERT_EQ(at.size(), 2u);
    EXPECT_GE(at[0], 1u);
    EXPECT_LE(at[0], frameMs);
    EXPECT_GE(at[1] - at[0], frameMs - 1);  // one packet per frame
    EXPECT_LE(at[1] - at[0], frameMs);
  }
}
