// Lines that once stopped the engine: echoes always too short, error replies nobody
// waits for, a network-change packet ahead of an answer, an error inside a command pair.
#include "engine/engine_state.h"
#include "engine/inquiry_answers.h"
#include "requests/request_codes.h"
#include "tests/support/engine_rig.h"

#include <set>

namespace {

// Model 0x40 selected, its brightness driven in manual mode (aeMode 13, as request 6 leaves it).
void SelectModel40InManual(EngineRig& rig, WirePeer& com1) {
  com1.SetStoredPicture(0, [](SimCameraState& s) { s.picture.aeMode = 0x03; });
  rig.Start();
  ASSERT_TRUE(rig.RunToReady() && rig.Select(0) && rig.RunUntil([&] { return rig.Idle(); }, 500));
  rig.c->cameras[0].aeMode = 13;
}

TEST(BadLines, ShortEchoesForeverEndAsALineWithoutCameras) {
  EngineRig rig;
  SimFaults faults;
  faults.shortAddressEchoes = 1000;
  rig.Attach(1, {0x45}).SetFaults(-1, faults);
  rig.Attach(2, {0x45});
  rig.Start();
  ASSERT_TRUE(rig.RunToReady());
  Lines texts = rig.StatusTexts();
  int checks = static_cast<int>(std::count(texts.begin(), texts.end(), "Checking COM1..."));
  EXPECT_GE(checks, 2);   // a short echo is checked again ...
  EXPECT_LE(checks, 10);  // ... but not for ever
  EXPECT_EQ(rig.c->channels[0], nullptr);
  EXPECT_TRUE(rig.c->cameraCount.load() == 1 && rig.c->cameras[0].port == 1);
  EXPECT_EQ(rig.ListItems(), Lines{"Camera 1"});
}

// An error reply with nothing awaited only shows its text: here one arriving
// before the first port check has gone out.
TEST(BadLines, ErrorReplyWhileNothingIsAwaitedIsOnlyShown) {
  EngineRig rig;
  rig.Attach(1, {0x45}).Inject({0x90, 0x60, 0x02, 0xFF});
  rig.Start();
  ASSERT_TRUE(rig.RunToReady());
  Lines texts = rig.StatusTexts();
  ASSERT_GE(texts.size(), 3u);
  EXPECT_EQ(Lines(texts.begin() + 1, texts.begin() + 3),
            (Lines{"Err Answer 60, COM1, Cam:1 p.Mode:1", "Checking COM1..."}));
  EXPECT_EQ(texts.back(), "1 Cameras OK, none selected");
}

// y0 38 FF (the camera's network changed) ahead of the version answer is not
// taken for the answer; the chain files every value in its own field.
TEST(BadLines, NetworkChangeAheadOfAnAnswerIsNotTheAnswer) {
  EngineRig rig;
  WirePeer& com1 = rig.Attach(1, {0x66});
  com1.SetStoredPicture(0, [](SimCameraState& s) { s.picture.zoomPos = 0x1234; });
  rig.Start();
  ASSERT_TRUE(rig.RunUntil([&] { return rig.c->mode.load() == TX_ASK_ZOOM; }, 5000));
  com1.Inject({0x90, 0x38, 0xFF});
  ASSERT_TRUE(rig.RunToReady());
  const CameraRecord& r = rig.c->cameras[0];
  EXPECT_EQ(r.modelCode, 0x66);
  EXPECT_EQ(r.zoomPos, 0x1234);
  EXPECT_EQ(r.focusPos, com1.State(0).picture.focusPos);
}

// A late answer to an earlier inquiry, a noise packet or an error passed on
// ahead of the version answer is not taken for it: the camera keeps its model
// (here a 30x wide-range one) and is set up and driven as that model.
TEST(BadLines, OnlyTheVersionAnswerSetsTheModel) {
  const Bytes kAhead[] = {{0x90, 0x50, 0x00, 0x00, 0x00, 0x04, 0xFF},  // a late zoom answer
                          {0x90, 0x12, 0x34, 0x56, 0x78, 0x0A, 0xFF},  // noise ending in FF
                          {0x90, 0x60, 0x41, 0xFF}};
  for (const Bytes& ahead : kAhead) {
    SCOPED_TRACE(Hex(ahead));
    EngineRig rig;
    WirePeer& com1 = rig.Attach(1, {0x66});
    SimFaults late;  // every reply of the camera 50 ms late, within every time-out
    late.delayMs = 50;
    com1.SetFaults(0, late);
    rig.Start();
    ASSERT_TRUE(rig.RunUntil([&] { return rig.c->mode.load() == TX_ASK_VERSION; }, 5000));
    com1.Inject(ahead);
    std::set<int32_t> models;  // as the engine held it once the version inquiry was over
    auto ready = [&] {
      if (rig.c->mode.load() != TX_ASK_VERSION) models.insert(rig.c->cameras[0].modelCode);
      return rig.c->listReady.load() == 1 && rig.Idle();
    };
    ASSERT_TRUE(rig.RunUntil(ready, 20000));
    EXPECT_EQ(models, (std::set<int32_t>{0x66}));
    Lines frames = com1.Hexes();
    EXPECT_NE(std::find(frames.begin(), frames.end(), "81 01 04 74 3F FF"), frames.end()) << "wide-range set-up";
    ASSERT_TRUE(rig.Select(0));
    size_t start = com1.Frames().size();
    ASSERT_TRUE(rig.Request(REQ_ZOOM_DIRECT, 140));
    EXPECT_EQ(com1.Hexes()[start], "81 01 04 47 03 0A 0C 0A FF");  // x15 on the 30x table: 15050
  }
}

// Model 0x40 emulates brightness with two commands sent back to back; when the
// first is answered by an error, the second still ends the transaction and its
// read-back follows at once.
TEST(BadLines, ErrorToTheFirstOfModel40sBrightnessPairEndsItsReplies) {
  for (uint8_t code : {uint8_t{0x41}, uint8_t{0x02}}) {
    SCOPED_TRACE(code);
    EngineRig rig;
    WirePeer& com1 = rig.Attach(1, {0x40});
    SelectModel40InManual(rig, com1);
    const uint8_t setGain[] = {0x01, 0x04, 0x4C};
    SimFaults faults;
    faults.AddError(setGain, sizeof setGain, code, 1);
    com1.SetFaults(0, faults);

    size_t start = com1.Frames().size();
    uint32_t sent = VirtualTick();
    rig.c->requestQueue->Put(0, REQ_EXPOSURE_LEVEL, 10, 0);  // gain 1, then iris 10
    bool readBack = rig.RunUntil([&] { return com1.Frames().size() >= start + 3; }, 300);
    std::vector<WireFrame> frames = com1.Frames();
    ASSERT_TRUE(readBack);
    Lines hexes = com1.Hexes();
    EXPECT_EQ(Lines(hexes.begin() + long(start), hexes.begin() + long(start) + 3),
              (Lines{"81 01 04 4C 00 00 00 01 FF", "81 01 04 4B 00 00 00 0A FF", "81 09 04 4C FF"}));
    EXPECT_LT(frames[start + 2].tick - sent, 300u) << "the transaction waited for replies that never come";
  }
}

// The same pair with the cameras' replies in another order: the first command's
// acknowledge, then its error, then the second command's acknowledge and
// completion. Only the error is shown and the read-back follows at once.
TEST(BadLines, ErrorAfterTheFirstAcknowledgeOfModel40sPair) {
  EngineRig rig;
  WirePeer& com1 = rig.Attach(1, {0x40});
  SelectModel40InManual(rig, com1);
  SimFaults silent;
  silent.silent = true;  // the replies below are the only ones
  com1.SetFaults(0, silent);
  rig.Post(0, REQ_EXPOSURE_LEVEL, 10);
  rig.Step();
  ASSERT_EQ(rig.c->stage.load(), STAGE_ACK);
  size_t shown = rig.StatusTexts().size(), sent = com1.Frames().size();
  com1.Inject({0x90, 0x41, 0xFF, 0x90, 0x61, 0x41, 0xFF, 0x90, 0x42, 0xFF, 0x90, 0x52, 0xFF});
  rig.Run(3);
  Lines texts = rig.StatusTexts();
  EXPECT_EQ(Lines(texts.begin() + static_cast<long>(shown), texts.end()), Lines{"Err Answer 61, COM1, Cam:1 p.Mode:8"});
  Lines frames = com1.Hexes();
  ASSERT_EQ(frames.size(), sent + 1);
  EXPECT_EQ(frames.back(), "81 09 04 4C FF");
}

// A shutter position off the table (3..15) is reported as off the slider, not
// mirrored back into it as another exposure time.
TEST(BadLines, ShutterOffTheTableIsReportedOffTheSlider) {
  EngineRig rig;
  rig.Start();
  CameraController* c = rig.c;
  c->cameraCount = 1;
  c->cameras[0].aeMode = 3;
  // Slider 0..12 runs over positions 15..3: 9 is slider 6, 20 lies beyond its left end.
  for (auto tc : {std::make_pair(9, 6), std::make_pair(20, -1)}) {
    SCOPED_TRACE(tc.first);
    c->cameras[0].shutterRequest = tc.first;  // no re-inquiry
    BeginWork(c, REQ_SHUTTER_RESET, 0);
    StartTransaction(c, TX_ASK_SHUTTER, STAGE_ANSWER);
    const uint8_t answer[] = {
        0x90, 0x50, 0x00, 0x00, static_cast<uint8_t>(tc.first >> 4), static_cast<uint8_t>(tc.first & 0x0F), 0xFF};
    memcpy(c->packetBuffer, answer, sizeof answer);
    c->packetLength = sizeof answer;
    HandleAnswer(c);
    std::vector<QueueMessage> notes = rig.TakeNotifications();
    ASSERT_EQ(notes.size(), 1u);
    EXPECT_EQ(std::make_pair(notes[0].code, int32_t(notes[0].a)), std::make_pair(5u, tc.second));
    EXPECT_EQ(c->mode.load(), MODE_IDLE);
  }
}

}  // namespace
