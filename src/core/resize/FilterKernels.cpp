// The filter table of the filtered resampler and the contributor lists built
// from it: for every destination pixel of one direction, the source pixels it
// reads and their integer weights.
#include <algorithm>
#include <cmath>
#include <stdexcept>
#include <string>

#include "core/resize/StretchEx.h"
#include "core/base/Arith.h"

namespace velinor {

float BoxFilter(float x) { return (x > -0.5f && x <= 0.5f) ? 1.0f : 0.0f; }

float TriangleFilter(float x) {
  const float t = std::fabs(x);
  return t < 1.0f ? 1.0f - t : 0.0f;
}

float HermiteFilter(float x) {
  const float t = std::fabs(x);
  return t < 1.0f ? (2.0f * t - 3.0f) * t * t + 1.0f : 0.0f;
}

float BellFilter(float x) {
  const float t = std::fabs(x);
  if (t < 0.5f) return 0.75f - t * t;
  if (t < 1.5f) {
    const float u = t - 1.5f;
    return 0.5f * u * u;
  }
  return 0.0f;
}

float BSplineFilter(float x) {
  const float t = std::fabs(x);
  if (t < 1.0f) return 0.5f * t * t * t - t * t + 2.0f / 3.0f;
  if (t < 2.0f) {
    const float u = 2.0f - t;
    return u * u * u / 6.0f;
  }
  return 0.0f;
}

namespace {
float Sinc(float x) {
  if (x == 0.0f) return 1.0f;
  const float px = x * 3.14159265358979f;
  return std::sin(px) / px;
}
}  // namespace

float Lanczos3Filter(float x) {
  if (std::fabs(x) < 3.0f) return Sinc(x) * Sinc(x / 3.0f);
  return 0.0f;
}

float MitchellFilter(float x) {
  // B = C = 1/3
  const float t = std::fabs(x);
  const float t2 = t * t;
  if (t < 1.0f) return (7.0f * t2 * t - 12.0f * t2 + 16.0f / 3.0f) / 6.0f;
  if (t < 2.0f) return (-7.0f / 3.0f * t2 * t + 12.0f * t2 - 20.0f * t + 32.0f / 3.0f) / 6.0f;
  return 0.0f;
}

const TFilterEntry FilterTable[FilterCount] = {
    {BoxFilter, 0.5f},    {TriangleFilter, 1.0f}, {HermiteFilter, 1.0f},  {BellFilter, 1.5f},
    {BSplineFilter, 2.0f}, {Lanczos3Filter, 3.0f}, {MitchellFilter, 2.0f},
};

float ResampleScale(int srcSize, int dstSize) {
  // A single destination pixel has no "last pixel" to align, hence the plain
  // ratio there (the aligned formula would divide by zero for the inverse).
  if (srcSize == 1 || dstSize == 1) return static_cast<float>(dstSize) / static_cast<float>(srcSize);
  return static_cast<float>(dstSize - 1) / static_cast<float>(srcSize - 1);
}

namespace {

// Brings an index back into 0 .. size - 1. The first step is the classic single
// reflection (-j before the start, 2*size - j - 1 past the end); a source
// narrower than the filter reach (a 2-pixel row under Lanczos-3) or a strong
// reduction can still land outside after it, so the same reflection is repeated
// until the index is inside. Each round trip shortens the distance by at least
// 2*size - 1, so this ends quickly.
int MirrorIndex(int64_t j, int size) {
  while (j < 0 || j >= size) j = j < 0 ? -j : 2 * int64_t{size} - j - 1;
  return static_cast<int>(j);
}

void CheckFilter(int filter, float support) {
  if (filter < 0 || filter >= FilterCount)
    throw std::out_of_range("unknown resampling filter " + std::to_string(filter));
  if (!std::isfinite(support) || support < 0.0f)
    throw std::invalid_argument("resampling support must be a finite non-negative value");
}

}  // namespace

TContributorList BuildContributors(int srcSize, int dstSize, int filter, float support) {
  CheckFilter(filter, support);
  TContributorList list;
  if (srcSize <= 0 || dstSize <= 0) return list;
  list.resize(static_cast<size_t>(dstSize));
  const TFilterFunction f = FilterTable[filter].Filter;
  // Every kernel is 0 beyond its table support, so reaching further adds only
  // zero weights, which are not stored: the lists are the same, without the
  // endless loops a huge support would cost.
  support = std::min(support, FilterTable[filter].Support);
  const float scale = ResampleScale(srcSize, dstSize);
  for (int i = 0; i < dstSize; ++i) {
    const float center = static_cast<float>(i) / scale;
    std::vector<TContributor>& items = list[static_cast<size_t>(i)].Items;
    if (scale >= 1.0f) {
      const int64_t left = Floor(center - support);
      const int64_t right = Ceil(center + support);
      for (int64_t j = left; j <= right; ++j) {
        const int w = static_cast<int>(Round(f(center - static_cast<float>(j)) * 256.0f));
        if (w != 0) items.push_back({w, MirrorIndex(j, srcSize)});
      }
    } else {
      const float width = support / scale;
      const int64_t left = Floor(center - width);
      const int64_t right = Ceil(center + width);
      for (int64_t j = left; j <= right; ++j) {
        const int w = static_cast<int>(Round(f((center - static_cast<float>(j)) * scale) * scale * 256.0f));
        if (w != 0) items.push_back({w, MirrorIndex(j, srcSize)});
      }
    }
    // Shrinking by more than 512 times leaves every weight at 0; rather than a
    // black pixel, take the source pixel nearest to the centre.
    if (items.empty())
      items.push_back({256, static_cast<int>(Clamp<int64_t>(Round(center), 0, srcSize - 1))});
  }
  return list;
}

}  // namespace velinor
