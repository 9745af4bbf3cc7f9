#include "core/engine/MaskShaping.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "core/engine/detail/RasterAccess.h"
#include "core/engine/ScanMan.h"
#include "core/engine/ToneCompositing.h"
#include "core/base/Arith.h"

namespace velinor {

using detail::Bpp;
using detail::Clipped;

namespace {

inline void Set3(uint8_t* p, uint8_t v) { p[0] = p[1] = p[2] = v; }

// The first bytes of the rect, row-major.
std::vector<uint8_t> FirstBytes(const TBitmap& b, const TRect& r) {
  std::vector<uint8_t> plane(static_cast<size_t>(r.Width()) * r.Height());
  const int bpp = Bpp(b);
  for (int y = r.Top; y < r.Bottom; ++y) {
    const uint8_t* p = b.ScanLine(y) + static_cast<size_t>(r.Left) * bpp;
    uint8_t* q = plane.data() + static_cast<size_t>(y - r.Top) * r.Width();
    for (int x = 0; x < r.Width(); ++x, p += bpp) q[x] = p[0];
  }
  return plane;
}

}  // namespace

TGaussianKernel BuildGaussianKernel(double sigma) {
  TGaussianKernel k;
  for (int j = -100; j <= 100; ++j) {
    const double q = j / sigma;
    k.Weights[j + 100] = static_cast<float>(std::exp(-q * q / 2));
  }
  double sum = 0;
  for (float w : k.Weights) sum += w;
  for (float& w : k.Weights) w = static_cast<float>(w / sum);
  int h = 100;
  double tail = 0;
  while (tail < 1.0 / 510 && h > 1) {
    tail += 2.0 * k.W(h);
    --h;
  }
  double inner = 0;
  for (int j = -h; j <= h; ++j) inner += k.W(j);
  for (int j = -h; j <= h; ++j) k.Weights[j + 100] = static_cast<float>(k.W(j) / inner);
  k.Half = static_cast<uint8_t>(h);
  return k;
}

TGaussianKernel GaussianKernelFor(double sigma) {
  static const TGaussianKernel prebuilt[4] = {BuildGaussianKernel(1), BuildGaussianKernel(2),
                                              BuildGaussianKernel(3), BuildGaussianKernel(4)};
  for (int s = 1; s <= 4; ++s)
    if (sigma == s) return prebuilt[s - 1];
  return BuildGaussianKernel(sigma);
}

void BoxBlurRect(TBitmap& bitmap, int rx, int ry, TRect rect) {
  rx = std::max(rx, 0);
  ry = std::max(ry, 0);
  if ((rx == 0 && ry == 0) || bitmap.Empty()) return;
  bitmap.SetPixelFormat(TPixelFormat::pf24bit);
  const TRect r = Clipped(rect, bitmap);
  if (r.IsEmpty()) return;
  const int w = r.Width(), h = r.Height();
  // Window rows and columns past the rect's edge all read the edge itself, so a
  // window is the rows (columns) it covers inside the rect plus the edge counted
  // once more for every position outside: any radius costs the same.
  const int rowsAbove = std::min(ry, h - 1);
  TScanLinesManager lines(bitmap, r);
  // Copies of the rows above (clamped to the first) and of the current row as
  // they were; the rows below are not written yet.
  lines.InitCopies(r.Top, rowsAbove + 1);
  const __int128 area = static_cast<__int128>(int64_t{2} * rx + 1) * (int64_t{2} * ry + 1);
  std::vector<int64_t> columns(static_cast<size_t>(w) * 3);
  std::vector<int64_t> prefix((static_cast<size_t>(w) + 1) * 3);
  auto addRow = [&](const uint8_t* row, int64_t times) {
    row += static_cast<size_t>(r.Left) * 3;
    for (int i = 0; i < w * 3; ++i) columns[static_cast<size_t>(i)] += times * row[i];
  };
  for (int y = r.Top; y < r.Bottom; ++y) {
    lines.PushCopy(y);
    std::fill(columns.begin(), columns.end(), 0);
    const int up = std::min(ry, y - r.Top), down = std::min(ry, r.Bottom - 1 - y);
    for (int j = -up; j <= 0; ++j) addRow(lines.CopyAt(rowsAbove + j), 1);
    for (int j = 1; j <= down; ++j) addRow(lines.ScanLine(y + j), 1);
    if (ry > up) addRow(lines.CopyAt(rowsAbove - up), ry - up);                 // the first row again
    if (ry > down) addRow(down > 0 ? lines.ScanLine(y + down) : lines.CopyAt(rowsAbove), ry - down);  // the last
    for (int x = 0; x < w; ++x)
      for (int c = 0; c < 3; ++c)
        prefix[static_cast<size_t>(x + 1) * 3 + c] = prefix[static_cast<size_t>(x) * 3 + c] + columns[static_cast<size_t>(x) * 3 + c];
    uint8_t* out = lines.ScanLine(y) + static_cast<size_t>(r.Left) * 3;
    for (int x = 0; x < w; ++x) {
      const int left = std::min(rx, x), right = std::min(rx, w - 1 - x);
      for (int c = 0; c < 3; ++c) {
        // 128 bits: radii near the int limit make sums beyond 64.
        __int128 sum = prefix[static_cast<size_t>(x + right + 1) * 3 + c] - prefix[static_cast<size_t>(x - left) * 3 + c];
        sum += static_cast<__int128>(rx - left) * columns[static_cast<size_t>(c)];
        sum += static_cast<__int128>(rx - right) * columns[static_cast<size_t>(w - 1) * 3 + c];
        out[x * 3 + c] = static_cast<uint8_t>(sum / area);
      }
    }
  }
}

void ThresholdRect(TBitmap& bitmap, int level, TColor low, TColor high, TRect rect) {
  const TRect r = Clipped(rect, bitmap);
  if (r.IsEmpty()) return;
  if (level <= 0) return TintRect(bitmap, high, 100, r);
  if (level >= 255) return TintRect(bitmap, low, 100, r);
  detail::MakeDirectColor(bitmap);
  const TPixel lo = ColorToPixel(low), hi = ColorToPixel(high);
  const int bpp = Bpp(bitmap);
  for (int y = r.Top; y < r.Bottom; ++y) {
    uint8_t* p = bitmap.ScanLine(y) + static_cast<size_t>(r.Left) * bpp;
    for (int x = r.Left; x < r.Right; ++x, p += bpp) {
      const TPixel& v = Luminance(p) > level ? hi : lo;
      p[0] = v.B;
      p[1] = v.G;
      p[2] = v.R;
    }
  }
}

namespace {

void CrossErosion(TBitmap& bitmap, const TRect& r) {
  const std::vector<uint8_t> before = FirstBytes(bitmap, r);
  const int w = r.Width(), h = r.Height(), bpp = Bpp(bitmap);
  auto white = [&](int x, int y) {
    return x < 0 || y < 0 || x >= w || y >= h || before[static_cast<size_t>(y) * w + x] == 255;
  };
  for (int y = 0; y < h; ++y) {
    uint8_t* p = bitmap.ScanLine(y + r.Top) + static_cast<size_t>(r.Left) * bpp;
    for (int x = 0; x < w; ++x, p += bpp)
      if (!white(x, y) && (white(x - 1, y) || white(x + 1, y) || white(x, y - 1) || white(x, y + 1)))
        Set3(p, 255);
  }
}

void SquareErosion(TBitmap& bitmap, const TRect& r, int radius) {
  const std::vector<uint8_t> before = FirstBytes(bitmap, r);
  const int w = r.Width(), h = r.Height(), bpp = Bpp(bitmap);
  auto at = [&](int x, int y) { return before[static_cast<size_t>(y) * w + x]; };
  // Boundary pixels: the rect's border, and white pixels touching a non-white one.
  std::vector<uint8_t> boundary(before.size());
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      bool b = x == 0 || y == 0 || x == w - 1 || y == h - 1;
      if (!b && at(x, y) == 255)
        b = at(x - 1, y) != 255 || at(x + 1, y) != 255 || at(x, y - 1) != 255 || at(x, y + 1) != 255;
      boundary[static_cast<size_t>(y) * w + x] = b;
    }
  // Every pixel of the bitmap within `radius` (both axes) of a boundary pixel
  // turns white: the union of the squares centred on the boundary pixels.
  const int64_t rr = radius;
  const TRect area = IntersectRect(
      BitmapBounds(bitmap),
      TRect{static_cast<int>(std::max<int64_t>(r.Left - rr, 0)), static_cast<int>(std::max<int64_t>(r.Top - rr, 0)),
            static_cast<int>(std::min<int64_t>(r.Right + rr, bitmap.Width())),
            static_cast<int>(std::min<int64_t>(r.Bottom + rr, bitmap.Height()))});
  const int aw = area.Width();
  // near[y][ax]: a boundary pixel of rect row y lies within radius of column ax.
  std::vector<uint8_t> nearRow(static_cast<size_t>(h) * aw);
  for (int y = 0; y < h; ++y) {
    std::vector<int> prefix(static_cast<size_t>(w) + 1, 0);
    for (int x = 0; x < w; ++x) prefix[x + 1] = prefix[x] + boundary[static_cast<size_t>(y) * w + x];
    for (int ax = 0; ax < aw; ++ax) {
      const int64_t cx = int64_t{area.Left} + ax - r.Left;  // column in rect coordinates
      const int64_t lo = std::clamp<int64_t>(cx - rr, 0, w), hi = std::clamp<int64_t>(cx + rr + 1, 0, w);
      nearRow[static_cast<size_t>(y) * aw + ax] = prefix[hi] - prefix[lo] > 0;
    }
  }
  std::vector<int> colPrefix(static_cast<size_t>(h) + 1);
  for (int ax = 0; ax < aw; ++ax) {
    colPrefix[0] = 0;
    for (int y = 0; y < h; ++y) colPrefix[y + 1] = colPrefix[y] + nearRow[static_cast<size_t>(y) * aw + ax];
    for (int ay = area.Top; ay < area.Bottom; ++ay) {
      const int64_t cy = int64_t{ay} - r.Top;
      const int64_t lo = std::clamp<int64_t>(cy - rr, 0, h), hi = std::clamp<int64_t>(cy + rr + 1, 0, h);
      if (colPrefix[hi] - colPrefix[lo] > 0)
        Set3(bitmap.ScanLine(ay) + static_cast<size_t>(area.Left + ax) * bpp, 255);
    }
  }
}

}  // namespace

