#include "requests/value_scales.h"
#include "requests/zoom_scale.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstdlib>
#include <string>

namespace {

// Expected zoom positions at each whole zoom factor, written out here
// independently of the program's own tables.
const int kZ10[] = {0, 6568, 9432, 11254, 12562, 13737, 14399, 15061, 15723, 16384};
const int kZ20[] = {0,     6225,  8894,  10486, 11589, 12422, 13088, 13641, 14110, 14515,
                    14866, 15170, 15431, 15653, 15839, 15995, 16123, 16228, 16314, 16384};
const int kZ30[] = {0,     5793,  8291,  9768,  10781, 11539, 12141, 12641, 13069, 13446,
                    13783, 14089, 14368, 14624, 15050, 15069, 15260, 15430, 15580, 15712,
                    15828, 15929, 16016, 16092, 16158, 16215, 16266, 16310, 16348, 16384};
std::string S(const ValueText& v) { return v.text; }
const struct {
  int model, n;
  const int* table;
} kModels[] = {{0x4B, 10, kZ10}, {0x00, 10, kZ10}, {0x5F, 20, kZ20}, {0x5C, 20, kZ20},
               {0x66, 30, kZ30}, {0x67, 30, kZ30}, {0x40, 30, kZ30}};

// The plain inverse rule (nearest entry, tenths from the interval above it);
// positions farther than 32767 from every entry take the top.
int PlainInverse(const int* t, int n, int p) {
  int best = 32768, k0 = -1;
  bool below = false, bestBelow = false;
  for (int k = 0; k < n; k++) {
    if (p < t[k]) below = true;
    const int d = std::abs(p - t[k]);
    if (d == 0) return 10 * k;
    if (d < best) best = d, k0 = k, bestBelow = below;
  }
  if (k0 < 0) return 10 * (n - 1);
  if (k0 == n - 1) return bestBelow ? 10 * (n - 1) - 1 : 10 * (n - 1);
  const int step = (t[k0 + 1] - t[k0]) / 10;
  return bestBelow ? 10 * k0 - best / step - 1 : 10 * k0 + best / step;
}

TEST(ZoomScale, TablesWorkedExamplesAndEnds) {
  for (const auto& m : kModels) {
    SCOPED_TRACE(m.model);
    const ZoomTable& t = ZoomTableOfModel(m.model);
    const int top = 10 * (m.n - 1);
    ASSERT_EQ(t.count, m.n);
    EXPECT_EQ(ZoomSliderMax(t), top);
    for (int k = 0; k < m.n; k++) {  // whole factors land on the table, both ways
      EXPECT_EQ(ZoomForward(t, 10 * k), m.table[k]) << k;
      EXPECT_EQ(ZoomInverse(t, m.table[k]), 10 * k) << k;
    }
    // Above the last entry, even farther than 32767 from every entry: the top of the slider.
    for (int p : {16385, 49151, 49152, 65535, 0x7FFFFFFF}) EXPECT_EQ(ZoomInverse(t, p), top) << p;
    // Every slider position comes back within one zoom factor, also around Z30's 15050..15069.
    for (int a = 0; a <= top; a++) EXPECT_NEAR(ZoomInverse(t, ZoomForward(t, a)), a, 9) << a;
    EXPECT_EQ(ZoomInverse(t, -1), 0);
    EXPECT_EQ(ZoomForward(t, -5), 0);
    EXPECT_EQ(ZoomForward(t, top + 1), 16384);
  }
  // Z30's 15050..15069 moves in steps of 1, and below an entry the inverse uses the step of the interval above it.
  const int forward[][3] = {{0x4B, 15, 7998}, {0x4B, 57, 14199}, {0x5F, 189, 16377}, {0x67, 145, 15055}};
  for (const auto& e : forward) EXPECT_EQ(ZoomForward(ZoomTableOfModel(e[0]), e[1]), e[2]) << e[1];
  const int inverse[][3] = {{0x4B, 14199, 56}, {0x4B, 9532, 20}, {0x4B, 9700, 21},  {0x4B, 9332, 19},
                            {0x4B, 16000, 84}, {0x4B, 3284, 5},  {0x4B, 16383, 89}, {0x67, 15060, 149}};
  for (const auto& e : inverse) EXPECT_EQ(ZoomInverse(ZoomTableOfModel(e[0]), e[1]), e[2]) << e[1];
  EXPECT_EQ(S(ZoomText(0)) + S(ZoomText(19)) + S(ZoomText(25)) + S(ZoomText(290)), "x 1.0x 2.9x 3.5x 30.0");
}

// The plain rule drops back past the midpoint between two entries (on Z30 from
// 135 at 14837 far below zero at 14838); where it drops, the value reached holds.
TEST(ZoomScale, InverseNeverGoesBackAndDiffersFromThePlainRuleOnlyWhereThatDoes) {
  for (const auto& m : kModels) {
    SCOPED_TRACE(m.model);
    const ZoomTable& t = ZoomTableOfModel(m.model);
    int reached = 0, differ = 0, wrong = 0;
    for (int p = 0; p <= 65535 && wrong < 5; p++) {
      const int plain = PlainInverse(m.table, m.n, p);
      if (plain > reached) reached = plain;
      const int got = ZoomInverse(t, p);
      if (got != reached) ++wrong, ADD_FAILURE() << "position " << p << ": " << got << ", want " << reached;
      if (got != plain) ++differ;
    }
    EXPECT_GT(differ, 0);  // the repair is needed in every table
  }
  // 14837 is the last position nearer 14624: 130 + 213 / 42 = 135.
  const ZoomTable& z30 = ZoomTableOfModel(0x66);
  EXPECT_EQ(PlainInverse(kZ30, 30, 15040), 129);
  EXPECT_EQ(PlainInverse(kZ30, 30, 15041), 130);
  for (int p : {14837, 14838, 15040, 15041, 15045}) EXPECT_EQ(ZoomInverse(z30, p), 135) << p;
  for (int p : {15046, 15049, 15050}) EXPECT_EQ(ZoomInverse(z30, p), PlainInverse(kZ30, 30, p)) << p;
}

TEST(FocusScale, SpanAndBothDirections) {
  for (int m : {0x5F, 0x5C, 0x66, 0x67, 0x40}) EXPECT_EQ(FocusSpanOfModel(m), 0xD500) << m;
  for (int m : {0x4B, 0x00, 0x45, 0xFF}) EXPECT_EQ(FocusSpanOfModel(m), 0xB000) << m;
  EXPECT_EQ(FocusForward(50, 0xB000), 4096 + 22755);
  EXPECT_EQ(FocusForward(50, 0xD500), 4096 + 27539);
  for (int span : {0xD500, 0xB000}) {
    EXPECT_EQ(FocusInverse(0x1000, span) * 1000 + FocusInverse(0x1000 + span, span), 1100);
    EXPECT_EQ(FocusForward(1, span), 0x1000 + span / 99);
    EXPECT_EQ(FocusForward(99, span), 0x1000 + span);
    EXPECT_EQ(FocusInverse(FocusForward(50, span), span), 50);  // the inverse adds 1 back
    EXPECT_EQ(FocusForward(1000000, span), 0x1000 + span);      // no overflow
  }
}

TEST(ExposureScales, TablesTextsAndPlaceholders) {
  const int denominators[13] = {1000, 600, 425, 300, 215, 150, 120, 100, 75, 50, 25, 12, 6};
  const char* fNumbers[13] = {"F 14.0", "F 11.0", "F 9.6", "F 8.0", "F 6.8", "F 5.6", "F 4.8",
                              "F 4.0",  "F 3.4",  "F 2.8", "F 2.4", "F 2.0", "F 1.6"};
  for (int s = 0; s <= 12; s++) {
    EXPECT_EQ(ShutterPositionOfSlider(s), 15 - s);
    EXPECT_EQ(ShutterSliderOfPosition(15 - s), s);
    EXPECT_EQ(S(ShutterText(s)), "1/" + std::to_string(denominators[s]) + "s");
    EXPECT_EQ(S(ShutterTextOfPosition(15 - s)), S(ShutterText(s)));
    EXPECT_EQ(S(IrisText(s + 5)), fNumbers[s]);
    EXPECT_EQ(IrisSliderOfPosition(s + 5), s + 5);
  }
  // Positions off the tables: a placeholder, the slider past the nearer end, the iris slider at it.
  const int off[][2] = {{2, 4}, {0, 0}, {-1, -7}, {INT_MIN, INT_MIN}, {16, 18}, {0xFFFF, 0xFFFF}, {INT_MAX, INT_MAX}};
  for (const auto& e : off) {  // shutter position, iris position
    const bool slow = e[0] < 3;
    EXPECT_EQ(S(ShutterTextOfPosition(e[0])), "1/--s") << e[0];
    EXPECT_EQ(S(ShutterText(ShutterSliderOfPosition(e[0]))), "1/--s") << e[0];
    EXPECT_TRUE(slow ? ShutterSliderOfPosition(e[0]) > 12 : ShutterSliderOfPosition(e[0]) < 0) << e[0];
    EXPECT_EQ(S(IrisText(e[1])), "F --") << e[1];
    EXPECT_EQ(IrisSliderOfPosition(e[1]), slow ? 5 : 17) << e[1];
  }
  for (int s : {-1, 13, INT_MIN, INT_MAX}) EXPECT_EQ(S(ShutterText(s)), "1/--s") << s;
  EXPECT_EQ(S(ExpCompText(0)) + " " + S(ExpCompText(7)) + " " + S(ExpCompText(14)), "-7 0 7");
  EXPECT_EQ(S(BrightnessText(5)) + " " + S(BrightnessText(23)), "0 18");
  // Model 0x40: up to 17 the iris with gain 1, above it iris 17 and gain b - 16; and back.
  for (int b = 5; b <= 23; b++) {
    EmulatedBrightness e = EmulatedBrightnessOf(b);
    EXPECT_EQ(e.iris, b <= 17 ? b : 17) << b;
    EXPECT_EQ(e.gain, b <= 17 ? 1 : b - 16) << b;
    EXPECT_EQ(BrightnessOfEmulated(e.gain, e.iris), b) << b;
  }
  EXPECT_EQ(BrightnessOfEmulated(0, 12), 12);
}

// Every scale takes any int without overflow (-DORVALIX_UBSAN=ON makes overflow fail).
TEST(Scales, AnyIntArgument) {
  for (int v : {INT_MIN, INT_MIN + 1, -1, 0, 1, INT_MAX - 1, INT_MAX}) {
    SCOPED_TRACE(v);
    const int shutter = ShutterPositionOfSlider(v);
    EXPECT_EQ(shutter, v < 0 ? 15 : v > 12 ? 3 : 15 - v);  // the nearer end of the slider
    EXPECT_TRUE(ShutterSliderOfPosition(v) >= -1 && ShutterSliderOfPosition(v) <= 13);
    EXPECT_FALSE(S(ShutterText(v)).empty() || S(ShutterTextOfPosition(v)).empty() || S(IrisText(v)).empty());
    EXPECT_EQ(S(BrightnessText(v)), std::to_string(static_cast<long long>(v) - 5));
    EXPECT_EQ(S(ExpCompText(v)), std::to_string(static_cast<long long>(v) - 7));
    EXPECT_EQ(S(NumberText(v)), std::to_string(v));
    EXPECT_GE(BrightnessOfEmulated(v, 9), v > 1 ? 17 : 9);
    EXPECT_EQ(EmulatedBrightnessOf(v).iris, v <= 17 ? v : 17);
    EXPECT_GE(IrisSliderOfPosition(v), 5);
    for (int model : {0x4B, 0x5F, 0x66}) {
      const ZoomTable& t = ZoomTableOfModel(model);
      EXPECT_TRUE(ZoomInverse(t, v) >= 0 && ZoomInverse(t, v) <= ZoomSliderMax(t));
      EXPECT_TRUE(ZoomForward(t, v) >= 0 && ZoomForward(t, v) <= 16384);
    }
    for (int span : {0xD500, 0xB000}) {
      EXPECT_TRUE(FocusForward(v, span) >= 0x1000 && FocusForward(v, span) <= 0x1000 + span);
      EXPECT_EQ(FocusInverse(v, span), static_cast<int>((static_cast<long long>(v) - 0x1000) * 99 / span + 1));
    }
  }
  EXPECT_EQ(BrightnessOfEmulated(INT_MAX, 9), INT_MAX);
}

}  // namespace
