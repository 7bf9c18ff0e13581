// Lines lost and cameras switched off, and how each comes back.
#include "engine/recovery/line_recovery.h"
#include "engine/trace/trace_text.h"
#include "requests/request_codes.h"
#include "tests/support/engine_rig.h"

namespace {

const SimTiming kFast = SimFastTiming();
const char kAddressSet[] = "88 30 01 FF";

Lines Since(const Lines& all, size_t from) { return Lines(all.begin() + static_cast<long>(from), all.end()); }

bool Shows(EngineRig& rig, const std::string& text) {
  const Lines texts = rig.StatusTexts();
  return !texts.empty() && texts.back() == text;
}

void Choose(EngineRig& rig, int index) {
  ASSERT_TRUE(rig.RunToReady() && rig.Select(index));
  SendDlgItemMessageA(rig.panel, IDC_CAMERA_LIST, LB_SETCURSEL, static_cast<WPARAM>(index), 0);
}

int Selected(EngineRig& rig) {
  return static_cast<int>(SendDlgItemMessageA(rig.panel, IDC_CAMERA_LIST, LB_GETCURSEL, 0, 0));
}

std::vector<uint32_t> Ticks(WirePeer& line, const std::string& prefix, size_t from = 0) {
  std::vector<uint32_t> ticks;
  const std::vector<WireFrame> frames = line.Frames();
  for (size_t i = from; i < frames.size(); i++)
    if (frames[i].hex.rfind(prefix, 0) == 0) ticks.push_back(frames[i].tick);
  return ticks;
}

// The noise the trace names from entry `after` on, each line without its time.
Lines NoiseDropped(const CameraController* c, uint32_t after) {
  Lines lines;
  TraceEntry e;
  char line[160];
  for (uint32_t id = after + 1; TraceRead(c, id, &e); id++) {
    if (e.kind != TRACE_NOISE) continue;
    FormatTraceLine(e, TRACE_NAMED, line, sizeof line);
    lines.push_back(strchr(line, ' ') + 1);
  }
  return lines;
}

uint32_t ClosestGap(const std::vector<uint32_t>& ticks) {
  uint32_t gap = UINT32_MAX;
  for (size_t i = 1; i < ticks.size(); i++) gap = std::min(gap, ticks[i] - ticks[i - 1]);
  return gap;
}

}  // namespace

TEST(Recovery, LostLineComesBackWithTheSameMoreOrFewerCameras) {
  const struct {
    const char* name;
    std::initializer_list<uint8_t> models;  // on COM2 once it is back
    Lines entries;
    Lines texts;  // from the loss on
  } rows[] = {
      {"same",
       {0x45, 0x45},
       {"Camera 1", "Camera 2", "Camera 3"},
       {"COM2 lost", "Checking COM2...", "Initializing camera 2...", "Initializing camera 3...",
        "COM2 back, 2 cameras"}},
      {"more",
       {0x45, 0x45, 0x45},
       {"Camera 1", "Camera 2", "Camera 3", "Camera 4"},
       {"COM2 lost", "Checking COM2...", "Initializing camera 2...", "Initializing camera 3...",
        "Initializing camera 4...", "COM2 back, 3 cameras"}},
      {"fewer",
       {0x45},
       {"Camera 1", "Camera 2", "Camera 3 (no answer)"},
       {"COM2 lost", "Checking COM2...", "Initializing camera 2...", "COM2 back, 1 cameras"}},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    EngineRig rig;
    rig.Attach(1, {0x45}, kFast);
    rig.Attach(2, {0x45, 0x45}, kFast);
    rig.Start();
    Choose(rig, 1);
    ASSERT_TRUE(rig.RunUntil([&] { return rig.c->line.load() == 1 && rig.c->stage.load() != 0; }, 1000));
    const size_t shown = rig.StatusTexts().size();
    rig.Unplug(2);
    rig.Step();
    const uint32_t lost = VirtualTick();
    EXPECT_TRUE(rig.Idle()) << "the poll in flight ends at once";
    rig.Post(1, REQ_FREEZE, 1);
    rig.Step();
    EXPECT_TRUE(rig.Idle() && !rig.c->requestQueue->HasMessages()) << "a request for a lost camera is dropped";
    EXPECT_EQ(rig.ListItems(), (Lines{"Camera 1", "Camera 2 (no answer)", "Camera 3 (no answer)"}));
    rig.Run(1500);  // the attempt a second after the loss finds nothing
    WirePeer& back = rig.PlugIn(2, row.models, kFast);
    ASSERT_TRUE(rig.RunUntil([&] { return Shows(rig, row.texts.back()) && rig.Idle(); }, 5000));
    EXPECT_EQ(back.Hexes().at(0), kAddressSet);
    EXPECT_EQ(back.Frames().at(0).tick - lost, 2051u) << "opened two seconds after the loss, then 50 ms to settle";
    EXPECT_EQ(Since(rig.StatusTexts(), shown), row.texts);
    EXPECT_EQ(rig.ListItems(), row.entries);
    EXPECT_EQ(Selected(rig), 1);
    rig.Post(1, REQ_FREEZE, 1);
    ASSERT_TRUE(rig.Settle());
    EXPECT_EQ(Hex(back.Received(0, 0x01).back()), "81 01 04 62 02 FF");
    // A camera the echo did not count is asked nothing, even selected.
    const int32_t focus = rig.c->cameras[2].focusPos;
    ASSERT_TRUE(rig.Select(2));
    rig.Run(1000);
    int wakes = 0;
    for (const uint32_t from = VirtualTick(); VirtualTick() - from < 2000; wakes++) rig.SleepThenStep();
    EXPECT_LE(wakes, 40);
    EXPECT_EQ(Ticks(back, kAddressSet).size(), 1u);
    EXPECT_EQ(rig.c->cameras[2].focusPos, focus);
  }
}

