// The work behind a result: the inputs of the "Execute" on screen follow the
// history, the layered document carries them with the touch-ups, and a work
// read back opens as it was left and goes on.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/document/Document.h"
#include "core/document/LayeredDocument.h"
#include "core/engine/ColorMatch.h"
#include "core/engine/KeepColors.h"
#include "core/files/OvImage.h"
#include "core/resize/StretchEx.h"
#include "DocumentPictures.h"
#include "support/PixelCompare.h"

namespace velinor {
namespace {

using test::Picture;
using test::SamePixels;

TKeepInputs InputsAt(const TBitmap& photo, std::vector<TPoint> kept, TPoint excluded, int tolerance, bool sepia) {
  TKeepInputs in;
  for (TPoint p : kept) in.Colors.push_back({ColorToText(photo.Pixel(p.X, p.Y)), false});
  in.Colors.insert(in.Colors.begin() + 1, TColorEntry{ColorToText(photo.Pixel(excluded.X, excluded.Y)), true});
  in.Tolerance = tolerance;
  in.Sepia = sepia;
  in.Progressive = tolerance % 2 == 0;
  return in;
}

void Stroke(TDocument& d, TTouchKind kind, TBrushPoint a, TBrushPoint b, const TKeepInputs& panel = {}) {
  d.BeginStroke(TBrush{8, 30}, kind, panel);
  d.StrokeTo(a);
  d.StrokeTo(b);
  d.EndStroke();
}

// What the document would write: the inputs of its result and its touch-ups.
const TKeepWork* WorkOf(const TDocument& d, std::unique_ptr<TMyImageLayered>& holder) {
  holder = d.BuildLayeredDocument();
  return holder->Work ? &*holder->Work : nullptr;
}

// Undo and Redo through results of other inputs: whatever result is on screen,
// the document it writes names the inputs that compute it, with its strokes.
TEST(DocumentWork, EveryResultTheHistoryGivesBackWritesItsOwnInputs) {
  const TBitmap photo = Picture(40, 30, 41);
  TDocument d(kWindowHistoryDepth);
  d.Open(photo, "p.bmp");
  const std::vector<TKeepInputs> runs = {InputsAt(photo, {{1, 1}, {30, 20}}, {5, 5}, 40, false),
                                         InputsAt(photo, {{7, 7}, {20, 3}}, {2, 9}, 55, true),
                                         InputsAt(photo, {{12, 22}, {1, 1}}, {30, 20}, 25, false)};
  std::vector<TBitmap> results;
  for (size_t i = 0; i < runs.size(); ++i) {
    d.Execute(runs[i]);
    Stroke(d, i % 2 ? TTouchKind::Colour : TTouchKind::Grey, {5.0 + 10 * i, 5}, {20, 25.0 - 5 * i});
    results.push_back(d.CurrentImage());
  }
  ASSERT_FALSE(SamePixels(results[0], results[1]));
  ASSERT_FALSE(SamePixels(results[1], results[2]));

  auto check = [&](const std::string& where) {
    SCOPED_TRACE(where);
    std::unique_ptr<TMyImageLayered> holder;
    const TKeepWork* work = WorkOf(d, holder);
    if (!d.ResultMatchesPhoto()) {
      EXPECT_EQ(work, nullptr);
      return;
    }
    ASSERT_NE(work, nullptr);
    EXPECT_EQ(work->Inputs, d.ProcessedInputs());
    // The inputs written compute the picture on screen from its photo and strokes.
    TBitmap again, mask;
    ExecuteResult(d.ColorSource(), work->Inputs.Options(), &d.TouchUps(), again, mask);
    EXPECT_TRUE(SamePixels(again, d.CurrentImage()));
    EXPECT_TRUE(SamePixels(mask, d.KeepMask()));
    EXPECT_EQ(work->TouchUps.Touched(), d.TouchUps().Touched());
    if (!work->TouchUps.Empty()) EXPECT_TRUE(SamePixels(work->ComputedMask, d.KeepMask()));
  };
  int steps = 0;
  for (; d.CanUndo(); ++steps) {
    d.Undo();
    check("undo " + std::to_string(steps));
  }
  EXPECT_GE(steps, 8);
  while (d.CanRedo()) {
    d.Redo();
    check("redo " + std::to_string(--steps));
  }
  EXPECT_TRUE(SamePixels(d.CurrentImage(), results.back()));
  EXPECT_EQ(d.ProcessedInputs(), runs.back());
}

// A stroke before "Execute" makes the photo a result of the panel's inputs as
// they stand; its undo gives back the inputs of the result it replaced.
TEST(DocumentWork, AStrokeBeforeExecuteGoesByThePanelsInputs) {
  const TBitmap photo = Picture(30, 20, 42);
  TDocument d(kWindowHistoryDepth);
  d.Open(photo, "p.bmp");
  const TKeepInputs first = InputsAt(photo, {{1, 1}, {3, 3}}, {5, 5}, 30, false);
  d.Execute(first);
  d.ResizeImage(24, 16, rmFiltered);  // the result no longer fits its photo
  const TKeepInputs panel = InputsAt(photo, {{2, 2}, {9, 9}}, {1, 1}, 60, true);
  Stroke(d, TTouchKind::Grey, {3, 3}, {10, 8}, panel);
  std::unique_ptr<TMyImageLayered> holder;
  ASSERT_NE(WorkOf(d, holder), nullptr);
  EXPECT_EQ(holder->Work->Inputs, panel);
  EXPECT_FALSE(holder->Work->TouchUps.Empty());
  d.Undo();
  EXPECT_EQ(d.ProcessedInputs(), first);
  EXPECT_EQ(WorkOf(d, holder), nullptr);  // the resized result: no work behind it
  d.Redo();
  EXPECT_EQ(d.ProcessedInputs(), panel);
}

// The layered file of a result with strokes opens as that work: its photo, its
// computed mask, its strokes as a layer and its inputs. A second "Execute" with
// one more colour gives what the engine gives with all the colours and the same
// strokes; Undo shows the photo with the strokes kept; "Clear touch-ups" clears.
TEST(DocumentWork, AReadBackWorkOpensAsItWasLeftAndGoesOn) {
  const TBitmap photo = Picture(40, 30, 43);
  TDocument saved(kWindowHistoryDepth);
  saved.Open(photo, "p.bmp");
  const TKeepInputs inputs = InputsAt(photo, {{1, 1}, {30, 20}}, {5, 5}, 45, true);
  saved.Execute(inputs);
  Stroke(saved, TTouchKind::Grey, {4, 4}, {25, 10});
  Stroke(saved, TTouchKind::Colour, {30, 28}, {10, 20});
  const auto bytes = SaveLayeredStream(*saved.BuildLayeredDocument());

  TMyImageLayeredReg reg;
  reg.LoadFromMemory(bytes.data(), bytes.size());
  TBitmap flat = std::move(static_cast<TBitmap&>(reg));
  TMyImageLayered layered;
  TOviMemorySource in(bytes.data(), bytes.size());
  ReadLayeredDocument(in, layered);
  TLayeredWork work;
  ASSERT_TRUE(ExtractLayeredWork(layered, flat.Width(), flat.Height(), work));
  TDocument d(kWindowHistoryDepth);
  d.OpenWork(flat, "w.ovi", std::move(work));
  EXPECT_TRUE(d.Processed() && d.Saved() && d.ResultMatchesPhoto());
  EXPECT_TRUE(SamePixels(d.CurrentImage(), flat));
  EXPECT_TRUE(SamePixels(d.ColorSource(), photo));
  EXPECT_TRUE(SamePixels(d.KeepMask(), saved.KeepMask())) << "the computed mask, not the final one";
  EXPECT_TRUE(SamePixels(d.FinalMask(), saved.FinalMask()));
  EXPECT_EQ(d.ProcessedInputs(), inputs);
  auto sameLayer = [&](const TTouchUps& t) {
    if (t.Touched() != saved.TouchUps().Touched() || t.Empty()) return false;
    for (int y = 0; y < 30; ++y)
      for (int x = 0; x < 40; ++x)
        if (t.Target(x, y) != saved.TouchUps().Target(x, y) || t.Amount(x, y) != saved.TouchUps().Amount(x, y))
          return false;
    return true;
  };
  EXPECT_TRUE(sameLayer(d.TouchUps()));

  d.Undo();
  EXPECT_TRUE(SamePixels(d.CurrentImage(), photo));
  EXPECT_FALSE(d.Processed());
  EXPECT_TRUE(sameLayer(d.TouchUps())) << "as after an Execute, the strokes wait for the next one";
  d.Redo();
  EXPECT_TRUE(SamePixels(d.CurrentImage(), flat));
  EXPECT_TRUE(d.Processed() && d.Saved());

  TKeepInputs more = inputs;
  more.Colors.push_back({ColorToText(photo.Pixel(12, 25)), false});
  d.Execute(more);
  const TKeepOptions all = more.Options();
  TBitmap expected = photo, mask;
  KeepColors(expected, mask, photo, all);
  const TBitmap computedOnly = expected;
  RecomposeTouched(expected, photo, mask, saved.TouchUps(), true, saved.TouchUps().Touched());
  EXPECT_TRUE(SamePixels(d.CurrentImage(), expected));
  EXPECT_TRUE(sameLayer(d.TouchUps()));
  d.ClearTouchUps();
  EXPECT_TRUE(SamePixels(d.CurrentImage(), computedOnly));
}

}  // namespace
}  // namespace velinor
