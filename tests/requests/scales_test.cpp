#include "engine/camera_controller.h"
#include "requests/camera_models.h"
#include "requests/value_scales.h"
#include "requests/zoom_scale.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

// The published zoom positions at each whole zoom factor, typed in here
// independently of the program's own tables.
const std::vector<int> kZ10 = {0, 6568, 9432, 11254, 12562, 13737, 14399, 15061, 15723, 16384};
const std::vector<int> kZ20 = {0,     6225,  8894,  10486, 11589, 12422, 13088, 13641, 14110, 14515,
                               14866, 15170, 15431, 15653, 15839, 15995, 16123, 16228, 16314, 16384};
const std::vector<int> kZ30 = {0,     5793,  8291,  9768,  10781, 11539, 12141, 12641, 13069, 13446,
                               13783, 14089, 14368, 14624, 15050, 15069, 15260, 15430, 15580, 15712,
                               15828, 15929, 16016, 16092, 16158, 16215, 16266, 16310, 16348, 16384};

struct ModelTable {
  int model;
  const std::vector<int>* table;
};
const ModelTable kModels[] = {{0x4B, &kZ10}, {0x00, &kZ10}, {0x5F, &kZ20}, {0x5C, &kZ20},
                              {0x66, &kZ30}, {0x67, &kZ30}, {0x40, &kZ30}};

std::string S(const ValueText& v) { return v.text; }

TEST(ZoomScale, ModelsPickTheirTable) {
  for (const ModelTable& m : kModels) {
    const ZoomTable& t = ZoomTableOfModel(m.model);
    SCOPED_TRACE(m.model);
    ASSERT_EQ(t.count, static_cast<int>(m.table->size()));
    EXPECT_EQ(ZoomSliderMax(t), 10 * (t.count - 1));
    // Whole factors land exactly on the published positions, both ways.
    for (int k = 0; k < t.count; k++) {
      EXPECT_EQ(ZoomForward(t, 10 * k), (*m.table)[k]) << "k=" << k;
      EXPECT_EQ(ZoomInverse(t, (*m.table)[k]), 10 * k) << "k=" << k;
    }
  }
}

TEST(ZoomScale, ForwardWorkedExamples) {
  const ZoomTable& z10 = ZoomTableOfModel(0x4B);
  EXPECT_EQ(ZoomForward(z10, 0), 0);
  EXPECT_EQ(ZoomForward(z10, 15), 7998);
  EXPECT_EQ(ZoomForward(z10, 57), 14199);
  EXPECT_EQ(ZoomInverse(z10, 14199), 56);
  EXPECT_EQ(ZoomForward(z10, 90), 16384);
  EXPECT_EQ(ZoomForward(ZoomTableOfModel(0x5F), 189), 16377);
  // Z30's short interval 15050..15069 moves in steps of 1.
  EXPECT_EQ(ZoomForward(ZoomTableOfModel(0x66), 145), 15055);
}

TEST(ZoomScale, InverseWorkedExamples) {
  const ZoomTable& z10 = ZoomTableOfModel(0x4B);
  EXPECT_EQ(ZoomInverse(z10, 9432), 20);
  EXPECT_EQ(ZoomInverse(z10, 9532), 20);
  EXPECT_EQ(ZoomInverse(z10, 9700), 21);
  EXPECT_EQ(ZoomInverse(z10, 9332), 19);
  EXPECT_EQ(ZoomInverse(z10, 16000), 84);
  EXPECT_EQ(ZoomInverse(z10, 16384), 90);
  // Equally far from 0 and 6568: the lower entry wins, step 656.
  EXPECT_EQ(ZoomInverse(z10, 3284), 5);
  // Just below the last entry.
  EXPECT_EQ(ZoomInverse(z10, 16383), 89);
  // Below entry 15 of Z30 uses the step of the interval above it (19).
  EXPECT_EQ(ZoomInverse(ZoomTableOfModel(0x67), 15060), 149);
  for (const ModelTable& m : kModels) {
    const ZoomTable& t = ZoomTableOfModel(m.model);
    EXPECT_EQ(ZoomInverse(t, 0), 0);
    EXPECT_EQ(ZoomInverse(t, 16384), 10 * (t.count - 1));
  }
}

