// The brush's touch-ups in the document: they change the pixels under the
// strokes, outlive "Execute", are undone step by step and reach the layered save.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <random>

#include "core/document/Document.h"
#include "support/PixelCompare.h"
#include "core/engine/KeepColors.h"
#include "core/engine/ToneCompositing.h"

namespace velinor {
namespace {

using test::SamePixels;

TBitmap Photo(int w, int h, uint32_t seed) {
  std::mt19937 rng(seed);
  TBitmap b(w, h);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      uint8_t* p = b.ScanLine(y) + 3 * x;
      // Left half reddish, right half bluish, with noise.
      p[0] = static_cast<uint8_t>((x < w / 2 ? 40 : 200) + rng() % 20);
      p[1] = static_cast<uint8_t>(60 + rng() % 20);
      p[2] = static_cast<uint8_t>((x < w / 2 ? 200 : 40) + rng() % 20);
    }
  return b;
}

TKeepOptions KeepRed(int tolerance) {
  TKeepOptions o;
  o.Entries = {"#D04A32"};
  o.Tolerance = tolerance;
  return o;
}

bool SamePixel(const TBitmap& a, const TBitmap& b, int x, int y) {
  return a.Pixel(x, y) == b.Pixel(x, y);
}

TBitmap Toned(const TBitmap& photo, bool sepia = false) {
  TBitmap t(photo);
  ToneResult(t, sepia);
  return t;
}

// Pixels whose centre lies within r of (cx, cy).
bool Under(int x, int y, double cx, double cy, double r) {
  const double dx = x + 0.5 - cx, dy = y + 0.5 - cy;
  return dx * dx + dy * dy < r * r;
}

TEST(DocumentTouchUps, GreyStrokeSurvivesASecondExecute) {
  const TBitmap photo = Photo(80, 60, 1);
  TDocument doc;
  doc.Open(photo, "a.bmp");
  doc.Execute(KeepRed(40));
  const TBitmap computed = doc.CurrentImage();
  ASSERT_TRUE(SamePixel(computed, photo, 20, 30));  // the dab lands where colour was kept
  // A hard grey dab of radius 8 on the kept red half.
  doc.BeginStroke(TBrush{16, 0}, TTouchKind::Grey, TKeepInputs{});
  const TRect changed = doc.StrokeTo({20, 30});
  doc.EndStroke();
  EXPECT_EQ(changed, (TRect{11, 21, 29, 39}));
  const TBitmap grey = Toned(photo);
  for (int y = 0; y < 60; ++y)
    for (int x = 0; x < 80; ++x)
      ASSERT_TRUE(SamePixel(doc.CurrentImage(), Under(x, y, 20, 30, 8) ? grey : computed, x, y)) << x << "," << y;

  // Another tolerance: the new computation, with the dab still grey.
  doc.Execute(KeepRed(20));
  TBitmap again = photo, mask;
  KeepColors(again, mask, photo, KeepRed(20));
  for (int y = 0; y < 60; ++y)
    for (int x = 0; x < 80; ++x)
      ASSERT_TRUE(SamePixel(doc.CurrentImage(), Under(x, y, 20, 30, 8) ? grey : again, x, y)) << x << "," << y;
  EXPECT_TRUE(doc.Processed());
}

TEST(DocumentTouchUps, SoftGreyStrokeBeforeExecuteStartsFromThePhoto) {
  const TBitmap photo = Photo(50, 40, 2);
  TDocument doc;
  doc.Open(photo, "a.bmp");
  // Grey painted on the photo: the result shows the photo elsewhere.
  doc.BeginStroke(TBrush{20, 100}, TTouchKind::Grey, TKeepInputs{});
  doc.StrokeTo({10, 10});
  doc.StrokeTo({30, 10});
  doc.EndStroke();
  EXPECT_TRUE(doc.Processed());
  EXPECT_TRUE(doc.UndoAvailable());
  EXPECT_TRUE(SamePixels(doc.ColorSource(), photo));
  int soft = 0;
  for (int y = 0; y < 40; ++y)
    for (int x = 0; x < 50; ++x) {
      const int level = doc.FinalMask().ScanLine(y)[3 * x];
      if (level == 0) { ASSERT_TRUE(SamePixel(doc.CurrentImage(), photo, x, y)) << x << "," << y; }
      if (level == 255) { ASSERT_TRUE(SamePixel(doc.CurrentImage(), Toned(photo), x, y)) << x << "," << y; }
      soft += level > 0 && level < 255;
      // Nothing outside the stroke's reach changed.
      if (y >= 21) { ASSERT_EQ(level, 0); }
    }
  EXPECT_GT(soft, 20);

  doc.Undo();
  EXPECT_TRUE(SamePixels(doc.CurrentImage(), photo));
  EXPECT_TRUE(doc.TouchUps().Empty());
  doc.Redo();
  EXPECT_FALSE(doc.TouchUps().Empty());
  EXPECT_FALSE(SamePixels(doc.CurrentImage(), photo));
}

TEST(DocumentTouchUps, ClearTouchUpsGivesTheComputedResultBackAndUndoes) {
  const TBitmap photo = Photo(40, 30, 3);
  TDocument doc;
  doc.Open(photo, "a.bmp");
  doc.Execute(KeepRed(40));
  const TBitmap computed = doc.CurrentImage();
  doc.BeginStroke(TBrush{500, 0}, TTouchKind::Colour, TKeepInputs{});  // larger than the picture
  EXPECT_EQ(doc.StrokeTo({-50, 200}), (TRect{0, 0, 40, 30}));
  doc.EndStroke();
  EXPECT_TRUE(SamePixels(doc.CurrentImage(), photo));
  doc.ClearTouchUps();
  EXPECT_TRUE(SamePixels(doc.CurrentImage(), computed));
  EXPECT_TRUE(doc.TouchUps().Empty());
  doc.Undo();
  EXPECT_TRUE(SamePixels(doc.CurrentImage(), photo));
  EXPECT_FALSE(doc.TouchUps().Empty());
  // A new picture starts without touch-ups.
  doc.Open(photo, "b.bmp");
  EXPECT_TRUE(doc.TouchUps().Empty());
}

// Strokes on a result are steps of their touched rectangle only; walking the
// history back and forth gives every picture and layer back exactly, also on a
// 32-bit photo and for a stroke still under way when Undo comes.
TEST(DocumentTouchUps, StrokesAreRectangleStepsThatUndoAndRedoExactly) {
  for (const bool alpha : {false, true}) {
    TBitmap photo = Photo(120, 90, 7);
    if (alpha) {
      TBitmap rgba(120, 90, TPixelFormat::pf32bit);
      for (int y = 0; y < 90; ++y)
        for (int x = 0; x < 120; ++x) {
          uint8_t* p = rgba.ScanLine(y) + 4 * x;
          std::copy_n(photo.ScanLine(y) + 3 * x, 3, p);
          p[3] = static_cast<uint8_t>(x * 2);
        }
      photo = rgba;
    }
    TDocument doc(kWindowHistoryDepth);
    doc.Open(photo, "a.png");
    doc.Execute(KeepRed(40));
    const size_t afterExecute = doc.History().ByteSize();
    std::vector<TBitmap> pictures{doc.CurrentImage()}, masks{doc.FinalMask()};
    std::mt19937 rng(alpha ? 3 : 4);
    for (int i = 0; i < 6; ++i) {
      doc.BeginStroke(TBrush{4 + static_cast<int>(rng() % 30), static_cast<int>(rng() % 101)},
                      i % 2 ? TTouchKind::Colour : TTouchKind::Grey, TKeepInputs{});
      for (int k = 0; k < 3; ++k) doc.StrokeTo({static_cast<double>(rng() % 140) - 10, static_cast<double>(rng() % 110) - 10});
      doc.EndStroke();
      pictures.push_back(doc.CurrentImage());
      masks.push_back(doc.FinalMask());
    }
    EXPECT_EQ(doc.History().UndoLabel(), "Brush stroke");
    EXPECT_LT(doc.History().ByteSize() - afterExecute, size_t{6} * 120 * 90 * 3);  // not six whole pictures
    // A stroke under way becomes the step the next Undo takes.
    doc.BeginStroke(TBrush{10, 50}, TTouchKind::Grey, TKeepInputs{});
    doc.StrokeTo({60, 45});
    doc.Undo();
    for (int i = 6; i >= 0; --i) {
      ASSERT_TRUE(SamePixels(doc.CurrentImage(), pictures[i])) << alpha << " undo to " << i;
      ASSERT_TRUE(SamePixels(doc.FinalMask(), masks[i])) << alpha << " undo to " << i;
      EXPECT_TRUE(doc.Processed());
      doc.Undo();
    }
    EXPECT_FALSE(doc.Processed());  // Execute undone: the photo
    for (int i = 0; i <= 6; ++i) {
      doc.Redo();
      ASSERT_TRUE(SamePixels(doc.CurrentImage(), pictures[i])) << alpha << " redo to " << i;
      ASSERT_TRUE(SamePixels(doc.FinalMask(), masks[i])) << alpha << " redo to " << i;
    }
  }
}

// In a deeper history a paste is a step: undoing it gives back the document it
// replaced whole (result, photo, mask, touch-ups, name, marks), also after the
// pasted picture was processed in turn.
TEST(DocumentTouchUps, PasteIsAStepThatGivesTheDocumentBack) {
  const TBitmap photo = Photo(60, 40, 11), other = Photo(50, 30, 12);
  TDocument doc(kWindowHistoryDepth);
  doc.Open(photo, "a.jpg");
  doc.Execute(KeepRed(40));
  doc.BeginStroke(TBrush{10, 0}, TTouchKind::Grey, TKeepInputs{});
  doc.StrokeTo({20, 20});
  doc.EndStroke();
  doc.MarkSaved("a.ovi");
  const TBitmap result = doc.CurrentImage(), mask = doc.FinalMask();
  doc.Paste(other);
  EXPECT_EQ(doc.FileName(), "Untitled");
  EXPECT_TRUE(doc.Pasted() && !doc.Processed() && !doc.Saved());
  EXPECT_TRUE(doc.TouchUps().Empty());
  doc.Execute(KeepRed(30));  // the pasted picture's own result, over its own photo
  EXPECT_TRUE(SamePixels(doc.KeepPhoto(), other));
  doc.Undo();  // Execute
  doc.Undo();  // Paste
  EXPECT_EQ(doc.FileName(), "a.ovi");
  EXPECT_FALSE(doc.Pasted());
  EXPECT_TRUE(doc.Processed() && doc.Saved());
  EXPECT_TRUE(doc.ResultMatchesPhoto());
  EXPECT_TRUE(SamePixels(doc.CurrentImage(), result));
  EXPECT_TRUE(SamePixels(doc.KeepPhoto(), photo));
  EXPECT_TRUE(SamePixels(doc.FinalMask(), mask));
  EXPECT_EQ(doc.History().UndoLabel(), "Brush stroke");
  doc.Redo();  // Paste again
  EXPECT_EQ(doc.FileName(), "Untitled");
  EXPECT_TRUE(doc.Pasted() && !doc.Processed());
  EXPECT_TRUE(SamePixels(doc.CurrentImage(), other));
  EXPECT_TRUE(doc.TouchUps().Empty());
  doc.Redo();  // its Execute
  EXPECT_TRUE(doc.ResultMatchesPhoto());
  EXPECT_TRUE(SamePixels(doc.KeepPhoto(), other));
  // With one step, a paste starts a document without history, as always.
  TDocument one;
  one.Open(photo, "a.jpg");
  one.Execute(KeepRed(40));
  one.Paste(other);
  EXPECT_FALSE(one.UndoAvailable());
}

TEST(DocumentTouchUps, LayeredSaveStoresTheFinalMask) {
  const TBitmap photo = Photo(40, 30, 4);
  TDocument doc;
  doc.Open(photo, "a.bmp");
  doc.Execute(KeepRed(40));
  doc.BeginStroke(TBrush{10, 30}, TTouchKind::Grey, TKeepInputs{});
  doc.StrokeTo({8, 8});
  doc.StrokeTo({8, 25});
  doc.EndStroke();
  const auto layered = doc.BuildLayeredDocument();
  ASSERT_EQ(layered->Layers.Count(), 2);
  TBitmap inverted = doc.FinalMask();
  InvertRect(inverted, FullImageRect);
  const TBitmap& stored = layered->Layers.Items(1).Mask;
  for (int y = 0; y < 30; ++y)
    for (int x = 0; x < 40; ++x) ASSERT_EQ(stored.ScanLine(y)[3 * x], inverted.ScanLine(y)[3 * x]) << x << "," << y;
  EXPECT_FALSE(SamePixels(doc.FinalMask(), doc.KeepMask()));
  // The file flattens to the screen.
  layered->Flatten();
  int worst = 0;
  for (int y = 0; y < 30; ++y)
    for (int x = 0; x < 120; ++x)
      worst = std::max(worst, std::abs(layered->Bitmap.ScanLine(y)[x] - doc.CurrentImage().ScanLine(y)[x]));
  EXPECT_LE(worst, 1);
}

}  // namespace
}  // namespace velinor
