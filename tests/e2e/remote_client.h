// A remote-control client for the end-to-end cases: one TCP connection to
// the program on 127.0.0.1, lines out, lines in, every wait bounded.
#pragma once

#include <cstdint>
#include <string>

// A port nobody listens on now, for the program to take; 0 when none.
unsigned short FreeLoopbackPort();

class RemoteClient {
 public:
  RemoteClient() : socket_(0) {}
  RemoteClient(const RemoteClient&) = delete;
  RemoteClient& operator=(const RemoteClient&) = delete;
  ~RemoteClient() { Close(); }
  // Tries until timeoutMs: the program listens once it has started.
  bool Connect(unsigned short port, uint32_t timeoutMs);
  bool Send(const std::string& text);
  // The next line without its LF, or "" when none came within timeoutMs
  // (or the program closed the connection).
  std::string Line(uint32_t timeoutMs);
  // Lines until one that starts with `prefix` (returned), within timeoutMs.
  std::string LineStarting(const std::string& prefix, uint32_t timeoutMs);
  void Close();

 private:
  uintptr_t socket_;  // a SOCKET, kept out of this header: winsock2.h must come before windows.h
  bool open_ = false;
  std::string pending_;
};
