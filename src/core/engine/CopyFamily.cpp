#include "core/engine/CopyFamily.h"

#include <algorithm>
#include <climits>
#include <cstring>

#include "core/engine/detail/RasterAccess.h"
#include "core/engine/ToneCompositing.h"
#include "core/base/Arith.h"
#include "core/base/Parallel.h"

namespace velinor {

using detail::Bpp;
using detail::Clipped;

namespace {

int ClampInt(int64_t v) { return static_cast<int>(std::clamp<int64_t>(v, INT_MIN, INT_MAX)); }

struct TPlacement {
  TRect src;  // clipped source rect
  TRect dst;  // destination pixels to visit
  bool empty() const { return dst.IsEmpty(); }
};

TPlacement Place(const TBitmap& source, TRect sourceRect, const TBitmap& dest, int x, int y,
                 TRect destRect) {
  TPlacement p;
  p.src = Clipped(sourceRect, source);
  if (p.src.IsEmpty()) return TPlacement{};
  const TRect target{x, y, ClampInt(int64_t{x} + p.src.Width()),
                     ClampInt(int64_t{y} + p.src.Height())};
  p.dst = IntersectRect(Clipped(destRect, dest), target);
  return p;
}

// Runs fn(d, s, m) for every placed pixel, rows top to bottom, pixels left to
// right; m is the mask weight at the source position (0 without a mask). When the
// destination is also an input, the loop stays in that order on one thread.
template <typename Fn>
void ForEachPlaced(const TBitmap& sourceIn, TRect sourceRect, TBitmap& dest, int x, int y,
                   TRect destRect, const TBitmap* maskIn, Fn fn) {
  const TPlacement pl = Place(sourceIn, sourceRect, dest, x, y, destRect);
  if (pl.empty()) return;
  detail::MakeDirectColor(dest);
  TBitmap srcScratch, maskScratch;
  const TBitmap& source = WithoutPalette(sourceIn, srcScratch);
  const TBitmap* mask = maskIn && !maskIn->Empty() ? &WithoutPalette(*maskIn, maskScratch)
                                                   : nullptr;
  const int sb = Bpp(source), db = Bpp(dest), mb = mask ? Bpp(*mask) : 0;
  const bool aliased = &sourceIn == &dest || maskIn == &dest;
  const TRect d = pl.dst;
  const int offX = pl.src.Left - x, offY = pl.src.Top - y;
  auto rows = [&](int first, int last) {
    for (int dy = first; dy < last; ++dy) {
      const int sy = dy + offY;
      uint8_t* dp = dest.ScanLine(dy) + static_cast<size_t>(d.Left) * db;
      const uint8_t* sRow = source.ScanLine(sy);
      const uint8_t* mRow = mask && sy < mask->Height() ? mask->ScanLine(sy) : nullptr;
      for (int dx = d.Left; dx < d.Right; ++dx, dp += db) {
        const int sx = dx + offX;
        const int m = mRow && sx < mask->Width() ? mRow[static_cast<size_t>(sx) * mb] : 0;
        fn(dp, sRow + static_cast<size_t>(sx) * sb, m);
      }
    }
  };
  if (aliased) rows(d.Top, d.Bottom);
  else ParallelRows(d.Top, d.Bottom, d.Width(), rows);
}

inline void Copy3(uint8_t* d, const uint8_t* s) {
  d[0] = s[0];
  d[1] = s[1];
  d[2] = s[2];
}

// d_k += w*(s_k - d_k) div scale on the three channels.
inline void Move3(uint8_t* d, const uint8_t* s, int w, int scale) {
  for (int k = 0; k < 3; ++k) d[k] = static_cast<uint8_t>(d[k] + w * (s[k] - d[k]) / scale);
}

}  // namespace

void CopyRectAt(const TBitmap& source, TRect sourceRect, TBitmap& dest, int x, int y,
                TRect destRect) {
  const TPlacement pl = Place(source, sourceRect, dest, x, y, destRect);
  if (pl.empty()) return;
  if (&source != &dest && source.PixelFormat() == TPixelFormat::pf24bit &&
      dest.PixelFormat() == TPixelFormat::pf24bit) {
    // Whole row segments at once.
    const TRect d = pl.dst;
    const size_t bytes = static_cast<size_t>(d.Width()) * 3;
    const int sx = d.Left - x + pl.src.Left, offY = pl.src.Top - y;
    ParallelRows(d.Top, d.Bottom, d.Width(), [&](int first, int last) {
      for (int dy = first; dy < last; ++dy)
        std::memcpy(dest.ScanLine(dy) + static_cast<size_t>(d.Left) * 3,
                    source.ScanLine(dy + offY) + static_cast<size_t>(sx) * 3, bytes);
    });
    return;
  }
  ForEachPlaced(source, sourceRect, dest, x, y, destRect, nullptr,
                [](uint8_t* d, const uint8_t* s, int) { Copy3(d, s); });
}

void CopyRectOpacity(const TBitmap& source, TRect sourceRect, TBitmap& dest, int x, int y,
                     TRect destRect, int opacity) {
  if (opacity >= 100) return CopyRectAt(source, sourceRect, dest, x, y, destRect);
  if (opacity <= 0) return;
  ForEachPlaced(source, sourceRect, dest, x, y, destRect, nullptr,
                [opacity](uint8_t* d, const uint8_t* s, int) { Move3(d, s, opacity, 100); });
}

void BlendThroughMask(const TBitmap& source, TRect sourceRect, TBitmap& dest, int x, int y,
                      TRect destRect, const TBitmap* mask) {
  if (!mask || mask->Empty()) return CopyRectAt(source, sourceRect, dest, x, y, destRect);
  ForEachPlaced(source, sourceRect, dest, x, y, destRect, mask,
                [](uint8_t* d, const uint8_t* s, int m) {
                  if (m == 255) return;
                  if (m == 0) return Copy3(d, s);
                  Move3(d, s, 255 - m, 255);
                });
}

void BlendThroughMaskOpacity(const TBitmap& source, TRect sourceRect, TBitmap& dest, int x,
                             int y, TRect destRect, const TBitmap* mask, int opacity) {
  if (!mask || mask->Empty())
    return CopyRectOpacity(source, sourceRect, dest, x, y, destRect, opacity);
  if (opacity < 1) return;
  opacity = std::min(opacity, 100);
  ForEachPlaced(source, sourceRect, dest, x, y, destRect, mask,
                [opacity](uint8_t* d, const uint8_t* s, int m) {
                  if (m == 255) return;
                  if (m == 0 && opacity == 100) return Copy3(d, s);
                  Move3(d, s, opacity * (255 - m) / 100, 255);
                });
}

void CopyRectColorKey(const TBitmap& source, TRect sourceRect, TBitmap& dest, int x, int y,
                      TRect destRect, TColor key, int tolerance, int opacity) {
  if (key == clNone) return CopyRectOpacity(source, sourceRect, dest, x, y, destRect, opacity);
  if (opacity <= 0) return;
  opacity = std::min(opacity, 100);
  const TPixel k = ColorToPixel(key);
  ForEachPlaced(source, sourceRect, dest, x, y, destRect, nullptr,
                [opacity, k, tolerance](uint8_t* d, const uint8_t* s, int) {
                  if (std::abs(s[0] - k.B) <= tolerance && std::abs(s[1] - k.G) <= tolerance &&
                      std::abs(s[2] - k.R) <= tolerance)
                    return;
                  Move3(d, s, opacity, 100);
                });
}

void TileRect(const TBitmap& patternIn, TBitmap& dest, int x, int y, TRect destRect) {
  const TRect d = Clipped(destRect, dest);
  if (d.IsEmpty() || patternIn.Empty()) return;
  detail::MakeDirectColor(dest);
  TBitmap scratch;
  // A copy when the pattern is the destination itself: the pattern is read as it was.
  if (&patternIn == &dest) scratch.Assign(patternIn);
  const TBitmap& pattern = WithoutPalette(&patternIn == &dest ? scratch : patternIn, scratch);
  const int pw = pattern.Width(), ph = pattern.Height();
  const int pb = Bpp(pattern), db = Bpp(dest);
  ParallelRows(d.Top, d.Bottom, d.Width(), [&](int first, int last) {
    for (int dy = first; dy < last; ++dy) {
      const uint8_t* pRow = pattern.ScanLine(static_cast<int>(ModPos(int64_t{dy} - y, ph)));
      uint8_t* dp = dest.ScanLine(dy) + static_cast<size_t>(d.Left) * db;
      int px = static_cast<int>(ModPos(int64_t{d.Left} - x, pw));
      for (int dx = d.Left; dx < d.Right; ++dx, dp += db) {
        Copy3(dp, pRow + static_cast<size_t>(px) * pb);
        if (++px == pw) px = 0;
      }
    }
  });
}

void FillThroughMask(const TBitmap* mask, TRect maskRect, TBitmap& dest, int x, int y,
                     TRect destRect, TColor color, int opacity) {
  if (!mask || opacity <= 0) return;
  opacity = std::min(opacity, 100);
  const TPixel c = ColorToPixel(color);
  const uint8_t s[3] = {c.B, c.G, c.R};
  ForEachPlaced(*mask, maskRect, dest, x, y, destRect, nullptr,
                [opacity, &s](uint8_t* d, const uint8_t* mp, int) {
                  const int m = mp[0];
                  if (m == 255) return;
                  if (m == 0 && opacity == 100) return Copy3(d, s);
                  Move3(d, s, opacity * (255 - m) / 100, 255);
                });
}

void FillWhereMaskInRange(const TBitmap* mask, TRect maskRect, TBitmap& dest, int x, int y,
                          TRect destRect, TColor color, int lo, int hi) {
  if (!mask) return;
  const TPixel c = ColorToPixel(color);
  const uint8_t s[3] = {c.B, c.G, c.R};
  ForEachPlaced(*mask, maskRect, dest, x, y, destRect, nullptr,
                [lo, hi, &s](uint8_t* d, const uint8_t* mp, int) {
                  if (lo <= mp[0] && mp[0] <= hi) Copy3(d, s);
                });
}

}  // namespace velinor
