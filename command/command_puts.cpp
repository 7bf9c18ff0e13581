#include "command/command_puts.h"

#include "platform/os.h"

#include <cstdio>

namespace {

constexpr int32_t kRawWhyChars = 120;

// Tries `put` until it succeeds or the host gives up (at once without awaitRoom).
template <typename Put>
bool WhenRoom(CommandCall& call, Put put) {
  const uint32_t since = OsTickCount();
  while (!put())
    if (!call.host.awaitRoom || !call.host.awaitRoom(call.host.context, since)) return false;
  return true;
}

void SayFull(CommandCall& call, int32_t put, int32_t count, const char* what) {
  const bool waited = call.host.awaitRoom != nullptr;
  if (put == 0) {
    waited ? Refused(call, "the request queue stayed full: %s", what) : Refused(call, "busy");
  } else {
    waited ? Refused(call, "the request queue stayed full: %s (%d of %d put)", what, static_cast<int>(put),
                     static_cast<int>(count))
           : Refused(call, "busy (%d of %d requests put)", static_cast<int>(put), static_cast<int>(count));
  }
}

}  // namespace

bool PutInOrder(CommandCall& call, const CommandRequest* requests, int32_t count, const char* what) {
  const uint32_t camera = static_cast<uint32_t>(call.session->selected);
  for (int32_t i = 0; i < count; i++) {
    const CommandRequest& q = requests[i];
    if (call.host.mirror) call.host.mirror(call.host.context, call.session->selected, q.code, q.a);
    if (WhenRoom(call, [&] { return EnginePut(call.host.controller, camera, q.code, static_cast<uint32_t>(q.a), 0); }))
      continue;
    SayFull(call, i, count, what);
    return false;
  }
  return true;
}

bool PutRawWhenRoom(CommandCall& call, int32_t index, const RawPacket& packet, const char* what) {
  char why[kRawWhyChars];
  RawSendResult result = RAW_SEND_BUSY;
  WhenRoom(call, [&] {
    return (result = EnginePutRaw(call.host.controller, index, packet, why, sizeof why)) != RAW_SEND_BUSY;
  });
  if (result == RAW_SEND_PUT) return true;
  result == RAW_SEND_BUSY && !call.host.awaitRoom ? Refused(call, "busy") : Refused(call, "%s: %s", what, why);
  return false;
}
