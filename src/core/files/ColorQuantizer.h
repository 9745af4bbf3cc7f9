#pragma once
// Reduction of a true-colour picture to a palette of at most 256 colours, with
// Floyd-Steinberg dithering (libimagequant), and the colour-map clean-up the GIF
// writer applies afterwards. Shared by the GIF and RLE bitmap writers.
#include <cstdint>
#include <vector>

#include "core/base/Bitmap.h"

namespace velinor {

// Reduces a 24- or 32-bit bitmap (alpha ignored) to an 8-bit one with at most
// maxColors (2..256) palette entries. A picture that already has few enough
// colours is mapped exactly, without dithering. With a mask (one byte per pixel,
// rows top-down, non-zero = see-through) the masked pixels all get one palette
// entry of colour transparentColor, whose index goes to *transparentIndex (-1
// when no pixel is masked); no visible pixel maps to an entry of that colour.
// An 8-bit source is returned as it is. Throws EOutOfLimits on failure.
TBitmap QuantizeToPalette(const TBitmap& source, int maxColors = 256,
                          const std::vector<uint8_t>* transparentMask = nullptr, TColor transparentColor = 0,
                          int* transparentIndex = nullptr);

// Colour-map optimisation of an 8-bit bitmap: equal entries are merged, unused
// ones dropped, the rest sorted by how often they are used (most used first),
// and the pixels remapped. *transparentIndex (when given and >= 0) follows its
// entry; it becomes -1 when that entry is unused.
void OptimizeColorMap(TBitmap& indexed, int* transparentIndex = nullptr);

}  // namespace velinor