// A burst of network changes readdresses the line once, 500 ms after the
// first; one during a slow check brings another check after it.
TEST(Recovery, NetworkChangeReaddressesItsLineHalfASecondLater) {
  for (int com : {1, 2}) {
    SCOPED_TRACE(com);
    EngineRig rig;
    rig.Attach(1, {0x45}, kFast);
    rig.Attach(2, {0x45, 0x45}, kFast);
    rig.Start();
    Choose(rig, 0);
    WirePeer& line = rig.Com(com);
    const size_t before = line.Frames().size();
    const uint32_t first = VirtualTick();
    for (int i = 0; i < 45; i++) {
      line.Inject({0x90, 0x38, 0xFF});
      rig.Run(10);
    }
    ASSERT_TRUE(rig.RunUntil([&] { return rig.c->line.load() == com - 1 && rig.c->stage.load() != 0; }, 100));
    line.Inject({0x90, 0x60, 0x03, 0xFF});  // a stray error: the check still waits for its echo
    const std::string back = com == 1 ? "COM1 back, 1 cameras" : "COM2 back, 2 cameras";
    ASSERT_TRUE(rig.RunUntil([&] { return Shows(rig, back) && rig.Idle(); }, 3000));
    const std::vector<uint32_t> checks = Ticks(line, kAddressSet, before);
    ASSERT_EQ(checks.size(), 1u);
    EXPECT_GT(checks[0] - first, 500u);
    EXPECT_LE(checks[0] - first, 520u);
    EXPECT_EQ(Selected(rig), 0);
    SimFaults slow;
    slow.delayMs = 150;
    line.SetFaults(0, slow);
    line.Inject({0x90, 0x38, 0xFF});
    ASSERT_TRUE(rig.RunUntil([&] { return rig.StatusTexts().back().rfind("Initializing", 0) == 0; }, 1000));
    line.Inject({0x90, 0x38, 0xFF});
    rig.Run(5000);
    EXPECT_EQ(Ticks(line, kAddressSet, before).size(), 3u);
  }
}

