#include "engine/conversation/transaction_table.h"

#include "engine/conversation/engine_state.h"
#include "engine/conversation/transmission.h"
#include "requests/camera_models.h"

namespace {

using R = CameraRecord;

// clang-format off
constexpr TransactionRow kRows[] = {
    // Initialisation commands, in the order a camera gets them.
    Row(TX_POWER_ON,          {0x01, 0x04, 0x00, 0x02}).Then(TX_RECALL_PRESET),
    Row(TX_RECALL_PRESET,     {0x01, 0x04, 0x3F, 0x02}).WithLastPreset().Then(TX_DIGITAL_ZOOM),
    Row(TX_DIGITAL_ZOOM,      {0x01, 0x04, 0x36, 0x00}).Alt(PAYLOAD_NARROW_ALT, {0x01, 0x04, 0x06, 0x03})
                              .ThenIf(TEST_WIDE_RANGE, TX_INIT_WIDE_1, TX_INIT_SETTING),
    Row(TX_INIT_WIDE_1,       {0x01, 0x04, 0x74, 0x3F}).ThenIf(TEST_ZOOM_20X, TX_INIT_EXP_COMP, TX_INIT_WIDE_2),
    Row(TX_INIT_WIDE_2,       {0x01, 0x04, 0x53, 0x03}).Then(TX_INIT_EXP_COMP),
    Row(TX_INIT_EXP_COMP,     {0x01, 0x04, 0x3E, 0x02}).Then(TX_INIT_WIDE_3),
    Row(TX_INIT_WIDE_3,       {0x01, 0x04, 0x2C, 0x07}).Then(TX_INIT_WIDE_4),
    Row(TX_INIT_WIDE_4,       {0x01, 0x04, 0x28, 0x0E, 0x05, 0x00, 0x00}).Then(TX_INIT_SETTING),
    // Reached after TX_INIT_WIDE_4 by the wide-range models, after
    // TX_DIGITAL_ZOOM by the others.
    Row(TX_INIT_SETTING,      {0x01, 0x04, 0x06, 0x03}).Alt(PAYLOAD_NARROW_ALT, {0x01, 0x04, 0x3E, 0x02})
                              .Then(TX_STORE_HOME),
    Row(TX_STORE_HOME,        {0x01, 0x04, 0x3F, 0x01, 0x7F}).Then(TX_ASK_POWER),

    // The first two inquiries of a camera's initialisation.
    Row(TX_ASK_VERSION,       {0x09, 0x00, 0x02}).Stores(&R::modelCode, DECODE_MODEL).Then(TX_ASK_LAST_PRESET).Always(),
    Row(TX_ASK_LAST_PRESET,   {0x09, 0x04, 0x3F}).Stores(&R::lastPreset, DECODE_BYTE).MarksRecall()
                              .Then(TX_POWER_ON).Always(),

    // The setting chain, and what a read-back does with each answer.
    Row(TX_ASK_POWER,         {0x09, 0x04, 0x00}).Stores(&R::powerOn, DECODE_ON).Then(TX_ASK_ZOOM),
    Row(TX_ASK_ZOOM,          {0x09, 0x04, 0x47}).Stores(&R::zoomPos, DECODE_WORD).Then(TX_ASK_FOCUS)
                              .Notifies(NOTIFY_ZOOM),
    Row(TX_ASK_FOCUS,         {0x09, 0x04, 0x48}).Stores(&R::focusPos, DECODE_WORD).Then(TX_ASK_SHUTTER)
                              .Notifies(NOTIFY_FOCUS).AsksAgain(REASK_WHILE_MOVING),
    Row(TX_ASK_SHUTTER,       {0x09, 0x04, 0x4A}).Stores(&R::shutterPos, DECODE_WORD).Then(TX_ASK_IRIS_AT_START)
                              .Notifies(NOTIFY_BRIGHT, WHEN_AE_MANUAL)
                              .NotifyingField(&R::shutterPos, VALUE_SHUTTER_SLIDER)
                              .AsksAgain(REASK_UNTIL_REQUESTED, &R::shutterRequest),
    Row(TX_ASK_IRIS_AT_START, {0x09, 0x04, 0x4B}).Stores(&R::irisPosInit, DECODE_WORD).Then(TX_ASK_GAIN),
    Row(TX_ASK_GAIN,          {0x09, 0x04, 0x4C}).Stores(&R::gainPos, DECODE_WORD).Then(TX_ASK_BRIGHTNESS),
    Row(TX_ASK_BRIGHTNESS,    {0x09, 0x04, 0x4D}).Alt(PAYLOAD_GAIN_ON_0x40, {0x09, 0x04, 0x4C})
                              .Stores(&R::brightPos, DECODE_BRIGHTNESS).Then(TX_ASK_FOCUS_MODE)
                              .Notifies(NOTIFY_BRIGHT, WHEN_IRIS_CLEARED)
                              .AsksAgain(REASK_UNTIL_REQUESTED, &R::brightRequest),
    Row(TX_ASK_FOCUS_MODE,    {0x09, 0x04, 0x38}).Stores(&R::focusAuto, DECODE_ON).Then(TX_ASK_EFFECT),
    Row(TX_ASK_EFFECT,        {0x09, 0x04, 0x63}).Stores(&R::pictureEffect, DECODE_BYTE)
                              .ThenIf(TEST_WIDE_RANGE, TX_ASK_FLIP, TX_ASK_APERTURE),
    Row(TX_ASK_FLIP,          {0x09, 0x04, 0x66}).Stores(&R::pictureFlip, DECODE_BYTE).Then(TX_ASK_APERTURE),
    Row(TX_ASK_APERTURE,      {0x09, 0x04, 0x42}).Stores(&R::aperture, DECODE_WORD).Then(TX_ASK_WHITE_BALANCE)
                              .Notifies(NOTIFY_APERTURE),
    Row(TX_ASK_WHITE_BALANCE, {0x09, 0x04, 0x35}).Stores(&R::wbMode, DECODE_BYTE).Then(TX_ASK_B_GAIN),
    Row(TX_ASK_B_GAIN,        {0x09, 0x04, 0x44}).Stores(&R::bGain, DECODE_WORD).Then(TX_ASK_R_GAIN)
                              .Notifies(NOTIFY_B_GAIN),
    Row(TX_ASK_R_GAIN,        {0x09, 0x04, 0x43}).Stores(&R::rGain, DECODE_R_GAIN).Then(TX_ASK_GAMMA)
                              .Notifies(NOTIFY_R_GAIN),
    Row(TX_ASK_GAMMA,         {0x09, 0x04, 0x5B}).Stores(&R::gamma, DECODE_BYTE).Then(TX_ASK_VIDEO_OUT),
    Row(TX_ASK_VIDEO_OUT,     {0x09, 0x04, 0x24}).Alt(PAYLOAD_VIDEO_REGISTER, {})
                              .Stores(&R::videoOutReg, DECODE_REGISTER).Then(TX_ASK_AE_MODE),
    Row(TX_ASK_AE_MODE,       {0x09, 0x04, 0x39}).Stores(&R::aeMode, DECODE_BYTE).Then(TX_ASK_EXP_COMP)
                              .Notifies(NOTIFY_AE_MODE),
    Row(TX_ASK_EXP_COMP,      {0x09, 0x04, 0x4E}).Stores(&R::expCompPos, DECODE_WORD).Then(TX_ASK_MODEL)
                              .Notifies(NOTIFY_LEVEL, WHEN_AUTO_CHECKED)
                              .AsksAgain(REASK_UNTIL_REQUESTED, &R::expCompRequest),
    Row(TX_ASK_MODEL,         {0x09, 0x00, 0x02}).Stores(&R::modelCode, DECODE_MODEL)
                              .ThenIf(TEST_IR_CUT_INQUIRY, TX_ASK_IR_CUT, TX_REPORT_IR_CUT),
    Row(TX_ASK_IR_CUT,        {0x09, 0x04, 0x01}).Alt(PAYLOAD_READ_BACK_ALT, {0x09, 0x04, 0x51})
                              .Stores(&R::icrMode, DECODE_BYTE).Then(TX_REPORT_IR_CUT),
    // Asks the exposure mode again and keeps nothing; its read-back reports the IR-cut mode.
    Row(TX_REPORT_IR_CUT,     {0x09, 0x04, 0x39}).Then(TX_ASK_IRIS)
                              .Notifies(NOTIFY_ICR).NotifyingField(&R::icrMode),
    Row(TX_ASK_IRIS,          {0x09, 0x04, 0x4B}).Stores(&R::irisPos, DECODE_WORD).Then(TX_ASK_FREEZE)
                              .Notifies(NOTIFY_LEVEL).AsksAgain(REASK_UNTIL_REQUESTED, &R::irisRequest),
    Row(TX_ASK_FREEZE,        {0x09, 0x04, 0x62}).Stores(&R::freezeOn, DECODE_ON).Then(kChainEnd)
                              .Notifies(NOTIFY_FREEZE),
};
// clang-format on

bool Passes(ModelTest test, int32_t modelCode) {
  switch (test) {
    case TEST_WIDE_RANGE:
      return IsWideRangeModel(modelCode);
    case TEST_IR_CUT_INQUIRY:
      return HasIrCutInquiry(modelCode);
    case TEST_ZOOM_20X:
      return ZoomRatioOfModel(modelCode) == 20;
    default:
      return true;
  }
}

}  // namespace

