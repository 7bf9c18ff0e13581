// Zoom scale: slider positions in tenths of a zoom factor against the
// camera's zoom positions, through a table of the position at each whole
// factor (x1 first).
#pragma once

#include "requests/value_text.h"

#include <cstdint>

struct ZoomTable {
  const int32_t* entries;
  int32_t count;  // N; the slider runs 0..10*(N-1)
};

// Z10, Z20 or Z30 by the model's zoom ratio.
const ZoomTable& ZoomTableOfModel(int32_t modelCode);
int32_t ZoomSliderMax(const ZoomTable& table);

// Slider position -> camera zoom position. Positions outside the slider's
// range are taken as its nearest end, so the table is never read past.
int32_t ZoomForward(const ZoomTable& table, int32_t sliderPos);
// Camera zoom position -> slider position (nearest table entry plus the
// tenths of its interval); never smaller for a higher position. Positions
// below 0 give 0 and positions above the last entry give the top of the slider.
int32_t ZoomInverse(const ZoomTable& table, int32_t zoomPos);

// "x %.1f" of sliderPos / 10 + 1.
ValueText ZoomText(int32_t sliderPos);
