// The document "Save as" builds: its layers, and that it flattens to the result
// "Execute" showed, within one level.
#include "view/LayeredDocument.h"

#include <gtest/gtest.h>

#include <cstdlib>

#include "../files/OviTestSupport.h"
#include "engine/KeepColors.h"
#include "files/OvImage.h"

namespace velinor {
namespace {

using test::RandomImage;
using test::SamePixels;

// A photo with red and blue areas on a noisy background, so that kept colours
// give full, partial and empty mask values.
TBitmap Photo(int w, int h, uint32_t seed) {
  TBitmap b = RandomImage(w, h, seed);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      if ((x / 7 + y / 5) % 3 == 0) b.SetPixel(x, y, RGB(230 + (x % 20), 10 + (y % 15), 20));
      if ((x / 11 + y / 3) % 4 == 1) b.SetPixel(x, y, RGB(15, 40, 220 - (x % 30)));
    }
  return b;
}

int MaxDifference(const TBitmap& a, const TBitmap& b) {
  int worst = 0;
  for (int y = 0; y < a.Height(); ++y)
    for (int i = 0; i < a.Width() * 3; ++i)
      worst = std::max(worst, std::abs(a.ScanLine(y)[i] - b.ScanLine(y)[i]));
  return worst;
}

TEST(LayeredDocument, UnprocessedPictureIsOneLayer) {
  const TBitmap current = RandomImage(9, 6, 1);
  const auto doc = BuildLayeredDocument(RandomImage(9, 6, 2), current, TBitmap(), false, true);
  ASSERT_EQ(doc->Layers.Count(), 1);
  EXPECT_EQ(doc->Layers.Items(0).Name, "#0");
  EXPECT_TRUE(SamePixels(doc->Layers.Items(0).Image, current));
  EXPECT_TRUE(doc->Layers.Items(0).Mask.Empty());
}

TEST(LayeredDocument, ProcessedResultIsPhotoUnderTonedCopyWithInvertedMask) {
  for (bool sepia : {false, true}) {
    const TBitmap photo = Photo(40, 30, 3);
    TBitmap result = photo, mask;
    TKeepOptions options;
    options.Entries = {"#F01010"};
    options.Sepia = sepia;
    KeepColors(result, mask, photo, options);
    const auto doc = BuildLayeredDocument(photo, result, mask, true, sepia);
    ASSERT_EQ(doc->Layers.Count(), 2);
    const TLayerItem& base = doc->Layers.Items(0);
    const TLayerItem& top = doc->Layers.Items(1);
    EXPECT_EQ(base.Name, "#0");
    EXPECT_TRUE(SamePixels(base.Image, photo));
    EXPECT_TRUE(base.Mask.Empty());
    EXPECT_EQ(top.Name, "#1");
    EXPECT_EQ(top.Opacity, 100);
    EXPECT_EQ(top.X, 0);
    EXPECT_EQ(top.Y, 0);
    TBitmap toned = photo;
    ToneResult(toned, sepia);
    EXPECT_TRUE(SamePixels(top.Image, toned));
    bool partial = false;
    for (int y = 0; y < 30; ++y)
      for (int x = 0; x < 40; ++x) {
        const uint8_t m = mask.ScanLine(y)[3 * x];
        partial = partial || (m != 0 && m != 255);
        for (int c = 0; c < 3; ++c) ASSERT_EQ(top.Mask.ScanLine(y)[3 * x + c], 255 - mask.ScanLine(y)[3 * x + c]);
      }
    EXPECT_TRUE(partial) << "the test photo should give a soft contour";
  }
}

TEST(LayeredDocument, FlattensToTheEngineResultWithinOneLevel) {
  for (int variant = 0; variant < 4; ++variant) {
    const TBitmap photo = Photo(64, 48, 10 + variant);
    TBitmap result = photo, mask;
    TKeepOptions options;
    options.Entries = {"#F01010", "#1028D0"};
    options.Sepia = variant & 1;
    options.Progressive = variant & 2;
    options.Tolerance = 25 + 10 * variant;
    KeepColors(result, mask, photo, options);
    const auto doc = BuildLayeredDocument(photo, result, mask, true, options.Sepia);
    doc->Flatten();
    EXPECT_LE(MaxDifference(doc->Bitmap, result), 1) << "variant " << variant;

    // What the file stores as its flat picture is exactly that composite.
    const auto bytes = doc->SaveLayeredStream();
    TMyImageLayeredReg reg;
    reg.LoadFromMemory(bytes.data(), bytes.size());
    EXPECT_TRUE(SamePixels(reg, doc->Bitmap));
  }
}

}  // namespace
}  // namespace velinor
