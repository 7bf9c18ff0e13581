#include "sim/sim_camera.h"

#include <cstring>

uint16_t SimMove::At(uint64_t timeUs) const {
  if (!active || timeUs >= endUs) return to;
  if (timeUs <= startUs) return from;
  const int64_t span = static_cast<int64_t>(to) - from;
  const int64_t done = static_cast<int64_t>(timeUs - startUs);
  const int64_t total = static_cast<int64_t>(endUs - startUs);
  return static_cast<uint16_t>(from + span * done / total);
}

void SimCamera::Init(uint8_t modelCode, const SimTiming* lineTiming, SimFaults* onLine) {
  *this = SimCamera();
  timing = lineTiming;
  lineFaults = onLine;
  state.modelCode = modelCode;
  state.registers[0x70] = 0x01;
  state.registers[0x72] = (modelCode == 0x67 || modelCode == 0x40) ? 0x01 : 0x02;
  state.picture.focusPos = state.sceneFocus;
  for (SimPicture& preset : state.presets) preset = state.picture;
  state.customPreset = state.picture;
  PlaceAt(zoom, state.picture.zoomPos);
  PlaceAt(focus, state.picture.focusPos);
}

void SimCamera::ReplaceState(const SimCameraState& newState) {
  state = newState;
  for (SimSocket& s : sockets) s = SimSocket();
  powerPending = false;
  onePushPending = false;
  networkChangeDue = false;
  PlaceAt(zoom, state.picture.zoomPos);
  PlaceAt(focus, state.picture.focusPos);
  PlaceHead(state.panPos, state.tiltPos);
  headSocket = 0;
}

bool SimCamera::WideRange() const {
  switch (state.modelCode) {
    case 0x5F:
    case 0x5C:
    case 0x66:
    case 0x67:
    case 0x40:
      return true;
    default:
      return false;
  }
}

bool SimCamera::HasNearInfrared() const { return WideRange() || state.modelCode == 0x4B; }

// Model 0x40 has no Bright exposure mode: the panel emulates it with iris and gain.
bool SimCamera::HasBrightMode() const { return state.modelCode != 0x40; }

bool SimCamera::Offers(SimFeature feature) const {
  switch (feature) {
    case SIM_FEATURE_NEAR_INFRARED:
      return HasNearInfrared();
    case SIM_FEATURE_BRIGHT_MODE:
      return HasBrightMode();
    case SIM_FEATURE_PAN_TILT:
      return Head() != nullptr;
    case SIM_FEATURE_MAX_SPEED:
      return Head() != nullptr && Head()->fullSet;
    case SIM_FEATURE_FULL_SET:
      return Head() == nullptr || Head()->fullSet;
    case SIM_FEATURE_ANY:
      return true;
  }
  return true;
}

uint16_t SimCamera::FocusMax() const { return WideRange() ? 0xE500 : 0xC000; }

void SimCamera::Enqueue(const uint8_t* data, int length, uint64_t arrivalUs) {
  const int slot = (logStart + logCount) % SimLine::kPacketLog;
  SimPacket& p = log[slot];
  const int kept = length < SimPacket::kMaxStored ? length : SimPacket::kMaxStored;
  std::memcpy(p.bytes, data, static_cast<size_t>(kept));
  p.length = length;
  p.timeUs = arrivalUs;
  if (logCount < SimLine::kPacketLog) {
    ++logCount;
  } else {
    logStart = (logStart + 1) % SimLine::kPacketLog;
  }
  ++state.packetsReceived;

  if (queueCount == kQueue) {
    ++state.packetsDropped;
    return;
  }
  Input& in = queue[(queueHead + queueCount) % kQueue];
  std::memcpy(in.bytes, data, static_cast<size_t>(kept));
  in.length = length;
  in.arrivalUs = arrivalUs;
  ++queueCount;
}

uint64_t SimCamera::FrameAfter(uint64_t t) const {
  const uint64_t f = timing->frameUs ? timing->frameUs : 1;
  return (t / f + 1) * f;
}

uint64_t SimCamera::FrameAtOrAfter(uint64_t t) const {
  const uint64_t f = timing->frameUs ? timing->frameUs : 1;
  return (t + f - 1) / f * f;
}

