#pragma once
// The colour-keep computation behind "Execute": the photo turns grey (or sepia)
// except where its colours are close to a kept colour, where its own colour shows
// through a softened mask.
#include <string>
#include <vector>

#include "ColorMatch.h"
#include "base/Bitmap.h"
#include "base/Progress.h"

namespace velinor {

struct TKeepOptions {
  std::vector<std::string> Entries;  // kept colours, "#RRGGBB", in list order
  bool Gradient = true;              // "Color gradient"
  int Tolerance = 30;                // 1..100, a channel difference
  bool Progressive = true;           // "Progressive contour"
  bool Sepia = false;                // "Sepia"
};

// result and source have the same size (std::invalid_argument otherwise); result
// is toned and the source composited back through the mask, which is rebuilt (24
// bits, the result's size; 0 = source colour, 255 = grey). Progress: "Calculating"
// 0 and once per row, then "Processing" 0, 10, 50 and 80 (only 80 when no colour is
// kept).
void KeepColors(TBitmap& result, TBitmap& mask, const TBitmap& source, const TKeepOptions& options,
                const TProgressSink& progress = {});

// Marks the pixels of the source matching the list black on a white mask of the
// source's size and shapes it; nothing (no progress either) with an empty list.
void ScanAndShape(const TBitmap& source, TBitmap& mask, const TMatchList& matchList, int tolerance,
                  bool progressive, const TProgressSink& progress = {});

// Grey, then with sepia the gammas 1.2 (red), 1.0 (green), 0.5 (blue).
void ToneResult(TBitmap& image, bool sepia);

}  // namespace velinor
