// The remote control's event lines, from any thread: handed to the
// front end's listener while one runs, dropped otherwise. Never waits but for a copy under a lock.
#pragma once

#include "remote/remote_server.h"

// From now on event lines go to `server`; null: nowhere. Once this returns
// with null, no line reaches the server that was set.
void SetEventServer(RemoteServer* server);
// One event line; one that does not fit or finds the queue full is dropped.
void PublishEvent(const char* format, ...) __attribute__((format(printf, 1, 2)));
