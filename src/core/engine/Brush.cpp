#include "core/engine/Brush.h"

#include <algorithm>
#include <cmath>

#include "core/base/Arith.h"

namespace velinor {

TBrush TBrush::Clamped() const {
  return TBrush{Clamp(Size, MinBrushSize, MaxBrushSize), Clamp(Softness, 0, 100)};
}

int BrushWeight(const TBrush& brushIn, double d) {
  const TBrush brush = brushIn.Clamped();
  const double r = brush.Size / 2.0;
  if (d >= r) return 0;
  const double hard = r * (100 - brush.Softness) / 100.0;
  if (d <= hard) return 255;
  return static_cast<int>(Round(255.0 * (r - d) / (r - hard)));
}

TRect SegmentBounds(const TBrush& brushIn, TBrushPoint a, TBrushPoint b, int width, int height) {
  const double r = brushIn.Clamped().Size / 2.0;
  // Pixels whose centre lies within r of the segment: centre x + 0.5 > min - r.
  auto lo = [r](double v) { return static_cast<int>(std::floor(v - r - 0.5)); };
  auto hi = [r](double v) { return static_cast<int>(std::ceil(v + r - 0.5)) + 1; };
  auto clampCoord = [](double v) { return std::clamp(v, -1e6, 1e6); };
  const double x0 = clampCoord(std::min(a.X, b.X)), x1 = clampCoord(std::max(a.X, b.X));
  const double y0 = clampCoord(std::min(a.Y, b.Y)), y1 = clampCoord(std::max(a.Y, b.Y));
  return IntersectRect(TRect{lo(x0), lo(y0), hi(x1), hi(y1)}, TRect{0, 0, width, height});
}

TCoverage SegmentCoverage(const TBrush& brush, TBrushPoint a, TBrushPoint b, int width, int height) {
  TCoverage c;
  c.Rect = SegmentBounds(brush, a, b, width, height);
  if (c.Rect.IsEmpty()) return c;
  const int w = c.Rect.Width();
  c.Weights.assign(static_cast<size_t>(w) * c.Rect.Height(), 0);
  const double dx = b.X - a.X, dy = b.Y - a.Y, len2 = dx * dx + dy * dy;
  for (int y = c.Rect.Top; y < c.Rect.Bottom; ++y) {
    uint8_t* row = c.Weights.data() + static_cast<size_t>(y - c.Rect.Top) * w;
    const double py = y + 0.5 - a.Y;
    for (int x = c.Rect.Left; x < c.Rect.Right; ++x) {
      const double px = x + 0.5 - a.X;
      // Distance to the nearest point of the segment.
      double t = len2 > 0 ? (px * dx + py * dy) / len2 : 0;
      t = std::clamp(t, 0.0, 1.0);
      const double ex = px - t * dx, ey = py - t * dy;
      row[x - c.Rect.Left] = static_cast<uint8_t>(BrushWeight(brush, std::sqrt(ex * ex + ey * ey)));
    }
  }
  return c;
}

TStroke::TStroke(int width, int height, TBrush brush, TTouchKind kind)
    : width_(std::max(width, 0)), height_(std::max(height, 0)), brush_(brush.Clamped()), kind_(kind) {}

TRect TStroke::MoveTo(TBrushPoint p, TTouchUps& layer) {
  const TBrushPoint from = started_ ? last_ : p;
  started_ = true;
  last_ = p;
  TCoverage seg = SegmentCoverage(brush_, from, p, width_, height_);
  const TRect r = seg.Rect;
  if (r.IsEmpty()) return TRect{};
  if (weights_.empty()) weights_.assign(static_cast<size_t>(width_) * height_, 0);
  // The rectangle's weights before and after the segment, as the increase to paint.
  const int w = r.Width();
  before_.resize(seg.Weights.size());
  bool changed = false;
  for (int y = r.Top; y < r.Bottom; ++y) {
    uint8_t* path = weights_.data() + static_cast<size_t>(y) * width_ + r.Left;
    uint8_t* segRow = seg.Weights.data() + static_cast<size_t>(y - r.Top) * w;
    uint8_t* was = before_.data() + static_cast<size_t>(y - r.Top) * w;
    for (int i = 0; i < w; ++i) {
      was[i] = path[i];
      if (segRow[i] > path[i]) {
        path[i] = segRow[i];
        changed = true;
      } else {
        segRow[i] = path[i];
      }
    }
  }
  if (!changed) return TRect{};
  layer.PaintIncrease(width_, height_, r, before_.data(), seg.Weights.data(), w, kind_);
  bounds_ = UnionRect(bounds_, r);
  return r;
}

}  // namespace velinor