uint64_t SimCamera::HandleTime(const Input& input) const {
  const uint64_t frame = FrameAfter(input.arrivalUs);
  return frame > nextFrameUs ? frame : nextFrameUs;
}

uint64_t SimCamera::NextEventUs() const {
  uint64_t next = kSimNever;
  if (queueCount > 0) next = HandleTime(queue[queueHead]);
  if (powerPending && powerDoneUs < next) next = powerDoneUs;
  if (onePushPending && onePushDoneUs < next) next = onePushDoneUs;
  for (const SimSocket& s : sockets) {
    if (s.busy && s.doneUs < next) next = s.doneUs;
  }
  return next;
}

void SimCamera::Settle(uint64_t timeUs) {
  state.picture.zoomPos = zoom.At(timeUs);
  state.picture.focusPos = focus.At(timeUs);
  if (zoom.active && timeUs >= zoom.endUs) zoom.active = false;
  if (focus.active && timeUs >= focus.endUs) focus.active = false;
  SettleHead(timeUs);
}

void SimCamera::Step(uint64_t t, SimCameraSink& sink) {
  Settle(t);
  if (powerPending && powerDoneUs <= t) FinishPower();
  if (onePushPending && onePushDoneUs <= t) {
    onePushPending = false;
    // The measurement of a neutral grey card under the scene's light.
    state.picture.rGain = 0xB4;
    state.picture.bGain = 0x9C;
  }
  for (int s = 0; s < kSockets; ++s) {
    if (sockets[s].busy && sockets[s].doneUs <= t) Complete(s + 1, t, sink);
  }
  if (networkChangeDue) {
    networkChangeDue = false;
    const uint8_t body[1] = {0x38};
    Send(sink, t, body, 1);
  }
  if (queueCount > 0 && HandleTime(queue[queueHead]) <= t) {
    const Input input = queue[queueHead];
    queueHead = (queueHead + 1) % kQueue;
    --queueCount;
    nextFrameUs = FrameAfter(t);
    Handle(input, t, sink);
  }
}

bool SimCamera::Stopped() const {
  return faults.stopAfterPackets >= 0 && handled > static_cast<uint32_t>(faults.stopAfterPackets);
}

bool SimCamera::Answering() const { return !faults.silent && !Stopped(); }

void SimCamera::Send(SimCameraSink& sink, uint64_t t, const uint8_t* body, int length) {
  if (!Answering()) return;
  uint8_t packet[24];
  if (length + 2 > static_cast<int>(sizeof(packet))) return;
  packet[0] = static_cast<uint8_t>((8 + state.address) << 4);
  std::memcpy(packet + 1, body, static_cast<size_t>(length));
  packet[length + 1] = 0xFF;
  sink.Reply(*this, t, packet, length + 2);
}

void SimCamera::CutPower(uint64_t t) {
  queueCount = 0;
  ClearSockets();
  StopMove(zoom, t);
  StopMove(focus, t);
  StopHead(t);
  powerPending = false;
  onePushPending = false;
  networkChangeDue = false;
  unpowered = true;
}

void SimCamera::RestorePower(uint64_t t, SimCameraSink& sink, bool announces) {
  unpowered = false;
  noiseAhead = faults.powerOnNoiseBytes;
  state.freeze = 3;
  powerTarget = 2;
  FinishPower();
  networkChangeDue = false;
  if (!announces) return;
  const uint8_t body[1] = {0x38};
  Send(sink, t, body, 1);
  awaitingAddress = true;
}

void SimCamera::SendError(SimCameraSink& sink, uint64_t t, int socket, uint8_t code) {
  const uint8_t body[2] = {static_cast<uint8_t>(0x60 | socket), code};
  Send(sink, t, body, 2);
}