// Bytes ahead of a packet (a camera powering up) are cut off and named: the
// network change behind them readdresses its line, and the check takes its
// echo. As seen on a line, then from a camera switched off and on again that
// sends noise ahead of its packets.
TEST(Recovery, NoiseAheadOfPacketsHidesNoCameraComingBack) {
  EngineRig rig;
  rig.Attach(1, {0x45}, kFast);
  WirePeer& com2 = rig.Attach(2, {0x45}, kFast);
  rig.Start();
  Choose(rig, 0);
  uint32_t base = TraceNewest(rig.c);
  const size_t before = com2.Frames().size();
  const uint32_t sent = VirtualTick();
  const std::string back = "COM2 back, 1 cameras";
  // The last five bytes go ahead of the check's echo 88 30 02 FF.
  com2.Inject({0xF6, 0x46, 0xA6, 0x83, 0x90, 0x38, 0xFF, 0x0C, 0x4B, 0x89, 0x13, 0x99});
  ASSERT_TRUE(rig.RunUntil([&] { return Shows(rig, back) && rig.Idle(); }, 1500));
  const std::vector<uint32_t> checks = Ticks(com2, kAddressSet, before);
  ASSERT_EQ(checks.size(), 1u) << "the first check took its echo";
  EXPECT_GT(checks[0] - sent, 500u);
  EXPECT_EQ(NoiseDropped(rig.c, base),
            (Lines{"COM2 Cam - -- noise dropped: F6 46 A6 83", "COM2 Cam - -- noise dropped: 0C 4B 89 13 99"}));
  SimFaults powerUp;
  powerUp.powerOnNoiseBytes = 5;
  com2.SetFaults(0, powerUp);
  com2.Power(0, false);
  rig.Run(2000);
  base = TraceNewest(rig.c);
  const size_t shown = rig.StatusTexts().size();
  com2.Power(0, true);
  ASSERT_TRUE(rig.RunUntil([&] { return rig.StatusTexts().size() > shown && Shows(rig, back) && rig.Idle(); }, 1500));
  EXPECT_GE(NoiseDropped(rig.c, base).size(), 4u) << "network change, two echoes, the initialisation's replies";
  Choose(rig, 1);
  rig.Post(1, REQ_FREEZE, 1);
  ASSERT_TRUE(rig.Settle());
  EXPECT_EQ(Hex(com2.Received(0, 0x01).back()), "81 01 04 62 02 FF");
  EXPECT_EQ(rig.ListItems(), (Lines{"Camera 1", "Camera 2"}));
}

// The first camera switched off silences the chain: marked within a second,
// the line checked once a second, initialised again once back.
TEST(Recovery, CameraSwitchedOffSilencesItsChainUntilItComesBack) {
  EngineRig rig;
  WirePeer& com1 = rig.Attach(1, {0x45, 0x45}, kFast);
  rig.Start();
  Choose(rig, 1);
  rig.Post(1, REQ_FREEZE, 1);
  ASSERT_TRUE(rig.Settle());
  const uint32_t lastAnswer = com1.lastByteTick.load();
  const size_t shown = rig.StatusTexts().size();
  com1.Power(0, false);
  for (int i = 0; i < 3; i++) rig.Post(1, REQ_FREEZE, i % 2);
  ASSERT_TRUE(rig.RunUntil([&] { return rig.StatusTexts().size() > shown; }, 3000));
  EXPECT_EQ(rig.StatusTexts().at(shown), "Camera 2 not answering");
  EXPECT_LE(VirtualTick() - lastAnswer, 1000u);
  // 400 ms for the first miss, then 200 ms each: nothing marks it sooner.
  std::vector<uint32_t> unanswered = Ticks(com1, "82");
  unanswered.erase(unanswered.begin(), std::upper_bound(unanswered.begin(), unanswered.end(), lastAnswer));
  ASSERT_EQ(unanswered.size(), 3u);
  EXPECT_EQ(unanswered[1] - unanswered[0], 401u);
  EXPECT_GT(unanswered[2] - unanswered[1], 200u);
  EXPECT_GT(VirtualTick() - unanswered[2], 200u);
  rig.Step();  // the entry follows the mark at once
  EXPECT_EQ(rig.ListItems()[1], "Camera 2 (no answer)");
  const size_t marked = com1.Frames().size();
  rig.Run(4000);
  EXPECT_GE(Ticks(com1, kAddressSet, marked).size(), 3u) << "the silent line is checked every second";
  EXPECT_GE(ClosestGap(Ticks(com1, "", marked)), 1000u) << "and carries nothing more";
  EXPECT_EQ(rig.ListItems(), (Lines{"Camera 1 (no answer)", "Camera 2 (no answer)"}));
  com1.Power(0, true);
  ASSERT_TRUE(rig.RunUntil([&] { return Shows(rig, "COM1 back, 2 cameras") && rig.Idle(); }, 3000));
  EXPECT_EQ(rig.ListItems(), (Lines{"Camera 1", "Camera 2"}));
  EXPECT_EQ(Selected(rig), 1);
  rig.Post(1, REQ_FREEZE, 1);
  ASSERT_TRUE(rig.Settle());
  EXPECT_EQ(Hex(com1.Received(1, 0x01).back()), "82 01 04 62 02 FF");
}

