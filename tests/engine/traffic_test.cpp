// The traffic trace's ring, and raw commands as transactions of the engine.
#include "engine/dispatch/raw_command.h"
#include "engine/trace/trace_text.h"
#include "engine/trace/traffic_trace.h"
#include "tests/support/engine_rig.h"

#include <thread>

namespace {

// Entry k carries k in its code and every byte, so a mix of two entries shows.
uint8_t ByteOf(uint32_t k, int i) { return static_cast<uint8_t>((k >> (8 * (i % 4))) + 31 * i); }

void RecordNumbered(CameraController* c, uint32_t k) {
  uint8_t packet[kTraceBytes];
  for (int i = 0; i < kTraceBytes; i++) packet[i] = ByteOf(k, i);
  TraceSent(c, static_cast<int32_t>(k), packet, kTraceBytes);
}

bool Whole(const TraceEntry& e, uint32_t k) {
  bool whole = e.code == static_cast<int32_t>(k) && e.length == kTraceBytes && e.kind == TRACE_SENT;
  for (int i = 0; i < kTraceBytes; i++) whole = whole && e.bytes[i] == ByteOf(k, i);
  return whole;
}

TEST(TraceRing, KeepsTheNewest4096EntriesAcrossTheWrap) {
  CameraController c;
  const uint32_t base = TraceNewest(&c);
  for (uint32_t k = 1; k <= 4096 + 100; k++) RecordNumbered(&c, k);
  EXPECT_EQ(TraceNewest(&c), base + 4196);
  TraceEntry e;
  EXPECT_FALSE(TraceRead(&c, base + 100, &e));  // overwritten by entry 4196
  for (uint32_t k : {101u, 4096u, 4097u, 4196u}) {
    ASSERT_TRUE(TraceRead(&c, base + k, &e)) << k;
    EXPECT_TRUE(Whole(e, k)) << k;
    EXPECT_EQ(e.id, base + k);
  }
  EXPECT_FALSE(TraceRead(&c, base + 4197, &e));  // not yet recorded
}

// Times go on past 2^32 tenths of a millisecond (five days).
TEST(TraceRing, TimesDoNotWrapAfterFiveDays) {
  CameraController c;
  virtualTick = 1000;
  OsSetTickSourceForTest(VirtualTick);
  TraceReset(&c);
  virtualTick += 5 * 86400000u;
  RecordNumbered(&c, 1);
  OsSetTickSourceForTest(nullptr);
  TraceEntry e;
  char line[160];
  ASSERT_TRUE(TraceRead(&c, TraceNewest(&c), &e));
  FormatTraceLine(e, TRACE_PLAIN, line, sizeof line);
  EXPECT_EQ(std::string(line).substr(0, 12), "432000000.0 ");
}

// A reader racing the worker gets whole entries or none (ThreadSanitizer watches).
TEST(TraceRing, AReaderRacingTheWriterGetsWholeEntriesOrNone) {
  CameraController c;
  const uint32_t base = TraceNewest(&c);
  constexpr uint32_t kEntries = 100000;
  std::atomic<bool> done{false};
  std::thread writer([&] {
    for (uint32_t k = 1; k <= kEntries; k++) RecordNumbered(&c, k);
    done = true;
  });
  uint32_t copied = 0, mixed = 0;
  for (uint32_t id = base + 1; id <= base + kEntries;) {
    const uint32_t newest = TraceNewest(&c);
    if (newest < id) {
      if (done.load()) break;
      continue;
    }
    if (newest - id >= 4096) id = newest - 4095;  // fell behind: skip what was overwritten
    TraceEntry e;
    if (TraceRead(&c, id, &e)) copied++, mixed += Whole(e, id - base) ? 0 : 1;
    id++;
  }
  writer.join();
  EXPECT_EQ(mixed, 0u);
  EXPECT_GT(copied, 0u);
}

// An entry's line as the Traffic window shows it, without its time.
std::string Untimed(const TraceEntry& e) {
  char line[160];
  FormatTraceLine(e, TRACE_NAMED, line, sizeof line);
  return strchr(line, ' ') + 1;
}

// Camera 1 (0x66) and camera 2 (0x4B, address 2) on COM1, camera 2 selected.
struct RawRig {
  RawRig() : com1(rig.Attach(1, {0x66, 0x4B}, SimFastTiming())) {
    rig.Start();
    ready = rig.RunToReady() && rig.Select(1) && rig.RunUntil([&] { return rig.Idle(); }, 500);
  }
  // The untimed trace lines of `text` sent to camera 2.
  Lines Send(const char* text) {
    RawPacket packet;
    char why[120] = {};
    const uint32_t base = TraceNewest(rig.c);
    EXPECT_EQ(ParseRawPacket(text, &packet, why, sizeof why), RAW_OK) << why;
    EXPECT_EQ(PutRawCommand(rig.c, 1, packet, why, sizeof why), RAW_PUT) << why;
    EXPECT_TRUE(rig.RunUntil([&] { return rig.c->transaction.load() == TX_RAW_COMMAND; }, 50));
    EXPECT_TRUE(rig.RunUntil([&] { return rig.Idle(); }, 11000));
    Lines lines;
    TraceEntry e;
    for (uint32_t id = base + 1; TraceRead(rig.c, id, &e); id++)
      if (e.code == TX_RAW_COMMAND) lines.push_back(Untimed(e));
    return lines;
  }

