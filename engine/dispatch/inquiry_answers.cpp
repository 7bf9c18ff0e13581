#include "engine/dispatch/inquiry_answers.h"

#include "engine/conversation/command_window.h"
#include "engine/conversation/engine_state.h"
#include "engine/conversation/transaction_table.h"
#include "engine/conversation/transmission.h"
#include "engine/core/panel_hooks.h"
#include "requests/camera_models.h"
#include "requests/request_codes.h"
#include "requests/value_scales.h"

namespace {

// Answers carry byte values in byte 2, the model code in byte 5, 16-bit values
// as four nibbles and register values as two nibbles from byte 2 on. The read
// loop clears packetBuffer behind each packet, so these stay defined (and
// inside the buffer) for replies of any length.
constexpr int32_t kValueByte = 2;
constexpr int32_t kModelByte = 5;
constexpr uint8_t kOn = 0x02;
// The version answer, y0 50 GG GG HH HH JJ JJ KK FF, is the one answer this
// long. The model code chooses tables and commands until the camera is
// initialised again, so a late answer to an earlier inquiry, line noise or an
// error reply is not taken for it: the real answer may still come.
constexpr uint32_t kVersionAnswerLength = 10;
constexpr uint8_t kAnswerKind = 0x50;

bool IsVersionAnswer(const CameraController* c) {
  return c->packetLength >= kVersionAnswerLength && c->packetBuffer[1] == kAnswerKind;
}

// After switching focus to manual, the focus counts as moving this long.
constexpr uint32_t kFocusSettleMs = 300;

void Post(CameraController* c, uint32_t code, int32_t value) {
  c->notifyQueue->Put(static_cast<uint32_t>(c->camera.load()), code, static_cast<uint32_t>(value), 0);
}

// Model 0x40 has no brightness inquiry: a gain above 1 stands for the upper
// part of the scale, otherwise the iris is asked under the same code. False
// while that second answer is still to come.
bool StoreBrightness(CameraController* c, CameraRecord& r, int32_t value) {
  if (r.modelCode != kModelWithoutBrightMode) {
    r.brightPos = value;
    return true;
  }
  if (c->brightStep == 0) {
    if (value > 1) {
      r.brightPos = BrightnessOfEmulated(value, 0);  // the gain alone tells it
      return true;
    }
    // The iris inquiry's packet, sent under the brightness code.
    const Payload& askIris = FindTransaction(TX_ASK_IRIS)->payload;
    SendPayload(c, TX_ASK_BRIGHTNESS, askIris.bytes, askIris.length);
    c->brightStep = 1;
    return false;
  }
  r.brightPos = BrightnessOfEmulated(1, value);  // the gain was 1 or less
  c->brightStep = 0;
  return true;
}

// Stores the answer into the row's field. False while a second answer is due.
// `changed` tells whether the field took a new value.
bool StoreAnswer(CameraController* c, const TransactionRow& row, CameraRecord& r, bool* changed) {
  *changed = false;
  if (!row.field) return true;
  int32_t value = 0;
  switch (row.decode) {
    case DECODE_BYTE:
      value = c->packetBuffer[kValueByte];
      break;
    case DECODE_ON:
      value = c->packetBuffer[kValueByte] == kOn ? 1 : 0;
      break;
    case DECODE_REGISTER:
      value = static_cast<int32_t>(DecodeNibbles(c->packetBuffer + kValueByte, 2));
      break;
    case DECODE_MODEL:
      value = c->packetBuffer[kModelByte];
      break;
    default:
      value = static_cast<int32_t>(DecodeNibbles(c->packetBuffer + kValueByte, 4));
      break;
  }
  int32_t before = r.*row.field;
  if (row.decode == DECODE_BRIGHTNESS) {
    if (!StoreBrightness(c, r, value)) return false;
  } else {
    r.*row.field = value;
  }
  *changed = r.*row.field != before;
  // Manual white balance with exactly the LED gains is the panel's "LED" mode.
  if (row.decode == DECODE_R_GAIN && r.rGain == LED_R_GAIN && r.bGain == LED_B_GAIN && r.wbMode == WB_MANUAL)
    r.wbMode = WB_LED;
  return true;
}

void EndOfChain(CameraController* c) {
  if (c->reinitChain) {
    c->reinitChain = 0;
    FinishTransaction(c);
  } else {
    EnterPhase(c, PHASE_CAMERA_DONE);
  }
}

void ContinueChain(CameraController* c, const TransactionRow& row, int32_t modelCode) {
  int32_t next = NextOf(row, modelCode);
  if (next == kChainEnd)
    EndOfChain(c);
  else
    SendTransaction(c, next);
}

bool NotifyAllowed(CameraController* c, const TransactionRow& row, const CameraRecord& r) {
  switch (row.notifyWhen) {
    case WHEN_ALWAYS:
      return true;
    case WHEN_AE_MANUAL:
      return r.aeMode == AE_MANUAL;
    case WHEN_IRIS_CLEARED:
      return !Hooks(c).irisChecked(c);
    case WHEN_AUTO_CHECKED:
      return Hooks(c).autoExposureChecked(c);
    default:
      return false;
  }
}

int32_t NotifiedValue(const TransactionRow& row, const CameraRecord& r) {
  int32_t value = r.*row.notifyField;
  // The shutter is reported as its slider position; a camera position off the
  // table stays off it rather than being mirrored back into range.
  return row.notifyValue == VALUE_SHUTTER_SLIDER ? ShutterSliderOfPosition(value) : value;
}

// The read-back after a user command, or the idle poll: report, then ask again
// while the camera is still on its way, else finish.
void ReadBackAnswer(CameraController* c, const TransactionRow& row, const CameraRecord& r, bool changed) {
  if (row.notifyCode != 0 && row.notifyField && NotifyAllowed(c, row, r))
    Post(c, row.notifyCode, NotifiedValue(row, r));
  uint32_t since = SinceCommand(c);
  bool again = false;
  switch (row.reask) {
    case REASK_UNTIL_REQUESTED:
      again = r.*row.field != r.*row.requested && since < kReinquiryWindowMs;
      break;
    case REASK_WHILE_MOVING:
      if (c->followUp.load() == static_cast<int32_t>(REQ_FOCUS_AUTO) && since < kFocusSettleMs) changed = true;
      again = changed && since < kReinquiryWindowMs;
      break;
    default:
      break;
  }
  if (again)
    SendTransaction(c, row.code, true);
  else
    FinishTransaction(c);
}

}  // namespace

