// The colour-keep recipe written step for step with the general operations: the
// statement of what KeepColors computes, which the fast path is tested against.
// Clear rather than quick (the matching tries every match colour on every pixel).
#include <stdexcept>

#include "core/engine/CopyFamily.h"
#include "core/engine/KeepColors.h"
#include "core/engine/KeepRecipe.h"
#include "core/engine/MaskShaping.h"
#include "core/engine/ToneCompositing.h"
#include "core/base/Arith.h"

namespace velinor {

namespace {

void Report(const TProgressSink& progress, const char* label, int percent) {
  if (progress) progress(label, percent);
}

}  // namespace

void ToneResult(TBitmap& image, bool sepia) {
  DesaturateRect(image, FullImageRect);
  if (sepia) GammaRect(image, FullImageRect, 1.2, 1.0, 0.5);
}

void TKeepOptions::SetColorList(const std::vector<TColorEntry>& list) {
  Entries.clear();
  Excluded.clear();
  for (const TColorEntry& e : list) (e.Excluded ? Excluded : Entries).push_back(e.Text);
}

void ScanAndShape(const TBitmap& source, TBitmap& mask, const TMatchList& matchList, int tolerance,
                  bool progressive, const TProgressSink& progress) {
  ScanAndShape(source, mask, matchList, {}, tolerance, progressive, progress);
}

void ScanAndShape(const TBitmap& source, TBitmap& mask, const TMatchList& matchList,
                  const TMatchList& excluded, int tolerance, bool progressive,
                  const TProgressSink& progress) {
  if (matchList.empty()) return;
  if (mask.Width() != source.Width() || mask.Height() != source.Height() ||
      mask.PixelFormat() != TPixelFormat::pf24bit)
    throw std::invalid_argument("ScanAndShape: the mask is not a 24-bit image of the source's size");
  using R = TKeepRecipe;
  const int w = source.Width(), h = source.Height();
  Report(progress, "Calculating", 0);
  for (int y = 0; y < h; ++y) {
    uint8_t* m = mask.ScanLine(y);
    for (int x = 0; x < w; ++x, m += 3)
      if (MatchesKept(source.Pixel(x, y), matchList, excluded, tolerance)) m[0] = m[1] = m[2] = 0;
    Report(progress, "Calculating", static_cast<int>(Round((y + 1) * 100.0 / h)));
  }
  Report(progress, "Processing", 0);
  BoxBlurRect(mask, R::BoxRadius, R::BoxRadius, FullImageRect);
  ThresholdRect(mask, R::ThresholdLevel, clBlack, clWhite, FullImageRect);
  Report(progress, "Processing", 10);
  if (progressive) {
    MorphMask(mask, -R::ProgressiveErosion, FullImageRect);
    GaussianBlurRect(mask, R::ContourSigma, FullImageRect);
  } else {
    MorphMask(mask, -R::PlainErosion, FullImageRect);
    SmoothMaskSteps(mask, FullImageRect, R::LongestRamp);
  }
  Report(progress, "Processing", 50);
}

void KeepColorsReference(TBitmap& result, TBitmap& mask, const TBitmap& sourceIn,
                         const TKeepOptions& options, const TProgressSink& progress) {
  if (result.Width() != sourceIn.Width() || result.Height() != sourceIn.Height())
    throw std::invalid_argument("KeepColors: the result and the source differ in size");
  // The pictures of the computation are 24-bit; the source is read as it was
  // before the result was toned, also when they are the same bitmap.
  TBitmap source(sourceIn);
  const TBitmap photo(sourceIn);  // whose alpha the result takes at the end
  source.SetPixelFormat(TPixelFormat::pf24bit);
  result.SetPixelFormat(TPixelFormat::pf24bit);
  NewFilledBitmap(mask, result.Width(), result.Height(), clWhite);
  TMatchList matchList, excluded;
  BuildMatchList(options.Entries, options.Gradient, matchList);
  BuildMatchList(options.Excluded, false, excluded);
  ScanAndShape(source, mask, matchList, excluded, options.Tolerance, options.Progressive, progress);
  ToneResult(result, options.Sepia);
  Report(progress, "Processing", 80);
  BlendThroughMask(source, FullImageRect, result, 0, 0, FullImageRect, &mask);
  // The photo's alpha, unchanged.
  CarryAlpha(result, photo);
}

}  // namespace velinor
