// The replies of the pan/tilt transactions, and the late ones of a Home or an
// absolute move, which come on the socket its acknowledge named while the
// line has gone on to other work.
#include "engine/conversation/engine_state.h"
#include "engine/conversation/transmission.h"
#include "engine/core/panel_hooks.h"
#include "engine/motion/motion.h"
#include "requests/pan_tilt.h"
#include "requests/visca_packet.h"

namespace {

constexpr uint8_t kSocketMask = 0x0F;
constexpr uint8_t kCompletionLength = 3;
// A reply's header is (8 + address) << 4.
constexpr int32_t kReplyAddressOffset = 8;
constexpr int32_t kHeaderAddressShift = 4;

uint8_t Kind(const CameraController* c) { return c->packetBuffer[1] & kReplyKindMask; }

MovementSlot& CurrentSlot(CameraController* c) {
  const int32_t i = c->camera.load();
  return c->movements[i >= 0 && i < kMaxCameras ? i : 0];
}

void Post(CameraController* c, uint32_t code, int32_t value) {
  c->notifyQueue->Put(static_cast<uint32_t>(c->camera.load()), code, static_cast<uint32_t>(value), 0);
}

// False when the answer is not a position; `changed` tells whether it moved.
bool StorePosition(CameraController* c, bool* changed) {
  int32_t pan = 0, tilt = 0;
  if (!DecodePanTiltPosition(c->packetBuffer, c->packetLength, &pan, &tilt)) return false;
  CameraRecord& r = c->Current();
  *changed = r.panPos != pan || r.tiltPos != tilt;
  r.panPos = pan;
  r.tiltPos = tilt;
  return true;
}

void PostPosition(CameraController* c) {
  Post(c, NOTIFY_PAN_POSITION, c->Current().panPos);
  Post(c, NOTIFY_TILT_POSITION, c->Current().tiltPos);
}

// The maxima came (or were refused): the camera pans and tilts from now on.
void Found(CameraController* c, bool answered) {
  CameraRecord& r = c->Current();
  int32_t pan = kDefaultPanMaxSpeed, tilt = kDefaultTiltMaxSpeed;
  if (answered) DecodeMaxSpeeds(c->packetBuffer, c->packetLength, &pan, &tilt);
  r.panMax = pan;
  r.tiltMax = tilt;
  r.panTilt = 1;
  Post(c, NOTIFY_PAN_TILT, 1);
  PostPosition(c);
  FinishTransaction(c);
}

// An answer, or an error in its place: asking whether a camera pans and
// tilts shows no text, whatever it answers.
bool TakeAnswer(CameraController* c) {
  const bool error = Kind(c) == kError;
  if (!error && c->packetLength < kMinAnswerLength) return true;  // not the answer: it may still come
  bool changed = false;
  switch (c->transaction.load()) {
    case TX_PROBE_PAN_TILT:
      if (!error && StorePosition(c, &changed)) {
        uint8_t payload[kPanTiltPayloadCapacity];
        SendPayload(c, TX_ASK_PAN_TILT_MAX_SPEED, payload, MaxSpeedInquiryPayload(payload));
        return true;
      }
      if (error && c->Current().panTilt != 0) {
        c->Current().panTilt = 0;
        Post(c, NOTIFY_PAN_TILT, 0);
      }
      break;
    case TX_ASK_PAN_TILT_MAX_SPEED:
      Found(c, !error);
      return true;
    default:
      // The idle poll asks again and again: only a move is news.
      if (!error && StorePosition(c, &changed) && changed) PostPosition(c);
      break;
  }
  FinishTransaction(c);
  return true;
}

// A Home or absolute move is on its way once acknowledged: the line is free
// again, and its completion is told apart by the socket.
void OnItsWay(CameraController* c) {
  MovementSlot& slot = CurrentSlot(c);
  const uint8_t socket = c->packetBuffer[1] & kSocketMask;
  slot.since = OsTickCount();
  // Socket 0 is the answers' own: such a completion cannot be told apart,
  // so the position is read now rather than on arrival.
  if (socket != 0) {
    slot.sockets |= 1u << socket;
    slot.newest = 1u << socket;
    slot.overtaken.store(false);
    slot.onItsWay.store(true);
  }
  slot.positionDue = socket == 0;
  FinishTransaction(c);
}

// A stop, or a Home or absolute move completed without an acknowledge: where
// the head stands is read.
void DriveCompleted(CameraController* c) {
  MovementSlot& slot = CurrentSlot(c);
  if (slot.stopInFlight || c->transaction.load() != TX_PAN_TILT_DRIVE) slot.positionDue = true;
  slot.stopInFlight = false;
  FinishTransaction(c);
}

// A drive, stop, Home or absolute command's reply.
bool TakeCommandReply(CameraController* c) {
  const uint8_t kind = Kind(c);
  if (kind == kError) {
    ShowErrorAnswer(c);
    // A refused drive, Home or absolute move leaves the head as it was; a
    // refused stop is not sent again.
    MovementSlot& slot = CurrentSlot(c);
    if (!slot.stopInFlight) {
      slot.driving.store(slot.drivingBefore);
      slot.overtaken.store(slot.overtakenBefore);
    }
    slot.stopInFlight = false;
    AbandonTransaction(c);
  } else if (kind == kAcknowledge && c->stage.load() == STAGE_ACK) {
    if (c->transaction.load() == TX_PAN_TILT_DRIVE)
      AwaitCompletion(c);
    else
      OnItsWay(c);
  } else if (kind == kCompletion) {
    ShortenTimeout(c);
    DriveCompleted(c);
  } else {
    ShowStatus(c, c->stage.load() == STAGE_ACK ? "No ACK-c (%02X)" : "No Complete (%02X)", c->packetBuffer[1]);
  }
  return true;
}

int32_t SenderOf(const CameraController* c, int32_t line, uint8_t header) {
  const int32_t address = (header >> kHeaderAddressShift) - kReplyAddressOffset;
  const int32_t count = c->cameraCount.load();
  for (int32_t i = 0; i < count && i < kMaxCameras; i++)
    if (c->cameras[i].line == line && c->cameras[i].address == address) return i;
  return -1;
}

}  // namespace

bool MotionTakesReply(CameraController* c) {
  switch (c->transaction.load()) {
    case TX_PAN_TILT_DRIVE:
    case TX_PAN_TILT_HOME:
    case TX_PAN_TILT_ABSOLUTE:
      return TakeCommandReply(c);
    case TX_ASK_PAN_TILT_POSITION:
    case TX_PROBE_PAN_TILT:
    case TX_ASK_PAN_TILT_MAX_SPEED:
      return TakeAnswer(c);
    default:
      return false;
  }
}

bool TakeMovementReply(CameraController* c, int32_t line, const uint8_t* packet, uint32_t length) {
  if (length < kCompletionLength) return false;
  const int32_t sender = SenderOf(c, line, packet[0]);
  if (sender < 0) return false;
  MovementSlot& slot = c->movements[sender];
  const uint8_t kind = packet[1] & kReplyKindMask;
  const uint32_t socket = 1u << (packet[1] & kSocketMask);
  // An overtaken move's socket is matched too: its cancel may come late.
  if ((slot.sockets & socket) == 0) return false;
  if (kind != kAcknowledge && kind != kError && !(kind == kCompletion && length == kCompletionLength)) return false;
  slot.sockets &= ~socket;
  if (socket == slot.newest) {
    slot.newest = 0;
    slot.onItsWay.store(false);
    slot.overtaken.store(false);
  }
  slot.positionDue = true;
  // Its socket acknowledging another command means the move is over, heard or not.
  return kind != kAcknowledge;
}
