// The idle poll of the selected camera: nothing before a selection, then focus
// and brightness (gain for model 0x40) alternately, each at least 201 ms after
// the previous transmission of any kind.
#include "engine_rig.h"
#include "requests/request_codes.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

std::vector<QueueMessage> Drain(RequestQueue* q) {
  std::vector<QueueMessage> out;
  QueueMessage m;
  while (q->TryGet(m.cameraIndex, m.code, m.a, m.b)) out.push_back(m);
  return out;
}

struct PolledLine {
  explicit PolledLine(uint8_t model) : com1(&line) {
    line.AddCamera(model);
    rig.Attach(1, &com1);
  }
  SimLine line;
  WirePeer com1;
  EngineRig rig;
};

TEST(IdlePoll, NothingIsPolledBeforeACameraIsSelected) {
  PolledLine p(0x45);
  p.rig.Start();
  ASSERT_TRUE(p.rig.RunToReady());
  size_t frames = p.com1.Frames().size();
  p.rig.Run(1500);
  EXPECT_EQ(p.com1.Frames().size(), frames);
  EXPECT_TRUE(Drain(p.rig.c->notifyQueue).empty());
}

TEST(IdlePoll, FocusAndBrightnessAlternateAtLeast201MsApart) {
  PolledLine p(0x45);
  p.rig.Start();
  ASSERT_TRUE(p.rig.RunToReady());
  Drain(p.rig.c->notifyQueue);
  size_t start = p.com1.Frames().size();
  p.rig.Select(0);
  p.rig.Run(1300);
  std::vector<WireFrame> frames = p.com1.Frames();
  ASSERT_GE(frames.size(), start + 6);
  for (size_t i = start; i < frames.size(); i++) {
    bool focusTurn = (i - start) % 2 == 0;
    EXPECT_EQ(Hex(frames[i].bytes), focusTurn ? "81 09 04 48 FF" : "81 09 04 4D FF") << i;
    if (i == start) continue;
    uint32_t gap = frames[i].tick - frames[i - 1].tick;
    EXPECT_GE(gap, 201u) << i;
    EXPECT_LE(gap, 210u) << i;
  }
  std::vector<QueueMessage> notes = Drain(p.rig.c->notifyQueue);
  ASSERT_GE(notes.size(), 5u);
  const CameraRecord& r = p.rig.c->cameras[0];
  for (size_t i = 0; i < notes.size(); i++) {
    EXPECT_EQ(notes[i].cameraIndex, 0u);
    EXPECT_EQ(notes[i].code, i % 2 == 0 ? 4u : 5u) << i;
    EXPECT_EQ(notes[i].a, static_cast<uint32_t>(i % 2 == 0 ? r.focusPos : r.brightPos)) << i;
  }
}

TEST(IdlePoll, Model40IsPolledForGain) {
  PolledLine p(0x40);
  SimCameraState state = p.line.State(0);
  state.picture.gainPos = 6;
  for (SimPicture& preset : state.presets) preset = state.picture;
  state.customPreset = state.picture;
  p.line.SetState(0, state);
  p.rig.Start();
  ASSERT_TRUE(p.rig.RunToReady());
  size_t start = p.com1.Frames().size();
  p.rig.Select(0);
  p.rig.Run(450);
  std::vector<WireFrame> frames = p.com1.Frames();
  ASSERT_GE(frames.size(), start + 2);
  EXPECT_EQ(Hex(frames[start].bytes), "81 09 04 48 FF");
  EXPECT_EQ(Hex(frames[start + 1].bytes), "81 09 04 4C FF");
  EXPECT_EQ(p.rig.c->cameras[0].brightPos, 6 + 16);
}

TEST(IdlePoll, AUserCommandDelaysTheNextPoll) {
  PolledLine p(0x45);
  p.rig.Start();
  ASSERT_TRUE(p.rig.RunToReady());
  p.rig.Select(0);
  p.rig.Run(250);
  p.rig.c->requestQueue->Put(0, REQ_FREEZE, 1, 0);
  p.rig.Run(600);
  std::vector<WireFrame> frames = p.com1.Frames();
  size_t command = 0;
  for (size_t i = 0; i < frames.size(); i++)
    if (Hex(frames[i].bytes) == "81 01 04 62 02 FF") command = i;
  ASSERT_GT(command, 0u);
  ASSERT_GE(frames.size(), command + 3);
  EXPECT_EQ(Hex(frames[command + 1].bytes), "81 09 04 62 FF");
  EXPECT_GE(frames[command + 2].tick - frames[command + 1].tick, 201u);
}

}  // namespace
