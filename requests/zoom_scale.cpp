#include "requests/zoom_scale.h"

#include "requests/camera_models.h"

#include <cstdio>
#include <cstdlib>

namespace {

const int32_t kZ10[] = {0, 6568, 9432, 11254, 12562, 13737, 14399, 15061, 15723, 16384};
const int32_t kZ20[] = {0,     6225,  8894,  10486, 11589, 12422, 13088, 13641, 14110, 14515,
                        14866, 15170, 15431, 15653, 15839, 15995, 16123, 16228, 16314, 16384};
// Entry 14 really is 15050, only 19 below entry 15.
const int32_t kZ30[] = {0,     5793,  8291,  9768,  10781, 11539, 12141, 12641, 13069, 13446,
                        13783, 14089, 14368, 14624, 15050, 15069, 15260, 15430, 15580, 15712,
                        15828, 15929, 16016, 16092, 16158, 16215, 16266, 16310, 16348, 16384};

const ZoomTable kTable10 = {kZ10, static_cast<int32_t>(sizeof kZ10 / sizeof kZ10[0])};
const ZoomTable kTable20 = {kZ20, static_cast<int32_t>(sizeof kZ20 / sizeof kZ20[0])};
const ZoomTable kTable30 = {kZ30, static_cast<int32_t>(sizeof kZ30 / sizeof kZ30[0])};

}  // namespace

const ZoomTable& ZoomTableOfModel(int32_t modelCode) {
  switch (ZoomRatioOfModel(modelCode)) {
    case 20:
      return kTable20;
    case 30:
      return kTable30;
    default:
      return kTable10;
  }
}

int32_t ZoomSliderMax(const ZoomTable& table) { return 10 * (table.count - 1); }

int32_t ZoomForward(const ZoomTable& table, int32_t sliderPos) {
  const int32_t* t = table.entries;
  const int32_t last = table.count - 1;
  if (sliderPos <= 0) return t[0];
  if (sliderPos >= 10 * last) return t[last];
  int32_t i = sliderPos / 10;
  int32_t f = sliderPos - 10 * i;
  // The interval is cut into truncated tenths before scaling by f.
  return t[i] + ((t[i + 1] - t[i]) / 10) * f;
}

namespace {

// A tenth of the interval above entry k, never 0.
int32_t TenthOf(const int32_t* t, int32_t k) {
  int32_t tenth = (t[k + 1] - t[k]) / 10;
  return tenth > 0 ? tenth : 1;
}

// Slider position of a zoom position `d` above entry k, k below the last.
int32_t AboveEntry(const int32_t* t, int32_t k, int32_t d) { return 10 * k + d / TenthOf(t, k); }

}  // namespace

int32_t ZoomInverse(const ZoomTable& table, int32_t zoomPos) {
  const int32_t* t = table.entries;
  const int32_t last = table.count - 1;
  if (zoomPos < t[0]) return 0;
  if (zoomPos > t[last]) return 10 * last;

  int32_t best = 32768;
  int32_t bestIndex = 0;
  bool below = false;
  bool bestBelow = false;
  for (int32_t k = 0; k <= last; k++) {
    if (zoomPos < t[k]) below = true;
    int32_t d = std::abs(zoomPos - t[k]);
    if (d == 0) return 10 * k;
    // Strictly nearer only: of two entries at the same distance the lower wins.
    if (d < best) {
      best = d;
      bestIndex = k;
      bestBelow = below;
    }
  }
  if (bestIndex == last) return bestBelow ? 10 * last - 1 : 10 * last;
  if (!bestBelow) return AboveEntry(t, bestIndex, best);
  // Below an entry the tenths come from the interval above it, which in these
  // tables is narrower than the one the position lies in (Z30's 15050..15069
  // by far), so just past a midpoint the result would drop below what the
  // positions before it showed. It never goes back: at least the value of the
  // last position still nearer the entry below (ties go to the lower entry).
  const int32_t result = 10 * bestIndex - best / TenthOf(t, bestIndex) - 1;
  const int32_t lastNearerBelow = t[bestIndex - 1] + (t[bestIndex] - t[bestIndex - 1]) / 2;
  const int32_t floor = AboveEntry(t, bestIndex - 1, lastNearerBelow - t[bestIndex - 1]);
  return result > floor ? result : floor;
}

ValueText ZoomText(int32_t sliderPos) {
  ValueText v;
  float factor = static_cast<float>(sliderPos) / 10.0f + 1.0f;
  snprintf(v.text, sizeof v.text, "x %.1f", static_cast<double>(factor));
  return v;
}