  EngineRig rig;
  WirePeer& com1;
  bool ready = false;
};

TEST(TraceText, DiscoveryBroadcastsAndTheirEchoes) {
  RawRig t;
  ASSERT_TRUE(t.ready);
  const char* const lines[] = {"COM1 Cam - -> 88 30 01 FF  address set", "COM1 Cam - <- 88 30 03 FF  address set, ",
                               "COM1 Cam - -> 88 01 00 01 FF  interface clear",
                               "COM1 Cam - <- 88 01 00 01 FF  interface clear, "};
  TraceEntry e;
  for (uint32_t i = 0; i < 4; i++)
    EXPECT_EQ(TraceRead(t.rig.c, 1 + i, &e) ? Untimed(e).rfind(lines[i], 0) : 1u, 0u) << Untimed(e);
}

// A visca-ip camera answering focus inquiries after 420 ms: the poll's focus
// inquiry times out, and its answer (twice, for the resend) comes while the
// brightness inquiry is in flight. Both are dropped as late; brightness takes
// its own answer.
TEST(TraceText, ALateAnswerOnAViscaIpLineIsTracedLateAndNotTakenForTheNext) {
  EngineRig rig;
  WirePeer& ip1 = rig.AttachIp(1, NET_VISCA_IP, {0x45}, SimFastTiming());
  rig.Start();
  ASSERT_TRUE(rig.Initialise() && rig.Select(0));
  SimFaults slow;
  slow.slowAnswers = SimSlowRule{{0x09, 0x04, 0x48}, 3, 420};
  ip1.SetFaults(0, slow);
  Lines lines;  // from the focus inquiry on
  TraceEntry e;
  ASSERT_TRUE(rig.RunUntil(
      [&, id = TraceNewest(rig.c) + 1]() mutable {
        for (; lines.size() < 6 && TraceRead(rig.c, id, &e); id++)
          if (!lines.empty() || Untimed(e).find("focus position?") != std::string::npos) lines.push_back(Untimed(e));
        return lines.size() == 6;
      },
      3000));
  EXPECT_EQ(lines, (Lines{"IP1 Cam 1 -> 81 09 04 48 FF  focus position?", "IP1 Cam 1 -- no reply, 401 ms",
                          "IP1 Cam 1 -> 81 09 04 4D FF  brightness?", "IP1 Cam 1 <- 90 50 06 00 00 00 FF  answer, late",
                          "IP1 Cam 1 <- 90 50 06 00 00 00 FF  answer, late",
                          "IP1 Cam 1 <- 90 50 00 00 00 0F FF  answer, 120 ms"}));  // behind the resend's answer
  EXPECT_EQ(rig.c->cameras[0].brightPos, 0x0F);
}

TEST(RawCommand, GoesToTheSelectedCameraAndEndsLikeAnyTransaction) {
  const uint8_t zoomDirect[] = {0x01, 0x04, 0x47};
  const char* const syntax = "COM1 Cam 2 <- A0 60 02 FF  error: syntax, ";  // a block camera's answer to pan/tilt
  const char* const refused = "Err Answer 60, COM1, Cam:2 p.Mode:80";
  // clang-format off
  const struct {
    const char* text;
    bool silent;
    uint8_t zoomError;  // the camera's error code for a zoom command, 0: none
    Lines lines;       // up to the reply time (which the camera's timing sets)
    std::string status;  // the last status text
    const char* next;    // the engine's next frame of its own
  } cases[] = {
      {"8x 09 04 00 FF", false, 0,
       {"COM1 Cam 2 -> 82 09 04 00 FF  power?", "COM1 Cam 2 <- A0 50 02 FF  answer, "}, "2 Cameras OK, none selected",
       "82 09 04 48 FF"},
      {" 82 01 04 62 02 ff\n", false, 0,
       {"COM1 Cam 2 -> 82 01 04 62 02 FF  freeze on", "COM1 Cam 2 <- A0 41 FF  ack, ",
        "COM1 Cam 2 <- A0 51 FF  completion, "}, "2 Cameras OK, none selected", "82 09 04 48 FF"},
      {"8x 01 04 47 00 00 00 00 FF", false, 0x02,
       {"COM1 Cam 2 -> 82 01 04 47 00 00 00 00 FF  zoom position", "COM1 Cam 2 <- A0 60 02 FF  error: syntax, "},
       "Err Answer 60, COM1, Cam:2 p.Mode:80", "82 09 04 48 FF"},
      {"8x 01 04 47 00 00 00 00 FF", false, 0x41,
       {"COM1 Cam 2 -> 82 01 04 47 00 00 00 00 FF  zoom position",
        "COM1 Cam 2 <- A0 61 41 FF  error: not executable now, "}, "Err Answer 61, COM1, Cam:2 p.Mode:80",
       "82 09 04 48 FF"},
      {"8x 01 00 01 FF", false, 0,
       {"COM1 Cam 2 -> 82 01 00 01 FF  interface clear", "COM1 Cam 2 <- A0 50 FF  completion, "},
       "2 Cameras OK, none selected", "82 09 04 48 FF"},
      // the idle poll's two misses behind it make three: the camera is marked
      // and its silent line addressed again
      {"8x 09 04 47 FF", true, 0,
       {"COM1 Cam 2 -> 82 09 04 47 FF  zoom position?", "COM1 Cam 2 -- no reply, 401 ms"}, "Camera 2 not answering",
       "88 30 01 FF"},
      {"8x 01 06 01 05 07 03 03 FF", false, 0,
       {"COM1 Cam 2 -> 82 01 06 01 05 07 03 03 FF  pan-tilt stop", syntax}, refused, "82 09 04 48 FF"},
      {"8x 01 06 01 18 14 03 01 FF", false, 0,
       {"COM1 Cam 2 -> 82 01 06 01 18 14 03 01 FF  pan-tilt drive", syntax}, refused, "82 09 04 48 FF"},
      {"8x 01 06 01 01 01 02 03 FF", false, 0,
       {"COM1 Cam 2 -> 82 01 06 01 01 01 02 03 FF  pan-tilt drive", syntax}, refused, "82 09 04 48 FF"},
      {"8x 01 06 04 FF", false, 0, {"COM1 Cam 2 -> 82 01 06 04 FF  pan-tilt home", syntax}, refused, "82 09 04 48 FF"},
      {"8x 01 06 02 18 14 0F 0F 0F 00 00 00 01 00 FF", false, 0,
       {"COM1 Cam 2 -> 82 01 06 02 18 14 0F 0F 0F 00 00 00 01 00 FF  pan-tilt absolute", syntax}, refused,
       "82 09 04 48 FF"},
      {"8x 09 06 12 FF", false, 0, {"COM1 Cam 2 -> 82 09 06 12 FF  pan-tilt position?", syntax}, refused,
       "82 09 04 48 FF"},
      {"8x 09 06 11 FF", false, 0, {"COM1 Cam 2 -> 82 09 06 11 FF  pan-tilt max speed?", syntax}, refused,
       "82 09 04 48 FF"},
  };
  // clang-format on
  for (const auto& k : cases) {
    RawRig t;
    ASSERT_TRUE(t.ready);
    SimFaults faults;
    faults.silent = k.silent;
    if (k.zoomError) faults.AddError(zoomDirect, sizeof zoomDirect, k.zoomError);
    t.com1.SetFaults(1, faults);
    t.rig.c->reinitOnNack = 1;  // as after a Power request: a refusal restarts initialisation, a raw reply never does
    const size_t shown = t.rig.StatusTexts().size();
    Lines lines = t.Send(k.text);
    ASSERT_EQ(lines.size(), k.lines.size()) << k.text << ": " << (lines.empty() ? "" : lines.back());
    for (size_t i = 0; i < lines.size(); i++) EXPECT_EQ(lines[i].rfind(k.lines[i], 0), 0u) << lines[i];
    EXPECT_EQ(t.rig.StatusTexts().back(), k.status) << k.text;
    EXPECT_LE(t.rig.StatusTexts().size(), shown + 1) << k.text << ": initialisation ran again";
    const size_t sent = t.com1.Frames().size();
    EXPECT_TRUE(t.rig.RunUntil([&] { return t.com1.Frames().size() > sent; }, 300)) << k.text;
    EXPECT_EQ(t.com1.Frames().back().hex, k.next) << k.text;
  }
}

TEST(RawCommand, OnlyAPacketForTheCameraIsSentAndOnlyOnce) {
  RawRig t;
  ASSERT_TRUE(t.ready);
  RawPacket packet;
  char message[120];
  ASSERT_EQ(ParseRawPacket("81 09 04 00 FF", &packet, message, sizeof message), RAW_OK);
  EXPECT_EQ(PutRawCommand(t.rig.c, 1, packet, message, sizeof message), RAW_OTHER_ADDRESS);
  EXPECT_STREQ(message, "81 is not the address of camera 2 (82); write 8x.");
  EXPECT_EQ(PutRawCommand(t.rig.c, -1, packet, message, sizeof message), RAW_NO_CAMERA);
  EXPECT_STREQ(message, "No camera selected.");
  for (int32_t length : {2, 17}) {  // from a caller that skipped the parser
    packet.length = length;
    EXPECT_EQ(PutRawCommand(t.rig.c, 1, packet, message, sizeof message), RAW_BAD_LENGTH) << length;
    EXPECT_STREQ(message, "A packet has 3 to 16 bytes.");
  }
  EXPECT_EQ(RawCommandsWaiting(t.rig.c), 0u);
  EXPECT_FALSE(t.rig.c->requestQueue->HasMessages());
  // A message naming ticket 1 again, once tickets 1 and 2 are carried out.
  t.Send("8x 09 04 00 FF");
  t.Send("8x 09 04 47 FF");
  const uint32_t base = TraceNewest(t.rig.c);
  ASSERT_TRUE(t.rig.c->requestQueue->Put(1, kRawRequestCode, 1, 0));
  ASSERT_TRUE(t.rig.RunUntil([&] { return !t.rig.c->requestQueue->HasMessages() && t.rig.Idle(); }, 50));
  TraceEntry e;
  for (uint32_t id = base + 1; TraceRead(t.rig.c, id, &e); id++) EXPECT_NE(e.code, TX_RAW_COMMAND) << "sent again";
  EXPECT_EQ(RawCommandsWaiting(t.rig.c), 0u);
  t.rig.Unplug(1);
  t.rig.Step();  // camera 2 marked "(no answer)": refused at once, as its other requests are dropped
  ASSERT_EQ(ParseRawPacket("8x 09 04 00 FF", &packet, message, sizeof message), RAW_OK);
  EXPECT_EQ(PutRawCommand(t.rig.c, 1, packet, message, sizeof message), RAW_NOT_ANSWERING);
  EXPECT_STREQ(message, "Camera 2 is not answering; nothing sent.");
}

// The Traffic window, the command mode and the remote listener put at once:
// every packet goes out exactly once.
TEST(RawCommand, PacketsPutFromTwoThreadsAtOnceGoOutOnceEach) {
  RawRig t;
  ASSERT_TRUE(t.ready);
  constexpr int kRounds = 10, kEach = 8;  // a round of both threads fills the mailbox
  const auto text = [](int round, int thread, int i) {
    char s[40];
    return std::string(s, snprintf(s, sizeof s, "82 01 04 47 0%d 0%X 0%X 0%X FF", thread, round / 16, round % 16, i));
  };
  t.rig.ClearReceived();
  for (int round = 0; round < kRounds; round++) {
    std::atomic<int> ready{0};
    const auto producer = [&](int thread) {
      RawPacket packets[kEach];
      char why[120] = {};
      for (int i = 0; i < kEach; i++) ParseRawPacket(text(round, thread, i).c_str(), &packets[i], why, sizeof why);
      for (ready++; ready < 2;) std::this_thread::yield();  // both put at the same moment
      for (const RawPacket& p : packets) EXPECT_EQ(PutRawCommand(t.rig.c, 1, p, why, sizeof why), RAW_PUT) << why;
    };
    std::thread a(producer, 1), b(producer, 2);
    a.join(), b.join();
    ASSERT_TRUE(t.rig.RunUntil([&] { return RawCommandsWaiting(t.rig.c) == 0 && t.rig.Idle(); }, 5000)) << round;
  }
  Lines sent;
  for (const Bytes& p : t.rig.ReceivedCommands(1)) sent.push_back(Hex(p));
  EXPECT_EQ(sent.size(), 2u * kEach * kRounds);
  for (int round = 0; round < kRounds; round++)
    for (int thread : {1, 2})
      for (int i = 0; i < kEach; i++)
        EXPECT_EQ(std::count(sent.begin(), sent.end(), text(round, thread, i)), 1) << text(round, thread, i);
}

}  // namespace
