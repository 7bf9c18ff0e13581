// The one-line description of a camera that orvalix-cli prints once the list
// is filled: number, COM port, address, model code and every record field.
#pragma once

#include "engine/orvalix_engine.h"

#include <cstddef>

// Writes the line for camera `index` (no line end); the text is cut to fit.
void FormatCameraLine(const CameraSnapshot& r, int32_t index, char* out, size_t size);