// A camera gone from a live chain is marked, asked its power once a second,
// and initialised again once it answers.
TEST(Recovery, SilentCameraOnALiveLineIsAskedEverySecondUntilItAnswers) {
  EngineRig rig;
  WirePeer& com1 = rig.Attach(1, {0x45, 0x45}, kFast);
  rig.Start();
  Choose(rig, 0);
  com1.SetStoredPicture(1, [](SimCameraState& s) { s.address = 5; });
  for (int i = 0; i < 3; i++) {
    rig.Post(1, REQ_FREEZE, 1);
    ASSERT_TRUE(rig.Settle());
  }
  rig.Step();  // the entry follows the mark at once
  EXPECT_EQ(rig.ListItems(), (Lines{"Camera 1", "Camera 2 (no answer)"}));
  rig.Post(0, REQ_PRESET_RECALL_3, 0);  // its re-reading leaves a 5 s wait in force
  ASSERT_TRUE(rig.Settle());
  const size_t marked = com1.Frames().size();
  rig.Run(3500);
  const std::vector<uint32_t> probes = Ticks(com1, "82 09 04 00 FF", marked);
  EXPECT_GE(probes.size(), 3u);
  EXPECT_GE(ClosestGap(probes), 1000u);
  const std::vector<uint32_t> all = Ticks(com1, "", marked);
  for (size_t i = 0; i + 1 < probes.size(); i++)  // each holds the line 400 ms at most
    EXPECT_LE(*std::upper_bound(all.begin(), all.end(), probes[i]) - probes[i], 410u);
  EXPECT_EQ(Ticks(com1, kAddressSet, marked).size(), 0u) << "the line answers, so it is not checked";
  com1.SetStoredPicture(1, [](SimCameraState& s) { s.address = 2; });
  ASSERT_TRUE(rig.RunUntil([&] { return Shows(rig, "COM1 back, 2 cameras") && rig.Idle(); }, 3000));
  EXPECT_EQ(rig.ListItems(), (Lines{"Camera 1", "Camera 2"}));
}

// Only the selected camera is polled, so another line's last reply grows old:
// half the tick range later, and with the clock come round through 0 meanwhile,
// a camera switched off there is still marked and its line checked.
TEST(Recovery, QuietLineIsStillWatchedWhenItsLastReplyIsWeeksOld) {
  for (uint32_t start : {100000u, 0x7FFFF000u}) {
    SCOPED_TRACE(start);
    EngineRig rig;
    virtualTick = start;
    rig.Attach(1, {0x45}, kFast);
    WirePeer& com2 = rig.Attach(2, {0x45}, kFast);
    rig.Start();
    Choose(rig, 0);
    ASSERT_TRUE(rig.RunUntil([&] { return rig.Idle(); }, 1000));
    rig.JumpFar(0x80000000u + 5000);
    com2.Power(0, false);
    for (int i = 0; i < 3; i++) rig.Post(1, REQ_FREEZE, i % 2);
    ASSERT_TRUE(rig.RunUntil([&] { return rig.ListItems() == Lines{"Camera 1", "Camera 2 (no answer)"}; }, 3000));
    const size_t marked = com2.Frames().size();
    rig.Run(1500);
    EXPECT_EQ(Ticks(com2, kAddressSet, marked).size(), 2u) << "its line is checked once a second";
  }
}

