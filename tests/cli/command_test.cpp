// The command language: each line's outcome and reply, and what it put, read
// from the controller's request queue, raw mailbox and movement slots.
#include "command/command_interpreter.h"
#include "engine/core/camera_controller.h"
#include "engine/worker/worker.h"
#include "serial/serial_port.h"

#include <gtest/gtest.h>

#include <string>

namespace {

struct Rig {
  CameraController* c;
  CommandHost host;
  CommandSession session;
  NamesStore* names = NamesOpen(nullptr, nullptr, 0);  // names for the session only
  std::string acted;                                   // the host's actions
  char reply[8192];
  Rig() {
    for (uint32_t n = 1; n <= kSerialMaxPorts; n++) SerialPortSetDevice(n, "");
    c = CreateCameraController(WORKER_MANUAL);
    c->cameras[0].address = 1, c->cameras[0].modelCode = 0x5F;  // 20x zoom: slider 0..190
    c->cameras[1].address = 2, c->cameras[1].panTilt = 1, c->cameras[1].panMax = 0x18;
    c->cameraCount = 2;
    host.controller = c, host.context = this, host.names = names;
    host.select = [](void* r, int32_t i) { static_cast<Rig*>(r)->acted += "select " + std::to_string(i) + " "; };
    host.recall = [](void* r, int32_t, int32_t n) { static_cast<Rig*>(r)->acted += "recall " + std::to_string(n); };
    host.statusText = [](void*, char* out, size_t size) { snprintf(out, size, "Zoom x 5.0"); };
  }
  ~Rig() { DestroyCameraController(c), NamesClose(names); }
  std::string Run(const std::string& line, size_t size = sizeof(Rig::reply)) {
    static const char* kOutcomes[] = {"ok ", "error: ", "quit ", "subscribe "};
    const CommandOutcome outcome = RunCommand(host, &session, line.data(), line.size(), reply, size);
    return kOutcomes[outcome] + std::string(reply);
  }
  // "CAMERA:CODE:A" of each request put, a raw packet as "CAMERA:BYTES".
  std::string Puts() {
    std::string out;
    uint32_t camera, code, a, b, w[1 + kRawPayloadWords];
    while (c->requestQueue->TryGet(camera, code, a, b)) {
      out += (out.empty() ? "" : " ") + std::to_string(camera + 1) + ":";
      if (code != kRawRequestCode || !c->rawMailbox.slots[a % kRawMailboxSlots].Read(a, w)) {
        out += std::to_string(code) + ":" + std::to_string(static_cast<int32_t>(a));
        continue;
      }
      char hex[4];
      out += (snprintf(hex, sizeof hex, "%02X", 0x80 + c->cameras[camera].address), hex);
      for (uint32_t i = 0; i < w[0]; i++)
        out += (snprintf(hex, sizeof hex, " %02X", (w[1 + i / 4] >> (8 * (i % 4))) & 0xFF), hex);
      out += " FF";
    }
    c->rawMailbox.taken = c->rawMailbox.issued.load();
    return out;
  }
  std::string Movement(int32_t index) {
    const ::Movement m = UnpackMovement(c->movements[index].pending.exchange(0));
    return std::to_string(m.kind) + " " + std::to_string(m.panSpeed) + " " + std::to_string(m.tiltSpeed);
  }
};

TEST(CommandGrammar, EachLinesReplyAndWhatItPut) {
  // clang-format off
  const struct { std::string line, reply, puts; } rows[] = {
      {"request 45:1", "error: no camera selected; use select N", ""},
      {"store 1", "error: no camera selected; use select N", ""},
      {"presets", "error: no camera selected; use select N", ""},
      {"select 3", "error: select needs a camera number: 3", ""},
      {"select 01", "ok Camera 1 selected", ""},
      {" request 0x2D:1\r\n", "ok request 45:1 put", "1:45:1"},
      {"raw 8x 09 04 00 FF", "error: raw packets are not allowed", ""},
      // Named commands: the requests of the panel's slider release, check box or button.
      {"zoom 190", "ok zoom 190 put", "1:1:190"},
      {"zoom 191", "error: zoom 191: the slider runs 0..190", ""},
      {"focus auto", "ok focus auto put", "1:3:1"},
      {"focus manual ", "ok focus manual put", "1:3:0"},
      {"focus 0x63", "ok focus 99 put", "1:4:99"},
      {"focus 0", "error: focus 0: the slider runs 1..99", ""},
      {"focus far", "error: focus needs auto, manual or the focus slider's position 1..99: far", ""},
      {"freeze on", "ok freeze on put", "1:45:1"},
      {"freeze off", "ok freeze off put", "1:45:0"},
      {"power on", "ok power on put", "1:44:1"},
      {"power off", "ok power off put", "1:44:0"},
      {"auto exposure", "ok auto exposure put", "1:6:1"},
      {"iris", "ok iris put", "1:7:1 1:8:1 1:9:1 1:7:1"},
      {"wb cold", "ok wb cold put", "1:30:0 1:30:0"},
      {"wb warm", "ok wb warm put", "1:31:0 1:31:0"},
      {"wb led", "ok wb led put", "1:32:0 1:32:0 1:34:0 1:34:0 1:33:0 1:33:0"},
      {"wb auto", "ok wb auto put", "1:35:0 1:35:0"},
      {"wb manual", "ok wb manual put", "1:36:0 1:36:0"},
      {"wb one-push", "ok wb one-push put", "1:37:0 1:37:0 1:38:0 1:38:0"},
      {"recall 3", "ok recall 3 put", "1:50:0 1:50:0"},
      {"recall 6", "ok recall 6 put", "1:101:6 1:101:6"},  // beyond the buttons: by number, no button told
      {"recall 0xF", "ok recall 15 put", "1:101:15 1:101:15"},
      {"store 15", "ok store 15 put", "1:100:15"},
      {"store 1", "ok store 1 put", "1:100:1"},
      {"recall 16", "error: camera 1 keeps presets 1 to 15", ""},
      {"recall 0", "error: camera 1 keeps presets 1 to 15", ""},
      {"store 200", "error: camera 1 keeps presets 1 to 15", ""},
      {"store one", "error: camera 1 keeps presets 1 to 15", ""},
      // Names: of the camera selected, kept by its line and address.
      {"name camera Pulpit = [1] ", "ok Camera 1 named Pulpit = [1]. Names kept for this session only: no names file", ""},
      {"name preset 15 Choir wide", "ok Camera 1 preset 15 named Choir wide", ""},
      {"name preset 2 Door", "ok Camera 1 preset 2 named Door", ""},
      {"presets", "ok 2\n2 Door\n15 Choir wide", ""},
      {"name preset 2", "ok Camera 1 preset 2 name removed", ""},
      {"name preset 0x10 Top", "error: camera 1 keeps presets 1 to 15", ""},
      {"name preset two Top", "error: name preset needs a preset number: two Top", ""},
      {"name camera " + std::string(32, 'n'), "error: name too long (31 characters at most)", ""},
      {"name camera a\tb", "error: a name is plain text, without tabs", ""},
      {"name lens Wide", "error: name needs camera TEXT or preset N TEXT: lens Wide", ""},
      {"select 2", "ok Camera 2 selected", ""},
      {"recall 63", "ok recall 63 put", "2:101:63 2:101:63"},
      {"store 63", "ok store 63 put", "2:100:63"},
      {"store 64", "error: camera 2 keeps presets 1 to 63", ""},
      {"tally 2 on", "ok tally 2 on put", "2:82 01 7E 01 0A 00 02 FF"},
      {"tally 2 off", "ok tally 2 off put", "2:82 01 7E 01 0A 00 03 FF"},
      {"tally 3 on", "error: tally needs a camera number and on or off: 3 on", ""},
      {"status", "ok Zoom x 5.0", ""},
      {"status now", "error: unknown command: status", ""},
      {"subscribe", "subscribe subscribed", ""},
      {"quit", "quit ", ""},
      {"", "ok ", ""},
      {std::string("select 2\0", 9), "error: byte 0x00 in the line: a command is plain text", ""},
      {"zoom \xC3\xA9", "error: byte 0xC3 in the line: a command is plain text", ""},
      {std::string(100000, '7'), "error: line too long", ""},
  };
  // clang-format on
  Rig rig;
  for (const auto& r : rows) {
    EXPECT_EQ(rig.Run(r.line), r.reply) << r.line.substr(0, 40);
    EXPECT_EQ(rig.Puts(), r.puts) << r.line.substr(0, 40);
  }
  EXPECT_EQ(rig.acted, "select 0 recall 3select 1 ");
  char name[kNameChars];
  EXPECT_TRUE(NamesCamera(rig.names, "COM1 1", name, sizeof name) && std::string(name) == "Pulpit = [1]");
  NamesSetPreset(rig.names, "COM1 1", 40, "Beyond", name, sizeof name);  // from the file: not a block camera's
  rig.Run("select 1");
  EXPECT_EQ(rig.Run("presets"), "ok 1\n15 Choir wide");
}

TEST(CommandGrammar, FullQueueAndSessionEnd) {
  Rig rig;
  rig.Run("select 2");
  while (EnginePut(rig.c, 0, 14, 0, 0)) continue;
  EXPECT_EQ(rig.Run("request 45:1"), "error: busy");  // a host that does not wait
  for (uint32_t w[4], i = 0; i < 2; i++) rig.c->requestQueue->TryGet(w[0], w[1], w[2], w[3]);
  EXPECT_EQ(rig.Run("wb led"), "error: busy (2 of 6 requests put)");
  static int waits;
  rig.host.awaitRoom = [](void*, uint32_t) { return ++waits < 3; };
  EXPECT_EQ(rig.Run("freeze on"), "error: the request queue stayed full: freeze on");
  EXPECT_EQ(waits, 3);
  rig.Puts();
  // A pan/tilt camera keeps presets 1 to 63.
  EXPECT_EQ(rig.Run("name preset 63 Top"),
            "ok Camera 2 preset 63 named Top. Names kept for this session only: no names file");
  EXPECT_EQ(rig.Run("name preset 64 Top"), "error: camera 2 keeps presets 1 to 63");
  rig.host.names = nullptr;
  EXPECT_EQ(rig.Run("presets"), "error: no names kept");
  // A move left on is stopped when the session ends; one stopped is not sent again.
  EXPECT_EQ(rig.Run("move 3 -2"), "ok move 3 -2 put");
  EXPECT_EQ(rig.Movement(1), "1 3 -2");
  EndCommandSession(rig.host, &rig.session);
  EXPECT_EQ(rig.Movement(1), "1 0 0");
  EXPECT_EQ(rig.Run("move 1 1"), "ok move 1 1 put");
  EXPECT_EQ(rig.Run("stop"), "ok stop put");
  rig.Movement(1);
  EndCommandSession(rig.host, &rig.session);
  EXPECT_EQ(rig.Movement(1), "0 0 0");
}

TEST(CommandGrammar, CameraLinesCutWholeAndSaySo) {
  Rig rig;
  const std::string all = rig.Run("cameras");
  EXPECT_EQ(all.substr(0, 45), "ok 2\ncamera 1 COM1 address 1 model 0x5F port=");
  const size_t second = all.find("\ncamera 2 COM1 address 2 model 0x00 port=0 address=2 ") - 3;
  // The first line whole and its end: room for the longest count line too.
  EXPECT_EQ(rig.Run("cameras", second + 64), "ok 1 of 2 cameras (the reply holds no more)" + all.substr(4, second - 1));
  memset(rig.reply, '#', 21);
  EXPECT_EQ(rig.Run("cameras", 20), "ok 0 of 2 cameras (the");
  EXPECT_EQ(rig.reply[20], '#');
}

}  // namespace
