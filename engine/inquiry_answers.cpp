#include "engine/inquiry_answers.h"

#include "common/control_ids.h"
#include "common/text.h"
#include "engine/link_service.h"
#include "engine/transmission.h"
#include "platform/winapi.h"
#include "requests/value_scales.h"

#include <cstdlib>

namespace {

// Answers carry byte values in byte 2, the model code in byte 5, 16-bit values
// as four nibbles and register values as two nibbles from byte 2 on. The read
// loop clears packetBuffer behind each packet, so these stay defined (and
// inside the buffer) for replies of any length.
int32_t AnswerByte() { return packetBuffer[2]; }
int32_t AnswerModel() { return packetBuffer[5]; }
int32_t AnswerWord() { return static_cast<int32_t>(DecodeNibbles(packetBuffer + 2, 4)); }
int32_t AnswerRegister() { return static_cast<int32_t>(DecodeNibbles(packetBuffer + 2, 2)); }

void Post(CameraController* c, uint32_t code, int32_t value) {
  c->notifyQueue->Put(static_cast<uint32_t>(c->camera.load()), code, static_cast<uint32_t>(value), 0);
}

uint32_t SinceCommand(CameraController* c) { return OsTickCount() - c->cmdTick.load(); }

// A read-back asks again while the camera still moves towards the request.
bool InsideReinquiryWindow(CameraController* c) { return SinceCommand(c) < 1000; }

bool PanelChecked(int id) { return IsDlgButtonChecked(hPage[0], id) == BST_CHECKED; }

void AskBrightness(CameraController* c) {
  SendPacket(c, 27, 0x09, 0x04, c->Current().modelCode == 0x40 ? 0x4C : 0x4D, -1);
}

void AskVideoOut(CameraController* c) {
  SendPacket(c, 36, 0x09, 0x04, 0x24, IsWideRangeModel(c->Current().modelCode) ? 0x72 : 0x70, -1);
}

void AskFocus(CameraController* c) { SendPacket(c, 23, 0x09, 0x04, 0x48, -1); }
void AskShutter(CameraController* c) { SendPacket(c, 24, 0x09, 0x04, 0x4A, -1); }
void AskIris(CameraController* c) { SendPacket(c, 41, 0x09, 0x04, 0x4B, -1); }
void AskExpComp(CameraController* c) { SendPacket(c, 38, 0x09, 0x04, 0x4E, -1); }

enum RereadStart { REREAD_FROM_ZOOM, REREAD_FROM_WHITE_BALANCE };

// Runs the setting chain again for the current camera; its end returns the
// engine to idle instead of moving to the next camera.
void StartRereading(CameraController* c, RereadStart start) {
  c->followUp = 0;
  c->mode = MODE_IDLE;
  c->cmdTick = OsTickCount();
  reinitChain = 1;
  if (start == REREAD_FROM_ZOOM)
    SendPacket(c, 21, 0x09, 0x04, 0x47, -1);
  else
    SendPacket(c, 32, 0x09, 0x04, 0x35, -1);
  c->timeoutMs = 5000;
  RunPanelRefresh(c, c->camera.load());
}

// Model 0x40 has no brightness inquiry: a gain above 1 stands for the upper
// part of the scale, otherwise the iris is asked under the same code. False
// while that second answer is still to come.
bool StoreBrightness(CameraController* c, CameraRecord& r) {
  int32_t value = AnswerWord();
  if (r.modelCode != 0x40) {
    r.brightPos = value;
    return true;
  }
  if (brightStep == 0) {
    if (value > 1) {
      r.brightPos = BrightnessOfEmulated(value, 0);  // the gain alone tells it
      return true;
    }
    SendPacket(c, 27, 0x09, 0x04, 0x4B, -1);
    brightStep = 1;
    return false;
  }
  r.brightPos = BrightnessOfEmulated(1, value);  // the gain was 1 or less
  brightStep = 0;
  return true;
}

void FocusAnswer(CameraController* c, CameraRecord& r, bool chain) {
  int32_t before = r.focusPos;
  r.focusPos = AnswerWord();
  if (chain) {
    AskShutter(c);
    return;
  }
  uint32_t since = SinceCommand(c);
  bool changed = r.focusPos != before || (c->followUp.load() == 3 && since < 300);
  Post(c, NOTIFY_FOCUS, r.focusPos);
  if (changed && since < 1000)
    AskFocus(c);
  else
    FinishTransaction(c);
}

void ChainEnd(CameraController* c) {
  if (reinitChain) {
    c->mode = MODE_IDLE;
    c->stage = STAGE_NONE;
    reinitChain = 0;
  } else {
    c->mode = MODE_CAMERA_DONE;
    c->stage = STAGE_NONE;
  }
}

int RecallButtonFor(int32_t preset) {
  switch (preset) {
    case 2:
      return IDC_RECALL2;
    case 3:
      return IDC_RECALL3;
    case 4:
      return IDC_RECALL4;
    case 5:
      return IDC_RECALL5;
    default:
      return IDC_RECALL1;
  }
}

}  // namespace

