#pragma once
// Resampling of 24-bit images: a point-sampling stretch, an interpolating
// (bicubic) stretch used for thumbnails, and a two-pass filtered resampler with
// precomputed integer contributor weights used by the "Image size" dialog.
#include <vector>

#include "core/base/Bitmap.h"
#include "core/base/Geometry.h"

namespace velinor {

// ---------------------------------------------------------------------------
// Entry points

// Modes of ResampleTo / ResizeImage. Any other value behaves as rmFiltered.
constexpr int rmNearest = 0;
constexpr int rmInterpolated = 2;
constexpr int rmFiltered = 3;

// Resizes the bitmap in place to width x height (see ResampleTo). An empty
// bitmap is left alone. If the resampling fails (out of memory), the original
// picture is put back before the exception leaves.
void ResizeImage(int width, int height, int mode, TBitmap& bitmap);

// Resamples source into destination, which becomes a 24-bit width x height
// image. A zero (or negative) width or height empties the destination; an empty
// source does nothing. Filtered mode converts the source to 24 bits. The
// destination may be the source itself (the source is then copied first).
void ResampleTo(int width, int height, int mode, TBitmap& destination, TBitmap& source);
// The same, leaving the source as it is (filtered mode then works from a 24-bit
// copy of a source in another format).
void ResampleTo(int width, int height, int mode, TBitmap& destination, const TBitmap& source);

// The filter ResampleTo's filtered mode picks for a source of sw x sh resized
// to w x h: Lanczos-3 whenever a side shrinks, the cubic B-spline when a side
// grows more than twice, Lanczos-3 otherwise.
int ChooseResampleFilter(int w, int h, int sw, int sh);

// Map sourceRect of source onto destRect of destination and write only the
// destination pixels inside clipRect. The source may be of any pixel format; the
// destination must be 24- or 32-bit (std::invalid_argument otherwise).
// Nearest: the pixel under the mapped position, no blending.
void StretchNearest(const TBitmap& source, TRect sourceRect, TBitmap& destination, TRect clipRect,
                    TRect destRect);
// Interpolated: cubic convolution (a = -1) of the 4 x 4 pixels around the mapped
// position, edges clamped into the source rect.
void StretchInterpolated(const TBitmap& source, TRect sourceRect, TBitmap& destination,
                         TRect clipRect, TRect destRect);

// Resamples the whole source into the whole destination (whose size is already
// set) with the given filter of the table and support: a horizontal pass into a
// destination-width work image, rounded to bytes, then a vertical pass. The
// destination is made 24-bit; a source of another format is read through a
// 24-bit copy. Throws std::out_of_range for an unknown filter index and
// std::invalid_argument for a negative or non-finite support.
void ResampleFiltered(int filter, float support, const TBitmap& source, TBitmap& destination);

// ---------------------------------------------------------------------------
// Filter table

using TFilterFunction = float (*)(float);

struct TFilterEntry {
  TFilterFunction Filter;
  float Support;  // half-width in source pixels at scale 1; the function is 0 beyond it
};

constexpr int fiBox = 0;
constexpr int fiTriangle = 1;
constexpr int fiHermite = 2;
constexpr int fiBell = 3;
constexpr int fiBSpline = 4;
constexpr int fiLanczos3 = 5;
constexpr int fiMitchell = 6;
constexpr int FilterCount = 7;

extern const TFilterEntry FilterTable[FilterCount];

float BoxFilter(float x);
float TriangleFilter(float x);
float HermiteFilter(float x);
float BellFilter(float x);
float BSplineFilter(float x);
float Lanczos3Filter(float x);
float MitchellFilter(float x);

// ---------------------------------------------------------------------------
// Contributor lists (exposed for tests and for callers that resample many
// images of the same geometry)

struct TContributor {
  int Weight;  // filter value scaled by 256, rounded (never 0)
  int Pixel;   // source column or row, always inside the source
};

struct TContributors {
  std::vector<TContributor> Items;
  int Count() const { return static_cast<int>(Items.size()); }
};

using TContributorList = std::vector<TContributors>;

// Scale of one direction: dstSize / srcSize when either size is 1, otherwise
// (dstSize - 1) / (srcSize - 1), so that the first and last destination pixels
// fall on the first and last source pixels.
float ResampleScale(int srcSize, int dstSize);

// One list per destination pixel (0 .. dstSize - 1) of one direction. Indices
// beyond an edge are mirrored back (repeatedly, for sources narrower than the
// filter); a pixel whose weights all round to 0 takes its nearest source pixel
// with weight 256.
TContributorList BuildContributors(int srcSize, int dstSize, int filter, float support);

}  // namespace velinor
