// The VISCA conversation as one table: a row per transaction code with the
// packet it sends, what its reply fills in the camera record, which step of
// initialisation or of the setting chain follows, and what the read-back
// after a user command does with it.
#pragma once

#include "engine/core/camera_controller.h"

#include <cstdint>
#include <initializer_list>

// How a row's payload depends on the camera or on the occasion.
enum PayloadRule : uint8_t {
  PAYLOAD_FIXED,
  PAYLOAD_NARROW_ALT,      // the alternative payload for models outside the wide-range group
  PAYLOAD_GAIN_ON_0x40,    // the alternative payload for the model without a brightness inquiry
  PAYLOAD_READ_BACK_ALT,   // the alternative payload when a read-back (not the chain) asks
  PAYLOAD_LAST_PRESET,     // the camera's last preset (1 for none) appended
  PAYLOAD_VIDEO_REGISTER,  // the model's video output register appended
};

// How an answer becomes a record value.
enum Decode : uint8_t {
  DECODE_NOTHING,     // a completion, or an answer that stores nothing
  DECODE_BYTE,        // byte 2
  DECODE_ON,          // 1 when byte 2 is 2, else 0
  DECODE_WORD,        // four nibbles from byte 2
  DECODE_REGISTER,    // two nibbles from byte 2
  DECODE_MODEL,       // byte 5
  DECODE_R_GAIN,      // four nibbles; manual white balance with the LED gains is "LED"
  DECODE_BRIGHTNESS,  // four nibbles, or the emulated brightness of model 0x40
};

// Which model decides between a row's two successors.
enum ModelTest : uint8_t { TEST_NONE, TEST_WIDE_RANGE, TEST_IR_CUT_INQUIRY, TEST_ZOOM_20X };

// When the read-back posts its notification.
enum NotifyWhen : uint8_t {
  WHEN_NEVER,
  WHEN_ALWAYS,
  WHEN_AE_MANUAL,     // the camera's exposure mode is manual
  WHEN_IRIS_CLEARED,  // panel check box "Iris" cleared
  WHEN_AUTO_CHECKED,  // panel check box "Auto" (exposure) checked
};

// What the read-back notifies: the field, or the shutter's slider position.
enum NotifyValue : uint8_t { VALUE_FIELD, VALUE_SHUTTER_SLIDER };

// When the read-back asks again before it finishes.
enum Reask : uint8_t {
  REASK_NEVER,
  REASK_UNTIL_REQUESTED,  // the value differs from the requested one, inside the re-inquiry window
  REASK_WHILE_MOVING,     // the focus rule
};

constexpr int32_t kMaxPayload = 8;
// A successor code that ends the setting chain.
constexpr int32_t kChainEnd = -1;

struct Payload {
  uint8_t bytes[kMaxPayload] = {};
  uint8_t length = 0;
  constexpr Payload() = default;
  constexpr Payload(std::initializer_list<uint8_t> list) {
    for (uint8_t b : list)
      if (length < kMaxPayload) bytes[length++] = b;
  }
};

// One row; the builders below keep the table readable.
struct TransactionRow {
  TransactionCode code = TX_NONE;
  Payload payload;
  Payload alternative;
  PayloadRule payloadRule = PAYLOAD_FIXED;
  SharedInt CameraRecord::*field = nullptr;  // filled from the answer
  Decode decode = DECODE_NOTHING;
  int32_t next = kChainEnd;  // the chain's next code after the reply
  ModelTest nextTest = TEST_NONE;
  int32_t nextOtherwise = kChainEnd;  // when nextTest fails
  bool chainAlways = false;           // the next step follows whatever `followUp` is
  bool marksRecall = false;           // the answer checks the panel's Recall button
  uint32_t notifyCode = 0;            // the read-back's notification; 0 for none
  NotifyWhen notifyWhen = WHEN_NEVER;
  NotifyValue notifyValue = VALUE_FIELD;
  SharedInt CameraRecord::*notifyField = nullptr;
  Reask reask = REASK_NEVER;
  SharedInt CameraRecord::*requested = nullptr;  // compared by REASK_UNTIL_REQUESTED

  constexpr TransactionRow Alt(PayloadRule rule, Payload other) const {
    TransactionRow r = *this;
    r.payloadRule = rule;
    r.alternative = other;
    return r;
  }
  constexpr TransactionRow WithLastPreset() const {
    TransactionRow r = *this;
    r.payloadRule = PAYLOAD_LAST_PRESET;
    return r;
  }
  constexpr TransactionRow Stores(SharedInt CameraRecord::*f, Decode d) const {
    TransactionRow r = *this;
    r.field = f;
    r.decode = d;
    r.notifyField = f;
    return r;
  }
  constexpr TransactionRow Then(int32_t code) const { return ThenIf(TEST_NONE, code, code); }
  constexpr TransactionRow ThenIf(ModelTest test, int32_t yes, int32_t no) const {
    TransactionRow r = *this;
    r.nextTest = test;
    r.next = yes;
    r.nextOtherwise = no;
    return r;
  }
  constexpr TransactionRow Always() const {
    TransactionRow r = *this;
    r.chainAlways = true;
    return r;
  }
  constexpr TransactionRow MarksRecall() const {
    TransactionRow r = *this;
    r.marksRecall = true;
    return r;
  }
  constexpr TransactionRow Notifies(uint32_t code, NotifyWhen when = WHEN_ALWAYS) const {
    TransactionRow r = *this;
    r.notifyCode = code;
    r.notifyWhen = when;
    return r;
  }
  constexpr TransactionRow NotifyingField(SharedInt CameraRecord::*f, NotifyValue v = VALUE_FIELD) const {
    TransactionRow r = *this;
    r.notifyField = f;
    r.notifyValue = v;
    return r;
  }
  constexpr TransactionRow AsksAgain(Reask rule, SharedInt CameraRecord::*request = nullptr) const {
    TransactionRow r = *this;
    r.reask = rule;
    r.requested = request;
    return r;
  }
};

constexpr TransactionRow Row(TransactionCode code, Payload payload) {
  TransactionRow r;
  r.code = code;
  r.payload = payload;
  r.alternative = payload;
  return r;
}

// The row of a transaction code; null for a code without one.
const TransactionRow* FindTransaction(int32_t code);
// Sends the row's packet to the current camera, its payload chosen by the
// row's rule; `readBack` tells a read-back's inquiry from the chain's. A code
// without a row sends nothing.
void SendTransaction(CameraController* c, int32_t code, bool readBack = false);
// A command (01 ...) is answered by acknowledge and completion, an inquiry by an answer.
inline bool IsCommand(const TransactionRow& row) { return row.payload.bytes[0] == 0x01; }
// The successor of a row for a camera of this model.
int32_t NextOf(const TransactionRow& row, int32_t modelCode);