// An echo may announce more cameras than a line carries: a line's check, as
// discovery does, keeps records for seven.
TEST(Recovery, LineCheckEchoAnnouncingEightKeepsSevenRecords) {
  EngineRig rig;
  rig.Attach(1, {0x45}, kFast);
  rig.Attach(2, {0x45}, kFast);
  rig.Start();
  ASSERT_TRUE(rig.RunToReady());
  rig.Unplug(2);
  WirePeer& back = rig.PlugIn(2, {}, kFast);
  ASSERT_TRUE(rig.RunUntil([&] { return back.Hexes() == Lines{kAddressSet}; }, 3000));
  back.Inject({0x88, 0x30, 0x09, 0xFF});
  ASSERT_TRUE(rig.RunUntil([&] { return back.Hexes().size() == 2; }, 100));
  EXPECT_EQ(back.Hexes()[1], "88 01 00 01 FF");
  std::vector<int32_t> addresses;
  for (int32_t i = 0; i < rig.c->cameraCount.load(); i++)
    if (rig.c->cameras[i].line == 1) addresses.push_back(rig.c->cameras[i].address);
  EXPECT_EQ(addresses, (std::vector<int32_t>{1, 2, 3, 4, 5, 6, 7}));
}

// A camera silent at start-up is passed over until it answers.
TEST(Recovery, CameraSilentAtStartUpIsPassedOverUntilItAnswers) {
  EngineRig rig;
  WirePeer& com1 = rig.Attach(1, {0x45, 0x45, 0x45}, kFast);
  SimFaults silent;
  silent.silent = true;
  com1.SetFaults(1, silent);
  rig.Start();
  ASSERT_TRUE(rig.RunToReady());
  rig.Step();
  EXPECT_EQ(Hex(com1.Received(2, 0x09).at(0)), "83 09 00 02 FF");
  EXPECT_EQ(rig.StatusTexts().back(), "3 Cameras OK, none selected");
  EXPECT_EQ(rig.ListItems(), (Lines{"Camera 1", "Camera 2 (no answer)", "Camera 3"}));
  com1.SetFaults(1, SimFaults{});
  ASSERT_TRUE(rig.RunUntil([&] { return Shows(rig, "COM1 back, 3 cameras") && rig.Idle(); }, 3000));
  EXPECT_EQ(rig.ListItems(), (Lines{"Camera 1", "Camera 2", "Camera 3"}));
  EXPECT_EQ(int32_t(rig.c->cameras[1].modelCode), 0x45);
}

// The only port lost in discovery: one wake a second; back, it is listed.
TEST(Recovery, PortThatNeverReopensCostsOneAttemptASecond) {
  EngineRig rig;
  rig.Attach(1, {0x45}, kFast);
  rig.Start();
  ASSERT_TRUE(rig.RunUntil([&] { return rig.c->stage.load() == STAGE_ECHO; }, 500));
  rig.Unplug(1);
  rig.Step();
  int wakes = 0;
  for (const uint32_t from = VirtualTick(); VirtualTick() - from < 10000; wakes++) rig.SleepThenStep();
  EXPECT_LE(wakes, 11);
  rig.PlugIn(1, {0x45}, kFast);
  ASSERT_TRUE(rig.RunUntil([&] { return Shows(rig, "COM1 back, 1 cameras") && rig.Idle(); }, 3000));
  EXPECT_EQ(rig.ListItems(), Lines{"Camera 1"});
}

// Back with nobody on it after a discovery that found nobody: no list.
TEST(Recovery, LineBackEmptyAfterAnEmptyDiscoveryListsNothing) {
  EngineRig rig;
  rig.Attach(1, {0x45}, kFast);
  rig.Start();
  rig.Unplug(1);
  ASSERT_TRUE(rig.RunUntil([&] { return Shows(rig, "Found 0 cameras"); }, 3000));
  WirePeer& back = rig.PlugIn(1, {}, kFast);
  ASSERT_TRUE(rig.RunUntil([&] { return !back.Frames().empty(); }, 3000));
  back.Inject({0x88, 0x30, 0x01, 0xFF});
  ASSERT_TRUE(rig.RunUntil([&] { return back.Frames().size() >= 2; }, 1000));
  back.Inject({0x88, 0x01, 0x00, 0x01, 0xFF});
  rig.Run(500);
  EXPECT_EQ(rig.c->listReady.load(), 0);
}

