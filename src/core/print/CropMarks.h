#pragma once
// Crop marks around the printed rectangle: short lines on the extensions of the
// image's edge lines, starting a little away from the image so that cutting along
// them leaves no white edge. Everything in printer pixels.
#include <vector>

#include "core/base/Geometry.h"

namespace velinor {

// A line from From towards To; To itself is not drawn. Marks are always
// horizontal or vertical.
struct TMarkLine {
  TPoint From;
  TPoint To;
  friend bool operator==(const TMarkLine&, const TMarkLine&) = default;
};

// Lengths of a mark in physical units: 8 mm from the edge line to the far end,
// 1 mm gap to the near end, given in the dialog's unit.
constexpr double CropFarCm = 0.8;
constexpr double CropNearCm = 0.1;
constexpr double CropFarInch = 0.8 / 2.54;
constexpr double CropNearInch = 0.1 / 2.54;

// The eight corner marks (top left, top right, bottom right, bottom left; the
// horizontal one first in each pair), then the two centre marks for an image
// whose longer side is at least 1.5 times its shorter side: vertical marks above
// and below the middle of a wide image, horizontal ones beside the middle of a
// tall one. rect is right/bottom exclusive and the marks lie on its edge lines,
// so the right and bottom marks sit one pixel beyond the last image pixel.
std::vector<TMarkLine> CropMarkLines(const TRect& rect, int imageW, int imageH, int farDist,
                                     int nearDist);

// The pixels a mark covers, as a one-pixel-thick rectangle (empty when From = To).
TRect MarkPixels(const TMarkLine& line);

}  // namespace velinor
