// Command language fuzz target: lines of any bytes run against a controller
// without a worker or a line, three cameras in its table (one pans and tilts)
// and a host whose actions only check what they are given.
//
// Input: byte 0 = flags (bit 0 raw packets allowed, bit 1 the host waits for
// room twice before giving up, bit 2 the queue is emptied after every line,
// else it fills), bytes 1..2 = the reply's size (1..65536, little endian),
// then lines cut at LF, each handed over with its LF.
//
// Invariants (a break traps with a line on stderr): the outcome is one of the
// four; the reply is ended inside its size, nothing past it is written, and it
// is printable text and tabs, with line feeds only in a successful "cameras";
// every request put names a listed camera; once the session ends no camera is
// left driven by it.
#include "command/command_interpreter.h"
#include "engine/core/camera_controller.h"
#include "engine/worker/worker.h"
#include "serial/serial_port.h"

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <vector>

namespace {

constexpr size_t kHeaderBytes = 3;
constexpr size_t kGuardBytes = 16;
constexpr uint8_t kGuard = 0xA5;
constexpr uint32_t kRoomTries = 2;
constexpr int32_t kCameras = 3;

[[noreturn]] void Broken(const char* what) {
  fprintf(stderr, "command fuzz: %s\n", what);
  __builtin_trap();
}

CameraController* controller = nullptr;
uint32_t roomTries = 0;

CameraController* Controller() {
  if (controller) return controller;
  for (uint32_t n = 1; n <= kSerialMaxPorts; n++) SerialPortSetDevice(n, "");
  controller = CreateCameraController(WORKER_MANUAL);
  if (!controller) Broken("the controller could not be created");
  const uint8_t kModels[kCameras] = {0x5F, 0x4B, 0x70};
  for (int32_t i = 0; i < kCameras; i++) {
    controller->cameras[i].address = i + 1;
    controller->cameras[i].modelCode = kModels[i];
  }
  controller->cameras[2].panTilt = 1;
  controller->cameras[2].panMax = 0x18;
  controller->cameras[2].tiltMax = 0x14;
  controller->cameraCount = kCameras;
  return controller;
}

CommandHost Host(CameraController* c, uint8_t flags) {
  CommandHost host;
  host.controller = c;
  host.select = [](void*, int32_t index) {
    if (index < 0 || index >= kCameras) Broken("a camera outside the list was selected");
  };
  host.recall = [](void*, int32_t, int32_t n) {
    if (n < 1 || n > 5) Broken("a Recall button outside 1..5 was clicked");
  };
  host.mirror = [](void*, int32_t, uint32_t, int32_t) {};
  host.statusText = [](void*, char* out, size_t size) { snprintf(out, size, "Camera 1 selected"); };
  host.rawAllowed = (flags & 1) != 0;
  if (flags & 2) host.awaitRoom = [](void*, uint32_t) { return ++roomTries % (kRoomTries + 1) != 0; };
  return host;
}

// The reply of `outcome`, in a buffer of `size` bytes followed by the guard.
void CheckReply(const std::vector<uint8_t>& buffer, size_t size, CommandOutcome outcome, const uint8_t* line,
                size_t length) {
  if (outcome != COMMAND_OK && outcome != COMMAND_ERROR && outcome != COMMAND_QUIT && outcome != COMMAND_SUBSCRIBE)
    Broken("an outcome none of the four");
  for (size_t i = size; i < buffer.size(); i++)
    if (buffer[i] != kGuard) Broken("the reply was written past its size");
  const void* end = memchr(buffer.data(), 0, size);
  if (!end) Broken("the reply is not ended inside its size");
  const bool cameras = outcome == COMMAND_OK && length >= 7 && memmem(line, length, "cameras", 7) != nullptr;
  for (const uint8_t* p = buffer.data(); p < static_cast<const uint8_t*>(end); p++) {
    if ((*p == '\n' && cameras) || *p == '\t') continue;
    if (*p < 0x20 || *p >= 0x7F) Broken("the reply holds a byte that is not printable text");
  }
}

// Takes every request put; each names a listed camera.
void DrainRequests(CameraController* c) {
  uint32_t camera, code, a, b;
  while (c->requestQueue->TryGet(camera, code, a, b))
    if (camera >= static_cast<uint32_t>(kCameras)) Broken("a request for a camera not listed");
  c->rawMailbox.taken = c->rawMailbox.issued.load();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < kHeaderBytes) return 0;
  CameraController* c = Controller();
  const CommandHost host = Host(c, data[0]);
  const size_t replySize = 1 + (static_cast<size_t>(data[1]) | static_cast<size_t>(data[2]) << 8);
  std::vector<uint8_t> reply(replySize + kGuardBytes, kGuard);
  CommandSession session;
  for (size_t at = kHeaderBytes; at < size;) {
    const uint8_t* lf = static_cast<const uint8_t*>(memchr(data + at, '\n', size - at));
    const size_t length = lf ? static_cast<size_t>(lf - (data + at)) + 1 : size - at;
    const char* line = reinterpret_cast<const char*>(data + at);
    const CommandOutcome outcome =
        RunCommand(host, &session, line, length, reinterpret_cast<char*>(reply.data()), replySize);
    CheckReply(reply, replySize, outcome, data + at, length);
    std::fill(reply.begin(), reply.end(), kGuard);
    if (data[0] & 4) DrainRequests(c);
    at += length;
  }
  EndCommandSession(host, &session);
  for (bool driven : session.driven)
    if (driven) Broken("the session ended with a camera driven");
  DrainRequests(c);
  for (MovementSlot& slot : c->movements) slot.pending = 0;
  return 0;
}
