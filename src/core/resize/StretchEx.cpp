// Entry points of the resampler and the two stretches (point and bicubic).
#include "core/resize/StretchEx.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <stdexcept>
#include <utility>
#include <vector>

#include "core/base/Arith.h"
#include "core/base/Parallel.h"
#include "core/engine/CopyFamily.h"

namespace velinor {

namespace {

// What both stretches share: clipping, the same-size copy and the scale.
struct StretchPlan {
  TRect Source, Dest, Clip;
  double Sx = 1, Sy = 1;
  const TBitmap* Src = nullptr;
  TBitmap Converted;  // the source at 24 bits, when it came in another format
  int Sbpp = 3, Dbpp = 3;
};

// Returns false when there is nothing (left) to do.
bool PlanStretch(StretchPlan& plan, const TBitmap& source, TRect sourceRect, TBitmap& destination,
                 TRect clipRect, TRect destRect) {
  if (destination.PixelFormat() == TPixelFormat::pf8bit)
    throw std::invalid_argument("stretch destination must be a 24- or 32-bit bitmap");
  ClipToBitmap(sourceRect, source);
  if (sourceRect.IsEmpty() || destRect.IsEmpty()) return false;
  ClipToBitmap(clipRect, destination);
  if (clipRect.IsEmpty()) return false;
  if (sourceRect.Width() == destRect.Width() && sourceRect.Height() == destRect.Height()) {
    CopyRectAt(source, sourceRect, destination, destRect.Left, destRect.Top, clipRect);
    return false;
  }
  plan.Sx = static_cast<double>(destRect.Width()) / sourceRect.Width();
  plan.Sy = static_cast<double>(destRect.Height()) / sourceRect.Height();
  clipRect = IntersectRect(clipRect, destRect);
  if (clipRect.IsEmpty()) return false;
  plan.Source = sourceRect;
  plan.Dest = destRect;
  plan.Clip = clipRect;
  plan.Src = &WithoutPalette(source, plan.Converted);
  plan.Sbpp = BytesPerPixel(plan.Src->PixelFormat());
  plan.Dbpp = BytesPerPixel(destination.PixelFormat());
  return true;
}

// Cubic convolution kernel with a = -1.
inline double CubicWeight(double d) {
  if (d < 1.0) return d * d * d - 2.0 * d * d + 1.0;
  if (d <= 2.0) return -d * d * d + 5.0 * d * d - 8.0 * d + 4.0;
  return 0.0;
}

}  // namespace

void StretchNearest(const TBitmap& source, TRect sourceRect, TBitmap& destination, TRect clipRect,
                    TRect destRect) {
  StretchPlan p;
  if (!PlanStretch(p, source, sourceRect, destination, clipRect, destRect)) return;
  // Source columns depend on x only: one table for the clip's width.
  std::vector<size_t> columnOffset(static_cast<size_t>(p.Clip.Width()));
  for (int x = p.Clip.Left; x < p.Clip.Right; ++x) {
    const double fx = (x - p.Dest.Left) / p.Sx + p.Source.Left;
    const int64_t c = std::min<int64_t>(Trunc(fx), p.Source.Right - 1);
    columnOffset[static_cast<size_t>(x - p.Clip.Left)] = static_cast<size_t>(c) * p.Sbpp;
  }
  const int rows = p.Clip.Height();
  ParallelRows(0, rows, p.Clip.Width(), [&](int firstRow, int lastRow) {
    for (int k = firstRow; k < lastRow; ++k) {
      const int y = p.Clip.Top + k;
      const double fy = (y - p.Dest.Top) / p.Sy + p.Source.Top;
      const int64_t r = std::min<int64_t>(Trunc(fy), p.Source.Bottom - 1);
      const uint8_t* srow = p.Src->ScanLine(static_cast<int>(r));
      uint8_t* d = destination.ScanLine(y) + static_cast<size_t>(p.Clip.Left) * p.Dbpp;
      for (size_t i = 0; i < columnOffset.size(); ++i, d += p.Dbpp) {
        const uint8_t* s = srow + columnOffset[i];
        d[0] = s[0];
        d[1] = s[1];
        d[2] = s[2];
        if (p.Dbpp == 4) d[3] = 255;
      }
    }
  });
}

void StretchInterpolated(const TBitmap& source, TRect sourceRect, TBitmap& destination, TRect clipRect,
                         TRect destRect) {
  StretchPlan p;
  if (!PlanStretch(p, source, sourceRect, destination, clipRect, destRect)) return;
  const int rows = p.Clip.Height();
  ParallelRows(0, rows, p.Clip.Width(), [&](int firstRow, int lastRow) {
    for (int k = firstRow; k < lastRow; ++k) {
      const int y = p.Clip.Top + k;
      const double fy = (y - p.Dest.Top) / p.Sy + p.Source.Top;
      const int64_t ry = Floor(fy);
      double wy[4];
      const uint8_t* srow[4];
      for (int j = 0; j < 4; ++j) {
        const int64_t r = ry - 1 + j;
        wy[j] = CubicWeight(std::fabs(fy - static_cast<double>(r)));
        srow[j] = p.Src->ScanLine(static_cast<int>(Clamp<int64_t>(r, p.Source.Top, p.Source.Bottom - 1)));
      }
      uint8_t* d = destination.ScanLine(y) + static_cast<size_t>(p.Clip.Left) * p.Dbpp;
      for (int x = p.Clip.Left; x < p.Clip.Right; ++x, d += p.Dbpp) {
        const double fx = (x - p.Dest.Left) / p.Sx + p.Source.Left;
        const int64_t cx = Floor(fx);
        double wx[4];
        size_t offset[4];
        for (int i = 0; i < 4; ++i) {
          const int64_t c = cx - 1 + i;
          wx[i] = CubicWeight(std::fabs(fx - static_cast<double>(c)));
          offset[i] = static_cast<size_t>(Clamp<int64_t>(c, p.Source.Left, p.Source.Right - 1)) * p.Sbpp;
        }
        double sum[3] = {0.0, 0.0, 0.0};
        for (int j = 0; j < 4; ++j) {
          for (int i = 0; i < 4; ++i) {
            const double w = wx[i] * wy[j];
            const uint8_t* s = srow[j] + offset[i];
            sum[0] += w * s[0];
            sum[1] += w * s[1];
            sum[2] += w * s[2];
          }
        }
        for (int ch = 0; ch < 3; ++ch) {
          const double v = sum[ch];
          d[ch] = v <= 0.0 ? 0 : (v > 254.0 ? 255 : static_cast<uint8_t>(Round(v)));
        }
        if (p.Dbpp == 4) d[3] = 255;
      }
    }
  });
}

int ChooseResampleFilter(int w, int h, int sw, int sh) {
  if (w < sw || h < sh) return fiLanczos3;
  if (static_cast<double>(w) / sw > 2.0 || static_cast<double>(h) / sh > 2.0) return fiBSpline;
  return fiLanczos3;
}

namespace {
// Point mode is forced for a side of one pixel, where the other stretches have
// no neighbours to weigh.
bool UsesPointMode(int width, int height, int mode, const TBitmap& source) {
  return mode == rmNearest || width == 1 || height == 1 || source.Width() == 1 || source.Height() == 1;
}
}  // namespace

void ResampleTo(int width, int height, int mode, TBitmap& destination, const TBitmap& source) {
  if (source.Empty()) return;
  if (width <= 0 || height <= 0) {
    destination.Clear();
    return;
  }
  const bool point = UsesPointMode(width, height, mode, source);
  const bool interpolated = !point && mode == rmInterpolated;
  if (&destination == &source || (!point && !interpolated && source.PixelFormat() != TPixelFormat::pf24bit)) {
    // The destination is emptied before the source is read, and the filters
    // read 24-bit pixels: work from a copy.
    TBitmap copy(source);
    copy.SetPixelFormat(point || interpolated ? copy.PixelFormat() : TPixelFormat::pf24bit);
    ResampleTo(width, height, mode, destination, std::as_const(copy));
    return;
  }
  const int sw = source.Width(), sh = source.Height();
  const int filter = ChooseResampleFilter(width, height, sw, sh);

  destination.Clear();
  destination.SetPixelFormat(TPixelFormat::pf24bit);
  destination.SetSize(width, height);
  if (point) {
    StretchNearest(source, BitmapBounds(source), destination, FullImageRect, BitmapBounds(destination));
  } else if (interpolated) {
    StretchInterpolated(source, BitmapBounds(source), destination, FullImageRect, BitmapBounds(destination));
  } else {
    ResampleFiltered(filter, FilterTable[filter].Support, source, destination);
  }
}

void ResampleTo(int width, int height, int mode, TBitmap& destination, TBitmap& source) {
  // Filtered mode converts the source itself, unless it is the destination.
  if (!source.Empty() && width > 0 && height > 0 && &destination != &source &&
      !UsesPointMode(width, height, mode, source) && mode != rmInterpolated)
    source.SetPixelFormat(TPixelFormat::pf24bit);
  ResampleTo(width, height, mode, destination, std::as_const(source));
}

void ResizeImage(int width, int height, int mode, TBitmap& bitmap) {
  if (bitmap.Empty()) return;
  // The pixels move into the temporary source instead of being copied: the
  // bitmap is emptied by ResampleTo anyway, and this saves a full copy.
  TBitmap source(std::move(bitmap));
  try {
    ResampleTo(width, height, mode, bitmap, source);
  } catch (...) {
    bitmap = std::move(source);  // keep the picture the user had
    throw;
  }
}

}  // namespace velinor
