// The VISCA-over-IP rules of one camera line: every VISCA packet travels
// behind an 8-byte header (payload type, payload length, sequence number, all
// big-endian); a control RESET opens the line and sequence numbers count from
// it; only replies carrying the awaited sequence number count; a message left
// unanswered is sent once more with its own number; a sequence error is
// answered with RESET and one resend. A command's completion whose
// acknowledge was lost brings that acknowledge. A message sent while the one before
// still owes its completion (two commands back to back) leaves that one's
// number awaited too, until its completion or error. Once the caller gives
// its messages up (a reply time-out), their numbers are no longer awaited: a
// reply carrying the number of a message sent earlier and not awaited is
// late, dropped and handed back only to be named. Pure: the caller moves the
// datagrams and passes the time, so the rules run on any clock.
#pragma once

#include <cstdint>

enum : uint16_t {
  VISCA_IP_COMMAND = 0x0100,
  VISCA_IP_INQUIRY = 0x0110,
  VISCA_IP_REPLY = 0x0111,
  VISCA_IP_CONTROL = 0x0200,
  VISCA_IP_CONTROL_REPLY = 0x0201,
};

struct ViscaIpDatagram {
  static constexpr int32_t kHeaderSize = 8;
  static constexpr int32_t kMaxPayload = 16;  // the longest VISCA packet
  uint8_t bytes[kHeaderSize + kMaxPayload] = {};
  int32_t length = 0;
};

// What one received datagram leads to.
struct ViscaIpInput {
  // For the engine: a reply, or an acknowledge and the completion behind it.
  uint8_t packet[ViscaIpDatagram::kMaxPayload] = {};
  int32_t packetLength = 0;  // 0: none
  ViscaIpDatagram send[2];   // to send now, in order
  int32_t sendCount = 0;
  bool messageTypeRefused = false;  // the camera does not take this kind of message
  // A reply to a message no longer awaited: dropped, for the trace only.
  uint8_t late[ViscaIpDatagram::kMaxPayload] = {};
  int32_t lateLength = 0;  // 0: none
};

class ViscaIpSession {
 public:
  static constexpr uint32_t kResendMs = 100;
  static constexpr uint32_t kNoResend = 0xFFFFFFFFu;

  // Starts the numbering afresh: the RESET to send when the line opens.
  void Open(uint32_t now, ViscaIpDatagram* out);
  // Wraps a VISCA packet (8x 09 ...: inquiry, else command) as the next
  // message. False when the packet cannot be one (empty or too long).
  bool Send(const uint8_t* packet, int32_t length, uint32_t now, ViscaIpDatagram* out);
  // A datagram from the camera. Whatever disagrees with the rules is dropped
  // and leaves `in` empty.
  void Receive(const uint8_t* data, int32_t length, uint32_t now, ViscaIpInput* in);
  // The resend due at `now`, if one is.
  bool TakeResend(uint32_t now, ViscaIpDatagram* out);
  // Milliseconds until a resend falls due; kNoResend when none will.
  uint32_t MsToResend(uint32_t now) const;
  // No reply to any message sent so far is awaited any longer: not resent,
  // and what still comes for them is late.
  void GiveUp();

 private:
  void SendMessage(uint16_t type, const uint8_t* payload, int32_t length, uint32_t now, ViscaIpDatagram* out);
  void AnswerSequenceError(uint32_t now, ViscaIpInput* in);
  void ReceiveForPrevious(uint32_t type, const uint8_t* payload, int32_t length, ViscaIpInput* in);
  void KeepLate(uint32_t type, uint32_t sequence, const uint8_t* payload, int32_t length, ViscaIpInput* in) const;

  ViscaIpDatagram last;  // the awaited message as it went out
  uint32_t nextSequence = 0;
  bool awaiting = false;  // `last` went out and its number is awaited
  bool answered = false;  // something came back for it: no resend
  bool resent = false;    // its one resend is used up
  uint32_t sentTick = 0;
  uint8_t kindsPassed = 0;  // reply kinds (acknowledge, completion, error) already passed on for `last`
  // The message sent before `last`, while its completion or error is due.
  bool previousOpen = false;
  uint32_t previousSequence = 0;
  uint8_t previousKinds = 0;
  bool previousCommand = false;
  // The numbers of the messages given up last (since the RESET): a reply that
  // carries one is late; a repeat for a message answered in full is not.
  static constexpr int32_t kGivenUpKept = 4;
  uint32_t givenUp[kGivenUpKept] = {};
  int32_t givenUpCount = 0;
  int32_t givenUpNext = 0;
  void NoteGivenUp(uint32_t sequence);
  bool WasGivenUp(uint32_t sequence) const;
};
