#include "engine/dispatch/dispatch_request.h"

#include "engine/conversation/engine_state.h"
#include "engine/conversation/transmission.h"
#include "engine/core/camera_controller.h"
#include "engine/core/panel_hooks.h"
#include "engine/dispatch/raw_command.h"
#include "engine/dispatch/request_table.h"
#include "engine/dispatch/video_registers.h"
#include "requests/camera_models.h"
#include "requests/preset_numbers.h"
#include "requests/request_codes.h"
#include "requests/value_scales.h"
#include "requests/zoom_scale.h"

namespace {

// The preset numbers a save names, and what it sends when none is checked.
constexpr int32_t kFirstPreset = 1;
constexpr int32_t kLastPreset = 5;
constexpr int kNoPreset = 0x7F;

// VISCA digit fields: each 4-bit digit in the low half of its own byte.
constexpr int32_t kLowDigit = 0x0F;
int Digit(int32_t value, int shift) { return (value >> shift) & kLowDigit; }

// 01 04 cmd 0p 0q 0r 0s: a 16-bit value.
void SendWord(CameraController* c, int cmd, int32_t value) {
  SendPacket(c, TX_COMMAND, 0x01, 0x04, cmd, Digit(value, 12), Digit(value, 8), Digit(value, 4), Digit(value, 0), -1);
}

// 01 04 cmd 00 00 0p 0q: the low byte of a value; its upper bits are not sent.
void SendLowByte(CameraController* c, int cmd, int32_t value) {
  SendPacket(c, TX_COMMAND, 0x01, 0x04, cmd, 0x00, 0x00, Digit(value, 4), Digit(value, 0), -1);
}

// 01 04 cmd arg.
void SendByte(CameraController* c, int cmd, int arg) { SendPacket(c, TX_COMMAND, 0x01, 0x04, cmd, arg, -1); }

// 02 switches on, 03 off.
void SendSwitch(CameraController* c, int cmd, bool on) { SendByte(c, cmd, on ? 0x02 : 0x03); }

void FocusAuto(CameraController* c, CameraRecord& r, int32_t a) {
  Hooks(c).showFocus(c, SnapshotOf(r));
  r.focusAuto = a;
  r.focusAutoRequest = a;
  SendSwitch(c, 0x38, (a & kLowDigit) != 0);
}

// Model 0x40 has no Bright mode: brightness is iris and gain, sent back to
// back. The transaction waits for the second command; the send absorbs the
// first one's acknowledge and completion on the way.
void EmulatedBrightness0x40(CameraController* c, int32_t b) {
  EmulatedBrightness e = EmulatedBrightnessOf(b);
  if (e.gainFirst) {
    SendLowByte(c, 0x4C, e.gain);
    SendLowByte(c, 0x4B, e.iris);
  } else {
    SendLowByte(c, 0x4B, e.iris);
    SendLowByte(c, 0x4C, e.gain);
  }
}

void ExposureLevel(CameraController* c, CameraRecord& r, int32_t a) {
  switch (r.aeMode) {
    case AE_BRIGHT:
      r.brightRequest = a;
      if (r.brightRequest == r.brightPos) return;
      if (r.modelCode == kModelWithoutBrightMode)
        EmulatedBrightness0x40(c, a);
      else
        SendLowByte(c, 0x4D, a);
      return;
    case AE_MANUAL:
      r.shutterRequest = ShutterPositionOfSlider(a);
      if (r.shutterRequest == r.shutterPos) return;
      SendLowByte(c, 0x4A, r.shutterRequest);
      return;
    default:
      return;
  }
}

void AeAuto(CameraController* c, CameraRecord& r, int32_t a) {
  r.aeMode = a != 0 ? AE_FULL_AUTO : AE_BRIGHT;
  Hooks(c).showExposure(c, SnapshotOf(r));
  r.aeModeRequest = r.aeMode;
  int mode = AE_FULL_AUTO;
  if ((a & kLowDigit) == 0) mode = r.modelCode == kModelWithoutBrightMode ? AE_MANUAL : AE_BRIGHT;
  SendByte(c, 0x39, mode);
}

void AeManual(CameraController* c, CameraRecord& r) {
  r.aeMode = AE_MANUAL;
  r.aeModeRequest = AE_MANUAL;
  Hooks(c).showExposure(c, SnapshotOf(r));
  SendByte(c, 0x39, AE_MANUAL);
}

// The preset checked in Setup, or kNoPreset when none is.
int CheckedPreset(CameraController* c) {
  int32_t preset = Hooks(c).checkedPreset(c);
  return preset >= kFirstPreset && preset <= kLastPreset ? preset : kNoPreset;
}

void SavePreset(CameraController* c) { SendPacket(c, TX_PRESET_SAVE, 0x01, 0x04, 0x3F, 0x01, CheckedPreset(c), -1); }

void SaveAndClose(CameraController* c) {
  SendPacket(c, TX_PRESET_SAVE, 0x01, 0x04, 0x3F, 0x01, kNoPreset, -1);
  Hooks(c).closeSetup(c);
}

// A plain row: its command with the value as the row encodes it.
void Send(CameraController* c, const CameraRecord& r, const RequestRow& row, int32_t value) {
  switch (row.encoding) {
    case ENCODE_BYTE:
      SendByte(c, row.command, value);
      break;
    case ENCODE_WORD:
      SendWord(c, row.command, value);
      break;
    case ENCODE_LOW_BYTE:
      SendLowByte(c, row.command, value);
      break;
    case ENCODE_SWITCH:
      SendSwitch(c, row.command, (value & kLowDigit) != 0);
      break;
    case ENCODE_SWITCH_IF_ONE:
      SendSwitch(c, row.command, value == 1);
      break;
    case ENCODE_FIXED:
      SendByte(c, row.command, row.fixedByte);
      break;
    case ENCODE_FIXED_THEN_BYTE:
      SendPacket(c, TX_COMMAND, 0x01, 0x04, row.command, row.fixedByte, value, -1);
      break;
    case ENCODE_VIDEO_REGISTER: {
      VideoRegisterWrite w = VideoRegisterWriteOf(row.code, r.modelCode);
      SendPacket(c, TX_COMMAND, 0x01, 0x04, row.command, w.reg, Digit(w.value, 4), Digit(w.value, 0), -1);
      break;
    }
  }
}

// Each special case with what it takes of the request: the argument as it
// came, or the row's command and value.
void RunSpecial(CameraController* c, CameraRecord& r, const RequestRow& row, int32_t value, int32_t a) {
  switch (row.special) {
    case SPECIAL_FOCUS_AUTO:
      FocusAuto(c, r, a);
      break;
    case SPECIAL_EXPOSURE_LEVEL:
      ExposureLevel(c, r, a);
      break;
    case SPECIAL_AE_AUTO:
      AeAuto(c, r, a);
      break;
    case SPECIAL_AE_MANUAL:
      AeManual(c, r);
      break;
    // The fixed LED gains are shown on the Setup dialog, then always sent.
    case SPECIAL_R_GAIN_LED:
      Hooks(c).showRedGain(c, value);
      Send(c, r, row, value);
      break;
    case SPECIAL_B_GAIN_LED:
      Hooks(c).showBlueGain(c, value);
      Send(c, r, row, value);
      break;
    case SPECIAL_PRESET_SAVE:
      SavePreset(c);
      break;
    case SPECIAL_SAVE_AND_CLOSE:
      SaveAndClose(c);
      break;
    case SPECIAL_NONE:
      break;
  }
}

bool Allowed(Guard guard, const CameraRecord& r, int32_t a) {
  switch (guard) {
    case GUARD_FOCUS_MANUAL:
      return r.focusAuto == 0;
    case GUARD_AE_MANUAL:
      return r.aeMode == AE_MANUAL;
    case GUARD_AE_FULL_AUTO:
      return r.aeMode == AE_FULL_AUTO;
    case GUARD_PRESET_RANGE:
      return IsPresetOf(a, r.panTilt == 1);
    default:
      return true;
  }
}

int32_t ValueOf(const RequestRow& row, const CameraRecord& r, int32_t a) {
  switch (row.value) {
    case VALUE_CONSTANT:
      return row.constant;
    case VALUE_ZOOM:
      return ZoomForward(ZoomTableOfModel(r.modelCode), a);
    case VALUE_FOCUS:
      return FocusForward(a, FocusSpanOfModel(r.modelCode));
    case VALUE_FLIP_TOGGLED:
      return r.pictureFlip == FLIP_OFF ? FLIP_ON : FLIP_OFF;
    default:
      return a;
  }
}

// A request's walk over its row: nothing unless its guard holds; the value
// stored as requested (and where the row says, as the record's); nothing sent
// when the camera already reports it; then the send or the special case.
void CarryOut(CameraController* c, CameraRecord& r, const RequestRow& row, int32_t a) {
  if (!Allowed(row.guard, r, a)) return;
  const int32_t value = ValueOf(row, r, a);
  if (row.requested) r.*row.requested = value;
  if (row.field && row.onlyIfChanged && value == r.*row.field) return;
  if (row.field && !row.onlyIfChanged) r.*row.field = value;
  if (row.rearmsRestart) c->reinitOnNack = 1;
  if (row.special != SPECIAL_NONE)
    RunSpecial(c, r, row, value, a);
  else
    Send(c, r, row, value);
}

}  // namespace

void DispatchRequest(CameraController* c) {
  uint32_t cameraIndex, code, a, b;
  if (!c->requestQueue->TryGet(cameraIndex, code, a, b)) return;
  if (code == kRawRequestCode) return CarryOutRawCommand(c, cameraIndex, a);
  // The index word is unsigned: a negative index arrives as a huge one.
  int32_t count = c->cameraCount.load();
  if (count <= 0 || cameraIndex >= static_cast<uint32_t>(count) || cameraIndex >= kMaxCameras) return;
  int32_t index = static_cast<int32_t>(cameraIndex);
  if (!CameraReachable(c, index)) return;  // a camera out of reach would only wait out its time-out
  // The transaction's camera and line are fixed here, before any control call
  // can let the user-interface thread run.
  BeginWork(c, static_cast<int32_t>(code), index);
  if (const RequestRow* row = FindRequest(code)) CarryOut(c, c->cameras[index], *row, static_cast<int32_t>(a));
}
