#include "net/visca_ip_session.h"

#include <cstring>

namespace {

constexpr uint8_t kResetPayload[] = {0x01};
constexpr uint8_t kResetDone = 0x01;
constexpr uint8_t kControlError = 0x0F;
constexpr uint8_t kSequenceError = 0x01;
constexpr uint8_t kMessageTypeError = 0x02;
constexpr uint8_t kInquiryCategory = 0x09;
constexpr uint8_t kPacketEnd = 0xFF;

uint32_t BigEndian(const uint8_t* p, int bytes) {
  uint32_t v = 0;
  for (int i = 0; i < bytes; i++) v = v << 8 | p[i];
  return v;
}

void PutBigEndian(uint8_t* p, uint32_t v, int bytes) {
  for (int i = bytes - 1; i >= 0; i--, v >>= 8) p[i] = static_cast<uint8_t>(v);
}

void Compose(uint16_t type, const uint8_t* payload, int32_t length, uint32_t sequence, ViscaIpDatagram* out) {
  PutBigEndian(out->bytes, type, 2);
  PutBigEndian(out->bytes + 2, static_cast<uint32_t>(length), 2);
  PutBigEndian(out->bytes + 4, sequence, 4);
  std::memcpy(out->bytes + ViscaIpDatagram::kHeaderSize, payload, static_cast<size_t>(length));
  out->length = ViscaIpDatagram::kHeaderSize + length;
}

enum : uint8_t { KIND_ACK = 1, KIND_COMPLETION = 2, KIND_ERROR = 4, KINDS_LAST = KIND_COMPLETION | KIND_ERROR };

// A bit per reply kind a camera sends once per message (acknowledge,
// completion or answer, error); 0 for any other packet.
uint8_t ReplyKindBit(const uint8_t* packet, int32_t length) {
  if (length < 3) return 0;
  switch (packet[1] & 0xF0) {
    case 0x40:
      return KIND_ACK;
    case 0x50:
      return KIND_COMPLETION;
    case 0x60:
      return KIND_ERROR;
    default:
      return 0;
  }
}

bool IsViscaReply(uint32_t type, const uint8_t* payload, int32_t length) {
  return type == VISCA_IP_REPLY && payload[length - 1] == kPacketEnd;
}

constexpr uint8_t kAcknowledge = 0x40;
constexpr int32_t kAcknowledgeLength = 3;

// A reply goes on once per kind (a resend is answered again). A command's
// completion whose acknowledge was lost goes on behind the acknowledge it
// implies, as a serial line would have carried both.
void PassOn(bool command, const uint8_t* payload, int32_t length, uint8_t* passed, ViscaIpInput* in) {
  const uint8_t kind = ReplyKindBit(payload, length);
  if (kind & *passed) return;
  *passed |= kind;
  if (command && kind == KIND_COMPLETION && (*passed & KIND_ACK) == 0 &&
      length <= ViscaIpDatagram::kMaxPayload - kAcknowledgeLength) {
    *passed |= KIND_ACK;
    in->packet[0] = payload[0];
    in->packet[1] = static_cast<uint8_t>(kAcknowledge | (payload[1] & 0x0F));
    in->packet[2] = kPacketEnd;
    in->packetLength = kAcknowledgeLength;
  }
  std::memcpy(in->packet + in->packetLength, payload, static_cast<size_t>(length));
  in->packetLength += length;
}

}  // namespace

void ViscaIpSession::SendMessage(uint16_t type, const uint8_t* payload, int32_t length, uint32_t now,
                                 ViscaIpDatagram* out) {
  const uint32_t lastType = BigEndian(last.bytes, 2);
  previousOpen =
      awaiting && (kindsPassed & KINDS_LAST) == 0 && (lastType == VISCA_IP_COMMAND || lastType == VISCA_IP_INQUIRY);
  previousSequence = BigEndian(last.bytes + 4, 4);
  previousKinds = kindsPassed;
  previousCommand = lastType == VISCA_IP_COMMAND;
  Compose(type, payload, length, nextSequence++, &last);
  awaiting = true;
  answered = false;
  resent = false;
  kindsPassed = 0;
  sentTick = now;
  *out = last;
}

void ViscaIpSession::Open(uint32_t now, ViscaIpDatagram* out) {
  nextSequence = 0;
  awaiting = false;  // numbering starts again: nothing sent before is awaited
  givenUpCount = 0;
  givenUpNext = 0;
  SendMessage(VISCA_IP_CONTROL, kResetPayload, sizeof kResetPayload, now, out);
}

bool ViscaIpSession::Send(const uint8_t* packet, int32_t length, uint32_t now, ViscaIpDatagram* out) {
  if (length < 1 || length > ViscaIpDatagram::kMaxPayload) return false;
  const bool inquiry = length >= 2 && packet[1] == kInquiryCategory;
  SendMessage(inquiry ? VISCA_IP_INQUIRY : VISCA_IP_COMMAND, packet, length, now, out);
  return true;
}

