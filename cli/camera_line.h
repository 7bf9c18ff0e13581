// The one-line description of a camera that orvalix-cli prints once the list
// is filled: number, COM port, address, model code and every record field.
#pragma once

#include "engine/camera_controller.h"

#include <cstddef>

// Writes the line for record `index` (no line end); the text is cut to fit.
void FormatCameraLine(const CameraRecord& r, int32_t index, char* out, size_t size);
