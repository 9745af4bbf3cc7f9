#pragma once
// Touch-ups: what the user painted by hand over the computed mask. They are a layer
// of their own, so that a later "Execute" with other colours keeps them.
//
// Each pixel holds a target level (0: the photo's colour, 255: grey) and an amount
// (0: untouched, 255: the target replaces the computed level); the final mask level
// of a computed level m is m + (target - m) * amount div 255. Painting toward a
// target with a weight composes exactly like two blends in a row, so soft edges and
// overlapping strokes of both kinds stay one target and one amount per pixel.
#include <cstdint>
#include <vector>

#include "core/base/Bitmap.h"
#include "core/base/Geometry.h"

namespace velinor {

enum class TTouchKind { Colour, Grey };

// The target level a kind paints toward.
constexpr int TouchTarget(TTouchKind kind) { return kind == TTouchKind::Colour ? 0 : 255; }

// The final level of computed level m under (target, amount).
constexpr int TouchedLevel(int m, int target, int amount) { return m + (target - m) * amount / 255; }

// (target, amount) after painting toward `paint` with weight w (0..255): the blend
// by w applied after the one by amount, as one blend.
void ComposeTouch(uint8_t& target, uint8_t& amount, int paint, int w);

// A weight per pixel of a rectangle of the picture (row-major, rect.Width() a row);
// what a brush leaves, see Brush.h.
struct TCoverage {
  TRect Rect;
  std::vector<uint8_t> Weights;
  uint8_t At(int x, int y) const {
    return Weights[static_cast<size_t>(y - Rect.Top) * Rect.Width() + (x - Rect.Left)];
  }
};

class TTouchUps {
 public:
  // No pixel touched; the layer takes the picture's size on its first paint.
  bool Empty() const { return touched_.IsEmpty(); }
  int Width() const { return width_; }
  int Height() const { return height_; }
  // The smallest rectangle holding every touched pixel (empty when none).
  TRect Touched() const { return touched_; }
  void Clear();

  uint8_t Target(int x, int y) const { return target_[Index(x, y)]; }
  uint8_t Amount(int x, int y) const { return amount_[Index(x, y)]; }

  // Paints toward the kind's target with the coverage's weights on a picture of
  // width x height (the layer is emptied first when it had another size). Weights
  // outside the picture are ignored.
  void Paint(int width, int height, const TCoverage& coverage, TTouchKind kind);
  // As Paint, each pixel of the rect with its own increase: the weight that takes
  // a pixel already painted with `before` in this stroke to `after` (see TStroke).
  void PaintIncrease(int width, int height, TRect rect, const uint8_t* before, const uint8_t* after,
                     int stride, TTouchKind kind);

  // The layer as a grey picture: 128 untouched, 0 colour, 255 grey, partial
  // amounts between (a mixed target is rounded to the nearer side); and back.
  // FromGreyPicture reads the first byte of 24/32-bit pixels (8-bit through the
  // palette's blue).
  TBitmap ToGreyPicture() const;
  static TTouchUps FromGreyPicture(const TBitmap& picture);

  // Rect r of the layer (inside the picture) as a 24-bit picture of r's size with
  // target and amount in the first two bytes of each pixel (zeros where nothing is
  // painted), as the history packs pictures. SetRegion writes such a picture back
  // at `at` on a picture of width x height and makes `touched` the touched
  // rectangle again: the history's way to take a stroke's rectangle back.
  TBitmap RegionPicture(TRect r) const;
  void SetRegion(int width, int height, TPoint at, const TBitmap& picture, TRect touched);

  // The layer turned a quarter, as RotateQuarter turns a picture.
  TTouchUps Rotated(bool clockwise) const;
  // The layer at the given pixels: pixel (i, j) of the result is pixel
  // (columns[i], rows[j]) of this one. Both lists are non-decreasing and inside
  // the layer (a picture sampled down, or an area of it).
  TTouchUps Sampled(const std::vector<int>& columns, const std::vector<int>& rows) const;

  // The final level of computed level m at (x, y) (m itself outside the layer).
  int Apply(int x, int y, int m) const {
    if (x < 0 || y < 0 || x >= width_ || y >= height_) return m;
    const size_t i = Index(x, y);
    return TouchedLevel(m, target_[i], amount_[i]);
  }
  // The final levels of n pixels of row y from x on, from the computed mask's
  // 24-bit row (first byte of each pixel).
  void ApplyRow(int y, int x, int n, const uint8_t* mask24, uint8_t* levels) const;

 private:
  size_t Index(int x, int y) const { return static_cast<size_t>(y) * width_ + x; }
  void Prepare(int width, int height);
  void Extend(TRect rect);

  int width_ = 0;
  int height_ = 0;
  std::vector<uint8_t> target_;
  std::vector<uint8_t> amount_;
  TRect touched_{};
};

// The computed mask with the touch-ups applied, as a 24-bit mask of its size (a
// copy of it when the layer is empty or of another size).
TBitmap FinalMask(const TBitmap& computedMask, const TTouchUps& touchUps);

// The result's pixels of rect computed again from the photo, the computed mask and
// the touch-ups: toned (grey, then sepia) and moved toward the photo by the final
// level, exactly as KeepColors composes them. result, photo and mask have the same
// size (std::invalid_argument otherwise).
void RecomposeTouched(TBitmap& result, const TBitmap& photo, const TBitmap& computedMask,
                      const TTouchUps& touchUps, bool sepia, TRect rect);

}  // namespace velinor
