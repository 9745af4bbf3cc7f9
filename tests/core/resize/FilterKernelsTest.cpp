// Kernel values and contributor lists.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <set>

#include "core/resize/StretchEx.h"

using namespace velinor;

namespace {

double Sinc(double x) { return x == 0 ? 1.0 : std::sin(M_PI * x) / (M_PI * x); }

}  // namespace

TEST(FilterKernels, ValuesFollowTheTable) {
  EXPECT_EQ(BoxFilter(0.5f), 1.0f);
  EXPECT_EQ(BoxFilter(-0.5f), 0.0f);  // half-open: (-0.5, 0.5]
  EXPECT_EQ(BoxFilter(0.0f), 1.0f);
  EXPECT_EQ(BoxFilter(0.51f), 0.0f);

  EXPECT_FLOAT_EQ(TriangleFilter(0.25f), 0.75f);
  EXPECT_FLOAT_EQ(TriangleFilter(-0.25f), 0.75f);
  EXPECT_EQ(TriangleFilter(1.0f), 0.0f);

  EXPECT_FLOAT_EQ(HermiteFilter(0.5f), 0.5f);
  EXPECT_FLOAT_EQ(HermiteFilter(0.25f), (2 * 0.25f - 3) * 0.0625f + 1);
  EXPECT_EQ(HermiteFilter(1.5f), 0.0f);

  EXPECT_FLOAT_EQ(BellFilter(0.0f), 0.75f);
  EXPECT_FLOAT_EQ(BellFilter(0.4f), 0.75f - 0.16f);
  EXPECT_FLOAT_EQ(BellFilter(1.0f), 0.125f);
  EXPECT_EQ(BellFilter(1.6f), 0.0f);

  EXPECT_FLOAT_EQ(BSplineFilter(0.0f), 2.0f / 3.0f);
  EXPECT_FLOAT_EQ(BSplineFilter(1.0f), 1.0f / 6.0f);
  EXPECT_FLOAT_EQ(BSplineFilter(-1.5f), 0.125f / 6.0f);
  EXPECT_EQ(BSplineFilter(2.0f), 0.0f);

  EXPECT_EQ(Lanczos3Filter(0.0f), 1.0f);
  for (float x : {0.3f, 0.5f, 1.25f, 1.5f, 2.5f, -2.9f})
    EXPECT_NEAR(Lanczos3Filter(x), Sinc(x) * Sinc(x / 3.0), 1e-6) << x;
  EXPECT_NEAR(Lanczos3Filter(1.0f), 0.0, 1e-6);
  EXPECT_EQ(Lanczos3Filter(3.0f), 0.0f);
  EXPECT_EQ(Lanczos3Filter(-3.5f), 0.0f);

  EXPECT_FLOAT_EQ(MitchellFilter(0.0f), 16.0f / 18.0f);
  EXPECT_FLOAT_EQ(MitchellFilter(0.5f), (7 * 0.125f - 12 * 0.25f + 16.0f / 3) / 6);
  EXPECT_FLOAT_EQ(MitchellFilter(1.5f), (-7.0f / 3 * 3.375f + 12 * 2.25f - 20 * 1.5f + 32.0f / 3) / 6);
  EXPECT_NEAR(MitchellFilter(2.0f), 0.0f, 1e-6);
}

TEST(FilterKernels, TableSupportsAndSymmetry) {
  const float supports[FilterCount] = {0.5f, 1.0f, 1.0f, 1.5f, 2.0f, 3.0f, 2.0f};
  for (int f = 0; f < FilterCount; ++f) {
    EXPECT_EQ(FilterTable[f].Support, supports[f]) << f;
    for (float x = 0.05f; x < 4.0f; x += 0.1f) {
      const float v = FilterTable[f].Filter(x);
      if (f != fiBox) {
        EXPECT_EQ(v, FilterTable[f].Filter(-x)) << f << " at " << x;
      }
      if (x > supports[f]) {
        EXPECT_EQ(v, 0.0f) << f << " at " << x;
      }
      EXPECT_LE(std::fabs(v), 1.0f);
    }
  }
  EXPECT_EQ(FilterTable[fiLanczos3].Filter, &Lanczos3Filter);
  EXPECT_EQ(FilterTable[fiBSpline].Filter, &BSplineFilter);
}

