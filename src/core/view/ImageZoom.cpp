#include "core/view/ImageZoom.h"

#include <cmath>
#include <cstdint>
#include <limits>

#include "core/view/BitmapCanvas.h"
#include "core/view/StretchCopy.h"
#include "core/base/Arith.h"

namespace velinor {

namespace {

constexpr double kIntMin = std::numeric_limits<int>::min();
constexpr double kIntMax = std::numeric_limits<int>::max();

int Sat(int64_t v) {
  if (v < std::numeric_limits<int>::min()) return std::numeric_limits<int>::min();
  if (v > std::numeric_limits<int>::max()) return std::numeric_limits<int>::max();
  return static_cast<int>(v);
}

// The arithmetic words on doubles that may be huge or NaN (absurd zooms):
// the value is brought into the int range before converting.
double Bound(double v) {
  if (std::isnan(v)) return 0.0;
  return v < kIntMin ? kIntMin : (v > kIntMax ? kIntMax : v);
}
int RoundSat(double v) { return Sat(Round(Bound(v))); }
int TruncSat(double v) { return Sat(Trunc(Bound(v))); }
int CeilSat(double v) { return Sat(Ceil(Bound(v))); }

int64_t Width64(const TRect& r) { return int64_t{r.Right} - r.Left; }
int64_t Height64(const TRect& r) { return int64_t{r.Bottom} - r.Top; }

}  // namespace

TPoint AlignInFrame(const TRect& f, int width, int height, TImagePosition position,
                    TPoint current) {
  const int left = f.Left;
  const int right = Sat(int64_t{f.Right} - width);
  const int hCentre = Sat(f.Left + Div(Width64(f) - width, 2));
  const int top = f.Top;
  const int bottom = Sat(int64_t{f.Bottom} - height);
  const int vCentre = Sat(f.Top + Div(Height64(f) - height, 2));
  TPoint p = current;
  switch (position) {
    case ipTopLeft: p = {left, top}; break;
    case ipTopCenter: p = {hCentre, top}; break;
    case ipTopRight: p = {right, top}; break;
    case ipCenterLeft: p = {left, vCentre}; break;
    case ipCenter: p = {hCentre, vCentre}; break;
    case ipCenterRight: p = {right, vCentre}; break;
    case ipBottomLeft: p = {left, bottom}; break;
    case ipBottomCenter: p = {hCentre, bottom}; break;
    case ipBottomRight: p = {right, bottom}; break;
    case ipHorzCenter: p.X = hCentre; break;
    case ipVertCenter: p.Y = vCentre; break;
    case ipManual: break;
  }
  return p;
}

void TImageZoom::SetBitmap(const TBitmap* bitmap) {
  if (bitmap == bitmap_) return;
  bitmap_ = bitmap;
  Recalculate();
}

void TImageZoom::SetCanvas(const void* canvas, const TRect& clipRect) {
  if (canvas == canvas_) return;
  canvas_ = canvas;
  frame_ = canvas ? clipRect : TRect{};
  Recalculate();
}

void TImageZoom::SetFrameRect(const TRect& frame) {
  if (frame == frame_) return;
  frame_ = frame;
  Recalculate();
}

void TImageZoom::SetLeft(int left) {
  if (left == left_) return;
  left_ = left;
  position_ = ipManual;
}

void TImageZoom::SetTop(int top) {
  if (top == top_) return;
  top_ = top;
  position_ = ipManual;
}

void TImageZoom::SetZoom(double factor) {
  if (!(factor > 0.0)) factor = 1.0;  // also catches NaN
  zoomMode_ = zmCustom;
  if (factor == zoom_) return;
  zoom_ = factor;
  Recalculate();
}

// Writing a zoomed size of a bitmap with no pixels along that side is ignored:
// there is no factor that would produce it.
void TImageZoom::SetZoomedWidth(int width) {
  if (!bitmap_ || width <= 0 || width == zoomedWidth_ || bitmap_->Width() <= 0) return;
  zoomedWidth_ = width;
  zoom_ = static_cast<double>(width) / bitmap_->Width();
  zoomedHeight_ = RoundSat(bitmap_->Height() * zoom_);
  zoomMode_ = zmCustom;
  Realign();
}

void TImageZoom::SetZoomedHeight(int height) {
  if (!bitmap_ || height <= 0 || height == zoomedHeight_ || bitmap_->Height() <= 0) return;
  zoomedHeight_ = height;
  zoom_ = static_cast<double>(height) / bitmap_->Height();
  zoomedWidth_ = RoundSat(bitmap_->Width() * zoom_);
  zoomMode_ = zmCustom;
  Realign();
}

void TImageZoom::SetZoomMode(TZoomMode mode) {
  if (mode == zoomMode_) return;
  zoomMode_ = mode;
  Recalculate();
}

void TImageZoom::SetPosition(TImagePosition position) {
  if (position == position_) return;
  position_ = position;
  Realign();
}

void TImageZoom::Recalculate() {
  if (!bitmap_) {
    zoomedWidth_ = 0;
    zoomedHeight_ = 0;
    return;
  }
  const int w = bitmap_->Width();
  const int h = bitmap_->Height();
  if (!frame_.IsEmpty()) {
    const bool empty = w <= 0 || h <= 0;
    const double fitW = empty ? 0.0 : static_cast<double>(Width64(frame_)) / w;
    const double fitH = empty ? 0.0 : static_cast<double>(Height64(frame_)) / h;
    switch (zoomMode_) {
      case zmActualSize: zoom_ = 1.0; break;
      case zmFitWidth: zoom_ = fitW; break;
      case zmFitHeight: zoom_ = fitH; break;
      case zmFitPage: zoom_ = fitW < fitH ? fitW : fitH; break;
      case zmCustom: break;
    }
  }
  zoomedWidth_ = RoundSat(w * zoom_);
  zoomedHeight_ = RoundSat(h * zoom_);
  Realign();
}

void TImageZoom::Realign() {
  if (!bitmap_ || frame_.IsEmpty() || position_ == ipManual) return;
  const TPoint p = AlignInFrame(frame_, zoomedWidth_, zoomedHeight_, position_, {left_, top_});
  left_ = p.X;
  top_ = p.Y;
}

TRect TImageZoom::ImageRect() const {
  return TRect{left_, top_, Sat(int64_t{left_} + zoomedWidth_), Sat(int64_t{top_} + zoomedHeight_)};
}

TZoomDrawPlan TImageZoom::PlanDraw(bool fillMargins) const {
  TZoomDrawPlan plan;
  if (!bitmap_ || !canvas_) return plan;
  const TRect& f = frame_;
  plan.Frame = f;
  const double z = zoom_;
  const int w = bitmap_->Width();
  const int h = bitmap_->Height();
  const int x = left_;
  const int y = top_;

  const TRect full{x, y, Sat(int64_t{x} + RoundSat(w * z)), Sat(int64_t{y} + RoundSat(h * z))};
  TRect v = IntersectRect(full, f);
  if (v.IsEmpty()) {
    if (fillMargins && !f.IsEmpty()) plan.Fills.push_back(f);
    return plan;
  }

  TRect s{TruncSat((double(v.Left) - x) / z), TruncSat((double(v.Top) - y) / z),
          CeilSat((double(v.Right) - x) / z), CeilSat((double(v.Bottom) - y) / z)};
  s = IntersectRect(s, TRect{0, 0, w, h});

  if (pixelAlign_ && z > 1.0 && !s.IsEmpty()) {
    // Whole source pixels as whole blocks on the grid of the full image.
    v.Left = TruncSat(z * s.Left + x);
    v.Top = TruncSat(z * s.Top + y);
    v.Right = TruncSat(z * (s.Right - s.Left) + v.Left);
    v.Bottom = TruncSat(z * (s.Bottom - s.Top) + v.Top);
  }
  plan.Source = s;
  plan.Dest = v;
  plan.Smooth = smooth_;

  if (fillMargins) {
    const TRect bands[4] = {{f.Left, f.Top, f.Right, v.Top},
                            {f.Left, v.Bottom, f.Right, f.Bottom},
                            {f.Left, v.Top, v.Left, v.Bottom},
                            {v.Right, v.Top, f.Right, v.Bottom}};
    for (const TRect& b : bands)
      if (!b.IsEmpty()) plan.Fills.push_back(b);
  }
  plan.Result = IntersectRect(v, f);
  return plan;
}

TRect TImageZoom::DrawTo(TBitmap& canvas, bool fillMargins, TColor brush) const {
  const TZoomDrawPlan plan = PlanDraw(fillMargins);
  if (plan.HasCopy()) {
    if (plan.Smooth)
      StretchCopyAveraged(*bitmap_, plan.Source, canvas, plan.Dest, plan.Frame);
    else
      StretchCopyNearest(*bitmap_, plan.Source, canvas, plan.Dest, plan.Frame);
  }
  for (const TRect& r : plan.Fills) FillBitmapRect(canvas, IntersectRect(r, plan.Frame), brush);
  return plan.Result;
}

}  // namespace velinor
