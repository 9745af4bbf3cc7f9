#include <gtest/gtest.h>

#include "gui/app/ZoomSteps.h"

namespace velinor {
namespace {

TEST(ZoomSteps, FromOneThirdOnlyUpwards) {
  EXPECT_FALSE(StepZoomDecision(1.0 / 3, 2).Possible);
  const TZoomStep in = StepZoomDecision(1.0 / 3, 1);
  ASSERT_TRUE(in.Possible);
  EXPECT_EQ(in.NewZoom, 0.5);
  EXPECT_EQ(ZoomToIndex(in.NewZoom), 2);
}

TEST(ZoomSteps, AutomaticZoomsStepToTheNeighbouringLevels) {
  EXPECT_EQ(StepZoomDecision(0.62, 1).NewZoom, 0.75);
  EXPECT_EQ(StepZoomDecision(0.62, 3).NewZoom, 0.5);
  EXPECT_FALSE(StepZoomDecision(0.2, 2).Possible);
  EXPECT_EQ(StepZoomDecision(0.2, 1).NewZoom, 0.333);
  EXPECT_EQ(ZoomToIndex(0.333), 1);
  EXPECT_EQ(StepZoomDecision(4, 1).NewZoom, 8);
  EXPECT_EQ(StepZoomDecision(4, 3).NewZoom, 2);
  EXPECT_EQ(StepZoomDecision(8, 1).NewZoom, 16);
  EXPECT_EQ(StepZoomDecision(16, 1).NewZoom, 32);
  EXPECT_EQ(StepZoomDecision(32, 3).NewZoom, 16);
  EXPECT_FALSE(StepZoomDecision(32, 0).Possible);  // 3200 % is the largest step
  EXPECT_FALSE(StepZoomDecision(40, 0).Possible);
  EXPECT_EQ(StepZoomDecision(1, 3).NewZoom, 0.75);
  EXPECT_EQ(StepZoomDecision(1, 1).NewZoom, 2);
  // 0.3334 rounds to 0.333 and counts as one third.
  EXPECT_FALSE(StepZoomDecision(0.3334, 2).Possible);
}

TEST(ZoomSteps, PresetsAndIndexes) {
  EXPECT_DOUBLE_EQ(PresetZoom(1), 1.0 / 3);
  EXPECT_EQ(PresetZoom(4), 1);
  EXPECT_EQ(PresetZoom(6), 4);
  EXPECT_EQ(PresetZoom(0), 0);
  EXPECT_EQ(PresetZoom(7), 8);
  EXPECT_EQ(PresetZoom(8), 16);
  EXPECT_EQ(PresetZoom(9), 32);
  EXPECT_EQ(PresetZoom(10), 0);
  EXPECT_EQ(ZoomToIndex(4), 6);  // the first presets keep their indexes
  EXPECT_EQ(ZoomToIndex(16), 8);
  EXPECT_EQ(ZoomToIndex(32), 9);
  EXPECT_EQ(ZoomToIndex(1.00005), 4);
  EXPECT_EQ(ZoomToIndex(0.62), 0);
  EXPECT_TRUE(SameZoom(1, 1.00009));
  EXPECT_FALSE(SameZoom(1, 1.00011));
  EXPECT_EQ(LimitAutoZoom(2.5), 1);
  EXPECT_EQ(LimitAutoZoom(0.05), 0.1);
  EXPECT_EQ(LimitAutoZoom(0.4), 0.4);
}

TEST(ZoomSteps, InitialZoomIsActualSizeOnlyWhenTheImageFits) {
  // View 600 x 400, margin 8, shadow 4: room for 600 - 16 - 4 - 2 = 578 x 378.
  EXPECT_EQ(InitialZoomIndex(578, 378, 600, 400, 8, 4), 4);
  EXPECT_EQ(InitialZoomIndex(579, 378, 600, 400, 8, 4), 0);
  EXPECT_EQ(InitialZoomIndex(578, 379, 600, 400, 8, 4), 0);
}

TEST(ZoomSteps, DisplayText) {
  EXPECT_EQ(ZoomDisplayText(1, "33%  (1:3)", true, 0.333), "33%");
  EXPECT_EQ(ZoomDisplayText(6, "400%  (4:1)", false, 1), "400%");
  EXPECT_EQ(ZoomDisplayText(8, "1600%  (16:1)", true, 16), "1600%");
  EXPECT_EQ(ZoomDisplayText(0, "<Auto>", true, 0.47), "47%");
  EXPECT_EQ(ZoomDisplayText(0, "<Auto>", true, 0.625), "62%");  // half to even
  EXPECT_EQ(ZoomDisplayText(0, "<Auto>", false, 0.47), "<Auto>");
}

}  // namespace
}  // namespace velinor
