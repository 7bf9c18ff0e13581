// What the engine asks after a user command has completed: the re-reading of
// all settings, the focus rule, and the requests without a read-back.
#include "engine/link_service.h"
#include "engine_rig.h"
#include "requests/request_codes.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

namespace {

struct RefreshCall {
  int32_t camera;
  int32_t mode;
  int32_t timeoutMs;
};
std::vector<RefreshCall> refreshCalls;

void RecordRefresh(CameraController* c, int32_t cameraIndex) {
  refreshCalls.push_back(RefreshCall{cameraIndex, c->mode.load(), c->timeoutMs.load()});
}

std::vector<std::string> HexFrom(const std::vector<WireFrame>& frames, size_t first) {
  std::vector<std::string> out;
  for (size_t i = first; i < frames.size(); i++) out.push_back(Hex(frames[i].bytes));
  return out;
}

class ReadyCamera : public ::testing::Test {
protected:
  void SetUp() override {
    line.AddCamera(0x5F);
    rig.Attach(1, &com1);
    rig.Start();
    ASSERT_TRUE(rig.RunToReady());
    rig.Select(0);
    // Past the first poll, so the request goes out on an idle engine.
    rig.Run(5);
    ASSERT_TRUE(rig.RunUntil([&] { return rig.c->mode.load() == 0; }, 50));
    QueueMessage m;
    while (rig.c->notifyQueue->TryGet(m.cameraIndex, m.code, m.a, m.b)) {
    }
    refreshCalls.clear();
    SetPanelRefreshHandler(RecordRefresh);
  }

  bool Idle() { return rig.c->mode.load() == 0; }

  SimLine line;
  WirePeer com1{&line};
  EngineRig rig;
};

TEST_F(ReadyCamera, PresetRecallRefreshesThePanelAndRereadsEverySetting) {
  size_t start = com1.Frames().size();
  rig.c->requestQueue->Put(0, REQ_PRESET_RECALL_3, 0, 0);
  rig.Step();
  ASSERT_TRUE(rig.RunUntil([&] { return Idle(); }, 5000));
  std::vector<std::string> expected = {
      "81 01 04 3F 02 03 FF", "81 09 04 47 FF", "81 09 04 48 FF",    "81 09 04 4A FF", "81 09 04 4B FF",
      "81 09 04 4C FF",       "81 09 04 4D FF", "81 09 04 38 FF",    "81 09 04 63 FF", "81 09 04 66 FF",
      "81 09 04 42 FF",       "81 09 04 35 FF", "81 09 04 44 FF",    "81 09 04 43 FF", "81 09 04 5B FF",
      "81 09 04 24 72 FF",    "81 09 04 39 FF", "81 09 04 4E FF",    "81 09 00 02 FF", "81 09 04 01 FF",
      "81 09 04 39 FF",       "81 09 04 4B FF", "81 09 04 62 FF"};
  EXPECT_EQ(HexFrom(com1.Frames(), start), expected);
  ASSERT_EQ(refreshCalls.size(), 1u);
  EXPECT_EQ(refreshCalls[0].camera, 0);
  EXPECT_EQ(refreshCalls[0].mode, 21);
  EXPECT_EQ(refreshCalls[0].timeoutMs, 5000);
  EXPECT_EQ(reinitChain, 0);
  EXPECT_EQ(rig.c->listReady.load(), 1);
  EXPECT_EQ(rig.c->camera.load(), 0);
  QueueMessage m;
  EXPECT_FALSE(rig.c->notifyQueue->TryGet(m.cameraIndex, m.code, m.a, m.b));
}

TEST_F(ReadyCamera, WhiteBalanceRereadingStartsAtWhiteBalance) {
  size_t start = com1.Frames().size();
  rig.c->requestQueue->Put(0, REQ_WB_WARM, 0, 0);
  rig.Step();
  ASSERT_TRUE(rig.RunUntil([&] { return Idle(); }, 5000));
  std::vector<std::string> frames = HexFrom(com1.Frames(), start);
  ASSERT_GE(frames.size(), 3u);
  EXPECT_EQ(frames[0], "81 01 04 35 02 FF");
  EXPECT_EQ(frames[1], "81 09 04 35 FF");
  EXPECT_EQ(frames.back(), "81 09 04 62 FF");
  EXPECT_EQ(refreshCalls.size(), 1u);
  EXPECT_EQ(rig.c->cameras[0].wbMode, 2);
}

TEST_F(ReadyCamera, LedGainRequestReturnsToIdleWithoutInquiry) {
  size_t start = com1.Frames().size();
  rig.c->requestQueue->Put(0, REQ_WB_LED, 0, 0);
  rig.Step();
  ASSERT_TRUE(rig.RunUntil([&] { return Idle(); }, 1000));
  std::vector<std::string> frames = HexFrom(com1.Frames(), start);
  EXPECT_EQ(frames, std::vector<std::string>{"81 01 04 35 05 FF"});
}

TEST_F(ReadyCamera, FocusModeReadBackRepeatsForThe300MsAfterTheCommand) {
  size_t start = com1.Frames().size();
  rig.c->requestQueue->Put(0, REQ_FOCUS_AUTO, 1, 0);
  rig.Step();
  ASSERT_TRUE(rig.RunUntil([&] { return Idle(); }, 2000));
  std::vector<WireFrame> frames = com1.Frames();
  ASSERT_GT(frames.size(), start + 2);
  EXPECT_EQ(Hex(frames[start].bytes), "81 01 04 38 02 FF");
  uint32_t cmdTick = rig.c->cmdTick.load();
  int inquiries = 0;
  for (size_t i = start + 1; i < frames.size(); i++) {
    EXPECT_EQ(Hex(frames[i].bytes), "81 09 04 48 FF");
    EXPECT_LT(frames[i].tick - cmdTick, 320u);
    inquiries++;
  }
  EXPECT_GE(inquiries, 10);
  QueueMessage m;
  int notes = 0;
  while (rig.c->notifyQueue->TryGet(m.cameraIndex, m.code, m.a, m.b)) {
    EXPECT_EQ(m.code, 4u);
    notes++;
  }
  // The panel drains every 10 ms; undrained, the queue keeps what fits.
  EXPECT_EQ(notes, std::min(inquiries, kQueueCapacity - 1));
}

// A flip toggle on a camera without flip, and the never-posted request 2, must
// still return to idle after their completion.
TEST_F(ReadyCamera, CompletionsWithoutReadBackReturnToIdle) {
  for (int32_t request : {2, 28, 11, 46}) {
    rig.c->cameras[0].modelCode = 0x45;
    rig.c->followUp = request;
    rig.c->mode = MODE_COMMAND;
    rig.c->stage = STAGE_NONE;
    size_t frames = com1.Frames().size();
    rig.Step();
    rig.Step();
    EXPECT_EQ(rig.c->mode.load(), 0) << request;
    EXPECT_EQ(rig.c->followUp.load(), 0) << request;
    EXPECT_EQ(com1.Frames().size(), frames) << request;
    rig.c->cameras[0].modelCode = 0x5F;
  }
}

}  // namespace