// A TCP line that drops while discovery waits for it to connect is passed over.
TEST(Recovery, NetworkLineLostWhileDiscoveryWaitsForIt) {
  EngineRig rig;
  rig.Attach(1, {0x45}, kFast);
  rig.AttachIp(1, NET_TCP, {0x45}, kFast);
  rig.Start();
  ASSERT_TRUE(rig.RunUntil([&] { return rig.c->line.load() == kSerialLineCount; }, 3000));
  EnterPhase(rig.c, PHASE_LINE_WAIT);  // as for a line not connected yet
  NetworkLineLost(rig.c, kSerialLineCount);
  ASSERT_TRUE(rig.RunUntil([&] { return rig.c->listReady.load() != 0; }, 6000));
  EXPECT_EQ(rig.ListItems().at(0), "Camera 1");
}

// Every camera initialised again (after a refusal): one not found stays out.
TEST(Recovery, InitialisationAgainPassesOverAMissingCamera) {
  EngineRig rig;
  rig.Attach(1, {0x45, 0x45}, kFast);
  rig.Start();
  Choose(rig, 0);
  rig.Unplug(1);
  WirePeer& back = rig.PlugIn(1, {0x45}, kFast);
  ASSERT_TRUE(rig.RunUntil([&] { return Shows(rig, "COM1 back, 1 cameras") && rig.Idle(); }, 5000));
  const size_t before = back.Frames().size();
  RestartInitialisation(rig.c);
  ASSERT_TRUE(rig.RunUntil([&] { return Shows(rig, "2 Cameras OK, none selected") && rig.Idle(); }, 5000));
  rig.Run(3000);
  EXPECT_TRUE(Ticks(back, "82", before).empty());
  EXPECT_EQ(rig.ListItems(), (Lines{"Camera 1", "Camera 2 (no answer)"}));
}

// Lost at each point of discovery and initialisation: once it stays, one entry per camera.
TEST(Recovery, FlappingLineEndsInitialisedWithOneEntryPerCamera) {
  EngineRig rig;
  rig.Attach(1, {0x45}, kFast);
  rig.Attach(2, {0x45, 0x45}, kFast);
  rig.Start();
  ASSERT_TRUE(rig.RunUntil([&] { return rig.c->phase.load() == PHASE_NEXT_LINE && rig.c->line.load() == 1; }, 500));
  rig.Unplug(2);
  Choose(rig, 1);
  for (int delay : {0, 30, 52, 56, 60, 75}) {
    rig.PlugIn(2, {0x45, 0x45}, kFast);
    ASSERT_TRUE(rig.RunUntil([&] { return rig.c->channels[1]->IsOpen(); }, 1500));
    rig.Run(delay);
    rig.Unplug(2);
  }
  // Lost during its cameras' initialisation: another line's check initialises none of them.
  const size_t shown = rig.StatusTexts().size();
  rig.Com(1).Inject({0x90, 0x38, 0xFF});
  ASSERT_TRUE(rig.RunUntil([&] { return Shows(rig, "COM1 back, 1 cameras") && rig.Idle(); }, 3000));
  EXPECT_EQ(Since(rig.StatusTexts(), shown),
            (Lines{"COM2 lost", "Checking COM1...", "Initializing camera 1...", "COM1 back, 1 cameras"}));
  WirePeer& back = rig.PlugIn(2, {0x45, 0x45}, kFast);
  ASSERT_TRUE(rig.RunUntil([&] { return Shows(rig, "COM2 back, 2 cameras") && rig.Idle(); }, 3000));
  EXPECT_EQ(back.Received(0, 0x09).size(), back.Received(1, 0x09).size()) << "both initialised";
  EXPECT_EQ(rig.ListItems(), (Lines{"Camera 1", "Camera 2", "Camera 3"}));
  EXPECT_EQ(rig.c->cameraCount.load(), 3);
  rig.Post(2, REQ_FREEZE, 1);
  ASSERT_TRUE(rig.Settle());
  EXPECT_EQ(Hex(back.Received(1, 0x01).back()), "82 01 04 62 02 FF");
}

