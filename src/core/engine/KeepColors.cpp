// The fast path of the colour keep. The progressive contour streams bands of rows
// from the source to the mask and the result (detail/KeepStream.h); the plain one
// shapes the mask on bit planes and byte planes laid over the mask's own pixels
// (detail/KeepPlanes.h), then writes the tone, the composite and the 24-bit mask in
// one pass over the rows.
#include "core/engine/KeepColors.h"

#include <cstring>
#include <stdexcept>

#include "core/engine/ToneCompositing.h"
#include "core/engine/detail/KeepPlanes.h"
#include "core/engine/detail/KeepRows.h"
#include "core/engine/detail/KeepStream.h"
#include "core/base/Arith.h"
#include "core/base/Parallel.h"

namespace velinor {

using detail::TPlane;
using detail::TScratch;
using detail::TToneTable;
using detail::ToneAndBlendSpan;

namespace {

void Report(const TProgressSink& progress, const char* label, int percent) {
  if (progress) progress(label, percent);
}

TMatchList ExcludedList(const TKeepOptions& options) {
  TMatchList excluded;
  BuildMatchList(options.Excluded, false, excluded);
  return excluded;
}

// The plain contour's mask levels of a 24-bit source (the list is not empty),
// taken first from the scratch memory.
void PlainShapeLevels(const TBitmap& source, const TMatchList& matchList, const TKeepOptions& options,
                      const TProgressSink& progress, TScratch& scratch, TPlane& levels) {
  const int w = source.Width(), h = source.Height();
  detail::TBitRows vote(w, h, scratch);
  {
    detail::TBitRows match(w, h, scratch);
    {
      const TColorMatcher matcher(matchList, options.Tolerance, ExcludedList(options));
      detail::MatchBits(source, matcher, match, progress);
    }
    Report(progress, "Processing", 0);
    detail::VoteBits(match, vote);
  }
  Report(progress, "Processing", 10);
  detail::PlainLevels(vote, levels, scratch);
  Report(progress, "Processing", 50);
}

// The progressive contour, and with a result the tone and composite, in one
// pass: the steps cannot be told apart in time, so "Calculating" follows the rows
// as they are finished and the "Processing" steps are reported at the end.
void ProgressiveMaskAndResult(const TBitmap& source, const TMatchList& matchList, const TKeepOptions& options,
                              const TProgressSink& progress, TBitmap& mask, TBitmap* result,
                              const TBitmap* toned, const TToneTable* tone) {
  const int h = source.Height();
  const TColorMatcher matcher(matchList, options.Tolerance, ExcludedList(options));
  Report(progress, "Calculating", 0);
  detail::ProgressiveStream(source, matcher, mask, result, toned, tone, detail::CalculatingProgress(progress, h));
  Report(progress, "Processing", 0);
  Report(progress, "Processing", 10);
  Report(progress, "Processing", 50);
}

// Makes the bitmap (a mask or a result) a 24-bit image of the size, keeping its
// pixel memory when it already has that size (its content is rewritten).
void PrepareMask(TBitmap& mask, int w, int h) {
  mask.Transparent = false;
  if (mask.PixelFormat() == TPixelFormat::pf24bit && mask.Width() == w && mask.Height() == h) {
    mask.Palette.clear();
    return;
  }
  mask.Clear();
  mask.Palette.clear();
  mask.SetPixelFormat(TPixelFormat::pf24bit);
  mask.SetSize(w, h);
}

// The source as a 24-bit picture that the result's and the mask's pixels do not
// overlap: itself, or a converted copy.
const TBitmap& Source24(const TBitmap& source, const TBitmap& result, const TBitmap& mask, TBitmap& copy) {
  if (source.PixelFormat() == TPixelFormat::pf24bit && &source != &result && &source != &mask) return source;
  copy.Assign(source);
  copy.SetPixelFormat(TPixelFormat::pf24bit);
  return copy;
}

// The picture whose alpha the result takes at the end: the source itself, or a
// copy kept aside when the result or the mask is the source (they are rewritten,
// 24-bit, before the alpha is read). No copy for a source without alpha.
const TBitmap& AlphaSource(const TBitmap& source, const TBitmap& result, const TBitmap& mask, TBitmap& holder) {
  if (source.PixelFormat() != TPixelFormat::pf32bit || (&source != &result && &source != &mask)) return source;
  holder = source;
  return holder;
}

// An image without pixels: the scan reports its steps all the same.
void ReportEmptyScan(const TProgressSink& progress, int h) {
  Report(progress, "Calculating", 0);
  for (int y = 0; y < h; ++y) Report(progress, "Calculating", static_cast<int>(Round((y + 1) * 100.0 / h)));
  Report(progress, "Processing", 0);
  Report(progress, "Processing", 10);
  Report(progress, "Processing", 50);
}

void CheckSameSize(const TBitmap& a, const TBitmap& b, const char* what) {
  if (a.Width() != b.Width() || a.Height() != b.Height())
    throw std::invalid_argument(std::string("KeepColors: ") + what + " differ in size");
}

}  // namespace

void BuildKeepMask(TBitmap& mask, const TBitmap& sourceIn, const TKeepOptions& options,
                   const TProgressSink& progress) {
  TBitmap copy;
  const TBitmap& source = Source24(sourceIn, mask, mask, copy);
  TMatchList matchList;
  BuildMatchList(options.Entries, options.Gradient, matchList);
  const int w = source.Width(), h = source.Height();
  PrepareMask(mask, w, h);
  if (matchList.empty() || source.Empty()) {
    mask.FillBytes(255);
    if (!matchList.empty()) ReportEmptyScan(progress, h);
    return;
  }
  if (options.Progressive)
    return ProgressiveMaskAndResult(source, matchList, options, progress, mask, nullptr, nullptr, nullptr);
  // The mask's own pixels are the working memory, the levels first (compact at
  // its start, which ForRowsThenExpandLevels relies on).
  TScratch scratch(mask.Bits(), mask.ByteSize());
  TPlane levels(w, h, scratch);
  PlainShapeLevels(source, matchList, options, progress, scratch, levels);
  detail::ForRowsThenExpandLevels(mask, [](int, int) {});
}

void ComposeKeep(TBitmap& result, const TBitmap& sourceIn, const TBitmap& mask, bool sepia, TRect rect) {
  CheckSameSize(result, sourceIn, "the result and the source");
  CheckSameSize(result, mask, "the result and the mask");
  if (mask.PixelFormat() != TPixelFormat::pf24bit)
    throw std::invalid_argument("KeepColors: the mask is not a 24-bit mask");
  TBitmap holder;
  const TBitmap& alphaSource = AlphaSource(sourceIn, result, mask, holder);
  if (result.PixelFormat() != TPixelFormat::pf24bit) result.SetPixelFormat(TPixelFormat::pf24bit);
  ClipToBitmap(rect, result);
  if (rect.IsEmpty()) return CarryAlpha(result, alphaSource);
  TBitmap copy;
  const TBitmap& source = Source24(alphaSource, result, mask, copy);
  const TToneTable tone(sepia);
  const size_t left = static_cast<size_t>(rect.Left) * 3;
  ParallelRows(rect.Top, rect.Bottom, rect.Width(), [&](int first, int last) {
    for (int y = first; y < last; ++y)
      ToneAndBlendSpan<3>(result.ScanLine(y) + left, result.ScanLine(y) + left, source.ScanLine(y) + left,
                          mask.ScanLine(y) + left, rect.Width(), tone);
  });
  CarryAlpha(result, alphaSource);
}

namespace {

// KeepColors, toning the pixels of `toned`: the result itself, or the source
// (which the result then need not hold).
void KeepColorsToning(TBitmap& result, TBitmap& mask, const TBitmap& source, bool tonedIsSource,
                      const TKeepOptions& options, const TProgressSink& progress) {
  const TBitmap& toned = tonedIsSource ? source : result;
  TMatchList matchList;
  BuildMatchList(options.Entries, options.Gradient, matchList);
  const int w = result.Width(), h = result.Height();
  PrepareMask(mask, w, h);
  const TToneTable tone(options.Sepia);
  if (matchList.empty() || result.Empty()) {
    mask.FillBytes(255);
    if (!matchList.empty()) ReportEmptyScan(progress, h);
    Report(progress, "Processing", 80);
    ParallelRows(0, h, w, [&](int first, int last) {
      for (int y = first; y < last; ++y)
        ToneAndBlendSpan<1>(result.ScanLine(y), toned.ScanLine(y), source.ScanLine(y), nullptr, w, tone);
    });
    return;
  }
  if (options.Progressive) {
    ProgressiveMaskAndResult(source, matchList, options, progress, mask, &result, &toned, &tone);
    Report(progress, "Processing", 80);
    return;
  }
  TScratch scratch(mask.Bits(), mask.ByteSize());
  TPlane levels(w, h, scratch);
  PlainShapeLevels(source, matchList, options, progress, scratch, levels);
  Report(progress, "Processing", 80);
  // Tone and blend, then the mask rows from the same levels.
  detail::ForRowsThenExpandLevels(mask, [&](int first, int last) {
    for (int y = first; y < last; ++y)
      ToneAndBlendSpan<1>(result.ScanLine(y), toned.ScanLine(y), source.ScanLine(y), levels.Row(y), w, tone);
  });
}

}  // namespace

void KeepColors(TBitmap& result, TBitmap& mask, const TBitmap& sourceIn,
                const TKeepOptions& options, const TProgressSink& progress) {
  CheckSameSize(result, sourceIn, "the result and the source");
  // The photo's alpha goes into the result unchanged.
  TBitmap holder;
  const TBitmap& alphaSource = AlphaSource(sourceIn, result, mask, holder);
  if (result.PixelFormat() != TPixelFormat::pf24bit) result.SetPixelFormat(TPixelFormat::pf24bit);
  TBitmap copy;
  KeepColorsToning(result, mask, Source24(alphaSource, result, mask, copy), false, options, progress);
  CarryAlpha(result, alphaSource);
}

void ToneResultOf(TBitmap& toned, const TBitmap& photoIn, bool sepia) {
  TBitmap copy;
  const TBitmap& photo = Source24(photoIn, toned, toned, copy);
  const int w = photo.Width(), h = photo.Height();
  PrepareMask(toned, w, h);  // a 24-bit image of the size, its memory kept
  const TToneTable tone(sepia);
  ParallelRows(0, h, w, [&](int first, int last) {
    for (int y = first; y < last; ++y)
      ToneAndBlendSpan<1>(toned.ScanLine(y), photo.ScanLine(y), photo.ScanLine(y), nullptr, w, tone);
  });
}

void KeepColorsOfPhoto(TBitmap& result, TBitmap& mask, const TBitmap& photoIn,
                       const TKeepOptions& options, const TProgressSink& progress) {
  TBitmap holder;
  const TBitmap& alphaSource = AlphaSource(photoIn, result, mask, holder);
  TBitmap copy;
  const TBitmap& photo = Source24(alphaSource, result, mask, copy);
  // The result's memory is kept when it has the size already: nothing of it is read.
  result.Transparent = false;
  result.Palette.clear();
  if (result.PixelFormat() != TPixelFormat::pf24bit || result.Width() != photo.Width() ||
      result.Height() != photo.Height()) {
    result.Clear();
    result.SetPixelFormat(TPixelFormat::pf24bit);
    result.SetSize(photo.Width(), photo.Height());
  }
  KeepColorsToning(result, mask, photo, true, options, progress);
  CarryAlpha(result, alphaSource);
}

}  // namespace velinor