namespace {

uint64_t SlowUs(const SimSlowRule& rule, const uint8_t* payload, int length) {
  if (rule.matchLength == 0 || rule.matchLength > length) return 0;
  return std::memcmp(rule.match, payload, static_cast<size_t>(rule.matchLength)) == 0 ? rule.ms * 1000ull : 0;
}

bool MatchRules(SimFaults& faults, const uint8_t* payload, int length, uint8_t* code) {
  for (SimErrorRule& rule : faults.errors) {
    if (rule.matchLength == 0 || rule.count == 0 || rule.matchLength > length) continue;
    if (std::memcmp(rule.match, payload, static_cast<size_t>(rule.matchLength)) != 0) continue;
    if (rule.count > 0) --rule.count;
    *code = rule.code;
    return true;
  }
  return false;
}

}  // namespace

// The camera's own rules first, then the line's, which every camera shares.
bool SimCamera::MatchErrorRule(const uint8_t* payload, int length, uint8_t* code) {
  if (MatchRules(faults, payload, length, code)) return true;
  return lineFaults != nullptr && MatchRules(*lineFaults, payload, length, code);
}

// The camera's own rule, else the line's.
uint64_t SimCamera::SlowAnswerUs(const uint8_t* payload, int length) const {
  const uint64_t own = SlowUs(faults.slowAnswers, payload, length);
  return own != 0 || lineFaults == nullptr ? own : SlowUs(lineFaults->slowAnswers, payload, length);
}

int SimCamera::FreeSocket() const {
  for (int s = 0; s < kSockets; ++s) {
    if (!sockets[s].busy) return s + 1;
  }
  return 0;
}

void SimCamera::Complete(int socket, uint64_t t, SimCameraSink& sink) {
  SimSocket& s = sockets[socket - 1];
  uint8_t body[5];
  int n = 0;
  if (s.ackHeld) {
    // acknowledge, FF, header of the completion: both leave in one piece
    body[n++] = static_cast<uint8_t>(0x40 | socket);
    body[n++] = 0xFF;
    body[n++] = static_cast<uint8_t>((8 + state.address) << 4);
  }
  body[n++] = static_cast<uint8_t>(0x50 | socket);
  s = SimSocket();
  if (zoom.socket == socket) zoom.socket = 0;
  if (focus.socket == socket) focus.socket = 0;
  if (headSocket == socket) headSocket = 0;
  Send(sink, t, body, n);
}

// Ends the command in `socket` early with an error reply (when a sink is given).
void SimCamera::CancelSocket(int socket, uint64_t t, SimCameraSink* sink, uint8_t code) {
  SimSocket& s = sockets[socket - 1];
  if (!s.busy) return;
  const bool ackHeld = s.ackHeld;
  s = SimSocket();
  if (zoom.socket == socket) zoom.socket = 0;
  if (focus.socket == socket) focus.socket = 0;
  if (headSocket == socket) headSocket = 0;
  if (sink == nullptr) return;
  if (ackHeld) {
    const uint8_t ack[1] = {static_cast<uint8_t>(0x40 | socket)};
    Send(*sink, t, ack, 1);
  }
  SendError(*sink, t, socket, code);
}

// Interface clear: commands in progress are dropped without replies and
// movements stop where they are.
void SimCamera::ClearSockets() {
  for (SimSocket& s : sockets) s = SimSocket();
  zoom.socket = 0;
  focus.socket = 0;
  headSocket = 0;
}

void SimCamera::Cancel(int socket, uint64_t t, SimCameraSink& sink) {
  if (socket < 1 || socket > kSockets || !sockets[socket - 1].busy) {
    SendError(sink, t, socket, 0x05);  // no command in that socket
    return;
  }
  if (zoom.socket == socket) StopMove(zoom, t);
  if (focus.socket == socket) StopMove(focus, t);
  if (headSocket == socket) StopHead(t);
  CancelSocket(socket, t, &sink, 0x04);
}

