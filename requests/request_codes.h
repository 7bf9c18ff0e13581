// Request codes carried in the second word of a requestQueue message, from the
// panel to the engine's dispatcher. Codes 11 and 42 are unused and have no name;
// the presets by number follow the panel's own codes at 100.
#pragma once

// Exposure modes as the camera reports them in the record's aeMode.
enum : int {
  AE_FULL_AUTO = 0x00,
  AE_MANUAL = 0x03,
  AE_BRIGHT = 0x0D,
};

// White balance modes as the record's wbMode keeps them: the camera's own
// (the panel calls indoor "Cold" and outdoor "Warm"), and the panel's "LED",
// which the camera knows as manual with the two LED gains below.
enum : int {
  WB_AUTO = 0x00,
  WB_INDOOR = 0x01,
  WB_OUTDOOR = 0x02,
  WB_ONE_PUSH = 0x03,
  WB_MANUAL = 0x05,
  WB_LED = 0x06,
};

// The red and blue gains of the "LED" white balance.
enum : int {
  LED_R_GAIN = 205,
  LED_B_GAIN = 168,
};

// Picture flip as the record's pictureFlip keeps it (the camera's on and off).
enum : int {
  FLIP_ON = 0x02,
  FLIP_OFF = 0x03,
};

// Near-infrared vision (the IR cut filter out) as the record's icrMode keeps
// it: the camera's on.
enum : int {
  NIR_ON = 0x02,
};

// Picture effects as the record's pictureEffect keeps them.
enum : int {
  EFFECT_NORMAL = 0x00,
  EFFECT_NEGATIVE = 0x02,
  EFFECT_BW = 0x04,
};

// Gamma types as the record's gamma keeps them.
enum : int {
  GAMMA_NORMAL = 0,
  GAMMA_TYPE1 = 1,
  GAMMA_TYPE2 = 2,
};

enum : unsigned {
  REQ_ZOOM_DIRECT = 1,
  REQ_SEND_26_00 = 2,
  REQ_FOCUS_AUTO = 3,
  REQ_FOCUS_DIRECT = 4,
  REQ_EXPOSURE_LEVEL = 5,
  REQ_AE_AUTO = 6,
  REQ_AE_MANUAL = 7,
  REQ_GAIN_DEFAULT = 8,
  REQ_SHUTTER_RESET = 9,
  REQ_IRIS_DIRECT = 10,
  REQ_EFFECT_BW = 12,
  REQ_EFFECT_NEGATIVE = 13,
  REQ_EFFECT_NORMAL = 14,
  REQ_GAMMA_NORMAL = 15,
  REQ_GAMMA_TYPE1 = 16,
  REQ_GAMMA_TYPE2 = 17,
  REQ_VIDEO_1080I_5994 = 18,
  REQ_VIDEO_720P_5994 = 19,
  REQ_VIDEO_NTSC = 20,
  REQ_VIDEO_1080I_50 = 21,
  REQ_VIDEO_720P_50 = 22,
  REQ_VIDEO_PAL = 23,
  REQ_VIDEO_1080P_5994 = 24,
  REQ_VIDEO_1080P_50 = 25,
  REQ_VIDEO_1080P_2997 = 26,
  REQ_VIDEO_1080P_25 = 27,
  REQ_ROTATE_TOGGLE = 28,
  REQ_SHARPNESS_DIRECT = 29,
  REQ_WB_COLD = 30,
  REQ_WB_WARM = 31,
  REQ_WB_LED = 32,
  REQ_R_GAIN_LED = 33,
  REQ_B_GAIN_LED = 34,
  REQ_WB_AUTO = 35,
  REQ_WB_MANUAL = 36,
  REQ_WB_ONE_PUSH = 37,
  REQ_WB_ONE_PUSH_TRIGGER = 38,
  REQ_R_GAIN_DIRECT = 39,
  REQ_B_GAIN_DIRECT = 40,
  REQ_EXP_COMP_DIRECT = 41,
  REQ_NIR_VISION = 43,
  REQ_POWER = 44,
  REQ_FREEZE = 45,
  REQ_PRESET_SAVE = 46,
  REQ_SAVE_AND_CLOSE = 47,
  REQ_PRESET_RECALL_1 = 48,
  REQ_PRESET_RECALL_2 = 49,
  REQ_PRESET_RECALL_3 = 50,
  REQ_PRESET_RECALL_4 = 51,
  REQ_PRESET_RECALL_5 = 52,
  // Preset `a`, any number the camera keeps (requests/preset_numbers.h); one
  // beyond its range sends nothing. A recall is put twice, as a Recall
  // button's, and re-reads the settings as theirs do.
  REQ_PRESET_STORE = 100,
  REQ_PRESET_RECALL = 101,
};
