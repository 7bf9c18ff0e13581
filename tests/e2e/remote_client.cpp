#include <winsock2.h>

#include "tests/e2e/remote_client.h"

namespace {

bool StartWinsock() {
  static const bool started = [] {
    WSADATA data;
    return WSAStartup(MAKEWORD(2, 2), &data) == 0;
  }();
  return started;
}

sockaddr_in Loopback(unsigned short port) {
  sockaddr_in address = {};
  address.sin_family = AF_INET;
  address.sin_port = htons(port);
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  return address;
}

}  // namespace

unsigned short FreeLoopbackPort() {
  if (!StartWinsock()) return 0;
  SOCKET s = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
  sockaddr_in address = Loopback(0);
  int length = sizeof address;
  unsigned short port = 0;
  if (bind(s, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0 &&
      getsockname(s, reinterpret_cast<sockaddr*>(&address), &length) == 0)
    port = ntohs(address.sin_port);
  closesocket(s);
  return port;
}

bool RemoteClient::Connect(unsigned short port, uint32_t timeoutMs) {
  if (!StartWinsock()) return false;
  const uint32_t start = GetTickCount();
  do {
    Close();
    const SOCKET s = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    if (s == INVALID_SOCKET) return false;
    socket_ = s;
    open_ = true;
    sockaddr_in address = Loopback(port);
    if (connect(s, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0) return true;
    Sleep(100);  // the program is still starting: poll, bounded below
  } while (GetTickCount() - start < timeoutMs);
  Close();
  return false;
}

bool RemoteClient::Send(const std::string& text) {
  return open_ && send(static_cast<SOCKET>(socket_), text.data(), static_cast<int>(text.size()), 0) ==
                      static_cast<int>(text.size());
}

std::string RemoteClient::Line(uint32_t timeoutMs) {
  const uint32_t start = GetTickCount();
  for (;;) {
    const size_t end = pending_.find('\n');
    if (end != std::string::npos) {
      std::string line = pending_.substr(0, end);
      pending_.erase(0, end + 1);
      return line;
    }
    const uint32_t spent = GetTickCount() - start;
    if (!open_ || spent >= timeoutMs) return "";
    fd_set readable;
    FD_ZERO(&readable);
    FD_SET(static_cast<SOCKET>(socket_), &readable);
    timeval wait = {static_cast<long>((timeoutMs - spent) / 1000),
                    static_cast<long>((timeoutMs - spent) % 1000 * 1000)};
    if (select(0, &readable, nullptr, nullptr, &wait) <= 0) return "";
    char buffer[1024];
    const int got = recv(static_cast<SOCKET>(socket_), buffer, sizeof buffer, 0);
    if (got <= 0) {
      closesocket(static_cast<SOCKET>(socket_));  // the program closed it; what came before stays readable
      open_ = false;
      return "";
    }
    pending_.append(buffer, static_cast<size_t>(got));
  }
}

std::string RemoteClient::LineStarting(const std::string& prefix, uint32_t timeoutMs) {
  const uint32_t start = GetTickCount();
  for (uint32_t spent = 0; spent < timeoutMs; spent = GetTickCount() - start) {
    const std::string line = Line(timeoutMs - spent);
    if (line.compare(0, prefix.size(), prefix) == 0) return line;
    if (line.empty() && !open_) break;
  }
  return "";
}

void RemoteClient::Close() {
  if (open_) closesocket(static_cast<SOCKET>(socket_));
  open_ = false;
  pending_.clear();
}