void HandleAnswer(CameraController* c) {
  CameraRecord& r = c->Current();
  bool chain = c->followUp.load() == 0;
  switch (c->mode.load()) {
    case 20:
      r.powerOn = AnswerByte() == 2 ? 1 : 0;
      if (chain)
        SendPacket(c, 21, 0x09, 0x04, 0x47, -1);
      else
        FinishTransaction(c);
      break;
    case 21:
      r.zoomPos = AnswerWord();
      if (chain) {
        AskFocus(c);
      } else {
        Post(c, NOTIFY_ZOOM, r.zoomPos);
        FinishTransaction(c);
      }
      break;
    case 23:
      FocusAnswer(c, r, chain);
      break;
    case 24:
      r.shutterPos = AnswerWord();
      if (chain) {
        SendPacket(c, 25, 0x09, 0x04, 0x4B, -1);
        break;
      }
      if (r.aeMode == 3) Post(c, NOTIFY_BRIGHT, std::abs(r.shutterPos - 15));
      if (r.shutterPos != r.shutterRequest && InsideReinquiryWindow(c))
        AskShutter(c);
      else
        FinishTransaction(c);
      break;
    case 25:
      r.irisPosInit = AnswerWord();
      if (chain)
        SendPacket(c, 26, 0x09, 0x04, 0x4C, -1);
      else
        FinishTransaction(c);
      break;
    case 26:
      r.gainPos = AnswerWord();
      if (chain)
        AskBrightness(c);
      else
        FinishTransaction(c);
      break;
    case 27:
      if (!StoreBrightness(c, r)) break;
      if (chain) {
        SendPacket(c, 28, 0x09, 0x04, 0x38, -1);
        break;
      }
      if (!PanelChecked(IDC_IRIS)) Post(c, NOTIFY_BRIGHT, r.brightPos);
      if (r.brightPos != r.brightRequest && InsideReinquiryWindow(c))
        AskBrightness(c);
      else
        FinishTransaction(c);
      break;
    case 28:
      r.focusAuto = AnswerByte() == 2 ? 1 : 0;
      if (chain)
        SendPacket(c, 29, 0x09, 0x04, 0x63, -1);
      else
        FinishTransaction(c);
      break;
    case 29:
      r.pictureEffect = AnswerByte();
      if (!chain)
        FinishTransaction(c);
      else if (IsWideRangeModel(r.modelCode))
        SendPacket(c, 30, 0x09, 0x04, 0x66, -1);
      else
        SendPacket(c, 31, 0x09, 0x04, 0x42, -1);
      break;
    case 30:
      r.pictureFlip = AnswerByte();
      if (chain)
        SendPacket(c, 31, 0x09, 0x04, 0x42, -1);
      else
        FinishTransaction(c);
      break;
    case 31:
      r.aperture = AnswerWord();
      if (chain) {
        SendPacket(c, 32, 0x09, 0x04, 0x35, -1);
      } else {
        Post(c, NOTIFY_APERTURE, r.aperture);
        FinishTransaction(c);
      }
      break;
    case 32:
      r.wbMode = AnswerByte();
      if (chain)
        SendPacket(c, 33, 0x09, 0x04, 0x44, -1);
      else
        FinishTransaction(c);
      break;
    case 33:
      r.bGain = AnswerWord();
      if (chain) {
        SendPacket(c, 34, 0x09, 0x04, 0x43, -1);
      } else {
        Post(c, NOTIFY_B_GAIN, r.bGain);
        FinishTransaction(c);
      }
      break;
    case 34:
      r.rGain = AnswerWord();
      // Manual white balance with exactly these gains is the panel's "LED".
      if (r.rGain == 0xCD && r.bGain == 0xA8 && r.wbMode == 5) r.wbMode = 6;
      if (chain) {
        SendPacket(c, 35, 0x09, 0x04, 0x5B, -1);
      } else {
        Post(c, NOTIFY_R_GAIN, r.rGain);
        FinishTransaction(c);
      }
      break;
    case 35:
      r.gamma = AnswerByte();
      if (chain)
        AskVideoOut(c);
      else
        FinishTransaction(c);
      break;
    case 36:
      r.videoOutReg = AnswerRegister();
      if (chain)
        SendPacket(c, 37, 0x09, 0x04, 0x39, -1);
      else
        FinishTransaction(c);
      break;
    case 37:
      r.aeMode = AnswerByte();
      if (chain) {
        AskExpComp(c);
      } else {
        Post(c, NOTIFY_AE_MODE, r.aeMode);
        FinishTransaction(c);
      }
      break;
    case 38:
      r.expCompPos = AnswerWord();
      if (chain) {
        SendPacket(c, 50, 0x09, 0x00, 0x02, -1);
        break;
      }
      if (PanelChecked(IDC_EXPOSURE_AUTO)) Post(c, NOTIFY_LEVEL, r.expCompPos);
      if (r.expCompPos != r.expCompRequest && InsideReinquiryWindow(c))
        AskExpComp(c);
      else
        FinishTransaction(c);
      break;
    case 50: {
      r.modelCode = AnswerModel();
      int32_t m = r.modelCode;
      if (!chain)
        FinishTransaction(c);
      else if (m == 0x4B || m == 0x5F || m == 0x5C || m == 0x66 || m == 0x67)
        SendPacket(c, 39, 0x09, 0x04, 0x01, -1);
      else
        SendPacket(c, 40, 0x09, 0x04, 0x39, -1);
      break;
    }
    case 39:
      r.icrMode = AnswerByte();
      if (chain)
        SendPacket(c, 40, 0x09, 0x04, 0x39, -1);
      else
        FinishTransaction(c);
      break;
    case 40:
      if (chain) {
        AskIris(c);
      } else {
        Post(c, NOTIFY_ICR, r.icrMode);
        FinishTransaction(c);
      }
      break;
    case 41:
      r.irisPos = AnswerWord();
      if (chain) {
        SendPacket(c, 42, 0x09, 0x04, 0x62, -1);
        break;
      }
      Post(c, NOTIFY_LEVEL, r.irisPos);
      if (r.irisPos != r.irisRequest && InsideReinquiryWindow(c))
        AskIris(c);
      else
        FinishTransaction(c);
      break;
    case 42:
      r.freezeOn = AnswerByte() == 2 ? 1 : 0;
      if (chain) {
        ChainEnd(c);
      } else {
        Post(c, NOTIFY_FREEZE, r.freezeOn);
        FinishTransaction(c);
      }
      break;
    case 70:
      r.modelCode = AnswerModel();
      SendPacket(c, 71, 0x09, 0x04, 0x3F, -1);
      break;
    case 71:
      r.lastPreset = AnswerByte();
      SendDlgItemMessageA(hPage[0], RecallButtonFor(r.lastPreset), BM_SETCHECK, BST_CHECKED, 0);
      SendPacket(c, 63, 0x01, 0x04, 0x00, 0x02, -1);
      break;
    default:
      AbortTransaction(c);
      break;
  }
}

