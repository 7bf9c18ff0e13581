#include "sim/camsim_net.h"

#include <arpa/inet.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#include <unistd.h>
#include <cerrno>
#include <cstdio>
#include <cstring>

namespace {

constexpr int kHeaderSize = 8;
constexpr uint16_t kCommand = 0x0100;
constexpr uint16_t kInquiry = 0x0110;
constexpr uint16_t kReply = 0x0111;
constexpr uint16_t kControl = 0x0200;
constexpr uint16_t kControlReply = 0x0201;
constexpr uint8_t kReset = 0x01;
constexpr uint8_t kSequenceError[] = {0x0F, 0x01};
constexpr uint8_t kMessageTypeError[] = {0x0F, 0x02};
constexpr uint64_t kUsPerMs = 1000;
constexpr uint32_t kPercent = 100;

uint32_t Read32(const uint8_t* p) {
  return static_cast<uint32_t>(p[0]) << 24 | static_cast<uint32_t>(p[1]) << 16 | static_cast<uint32_t>(p[2]) << 8 |
         p[3];
}

int Fail(char* error, int size, const char* what) {
  std::snprintf(error, static_cast<size_t>(size), "%s: %s", what, std::strerror(errno));
  return false;
}

}  // namespace

NetLine::~NetLine() {
  if (client >= 0) close(client);
  if (fd >= 0) close(fd);
}

bool NetLine::Open(const CamsimLineOptions& options, uint32_t seed, char* error, int errorSize) {
  transport = options.transport;
  dropPercent = options.dropPercent;
  lateUs = options.lateMs * kUsPerMs;
  random = seed != 0 ? seed : 1;
  port = options.port;
  return Listen(error, errorSize);
}

void NetLine::Unplug() {
  if (client >= 0) close(client);
  if (fd >= 0) close(fd);
  client = -1;
  fd = -1;
  heldCount = 0;
}

bool NetLine::Listen(char* error, int errorSize) {
  const bool stream = transport == CAMSIM_TCP;
  fd = socket(AF_INET, (stream ? SOCK_STREAM : SOCK_DGRAM) | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
  if (fd < 0) return Fail(error, errorSize, "cannot create a socket");
  const int on = 1;
  if (stream) setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
  sockaddr_in address = {};
  address.sin_family = AF_INET;
  address.sin_port = htons(port);
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t size = sizeof address;
  if (bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0)
    return Fail(error, errorSize, "cannot bind 127.0.0.1");
  if (stream && listen(fd, 1) != 0) return Fail(error, errorSize, "cannot listen");
  if (getsockname(fd, reinterpret_cast<sockaddr*>(&address), &size) != 0)
    return Fail(error, errorSize, "cannot read the port");
  port = ntohs(address.sin_port);
  return true;
}

int NetLine::PollFds(pollfd* fds) const {
  fds[0] = pollfd{fd, POLLIN, 0};
  if (client < 0) return 1;
  fds[1] = pollfd{client, POLLIN, 0};
  return 2;
}

// xorshift32 with the line's own seed: the same losses on every run.
bool NetLine::Lost() {
  if (dropPercent == 0) return false;
  random ^= random << 13;
  random ^= random >> 17;
  random ^= random << 5;
  return random % kPercent < dropPercent;
}

int NetLine::Read(uint64_t nowUs, uint8_t* buffer, int capacity) {
  return transport == CAMSIM_TCP ? ReadStream(buffer, capacity) : ReadDatagram(nowUs, buffer, capacity);
}

int NetLine::ReadStream(uint8_t* buffer, int capacity) {
  const int taken = accept4(fd, nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC);
  if (taken >= 0) {
    if (client >= 0) close(client);
    client = taken;
    const int on = 1;
    setsockopt(client, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
  }
  if (client < 0) return -1;
  const ssize_t n = recv(client, buffer, static_cast<size_t>(capacity), 0);
  if (n > 0) return static_cast<int>(n);
  if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR)) return -1;
  close(client);  // the client went away; the next one is accepted
  client = -1;
  return 0;
}

int NetLine::ReadDatagram(uint64_t nowUs, uint8_t* buffer, int capacity) {
  uint8_t datagram[2048];
  sockaddr_in from = {};
  socklen_t size = sizeof from;
  const ssize_t n = recvfrom(fd, datagram, sizeof datagram, 0, reinterpret_cast<sockaddr*>(&from), &size);
  if (n < 0) return -1;
  if (Lost()) return 0;
  peer = from;
  hasPeer = true;
  if (transport == CAMSIM_UDP_RAW) {
    const int length = n < capacity ? static_cast<int>(n) : capacity;
    std::memcpy(buffer, datagram, static_cast<size_t>(length));
    return length;
  }
  return Unwrap(nowUs, datagram, static_cast<int>(n), buffer, capacity);
}