void MorphMask(TBitmap& bitmap, int amount, TRect rect) {
  if (amount >= 0) return;
  const TRect r = Clipped(rect, bitmap);
  if (r.IsEmpty()) return;
  detail::MakeDirectColor(bitmap);
  if (amount == -1) CrossErosion(bitmap, r);
  else SquareErosion(bitmap, r, amount == INT32_MIN ? INT32_MAX : -amount);
}

void GaussianBlurRect(TBitmap& bitmap, double sigma, TRect rect) {
  if (sigma == 0 || !std::isfinite(sigma)) return;
  const TRect r = Clipped(rect, bitmap);
  if (r.IsEmpty()) return;
  detail::MakeDirectColor(bitmap);
  const TGaussianKernel k = GaussianKernelFor(sigma);
  const int h = k.Half, bpp = Bpp(bitmap);
  auto blurLine = [&](const std::vector<uint8_t>& in, std::vector<uint8_t>& out) {
    const int n = static_cast<int>(in.size());
    for (int x = 0; x < n; ++x) {
      double sum = 0;
      for (int t = -h; t <= h; ++t) sum += static_cast<double>(k.W(t)) * in[Clamp(x - t, 0, n - 1)];
      out[x] = GaussianLevel(sum);
    }
  };
  std::vector<uint8_t> in(r.Width()), out(r.Width());
  for (int y = r.Top; y < r.Bottom; ++y) {
    uint8_t* row = bitmap.ScanLine(y) + static_cast<size_t>(r.Left) * bpp;
    for (int x = 0; x < r.Width(); ++x) in[x] = row[x * bpp];
    blurLine(in, out);
    for (int x = 0; x < r.Width(); ++x) Set3(row + x * bpp, out[x]);
  }
  in.resize(r.Height());
  out.resize(r.Height());
  for (int x = r.Left; x < r.Right; ++x) {
    for (int y = 0; y < r.Height(); ++y) in[y] = bitmap.ScanLine(r.Top + y)[static_cast<size_t>(x) * bpp];
    blurLine(in, out);
    for (int y = 0; y < r.Height(); ++y) Set3(bitmap.ScanLine(r.Top + y) + static_cast<size_t>(x) * bpp, out[y]);
  }
}

