#pragma once
// TImageZoom: lays out one bitmap at a zoom factor inside a frame rectangle of a
// target canvas, and works out which part of the bitmap lands where when it is
// drawn. It holds no pixels and never paints by itself: PlanDraw returns the
// rectangles and the GUI (or DrawTo, on a TBitmap) performs the stretch copy.
//
// All integer results are computed in 64 bits and saturated to the 32-bit range,
// so absurd zoom factors give absurd but harmless rectangles, never overflow.
#include <vector>

#include "core/base/Bitmap.h"
#include "core/base/Color.h"
#include "core/base/Geometry.h"

namespace velinor {

enum TZoomMode { zmActualSize, zmFitWidth, zmFitHeight, zmFitPage, zmCustom };

// Codes 0..11, also used to align any rectangle in a frame (AlignInFrame).
enum TImagePosition {
  ipTopLeft, ipTopCenter, ipTopRight,
  ipCenterLeft, ipCenter, ipCenterRight,
  ipBottomLeft, ipBottomCenter, ipBottomRight,
  ipHorzCenter, ipVertCenter, ipManual
};

// Top-left corner of a width x height box placed in frame by position; current
// supplies the coordinates a position leaves unchanged. Centring truncates toward
// zero, so a box larger than the frame lands with its extra pixel on the far side.
TPoint AlignInFrame(const TRect& frame, int width, int height, TImagePosition position,
                    TPoint current);

// What one Draw does, in canvas coordinates.
struct TZoomDrawPlan {
  TRect Frame;               // F: every fill and copy is clipped to it
  TRect Source;              // S: bitmap pixels to copy (empty: no copy)
  TRect Dest;                // V: where S is stretched; may reach past F by part of a block
  bool Smooth = false;       // area-averaging stretch instead of nearest pixel
  std::vector<TRect> Fills;  // rectangles of F to fill with the brush (only with FillMargins)
  TRect Result;              // canvas area covered by image pixels (V ∩ F)

  bool HasCopy() const { return !Source.IsEmpty() && !Dest.IsEmpty(); }
};

class TImageZoom {
 public:
  TImageZoom() = default;

  // The bitmap is not owned; clear it (nullptr) before the bitmap goes away.
  const TBitmap* Bitmap() const { return bitmap_; }
  void SetBitmap(const TBitmap* bitmap);

  // The canvas is an opaque identity here (the GUI passes its painter or widget);
  // attaching one makes FrameRect its clipping rectangle, detaching empties it.
  const void* Canvas() const { return canvas_; }
  void SetCanvas(const void* canvas, const TRect& clipRect);

  TRect FrameRect() const { return frame_; }
  void SetFrameRect(const TRect& frame);

  int Left() const { return left_; }
  int Top() const { return top_; }
  void SetLeft(int left);  // also switches Position to ipManual
  void SetTop(int top);

  double Zoom() const { return zoom_; }
  void SetZoom(double factor);  // factor <= 0 becomes 1.0; mode becomes zmCustom

  int ZoomedWidth() const { return zoomedWidth_; }
  int ZoomedHeight() const { return zoomedHeight_; }
  void SetZoomedWidth(int width);
  void SetZoomedHeight(int height);

  TZoomMode ZoomMode() const { return zoomMode_; }
  void SetZoomMode(TZoomMode mode);

  TImagePosition Position() const { return position_; }
  void SetPosition(TImagePosition position);

  bool Smooth() const { return smooth_; }
  void SetSmooth(bool smooth) { smooth_ = smooth; }
  bool PixelAlign() const { return pixelAlign_; }
  void SetPixelAlign(bool align) { pixelAlign_ = align; }

  // Re-derives zoom, zoomed size and position (the owner calls it when the
  // bitmap's size changed under the same pointer).
  void Recalculate();
  void Realign();

  // (Left, Top, Left + ZoomedWidth, Top + ZoomedHeight).
  TRect ImageRect() const;

  // The rectangles of Draw. Without a bitmap or a canvas everything is empty.
  TZoomDrawPlan PlanDraw(bool fillMargins) const;

  // Draw on a TBitmap canvas with the core stretch copies; fills use brush.
  // Returns the plan's Result.
  TRect DrawTo(TBitmap& canvas, bool fillMargins, TColor brush) const;

 private:
  const TBitmap* bitmap_ = nullptr;
  const void* canvas_ = nullptr;
  TRect frame_{};
  int left_ = 0;
  int top_ = 0;
  double zoom_ = 1.0;
  int zoomedWidth_ = 0;
  int zoomedHeight_ = 0;
  TZoomMode zoomMode_ = zmActualSize;
  TImagePosition position_ = ipTopLeft;
  bool smooth_ = false;
  bool pixelAlign_ = false;
};

}  // namespace velinor
