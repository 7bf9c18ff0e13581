#include "engine/dispatch/read_back.h"

#include "engine/conversation/command_window.h"
#include "engine/conversation/engine_state.h"
#include "engine/conversation/transaction_table.h"
#include "engine/core/panel_hooks.h"
#include "requests/camera_models.h"
#include "requests/request_codes.h"

namespace {

enum ReadBackAction : uint8_t {
  READ_NOTHING,       // back to idle through the abort phase
  READ_ASK,           // send the row's inquiry
  READ_ASK_EXPOSURE,  // shutter with "Iris" checked, else brightness
  READ_ASK_IF_WIDE,   // only the wide-range models answer the row's inquiry
  READ_REREAD,        // run the setting chain again from the row's inquiry
};

// Requests first..last (inclusive) share one row.
struct ReadBackRow {
  uint32_t first;
  uint32_t last;
  ReadBackAction action;
  int32_t code;
  bool stampsCommand;  // `cmdTick` := now, opening the re-inquiry window
};

// clang-format off
const ReadBackRow kReadBacks[] = {
    {REQ_ZOOM_DIRECT,      REQ_ZOOM_DIRECT,         READ_ASK,          TX_ASK_ZOOM,          false},
    {REQ_FOCUS_AUTO,       REQ_FOCUS_DIRECT,        READ_ASK,          TX_ASK_FOCUS,         true},
    {REQ_EXPOSURE_LEVEL,   REQ_EXPOSURE_LEVEL,      READ_ASK_EXPOSURE, 0,                    true},
    {REQ_AE_AUTO,          REQ_AE_AUTO,             READ_ASK,          TX_ASK_BRIGHTNESS,    true},
    {REQ_AE_MANUAL,        REQ_AE_MANUAL,           READ_ASK,          TX_REPORT_IR_CUT,     true},
    {REQ_GAIN_DEFAULT,     REQ_GAIN_DEFAULT,        READ_ASK,          TX_ASK_GAIN,          true},
    {REQ_SHUTTER_RESET,    REQ_SHUTTER_RESET,       READ_ASK,          TX_ASK_SHUTTER,       true},
    {REQ_IRIS_DIRECT,      REQ_IRIS_DIRECT,         READ_ASK,          TX_ASK_IRIS,          true},
    {REQ_EFFECT_BW,        REQ_EFFECT_NORMAL,       READ_ASK,          TX_ASK_EFFECT,        false},
    {REQ_GAMMA_NORMAL,     REQ_GAMMA_TYPE2,         READ_ASK,          TX_ASK_GAMMA,         false},
    {REQ_VIDEO_1080I_5994, REQ_VIDEO_1080P_25,      READ_ASK,          TX_ASK_VIDEO_OUT,     false},
    {REQ_ROTATE_TOGGLE,    REQ_ROTATE_TOGGLE,       READ_ASK_IF_WIDE,  TX_ASK_FLIP,          false},
    {REQ_SHARPNESS_DIRECT, REQ_SHARPNESS_DIRECT,    READ_ASK,          TX_ASK_APERTURE,      false},
    {REQ_WB_COLD,          REQ_WB_WARM,             READ_REREAD,       TX_ASK_WHITE_BALANCE, false},
    {REQ_WB_AUTO,          REQ_WB_ONE_PUSH_TRIGGER, READ_REREAD,       TX_ASK_WHITE_BALANCE, false},
    {REQ_R_GAIN_DIRECT,    REQ_R_GAIN_DIRECT,       READ_ASK,          TX_ASK_R_GAIN,        false},
    {REQ_B_GAIN_DIRECT,    REQ_B_GAIN_DIRECT,       READ_ASK,          TX_ASK_B_GAIN,        false},
    {REQ_EXP_COMP_DIRECT,  REQ_EXP_COMP_DIRECT,     READ_ASK,          TX_ASK_EXP_COMP,      true},
    {REQ_NIR_VISION,       REQ_NIR_VISION,          READ_ASK,          TX_ASK_IR_CUT,        true},
    {REQ_POWER,            REQ_POWER,               READ_ASK,          TX_ASK_POWER,         true},
    {REQ_FREEZE,           REQ_FREEZE,              READ_ASK,          TX_ASK_FREEZE,        true},
    {REQ_PRESET_RECALL_1,  REQ_PRESET_RECALL_5,     READ_REREAD,       TX_ASK_ZOOM,          false},
    {REQ_PRESET_RECALL,    REQ_PRESET_RECALL,       READ_REREAD,       TX_ASK_ZOOM,          false},
};
// clang-format on

const ReadBackRow* FindReadBack(int32_t request) {
  for (const ReadBackRow& row : kReadBacks)
    if (request >= static_cast<int32_t>(row.first) && request <= static_cast<int32_t>(row.last)) return &row;
  return nullptr;
}

// Runs the setting chain again for the current camera; its end returns the
// engine to idle instead of moving to the next camera.
void StartRereading(CameraController* c, int32_t firstCode) {
  BeginRereading(c);
  SendTransaction(c, firstCode);
  RunPanelRefresh(c, c->camera.load());
}

}  // namespace

void ReadBackStep(CameraController* c) {
  const ReadBackRow* row = FindReadBack(c->followUp.load());
  if (row && row->stampsCommand) StampCommand(c);
  switch (row ? row->action : READ_NOTHING) {
    case READ_ASK:
      SendTransaction(c, row->code, true);
      return;
    case READ_ASK_EXPOSURE:
      SendTransaction(c, Hooks(c).irisChecked(c) ? TX_ASK_SHUTTER : TX_ASK_BRIGHTNESS, true);
      return;
    case READ_ASK_IF_WIDE:
      if (IsWideRangeModel(c->Current().modelCode)) {
        SendTransaction(c, row->code, true);
        return;
      }
      break;
    case READ_REREAD:
      StartRereading(c, row->code);
      return;
    default:
      break;
  }
  // Requests 32 to 34, and any other without a read-back, return to idle.
  AbandonTransaction(c);
}
