// Arbitrary bytes from the cameras' side, cut into frames and stored as the
// channel's I/O thread does, read by the link service and every answer
// handler, from any phase of the engine, on a virtual clock.
//
// Input: byte 0 picks the starting point (kStarts), byte 1 the set-up (camera
// models and count, panel check boxes, the clock and the rings near their
// wrap), byte 2 the request whose command or read-back is in flight. Then
// operations, by the top two bits of each byte:
//   00nnnnnn  n + 1 bytes follow; they arrive on the current line
//   01nnnnnn  n + 1 worker steps of 1 ms
//   10xjjjjj  the clock jumps by kJumps[j] ms, then one worker step
//   1100pppp  the next bytes arrive on line p (modulo kLines)
//   1101cccc  the panel asks for request <byte>, argument <byte>, camera c
//   1110cccc  the list selects camera c
//   11110xab  check box "Iris" := a, "Auto" := b
//   11111nnn  the last data bytes arrive again 2^n times (a burst fills a ring)
// After the input the requests still queued are dropped and the engine must be
// idle again within the longest reply time-out.
#include "fuzz/receive_rig.h"

using namespace receive_rig;

namespace {

// The lines answer nothing by themselves; the input's bytes are all they carry.
struct SilentPeer : SerialPeer {
  void OnWrite(const uint8_t*, int32_t) override {}
  int ReadByte(uint8_t*) override { return 0; }
};

SilentPeer silent[kLines];

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (!rig) {
    SerialPeer* peers[kLines] = {&silent[0], &silent[1], &silent[2]};
    SetUpOnce(peers);
  }
  ApplyStart(data, size);
  CheckState(rig->c);
  Run(data, size);
  Drain();
  return 0;
}