const TransactionRow* FindTransaction(int32_t code) {
  for (const TransactionRow& row : kRows)
    if (row.code == code) return &row;
  return nullptr;
}

int32_t NextOf(const TransactionRow& row, int32_t modelCode) {
  return Passes(row.nextTest, modelCode) ? row.next : row.nextOtherwise;
}

void SendTransaction(CameraController* c, int32_t code, bool readBack) {
  const TransactionRow* row = FindTransaction(code);
  if (!row) return;
  const CameraRecord& r = c->Current();
  int32_t model = r.modelCode;
  const Payload* payload = &row->payload;
  switch (row->payloadRule) {
    case PAYLOAD_NARROW_ALT:
      if (!IsWideRangeModel(model)) payload = &row->alternative;
      break;
    case PAYLOAD_GAIN_ON_0x40:
      if (model == kModelWithoutBrightMode) payload = &row->alternative;
      break;
    case PAYLOAD_READ_BACK_ALT:
      if (readBack) payload = &row->alternative;
      break;
    case PAYLOAD_VIDEO_REGISTER:
    case PAYLOAD_LAST_PRESET: {
      int32_t preset = r.lastPreset;
      int32_t last =
          row->payloadRule == PAYLOAD_VIDEO_REGISTER ? VideoRegisterOfModel(model) : (preset == 0 ? 1 : preset);
      Payload extended = row->payload;
      if (extended.length < kMaxPayload) extended.bytes[extended.length++] = static_cast<uint8_t>(last & 0xFF);
      SendPayload(c, row->code, extended.bytes, extended.length);
      return;
    }
    default:
      break;
  }
  SendPayload(c, row->code, payload->bytes, payload->length);
}
