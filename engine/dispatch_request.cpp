#include "engine/dispatch_request.h"

#include "engine/camera_controller.h"
#include "engine/engine_state.h"
#include "engine/panel_hooks.h"
#include "engine/transmission.h"
#include "engine/video_registers.h"
#include "requests/camera_models.h"
#include "requests/request_codes.h"
#include "requests/value_scales.h"
#include "requests/zoom_scale.h"

namespace {

// The preset numbers a save names, and what it sends when none is checked.
constexpr int32_t kFirstPreset = 1;
constexpr int32_t kLastPreset = 5;
constexpr int kNoPreset = 0x7F;

// VISCA digit fields: each 4-bit digit in the low half of its own byte.
int Digit(int32_t value, int shift) { return (value >> shift) & 0x0F; }

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
  Hooks().showFocus(r);
  r.focusAuto = a;
  r.focusAutoRequest = a;
  SendSwitch(c, 0x38, (a & 0x0F) != 0);
}

void FocusDirect(CameraController* c, CameraRecord& r, int32_t a) {
  if (r.focusAuto != 0) return;
  r.focusRequest = FocusForward(a, FocusSpanOfModel(r.modelCode));
  if (r.focusRequest == r.focusPos) return;
  SendWord(c, 0x48, r.focusRequest);
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
  Hooks().showExposure(r);
  r.aeModeRequest = r.aeMode;
  int mode = 0x00;
  if ((a & 0x0F) == 0) mode = r.modelCode == kModelWithoutBrightMode ? AE_MANUAL : AE_BRIGHT;
  SendByte(c, 0x39, mode);
}

void AeManual(CameraController* c, CameraRecord& r) {
  r.aeMode = AE_MANUAL;
  r.aeModeRequest = AE_MANUAL;
  Hooks().showExposure(r);
  SendByte(c, 0x39, 0x03);
}

// Fixed LED white balance gain, shown on the Setup dialog and always sent.
void LedGain(CameraController* c, int cmd, int32_t gain, void (*show)(int32_t)) {
  show(gain);
  SendLowByte(c, cmd, gain);
}

// A direct setting: stored as requested, sent only when the camera reports
// something else.
void SendIfChanged(CameraController* c, int cmd, SharedInt& request, int32_t a, int32_t reported) {
  request = a;
  if (request == reported) return;
  SendLowByte(c, cmd, request);
}

// The preset checked in Setup, or kNoPreset when none is.
int CheckedPreset() {
  int32_t preset = Hooks().checkedPreset();
  return preset >= kFirstPreset && preset <= kLastPreset ? preset : kNoPreset;
}

