// Two controllers in one process, each on its own line, driven apart.
#include "engine/dispatch/raw_command.h"
#include "engine/trace/traffic_trace.h"
#include "requests/request_codes.h"
#include "tests/support/engine_rig.h"

namespace {

bool Ready(const CameraController* x) {
  return x->listReady.load() == 1 && x->phase.load() == PHASE_IDLE && x->stage.load() == 0;
}

// Every entry of `x`'s trace is on `line`, and there is one at least.
bool TraceOnlyOn(const CameraController* x, int line) {
  TraceEntry e;
  bool only = TraceNewest(x) > 0;
  for (uint32_t id = 1; TraceRead(x, id, &e); id++) only = only && e.line == line;
  return only;
}

}  // namespace

TEST(TwoControllers, EachKeepsItsMarksRawCommandsAndTraceToItsOwnLine) {
  EngineRig rig;
  WirePeer& com1 = rig.Attach(1, {0x45, 0x45}, SimFastTiming());
  rig.Start();
  SerialPortSetPeer(1, nullptr);  // the second controller finds no COM1
  WirePeer& com2 = rig.Attach(2, {0x45}, SimFastTiming());
  rig.StartSecond();
  ASSERT_TRUE(rig.RunUntil([&] { return Ready(rig.c) && Ready(rig.second); }, 20000));
  EXPECT_EQ((std::vector<int>{rig.c->cameraCount.load(), rig.second->cameraCount.load()}), (std::vector<int>{2, 1}));
  rig.c->reinitOnNack = rig.second->reinitOnNack = 0;
  com1.Power(0, false);
  for (int i = 0; i < 3; i++) rig.c->requestQueue->Put(0, REQ_FREEZE, uint32_t(i % 2), 0);
  ASSERT_TRUE(rig.RunUntil([&] { return !CameraReachable(rig.c, 0); }, 3000));
  EXPECT_TRUE(CameraReachable(rig.second, 0)) << "marked on the other controller's line";
  RawPacket packet;
  char why[120] = {};
  ASSERT_EQ(ParseRawPacket("8x 01 04 62 02 FF", &packet, why, sizeof why), RAW_OK) << why;
  ASSERT_EQ(PutRawCommand(rig.second, 0, packet, why, sizeof why), RAW_PUT) << why;
  EXPECT_EQ(RawCommandsWaiting(rig.c), 0u);
  ASSERT_TRUE(rig.RunUntil([&] { return RawCommandsWaiting(rig.second) == 0 && Ready(rig.second); }, 1000));
  EXPECT_EQ(Hex(com2.Received(0, 0x01).back()), "81 01 04 62 02 FF");
  EXPECT_TRUE(TraceOnlyOn(rig.c, 0) && TraceOnlyOn(rig.second, 1));
}
