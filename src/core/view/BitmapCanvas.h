#pragma once
// A small integer drawing surface on a 24- or 32-bit TBitmap, with the
// conventions of the classic raster drawing surfaces: filled shapes take the
// brush inside and a one-pixel pen outline on their edge; a shape given by a
// bounding rect (right/bottom exclusive) stays inside that rect; lines omit their
// last point; polygons fill by the even-odd rule and outline every edge,
// vertices included. Everything is clipped to the bitmap. Colours may be system
// colours (resolved when drawn). A palette bitmap is made 24-bit first.
#include <vector>

#include "core/base/Bitmap.h"
#include "core/base/Color.h"
#include "core/base/Geometry.h"

namespace velinor {

// Fills rect (clipped to the bitmap) with a solid colour (TintRect at 100 %).
void FillBitmapRect(TBitmap& bitmap, const TRect& rect, TColor color);

class TBitmapCanvas {
 public:
  explicit TBitmapCanvas(TBitmap& bitmap);

  TColor PenColor = clBlack;
  bool PenClear = false;  // no outline
  TColor BrushColor = clWhite;
  bool BrushClear = false;  // no interior

  TBitmap& Bitmap() { return bitmap_; }

  void FillRect(const TRect& r);  // brush only, no outline
  void Rectangle(const TRect& r);
  void Ellipse(const TRect& r);
  // Corners are quarters of an rw x rh ellipse.
  void RoundRect(const TRect& r, int rw, int rh);
  void Polygon(const std::vector<TPoint>& points);
  void Polyline(const std::vector<TPoint>& points);
  void Line(TPoint from, TPoint to);
  void SetPixel(int x, int y, TColor color);
  // Pen pixels of the row y from x0 to x1 and of the column x from y0 to y1,
  // both inclusive (nothing when the end is before the start).
  void HSpan(int y, int x0, int x1);
  void VSpan(int x, int y0, int y1);

 private:
  struct TSpan {
    int X0 = 0, X1 = -1;  // inclusive; empty when X1 < X0
  };
  void Span(int y, int x0, int x1, TColor c);  // inclusive, clipped
  // Draws a convex-by-rows shape given by one span per row from top: brush
  // inside, pen on the pixels with a 4-neighbour outside the shape.
  void DrawRowSpans(int top, const std::vector<TSpan>& rows);
  void Segment(TPoint a, TPoint b, bool includeLast);

  TBitmap& bitmap_;
};

}  // namespace velinor
