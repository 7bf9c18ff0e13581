// The one UDP socket every UDP network line sends from: local port 52381 when
// it is free (some cameras answer only to it), else a port the system picks.
// It opens with the first line that attaches and closes with the last; a
// thread of its own reads it and sorts what arrives by sender (UdpRouter).
#pragma once

#include "net/net_socket.h"

#include <cstdint>

constexpr uint16_t kViscaIpLocalPort = 52381;

// A route for datagrams from `peer` (`signal` is set when one arrives), or -1
// when the socket cannot be opened or every route is taken.
int UdpHubAttach(const NetAddress& peer, NetWaker* signal);
// After the last route the socket and its thread go.
void UdpHubDetach(int route);
// The oldest datagram from the route's peer: its length, 0 when none waits.
int32_t UdpHubTake(int route, uint8_t* buffer, int32_t capacity);
// From the shared socket; only while the caller holds a route.
bool UdpHubSend(const NetAddress& to, const uint8_t* data, int32_t length);
// The local port of the shared socket, 0 while it is closed.
uint16_t UdpHubLocalPort();
