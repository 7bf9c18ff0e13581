// Camera model groups, told apart by the model code the camera reports. Every
// decision that depends on the model goes through these, so the groups live
// in this one table.
#pragma once

#include <cstdint>

// Which column of the video-register table a model uses.
enum VideoColumn { VIDEO_COLUMN_20X, VIDEO_COLUMN_66, VIDEO_COLUMN_67, VIDEO_COLUMN_40, VIDEO_COLUMN_OTHER };

struct CameraModel {
  int32_t modelCode;
  int32_t zoomRatio;      // 10, 20 or 30: selects the zoom table
  bool wideRange;         // wide focus span, picture flip, extra initialisation steps
  bool irCutInquiry;      // the setting chain asks 09 04 01
  bool nirVision;         // the Setup dialog offers "NIR Vision"
  bool fewerChoices;      // two picture effects, two gamma types, no NTSC or PAL
  int32_t videoRegister;  // 0x72 or 0x70: the video output register
  VideoColumn videoColumn;
};

// The row of modelCode; every code without a row of its own is a 10x model
// without any of the extras.
const CameraModel& CameraModelOf(int32_t modelCode);

inline bool IsWideRangeModel(int32_t modelCode) { return CameraModelOf(modelCode).wideRange; }
inline int32_t ZoomRatioOfModel(int32_t modelCode) { return CameraModelOf(modelCode).zoomRatio; }
inline bool HasIrCutInquiry(int32_t modelCode) { return CameraModelOf(modelCode).irCutInquiry; }
inline bool HasNirVision(int32_t modelCode) { return CameraModelOf(modelCode).nirVision; }
inline bool HasFewerSetupChoices(int32_t modelCode) { return CameraModelOf(modelCode).fewerChoices; }
inline int32_t VideoRegisterOfModel(int32_t modelCode) { return CameraModelOf(modelCode).videoRegister; }
// One of the block cameras the table names; every other code may be a
// camera of another make, asked whether it pans and tilts.
bool IsListedModel(int32_t modelCode);
// Image flip (the "Rotate " setting) is a wide-range feature.
inline bool HasPictureFlip(int32_t modelCode) { return IsWideRangeModel(modelCode); }

// Model 0x40 has no Bright mode and no brightness inquiry; the program
// emulates brightness with iris and gain.
constexpr int32_t kModelWithoutBrightMode = 0x40;
