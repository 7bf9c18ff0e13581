// Faults a test or the camsim command line can put on a line or on one camera.
// Line faults act on everything the line sends back; camera faults on that
// camera's own replies.
#pragma once

#include <cstdint>

// Answer a command or inquiry whose bytes after the header start with `match`
// with the error `code` (y0 6z code FF) instead of acting on it.
struct SimErrorRule {
  uint8_t match[8] = {};
  int matchLength = 0;  // 1..8; 0 disables the rule
  uint8_t code = 0;
  int32_t count = -1;  // times left; -1 means every time
};

// Answer an inquiry whose bytes after the header start with `match` this much later.
struct SimSlowRule {
  uint8_t match[8] = {};
  int matchLength = 0;  // 1..8; 0 disables the rule
  uint32_t ms = 0;
};

struct SimFaults {
  static constexpr int kMaxErrorRules = 4;

  // Camera: acts on its packets but never answers. Line: nothing comes back.
  bool silent = false;
  // Every reply leaves this much later than it would.
  uint32_t delayMs = 0;
  // The camera stops answering after it has received this many packets (-1: never).
  int32_t stopAfterPackets = -1;
  SimErrorRule errors[kMaxErrorRules];
  SimSlowRule slowAnswers;
  // Each reply is cut into pieces of this many bytes, sent splitGapMs apart (0: whole).
  int splitBytes = 0;
  uint32_t splitGapMs = 0;
  // An acknowledge is held back and leaves in one write with its completion.
  bool batchReplies = false;
  // This many noise bytes go out before every reply; with noiseEndsPacket the
  // last of them is 0xFF, so the noise forms a packet of its own.
  int noiseBytes = 0;
  bool noiseEndsPacket = false;
  // Camera: sends the network-change packet y0 38 FF whenever its power comes on.
  bool networkChangeOnPowerOn = false;
  // Camera: once its mains power came back, this many noise bytes go out
  // before every packet it puts on the return line (its replies, and as the
  // last of the chain what it passes on), as from one powering up.
  int powerOnNoiseBytes = 0;
  // Line: the next N echoes of the address set are cut to 3 bytes (88 30 FF).
  int shortAddressEchoes = 0;
  // Pan/tilt camera: a Home or absolute move is acknowledged and never
  // completes, the head does not move, until a cancel or another movement.
  bool homeStuck = false;
  // Pan/tilt camera: only every Nth position inquiry is answered, the others
  // not at all (0 or 1: every one).
  int positionEvery = 0;
  // Pan/tilt camera: the position answer lacks its last nibble.
  bool positionShort = false;
  // Pan/tilt camera: the maximum-speed answer carries these two bytes
  // instead of the model's maxima (which it still keeps to).
  bool maxSpeedGiven = false;
  uint8_t maxSpeedBytes[2] = {};

  // Adds an error rule; false when all slots are taken or the match is too long.
  bool AddError(const uint8_t* bytes, int length, uint8_t errorCode, int32_t times = -1);
};
