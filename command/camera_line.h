// The one-line description of a camera that orvalix-cli prints once the list
// is filled (number, COM port, address, model code and every record field),
// and the list of them the command language replies to "cameras".
#pragma once

#include "engine/orvalix_engine.h"

#include <cstddef>

// Writes the line for camera `index` (no line end); the text is cut to fit.
void FormatCameraLine(const CameraSnapshot& r, int32_t index, char* out, size_t size);

// Room for the longest camera line.
constexpr size_t kCameraLineChars = 1536;
// Room for every camera's line in one list.
constexpr size_t kCameraListChars = kMaxCameras * kCameraLineChars + 64;

// "N" and then, each after a line feed, the lines of the N cameras. When they
// do not all fit, the first line says "M of N cameras ..." and the M lines
// that fit whole follow.
void FormatCameraList(const CameraController* c, char* out, size_t size);
