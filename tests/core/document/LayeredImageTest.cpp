// The layered document: stack bookkeeping, flattening against a per-pixel
// reference, and documents surviving a trip through the file.
#include "core/document/LayeredImage.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <random>

#include "support/OviTestSupport.h"
#include "core/base/Errors.h"
#include "core/files/OvImage.h"
#include "core/files/SafeFile.h"

namespace velinor {
namespace {

using test::GreyMask;
using test::RandomImage;
using test::SamePixels;

TEST(LayerList, CurrentLayerFollowsDeleteAndClear) {
  TMyImageLayered doc;
  EXPECT_EQ(doc.CurrentLayer, -1);
  const TBitmap img = RandomImage(4, 4, 1);
  EXPECT_EQ(doc.AddLayer(img, nullptr, "a", 100, {0, 0}), 0);
  EXPECT_EQ(doc.AddLayer(img, nullptr, "b", 100, {0, 0}), 1);
  EXPECT_EQ(doc.AddLayer(img, nullptr, "c", 100, {0, 0}), 2);
  EXPECT_EQ(doc.CurrentLayer, 2);
  const TLayerItem* b = &doc.Layers.Items(1);
  doc.Layers.Delete(2);
  EXPECT_EQ(doc.CurrentLayer, 1);
  EXPECT_EQ(doc.Layers.IndexOf(b), 1);
  doc.Layers.Delete(0);
  EXPECT_EQ(doc.CurrentLayer, 0);
  EXPECT_EQ(doc.Layers.IndexOf(b), 0);
  EXPECT_THROW(doc.Layers.Delete(5), std::out_of_range);
  doc.Layers.Clear();
  EXPECT_EQ(doc.Layers.Count(), 0);
  EXPECT_EQ(doc.CurrentLayer, -1);
}

TEST(LayeredImage, AddLayerStoresTwentyFourBitCopiesAndFreshFields) {
  TMyImageLayered doc;
  TBitmap img = RandomImage(5, 3, 2);
  img.SetPixelFormat(TPixelFormat::pf32bit);
  doc.AddLayer(img, nullptr, "#0", 100, {3, -2});
  const TLayerItem& l = doc.Layers.Items(0);
  EXPECT_EQ(l.Image.PixelFormat(), TPixelFormat::pf24bit);
  EXPECT_TRUE(l.Mask.Empty());
  EXPECT_EQ(l.X, 3);
  EXPECT_EQ(l.Y, -2);
  EXPECT_EQ(l.Opacity, 100);
  EXPECT_TRUE(l.Visible);
  EXPECT_FALSE(l.Locked);
  EXPECT_EQ(l.Color, 0xFFFFFFu);
  EXPECT_EQ(l.Shadow.OffsetX, 7);
  EXPECT_EQ(l.Shadow.Opacity, 80);
  EXPECT_EQ(l.Shadow.Size, 6);
  EXPECT_EQ(l.Adjustment.Factor, 1.0);
  img.SetPixel(0, 0, 0x123456);  // a copy: the source is not shared
  EXPECT_NE(l.Image.Pixel(0, 0), TColor{0x123456});
}

TEST(LayeredImage, CompositeFollowsTheFirstLayersSize) {
  TMyImageLayered doc;
  doc.SetSingleLayer(RandomImage(7, 5, 3), nullptr, "#0");
  ASSERT_EQ(doc.Bitmap.Width(), 7);
  ASSERT_EQ(doc.Bitmap.Height(), 5);
  EXPECT_EQ(doc.Bitmap.Pixel(6, 4), TColor{0xFFFFFF}) << "reset to white";
  doc.Layers.Items(0).Image.SetSize(9, 2);  // the change notification resizes the composite
  EXPECT_EQ(doc.Bitmap.Width(), 9);
  EXPECT_EQ(doc.Bitmap.Height(), 2);
  doc.SetSingleLayer(RandomImage(4, 4, 3), nullptr, "#0");
  EXPECT_EQ(doc.Layers.Count(), 1);
  EXPECT_EQ(doc.Bitmap.Width(), 4);
}

// The compositing rule, pixel by pixel, as the format's documents define it.
TBitmap ReferenceFlatten(const TMyImageLayered& doc) {
  TBitmap out(doc.Bitmap.Width(), doc.Bitmap.Height());
  for (int y = 0; y < out.Height(); ++y)
    for (int x = 0; x < out.Width(); ++x) out.SetPixel(x, y, doc.BackgroundColor);
  for (int i = 0; i < doc.Layers.Count(); ++i) {
    const TLayerItem& l = doc.Layers.Items(i);
    if (!l.Visible || l.Opacity == 0) continue;
    for (int y = 0; y < out.Height(); ++y)
      for (int x = 0; x < out.Width(); ++x) {
        const int sx = x - l.X, sy = y - l.Y;
        if (sx < 0 || sy < 0 || sx >= l.Image.Width() || sy >= l.Image.Height()) continue;
        uint8_t* d = out.ScanLine(y) + 3 * x;
        const uint8_t* s = l.Image.ScanLine(sy) + 3 * sx;
        if (l.Mask.Empty()) {
          for (int c = 0; c < 3; ++c) d[c] = static_cast<uint8_t>(d[c] + l.Opacity * (s[c] - d[c]) / 100);
        } else {
          const int m = l.Mask.ScanLine(sy)[3 * sx];
          if (m == 255) continue;
          const int w = l.Opacity * (255 - m) / 100;
          for (int c = 0; c < 3; ++c) d[c] = static_cast<uint8_t>(d[c] + w * (s[c] - d[c]) / 255);
        }
      }
  }
  return out;
}

TEST(LayeredImage, FlattenMatchesThePerPixelRuleOnRandomStacks) {
  std::mt19937 rng(7);
  for (int round = 0; round < 30; ++round) {
    TMyImageLayered doc;
    const int w = 1 + static_cast<int>(rng() % 40), h = 1 + static_cast<int>(rng() % 30);
    const TBitmap baseMask = GreyMask(w, h, rng());
    doc.SetSingleLayer(RandomImage(w, h, rng()), round % 3 == 0 ? &baseMask : nullptr, "#0");
    doc.BackgroundColor = rng() & 0xFFFFFF;
    const int layers = static_cast<int>(rng() % 4);
    for (int i = 0; i < layers; ++i) {
      const int lw = 1 + static_cast<int>(rng() % 50), lh = 1 + static_cast<int>(rng() % 40);
      const TBitmap mask = GreyMask(lw, lh, rng());
      const int opacity = std::vector<int>{0, 1, 37, 99, 100}[rng() % 5];
      const TPoint at{static_cast<int>(rng() % 60) - 30, static_cast<int>(rng() % 50) - 25};
      doc.AddLayer(RandomImage(lw, lh, rng()), rng() % 2 ? &mask : nullptr, "L", opacity, at);
      if (rng() % 5 == 0) doc.Layers.Items(doc.CurrentLayer).Visible = false;
    }
    doc.Flatten();
    ASSERT_TRUE(SamePixels(doc.Bitmap, ReferenceFlatten(doc))) << "round " << round;
  }
}

TEST(LayeredImage, FlattenExamples) {
  // Mask 128 at opacity 100: w = 127, 200 under 100 becomes 151.
  TBitmap base(1, 1), top(1, 1), mask(1, 1);
  base.SetPixel(0, 0, RGB(200, 200, 200));
  top.SetPixel(0, 0, RGB(100, 100, 100));
  mask.SetPixel(0, 0, RGB(128, 128, 128));
  TMyImageLayered doc;
  doc.SetSingleLayer(base, nullptr, "#0");
  doc.AddLayer(top, &mask, "#1", 100, {0, 0});
  doc.Flatten();
  EXPECT_EQ(doc.Bitmap.Pixel(0, 0), RGB(151, 151, 151));

  // A layer entirely outside changes nothing; one crossing the edge is clipped.
  const TBitmap photo = RandomImage(10, 10, 8);
  TMyImageLayered clip;
  clip.SetSingleLayer(photo, nullptr, "#0");
  clip.AddLayer(RandomImage(5, 5, 9), nullptr, "out", 100, {10, 0});
  clip.AddLayer(RandomImage(5, 5, 9), nullptr, "out", 100, {-5, -5});
  clip.Flatten();
  EXPECT_TRUE(SamePixels(clip.Bitmap, photo));
  const TBitmap patch = RandomImage(6, 6, 10);
  clip.AddLayer(patch, nullptr, "edge", 100, {7, 8});
  clip.Flatten();
  EXPECT_EQ(clip.Bitmap.Pixel(7, 8), patch.Pixel(0, 0));
  EXPECT_EQ(clip.Bitmap.Pixel(9, 9), patch.Pixel(2, 1));
  EXPECT_EQ(clip.Bitmap.Pixel(6, 9), photo.Pixel(6, 9));
}

TEST(LayeredImage, FlattenRepaintsTheBackgroundWhereLayerZeroLetsItThrough) {
  // Stale composite content must never show: a masked layer 0 shows the background.
  TBitmap img(2, 1), mask(2, 1);
  img.SetPixel(0, 0, RGB(10, 20, 30));
  img.SetPixel(1, 0, RGB(10, 20, 30));
  mask.SetPixel(0, 0, RGB(255, 255, 255));
  mask.SetPixel(1, 0, RGB(0, 0, 0));
  TMyImageLayered doc;
  doc.SetSingleLayer(img, &mask, "#0");
  doc.Bitmap.SetPixel(0, 0, RGB(1, 2, 3));
  doc.BackgroundColor = RGB(0, 0, 255);
  doc.Flatten();
  EXPECT_EQ(doc.Bitmap.Pixel(0, 0), RGB(0, 0, 255));
  EXPECT_EQ(doc.Bitmap.Pixel(1, 0), RGB(10, 20, 30));
}

TEST(LayeredRoundTrip, OneAndTwoLayerDocumentsComeBackWhole) {
  for (int layers = 1; layers <= 2; ++layers) {
    TMyImageLayered doc;
    const TBitmap photo = RandomImage(37, 21, 11);
    TBitmap transparent = RandomImage(37, 21, 12);
    transparent.Transparent = true;
    transparent.TransparentColor = RGB(9, 8, 7);
    const TBitmap mask = GreyMask(37, 21, 13);
    doc.SetSingleLayer(photo, nullptr, "#0");
    if (layers == 2) doc.AddLayer(transparent, &mask, "#1", 100, {0, 0});
    doc.Comment = "kept";
    const auto bytes = SaveLayeredStream(doc);

    TMyImageLayered back;
    TOviMemorySource in(bytes.data(), bytes.size());
    ReadLayeredDocument(in, back);
    ASSERT_EQ(back.Layers.Count(), layers);
    EXPECT_EQ(back.Comment, "kept");
    EXPECT_DOUBLE_EQ(back.ResolutionX, 72.0);
    EXPECT_TRUE(SamePixels(back.Bitmap, doc.Bitmap)) << layers << " layers";
    for (int i = 0; i < layers; ++i) {
      const TLayerItem& a = doc.Layers.Items(i);
      const TLayerItem& b = back.Layers.Items(i);
      EXPECT_EQ(a.Name, b.Name);
      EXPECT_EQ(a.Opacity, b.Opacity);
      EXPECT_TRUE(SamePixels(a.Image, b.Image));
      EXPECT_EQ(a.Image.Transparent, b.Image.Transparent);
      EXPECT_TRUE(SamePixels(a.Mask, b.Mask));  // grey masks come back as (v, v, v)
    }
    if (layers == 2) {
      EXPECT_EQ(back.Layers.Items(1).Image.TransparentColor, RGB(9, 8, 7));
    }
  }
}

TEST(LayeredFile, SaveReplacesTheTargetOnlyWhenComplete) {
  const auto dir = std::filesystem::temp_directory_path() / "velinor_layered_save";
  std::filesystem::remove_all(dir);
  std::filesystem::create_directories(dir);
  const std::string path = (dir / "doc.ovi").string();
  TMyImageLayered doc;
  doc.SetSingleLayer(RandomImage(12, 9, 14), nullptr, "#0");
  SaveLayeredFile(doc, path);
  const auto first = ReadFileBytes(path);
  EXPECT_EQ(first, SaveLayeredStream(doc));

  doc.Layers.Items(0).Name = std::string(256, 'n');  // no longer storable
  EXPECT_THROW(SaveLayeredFile(doc, path), EWriteError);
  EXPECT_EQ(ReadFileBytes(path), first);
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir), {}), 1) << "no temporary left";
  EXPECT_THROW(SaveLayeredFile(doc, (dir / "missing" / "x.ovi").string()), EWriteError);
  std::filesystem::remove_all(dir);
}

TEST(LayeredFile, EmptyDocumentWritesAZeroThumbnailAndReadsBackEmpty) {
  TMyImageLayered doc;
  doc.SetSingleLayer(TBitmap(), nullptr, "#0");
  const auto bytes = SaveLayeredStream(doc);
  TMyImageLayeredReg reg;
  reg.LoadFromMemory(bytes.data(), bytes.size());
  EXPECT_TRUE(reg.Empty());
  reg.PreviewOnly = true;
  reg.LoadFromMemory(bytes.data(), bytes.size());
  EXPECT_TRUE(reg.Empty());
}

}  // namespace
}  // namespace velinor
