// Quarter turns against a pixel-by-pixel rotation written from the definition.
#include <gtest/gtest.h>

#include "core/base/Parallel.h"
#include "core/resize/Rotate.h"
#include "ResizeTestSupport.h"

namespace velinor {
namespace {

using testing::RandomImage;
using testing::SamePixels;

// Turning clockwise, the left column becomes the top row read bottom-up:
// destination (x, y) = source (y, H - 1 - x); counter-clockwise (W - 1 - y, x).
TBitmap SlowRotate(const TBitmap& s, bool clockwise) {
  TBitmap d(s.Height(), s.Width(), s.PixelFormat());
  const int bpp = BytesPerPixel(s.PixelFormat());
  for (int y = 0; y < d.Height(); ++y)
    for (int x = 0; x < d.Width(); ++x) {
      const int sx = clockwise ? y : s.Width() - 1 - y;
      const int sy = clockwise ? s.Height() - 1 - x : x;
      for (int k = 0; k < bpp; ++k) d.ScanLine(y)[x * bpp + k] = s.ScanLine(sy)[sx * bpp + k];
    }
  return d;
}

TEST(RotateQuarter, MatchesThePixelByPixelRotationOnRandomPictures) {
  const int sizes[][2] = {{1, 1}, {1, 7}, {9, 1}, {3, 5}, {64, 64}, {65, 130}, {301, 97}};
  uint32_t seed = 1;
  for (auto pf : {TPixelFormat::pf8bit, TPixelFormat::pf24bit, TPixelFormat::pf32bit})
    for (const auto& size : sizes)
      for (bool clockwise : {true, false}) {
        const TBitmap source = RandomImage(size[0], size[1], seed++, pf);
        const TBitmap turned = RotateQuarter(source, clockwise);
        EXPECT_TRUE(SamePixels(turned, SlowRotate(source, clockwise)))
            << size[0] << "x" << size[1] << " clockwise " << clockwise;
        EXPECT_EQ(turned.Palette, source.Palette);
      }
}

TEST(RotateQuarter, FourTurnsAndOppositeTurnsGiveThePictureBack) {
  const TBitmap source = RandomImage(123, 45, 7);
  EXPECT_TRUE(SamePixels(RotateQuarter(RotateQuarter(source, true), false), source));
  TBitmap b = source;
  for (int i = 0; i < 4; ++i) b = RotateQuarter(b, true);
  EXPECT_TRUE(SamePixels(b, source));
}

TEST(RotateQuarter, KeepsTransparencyAndLeavesEmptyPicturesEmpty) {
  TBitmap source = RandomImage(4, 2, 3);
  source.Transparent = true;
  source.TransparentColor = 0x00FF00;
  const TBitmap turned = RotateQuarter(source, false);
  EXPECT_TRUE(turned.Transparent);
  EXPECT_EQ(turned.TransparentColor, TColor{0x00FF00});
  EXPECT_TRUE(RotateQuarter(TBitmap(), true).Empty());
}

TEST(RotateQuarter, SameBytesWhateverTheThreadCount) {
  const TBitmap source = RandomImage(700, 333, 11);
  SetEngineThreads(1);
  const TBitmap one = RotateQuarter(source, true);
  SetEngineThreads(0);
  EXPECT_TRUE(SamePixels(RotateQuarter(source, true), one));
}

}  // namespace
}  // namespace velinor
