#include "engine/discovery/network_lines.h"

#include "engine/conversation/engine_state.h"
#include "engine/core/engine_channel.h"
#include "engine/core/panel_hooks.h"
#include "engine/trace/traffic_trace.h"
#include "net/net_line.h"
#include "net/udp_hub.h"

namespace {

// The shared UDP socket sends from another port than the one cameras expect:
// said once, as some cameras answer only that port.
void NameUdpPort(CameraController* c, int32_t line) {
  const uint16_t local = UdpHubLocalPort();
  if (c->udpPortNamed || !IsDatagramLine(c, line) || local == 0 || local == kViscaIpLocalPort) return;
  c->udpPortNamed = true;
  ShowStatus(c, "Sending from UDP port %u: %u is taken", static_cast<unsigned>(local),
             static_cast<unsigned>(kViscaIpLocalPort));
}

// Connected, or connected again: a line lost settles, then is checked again.
// `ip` counts the network lines from 0 (IP1), on line kSerialLineCount + ip.
void LineUp(CameraController* c, int32_t ip) {
  NetworkLineState& state = c->networkLines[ip];
  const int32_t line = kSerialLineCount + ip;
  state.failed = false;
  state.lost = false;
  c->events->lineBack(c, line);
  NameUdpPort(c, line);
}

// Replies a visca-ip line dropped as late: named in the trace, nothing more.
void TraceLateReplies(CameraController* c, int32_t line) {
  uint8_t packet[kPacketCapacity];
  for (int32_t n; (n = c->channels[line]->TakeLateReply(packet, kPacketCapacity)) > 0;) TraceLate(c, line, packet, n);
}

// A line is up before it can be lost, so the bits of one step are taken in
// that order; one lost and connected again since the last step (a worker held
// up for a second) is up again after its loss. A line lost is recovered as a
// COM port is; its attempts to connect again fail quietly.
void NoteEvents(CameraController* c, int32_t ip, uint32_t events) {
  NetworkLineState& state = c->networkLines[ip];
  const int32_t line = kSerialLineCount + ip;
  const int number = static_cast<int>(ip + 1);
  if (events & NET_EVENT_UP) LineUp(c, ip);
  if (events & NET_EVENT_CONNECTION_LOST) {
    state.lost = true;
    c->events->lineLost(c, line);
  }
  if ((events & (NET_EVENT_LOOKUP_FAILED | NET_EVENT_CONNECT_FAILED)) && !state.failed) {
    state.failed = true;
    if (!state.lost)
      ShowStatus(c, (events & NET_EVENT_LOOKUP_FAILED) ? "IP%d: host not found" : "IP%d: no connection", number);
  }
  if ((events & NET_EVENT_CONNECTION_LOST) && (events & NET_EVENT_UP) && c->channels[line]->NetworkLineUp())
    LineUp(c, ip);
  if (events & NET_EVENT_MESSAGE_TYPE_REFUSED) ShowStatus(c, "Err Message Type 0F 02, IP%d", number);
  if (events & NET_EVENT_LATE_REPLY) TraceLateReplies(c, line);
}

}  // namespace

void OpenNetworkLines(CameraController* c, const NetConfig& config) {
  for (int32_t i = 0; i < kNetMaxLines; i++) {
    if (config.lines[i].kind == NET_NONE) continue;
    const int32_t line = kSerialLineCount + i;
    c->channels[line] = OpenNetworkChannel(config.lines[i]);
    if (!c->channels[line]) continue;
    c->channels[line]->SetReceiveSignal(&c->workEvent);
    if (c->line.load() < 0) c->line = line;
  }
}

void TakeNetworkEvents(CameraController* c) {
  for (int32_t i = 0; i < kNetMaxLines; i++) {
    SerialChannel* channel = c->channels[kSerialLineCount + i];
    if (!channel) continue;
    const uint32_t events = channel->TakeLineEvents();
    if (events != 0) NoteEvents(c, i, events);
  }
}

const SerialChannel* NetworkChannel(const CameraController* c, int32_t line) {
  return line >= kSerialLineCount && line < kChannelCount ? c->channels[line] : nullptr;
}

bool IsDatagramLine(const CameraController* c, int32_t line) {
  const SerialChannel* channel = NetworkChannel(c, line);
  return channel && channel->IsDatagramLine();
}
