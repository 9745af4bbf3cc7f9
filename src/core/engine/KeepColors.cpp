#include "KeepColors.h"

#include <algorithm>
#include <stdexcept>

#include "CopyFamily.h"
#include "KeepPlanes.h"
#include "MaskShaping.h"
#include "ToneCompositing.h"
#include "base/Geometry.h"

namespace velinor {

using detail::TPlane;

namespace {

void Report(const TProgressSink& progress, const char* label, int percent) {
  if (progress) progress(label, percent);
}

// The shaped mask levels of a 24-bit source (the list is not empty).
void ShapeLevels(const TBitmap& source, const TMatchList& matchList, int tolerance,
                 bool progressive, const TProgressSink& progress, TPlane& levels) {
  const int w = source.Width(), h = source.Height();
  TPlane match(w, h);
  {
    const TColorMatcher matcher(matchList, tolerance);
    detail::MatchPlane(source, matcher, match, progress);
  }
  Report(progress, "Processing", 0);
  if (progressive) {
    detail::ProgressiveContour(match, levels, progress);
  } else {
    TPlane scratch(w, h);
    detail::PlainContour(match, scratch, levels, progress);
  }
  Report(progress, "Processing", 50);
}

void WriteMask(const TPlane& levels, TBitmap& mask) {
  const int w = levels.W();
#pragma omp parallel for schedule(static) if (int64_t{w} * levels.H() >= (int64_t{1} << 16))
  for (int y = 0; y < levels.H(); ++y) {
    const uint8_t* g = levels.Row(y);
    uint8_t* m = mask.ScanLine(y);
    for (int x = 0; x < w; ++x, m += 3) m[0] = m[1] = m[2] = g[x];
  }
}

// The tone of every grey level: grey, or the sepia gammas applied to the grey.
struct TToneTable {
  uint8_t b[256], g[256], r[256];
  explicit TToneTable(bool sepia) {
    for (int i = 0; i < 256; ++i) b[i] = g[i] = r[i] = static_cast<uint8_t>(i);
    if (sepia) {
      BuildGammaTable(0.5, b);
      BuildGammaTable(1.0, g);
      BuildGammaTable(1.2, r);
    }
  }
};

// ToneResult and BlendThroughMask in one pass: each result pixel is toned from
// its own grey level and moved toward the source by the mask level.
void ToneAndBlend(TBitmap& result, const TBitmap& source, const TPlane* levels, bool sepia) {
  const TToneTable tone(sepia);
  const int w = result.Width();
#pragma omp parallel for schedule(static) if (int64_t{w} * result.Height() >= (int64_t{1} << 16))
  for (int y = 0; y < result.Height(); ++y) {
    uint8_t* d = result.ScanLine(y);
    const uint8_t* s = source.ScanLine(y);
    const uint8_t* g = levels ? levels->Row(y) : nullptr;
    for (int x = 0; x < w; ++x, d += 3, s += 3) {
      const int m = g ? g[x] : 255;
      if (m == 0) {
        d[0] = s[0];
        d[1] = s[1];
        d[2] = s[2];
        continue;
      }
      const int l = Luminance(d[0], d[1], d[2]);
      const int tb = tone.b[l], tg = tone.g[l], tr = tone.r[l];
      if (m == 255) {
        d[0] = static_cast<uint8_t>(tb);
        d[1] = static_cast<uint8_t>(tg);
        d[2] = static_cast<uint8_t>(tr);
      } else {
        const int k = 255 - m;
        d[0] = static_cast<uint8_t>(tb + (s[0] - tb) * k / 255);
        d[1] = static_cast<uint8_t>(tg + (s[1] - tg) * k / 255);
        d[2] = static_cast<uint8_t>(tr + (s[2] - tr) * k / 255);
      }
    }
  }
}

}  // namespace

void ToneResult(TBitmap& image, bool sepia) {
  DesaturateRect(image, FullImageRect);
  if (sepia) GammaRect(image, FullImageRect, 1.2, 1.0, 0.5);
}

void ScanAndShape(const TBitmap& sourceIn, TBitmap& mask, const TMatchList& matchList,
                  int tolerance, bool progressive, const TProgressSink& progress) {
  if (matchList.empty()) return;
  TBitmap scratch;
  const TBitmap* source = &sourceIn;
  if (sourceIn.PixelFormat() != TPixelFormat::pf24bit) {
    scratch.Assign(sourceIn);
    scratch.SetPixelFormat(TPixelFormat::pf24bit);
    source = &scratch;
  }
  if (mask.Width() != source->Width() || mask.Height() != source->Height() ||
      mask.PixelFormat() != TPixelFormat::pf24bit)
    NewFilledBitmap(mask, source->Width(), source->Height(), clWhite);
  if (source->Empty()) return;
  TPlane levels(source->Width(), source->Height());
  ShapeLevels(*source, matchList, tolerance, progressive, progress, levels);
  WriteMask(levels, mask);
}

void KeepColors(TBitmap& result, TBitmap& mask, const TBitmap& sourceIn,
                const TKeepOptions& options, const TProgressSink& progress) {
  if (result.Width() != sourceIn.Width() || result.Height() != sourceIn.Height())
    throw std::invalid_argument("KeepColors: the result and the source differ in size");
  if (result.PixelFormat() != TPixelFormat::pf24bit) result.SetPixelFormat(TPixelFormat::pf24bit);
  TBitmap scratch;
  const TBitmap* source = &sourceIn;
  if (sourceIn.PixelFormat() != TPixelFormat::pf24bit || &sourceIn == &result) {
    scratch.Assign(sourceIn);
    scratch.SetPixelFormat(TPixelFormat::pf24bit);
    source = &scratch;
  }
  TMatchList matchList;
  BuildMatchList(options.Entries, options.Gradient, matchList);
  const int w = result.Width(), h = result.Height();
  if (matchList.empty() || result.Empty()) {
    NewFilledBitmap(mask, w, h, clWhite);
    Report(progress, "Processing", 80);
    ToneAndBlend(result, *source, nullptr, options.Sepia);
    return;
  }
  // Every mask byte is written from the levels: no white fill first.
  mask.Clear();
  mask.Transparent = false;
  mask.Palette.clear();
  mask.SetPixelFormat(TPixelFormat::pf24bit);
  mask.SetSize(w, h);
  TPlane levels(w, h);
  ShapeLevels(*source, matchList, options.Tolerance, options.Progressive, progress, levels);
  WriteMask(levels, mask);
  Report(progress, "Processing", 80);
  ToneAndBlend(result, *source, &levels, options.Sepia);
}

}  // namespace velinor
