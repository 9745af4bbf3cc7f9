// The window's deep history through the commands that replace what stands behind
// a result: a second "Execute" (also with a result the preview computed), a brush
// stroke before "Execute", "Rotate", and the memory of the photo and mask given
// back once nothing can show them again.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/document/Document.h"
#include "core/engine/ColorMatch.h"
#include "core/engine/KeepColors.h"
#include "core/resize/Rotate.h"
#include "core/resize/StretchEx.h"
#include "DocumentPictures.h"
#include "support/PixelCompare.h"

namespace velinor {
namespace {

using test::Picture;
using test::SamePixels;

TKeepOptions KeepAt(const TBitmap& photo, int x, int y, int tolerance) {
  TKeepOptions o;
  o.Entries = {ColorToText(photo.Pixel(x, y))};
  o.Tolerance = tolerance;
  return o;
}

void Stroke(TDocument& d, TTouchKind kind, TBrushPoint a, TBrushPoint b) {
  d.BeginStroke(TBrush{8, 30}, kind, TKeepInputs{});
  d.StrokeTo(a);
  d.StrokeTo(b);
  d.EndStroke();
}

// What a document shows and keeps, compared between two documents.
void ExpectSameDocument(const TDocument& a, const TDocument& b, const std::string& where) {
  SCOPED_TRACE(where);
  EXPECT_TRUE(SamePixels(a.CurrentImage(), b.CurrentImage()));
  EXPECT_EQ(a.Processed(), b.Processed());
  EXPECT_EQ(a.Saved(), b.Saved());
  EXPECT_EQ(a.ResultMatchesPhoto(), b.ResultMatchesPhoto());
  EXPECT_EQ(a.CanUndo(), b.CanUndo());
  EXPECT_EQ(a.CanRedo(), b.CanRedo());
  EXPECT_EQ(a.History().UndoLabel(), b.History().UndoLabel());
  EXPECT_EQ(a.History().RedoLabel(), b.History().RedoLabel());
  EXPECT_EQ(a.TouchUps().Touched(), b.TouchUps().Touched());
  if (a.Processed() && b.Processed()) {
    EXPECT_TRUE(SamePixels(a.ColorSource(), b.ColorSource()));
    EXPECT_TRUE(SamePixels(a.FinalMask(), b.FinalMask()));
  }
}

// "Execute" with a result computed beforehand (as the live preview computes it)
// records the same steps as "Execute" itself, also on a result: Undo walks back
// through every result and stroke, Redo forward again, and the two documents
// never differ.
TEST(DocumentDeepHistory, ExecuteWithWalksTheHistoryAsExecuteDoes) {
  const TBitmap photo = Picture(40, 30, 31);
  TDocument plain(kWindowHistoryDepth), previewed(kWindowHistoryDepth);
  std::vector<TBitmap> shown;  // after each command
  auto both = [&](const std::function<void(TDocument&)>& command) {
    command(plain);
    command(previewed);
    ExpectSameDocument(plain, previewed, "command " + std::to_string(shown.size()));
    shown.push_back(plain.CurrentImage());
  };
  auto execute = [&](const TKeepOptions& o, bool withCopy) {
    both([&](TDocument& d) {
      if (&d == &plain) return d.Execute(o);
      // From the photo and the touch-ups of the moment, as the preview has it.
      TBitmap result, mask;
      ExecuteResult(d.KeepPhoto(), o, &d.TouchUps(), result, mask);
      d.ExecuteWith(std::move(result), std::move(mask), o, withCopy ? TBitmap(d.KeepPhoto()) : TBitmap());
    });
  };
  both([&](TDocument& d) { d.Open(photo, "p.bmp"); });                                        // 0
  execute(KeepAt(photo, 1, 1, 40), false);                                                  // 1 A
  both([&](TDocument& d) { Stroke(d, TTouchKind::Grey, {10, 10}, {20, 12}); });             // 2
  execute(KeepAt(photo, 30, 20, 50), true);                                                 // 3 B
  both([&](TDocument& d) { Stroke(d, TTouchKind::Colour, {5, 25}, {30, 25}); });            // 4
  execute(KeepAt(photo, 7, 7, 60), false);                                                  // 5 C
  both([&](TDocument& d) { d.ResizeImage(30, 20, rmFiltered); });                           // 6
  both([&](TDocument& d) { Stroke(d, TTouchKind::Grey, {3, 3}, {12, 15}); });               // 7
  execute(KeepAt(photo, 1, 1, 30), true);                                                   // 8 D
  ASSERT_FALSE(::testing::Test::HasFailure());

  // Back: each "Execute" on a result first shows the photo it started from, then
  // the result it replaced, a result again (its strokes and Undo go on from it).
  struct TBack {
    TBitmap picture;
    bool processed;
    bool matches = processed;  // ResultMatchesPhoto
  };
  const TBitmap resizedC = shown[6];
  const std::vector<TBack> back = {
      {resizedC, false},  // D's photo: the resized result the stroke started from
      {shown[7], true},   // the stroke on it
      {shown[6], true, false},  // the resized result, processed as it was
      {shown[5], false},  // "Image size" undone: not processed, as always
      {photo, false},     // C's photo
      {shown[4], true},   // B with its stroke: the result it was
      {shown[3], true},
      {photo, false},     // B's photo
      {shown[2], true},   // A with its stroke
      {shown[1], true},
      {photo, false},
  };
  for (size_t i = 0; i < back.size(); ++i) {
    ASSERT_TRUE(plain.CanUndo()) << i;
    plain.Undo();
    previewed.Undo();
    const std::string where = "undo " + std::to_string(i);
    ExpectSameDocument(plain, previewed, where);
    EXPECT_TRUE(SamePixels(previewed.CurrentImage(), back[i].picture)) << where;
    EXPECT_EQ(previewed.Processed(), back[i].processed) << where;
    EXPECT_EQ(previewed.ResultMatchesPhoto(), back[i].matches) << where;
  }
  EXPECT_FALSE(previewed.CanUndo());
  EXPECT_TRUE(previewed.TouchUps().Empty());

  // Forward again to D.
  for (size_t i = back.size(); i-- > 0;) {
    plain.Redo();
    previewed.Redo();
    ExpectSameDocument(plain, previewed, "redo " + std::to_string(i));
    if (i > 0) { EXPECT_TRUE(SamePixels(previewed.CurrentImage(), back[i - 1].picture)) << i; }
  }
  EXPECT_FALSE(previewed.CanRedo());
  EXPECT_TRUE(SamePixels(previewed.CurrentImage(), shown[8]));
  EXPECT_TRUE(previewed.Processed() && previewed.ResultMatchesPhoto());
}

// "Rotate" turns the photo, the mask and the touch-ups with the picture: the
// eyedropper reads the photo under the pointer, a new "Execute" starts from the
// turned photo, the layered save holds it, and Undo and Redo turn them all back
// and forth. A square picture is where a forgotten turn would not show in sizes.
TEST(DocumentDeepHistory, RotateTurnsEverythingBehindTheResult) {
  for (const bool square : {false, true}) {
    SCOPED_TRACE(square ? "square" : "oblong");
    const TBitmap photo = Picture(square ? 24 : 30, 24, square ? 41 : 42);
    TDocument d(kWindowHistoryDepth);
    d.Open(photo, "p.bmp");
    const TKeepOptions o = KeepAt(photo, 2, 2, 50);
    d.Execute(o);
    Stroke(d, TTouchKind::Grey, {4, 4}, {14, 6});
    const TBitmap result = d.CurrentImage(), mask = d.KeepMask(), final = d.FinalMask();
    for (const bool clockwise : {true, false}) {
      d.RotateImage(clockwise);
      const TBitmap turnedPhoto = RotateQuarter(photo, clockwise);
      EXPECT_TRUE(SamePixels(d.CurrentImage(), RotateQuarter(result, clockwise)));
      EXPECT_TRUE(SamePixels(d.ColorSource(), turnedPhoto));
      EXPECT_TRUE(SamePixels(d.KeepMask(), RotateQuarter(mask, clockwise)));
      EXPECT_TRUE(SamePixels(d.FinalMask(), RotateQuarter(final, clockwise)));
      EXPECT_TRUE(d.Processed() && d.ResultMatchesPhoto());
      for (const TPoint p : {TPoint{0, 0}, TPoint{3, 17}, TPoint{20, 9}})
        EXPECT_EQ(d.PickColorAt(p), turnedPhoto.Pixel(p.X, p.Y)) << p.X << "," << p.Y;
      // The layered save keeps the turned photo under the turned grey picture.
      const auto layered = d.BuildLayeredDocument();
      ASSERT_EQ(layered->Layers.Count(), 2);
      EXPECT_TRUE(SamePixels(layered->Layers.Items(0).Image, turnedPhoto));

      // Undo turns everything back: the result is the result it was.
      d.Undo();
      EXPECT_TRUE(SamePixels(d.CurrentImage(), result));
      EXPECT_TRUE(SamePixels(d.ColorSource(), photo));
      EXPECT_TRUE(SamePixels(d.KeepMask(), mask));
      EXPECT_TRUE(SamePixels(d.FinalMask(), final));
      EXPECT_TRUE(d.Processed() && d.ResultMatchesPhoto());
      d.Redo();
      EXPECT_TRUE(SamePixels(d.ColorSource(), turnedPhoto));
      EXPECT_TRUE(SamePixels(d.FinalMask(), RotateQuarter(final, clockwise)));

      // The next "Execute" starts from the turned photo, the stroke turned too.
      d.Execute(o);
      TBitmap expected, expectedMask;
      TTouchUps layer = d.TouchUps();
      ExecuteResult(turnedPhoto, o, &layer, expected, expectedMask);
      EXPECT_TRUE(SamePixels(d.CurrentImage(), expected));
      EXPECT_EQ(d.CurrentImage().Width(), turnedPhoto.Width());
      d.Undo();
      d.Undo();  // the turned result, then the turn
      d.Undo();
      EXPECT_TRUE(SamePixels(d.CurrentImage(), result));
      EXPECT_TRUE(SamePixels(d.FinalMask(), final));
      d.Redo();
      d.Redo();
      d.Redo();
      d.Undo();
      d.Undo();
      d.Undo();
      EXPECT_TRUE(SamePixels(d.ColorSource(), photo));
    }
  }
}

// The photo and the mask behind a result are large; they go as soon as nothing
// can show them again, and stay while a Redo or an older step can.
TEST(DocumentDeepHistory, PhotoAndMaskGoWhenNothingCanShowThem) {
  const TBitmap photo = Picture(20, 16, 51), other = Picture(12, 10, 52);
  const TKeepOptions o = KeepAt(photo, 1, 1, 40);
  auto empty = [](const TDocument& d) { return d.ColorSource().Empty() && d.KeepMask().Empty(); };
  for (const size_t depth : {size_t{1}, kWindowHistoryDepth}) {
    SCOPED_TRACE(depth);
    TDocument d(depth);
    d.Open(photo, "p.bmp");
    d.Execute(o);
    d.Close();
    EXPECT_TRUE(empty(d));
    d.Open(photo, "p.bmp");
    d.Execute(o);
    d.Open(other, "o.bmp");
    EXPECT_TRUE(empty(d));
    d.Execute(KeepAt(other, 1, 1, 40));
    d.Undo();  // Redo can show the result again
    EXPECT_FALSE(empty(d));
    d.ResizeImage(6, 5, rmNearest);  // ... no longer
    EXPECT_TRUE(empty(d));
    d.Undo();
    d.Redo();
    EXPECT_TRUE(empty(d));
  }

  // A deeper history: the result a second "Execute" replaced needs the photo,
  // not the later mask; after a paste the pasted-over document keeps both.
  TDocument d(kWindowHistoryDepth);
  d.Open(photo, "p.bmp");
  d.Execute(o);
  const TBitmap first = d.CurrentImage(), firstMask = d.KeepMask();
  d.Execute(KeepAt(photo, 10, 10, 60));
  d.Undo();
  d.ResizeImage(10, 8, rmNearest);
  EXPECT_TRUE(d.KeepMask().Empty());
  EXPECT_TRUE(SamePixels(d.ColorSource(), photo));
  d.Undo();
  d.Undo();
  EXPECT_TRUE(SamePixels(d.CurrentImage(), first));
  EXPECT_TRUE(d.Processed() && d.ResultMatchesPhoto());
  EXPECT_TRUE(SamePixels(d.KeepMask(), firstMask));
  d.MarkSaved("p.ovi");
  d.Paste(other);
  EXPECT_TRUE(empty(d));
  d.Undo();
  EXPECT_TRUE(d.Processed() && d.Saved() && d.ResultMatchesPhoto());
  EXPECT_TRUE(SamePixels(d.KeepMask(), firstMask));
  d.Redo();
  EXPECT_TRUE(empty(d));
  EXPECT_TRUE(d.Pasted() && !d.Processed());
  d.Undo();  // a second time: the pasted-over document and its flags again
  EXPECT_TRUE(d.Processed() && d.Saved() && d.ResultMatchesPhoto());
  EXPECT_EQ(d.FileName(), "p.ovi");
}

}  // namespace
}  // namespace velinor
