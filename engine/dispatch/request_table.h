// The requests the panel puts into requestQueue as one table: a row per
// request code with the command it sends (8x 01 04 command ... FF), how its
// value goes into it, what the value is, the record fields it writes, when it
// sends nothing, and which named special case runs instead of the plain send.
#pragma once

#include "engine/core/camera_controller.h"

#include <cstdint>

// How the value goes into the command after 01 04 command.
enum Encoding : uint8_t {
  ENCODE_BYTE,             // the value as one byte
  ENCODE_WORD,             // 0p 0q 0r 0s: the four digits of a 16-bit value
  ENCODE_LOW_BYTE,         // 00 00 0p 0q: the two digits of the low byte; the upper bits are not sent
  ENCODE_SWITCH,           // on (02) when the value's low digit is not 0, else off (03)
  ENCODE_SWITCH_IF_ONE,    // on (02) only when the value is 1, else off (03)
  ENCODE_FIXED,            // the row's fixed byte; the value is not sent
  ENCODE_FIXED_THEN_BYTE,  // the row's fixed byte, then the value as one byte
  ENCODE_VIDEO_REGISTER,   // rr 0p 0q: the register write of the row's format for the camera's model
};

// What the request's value is.
enum ValueRule : uint8_t {
  VALUE_ARGUMENT,      // the first argument as it came
  VALUE_CONSTANT,      // the row's constant
  VALUE_ZOOM,          // the zoom position of the slider value, by the model's table
  VALUE_FOCUS,         // the focus position of the slider value, by the model's span
  VALUE_FLIP_TOGGLED,  // the picture flip the record does not have
};

// When the request is carried out at all; otherwise it changes nothing.
enum Guard : uint8_t {
  GUARD_NONE,
  GUARD_FOCUS_MANUAL,  // auto focus is off
  GUARD_AE_MANUAL,     // the camera reports manual exposure
  GUARD_AE_FULL_AUTO,  // the camera reports full auto exposure
  GUARD_PRESET_RANGE,  // the argument is a preset number the camera keeps
};

// The requests that are more than a command: they change what the panel
// shows, depend on the exposure mode, or read the Setup dialog.
enum SpecialCase : uint8_t {
  SPECIAL_NONE,
  SPECIAL_FOCUS_AUTO,      // the focus slider shows the reported focus first
  SPECIAL_EXPOSURE_LEVEL,  // brightness or shutter by exposure mode; model 0x40's iris and gain pair
  SPECIAL_AE_AUTO,         // full auto or brightness, with the panel's exposure display
  SPECIAL_AE_MANUAL,       // manual exposure, with the panel's exposure display
  SPECIAL_R_GAIN_LED,      // the fixed gain shown on the Setup dialog, then sent
  SPECIAL_B_GAIN_LED,
  SPECIAL_PRESET_SAVE,  // the preset checked on the Setup dialog
  SPECIAL_SAVE_AND_CLOSE,
};

struct RequestRow {
  uint32_t code = 0;
  uint8_t command = 0;
  Encoding encoding = ENCODE_BYTE;
  uint8_t fixedByte = 0;
  ValueRule value = VALUE_ARGUMENT;
  int32_t constant = 0;
  Guard guard = GUARD_NONE;
  SharedInt CameraRecord::*requested = nullptr;  // := the value
  SharedInt CameraRecord::*field = nullptr;      // := the value, or compared with it (onlyIfChanged)
  bool onlyIfChanged = false;                    // field is the reported value: an equal one sends nothing
  bool rearmsRestart = false;                    // a refusal restarts initialisation again
  SpecialCase special = SPECIAL_NONE;            // runs in place of the send

  constexpr RequestRow Fixed(uint8_t b) const {
    RequestRow r = *this;
    r.fixedByte = b;
    return r;
  }
  constexpr RequestRow Worth(ValueRule rule) const {
    RequestRow r = *this;
    r.value = rule;
    return r;
  }
  constexpr RequestRow Constant(int32_t v) const {
    RequestRow r = Worth(VALUE_CONSTANT);
    r.constant = v;
    return r;
  }
  constexpr RequestRow Only(Guard g) const {
    RequestRow r = *this;
    r.guard = g;
    return r;
  }
  constexpr RequestRow Requested(SharedInt CameraRecord::*f) const {
    RequestRow r = *this;
    r.requested = f;
    return r;
  }
  constexpr RequestRow Stores(SharedInt CameraRecord::*f) const {
    RequestRow r = *this;
    r.field = f;
    return r;
  }
  constexpr RequestRow IfChanged(SharedInt CameraRecord::*reported) const {
    RequestRow r = Stores(reported);
    r.onlyIfChanged = true;
    return r;
  }
  constexpr RequestRow RearmsRestart() const {
    RequestRow r = *this;
    r.rearmsRestart = true;
    return r;
  }
  constexpr RequestRow Through(SpecialCase s) const {
    RequestRow r = *this;
    r.special = s;
    return r;
  }
};

constexpr RequestRow Sends(uint32_t code, uint8_t command, Encoding encoding) {
  RequestRow r;
  r.code = code;
  r.command = command;
  r.encoding = encoding;
  return r;
}

// A request that is a special case through and through.
constexpr RequestRow Special(uint32_t code, SpecialCase special) {
  return Sends(code, 0, ENCODE_BYTE).Through(special);
}

// The row of a request code; null for 11, 42 and codes outside 1..52 and 100..101.
const RequestRow* FindRequest(uint32_t code);
