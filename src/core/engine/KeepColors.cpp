#include "KeepColors.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <vector>
#include <stdexcept>

#include "CopyFamily.h"
#include "KeepPlanes.h"
#include "MaskShaping.h"
#include "ToneCompositing.h"
#include "base/Arith.h"
#include "base/Geometry.h"

namespace velinor {

using detail::TPlane;
using detail::TScratch;

namespace {

void Report(const TProgressSink& progress, const char* label, int percent) {
  if (progress) progress(label, percent);
}

// The shaped mask levels of a 24-bit source (the list is not empty), taken
// first from the scratch memory.
void ShapeLevels(const TBitmap& source, const TMatchList& matchList, int tolerance,
                 bool progressive, const TProgressSink& progress, TScratch& scratch, TPlane& levels) {
  const int w = source.Width(), h = source.Height();
  detail::TBitRows vote(w, h, scratch);
  {
    detail::TBitRows match(w, h, scratch);
    {
      const TColorMatcher matcher(matchList, tolerance);
      detail::MatchBits(source, matcher, match, progress);
    }
    Report(progress, "Processing", 0);
    detail::VoteBits(match, vote);
  }
  Report(progress, "Processing", 10);
  if (progressive) {
    TPlane rowBlur(w, h, scratch);
    detail::ProgressiveLevels(vote, rowBlur, levels, scratch);
  } else {
    detail::PlainLevels(vote, levels, scratch);
  }
  Report(progress, "Processing", 50);
}

// Makes the mask a 24-bit image of the size, keeping its pixel memory when it
// already has that size (its content is rewritten).
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

// The tone of every pixel by its weighted sum s = 11 B + 59 G + 30 R: the grey
// level is s div 100 except when s is a whole hundred, where the extended
// evaluation decides (marked 255 in the level table, which no other sum reaches:
// only s = 25500 gives 255). The table of levels is small enough to stay in the
// first-level cache. Tones pack B | G << 8 | R << 16.
struct TToneTable {
  static constexpr int MaxSum = 11 * 255 + 59 * 255 + 30 * 255;
  uint8_t levelBySum[MaxSum + 1];
  uint32_t byLevel[256];
  explicit TToneTable(bool sepia) {
    uint8_t b[256], g[256], r[256];
    for (int i = 0; i < 256; ++i) b[i] = g[i] = r[i] = static_cast<uint8_t>(i);
    if (sepia) {
      BuildGammaTable(0.5, b);
      BuildGammaTable(1.0, g);
      BuildGammaTable(1.2, r);
    }
    for (int i = 0; i < 256; ++i) byLevel[i] = b[i] | uint32_t{g[i]} << 8 | uint32_t{r[i]} << 16;
    for (int sum = 0; sum <= MaxSum; ++sum) levelBySum[sum] = static_cast<uint8_t>(sum % 100 ? sum / 100 : 255);
  }
  uint32_t Of(const uint8_t* p) const {
    int level = levelBySum[11 * p[0] + 59 * p[1] + 30 * p[2]];
    if (level == 255) level = Luminance(p[0], p[1], p[2]);
    return byLevel[level];
  }
};

// Pixels are moved as 32-bit words whose low byte is the first in memory.
static_assert(std::endian::native == std::endian::little);

// ToneResult and BlendThroughMask on one pixel with mask level m, as B | G << 8 |
// R << 16.
inline uint32_t ToneAndBlendPixel(const TToneTable& tone, const uint8_t* d, const uint8_t* s, int m) {
  if (m == 0) return s[0] | uint32_t{s[1]} << 8 | uint32_t{s[2]} << 16;
  const uint32_t t = tone.Of(d);
  if (m == 255) return t;
  const int tb = t & 0xFF, tg = (t >> 8) & 0xFF, tr = (t >> 16) & 0xFF, k = 255 - m;
  return static_cast<uint32_t>(tb + (s[0] - tb) * k / 255) |
         static_cast<uint32_t>(tg + (s[1] - tg) * k / 255) << 8 |
         static_cast<uint32_t>(tr + (s[2] - tr) * k / 255) << 16;
}

// ToneResult and BlendThroughMask on row y: each result pixel is toned from its
// own grey level and moved toward the source by the mask level (255 without
// levels). Four pixels are stored as three 32-bit words.
void ToneAndBlendRow(TBitmap& result, const TBitmap& source, const uint8_t* g,
                     const TToneTable& tone, int y) {
  uint8_t* d = result.ScanLine(y);
  const uint8_t* s = source.ScanLine(y);
  const int w = result.Width();
  auto level = [g](int x) { return g ? g[x] : 255; };
  int x = 0;
  for (; x + 4 <= w; x += 4, d += 12, s += 12) {
    const uint32_t p0 = ToneAndBlendPixel(tone, d, s, level(x));
    const uint32_t p1 = ToneAndBlendPixel(tone, d + 3, s + 3, level(x + 1));
    const uint32_t p2 = ToneAndBlendPixel(tone, d + 6, s + 6, level(x + 2));
    const uint32_t p3 = ToneAndBlendPixel(tone, d + 9, s + 9, level(x + 3));
    const uint32_t w0 = p0 | p1 << 24, w1 = p1 >> 8 | p2 << 16, w2 = p2 >> 16 | p3 << 8;
    std::memcpy(d, &w0, 4);
    std::memcpy(d + 4, &w1, 4);
    std::memcpy(d + 8, &w2, 4);
  }
  for (; x < w; ++x, d += 3, s += 3) {
    const uint32_t p = ToneAndBlendPixel(tone, d, s, level(x));
    d[0] = static_cast<uint8_t>(p);
    d[1] = static_cast<uint8_t>(p >> 8);
    d[2] = static_cast<uint8_t>(p >> 16);
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
  TBitmap copy;
  const TBitmap* source = &sourceIn;
  if (sourceIn.PixelFormat() != TPixelFormat::pf24bit) {
    copy.Assign(sourceIn);
    copy.SetPixelFormat(TPixelFormat::pf24bit);
    source = &copy;
  }
  const int w = source->Width(), h = source->Height();
  PrepareMask(mask, w, h);
  if (source->Empty()) return;
  // The mask's own pixels are the working memory, the levels first.
  TScratch scratch(mask.Bits(), mask.ByteSize());
  TPlane levels(w, h, scratch);
  ShapeLevels(*source, matchList, tolerance, progressive, progress, scratch, levels);
  detail::ForRowsThenExpandLevels(mask, [](int) {});
}

void KeepColors(TBitmap& result, TBitmap& mask, const TBitmap& sourceIn,
                const TKeepOptions& options, const TProgressSink& progress) {
  if (result.Width() != sourceIn.Width() || result.Height() != sourceIn.Height())
    throw std::invalid_argument("KeepColors: the result and the source differ in size");
  if (result.PixelFormat() != TPixelFormat::pf24bit) result.SetPixelFormat(TPixelFormat::pf24bit);
  TBitmap copy;
  const TBitmap* source = &sourceIn;
  if (sourceIn.PixelFormat() != TPixelFormat::pf24bit || &sourceIn == &result) {
    copy.Assign(sourceIn);
    copy.SetPixelFormat(TPixelFormat::pf24bit);
    source = &copy;
  }
  TMatchList matchList;
  BuildMatchList(options.Entries, options.Gradient, matchList);
  const int w = result.Width(), h = result.Height();
  PrepareMask(mask, w, h);
  if (matchList.empty() || result.Empty()) {
    mask.FillBytes(255);
    if (!matchList.empty()) {
      // An image without pixels: the scan reports its steps all the same.
      Report(progress, "Calculating", 0);
      for (int y = 0; y < h; ++y)
        Report(progress, "Calculating", static_cast<int>(Round((y + 1) * 100.0 / h)));
      Report(progress, "Processing", 0);
      Report(progress, "Processing", 10);
      Report(progress, "Processing", 50);
    }
    Report(progress, "Processing", 80);
    const TToneTable tone(options.Sepia);
#pragma omp parallel for schedule(static) if (int64_t{w} * h >= (int64_t{1} << 16))
    for (int y = 0; y < h; ++y) ToneAndBlendRow(result, *source, nullptr, tone, y);
    return;
  }
  // The mask's own pixels are the working memory, the levels first (compact at
  // its start, which ForRowsThenExpandLevels relies on).
  TScratch scratch(mask.Bits(), mask.ByteSize());
  TPlane levels(w, h, scratch);
  ShapeLevels(*source, matchList, options.Tolerance, options.Progressive, progress, scratch, levels);
  Report(progress, "Processing", 80);
  // Tone and blend, then the mask row from the same levels.
  const TToneTable tone(options.Sepia);
  detail::ForRowsThenExpandLevels(
      mask, [&](int y) { ToneAndBlendRow(result, *source, levels.Row(y), tone, y); });
}

}  // namespace velinor