void SimCamera::HandleBroadcast(const Input& input, uint64_t t, SimCameraSink& sink) {
  const uint8_t* p = input.bytes;
  const int n = input.length;
  // Only the first bytes of an overlong packet were kept: it cannot be passed
  // on whole, so it goes no further, like one no camera can take.
  if (n > SimPacket::kMaxStored) return;
  if (Stopped()) {
    sink.PassOn(*this, t, p, n);
    return;
  }
  // Address set: take the number, pass on the next one.
  if (n == 4 && p[1] == 0x30) {
    if (p[2] >= 1 && p[2] <= SimLine::kMaxCameras) {
      state.address = p[2];
      awaitingAddress = false;
      const uint8_t next[4] = {0x88, 0x30, static_cast<uint8_t>(p[2] + 1), 0xFF};
      sink.PassOn(*this, t, next, 4);
    } else {
      sink.PassOn(*this, t, p, n);
    }
    return;
  }
  if (n == 5 && p[1] == 0x01 && p[2] == 0x00 && p[3] == 0x01) {
    ClearSockets();
    StopMove(zoom, t);
    if (state.picture.focusMode != 2) StopMove(focus, t);
    StopHead(t);
  } else if (n >= 4 && n <= 16 && p[1] == 0x01 && CommandKnown(p + 2, n - 3)) {
    // A broadcast command is carried out by every camera, without replies.
    uint64_t doneUs = 0;
    Execute(p + 2, t, 0, nullptr, &doneUs);
  }
  sink.PassOn(*this, t, p, n);
}

void SimCamera::Handle(const Input& input, uint64_t t, SimCameraSink& sink) {
  ++handled;
  if ((input.bytes[0] & 0x0F) == 0x08) {
    HandleBroadcast(input, t, sink);
    return;
  }
  if (Stopped()) return;
  const uint8_t* p = input.bytes;
  const int n = input.length;
  if (n > 16) {
    SendError(sink, t, 0, 0x01);  // message length
    return;
  }
  const uint8_t* payload = p + 1;
  const int m = n - 2;
  uint8_t code = 0;
  if (m > 0 && MatchErrorRule(payload, m, &code)) {
    const int spare = FreeSocket();
    const int socket = (code >= 0x01 && code <= 0x03) ? 0 : (spare != 0 ? spare : 1);
    SendError(sink, t, socket, code);
    return;
  }
  if (m == 1 && (payload[0] & 0xF0) == 0x20) {
    Cancel(payload[0] & 0x0F, t, sink);
    return;
  }
  if (m >= 2 && payload[0] == 0x09) {
    AnswerInquiry(payload, m, t, sink);
    return;
  }
  TakeCommand(payload, m, t, sink);
}

void SimCamera::AnswerInquiry(const uint8_t* payload, int m, uint64_t t, SimCameraSink& sink) {
  if (SkipsPositionAnswer(payload, m)) return;
  uint8_t body[12];
  const int length = Answer(payload + 1, m - 1, body, sizeof(body));
  if (length == 0) {
    SendError(sink, t, 0, 0x02);
  } else {
    Send(sink, t + SlowAnswerUs(payload, m), body, length);
  }
}

// An addressed command: acknowledged in a free socket, then completed at once
// or when what it started is done.
void SimCamera::TakeCommand(const uint8_t* payload, int m, uint64_t t, SimCameraSink& sink) {
  if (m < 2 || payload[0] != 0x01 || !CommandKnown(payload + 1, m - 1)) {
    SendError(sink, t, 0, 0x02);  // syntax
    return;
  }
  if (payload[1] == 0x00) {
    // Interface clear addressed to this camera: completion only.
    ClearSockets();
    const uint8_t body[1] = {0x50};
    Send(sink, t, body, 1);
    return;
  }
  const int socket = FreeSocket();
  if (socket == 0) {
    SendError(sink, t, 0, 0x03);  // buffer full
    return;
  }
  uint64_t doneUs = t;
  const int result = Execute(payload + 1, t, socket, &sink, &doneUs);
  if (result == SIM_NOT_EXECUTABLE) {
    SendError(sink, t, socket, 0x41);
    return;
  }
  if (result == SIM_SYNTAX) {
    SendError(sink, t, 0, 0x02);
    return;
  }
  SimSocket& s = sockets[socket - 1];
  s.busy = true;
  s.doneUs = result == SIM_RUNNING ? doneUs : t;
  s.ackHeld = Batching();
  if (!s.ackHeld) {
    const uint8_t ack[1] = {static_cast<uint8_t>(0x40 | socket)};
    Send(sink, t, ack, 1);
  }
  if (s.doneUs <= t) Complete(socket, t, sink);
}

bool SimCamera::Batching() const { return faults.batchReplies || (lineFaults != nullptr && lineFaults->batchReplies); }
