// The value scales against worked examples, written out here from the zoom,
// iris and shutter tables independently of the program's own.
#include "requests/value_scales.h"
#include "requests/zoom_scale.h"

#include <gtest/gtest.h>

#include <climits>
#include <string>

namespace {

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

// Whole factors land on the table both ways; every slider position comes
// back within a factor; the inverse never goes back for a higher position
// and gives the top of the slider above the last entry.
TEST(ZoomScale, TablesBothWaysAndEnds) {
  for (const auto& m : kModels) {
    SCOPED_TRACE(m.model);
    const ZoomTable& t = ZoomTableOfModel(m.model);
    const int top = 10 * (m.n - 1);
    ASSERT_EQ(t.count, m.n);
    EXPECT_EQ(ZoomSliderMax(t), top);
    for (int k = 0; k < m.n; k++) {
      EXPECT_EQ(ZoomForward(t, 10 * k), m.table[k]) << k;
      EXPECT_EQ(ZoomInverse(t, m.table[k]), 10 * k) << k;
    }
    for (int a = 0; a <= top; a++) EXPECT_NEAR(ZoomInverse(t, ZoomForward(t, a)), a, 9) << a;
    int reached = 0;
    for (int p = 0; p <= 65535 && ZoomInverse(t, p) >= reached; p++) reached = ZoomInverse(t, p);
    EXPECT_EQ(reached, top) << "went back below " << reached;
    for (int p : {16385, 49152, 65535, INT_MAX}) EXPECT_EQ(ZoomInverse(t, p), top) << p;
    EXPECT_EQ(ZoomInverse(t, -1) + ZoomForward(t, -5), 0);
    EXPECT_EQ(ZoomForward(t, top + 1), 16384);
  }
}

// Forward and inverse examples, the Z30 ones around its close entries 15050
// and 15069: the nearest-entry rule would drop from 135 at 14837 to 129 at
// 15040; the value reached holds until the rule passes it again.
TEST(ZoomScale, WorkedExamples) {
  EXPECT_EQ(ZoomForward(ZoomTableOfModel(0x4B), 15), 7998);  // the others go out as bytes in request_table_test
  const int inverse[][3] = {{0x4B, 14199, 56},  {0x4B, 9532, 20},   {0x4B, 9700, 21},   {0x4B, 9332, 19},
                            {0x4B, 16000, 84},  {0x4B, 3284, 5},    {0x4B, 16383, 89},  {0x66, 14837, 135},
                            {0x66, 14838, 135}, {0x66, 15040, 135}, {0x66, 15046, 135}, {0x66, 15049, 138},
                            {0x67, 15060, 149}};
  for (const auto& e : inverse) EXPECT_EQ(ZoomInverse(ZoomTableOfModel(e[0]), e[1]), e[2]) << e[1];
  EXPECT_EQ(S(ZoomText(0)) + S(ZoomText(19)) + S(ZoomText(25)) + S(ZoomText(290)), "x 1.0x 2.9x 3.5x 30.0");
}

TEST(FocusScale, SpanAndBothDirections) {
  for (int m : {0x5F, 0x5C, 0x66, 0x67, 0x40}) EXPECT_EQ(FocusSpanOfModel(m), 0xD500) << m;
  for (int m : {0x4B, 0x00, 0x45, 0xFF}) EXPECT_EQ(FocusSpanOfModel(m), 0xB000) << m;
  // span, slider 1, 50 and 99 forward; 0x1000 and the top back.
  const int cases[][6] = {{0xB000, 0x11C7, 0x68E3, 0xC000, 1, 100}, {0xD500, 0x1226, 0x7B93, 0xE500, 1, 100}};
  for (const auto& k : cases) {
    EXPECT_EQ(FocusForward(1, k[0]), k[1]);
    EXPECT_EQ(FocusForward(50, k[0]), k[2]);
    EXPECT_EQ(FocusForward(99, k[0]), k[3]);
    EXPECT_EQ(FocusForward(1000000, k[0]), k[3]);  // no overflow
    EXPECT_EQ(FocusInverse(0x1000, k[0]) * 1000 + FocusInverse(k[3], k[0]), k[4] * 1000 + k[5]);
    EXPECT_EQ(FocusInverse(k[2], k[0]), 50);  // the inverse adds 1 back
  }
}

TEST(ExposureScales, TablesTextsAndPlaceholders) {
  const int denominators[13] = {1000, 600, 425, 300, 215, 150, 120, 100, 75, 50, 25, 12, 6};
  const char* fNumbers[13] = {"F 14.0", "F 11.0", "F 9.6", "F 8.0", "F 6.8", "F 5.6", "F 4.8",
                              "F 4.0",  "F 3.4",  "F 2.8", "F 2.4", "F 2.0", "F 1.6"};
  for (int s = 0; s <= 12; s++) {  // slider s is camera shutter position 15 - s
    EXPECT_EQ(ShutterPositionOfSlider(s) * 100 + ShutterSliderOfPosition(15 - s), (15 - s) * 100 + s);
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
    EXPECT_EQ(ShutterSliderOfPosition(e[0]), slow ? 13 : -1) << e[0];
    EXPECT_EQ(S(IrisText(e[1])), "F --") << e[1];
    EXPECT_EQ(IrisSliderOfPosition(e[1]), slow ? 5 : 17) << e[1];
  }
  for (int s : {-1, 13, INT_MIN, INT_MAX}) EXPECT_EQ(S(ShutterText(s)), "1/--s") << s;
  EXPECT_EQ(S(ExpCompText(0)) + " " + S(ExpCompText(7)) + " " + S(ExpCompText(14)), "-7 0 7");
  EXPECT_EQ(S(BrightnessText(5)) + " " + S(BrightnessText(23)), "0 18");
  // Model 0x40: brightness, then iris and gain as sent, and the brightness they read back as.
  const int emulated[][3] = {{5, 5, 1}, {12, 12, 1}, {17, 17, 1}, {18, 17, 2}, {23, 17, 7}};
  for (const auto& e : emulated) {
    EXPECT_EQ(EmulatedBrightnessOf(e[0]).iris * 100 + EmulatedBrightnessOf(e[0]).gain, e[1] * 100 + e[2]) << e[0];
    EXPECT_EQ(BrightnessOfEmulated(e[2], e[1]), e[0]) << e[0];
  }
  EXPECT_EQ(BrightnessOfEmulated(0, 12), 12);
}

// Every scale takes any int without overflow (-DORVALIX_UBSAN=ON makes overflow fail).
TEST(Scales, AnyIntArgument) {
  for (int v : {INT_MIN, INT_MIN + 1, -1, 0, 1, INT_MAX - 1, INT_MAX}) {
    SCOPED_TRACE(v);
    EXPECT_EQ(ShutterPositionOfSlider(v), v < 0 ? 15 : v > 12 ? 3 : 15 - v);  // the nearer end of the slider
    EXPECT_FALSE(S(BrightnessText(v)).empty() || S(ExpCompText(v)).empty() || S(NumberText(v)).empty());
    EXPECT_GE(BrightnessOfEmulated(v, 9), v > 1 ? 17 : 9);
    for (int model : {0x4B, 0x5F, 0x66}) {
      const ZoomTable& t = ZoomTableOfModel(model);
      EXPECT_TRUE(ZoomInverse(t, v) >= 0 && ZoomInverse(t, v) <= ZoomSliderMax(t));
      EXPECT_TRUE(ZoomForward(t, v) >= 0 && ZoomForward(t, v) <= 16384);
    }
    for (int span : {0xD500, 0xB000}) {
      EXPECT_TRUE(FocusForward(v, span) >= 0x1000 && FocusForward(v, span) <= 0x1000 + span);
      EXPECT_GE(FocusInverse(v, span), v < 0 ? INT_MIN : -98);
    }
  }
  EXPECT_EQ(S(BrightnessText(INT_MIN)) + " " + S(ExpCompText(INT_MIN)), "-2147483653 -2147483655");
  EXPECT_EQ(BrightnessOfEmulated(INT_MAX, 9), INT_MAX);
}

}  // namespace
