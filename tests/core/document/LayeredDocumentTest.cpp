// The document "Save as" builds: its layers, and that it flattens to the result
// "Execute" showed, within one level.
#include "core/document/LayeredDocument.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <functional>

#include "support/OviTestSupport.h"
#include "core/engine/KeepColors.h"
#include "core/files/OvImage.h"

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

// The toned layer is the photo's copy toned: it keeps the photo's transparency
// mark and colour, which the file stores with it.
TEST(LayeredDocument, TonedLayerKeepsThePhotosTransparencyMark) {
  TBitmap photo = Photo(12, 8, 5);
  photo.Transparent = true;
  photo.TransparentColor = RGB(1, 2, 3);
  const TBitmap mask = RandomImage(12, 8, 6);
  const auto doc = BuildLayeredDocument(photo, photo, mask, true, false);
  const TBitmap& top = doc->Layers.Items(1).Image;
  EXPECT_TRUE(top.Transparent);
  EXPECT_EQ(top.TransparentColor, RGB(1, 2, 3));
  EXPECT_EQ(top.PixelFormat(), TPixelFormat::pf24bit);
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
    const auto bytes = SaveLayeredStream(*doc);
    TMyImageLayeredReg reg;
    reg.LoadFromMemory(bytes.data(), bytes.size());
    EXPECT_TRUE(SamePixels(reg, doc->Bitmap));
  }
}

// The work comes back out of the document "Save as" writes after Execute, read
// back from its file; any other layout is not taken for it.
TEST(LayeredDocument, WorkComesBackFromTheSavedLayers) {
  for (bool sepia : {false, true}) {
    const TBitmap photo = Photo(40, 30, 21);
    TBitmap result = photo, mask;
    TKeepOptions options;
    options.Entries = {"#F01010"};
    options.Sepia = sepia;
    KeepColors(result, mask, photo, options);
    auto doc = BuildLayeredDocument(photo, result, mask, true, sepia);
    const auto bytes = SaveLayeredStream(*doc);
    TOviMemorySource in(bytes.data(), bytes.size());
    TMyImageLayered read;
    ReadLayeredDocument(in, read);
    TLayeredWork work;
    ASSERT_TRUE(ExtractLayeredWork(read, 40, 30, work));
    EXPECT_TRUE(SamePixels(work.Photo, photo));
    EXPECT_TRUE(SamePixels(work.KeepMask, mask));
    EXPECT_EQ(work.Inputs.Sepia, sepia);
    EXPECT_FALSE(work.Inputs.Known) << "no work kept: only the tone is known";
  }
  const TBitmap photo = Photo(12, 10, 22);
  TLayeredWork work;
  auto one = BuildLayeredDocument(photo, photo, TBitmap(), false, false);
  EXPECT_FALSE(ExtractLayeredWork(*one, 12, 10, work));
  TBitmap mask(12, 10);
  auto other = [&](auto change) {
    auto doc = BuildLayeredDocument(photo, photo, mask, true, false);
    change(*doc);
    return !ExtractLayeredWork(*doc, 12, 10, work);
  };
  EXPECT_TRUE(other([](TMyImageLayered& d) { d.Layers.Items(1).Name = "Layer"; }));
  EXPECT_TRUE(other([](TMyImageLayered& d) { d.Layers.Items(1).X = 1; }));
  EXPECT_TRUE(other([](TMyImageLayered& d) { d.Layers.Items(1).Opacity = 50; }));
  EXPECT_TRUE(other([](TMyImageLayered& d) { d.Layers.Items(1).Mask.Clear(); }));
  EXPECT_TRUE(other([](TMyImageLayered& d) { d.Layers.Items(0).Mask = d.Layers.Items(1).Mask; }));
  EXPECT_FALSE(other([](TMyImageLayered&) {}));  // unchanged, it is the work

  // From a file: only two-layer files are read whole; a damaged or missing one
  // is left to the flat reader and its message.
  auto doc = BuildLayeredDocument(photo, photo, mask, true, false);
  const std::string name = ::testing::TempDir() + "work_reopen.ovi";
  SaveLayeredFile(*doc, name);
  TMyImageLayered read;
  EXPECT_TRUE(ReadTwoLayerOvi(name, read));
  EXPECT_EQ(read.Layers.Count(), 2);
  const auto bytes = SaveLayeredStream(*doc);
  auto cut = [&](size_t size) {
    FILE* f = std::fopen(name.c_str(), "wb");
    std::fwrite(bytes.data(), 1, size, f);
    std::fclose(f);
  };
  TMyImageLayered damaged;
  cut(bytes.size() - 20);  // the last layer cut: the flat picture still opens, flat
  EXPECT_FALSE(ReadTwoLayerOvi(name, damaged));
  EXPECT_NO_THROW(ReadOviFile(name));
  cut(40);  // the header cut: neither reads it, the flat reader reports it
  EXPECT_FALSE(ReadTwoLayerOvi(name, damaged));
  EXPECT_THROW(ReadOviFile(name), std::exception);
  EXPECT_FALSE(ReadTwoLayerOvi(name + ".missing", damaged));
  WriteSingleLayerOvi(name, photo);
  EXPECT_FALSE(ReadTwoLayerOvi(name, damaged));
  std::remove(name.c_str());
  EXPECT_FALSE(ExtractLayeredWork(*BuildLayeredDocument(photo, photo, mask, true, false), 11, 10, work));
}

