#include "command/button_commands.h"

#include "command/command_numbers.h"
#include "command/command_puts.h"

#include <cstdio>
#include <cstring>

namespace {

constexpr size_t kNumberChars = 16;

// 8x 01 7E 01 0A 00 0p FF: the lamp on (02) or off (03).
constexpr uint8_t kTallyCommand[] = {0x80, 0x01, 0x7E, 0x01, 0x0A, 0x00, 0x02, 0xFF};
constexpr int32_t kTallySwitchByte = 6;
constexpr uint8_t kTallyOn = 0x02;
constexpr uint8_t kTallyOff = 0x03;

// "N on" or "N off": the camera's index and the switch; false for anything else.
bool ParseTally(const CameraController* c, const char* arg, int32_t* index, bool* on) {
  const size_t n = strcspn(arg, " \t");
  char number[kNumberChars];
  if (n >= sizeof number) return false;
  memcpy(number, arg, n);
  number[n] = 0;
  const char* rest = arg + n + strspn(arg + n, " \t");
  const size_t word = strcspn(rest, " \t");
  if (rest[word + strspn(rest + word, " \t")] != 0) return false;
  long long camera;
  if (!ParseCommandInteger(number, 1, EngineList(c).cameraCount, &camera)) return false;
  *index = static_cast<int32_t>(camera - 1);
  *on = word == 2 && strncmp(rest, "on", 2) == 0;
  return *on || (word == 3 && strncmp(rest, "off", 3) == 0);
}

}  // namespace

CommandOutcome RunTally(CommandCall& call, const char*, const char* arg) {
  int32_t index = 0;
  bool on = false;
  if (!ParseTally(call.host.controller, arg, &index, &on))
    return Refused(call, "tally needs a camera number and on or off: %s", arg);
  RawPacket packet;
  memcpy(packet.bytes, kTallyCommand, sizeof kTallyCommand);
  packet.bytes[kTallySwitchByte] = on ? kTallyOn : kTallyOff;
  packet.length = sizeof kTallyCommand;
  packet.ownAddress = true;
  if (!PutRawWhenRoom(call, index, packet, "tally")) return COMMAND_ERROR;
  return Done(call, "tally %d %s put", static_cast<int>(index + 1), on ? "on" : "off");
}
