#include "core/view/BitmapCanvas.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>

#include "core/base/Arith.h"
#include "core/engine/ToneCompositing.h"

namespace velinor {

namespace {

constexpr int64_t kIntMin = -2147483647 - 1;
constexpr int64_t kIntMax = 2147483647;
int Sat(int64_t v) { return static_cast<int>(std::clamp(v, kIntMin, kIntMax)); }

void FillSpan(TBitmap& b, int y, int x0, int x1, TColor color) {
  if (y < 0 || y >= b.Height() || b.PixelFormat() == TPixelFormat::pf8bit) return;
  x0 = std::max(x0, 0);
  x1 = std::min(x1, b.Width() - 1);
  if (x1 < x0) return;
  const TColor c = ResolveSystemColor(color);
  const int bpp = BytesPerPixel(b.PixelFormat());
  uint8_t* p = b.ScanLine(y) + static_cast<size_t>(x0) * bpp;
  for (int x = x0; x <= x1; ++x, p += bpp) {
    p[0] = GetBValue(c);
    p[1] = GetGValue(c);
    p[2] = GetRValue(c);
    if (bpp == 4) p[3] = 255;
  }
}

}  // namespace

void FillBitmapRect(TBitmap& bitmap, const TRect& rect, TColor color) {
  TintRect(bitmap, color, 100, rect);
}

TBitmapCanvas::TBitmapCanvas(TBitmap& bitmap) : bitmap_(bitmap) {
  if (bitmap_.PixelFormat() == TPixelFormat::pf8bit && !bitmap_.Empty())
    bitmap_.SetPixelFormat(TPixelFormat::pf24bit);
}

void TBitmapCanvas::Span(int y, int x0, int x1, TColor c) { FillSpan(bitmap_, y, x0, x1, c); }

void TBitmapCanvas::SetPixel(int x, int y, TColor color) { Span(y, x, x, color); }

void TBitmapCanvas::HSpan(int y, int x0, int x1) {
  if (!PenClear) Span(y, x0, x1, PenColor);
}

void TBitmapCanvas::VSpan(int x, int y0, int y1) {
  if (PenClear) return;
  y0 = std::max(y0, 0);
  y1 = std::min(y1, bitmap_.Height() - 1);
  for (int y = y0; y <= y1; ++y) Span(y, x, x, PenColor);
}

void TBitmapCanvas::FillRect(const TRect& r) {
  if (!BrushClear) FillBitmapRect(bitmap_, r, BrushColor);
}

void TBitmapCanvas::DrawRowSpans(int top, const std::vector<TSpan>& rows) {
  const int n = static_cast<int>(rows.size());
  const TSpan none;
  for (int j = 0; j < n; ++j) {
    const int y = Sat(int64_t{top} + j);
    if (y < 0 || y >= bitmap_.Height()) continue;
    const TSpan& row = rows[static_cast<size_t>(j)];
    if (row.X1 < row.X0) continue;
    const TSpan& up = j > 0 ? rows[static_cast<size_t>(j - 1)] : none;
    const TSpan& down = j + 1 < n ? rows[static_cast<size_t>(j + 1)] : none;
    if (PenClear) {
      if (!BrushClear) Span(y, row.X0, row.X1, BrushColor);
      continue;
    }
    // Inner part: pixels whose four neighbours are all in the shape.
    int in0 = row.X0 + 1, in1 = row.X1 - 1;
    if (up.X1 < up.X0 || down.X1 < down.X0) {
      in1 = in0 - 1;
    } else {
      in0 = std::max({in0, up.X0, down.X0});
      in1 = std::min({in1, up.X1, down.X1});
    }
    if (in1 < in0) {
      Span(y, row.X0, row.X1, PenColor);
      continue;
    }
    Span(y, row.X0, in0 - 1, PenColor);
    Span(y, in1 + 1, row.X1, PenColor);
    if (!BrushClear) Span(y, in0, in1, BrushColor);
  }
}

void TBitmapCanvas::Rectangle(const TRect& r0) {
  const TRect r = NormalizeRect(r0);
  if (r.IsEmpty()) return;
  TRect c = r;
  ClipToBitmap(c, bitmap_);
  if (c.IsEmpty()) return;
  // Rows outside the bitmap only matter as neighbours: keep one beyond each side.
  const int top = std::max(r.Top, c.Top - 1);
  const int bottom = std::min(r.Bottom, c.Bottom + 1);
  std::vector<TSpan> rows(static_cast<size_t>(bottom - top), TSpan{r.Left, r.Right - 1});
  DrawRowSpans(top, rows);
}

void TBitmapCanvas::RoundRect(const TRect& r0, int rw, int rh) {
  const TRect r = NormalizeRect(r0);
  if (r.IsEmpty()) return;
  const double w = double(r.Right) - r.Left, h = double(r.Bottom) - r.Top;
  const double ra = std::min(std::abs(double(rw)) / 2.0, w / 2.0);
  const double rb = std::min(std::abs(double(rh)) / 2.0, h / 2.0);
  if (ra <= 0.0 || rb <= 0.0) return Rectangle(r);
  // Pixel centres inside the rect whose corner quarters are ellipses.
  const double cx = (double(r.Left) + r.Right) / 2.0, cy = (double(r.Top) + r.Bottom) / 2.0;
  TRect c = r;
  ClipToBitmap(c, bitmap_);
  if (c.IsEmpty()) return;
  const int top = std::max(r.Top, c.Top - 1);
  const int bottom = std::min(r.Bottom, c.Bottom + 1);
  std::vector<TSpan> rows(static_cast<size_t>(bottom - top));
  for (int y = top; y < bottom; ++y) {
    const double dy = std::max(0.0, std::abs(y + 0.5 - cy) - (h / 2.0 - rb));
    const double t = 1.0 - (dy / rb) * (dy / rb);
    if (t < 0.0) continue;
    const double half = (w / 2.0 - ra) + ra * std::sqrt(t);
    TSpan& s = rows[static_cast<size_t>(y - top)];
    s.X0 = std::max(r.Left, Sat(Ceil(Clamp(cx - half - 0.5, -3e9, 3e9))));
    s.X1 = std::min(r.Right - 1, Sat(Floor(Clamp(cx + half - 0.5, -3e9, 3e9))));
  }
  DrawRowSpans(top, rows);
}

void TBitmapCanvas::Ellipse(const TRect& r) {
  const TRect n = NormalizeRect(r);
  RoundRect(n, Sat(int64_t{n.Right} - n.Left), Sat(int64_t{n.Bottom} - n.Top));
}

void TBitmapCanvas::Segment(TPoint a, TPoint b, bool includeLast) {
  if (PenClear) return;
  // One pixel per step along the major axis, the minor coordinate rounded to the
  // nearest; only the steps that can land in the bitmap are visited, so a line
  // with far-away ends costs no more than one across the bitmap.
  const int64_t dx = int64_t{b.X} - a.X, dy = int64_t{b.Y} - a.Y;
  const bool xMajor = std::llabs(dx) >= std::llabs(dy);
  const int64_t major = xMajor ? dx : dy, minor = xMajor ? dy : dx;
  const int64_t m0 = xMajor ? a.X : a.Y, n0 = xMajor ? a.Y : a.X;
  const int64_t len = std::llabs(major);
  const int64_t dir = major < 0 ? -1 : 1;
  const int64_t last = includeLast ? len : len - 1;
  if (last < 0) return;
  // Steps whose major coordinate is inside the bitmap.
  const int64_t extent = xMajor ? bitmap_.Width() : bitmap_.Height();
  int64_t i0 = 0, i1 = last;
  if (dir > 0) {
    i0 = std::max<int64_t>(i0, -m0);
    i1 = std::min<int64_t>(i1, extent - 1 - m0);
  } else {
    i0 = std::max<int64_t>(i0, m0 - (extent - 1));
    i1 = std::min<int64_t>(i1, m0);
  }
  for (int64_t i = i0; i <= i1; ++i) {
    const int64_t m = m0 + dir * i;
    int64_t n = n0;
    if (len > 0) {
      const __int128 num = static_cast<__int128>(i) * minor;
      // Nearest integer, halves away from zero so both directions agree.
      const __int128 q = (2 * (num < 0 ? -num : num) + len) / (2 * static_cast<__int128>(len));
      n += static_cast<int64_t>(num < 0 ? -q : q);
    }
    const int64_t x = xMajor ? m : n, y = xMajor ? n : m;
    if (x >= 0 && y >= 0 && x < bitmap_.Width() && y < bitmap_.Height())
      Span(static_cast<int>(y), static_cast<int>(x), static_cast<int>(x), PenColor);
  }
}

void TBitmapCanvas::Line(TPoint from, TPoint to) { Segment(from, to, false); }

void TBitmapCanvas::Polyline(const std::vector<TPoint>& pts) {
  for (size_t i = 1; i < pts.size(); ++i) Segment(pts[i - 1], pts[i], i + 1 == pts.size() ? false : true);
}

namespace {

// Ceil(n / d) for d > 0.
int64_t CeilDiv(__int128 n, __int128 d) {
  __int128 q = n / d;
  if (n % d != 0 && n > 0) ++q;
  const __int128 lim = int64_t{1} << 40;
  return static_cast<int64_t>(q < -lim ? -lim : (q > lim ? lim : q));
}

}  // namespace

void TBitmapCanvas::Polygon(const std::vector<TPoint>& pts) {
  if (pts.empty()) return;
  if (!BrushClear && pts.size() >= 3) {
    // Scan conversion at pixel centres with an active edge list, in exact integer
    // arithmetic. An edge covers the rows whose centre line y + 0.5 lies between
    // its ends (min Y included, max Y excluded, so a shared vertex counts once).
    // Each crossing is kept as the first pixel whose centre is at or right of it,
    // Ceil(x - 0.5); even-odd pairs of crossings delimit the inside.
    struct TEdge {
      int64_t y0, y1;  // rows covered: y0 <= y < y1
      int64_t px, py, dx, dy;
    };
    std::vector<TEdge> edges;
    edges.reserve(pts.size());
    for (size_t i = 0; i < pts.size(); ++i) {
      TPoint p = pts[i], q = pts[(i + 1) % pts.size()];
      if (p.Y == q.Y) continue;
      if (p.Y > q.Y) std::swap(p, q);
      edges.push_back({p.Y, q.Y, p.X, p.Y, int64_t{q.X} - p.X, int64_t{q.Y} - p.Y});
    }
    std::sort(edges.begin(), edges.end(), [](const TEdge& e, const TEdge& f) { return e.y0 < f.y0; });
    const int64_t top = edges.empty() ? 0 : std::max<int64_t>(edges.front().y0, 0);
    std::vector<const TEdge*> active;
    std::vector<int64_t> xs;
    size_t next = 0;
    for (int64_t y = top; y < bitmap_.Height(); ++y) {
      while (next < edges.size() && edges[next].y0 <= y) active.push_back(&edges[next++]);
      active.erase(std::remove_if(active.begin(), active.end(),
                                  [y](const TEdge* e) { return e->y1 <= y; }),
                   active.end());
      if (active.empty() && next == edges.size()) break;
      xs.clear();
      for (const TEdge* e : active) {
        // x - 0.5 = px - 0.5 + (y + 0.5 - py) * dx / dy, over the denominator 2 dy.
        const __int128 n = static_cast<__int128>(2 * e->px - 1) * e->dy +
                           static_cast<__int128>(2 * y + 1 - 2 * e->py) * e->dx;
        xs.push_back(CeilDiv(n, 2 * static_cast<__int128>(e->dy)));
      }
      std::sort(xs.begin(), xs.end());
      for (size_t i = 0; i + 1 < xs.size(); i += 2)
        Span(static_cast<int>(y), Sat(xs[i]), Sat(xs[i + 1] - 1), BrushColor);
    }
  }
  for (size_t i = 0; i < pts.size(); ++i) Segment(pts[i], pts[(i + 1) % pts.size()], true);
}

}  // namespace velinor
