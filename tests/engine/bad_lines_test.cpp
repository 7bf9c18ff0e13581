// Lines that once stopped the engine.
#include "engine/conversation/engine_state.h"
#include "engine/core/engine_channel.h"
#include "engine/dispatch/inquiry_answers.h"
#include "requests/request_codes.h"
#include "tests/support/engine_rig.h"

#include <set>

namespace {

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
  EXPECT_TRUE(rig.c->cameraCount.load() == 1 && rig.c->cameras[0].line == 1);
  EXPECT_EQ(rig.ListItems(), Lines{"Camera 1"});
}

// Packets ahead of the version answer are not taken for it.
TEST(BadLines, OnlyTheVersionAnswerSetsTheModel) {
  const Bytes kAhead[] = {{0x90, 0x50, 0x00, 0x00, 0x00, 0x04, 0xFF},  // a late zoom answer
                          {0x90, 0x12, 0x34, 0x56, 0x78, 0x0A, 0xFF},  // noise ending in FF
                          {0x90, 0x60, 0x41, 0xFF},                    // an error passed on
                          {0x90, 0x38, 0xFF}};                         // the camera's network changed
  for (const Bytes& ahead : kAhead) {
    SCOPED_TRACE(Hex(ahead));
    EngineRig rig;
    WirePeer& com1 = rig.Attach(1, {0x66});
    SimFaults late;  // every reply of the camera 50 ms late, within every time-out
    late.delayMs = 50;
    com1.SetFaults(0, late);
    rig.Start();
    ASSERT_TRUE(rig.RunUntil([&] { return rig.c->transaction.load() == TX_ASK_VERSION; }, 5000));
    com1.Inject(ahead);
    std::set<int32_t> models;  // as the engine held it once the version inquiry was over
    auto ready = [&] {
      if (rig.c->transaction.load() != TX_ASK_VERSION) models.insert(rig.c->cameras[0].modelCode);
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

// An answer's data may hold bytes from 80 up (here the ROM number 01 85): no
// noise ahead of a packet, the answer is taken whole.
TEST(BadLines, AVersionAnswerWithBytesFrom80UpIsTakenWhole) {
  EngineRig rig;
  rig.Attach(1, {0x66}, SimFastTiming()).SetStoredPicture(0, [](SimCameraState& s) { s.romVersion = 0x0185; });
  rig.Start();
  ASSERT_TRUE(rig.RunToReady());
  EXPECT_EQ(int32_t(rig.c->cameras[0].modelCode), 0x66);
  EXPECT_EQ(rig.ListItems(), Lines{"Camera 1"});
}

// Where a frame ends at FF, what is kept as its packet: noise ahead goes, also
// noise that opens as a reply does; a reply stays whole however its data runs.
TEST(BadLines, NoiseAheadOfAPacketIsCutAndRepliesAreKeptWhole) {
  const struct {
    Bytes frame;
    std::string packet;
  } rows[] = {
      {{0xF6, 0x46, 0xA6, 0x83, 0x90, 0x38, 0xFF}, "90 38 FF"},
      {{0x0C, 0x4B, 0x89, 0x13, 0x99, 0x88, 0x30, 0x02, 0xFF}, "88 30 02 FF"},
      {{0x90, 0x41, 0xA6, 0x90, 0x38, 0xFF}, "90 38 FF"},
      {{0xB0, 0x5E, 0x88, 0x30, 0x02, 0xFF}, "88 30 02 FF"},
      {{0x90, 0x50, 0x00, 0x20, 0x04, 0x66, 0x01, 0x85, 0x02, 0xFF}, "90 50 00 20 04 66 01 85 02 FF"},
      {{0x90, 0x61, 0x41, 0xFF}, "90 61 41 FF"},
      {{0x88, 0x01, 0x00, 0x01, 0xFF}, "88 01 00 01 FF"},
  };
  for (const auto& row : rows) {
    Bytes frame = row.frame;
    int32_t length = static_cast<int32_t>(frame.size());
    PacketEndTest(frame.data(), &length);
    const int32_t start = static_cast<int32_t>(frame.size()) - length;
    EXPECT_EQ(Hex(Bytes(row.frame.begin() + start, row.frame.end())), row.packet);
  }
}

// Model 0x40's brightness pair: errors or reordered replies still end it, and
// two requests in a row with a restart armed restart nothing.
TEST(BadLines, Model40sBrightnessPairKeepsItsRepliesInStep) {
  const uint8_t setGain[] = {0x01, 0x04, 0x4C};
  const Bytes afterFirstAck = {0x90, 0x41, 0xFF, 0x90, 0x61, 0x41, 0xFF, 0x90, 0x42, 0xFF, 0x90, 0x52, 0xFF};
  const std::string up = Framed("4B 00 00 01 01|4C 00 00 00 02"), down = Framed("4C 00 00 00 01|4B 00 00 00 0A");
  const std::string askGain = " | 81 09 04 4C FF", askIris = " | 81 09 04 4B FF";
  const std::string err61 = "Err Answer 61, COM1, Cam:1 p.Mode:8";
  const struct {
    const char* name;
    uint8_t errorToGain;  // 0: none
    bool scripted;        // the camera silent, afterFirstAck the only replies
    std::vector<int32_t> levels;
    std::string frames;
    Lines texts;
  } cases[] = {
      {"two in a row", 0, false, {18, 10}, up + askGain + " | " + down + askGain + askIris, {}},
      {"error 41 to the gain", 0x41, false, {10}, down + askGain + askIris, {err61}},
      {"error 02 to the gain", 0x02, false, {10}, down + askGain + askIris, {"Err Answer 60, COM1, Cam:1 p.Mode:8"}},
      // Silent from then on: its read-back and the two polls after it go unanswered.
      {"error after the first acknowledge", 0, true, {10}, down + askGain, {err61, "Camera 1 not answering"}},
  };
  for (const auto& k : cases) {
    SCOPED_TRACE(k.name);
    EngineRig rig;
    WirePeer& com1 = rig.Attach(1, {0x40});
    com1.SetStoredPicture(0, [](SimCameraState& s) { s.picture.aeMode = 0x03; });
    rig.Start();
    ASSERT_TRUE(rig.RunToReady() && rig.Select(0) && rig.RunUntil([&] { return rig.Idle(); }, 500));
    rig.c->cameras[0].aeMode = 13;  // brightness driven in manual mode, as request 6 leaves it
    SimFaults faults;
    if (k.errorToGain) faults.AddError(setGain, sizeof setGain, k.errorToGain, 1);
    faults.silent = k.scripted;
    com1.SetFaults(0, faults);
    rig.c->reinitOnNack = 1;
    const size_t start = com1.Frames().size(), shown = rig.StatusTexts().size();
    for (int32_t level : k.levels) rig.Post(0, REQ_EXPOSURE_LEVEL, level);
    if (k.scripted) rig.Step(), com1.Inject(afterFirstAck);
    auto sentSince = [&] {
      std::string out;
      for (size_t i = start; i < com1.Frames().size(); i++) out += (out.empty() ? "" : " | ") + com1.Frames()[i].hex;
      return out;
    };
    const int limitMs = 300 * static_cast<int>(k.levels.size());  // no wait for replies that never come
    ASSERT_TRUE(rig.RunUntil([&] { return sentSince().size() >= k.frames.size(); }, limitMs)) << sentSince();
    EXPECT_EQ(sentSince(), k.frames);
    ASSERT_TRUE(rig.RunUntil([&] { return rig.Idle(); }, 5000));
    Lines texts = rig.StatusTexts();
    EXPECT_EQ(Lines(texts.begin() + long(shown), texts.end()), k.texts);
    EXPECT_EQ(rig.c->reinitOnNack, 1) << "restarted";
  }
}

// A shutter position off the table is reported off the slider.
TEST(BadLines, ShutterOffTheTableIsReportedOffTheSlider) {
  EngineRig rig;
  rig.Start();
  CameraController* c = rig.c;
  c->cameraCount = 1;
  c->cameras[0].aeMode = 3;
  c->cameras[0].shutterRequest = 20;  // no re-inquiry
  BeginWork(c, REQ_SHUTTER_RESET, 0);
  StartTransaction(c, TX_ASK_SHUTTER, STAGE_ANSWER);
  const uint8_t answer[] = {0x90, 0x50, 0x00, 0x00, 0x01, 0x04, 0xFF};  // 20
  memcpy(c->packetBuffer, answer, sizeof answer);
  c->packetLength = sizeof answer;
  HandleAnswer(c);
  std::vector<QueueMessage> notes = rig.TakeNotifications();
  ASSERT_EQ(notes.size(), 1u);
  EXPECT_EQ(std::make_pair(notes[0].code, int32_t(notes[0].a)), std::make_pair(5u, -1));
  EXPECT_EQ(c->phase.load(), PHASE_IDLE);
}

}  // namespace