std::vector<uint8_t> RampValues(int j) {
  std::vector<uint8_t> v(static_cast<size_t>(std::max(j, 0)));
  const double step = 255.0 / (j + 1);
  double s = 0;
  for (int d = 1; d <= j; ++d) {
    s += step;
    v[static_cast<size_t>(d - 1)] = static_cast<uint8_t>(Round(s + 0.5));
  }
  return v;
}

void SmoothMaskSteps(TBitmap& bitmap, TRect rect, int longestRun) {
  const TRect r = Clipped(rect, bitmap);
  if (r.IsEmpty()) return;
  detail::MakeDirectColor(bitmap);
  if (longestRun < 0) longestRun = 99999;
  // Ramps never make a pixel black, so the black pattern read here holds for the
  // whole step.
  const std::vector<uint8_t> before = FirstBytes(bitmap, r);
  const int w = r.Width(), h = r.Height(), bpp = Bpp(bitmap);
  auto black = [&](int x, int y) { return before[static_cast<size_t>(y) * w + x] == 0; };
  std::vector<std::vector<uint8_t>> ramps;
  auto ramp = [&](int j) -> const std::vector<uint8_t>& {
    if (ramps.size() <= static_cast<size_t>(j)) ramps.resize(static_cast<size_t>(j) + 1);
    if (ramps[j].empty()) ramps[j] = RampValues(j);
    return ramps[j];
  };
  auto lower = [&](int x, int y, uint8_t v) {
    uint8_t* p = bitmap.ScanLine(y + r.Top) + static_cast<size_t>(x + r.Left) * bpp;
    if (v < p[0]) Set3(p, v);
  };
  // Run from (x0, y0) stepping (dx, dy): pixels non-black on the edge line and
  // black on the neighbouring line (offset ox, oy); a ramp when it stays short.
  auto run = [&](int x0, int y0, int dx, int dy, int ox, int oy) {
    int n = 0;
    for (int x = x0, y = y0; x >= 0 && y >= 0 && x < w && y < h && n < longestRun; x += dx, y += dy) {
      if (black(x, y) || !black(x + ox, y + oy)) break;
      ++n;
    }
    if (n == 0 || n >= longestRun) return;
    const std::vector<uint8_t>& v = ramp(n);
    for (int d = 0; d < n; ++d) lower(x0 + d * dx, y0 + d * dy, v[d]);
  };
  for (int y = 0; y < h; ++y)
    for (int x = 1; x <= w - 2; ++x) {
      if (!black(x, y)) continue;
      if (!black(x - 1, y)) {
        if (y > 0) run(x - 1, y, -1, 0, 0, -1);
        if (y < h - 1) run(x - 1, y, -1, 0, 0, 1);
      }
      if (!black(x + 1, y)) {
        if (y > 0) run(x + 1, y, 1, 0, 0, -1);
        if (y < h - 1) run(x + 1, y, 1, 0, 0, 1);
      }
    }
  for (int x = 0; x < w; ++x)
    for (int y = 1; y <= h - 2; ++y) {
      if (!black(x, y)) continue;
      if (!black(x, y - 1)) {
        if (x > 0) run(x, y - 1, 0, -1, -1, 0);
        if (x < w - 1) run(x, y - 1, 0, -1, 1, 0);
      }
      if (!black(x, y + 1)) {
        if (x > 0) run(x, y + 1, 0, 1, -1, 0);
        if (x < w - 1) run(x, y + 1, 0, 1, 1, 0);
      }
    }
}

}  // namespace velinor