// The work kept with the layers comes back with them (the strokes a layer again,
// the mask the computed one) only when it gives exactly the mask they show and
// its tone agrees with the toned layer; otherwise the layers open alone.
TEST(LayeredDocument, KeptWorkComesBackOnlyWhenItGivesTheLayersMask) {
  const TBitmap photo = Photo(40, 30, 23);
  TKeepInputs inputs;
  inputs.Colors = {{"#F01010", false}, {"#1028D0", true}};
  inputs.Tolerance = 44;
  inputs.Sepia = true;
  TBitmap result, computed;
  KeepColorsOfPhoto(result, computed, photo, inputs.Options());
  TTouchUps strokes;
  TCoverage c{TRect{5, 4, 20, 12}, std::vector<uint8_t>(15 * 8, 200)};
  strokes.Paint(40, 30, c, TTouchKind::Grey);
  const TBitmap final = FinalMask(computed, strokes);
  ASSERT_FALSE(SamePixels(final, computed));

  auto extract = [&](const std::function<void(TMyImageLayered&)>& change) {
    auto doc = BuildWorkDocument(photo, computed, strokes, inputs);
    change(*doc);
    TLayeredWork work;
    EXPECT_TRUE(ExtractLayeredWork(*doc, 40, 30, work));
    return work;
  };
  TLayeredWork work = extract([](TMyImageLayered&) {});
  EXPECT_EQ(work.Inputs, inputs);
  EXPECT_TRUE(SamePixels(work.KeepMask, computed));
  EXPECT_EQ(work.TouchUps.Touched(), strokes.Touched());
  EXPECT_EQ(work.TouchUps.Amount(6, 5), strokes.Amount(6, 5));
  EXPECT_TRUE(SamePixels(work.Photo, photo));

  auto ignored = [&](const char* what, const std::function<void(TMyImageLayered&)>& change,
                     TBitmap layersMask = TBitmap()) {
    if (layersMask.Empty()) layersMask = final;
    const TLayeredWork w = extract(change);
    EXPECT_FALSE(w.Inputs.Known) << what;
    EXPECT_TRUE(w.Inputs.Sepia) << what << ": the tone seen in the layer";
    EXPECT_TRUE(w.Inputs.Colors.empty()) << what;
    EXPECT_TRUE(w.TouchUps.Empty()) << what;
    EXPECT_TRUE(SamePixels(w.KeepMask, layersMask)) << what << ": the layers' own mask";
  };
  auto toggle = [](TBitmap& b, int x, int y) {
    uint8_t* p = b.ScanLine(y) + 3 * x;
    p[0] = p[1] = p[2] = static_cast<uint8_t>(p[0] ^ 1);
  };
  ignored("a computed mask one level off", [&](TMyImageLayered& d) { toggle(d.Work->ComputedMask, 30, 20); });
  ignored("strokes one level off", [](TMyImageLayered& d) {
    TCoverage dab{TRect{30, 20, 31, 21}, {60}};
    d.Work->TouchUps.Paint(40, 30, dab, TTouchKind::Colour);
  });
  TBitmap offByOne = final;
  toggle(offByOne, 8, 6);
  ignored("layer 1's mask one level off", [&](TMyImageLayered& d) { toggle(d.Layers.Items(1).Mask, 8, 6); },
          offByOne);
  ignored("a computed mask of another size", [](TMyImageLayered& d) { d.Work->ComputedMask = TBitmap(39, 30); });
  ignored("no sepia in the work, sepia in the layer", [](TMyImageLayered& d) { d.Work->Inputs.Sepia = false; });

  // Without strokes the work is the inputs alone, over the layers' own mask.
  auto plain = BuildWorkDocument(photo, computed, TTouchUps(), inputs);
  ASSERT_TRUE(plain->Work.has_value());
  EXPECT_TRUE(plain->Work->ComputedMask.Empty());
  TLayeredWork w;
  ASSERT_TRUE(ExtractLayeredWork(*plain, 40, 30, w));
  EXPECT_EQ(w.Inputs, inputs);
  EXPECT_TRUE(w.TouchUps.Empty());
  EXPECT_TRUE(SamePixels(w.KeepMask, computed));
}

}  // namespace
}  // namespace velinor
