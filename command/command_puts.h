// Putting what a line asks for into the engine, as the operator's clicks do:
// each request mirrored first, and a full queue or mailbox waited out or
// refused as the host says.
#pragma once

#include "command/command_call.h"

#include <cstdint>

struct CommandRequest {
  uint32_t code;
  int32_t a;
};

// Puts `count` requests in order for the selected camera. False, with the
// reason written, when the queue stayed full; `what` names the line then.
bool PutInOrder(CommandCall& call, const CommandRequest* requests, int32_t count, const char* what);
// Puts `packet` for camera `index`. False, with the reason written, when the
// engine refused it ("WHAT: " and the engine's words) or found no room
// ("busy" when the host does not wait).
bool PutRawWhenRoom(CommandCall& call, int32_t index, const RawPacket& packet, const char* what);
