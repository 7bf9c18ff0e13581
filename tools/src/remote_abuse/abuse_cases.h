// The bad input thrown at a listener, one case each: true when the outcome
// is as it should be; `detail` says what was seen.
#pragma once

#include "tools/src/remote_abuse/abuse_client.h"
#include "tools/src/remote_abuse/abuse_watch.h"

struct AbuseRun {
  AbuseTarget target;
  CameraWatch* watch = nullptr;
  int camera = 1;  // selected first; its line's idle poll is watched
};

using AbuseCase = bool (*)(const AbuseRun& run, char* detail, size_t size);

bool LongLine(const AbuseRun& run, char* detail, size_t size);
bool OddBytes(const AbuseRun& run, char* detail, size_t size);
bool ThousandLines(const AbuseRun& run, char* detail, size_t size);
bool ManyConnections(const AbuseRun& run, char* detail, size_t size);
bool OpenAndClose(const AbuseRun& run, char* detail, size_t size);
bool EndlessHttp(const AbuseRun& run, char* detail, size_t size);
bool NonReader(const AbuseRun& run, char* detail, size_t size);

// Says so; false.
bool NoConnection(char* detail, size_t size);
// A new connection answers `status` with ok within limitMs (the server may
// still be letting the last ones go).
bool NewConnectionWorks(const AbuseRun& run, uint32_t limitMs, char* reply, size_t size);
// `line` sent on a subscribed connection: its reply, event lines passed over.
bool AskPastEvents(Client* c, const char* line, char* reply, size_t size);
