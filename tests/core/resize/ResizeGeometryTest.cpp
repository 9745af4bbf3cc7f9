#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "core/resize/ResizeGeometry.h"

namespace velinor {
namespace {

TResizeGeometry Geometry(int w, int h) {
  TResizeGeometry g;
  g.SetOriginal(w, h);
  return g;
}

TEST(ResizeGeometry, LinkedSidesRoundHalfToEven) {
  const TResizeGeometry g = Geometry(1000, 500);
  EXPECT_DOUBLE_EQ(g.AspectRatio, 2.0);
  EXPECT_EQ(g.LinkedHeight(300), 150);
  EXPECT_EQ(g.LinkedHeight(333), 166);  // 166.5
  EXPECT_EQ(g.LinkedHeight(335), 168);  // 167.5
  EXPECT_EQ(g.LinkedWidth(150), 300);
  EXPECT_EQ(g.LinkedHeight(1), 0);  // the field raises it to its minimum
  // A linked side may exceed what a field shows; the field clamps it.
  EXPECT_EQ(Geometry(4000, 1000).LinkedWidth(2000), 8000);
}

TEST(ResizeGeometry, PixelsAndPercent) {
  TResizeGeometry g = Geometry(1000, 333);
  EXPECT_EQ(g.WidthPixels(299.5), 300);
  EXPECT_EQ(g.WidthPixels(300.5), 300);
  EXPECT_DOUBLE_EQ(g.WidthValue(300), 300);
  g.WidthUnit = suPercent;
  g.HeightUnit = suPercent;
  EXPECT_DOUBLE_EQ(g.WidthValue(300), 30.0);
  EXPECT_EQ(g.WidthPixels(30.0), 300);
  EXPECT_DOUBLE_EQ(g.WidthValue(1000), 100.0);
  EXPECT_EQ(g.HeightPixels(50.0), 166);  // 166.5 rounds to even
  EXPECT_EQ(g.HeightPixels(100.0), 333);
  // A value shown with two decimals reads back to the same pixels.
  for (int p = 1; p <= 1000; ++p) {
    const double shown = std::round(g.HeightValue(p) * 100) / 100;
    EXPECT_EQ(g.HeightPixels(shown), p) << p;
  }
  // Each field has its own unit.
  g.HeightUnit = suPixels;
  EXPECT_EQ(g.HeightPixels(50.0), 50);
  EXPECT_EQ(g.WidthPixels(50.0), 500);
}

TEST(ResizeGeometry, DegenerateInputsStayDefined) {
  TResizeGeometry g = Geometry(0, 0);
  EXPECT_DOUBLE_EQ(g.AspectRatio, 1.0);
  g.WidthUnit = suPercent;
  EXPECT_DOUBLE_EQ(g.WidthValue(10), 0.0);
  EXPECT_EQ(TResizeGeometry::ToPixels(std::numeric_limits<double>::quiet_NaN(), suPixels, 10), 0);
  EXPECT_EQ(TResizeGeometry::ToPixels(1e300, suPixels, 10), std::numeric_limits<int>::max());
}

TEST(ResizeGeometry, FieldsHoldTheImagesOwnSize) {
  EXPECT_DOUBLE_EQ(RedimFieldMaximum(4000, 1000), 5000);
  EXPECT_DOUBLE_EQ(RedimFieldMaximum(6000, 4000), 6000);
  EXPECT_DOUBLE_EQ(RedimFieldMaximum(300, 7000), 7000);
}

TEST(ResizeGeometry, FinalSideIsAtLeastTwo) {
  EXPECT_EQ(FinalSide(-5), 2);
  EXPECT_EQ(FinalSide(0), 2);
  EXPECT_EQ(FinalSide(1), 2);
  EXPECT_EQ(FinalSide(2), 2);
  EXPECT_EQ(FinalSide(5000), 5000);
}

}  // namespace
}  // namespace velinor
