#include "core/view/StretchCopy.h"

#include <algorithm>
#include <cstdint>
#include <stdexcept>
#include <vector>

#include "core/base/Parallel.h"

namespace velinor {

namespace {

// What both stretch copies start from: the source rect inside the source
// bitmap, the destination pixels to write (d ∩ clip ∩ the destination bitmap),
// the sizes mapped onto each other and the pixel sizes.
struct TTarget {
  TRect s;      // source rect, inside the source bitmap
  TRect area;   // destination pixels to write
  int64_t sw = 0, sh = 0;  // source rect
  int64_t dw = 0, dh = 0;  // destination rect d, whole
  int sbpp = 0, dbpp = 0;
  bool ok = false;
};

TTarget Prepare(const TBitmap& src, const TRect& s, TBitmap& dst, const TRect& d,
                const TRect& clip) {
  for (const TBitmap* b : {&src, static_cast<const TBitmap*>(&dst)})
    if (b->PixelFormat() == TPixelFormat::pf8bit)
      throw std::invalid_argument("stretch copies need 24- or 32-bit bitmaps");
  TTarget t;
  t.s = IntersectRect(s, BitmapBounds(src));
  t.area = IntersectRect(IntersectRect(d, clip), BitmapBounds(dst));
  t.ok = !t.s.IsEmpty() && !t.area.IsEmpty() && !d.IsEmpty();
  t.sw = t.s.Width();
  t.sh = t.s.Height();
  t.dw = int64_t{d.Right} - d.Left;
  t.dh = int64_t{d.Bottom} - d.Top;
  t.sbpp = BytesPerPixel(src.PixelFormat());
  t.dbpp = BytesPerPixel(dst.PixelFormat());
  return t;
}

inline void Put(uint8_t* p, int bpp, uint8_t b, uint8_t g, uint8_t r) {
  p[0] = b;
  p[1] = g;
  p[2] = r;
  if (bpp == 4) p[3] = 255;
}

// One axis of the area average. Destination pixel k of dn covers the source
// interval [k*sn, (k+1)*sn) in units of 1/dn source pixels; source pixel i covers
// [i*dn, (i+1)*dn). The weight of i is the overlap, so each list sums to sn.
struct TAxis {
  std::vector<int> first;     // first source index (relative to the source rect)
  std::vector<int> count;
  std::vector<int> offset;    // into weights
  std::vector<uint32_t> weights;
};

TAxis BuildAxis(int64_t sn, int64_t dn, int64_t k0, int64_t k1) {
  TAxis a;
  const size_t n = static_cast<size_t>(k1 - k0);
  a.first.resize(n);
  a.count.resize(n);
  a.offset.resize(n);
  for (int64_t k = k0; k < k1; ++k) {
    const int64_t lo = k * sn;
    const int64_t hi = (k + 1) * sn;
    const int64_t i0 = lo / dn;
    const int64_t i1 = (hi - 1) / dn;
    const size_t j = static_cast<size_t>(k - k0);
    a.first[j] = static_cast<int>(i0);
    a.count[j] = static_cast<int>(i1 - i0 + 1);
    a.offset[j] = static_cast<int>(a.weights.size());
    for (int64_t i = i0; i <= i1; ++i)
      a.weights.push_back(static_cast<uint32_t>(std::min((i + 1) * dn, hi) - std::max(i * dn, lo)));
  }
  return a;
}

}  // namespace

void StretchCopyNearest(const TBitmap& src, const TRect& s0, TBitmap& dst, const TRect& d,
                        const TRect& clip) {
  const TTarget t = Prepare(src, s0, dst, d, clip);
  if (!t.ok) return;
  // Source column of every destination column: the pixel under its centre.
  std::vector<int> col(static_cast<size_t>(t.area.Width()));
  for (int x = t.area.Left; x < t.area.Right; ++x) {
    const int64_t k = int64_t{x} - d.Left;
    col[static_cast<size_t>(x - t.area.Left)] = t.s.Left + static_cast<int>((2 * k + 1) * t.sw / (2 * t.dw));
  }
  for (int y = t.area.Top; y < t.area.Bottom; ++y) {
    const int64_t k = int64_t{y} - d.Top;
    const uint8_t* in = src.ScanLine(t.s.Top + static_cast<int>((2 * k + 1) * t.sh / (2 * t.dh)));
    uint8_t* out = dst.ScanLine(y) + static_cast<size_t>(t.area.Left) * t.dbpp;
    for (size_t i = 0; i < col.size(); ++i, out += t.dbpp) {
      const uint8_t* p = in + static_cast<size_t>(col[i]) * t.sbpp;
      Put(out, t.dbpp, p[0], p[1], p[2]);
    }
  }
}

void StretchCopyAveraged(const TBitmap& src, const TRect& s0, TBitmap& dst, const TRect& d,
                         const TRect& clip) {
  const TTarget t = Prepare(src, s0, dst, d, clip);
  if (!t.ok) return;
  const TAxis ax = BuildAxis(t.sw, t.dw, int64_t{t.area.Left} - d.Left, int64_t{t.area.Right} - d.Left);
  const TAxis ay = BuildAxis(t.sh, t.dh, int64_t{t.area.Top} - d.Top, int64_t{t.area.Bottom} - d.Top);
  const uint64_t total = static_cast<uint64_t>(t.sw) * static_cast<uint64_t>(t.sh);
  // v / total rounded down, without a 64-bit division per channel: the sums stay
  // below 2^41 (255 x 65535^2), which a double holds exactly, so the estimate is
  // off by at most one and corrected.
  const double inverse = 1.0 / static_cast<double>(total);
  const auto divide = [total, inverse](uint64_t v) {
    uint64_t q = static_cast<uint64_t>(static_cast<double>(v) * inverse);
    if (q * total > v) --q;
    else if ((q + 1) * total <= v) ++q;
    return q;
  };
  const size_t nx = static_cast<size_t>(t.area.Width());
  // Rows are independent: the result does not depend on the thread count. A row
  // reads about sw * sh / dh source pixels and writes nx.
  ParallelRows(t.area.Top, t.area.Bottom, t.sw * t.sh / t.dh + static_cast<int64_t>(nx), [&](int first, int last) {
    std::vector<uint64_t> acc(nx * 3);
    for (int y = first; y < last; ++y) {
      const size_t jy = static_cast<size_t>(y - t.area.Top);
      std::fill(acc.begin(), acc.end(), 0);
      for (int cy = 0; cy < ay.count[jy]; ++cy) {
        const uint64_t wy = ay.weights[static_cast<size_t>(ay.offset[jy] + cy)];
        const uint8_t* in = src.ScanLine(t.s.Top + ay.first[jy] + cy) + static_cast<size_t>(t.s.Left) * t.sbpp;
        for (size_t i = 0; i < nx; ++i) {
          uint32_t b = 0, g = 0, r = 0;
          const uint32_t* w = &ax.weights[static_cast<size_t>(ax.offset[i])];
          const uint8_t* p = in + static_cast<size_t>(ax.first[i]) * t.sbpp;
          for (int cx = 0; cx < ax.count[i]; ++cx, p += t.sbpp) {
            b += w[cx] * p[0];
            g += w[cx] * p[1];
            r += w[cx] * p[2];
          }
          acc[i * 3] += wy * b;
          acc[i * 3 + 1] += wy * g;
          acc[i * 3 + 2] += wy * r;
        }
      }
      uint8_t* out = dst.ScanLine(y) + static_cast<size_t>(t.area.Left) * t.dbpp;
      for (size_t i = 0; i < nx; ++i, out += t.dbpp)
        Put(out, t.dbpp, static_cast<uint8_t>(divide(acc[i * 3] + total / 2)),
            static_cast<uint8_t>(divide(acc[i * 3 + 1] + total / 2)),
            static_cast<uint8_t>(divide(acc[i * 3 + 2] + total / 2)));
    }
  });
}

}  // namespace velinor