TEST(Contributors, ScalesAlignTheEndPixels) {
  EXPECT_FLOAT_EQ(ResampleScale(4, 7), 2.0f);
  EXPECT_FLOAT_EQ(ResampleScale(7, 4), 0.5f);
  EXPECT_FLOAT_EQ(ResampleScale(1, 5), 5.0f);
  EXPECT_FLOAT_EQ(ResampleScale(5, 1), 0.2f);  // one destination pixel: the plain ratio, no division by zero
}

TEST(Contributors, EnlargingFourToSevenLandsOnSourcePixels) {
  const TContributorList list = BuildContributors(4, 7, fiLanczos3, 3.0f);
  ASSERT_EQ(list.size(), 7u);
  for (int i = 0; i < 7; i += 2) {
    ASSERT_EQ(list[i].Count(), 1) << i;
    EXPECT_EQ(list[i].Items[0].Weight, 256);
    EXPECT_EQ(list[i].Items[0].Pixel, i / 2);
  }
  // Half-way pixel 1 (centre 0.5): f(±0.5) = 0.6079 -> 156, f(±1.5) = -0.1351 -> -35,
  // f(±2.5) = 0.0243 -> 6; source -2 and -1 reflect to 2 and 1.
  const TContributorList::value_type& c = list[1];
  ASSERT_EQ(c.Count(), 6);
  const int weights[6] = {6, -35, 156, 156, -35, 6};
  const int pixels[6] = {2, 1, 0, 1, 2, 3};
  for (int k = 0; k < 6; ++k) {
    EXPECT_EQ(c.Items[k].Weight, weights[k]) << k;
    EXPECT_EQ(c.Items[k].Pixel, pixels[k]) << k;
  }
  // Pixel 5 (centre 2.5): sources 4 and 5 reflect to 3 and 2 (2*4 - j - 1).
  ASSERT_EQ(list[5].Count(), 6);
  EXPECT_EQ(list[5].Items[4].Pixel, 3);
  EXPECT_EQ(list[5].Items[5].Pixel, 2);
}

TEST(Contributors, SameSizeKeepsOnlyTheCentreForInterpolatingKernels) {
  for (int f : {fiTriangle, fiHermite, fiLanczos3})
    for (const TContributors& c : BuildContributors(37, 37, f, FilterTable[f].Support)) {
      ASSERT_EQ(c.Count(), 1);
      EXPECT_EQ(c.Items[0].Weight, 256);
    }
  // The B-spline smooths even at scale 1: 2/3 and 1/6 on either side.
  const TContributorList b = BuildContributors(9, 9, fiBSpline, 2.0f);
  ASSERT_EQ(b[4].Count(), 3);
  EXPECT_EQ(b[4].Items[0].Weight, 43);
  EXPECT_EQ(b[4].Items[1].Weight, 171);
  EXPECT_EQ(b[4].Items[2].Weight, 43);
}

TEST(Contributors, ShrinkingWidensTheFilter) {
  // 7 -> 4: scale 0.5, width 6 around centre 2i; weights Round(f(d/2)/2*256).
  const TContributorList list = BuildContributors(7, 4, fiLanczos3, 3.0f);
  const TContributors& c = list[1];  // centre 2
  int total = 0;
  for (const TContributor& e : c.Items) total += e.Weight;
  // First surviving source is j = -3 (f(±3) = 0 at j = -4), reflected to 3.
  EXPECT_EQ(c.Items.front().Weight, static_cast<int>(std::nearbyint(Lanczos3Filter(2.5f) * 128)));
  EXPECT_EQ(c.Items.front().Pixel, 3);
  EXPECT_NEAR(total, 256, 3);
  for (const TContributor& e : c.Items) EXPECT_TRUE(e.Pixel >= 0 && e.Pixel < 7);
}

TEST(Contributors, TwoPixelSourcesMirrorRepeatedly) {
  // 2 -> 5 with Lanczos-3: centre of pixel 1 is 0.25, j runs -3 .. 4 and most of
  // those lie beyond the single reflection.
  const TContributorList list = BuildContributors(2, 5, fiLanczos3, 3.0f);
  const int expectedPixel[8] = {0, 1, 1, 0, 1, 1, 0, 1};  // j = -3 .. 4
  std::vector<TContributor> expected;
  for (int j = -3; j <= 4; ++j) {
    const int w = static_cast<int>(std::nearbyint(Lanczos3Filter(0.25f - j) * 256.0f));
    if (w != 0) expected.push_back({w, expectedPixel[j + 3]});
  }
  ASSERT_EQ(list[1].Count(), static_cast<int>(expected.size()));
  for (size_t k = 0; k < expected.size(); ++k) {
    EXPECT_EQ(list[1].Items[k].Weight, expected[k].Weight) << k;
    EXPECT_EQ(list[1].Items[k].Pixel, expected[k].Pixel) << k;
  }
  // A single source pixel: everything maps to it.
  for (const TContributors& c : BuildContributors(1, 6, fiLanczos3, 3.0f))
    for (const TContributor& e : c.Items) EXPECT_EQ(e.Pixel, 0);
}

