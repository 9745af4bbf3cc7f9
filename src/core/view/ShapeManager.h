#pragma once
// TShapeManager: one selection shape — a predefined figure, a polygon given by its
// points, or a pixel-exact region given by its boundary pixels — read from a
// selection stream and drawn filled (brush) and outlined (pen) on a canvas.
//
// Selection stream: an optional header line "Quillorvane Selection" followed by a
// line that is "Binary" for the binary form (anything else: text form).
//   Text form: a count line n, then n lines "X;Y"; a count -10..-1 instead names a
//   predefined figure (kind -n-1) followed by a width line and a height line.
//   Binary form: int32 n, then n records of int32 X+33, flags+77, Y+33 (little
//   endian), one per boundary pixel of a region, row by row.
// Text lines end at CR or LF; one more CR or LF right after is part of the same
// line end; the end of the stream ends the last line. (Before binary data, a
// second end character is given back when the count only makes sense with it.)
#include <cstddef>
#include <cstdint>
#include <vector>

#include "core/view/BitmapCanvas.h"
#include "core/base/Geometry.h"

namespace velinor {

enum TMyShape {
  ssRect, ssEllipse, ssRoundRect, ssLine, ssLineWidth,
  ssTriangle1, ssTriangle2, ssTriangle3, ssTriangle4, ssLosange,
  ssPolygon, ssPolyline, ssBitmap
};

using TArrayOfPoint = std::vector<TPoint>;
using TArrayOfByte = std::vector<uint8_t>;

// Edge flags of a region's boundary pixel: which of its sides lie on the border.
// A run of region pixels on a row starts at a pixel with pfLeft and ends at one
// with pfRight (a one-pixel run carries both).
enum TPointFlag : uint8_t { pfLeft = 1, pfTop = 2, pfRight = 4, pfBottom = 8 };

class TShapeManager {
 public:
  TArrayOfPoint ShapePoints;  // shifted so that the smallest X and Y are 0
  TArrayOfByte PointFlags;    // ssBitmap shapes only, one per point
  TRect ShapeBounds;          // (0, 0, largest X, largest Y), inclusive maxima
  TArrayOfPoint FittedPoints; // points fitted into the rect last drawn into

  void Clear();

  // On success: kind is ssPolygon (text points), ssBitmap (binary) or the
  // predefined figure, rect is (0, 0, w + 1, h + 1) for points or (0, 0, width,
  // height) for a figure. On any failure — bad number, missing ';', short
  // stream, no points, a shape wider or higher than the int range — returns false
  // and leaves the manager cleared.
  bool LoadSelection(const uint8_t* data, size_t size, TMyShape& kind, TRect& rect);

  // Draws the shape into rect with the canvas's brush and pen.
  void DrawShape(TBitmapCanvas& canvas, const TRect& rect, TMyShape kind);

  // Scales ShapePoints into r (right and bottom inclusive) into FittedPoints.
  void FitPoints(const TRect& r);

 private:
  bool Load(const uint8_t* data, size_t size, TMyShape& kind, TRect& rect);
  void DrawRegion(TBitmapCanvas& canvas, int L, int T, int Rt, int B);
};

}  // namespace velinor