// The camera's side of the header rules: RESET restarts the numbering and
// forgets the replies still owed (a camera switched off and on owes none); a
// message must carry the next number or repeat the last; anything else is
// answered with a sequence error and not acted on.
int NetLine::Unwrap(uint64_t nowUs, const uint8_t* datagram, int length, uint8_t* buffer, int capacity) {
  if (length <= kHeaderSize || (datagram[2] << 8 | datagram[3]) != length - kHeaderSize) return 0;
  const uint16_t type = static_cast<uint16_t>(datagram[0] << 8 | datagram[1]);
  const uint32_t number = Read32(datagram + 4);
  const uint8_t* payload = datagram + kHeaderSize;
  const int payloadLength = length - kHeaderSize;
  if (type == kControl && payloadLength == 1 && payload[0] == kReset) {
    numbered = true;
    sequence = number;
    awaitedCount = 0;
    std::memset(socketBusy, 0, sizeof socketBusy);
    Hold(nowUs, kControlReply, &kReset, 1, number);
    return 0;
  }
  if (type != kCommand && type != kInquiry) {
    Hold(nowUs, kControlReply, kMessageTypeError, sizeof kMessageTypeError, number);
    return 0;
  }
  if (numbered && number != sequence && number != sequence + 1) {
    Hold(nowUs, kControlReply, kSequenceError, sizeof kSequenceError, number);
    return 0;
  }
  numbered = true;
  sequence = number;
  Awaited(number);
  const int n = payloadLength < capacity ? payloadLength : capacity;
  std::memcpy(buffer, payload, static_cast<size_t>(n));
  return n;
}

void NetLine::Write(uint64_t nowUs, const uint8_t* data, int length) {
  if (transport == CAMSIM_TCP) {
    for (int at = 0; at < length; at += kMaxDatagram) {
      const int n = length - at < kMaxDatagram ? length - at : kMaxDatagram;
      Hold(nowUs, 0, data + at, n, 0);
    }
    return;
  }
  for (int i = 0; i < length; ++i) {
    if (packetLength < kMaxDatagram - kHeaderSize) packet[packetLength++] = data[i];
    if (data[i] != 0xFF) continue;
    if (transport == CAMSIM_UDP_RAW) {
      Hold(nowUs, 0, packet, packetLength, 0);
    } else {
      Hold(nowUs, kReply, packet, packetLength, ReplyNumber(packet, packetLength));
    }
    packetLength = 0;
  }
}

// A camera takes its messages in the order they came and answers each at once
// (acknowledge, answer or error); the full queue loses its oldest number.
void NetLine::Awaited(uint32_t number) {
  if (awaitedCount == kMaxAwaited) {
    awaitedFirst = (awaitedFirst + 1) % kMaxAwaited;
    awaitedCount--;
  }
  awaited[(awaitedFirst + awaitedCount++) % kMaxAwaited] = number;
}

// The oldest message without a reply; the newest number when none is due.
uint32_t NetLine::TakeAwaited() {
  if (awaitedCount == 0) return sequence;
  const uint32_t number = awaited[awaitedFirst];
  awaitedFirst = (awaitedFirst + 1) % kMaxAwaited;
  awaitedCount--;
  return number;
}

// An acknowledge names the socket where the command runs, and its completion
// or error later names it again; any other first reply answers the oldest
// message still due. A network change answers nothing: the newest number.
uint32_t NetLine::ReplyNumber(const uint8_t* reply, int length) {
  if (length < 3) return sequence;
  const int address = (reply[0] >> 4) & (kAddresses - 1);
  const int kind = reply[1] & 0xF0;
  const int socket = reply[1] & 0x0F;
  if (reply[1] == 0x38) return sequence;
  if (socket >= kSockets || socket == 0) return TakeAwaited();
  if (kind == 0x40) {
    socketNumber[address][socket] = TakeAwaited();
    socketBusy[address][socket] = true;
    return socketNumber[address][socket];
  }
  if ((kind == 0x50 || kind == 0x60) && socketBusy[address][socket]) {
    socketBusy[address][socket] = false;
    return socketNumber[address][socket];
  }
  return TakeAwaited();
}

// Queues one datagram (or, with type 0, bare bytes) to leave `late` after nowUs.
void NetLine::Hold(uint64_t nowUs, uint16_t type, const uint8_t* payload, int length, uint32_t number) {
  if (heldCount == kMaxHeld) return;
  Held& h = held[(heldFirst + heldCount++) % kMaxHeld];
  h.dueUs = nowUs + lateUs;
  h.length = 0;
  if (type != 0) {
    const uint8_t header[kHeaderSize] = {static_cast<uint8_t>(type >> 8),    static_cast<uint8_t>(type),
                                         static_cast<uint8_t>(length >> 8),  static_cast<uint8_t>(length),
                                         static_cast<uint8_t>(number >> 24), static_cast<uint8_t>(number >> 16),
                                         static_cast<uint8_t>(number >> 8),  static_cast<uint8_t>(number)};
    std::memcpy(h.bytes, header, kHeaderSize);
    h.length = kHeaderSize;
  }
  std::memcpy(h.bytes + h.length, payload, static_cast<size_t>(length));
  h.length += length;
}

uint64_t NetLine::Flush(uint64_t nowUs) {
  while (heldCount > 0 && held[heldFirst].dueUs <= nowUs) {
    const Held& h = held[heldFirst];
    if (transport == CAMSIM_TCP) {
      if (client >= 0) send(client, h.bytes, static_cast<size_t>(h.length), MSG_NOSIGNAL);
    } else if (hasPeer && !Lost()) {
      sendto(fd, h.bytes, static_cast<size_t>(h.length), 0, reinterpret_cast<const sockaddr*>(&peer), sizeof peer);
    }
    heldFirst = (heldFirst + 1) % kMaxHeld;
    heldCount--;
  }
  return heldCount > 0 ? held[heldFirst].dueUs : UINT64_MAX;
}