void ReadBackStep(CameraController* c) {
  int32_t request = c->followUp.load();
  switch (request) {
    case 1:
      SendPacket(c, 21, 0x09, 0x04, 0x47, -1);
      return;
    case 2:
    case 11:
    case 42:
      break;  // nothing to read back
    case 3:
    case 4:
      c->cmdTick = OsTickCount();
      AskFocus(c);
      return;
    case 5:
      c->cmdTick = OsTickCount();
      if (PanelChecked(IDC_IRIS))
        AskShutter(c);
      else
        AskBrightness(c);
      return;
    case 6:
      c->cmdTick = OsTickCount();
      AskBrightness(c);
      return;
    case 7:
      c->cmdTick = OsTickCount();
      SendPacket(c, 40, 0x09, 0x04, 0x39, -1);
      return;
    case 8:
      c->cmdTick = OsTickCount();
      SendPacket(c, 26, 0x09, 0x04, 0x4C, -1);
      return;
    case 9:
      c->cmdTick = OsTickCount();
      AskShutter(c);
      return;
    case 10:
      c->cmdTick = OsTickCount();
      AskIris(c);
      return;
    case 12:
    case 13:
    case 14:
      SendPacket(c, 29, 0x09, 0x04, 0x63, -1);
      return;
    case 15:
    case 16:
    case 17:
      SendPacket(c, 35, 0x09, 0x04, 0x5B, -1);
      return;
    case 18:
    case 19:
    case 20:
    case 21:
    case 22:
    case 23:
    case 24:
    case 25:
    case 26:
    case 27:
      AskVideoOut(c);
      return;
    case 28:
      // Only the wide-range models report a picture flip.
      if (IsWideRangeModel(c->Current().modelCode)) {
        SendPacket(c, 30, 0x09, 0x04, 0x66, -1);
        return;
      }
      break;
    case 29:
      SendPacket(c, 31, 0x09, 0x04, 0x42, -1);
      return;
    case 30:
    case 31:
    case 35:
    case 36:
    case 37:
    case 38:
      StartRereading(c, REREAD_FROM_WHITE_BALANCE);
      return;
    case 39:
      SendPacket(c, 34, 0x09, 0x04, 0x43, -1);
      return;
    case 40:
      SendPacket(c, 33, 0x09, 0x04, 0x44, -1);
      return;
    case 41:
      c->cmdTick = OsTickCount();
      AskExpComp(c);
      return;
    case 43:
      c->cmdTick = OsTickCount();
      SendPacket(c, 39, 0x09, 0x04, 0x51, -1);
      return;
    case 44:
      c->cmdTick = OsTickCount();
      SendPacket(c, 20, 0x09, 0x04, 0x00, -1);
      return;
    case 45:
      c->cmdTick = OsTickCount();
      SendPacket(c, 42, 0x09, 0x04, 0x62, -1);
      return;
    case 48:
    case 49:
    case 50:
    case 51:
    case 52:
      StartRereading(c, REREAD_FROM_ZOOM);
      return;
    default:
      break;
  }
  // Requests 32 to 34, and any other without a read-back, return to idle.
  c->mode = MODE_ABORT;
}