// The camera lost count: numbering starts again with a RESET, and the message
// goes once more under the new numbering unless it already went twice.
void ViscaIpSession::AnswerSequenceError(uint32_t now, ViscaIpInput* in) {
  const ViscaIpDatagram message = last;
  const bool again = !resent && BigEndian(message.bytes, 2) != VISCA_IP_CONTROL;
  Open(now, &in->send[in->sendCount++]);
  if (!again) return;
  const int32_t length = message.length - ViscaIpDatagram::kHeaderSize;
  SendMessage(static_cast<uint16_t>(BigEndian(message.bytes, 2)), message.bytes + ViscaIpDatagram::kHeaderSize, length,
              now, &in->send[in->sendCount++]);
  resent = true;
}

void ViscaIpSession::Receive(const uint8_t* data, int32_t length, uint32_t now, ViscaIpInput* in) {
  *in = ViscaIpInput();
  if (length <= ViscaIpDatagram::kHeaderSize || length > ViscaIpDatagram::kHeaderSize + ViscaIpDatagram::kMaxPayload)
    return;
  const uint32_t type = BigEndian(data, 2);
  const int32_t payloadLength = static_cast<int32_t>(BigEndian(data + 2, 2));
  const uint32_t sequence = BigEndian(data + 4, 4);
  const uint8_t* payload = data + ViscaIpDatagram::kHeaderSize;
  if (payloadLength != length - ViscaIpDatagram::kHeaderSize) return;
  if (previousOpen && sequence == previousSequence) return ReceiveForPrevious(type, payload, payloadLength, in);
  if (!awaiting || sequence != BigEndian(last.bytes + 4, 4))
    return KeepLate(type, sequence, payload, payloadLength, in);
  if (IsViscaReply(type, payload, payloadLength)) {
    answered = true;
    PassOn(BigEndian(last.bytes, 2) == VISCA_IP_COMMAND, payload, payloadLength, &kindsPassed, in);
  } else if (type == VISCA_IP_CONTROL_REPLY && payloadLength == 1 && payload[0] == kResetDone) {
    answered = true;
  } else if (type == VISCA_IP_CONTROL_REPLY && payloadLength == 2 && payload[0] == kControlError) {
    answered = true;
    if (payload[1] == kSequenceError) AnswerSequenceError(now, in);
    in->messageTypeRefused = payload[1] == kMessageTypeError;
  }
}

// The earlier message of a pair: its replies go on once each, control replies
// are not its own, and its completion or error ends the wait for it.
void ViscaIpSession::ReceiveForPrevious(uint32_t type, const uint8_t* payload, int32_t length, ViscaIpInput* in) {
  if (!IsViscaReply(type, payload, length)) return;
  PassOn(previousCommand, payload, length, &previousKinds, in);
  if (previousKinds & KINDS_LAST) previousOpen = false;
}

// A reply of a kind the camera sends once per message, carrying the number of
// a message given up. Other replies to old numbers (a repeat after a resend)
// are dropped unnamed, as before.
void ViscaIpSession::KeepLate(uint32_t type, uint32_t sequence, const uint8_t* payload, int32_t length,
                              ViscaIpInput* in) const {
  if (!WasGivenUp(sequence) || !IsViscaReply(type, payload, length) || ReplyKindBit(payload, length) == 0) return;
  std::memcpy(in->late, payload, static_cast<size_t>(length));
  in->lateLength = length;
}

void ViscaIpSession::NoteGivenUp(uint32_t sequence) {
  givenUp[givenUpNext] = sequence;
  givenUpNext = (givenUpNext + 1) % kGivenUpKept;
  if (givenUpCount < kGivenUpKept) givenUpCount++;
}

bool ViscaIpSession::WasGivenUp(uint32_t sequence) const {
  for (int32_t i = 0; i < givenUpCount; i++)
    if (givenUp[i] == sequence) return true;
  return false;
}

void ViscaIpSession::GiveUp() {
  if (awaiting) NoteGivenUp(BigEndian(last.bytes + 4, 4));
  if (previousOpen) NoteGivenUp(previousSequence);
  awaiting = false;
  previousOpen = false;
}

bool ViscaIpSession::TakeResend(uint32_t now, ViscaIpDatagram* out) {
  if (MsToResend(now) != 0) return false;
  resent = true;
  sentTick = now;
  *out = last;
  return true;
}

uint32_t ViscaIpSession::MsToResend(uint32_t now) const {
  if (!awaiting || answered || resent) return kNoResend;
  const uint32_t waited = now - sentTick;
  return waited >= kResendMs ? 0 : kResendMs - waited;
}
