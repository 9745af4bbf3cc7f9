#pragma once
// Rectangles (right and bottom exclusive) and points.
#include <cstdint>

namespace velinor {

struct TPoint {
  int X = 0;
  int Y = 0;
  friend bool operator==(const TPoint&, const TPoint&) = default;
};

struct TRect {
  int Left = 0;
  int Top = 0;
  int Right = 0;
  int Bottom = 0;

  constexpr int Width() const { return Right - Left; }
  constexpr int Height() const { return Bottom - Top; }
  constexpr bool IsEmpty() const { return Right <= Left || Bottom <= Top; }
  friend bool operator==(const TRect&, const TRect&) = default;
};

constexpr TRect Rect(int l, int t, int r, int b) { return TRect{l, t, r, b}; }
constexpr TPoint Point(int x, int y) { return TPoint{x, y}; }

// Passed to raster operations to mean the whole image.
constexpr TRect FullImageRect{-99999, -99999, 99999, 99999};

// Swaps Left/Right and Top/Bottom where they are reversed.
constexpr TRect NormalizeRect(TRect r) {
  if (r.Left > r.Right) { const int t = r.Left; r.Left = r.Right; r.Right = t; }
  if (r.Top > r.Bottom) { const int t = r.Top; r.Top = r.Bottom; r.Bottom = t; }
  return r;
}

// Intersection; an empty result has Right <= Left or Bottom <= Top.
constexpr TRect IntersectRect(const TRect& a, const TRect& b) {
  TRect r{a.Left > b.Left ? a.Left : b.Left, a.Top > b.Top ? a.Top : b.Top,
          a.Right < b.Right ? a.Right : b.Right, a.Bottom < b.Bottom ? a.Bottom : b.Bottom};
  if (r.IsEmpty()) r = TRect{};
  return r;
}

// The smallest rectangle holding both; an empty one adds nothing.
constexpr TRect UnionRect(const TRect& a, const TRect& b) {
  if (a.IsEmpty()) return b;
  if (b.IsEmpty()) return a;
  return TRect{a.Left < b.Left ? a.Left : b.Left, a.Top < b.Top ? a.Top : b.Top,
               a.Right > b.Right ? a.Right : b.Right, a.Bottom > b.Bottom ? a.Bottom : b.Bottom};
}

constexpr bool PtInRect(const TRect& r, TPoint p) {
  return p.X >= r.Left && p.X < r.Right && p.Y >= r.Top && p.Y < r.Bottom;
}

}  // namespace velinor
