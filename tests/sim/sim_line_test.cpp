// The virtual cameras' address chain and every reply form.
#include "tests/sim/sim_test_util.h"

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
  // clang-format off
  const ReplyRow rows[] = {
      {"immediate command, socket 1", {}, Cmd({0x62, 0x02}), kDone},
      {"socket 2 while a zoom holds socket 1", {kZoomTele}, Cmd({0x62, 0x02}),
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
      {"version, model in byte 5", {}, {0x82, 0x09, 0x00, 0x02, 0xFF},
       {{0xA0, 0x50, 0x00, 0x20, 0x04, 0x45, 0x01, 0x00, 0x02, 0xFF}}},
      {"header 8 + address", {}, {0x83, 0x09, 0x04, 0x00, 0xFF}, {{0xB0, 0x50, 0x02, 0xFF}}},
      {"interface clear echo", {}, {0x88, 0x01, 0x00, 0x01, 0xFF}, {{0x88, 1, 0, 1, 0xFF}}},
      {"broadcast command: no reply", {}, {0x88, 0x01, 0x04, 0x62, 0x02, 0xFF}, {{0x88, 0x01, 0x04, 0x62, 0x02, 0xFF}}},
      {"addressed interface clear drops the move", {kZoomTele}, {0x81, 0x01, 0x00, 0x01, 0xFF}, {{0x90, 0x50, 0xFF}}},
      {"cancel", {kZoomTele}, {0x81, 0x21, 0xFF}, {{0x90, 0x61, 0x04, 0xFF}}},
      {"new zoom target cancels the old", {kZoomTele}, Cmd({0x47, 0, 0, 0, 0}),
       {{0x90, 0x61, 0x04, 0xFF}, {0x90, 0x42, 0xFF}, {0x90, 0x52, 0xFF}}},
      {"no near-infrared on 0x45", {}, {0x82, 0x01, 0x04, 0x01, 0x02, 0xFF}, {{0xA0, 0x60, 0x02, 0xFF}}},
      {"overlong broadcast is not passed on", {}, overlong, {}},
      {"and the line still works", {overlong}, {0x88, 0x30, 0x01, 0xFF}, {{0x88, 0x30, 0x04, 0xFF}}},
      {"no bright mode on 0x40", {}, {0x83, 0x01, 0x04, 0x39, 0x0D, 0xFF}, {{0xB0, 0x60, 0x02, 0xFF}}},
  };
  // clang-format on
  for (const ReplyRow& row : rows) {
    SimRig rig({0x66, 0x45, 0x40});
    for (const Bytes& b : row.before) rig.Ask(b, 20);
    EXPECT_EQ(rig.Ask(row.send, 300), row.expect) << row.name;
  }
}