TEST(ZoomScale, OutOfRangeEndsAtTheSliderEnds) {
  for (const ModelTable& m : kModels) {
    const ZoomTable& t = ZoomTableOfModel(m.model);
    const int top = 10 * (t.count - 1);
    SCOPED_TRACE(m.model);
    for (int p : {16385, 20000, 49151, 49152, 60000, 65535, 0x7FFFFFFF}) EXPECT_EQ(ZoomInverse(t, p), top) << p;
    EXPECT_EQ(ZoomInverse(t, -1), 0);
    EXPECT_EQ(ZoomForward(t, -5), 0);
    EXPECT_EQ(ZoomForward(t, top + 1), 16384);
    EXPECT_EQ(ZoomForward(t, 100000), 16384);
  }
}

TEST(ZoomScale, ValueText) {
  EXPECT_EQ(S(ZoomText(0)), "x 1.0");
  EXPECT_EQ(S(ZoomText(19)), "x 2.9");
  EXPECT_EQ(S(ZoomText(20)), "x 3.0");
  EXPECT_EQ(S(ZoomText(25)), "x 3.5");
  EXPECT_EQ(S(ZoomText(90)), "x 10.0");
  EXPECT_EQ(S(ZoomText(290)), "x 30.0");
}

TEST(FocusScale, SpanAndBothDirections) {
  for (int m : {0x5F, 0x5C, 0x66, 0x67, 0x40}) EXPECT_EQ(FocusSpanOfModel(m), 0xD500) << m;
  for (int m : {0x4B, 0x00, 0x41, 0xFF}) EXPECT_EQ(FocusSpanOfModel(m), 0xB000) << m;
  for (int span : {0xD500, 0xB000}) {
    EXPECT_EQ(FocusInverse(0x1000, span), 1);
    EXPECT_EQ(FocusInverse(0x1000 + span, span), 100);
    EXPECT_EQ(FocusForward(1, span), 0x1000 + span / 99);
    EXPECT_EQ(FocusForward(99, span), 0x1000 + span);
    // Not exact inverses: the forward truncates, the inverse adds 1 back.
    EXPECT_EQ(FocusInverse(FocusForward(50, span), span), 50);
    EXPECT_EQ(FocusInverse(FocusForward(50, span) + span / 99, span), 51);
    // Beyond the slider: the nearer end, no overflow.
    EXPECT_EQ(FocusForward(1000000, span), 0x1000 + span);
    EXPECT_EQ(FocusForward(-3, span), 0x1000);
  }
  EXPECT_EQ(FocusForward(50, 0xB000), 4096 + 22755);
  EXPECT_EQ(FocusForward(50, 0xD500), 4096 + 27539);
  EXPECT_EQ(FocusInverse(0xE500, FocusSpanOfModel(0x67)), 100);
}

TEST(ShutterScale, TableBothWays) {
  const int denominators[13] = {1000, 600, 425, 300, 215, 150, 120, 100, 75, 50, 25, 12, 6};
  for (int s = 0; s <= 12; s++) {
    EXPECT_EQ(ShutterPositionOfSlider(s), 15 - s);
    EXPECT_EQ(ShutterSliderOfPosition(15 - s), s);
    EXPECT_EQ(S(ShutterText(s)), "1/" + std::to_string(denominators[s]) + "s");
    EXPECT_EQ(S(ShutterTextOfPosition(15 - s)), S(ShutterText(s)));
  }
  EXPECT_EQ(S(ShutterText(0)), "1/1000s");
  EXPECT_EQ(S(ShutterText(12)), "1/6s");
}

