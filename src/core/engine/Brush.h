#pragma once
// The brush that paints touch-ups: a round tip of a diameter in image pixels, hard
// in its middle and falling off linearly to nothing at its rim over `Softness` % of
// the radius. A stroke is the tip dragged along the mouse's path: each pixel takes
// the highest weight any part of the path gave it, so going over a place twice in
// one stroke does not build it up.
#include <cstdint>
#include <vector>

#include "core/base/Geometry.h"
#include "core/engine/TouchUps.h"

namespace velinor {

inline constexpr int MinBrushSize = 1;
inline constexpr int MaxBrushSize = 500;

struct TBrush {
  int Size = 40;      // diameter in image pixels, MinBrushSize..MaxBrushSize
  int Softness = 50;  // 0..100 % of the radius
  // The values in their ranges.
  TBrush Clamped() const;
};

// A point in image coordinates; pixel (x, y) covers [x, x + 1) x [y, y + 1), so its
// centre is (x + 0.5, y + 0.5).
struct TBrushPoint {
  double X = 0;
  double Y = 0;
};

// The weight (0..255) of a pixel whose centre lies at distance d from the path.
int BrushWeight(const TBrush& brush, double d);

// The rectangle of pixels a segment of the path may touch, clipped to the picture
// (0, 0, width, height).
TRect SegmentBounds(const TBrush& brush, TBrushPoint a, TBrushPoint b, int width, int height);

// The weights of the segment a-b (a single dab when a == b), over SegmentBounds.
TCoverage SegmentCoverage(const TBrush& brush, TBrushPoint a, TBrushPoint b, int width, int height);

// One stroke on a picture of width x height: the path's highest weight per pixel,
// painted into the layer as the path grows.
class TStroke {
 public:
  TStroke(int width, int height, TBrush brush, TTouchKind kind);
  TTouchKind Kind() const { return kind_; }
  // The next point of the path (the first is a dab); returns the rectangle of
  // pixels whose final level may have changed (empty when none).
  TRect MoveTo(TBrushPoint p, TTouchUps& layer);
  // Every pixel the stroke has changed so far lies in this rectangle.
  TRect Bounds() const { return bounds_; }

 private:
  int width_, height_;
  TBrush brush_;
  TTouchKind kind_;
  bool started_ = false;
  TBrushPoint last_;
  std::vector<uint8_t> weights_;  // the path's weights so far, picture-sized
  std::vector<uint8_t> before_;   // a rectangle's weights before the latest segment
  TRect bounds_{};
};

}  // namespace velinor
