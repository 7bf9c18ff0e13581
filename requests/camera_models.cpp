#include "requests/camera_models.h"

namespace {

// clang-format off
const CameraModel kModels[] = {
    // code  zoom  wide   ir-cut nir    fewer  register column
    {0x5F,   20,   true,  true,  true,  false, 0x72,    VIDEO_COLUMN_20X},
    {0x5C,   20,   true,  true,  true,  false, 0x72,    VIDEO_COLUMN_20X},
    {0x66,   30,   true,  true,  true,  false, 0x72,    VIDEO_COLUMN_66},
    {0x67,   30,   true,  true,  true,  false, 0x72,    VIDEO_COLUMN_67},
    {0x40,   30,   true,  false, true,  true,  0x72,    VIDEO_COLUMN_40},
    {0x4B,   10,   false, true,  true,  false, 0x70,    VIDEO_COLUMN_OTHER},
};
// clang-format on

const CameraModel kOtherModel = {0, 10, false, false, false, false, 0x70, VIDEO_COLUMN_OTHER};

}  // namespace

const CameraModel& CameraModelOf(int32_t modelCode) {
  for (const CameraModel& m : kModels)
    if (m.modelCode == modelCode) return m;
  return kOtherModel;
}

bool IsListedModel(int32_t modelCode) { return &CameraModelOf(modelCode) != &kOtherModel; }
