// What both socket files share: the IPv4 address in the system's form, and
// the blocking lookup. Inside net/ only.
#pragma once

#include "net/net_socket.h"

#ifdef _WIN32
#include <winsock2.h>
#include <ws2tcpip.h>
#else
#include <netdb.h>
#include <netinet/in.h>
#endif

sockaddr_in ToSockaddr(const NetAddress& address);
NetAddress FromSockaddr(const sockaddr_in& sa);
// The system's sockets can be used (Winsock started); each socket file has its own.
bool NetSocketsReady();