void CarryOut(CameraController* c, CameraRecord& r, uint32_t code, int32_t a) {
  switch (code) {
    case REQ_ZOOM_DIRECT:
      r.zoomRequest = ZoomForward(ZoomTableOfModel(r.modelCode), a);
      SendWord(c, 0x47, r.zoomRequest);
      break;
    case REQ_SEND_26_00:
      SendByte(c, 0x26, 0x00);
      break;
    case REQ_FOCUS_AUTO:
      FocusAuto(c, r, a);
      break;
    case REQ_FOCUS_DIRECT:
      FocusDirect(c, r, a);
      break;
    case REQ_EXPOSURE_LEVEL:
      ExposureLevel(c, r, a);
      break;
    case REQ_AE_AUTO:
      AeAuto(c, r, a);
      break;
    case REQ_AE_MANUAL:
      AeManual(c, r);
      break;
    case REQ_GAIN_DEFAULT:
      SendWord(c, 0x4C, 2);
      break;
    case REQ_SHUTTER_RESET:
      SendByte(c, 0x0A, 0x00);
      break;
    case REQ_IRIS_DIRECT:
      if (r.aeMode == AE_MANUAL) SendIfChanged(c, 0x4B, r.irisRequest, a, r.irisPos);
      break;
    case REQ_EFFECT_BW:
    case REQ_EFFECT_NEGATIVE:
    case REQ_EFFECT_NORMAL: {
      static const int kEffect[] = {4, 2, 0};
      r.pictureEffect = kEffect[code - REQ_EFFECT_BW];
      SendByte(c, 0x63, r.pictureEffect);
      break;
    }
    case REQ_GAMMA_NORMAL:
    case REQ_GAMMA_TYPE1:
    case REQ_GAMMA_TYPE2:
      r.gamma = static_cast<int32_t>(code - REQ_GAMMA_NORMAL);
      SendByte(c, 0x5B, r.gamma);
      break;
    case REQ_VIDEO_1080I_5994:
    case REQ_VIDEO_720P_5994:
    case REQ_VIDEO_NTSC:
    case REQ_VIDEO_1080I_50:
    case REQ_VIDEO_720P_50:
    case REQ_VIDEO_PAL:
    case REQ_VIDEO_1080P_5994:
    case REQ_VIDEO_1080P_50:
    case REQ_VIDEO_1080P_2997:
    case REQ_VIDEO_1080P_25: {
      r.videoOutReg = a;
      VideoRegisterWrite w = VideoRegisterWriteOf(code, r.modelCode);
      SendPacket(c, TX_COMMAND, 0x01, 0x04, 0x24, w.reg, Digit(w.value, 4), Digit(w.value, 0), -1);
      break;
    }
    case REQ_ROTATE_TOGGLE:
      r.pictureFlip = r.pictureFlip == 3 ? 2 : 3;
      SendSwitch(c, 0x66, r.pictureFlip == 2);
      break;
    case REQ_SHARPNESS_DIRECT:
      SendIfChanged(c, 0x42, r.apertureRequest, a, r.aperture);
      break;
    case REQ_WB_COLD:
      r.wbMode = 1;
      SendByte(c, 0x35, 0x01);
      break;
    case REQ_WB_WARM:
      r.wbMode = 2;
      SendByte(c, 0x35, 0x02);
      break;
    case REQ_WB_LED:
      r.wbMode = 6;
      SendByte(c, 0x35, 0x05);
      break;
    case REQ_R_GAIN_LED:
      r.rGainRequest = 205;
      r.rGain = 205;
      LedGain(c, 0x43, 205, Hooks().showRedGain);
      break;
    case REQ_B_GAIN_LED:
      r.bGainRequest = 168;
      r.bGain = 168;
      LedGain(c, 0x44, 168, Hooks().showBlueGain);
      break;
    case REQ_WB_AUTO:
      r.wbMode = 0;
      SendByte(c, 0x35, 0x00);
      break;
    case REQ_WB_MANUAL:
      r.wbMode = 5;
      SendByte(c, 0x35, 0x05);
      break;
    case REQ_WB_ONE_PUSH:
      r.wbMode = 3;
      SendByte(c, 0x35, 0x03);
      break;
    case REQ_WB_ONE_PUSH_TRIGGER:
      r.wbMode = 3;
      SendByte(c, 0x10, 0x05);
      break;
    case REQ_R_GAIN_DIRECT:
      SendIfChanged(c, 0x43, r.rGainRequest, a, r.rGain);
      break;
    case REQ_B_GAIN_DIRECT:
      SendIfChanged(c, 0x44, r.bGainRequest, a, r.bGain);
      break;
    case REQ_EXP_COMP_DIRECT:
      if (r.aeMode == AE_FULL_AUTO) SendIfChanged(c, 0x4E, r.expCompRequest, a, r.expCompPos);
      break;
    case REQ_NIR_VISION:
      r.icrRequest = a;
      r.icrMode = a;
      SendSwitch(c, 0x01, (a & 0x0F) != 0);
      break;
    case REQ_POWER:
      r.powerRequest = a;
      r.powerSwitch = a;
      reinitOnNack = 1;
      SendSwitch(c, 0x00, (a & 0x0F) != 0);
      break;
    case REQ_FREEZE:
      r.freezeOn = a;
      SendSwitch(c, 0x62, a == 1);
      break;
    case REQ_PRESET_SAVE:
      SendPacket(c, TX_PRESET_SAVE, 0x01, 0x04, 0x3F, 0x01, CheckedPreset(), -1);
      break;
    case REQ_SAVE_AND_CLOSE: {
      SendPacket(c, TX_PRESET_SAVE, 0x01, 0x04, 0x3F, 0x01, 0x7F, -1);
      Hooks().closeSetup();
      break;
    }
    case REQ_PRESET_RECALL_1:
    case REQ_PRESET_RECALL_2:
    case REQ_PRESET_RECALL_3:
    case REQ_PRESET_RECALL_4:
    case REQ_PRESET_RECALL_5:
      SendPacket(c, TX_COMMAND, 0x01, 0x04, 0x3F, 0x02, static_cast<int>(code - 47), -1);
      break;
    default:
      break;
  }
}

}  // namespace

void DispatchRequest(CameraController* c) {
  uint32_t cameraIndex, code, a, b;
  if (!c->requestQueue->TryGet(cameraIndex, code, a, b)) return;
  // The index word is unsigned: a negative index arrives as a huge one.
  int32_t count = c->cameraCount.load();
  if (count <= 0 || cameraIndex >= static_cast<uint32_t>(count) || cameraIndex >= kMaxCameras) return;
  int32_t index = static_cast<int32_t>(cameraIndex);
  // The transaction's camera and port are fixed here, before any control call
  // can let the user-interface thread run.
  BeginWork(c, static_cast<int32_t>(code), index);
  CarryOut(c, c->cameras[index], code, static_cast<int32_t>(a));
}
