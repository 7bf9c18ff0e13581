// The network receive path without sockets: datagrams from the camera's
// address and from strangers go through the shared socket's router into a
// visca-ip line's rules, between the engine's messages, RESETs and the
// passing of time. Whatever arrives, the router gives a line only its
// camera's datagrams, whole and in order; the rules pass on only whole VISCA
// packets (each ends in FF, none longer than 16 bytes, the engine's frame
// cutter finds exactly them); what they send is a well-formed message; a
// resend repeats the newest message as it went out. A break traps with a
// line on stderr.
//
// Input: records of an operation byte, a length byte and what follows.
// Operation % 4: 0 the engine sends a packet of that length; 1 a datagram of
// that length (counted in eights past 248) arrives from a sender byte's
// choice (odd: the camera); 2 that many ms pass; 3 the line opens again.
#include "engine/conversation/transmission.h"
#include "engine/core/engine_channel.h"
#include "net/udp_router.h"
#include "net/visca_ip_session.h"
#include "serial/frame_cutter.h"

#include <cstdint>
#include <cstdio>
#include <cstring>

namespace {

constexpr int32_t kHeader = ViscaIpDatagram::kHeaderSize;
constexpr int32_t kMaxPacket = ViscaIpDatagram::kMaxPayload;
constexpr size_t kLongLengths = 248;  // a length byte above this counts in eights
constexpr uint8_t kPacketEnd = 0xFF;
const NetAddress kCamera = {{192, 168, 0, 10}, 52381};
const NetAddress kStranger = {{192, 168, 0, 10}, 52380};

[[noreturn]] void Broken(const char* what) {
  fprintf(stderr, "net_receive fuzz: %s\n", what);
  __builtin_trap();
}

uint32_t Read(const uint8_t* p, int bytes) {
  uint32_t v = 0;
  for (int i = 0; i < bytes; i++) v = v << 8 | p[i];
  return v;
}

// A message as the rules send it: a known type, its payload length in the
// header, a payload that fits a VISCA packet.
void CheckMessage(const ViscaIpDatagram& d) {
  if (d.length <= kHeader || d.length > kHeader + kMaxPacket) Broken("a message of a bad size");
  const uint32_t type = Read(d.bytes, 2);
  if (type != VISCA_IP_COMMAND && type != VISCA_IP_INQUIRY && type != VISCA_IP_CONTROL) Broken("a bad message type");
  if (Read(d.bytes + 2, 2) != static_cast<uint32_t>(d.length - kHeader)) Broken("a length field that disagrees");
}

// What reaches the engine cuts into whole packets, each ending in FF.
void CheckPassedOn(const ViscaIpInput& in) {
  if (in.packetLength < 0 || in.packetLength > kMaxPacket) Broken("a reply of a bad size");
  if (in.packetLength > 0 && in.packet[in.packetLength - 1] != kPacketEnd) Broken("a reply without its end");
  FrameCutter cutter;
  cutter.framingMode = FRAMING_CALLBACK_ONLY;
  cutter.frameEnd = PacketEndTest;
  int32_t cut = 0;
  for (int32_t i = 0; i < in.packetLength; i++) {
    int32_t length = 0;
    if (cutter.Push(in.packet[i], &length)) cut += cutter.noiseLength + length;
  }
  if (cut != in.packetLength) Broken("the frame cutter does not find the packets passed on");
  if (in.sendCount < 0 || in.sendCount > 2) Broken("more messages than a RESET and one resend");
  for (int32_t i = 0; i < in.sendCount; i++) CheckMessage(in.send[i]);
}

struct Line {
  UdpRouter router;
  ViscaIpSession session;
  int route = router.Add(kCamera, nullptr);
  uint32_t now = 0;
  ViscaIpDatagram newest;  // as it last went out

  void Sent(const ViscaIpDatagram& d) {
    CheckMessage(d);
    newest = d;
  }
  void Arrive(bool fromCamera, const uint8_t* data, int32_t length) {
    const bool taken = router.Deliver(fromCamera ? kCamera : kStranger, data, length);
    if (taken && !fromCamera) Broken("a stranger's datagram was routed");
    uint8_t datagram[UdpRouter::kMaxDatagram];
    const int32_t n = router.Take(route, datagram, sizeof datagram);
    if (n != (taken ? length : 0) || (n > 0 && std::memcmp(datagram, data, static_cast<size_t>(n)) != 0))
      Broken("the router changed a datagram");
    ViscaIpInput in;
    session.Receive(datagram, n, now, &in);
    CheckPassedOn(in);
    if (in.sendCount > 0) Sent(in.send[in.sendCount - 1]);
  }
  void Pass(uint32_t ms) {
    now += ms;
    ViscaIpDatagram d;
    if (!session.TakeResend(now, &d)) return;
    if (d.length != newest.length || std::memcmp(d.bytes, newest.bytes, static_cast<size_t>(d.length)) != 0)
      Broken("a resend that is not the newest message");
    if (session.MsToResend(now) != ViscaIpSession::kNoResend) Broken("a second resend is due");
  }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  Line line;
  ViscaIpDatagram d;
  line.session.Open(line.now, &d);
  line.Sent(d);
  size_t at = 0;
  while (at < size) {
    const uint8_t op = data[at++];
    size_t length = at < size ? data[at++] : 0;
    switch (op % 4) {
      case 0:
        length = length % (kMaxPacket + 2);
        if (length > size - at) length = size - at;
        if (line.session.Send(data + at, static_cast<int32_t>(length), line.now, &d)) line.Sent(d);
        at += length;
        break;
      case 1: {
        if (length > kLongLengths) length = kLongLengths + (length - kLongLengths) * 8;
        if (at >= size) break;
        const bool fromCamera = (data[at++] & 1) != 0;
        if (length > size - at) length = size - at;
        line.Arrive(fromCamera, data + at, static_cast<int32_t>(length));
        at += length;
        break;
      }
      case 2:
        line.Pass(static_cast<uint32_t>(length));
        break;
      default:
        line.session.Open(line.now, &d);
        line.Sent(d);
        break;
    }
  }
  return 0;
}
