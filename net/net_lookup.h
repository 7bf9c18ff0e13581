// A host name looked up aside, so that neither the user-interface thread nor a
// closing line ever waits for the resolver: a dotted address is taken at
// once, a name on a thread of its own that outlives a caller who gives up.
#pragma once

#include "net/net_socket.h"

#include <cstdint>

struct NetLookup;

// Null when no thread could be started for a name.
NetLookup* NetLookupStart(const char* host, uint16_t port);
enum NetLookupState { NET_LOOKUP_UNDER_WAY, NET_LOOKUP_FOUND, NET_LOOKUP_NOT_FOUND };
// NET_LOOKUP_FOUND fills `out`.
NetLookupState NetLookupResult(NetLookup* lookup, NetAddress* out);
// The caller stops waiting; the lookup is freed now or when its thread ends.
void NetLookupEnd(NetLookup* lookup);
