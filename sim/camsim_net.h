// One camsim line served on 127.0.0.1 instead of a pseudo-terminal: UDP with
// VISCA-over-IP headers, bare VISCA packets one per datagram, or the line's
// bytes on a TCP stream (one client at a time, a new one takes over). The
// network faults act here: datagrams lost at random in both directions (the
// same each run), replies held back.
#pragma once

#include "sim/camsim_options.h"

#include <netinet/in.h>
#include <poll.h>
#include <cstdint>

class NetLine {
 public:
  static constexpr int kMaxFds = 2;

  NetLine() = default;
  ~NetLine();
  NetLine(const NetLine&) = delete;
  NetLine& operator=(const NetLine&) = delete;

  // Binds 127.0.0.1 at the line's port (0: one the system picks). False with
  // a message.
  bool Open(const CamsimLineOptions& options, uint32_t seed, char* error, int errorSize);
  // As a bridge unplugged: the connection closes, new ones are refused, and
  // replies on their way go nowhere. Listen serves the same port again.
  void Unplug();
  bool Listen(char* error, int errorSize);
  bool Unplugged() const { return fd < 0; }
  uint16_t Port() const { return port; }
  // The descriptors to wait on for input; their count.
  int PollFds(pollfd* fds) const;
  // What the controller sent, as bytes for the cameras (headers taken off,
  // RESET answered): the count, 0 when a datagram gave the cameras nothing,
  // -1 when nothing more waits.
  int Read(uint64_t nowUs, uint8_t* buffer, int capacity);
  // Bytes the line sends back: a datagram per packet, `late` held back.
  void Write(uint64_t nowUs, const uint8_t* data, int length);
  // Sends what has come due; the time the next held reply is due,
  // UINT64_MAX when none is.
  uint64_t Flush(uint64_t nowUs);

 private:
  static constexpr int kMaxHeld = 256;
  static constexpr int kMaxDatagram = 72;
  static constexpr int kMaxAwaited = 16;
  static constexpr int kAddresses = 8;
  static constexpr int kSockets = 3;

  struct Held {
    uint64_t dueUs;
    uint8_t bytes[kMaxDatagram];
    int length;
  };

  bool Lost();
  int ReadStream(uint8_t* buffer, int capacity);
  int ReadDatagram(uint64_t nowUs, uint8_t* buffer, int capacity);
  int Unwrap(uint64_t nowUs, const uint8_t* datagram, int length, uint8_t* buffer, int capacity);
  void Hold(uint64_t nowUs, uint16_t type, const uint8_t* payload, int length, uint32_t sequence);
  void Awaited(uint32_t number);
  uint32_t TakeAwaited();
  uint32_t ReplyNumber(const uint8_t* reply, int length);

  CamsimTransport transport = CAMSIM_PTY;
  uint32_t dropPercent = 0;
  uint64_t lateUs = 0;
  uint32_t random = 1;
  int fd = -1;        // the UDP socket, or the TCP listener
  int client = -1;    // the TCP connection being served
  uint16_t port = 0;  // 0 until bound the first time
  // The controller's address and its message numbering as the camera sees it.
  sockaddr_in peer = {};
  bool hasPeer = false;
  bool numbered = false;
  uint32_t sequence = 0;
  // Numbers of the messages whose first reply is still due, oldest first, and
  // of the commands acknowledged in each camera's sockets: every reply goes
  // out under the number of the message it answers.
  uint32_t awaited[kMaxAwaited] = {};
  int awaitedFirst = 0;
  int awaitedCount = 0;
  uint32_t socketNumber[kAddresses][kSockets] = {};
  bool socketBusy[kAddresses][kSockets] = {};
  // Reply bytes towards the next whole packet.
  uint8_t packet[kMaxDatagram] = {};
  int packetLength = 0;
  Held held[kMaxHeld];
  int heldFirst = 0;
  int heldCount = 0;
};
