// The idle poll: nothing before a camera is selected, then focus and
// brightness (gain for model 0x40) alternately, each at least 201 ms after the
// previous transmission of any kind.
#include "engine_rig.h"
#include "requests/request_codes.h"

namespace {

std::vector<QueueMessage> Drain(RequestQueue* q) {
  std::vector<QueueMessage> out;
  QueueMessage m;
  while (q->TryGet(m.cameraIndex, m.code, m.a, m.b)) out.push_back(m);
  return out;
}

const struct {
  uint8_t model;
  const char* brightInquiry;
  int32_t brightPos;  // gain 6 read as brightness on model 0x40
} kPolled[] = {{0x45, "81 09 04 4D FF", -1}, {0x40, "81 09 04 4C FF", 6 + 16}};

TEST(IdlePoll, FocusAndBrightnessAlternateOnlyAfterSelection) {
  for (const auto& tc : kPolled) {
    SCOPED_TRACE(tc.model);
    SimLine line;
    SimCameraState state = line.State(line.AddCamera(tc.model));
    state.picture.gainPos = 6;
    for (SimPicture& preset : state.presets) preset = state.picture;
    state.customPreset = state.picture;
    line.SetState(0, state);
    WirePeer com1(&line);
    EngineRig rig;
    rig.Attach(1, &com1);
    rig.Start();
    ASSERT_TRUE(rig.RunToReady());
    Drain(rig.c->notifyQueue);
    size_t start = com1.Frames().size();
    rig.Run(1500);
    EXPECT_EQ(com1.Frames().size(), start);
    EXPECT_TRUE(Drain(rig.c->notifyQueue).empty());

    rig.Select(0);
    rig.Run(1300);
    std::vector<WireFrame> frames = com1.Frames();
    ASSERT_GE(frames.size(), start + 6);
    for (size_t i = start; i < frames.size(); i++) {
      EXPECT_EQ(frames[i].hex, (i - start) % 2 ? tc.brightInquiry : "81 09 04 48 FF") << i;
      if (i == start) continue;
      EXPECT_GE(frames[i].tick - frames[i - 1].tick, 201u) << i;
      EXPECT_LE(frames[i].tick - frames[i - 1].tick, 215u) << i;
    }
    std::vector<QueueMessage> notes = Drain(rig.c->notifyQueue);
    const CameraRecord& r = rig.c->cameras[0];
    EXPECT_TRUE(tc.brightPos < 0 || r.brightPos == tc.brightPos) << r.brightPos;
    ASSERT_GE(notes.size(), frames.size() - start - 1);
    for (size_t i = 0; i < notes.size(); i++) {
      EXPECT_EQ(notes[i].cameraIndex, 0u);
      EXPECT_EQ(notes[i].code, i % 2 ? 5u : 4u) << i;
      EXPECT_EQ(notes[i].a, static_cast<uint32_t>(i % 2 ? r.brightPos : r.focusPos)) << i;
    }

    // A user command and its read-back push the next poll back.
    rig.c->requestQueue->Put(0, REQ_FREEZE, 1, 0);
    rig.Run(600);
    Lines after = com1.Hexes(frames.size());
    ASSERT_GE(after.size(), 3u);
    EXPECT_EQ(Lines(after.begin(), after.begin() + 2), (Lines{"81 01 04 62 02 FF", "81 09 04 62 FF"}));
    frames = com1.Frames();
    size_t next = frames.size() - after.size() + 2;
    EXPECT_GE(frames[next].tick - frames[next - 1].tick, 201u);
  }
}

}  // namespace