// A dropped TCP line is a lost port that reconnects by itself, also before the
// next step.
TEST(Recovery, NetworkLineLostComesBackLikeAPort) {
  for (const bool backAtOnce : {false, true}) {
    SCOPED_TRACE(backAtOnce);
    EngineRig rig;
    rig.Attach(1, {0x45}, kFast);
    WirePeer& ip1 = rig.AttachIp(1, NET_TCP, {0x45, 0x45}, kFast);
    auto up = [&] { return rig.c->channels[kSerialLineCount]->NetworkLineUp(); };
    rig.Start();
    Choose(rig, 1);
    ASSERT_TRUE(rig.RunUntil([&] { return rig.c->line.load() == kSerialLineCount && rig.c->stage.load() != 0; }, 1000));
    const size_t shown = rig.StatusTexts().size();
    ip1.Unplug();
    ASSERT_TRUE(WaitFor([&] { return !up(); }));
    if (backAtOnce) ip1.Unplug(false);
    ASSERT_TRUE(!backAtOnce || WaitFor([&] { return rig.Tick(), up(); }, 10000));
    rig.Step();
    EXPECT_EQ(rig.ListItems(), (Lines{"Camera 1", "Camera 2 (no answer)", "Camera 3 (no answer)"}));
    rig.Run(2500);
    ip1.Unplug(false);
    ASSERT_TRUE(WaitFor([&] { return rig.Step(), up(); }, 10000));
    ASSERT_TRUE(rig.RunUntil([&] { return Shows(rig, "IP1 back, 2 cameras") && rig.Idle(); }, 5000));
    EXPECT_EQ(Since(rig.StatusTexts(), shown), (Lines{"IP1 lost", "Checking IP1...", "Initializing camera 2...",
                                                      "Initializing camera 3...", "IP1 back, 2 cameras"}));
    EXPECT_EQ(rig.ListItems(), (Lines{"Camera 1", "Camera 2", "Camera 3"}));
    rig.Post(2, REQ_FREEZE, 1);
    ASSERT_TRUE(rig.Settle());
    EXPECT_EQ(Hex(ip1.Received(1, 0x01).back()), "82 01 04 62 02 FF");
  }
}

// visca-ip: a refused message type is named; switched off, the camera is asked
// once a second behind a RESET; back on, initialised again.
TEST(Recovery, ViscaIpCameraSwitchedOffIsAskedEverySecondUntilItAnswers) {
  EngineRig rig;
  WirePeer& ip2 = rig.AttachIp(2, NET_VISCA_IP, {0x45}, kFast);
  const uint8_t version[] = {0x09, 0x00, 0x02};
  SimFaults refusing;
  refusing.AddError(version, 3, 0x02, 1);
  ip2.SetFaults(0, refusing);
  rig.Start();
  Choose(rig, 0);
  ip2.RefuseNext();
  rig.Post(0, REQ_FREEZE, 1);
  ASSERT_TRUE(rig.RunUntil([&] { return Shows(rig, "Err Message Type 0F 02, IP2"); }, 1000));
  ip2.Power(0, false);
  ASSERT_TRUE(rig.RunUntil([&] { return rig.ListItems() == Lines{"Camera 1 (no answer)"}; }, 3000));
  const size_t marked = ip2.Frames().size();
  rig.Run(2100);
  const Lines sent = ip2.Hexes();
  const std::vector<uint32_t> resets = Ticks(ip2, "02 00 00 01 00 00 00 00 01", marked);
  for (size_t i = marked; i + 1 < sent.size(); i++)
    if (sent[i].rfind("02 00", 0) == 0) {
      EXPECT_EQ(sent[i + 1], "01 10 00 05 00 00 00 01 81 09 00 02 FF");
    }
  EXPECT_GE(resets.size(), 2u);
  EXPECT_GE(ClosestGap(resets), 1000u);
  ip2.Power(0, true);
  ip2.ClearReceived();
  const size_t shown = rig.StatusTexts().size();
  ASSERT_TRUE(rig.RunUntil([&] { return Shows(rig, "IP2 back, 1 cameras") && rig.Idle(); }, 3000));
  EXPECT_EQ(Since(rig.StatusTexts(), shown), (Lines{"Initializing camera 1...", "IP2 back, 1 cameras"}));
  EXPECT_EQ(rig.ListItems(), (Lines{"Camera 1"}));
  rig.Post(0, REQ_FREEZE, 1);
  ASSERT_TRUE(rig.Settle());
  EXPECT_EQ(Hex(ip2.Received(0, 0x01).front()), "81 01 04 00 02 FF") << "initialised again, power on first";
  EXPECT_EQ(Hex(ip2.Received(0, 0x01).back()), "81 01 04 62 02 FF");
}