TEST(Contributors, EveryIndexInsideAndWeightsBoundedForExactArithmetic) {
  // The vectorised passes rely on Σ|weight| <= 4096 (sums below 2^20).
  const int sizes[] = {1, 2, 3, 4, 5, 7, 10, 33, 100, 257, 1000, 5000};
  for (int f = 0; f < FilterCount; ++f)
    for (int s : sizes)
      for (int d : sizes) {
        for (float support : {FilterTable[f].Support, s <= 257 ? 50.0f : 0.0f}) {
          const TContributorList list = BuildContributors(s, d, f, support);
          ASSERT_EQ(list.size(), static_cast<size_t>(d));
          for (const TContributors& c : list) {
            ASSERT_GE(c.Count(), 1);
            int sumAbs = 0;
            for (const TContributor& e : c.Items) {
              ASSERT_TRUE(e.Pixel >= 0 && e.Pixel < s) << f << " " << s << "->" << d;
              ASSERT_NE(e.Weight, 0);
              sumAbs += std::abs(e.Weight);
            }
            ASSERT_LE(sumAbs, 4096) << f << " " << s << "->" << d;
          }
        }
      }
}

TEST(Contributors, ReductionsToTwoOrThreePixelsStayNormalised) {
  for (int d : {2, 3})
    for (int s : {7, 10, 20}) {  // coarser weights drift further; the division by the total absorbs it
      for (const TContributors& c : BuildContributors(s, d, fiLanczos3, 3.0f)) {
        int total = 0;
        for (const TContributor& e : c.Items) total += e.Weight;
        EXPECT_NEAR(total, 256, 16) << s << "->" << d;
      }
    }
}

TEST(Contributors, ExtremeReductionFallsBackToTheNearestPixel) {
  // 1200 -> 2: scale 1/1199, no weight survives rounding.
  const TContributorList list = BuildContributors(1200, 2, fiLanczos3, 3.0f);
  ASSERT_EQ(list[0].Count(), 1);
  EXPECT_EQ(list[0].Items[0].Weight, 256);
  EXPECT_EQ(list[0].Items[0].Pixel, 0);
  ASSERT_EQ(list[1].Count(), 1);
  EXPECT_EQ(list[1].Items[0].Pixel, 1199);
  // 3000 -> 3: the middle pixel takes the source pixel at its centre, about 1499.5.
  const TContributorList three = BuildContributors(3000, 3, fiLanczos3, 3.0f);
  ASSERT_EQ(three[1].Count(), 1);
  EXPECT_NEAR(three[1].Items[0].Pixel, 1499.5, 0.5);
}

TEST(Contributors, SupportsBeyondTheKernelChangeNothing) {
  for (int f = 0; f < FilterCount; ++f)
    for (auto [s, d] : {std::pair{10, 37}, {37, 10}, {5, 5}}) {
      const TContributorList a = BuildContributors(s, d, f, FilterTable[f].Support);
      const TContributorList b = BuildContributors(s, d, f, 1e9f);
      ASSERT_EQ(a.size(), b.size());
      for (size_t i = 0; i < a.size(); ++i) {
        ASSERT_EQ(a[i].Count(), b[i].Count()) << f;
        for (int k = 0; k < a[i].Count(); ++k) {
          EXPECT_EQ(a[i].Items[k].Weight, b[i].Items[k].Weight);
          EXPECT_EQ(a[i].Items[k].Pixel, b[i].Items[k].Pixel);
        }
      }
    }
}

TEST(Contributors, RejectsUnknownFiltersAndBadSupports) {
  EXPECT_THROW(BuildContributors(4, 4, -1, 1.0f), std::out_of_range);
  EXPECT_THROW(BuildContributors(4, 4, FilterCount, 1.0f), std::out_of_range);
  EXPECT_THROW(BuildContributors(4, 4, fiBox, -1.0f), std::invalid_argument);
  EXPECT_THROW(BuildContributors(4, 4, fiBox, NAN), std::invalid_argument);
  EXPECT_TRUE(BuildContributors(0, 4, fiBox, 0.5f).empty());
}