TEST(ShutterScale, PositionsOffTheTableShowAPlaceholder) {
  for (int p : {0, 2, 16, 27, 0xFFFF, -1}) {
    EXPECT_EQ(S(ShutterTextOfPosition(p)), "1/--s") << p;
    int s = ShutterSliderOfPosition(p);
    EXPECT_GE(s, 0);
    EXPECT_LE(s, 12);
  }
  // Above 15 stays at the short-time end rather than mirroring back in.
  EXPECT_EQ(ShutterSliderOfPosition(16), 0);
  EXPECT_EQ(ShutterSliderOfPosition(2), 12);
  for (int s : {-1, 13, 100}) EXPECT_EQ(S(ShutterText(s)), "1/--s") << s;
}

TEST(IrisScale, TableAndPlaceholder) {
  const char* shown[13] = {"F 14.0", "F 11.0", "F 9.6", "F 8.0", "F 6.8", "F 5.6", "F 4.8",
                           "F 4.0",  "F 3.4",  "F 2.8", "F 2.4", "F 2.0", "F 1.6"};
  for (int p = 5; p <= 17; p++) {
    EXPECT_EQ(S(IrisText(p)), shown[p - 5]);
    EXPECT_EQ(IrisSliderOfPosition(p), p);
  }
  for (int p : {0, 4, 18, 0x20, 0xFFFF, -7}) {
    EXPECT_EQ(S(IrisText(p)), "F --") << p;
    int s = IrisSliderOfPosition(p);
    EXPECT_GE(s, 5);
    EXPECT_LE(s, 17);
  }
  EXPECT_EQ(IrisSliderOfPosition(4), 5);
  EXPECT_EQ(IrisSliderOfPosition(18), 17);
}

TEST(LevelScales, Texts) {
  EXPECT_EQ(S(ExpCompText(7)), "0");
  EXPECT_EQ(S(ExpCompText(0)), "-7");
  EXPECT_EQ(S(ExpCompText(14)), "7");
  EXPECT_EQ(S(BrightnessText(5)), "0");
  EXPECT_EQ(S(BrightnessText(23)), "18");
  EXPECT_EQ(S(NumberText(205)), "205");
  EXPECT_EQ(S(NumberText(0)), "0");
}

TEST(EmulatedBrightness, IrisBelowEighteenGainAbove) {
  EXPECT_EQ(EmulatedBrightnessOf(17).iris, 17);
  EXPECT_EQ(EmulatedBrightnessOf(17).gain, 1);
  EXPECT_EQ(EmulatedBrightnessOf(5).iris, 5);
  EXPECT_EQ(EmulatedBrightnessOf(5).gain, 1);
  EXPECT_EQ(EmulatedBrightnessOf(18).iris, 17);
  EXPECT_EQ(EmulatedBrightnessOf(18).gain, 2);
  EXPECT_EQ(EmulatedBrightnessOf(23).gain, 7);
  EXPECT_EQ(BrightnessOfEmulated(5, 17), 21);
  EXPECT_EQ(BrightnessOfEmulated(1, 9), 9);
  EXPECT_EQ(BrightnessOfEmulated(0, 12), 12);
  for (int b = 5; b <= 23; b++) {
    EmulatedBrightness e = EmulatedBrightnessOf(b);
    EXPECT_EQ(BrightnessOfEmulated(e.gain, e.iris), b) << b;
  }
}

TEST(CameraModels, Groups) {
  for (int m : {0x5F, 0x5C, 0x66, 0x67, 0x40}) EXPECT_TRUE(IsWideRangeModel(m)) << m;
  for (int m : {0x4B, 0x00, 0x45, 0x68}) EXPECT_FALSE(IsWideRangeModel(m)) << m;
  EXPECT_EQ(ZoomRatioOfModel(0x5F), 20);
  EXPECT_EQ(ZoomRatioOfModel(0x5C), 20);
  EXPECT_EQ(ZoomRatioOfModel(0x66), 30);
  EXPECT_EQ(ZoomRatioOfModel(0x67), 30);
  EXPECT_EQ(ZoomRatioOfModel(0x40), 30);
  EXPECT_EQ(ZoomRatioOfModel(0x4B), 10);
}

}  // namespace