void HandleAnswer(CameraController* c) {
  const TransactionRow* row = FindTransaction(c->transaction.load());
  if (!row || IsCommand(*row)) {
    AbandonTransaction(c);
    return;
  }
  if (row->decode == DECODE_MODEL && !IsVersionAnswer(c)) return;
  CameraRecord& r = c->Current();
  bool changed = false;
  if (!StoreAnswer(c, *row, r, &changed)) return;
  // Only the last initialised camera's preset stays checked on the panel.
  if (row->marksRecall) Hooks(c).markRecall(c, r.lastPreset);
  if (c->followUp.load() == 0 || row->chainAlways)
    ContinueChain(c, *row, r.modelCode);
  else
    ReadBackAnswer(c, *row, r, changed);
}

// Cameras of other makes refuse some of the block-camera steps. Refused
// during a camera's initialisation or a re-reading of all its settings, a
// step is passed over, its field keeping what it held, so that everything
// the camera can answer is still read.
bool PassOverRefusedStep(CameraController* c) {
  if ((!c->initialising && c->reinitChain == 0) || c->followUp.load() != 0) return false;
  const TransactionRow* row = FindTransaction(c->transaction.load());
  if (!row) return false;
  c->brightStep = 0;  // a refused second half of model 0x40's brightness read
  StopAwaiting(c);
  ContinueChain(c, *row, c->Current().modelCode);
  return true;
}

void HandleCompletion(CameraController* c) {
  const TransactionCode code = c->transaction.load();
  if (code == TX_COMMAND) return;  // its read-back follows in the phase step
  const TransactionRow* row = FindTransaction(code);
  if (!row || !IsCommand(*row)) {
    AbandonTransaction(c);
    return;
  }
  // The same code sent for a user command (a preset save) ends here.
  if (c->followUp.load() != 0) {
    FinishTransaction(c);
    return;
  }
  ContinueChain(c, *row, c->Current().modelCode);
}
