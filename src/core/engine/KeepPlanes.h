#pragma once
// The colour-keep computation on one-byte-per-pixel planes: the same matching,
// clean-up, erosions, blur and ramps as the general mask operations, specialised
// for a black-and-white mask over the whole image so that each step is a single
// streaming pass. Internal to KeepColors; every function gives exactly what the
// general operations give on the 24-bit mask.
#include <cstddef>
#include <cstdint>
#include <memory>

#include "ColorMatch.h"
#include "base/Bitmap.h"
#include "base/Progress.h"

namespace velinor::detail {

// A W x H plane of bytes.
class TPlane {
 public:
  TPlane(int w, int h);
  int W() const { return w_; }
  int H() const { return h_; }
  uint8_t* Row(int y) { return data_.get() + static_cast<size_t>(y) * w_; }
  const uint8_t* Row(int y) const { return data_.get() + static_cast<size_t>(y) * w_; }

 private:
  int w_, h_;
  std::unique_ptr<uint8_t[]> data_;
};

// match[x, y] = 1 where the source pixel matches; "Calculating" after every row.
void MatchPlane(const TBitmap& source, const TColorMatcher& matcher, TPlane& match,
                const TProgressSink& progress);

// The 3 x 3 box average and the threshold at 200 of row y: 1 = black.
void VoteRow(const TPlane& match, int y, uint8_t* out);

// Both contours report "Processing" 10 once the clean-up is done.
// Progressive contour: square erosion of radius 3 and Gaussian blur (sigma 3).
// `match` is used as scratch; the mask levels end in `levels`.
void ProgressiveContour(TPlane& match, TPlane& levels, const TProgressSink& progress);

// Plain contour: cross erosion and the step ramps. `match` and `scratch` are used
// as scratch; the mask levels end in `levels`.
void PlainContour(TPlane& match, TPlane& scratch, TPlane& levels, const TProgressSink& progress);

}  // namespace velinor::detail
