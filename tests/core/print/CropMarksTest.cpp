// Crop-mark positions, checked pixel by pixel against the marks' description.
#include <gtest/gtest.h>

#include <set>
#include <utility>

#include "core/print/CropMarks.h"
#include "core/print/PrintLayout.h"

namespace velinor {
namespace {

using Pixels = std::set<std::pair<int, int>>;

Pixels Covered(const std::vector<TMarkLine>& lines) {
  Pixels p;
  for (const TMarkLine& l : lines) {
    const TRect r = MarkPixels(l);
    for (int y = r.Top; y < r.Bottom; ++y)
      for (int x = r.Left; x < r.Right; ++x) p.insert({x, y});
  }
  return p;
}

// Walks from a towards b, not drawing b.
void Walk(Pixels& p, TPoint a, TPoint b) {
  const int dx = (b.X > a.X) - (b.X < a.X), dy = (b.Y > a.Y) - (b.Y < a.Y);
  for (TPoint q = a; !(q == b); q.X += dx, q.Y += dy) p.insert({q.X, q.Y});
}

TEST(CropMarks, CornerMarksAt600Dpi) {
  const TRect r{1000, 800, 3000, 2200};  // 2000 x 1400: ratio 1.43, no centre marks
  const auto lines = CropMarkLines(r, 1400, 1000, 189, 24);
  ASSERT_EQ(lines.size(), 8u);
  Pixels expected;
  const int F = 189, N = 24, L = 1000, T = 800, R = 3000, B = 2200;
  Walk(expected, {L - F, T}, {L - N, T});
  Walk(expected, {L, T - F}, {L, T - N});
  Walk(expected, {R + F, T}, {R + N, T});
  Walk(expected, {R, T - F}, {R, T - N});
  Walk(expected, {R + F, B}, {R + N, B});
  Walk(expected, {R, B + F}, {R, B + N});
  Walk(expected, {L - F, B}, {L - N, B});
  Walk(expected, {L, B + F}, {L, B + N});
  EXPECT_EQ(Covered(lines), expected);
  EXPECT_EQ(expected.size(), 8u * (F - N));
  // The right marks sit on x = R, one pixel beyond the last image column.
  EXPECT_TRUE(expected.count({R, T - N - 1}));
  EXPECT_FALSE(expected.count({R, T - N}));
  EXPECT_TRUE(expected.count({L - F, T}));
  EXPECT_FALSE(expected.count({L - N, T}));
}

TEST(CropMarks, CentreMarksForElongatedImages) {
  const TRect r{100, 100, 1700, 1100};
  auto wide = CropMarkLines(r, 1600, 1000, 50, 10);  // ratio 1.6
  ASSERT_EQ(wide.size(), 10u);
  EXPECT_EQ(wide[8], (TMarkLine{{900, 50}, {900, 90}}));
  EXPECT_EQ(wide[9], (TMarkLine{{900, 1150}, {900, 1110}}));
  EXPECT_EQ(CropMarkLines(r, 1400, 1000, 50, 10).size(), 8u);  // ratio 1.4
  EXPECT_EQ(CropMarkLines(r, 1500, 1000, 50, 10).size(), 10u);  // exactly 1.5
  auto tall = CropMarkLines(TRect{100, 100, 1100, 1700}, 1000, 1600, 50, 10);
  ASSERT_EQ(tall.size(), 10u);
  EXPECT_EQ(tall[8], (TMarkLine{{50, 900}, {90, 900}}));
  EXPECT_EQ(tall[9], (TMarkLine{{1150, 900}, {1110, 900}}));
}

TEST(CropMarks, FarAndNearFromThePage) {
  TBitmap image(1600, 1000);
  TPrintLayout layout(false);
  layout.Show(&image, 6800, 4800, 600);
  EXPECT_EQ(layout.CropFar(), 189);
  EXPECT_EQ(layout.CropNear(), 24);
  const auto marks = layout.CropMarks();
  ASSERT_EQ(marks.size(), 10u);
  const TRect pr = layout.PrintRect();
  EXPECT_EQ(marks[0], (TMarkLine{{pr.Left - 189, pr.Top}, {pr.Left - 24, pr.Top}}));
  EXPECT_EQ(marks[8].From.X, pr.Left + pr.Width() / 2);
}

}  // namespace
}  // namespace velinor
