#include "requests/camera_models.h"

int32_t ZoomRatioOfModel(int32_t modelCode) {
  switch (modelCode) {
    case 0x5F:
    case 0x5C:
      return 20;
    case 0x66:
    case 0x67:
    case 0x40:
      return 30;
    default:
      return 10;
  }
}
