#pragma once
// The colour-keep computation behind "Execute": the photo turns grey (or sepia)
// except where its colours are close to a kept colour, where its own colour shows
// through a softened mask.
//
// Two ways of computing it, giving the same pixels and the same progress reports:
// the reference, written step for step with the general operations (the match
// list, BoxBlurRect, ThresholdRect, MorphMask, GaussianBlurRect, SmoothMaskSteps,
// ToneResult, BlendThroughMask), and the fast path the program runs. The constants
// of the recipe are TKeepRecipe (KeepRecipe.h).
#include <string>
#include <vector>

#include "core/engine/ColorMatch.h"
#include "core/base/Bitmap.h"
#include "core/base/Geometry.h"
#include "core/base/Progress.h"

namespace velinor {

struct TKeepOptions {
  std::vector<std::string> Entries;   // kept colours, "#RRGGBB", in list order
  std::vector<std::string> Excluded;  // excluded colours: never matched (no gradient)
  bool Gradient = true;               // "Color gradient" (between kept colours)
  int Tolerance = 30;                 // 1..100, a channel difference, for both kinds
  bool Progressive = true;            // "Progressive contour"
  bool Sepia = false;                 // "Sepia"

  // Entries and Excluded from a list of both kinds, each in list order.
  void SetColorList(const std::vector<TColorEntry>& list);
};

// ---- the fast path -----------------------------------------------------------------

// result and source have the same size (std::invalid_argument otherwise); result
// is toned and the source composited back through the mask, which is rebuilt (24
// bits, the result's size; 0 = source colour, 255 = grey). Progress: "Calculating"
// 0 and once per row, then "Processing" 0, 10, 50 and 80 (only 80 when no colour is
// kept). Equal to BuildKeepMask and then ComposeKeep over the whole picture.
void KeepColors(TBitmap& result, TBitmap& mask, const TBitmap& source, const TKeepOptions& options,
                const TProgressSink& progress = {});

// KeepColors on a copy of the photo, without the copy: result becomes exactly
// what KeepColors leaves in a result that starts as the photo. Its own pixels are
// not read (it becomes a 24-bit image of the photo's size, keeping its memory
// when it has that size already).
void KeepColorsOfPhoto(TBitmap& result, TBitmap& mask, const TBitmap& photo, const TKeepOptions& options,
                       const TProgressSink& progress = {});

// ToneResult on a copy of the photo, without the copy: toned becomes a 24-bit
// image of the photo's size holding the photo's colours toned (grey, then with
// sepia the gammas of ToneResult). Its own pixels are not read.
void ToneResultOf(TBitmap& toned, const TBitmap& photo, bool sepia);

// The mask alone, as KeepColors leaves it, with the same reports up to
// "Processing" 50 (none when no colour is kept; the mask is then white).
void BuildKeepMask(TBitmap& mask, const TBitmap& source, const TKeepOptions& options,
                   const TProgressSink& progress = {});

// The tone and the composite alone, on the pixels of rect: each result pixel is
// toned (grey, then sepia) and moved toward the source pixel by the mask, as
// ToneResult and BlendThroughMask do there. result, source and mask have the same
// size (std::invalid_argument otherwise); mask is a 24-bit mask.
void ComposeKeep(TBitmap& result, const TBitmap& source, const TBitmap& mask, bool sepia,
                 TRect rect = FullImageRect);

// ---- the reference -----------------------------------------------------------------

// KeepColors step for step: the white mask (NewFilledBitmap), the match list
// (BuildMatchList), ScanAndShape, ToneResult, "Processing" 80, BlendThroughMask.
void KeepColorsReference(TBitmap& result, TBitmap& mask, const TBitmap& source,
                         const TKeepOptions& options, const TProgressSink& progress = {});

// Marks black, on the white mask of the source's size (std::invalid_argument for
// another size), every source pixel for which MatchesKept holds (MatchesAny when
// no colour is excluded), then shapes the mask: the box average and the
// threshold, then the progressive or the plain contour. Nothing at all (no
// progress either) with an empty match list.
void ScanAndShape(const TBitmap& source, TBitmap& mask, const TMatchList& matchList,
                  const TMatchList& excluded, int tolerance, bool progressive,
                  const TProgressSink& progress = {});
void ScanAndShape(const TBitmap& source, TBitmap& mask, const TMatchList& matchList, int tolerance,
                  bool progressive, const TProgressSink& progress = {});

// Grey, then with sepia the gammas 1.2 (red), 1.0 (green), 0.5 (blue).
void ToneResult(TBitmap& image, bool sepia);

}  // namespace velinor
