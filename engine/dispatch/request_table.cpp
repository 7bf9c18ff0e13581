#include "engine/dispatch/request_table.h"

#include "requests/request_codes.h"

namespace {

using R = CameraRecord;

// The gain position request 8 sets.
constexpr int32_t kDefaultGain = 2;
// Preset commands 01 04 3F nn pp: store, recall.
constexpr uint8_t kPresetStore = 0x01;
constexpr uint8_t kPresetRecall = 0x02;
// White balance one-push trigger 01 04 10 05.
constexpr uint8_t kOnePushTrigger = 0x05;

// clang-format off
constexpr RequestRow kRows[] = {
    Sends(REQ_ZOOM_DIRECT,         0x47, ENCODE_WORD).Worth(VALUE_ZOOM).Requested(&R::zoomRequest),
    Sends(REQ_SEND_26_00,          0x26, ENCODE_FIXED).Fixed(0x00),
    Special(REQ_FOCUS_AUTO,        SPECIAL_FOCUS_AUTO),
    Sends(REQ_FOCUS_DIRECT,        0x48, ENCODE_WORD).Only(GUARD_FOCUS_MANUAL).Worth(VALUE_FOCUS)
                                   .Requested(&R::focusRequest).IfChanged(&R::focusPos),
    Special(REQ_EXPOSURE_LEVEL,    SPECIAL_EXPOSURE_LEVEL),
    Special(REQ_AE_AUTO,           SPECIAL_AE_AUTO),
    Special(REQ_AE_MANUAL,         SPECIAL_AE_MANUAL),
    Sends(REQ_GAIN_DEFAULT,        0x4C, ENCODE_WORD).Constant(kDefaultGain),
    Sends(REQ_SHUTTER_RESET,       0x0A, ENCODE_FIXED).Fixed(0x00),
    Sends(REQ_IRIS_DIRECT,         0x4B, ENCODE_LOW_BYTE).Only(GUARD_AE_MANUAL)
                                   .Requested(&R::irisRequest).IfChanged(&R::irisPos),
    Sends(REQ_EFFECT_BW,           0x63, ENCODE_BYTE).Constant(EFFECT_BW).Stores(&R::pictureEffect),
    Sends(REQ_EFFECT_NEGATIVE,     0x63, ENCODE_BYTE).Constant(EFFECT_NEGATIVE).Stores(&R::pictureEffect),
    Sends(REQ_EFFECT_NORMAL,       0x63, ENCODE_BYTE).Constant(EFFECT_NORMAL).Stores(&R::pictureEffect),
    Sends(REQ_GAMMA_NORMAL,        0x5B, ENCODE_BYTE).Constant(GAMMA_NORMAL).Stores(&R::gamma),
    Sends(REQ_GAMMA_TYPE1,         0x5B, ENCODE_BYTE).Constant(GAMMA_TYPE1).Stores(&R::gamma),
    Sends(REQ_GAMMA_TYPE2,         0x5B, ENCODE_BYTE).Constant(GAMMA_TYPE2).Stores(&R::gamma),
    Sends(REQ_VIDEO_1080I_5994,    0x24, ENCODE_VIDEO_REGISTER).Stores(&R::videoOutReg),
    Sends(REQ_VIDEO_720P_5994,     0x24, ENCODE_VIDEO_REGISTER).Stores(&R::videoOutReg),
    Sends(REQ_VIDEO_NTSC,          0x24, ENCODE_VIDEO_REGISTER).Stores(&R::videoOutReg),
    Sends(REQ_VIDEO_1080I_50,      0x24, ENCODE_VIDEO_REGISTER).Stores(&R::videoOutReg),
    Sends(REQ_VIDEO_720P_50,       0x24, ENCODE_VIDEO_REGISTER).Stores(&R::videoOutReg),
    Sends(REQ_VIDEO_PAL,           0x24, ENCODE_VIDEO_REGISTER).Stores(&R::videoOutReg),
    Sends(REQ_VIDEO_1080P_5994,    0x24, ENCODE_VIDEO_REGISTER).Stores(&R::videoOutReg),
    Sends(REQ_VIDEO_1080P_50,      0x24, ENCODE_VIDEO_REGISTER).Stores(&R::videoOutReg),
    Sends(REQ_VIDEO_1080P_2997,    0x24, ENCODE_VIDEO_REGISTER).Stores(&R::videoOutReg),
    Sends(REQ_VIDEO_1080P_25,      0x24, ENCODE_VIDEO_REGISTER).Stores(&R::videoOutReg),
    Sends(REQ_ROTATE_TOGGLE,       0x66, ENCODE_BYTE).Worth(VALUE_FLIP_TOGGLED).Stores(&R::pictureFlip),
    Sends(REQ_SHARPNESS_DIRECT,    0x42, ENCODE_LOW_BYTE).Requested(&R::apertureRequest).IfChanged(&R::aperture),
    Sends(REQ_WB_COLD,             0x35, ENCODE_BYTE).Constant(WB_INDOOR).Stores(&R::wbMode),
    Sends(REQ_WB_WARM,             0x35, ENCODE_BYTE).Constant(WB_OUTDOOR).Stores(&R::wbMode),
    // The camera is in manual white balance; the record keeps the panel's "LED".
    Sends(REQ_WB_LED,              0x35, ENCODE_FIXED).Fixed(WB_MANUAL).Constant(WB_LED).Stores(&R::wbMode),
    // Always sent: the gain is a setting of the "LED" white balance, not a slider's.
    Sends(REQ_R_GAIN_LED,          0x43, ENCODE_LOW_BYTE).Constant(LED_R_GAIN)
                                   .Requested(&R::rGainRequest).Stores(&R::rGain).Through(SPECIAL_R_GAIN_LED),
    Sends(REQ_B_GAIN_LED,          0x44, ENCODE_LOW_BYTE).Constant(LED_B_GAIN)
                                   .Requested(&R::bGainRequest).Stores(&R::bGain).Through(SPECIAL_B_GAIN_LED),
    Sends(REQ_WB_AUTO,             0x35, ENCODE_BYTE).Constant(WB_AUTO).Stores(&R::wbMode),
    Sends(REQ_WB_MANUAL,           0x35, ENCODE_BYTE).Constant(WB_MANUAL).Stores(&R::wbMode),
    Sends(REQ_WB_ONE_PUSH,         0x35, ENCODE_BYTE).Constant(WB_ONE_PUSH).Stores(&R::wbMode),
    Sends(REQ_WB_ONE_PUSH_TRIGGER, 0x10, ENCODE_FIXED).Fixed(kOnePushTrigger).Constant(WB_ONE_PUSH).Stores(&R::wbMode),
    Sends(REQ_R_GAIN_DIRECT,       0x43, ENCODE_LOW_BYTE).Requested(&R::rGainRequest).IfChanged(&R::rGain),
    Sends(REQ_B_GAIN_DIRECT,       0x44, ENCODE_LOW_BYTE).Requested(&R::bGainRequest).IfChanged(&R::bGain),
    Sends(REQ_EXP_COMP_DIRECT,     0x4E, ENCODE_LOW_BYTE).Only(GUARD_AE_FULL_AUTO)
                                   .Requested(&R::expCompRequest).IfChanged(&R::expCompPos),
    Sends(REQ_NIR_VISION,          0x01, ENCODE_SWITCH).Requested(&R::icrRequest).Stores(&R::icrMode),
    Sends(REQ_POWER,               0x00, ENCODE_SWITCH).Requested(&R::powerRequest).Stores(&R::powerSwitch)
                                   .RearmsRestart(),
    Sends(REQ_FREEZE,              0x62, ENCODE_SWITCH_IF_ONE).Stores(&R::freezeOn),
    Special(REQ_PRESET_SAVE,       SPECIAL_PRESET_SAVE),
    Special(REQ_SAVE_AND_CLOSE,    SPECIAL_SAVE_AND_CLOSE),
    Sends(REQ_PRESET_RECALL_1,     0x3F, ENCODE_FIXED_THEN_BYTE).Fixed(kPresetRecall).Constant(1),
    Sends(REQ_PRESET_RECALL_2,     0x3F, ENCODE_FIXED_THEN_BYTE).Fixed(kPresetRecall).Constant(2),
    Sends(REQ_PRESET_RECALL_3,     0x3F, ENCODE_FIXED_THEN_BYTE).Fixed(kPresetRecall).Constant(3),
    Sends(REQ_PRESET_RECALL_4,     0x3F, ENCODE_FIXED_THEN_BYTE).Fixed(kPresetRecall).Constant(4),
    Sends(REQ_PRESET_RECALL_5,     0x3F, ENCODE_FIXED_THEN_BYTE).Fixed(kPresetRecall).Constant(5),
    Sends(REQ_PRESET_STORE,        0x3F, ENCODE_FIXED_THEN_BYTE).Fixed(kPresetStore).Only(GUARD_PRESET_RANGE),
    Sends(REQ_PRESET_RECALL,       0x3F, ENCODE_FIXED_THEN_BYTE).Fixed(kPresetRecall).Only(GUARD_PRESET_RANGE),
};
// clang-format on

}  // namespace

const RequestRow* FindRequest(uint32_t code) {
  for (const RequestRow& row : kRows)
    if (row.code == code) return &row;
  return nullptr;
}
