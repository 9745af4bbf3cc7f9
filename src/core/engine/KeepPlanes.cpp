#include "KeepPlanes.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include <omp.h>

#include "MaskShaping.h"
#include "ToneCompositing.h"
#include "base/Arith.h"

namespace velinor::detail {

TPlane::TPlane(int w, int h) : w_(w), h_(h) {
  data_ = std::make_unique_for_overwrite<uint8_t[]>(std::max<size_t>(size_t(w) * size_t(h), 1));
}

namespace {

void Report(const TProgressSink& progress, const char* label, int percent) {
  if (progress) progress(label, percent);
}

// Small planes are not worth waking the other threads for.
bool Worth(int w, int h) { return int64_t{w} * h >= (int64_t{1} << 16); }

// Square erosion radius and blur of the progressive contour.
constexpr int ErosionRadius = 3;
constexpr double ContourSigma = 3;
constexpr int RampLimit = 33;

}  // namespace

void MatchPlane(const TBitmap& source, const TColorMatcher& matcher, TPlane& match,
                const TProgressSink& progress) {
  const int w = match.W(), h = match.H();
  Report(progress, "Calculating", 0);
  auto reportRow = [&](int y) {
    Report(progress, "Calculating", static_cast<int>(Round((y + 1) * 100.0 / h)));
  };
  // The calling thread (thread 0) reports the rows in order as its own share of
  // the rows advances; whatever is left is reported once all rows are done.
  int reported = 0;
#pragma omp parallel if (Worth(w, h))
  {
    const int nt = omp_get_num_threads(), id = omp_get_thread_num();
    const int y0 = static_cast<int>(int64_t{h} * id / nt), y1 = static_cast<int>(int64_t{h} * (id + 1) / nt);
    for (int y = y0; y < y1; ++y) {
      const uint8_t* s = source.ScanLine(y);
      uint8_t* m = match.Row(y);
      for (int x = 0; x < w; ++x, s += 3) m[x] = matcher.Matches(s[0], s[1], s[2]);
      if (id == 0 && progress) {
        const int upTo = static_cast<int>(int64_t{y - y0 + 1} * h / (y1 - y0));
        for (; reported < upTo; ++reported) reportRow(reported);
      }
    }
  }
  for (; reported < h; ++reported) reportRow(reported);
}

namespace {

// black[k]: the clean-up leaves a pixel black when k of the 9 pixels of its
// clamped window were black: the box average of k blacks among whites is the grey
// (9 - k)*255 div 9, black after the threshold when its luminance is at most 200.
struct TVoteTable {
  uint8_t black[10];
  TVoteTable() {
    for (int k = 0; k <= 9; ++k) {
      const int v = (9 - k) * 255 / 9;
      black[k] = Luminance(v, v, v) <= 200;
    }
  }
};

}  // namespace

void VoteRow(const TPlane& match, int y, uint8_t* out) {
  static const TVoteTable table;
  const int w = match.W(), h = match.H();
  const uint8_t* a = match.Row(std::max(y - 1, 0));
  const uint8_t* b = match.Row(y);
  const uint8_t* c = match.Row(std::min(y + 1, h - 1));
  auto col = [&](int x) { return a[x] + b[x] + c[x]; };
  if (w == 1) {
    out[0] = table.black[3 * col(0)];
    return;
  }
  int left = col(0), mid = left, right = col(1);
  for (int x = 0; x < w; ++x) {
    out[x] = table.black[left + mid + right];
    left = mid;
    mid = right;
    right = col(std::min(x + 2, w - 1));
  }
}

namespace {

// The Gaussian blur of a black-and-white line depends only on which of the 2h+1
// window pixels are white: entry p holds the blurred level of window pattern p
// (bit j set = the pixel at offset j - h is white), summed exactly as the general
// blur sums it.
struct TBinaryBlur {
  TGaussianKernel kernel;
  int half = 0;
  uint32_t fullMask = 0;
  std::vector<uint8_t> level;
  TBinaryBlur() : kernel(GaussianKernelFor(ContourSigma)), half(kernel.Half) {
    const int taps = 2 * half + 1;
    fullMask = (uint32_t{1} << taps) - 1;
    // The general blur adds w_t * v(x - t) for t = -h .. h, v(x - t) at bit h - t.
    // Patterns sharing their first taps share those partial sums, so the sums are
    // built tap by tap, the first tap ending in the highest bit.
    std::vector<double> sums{0.0}, next;
    for (int t = -half; t <= half; ++t) {
      const double wt = kernel.W(t);
      next.resize(sums.size() * 2);
      for (size_t p = 0; p < sums.size(); ++p) {
        double black = sums[p], white = sums[p];
        black += wt * 0;
        white += wt * 255;
        next[2 * p] = black;
        next[2 * p + 1] = white;
      }
      sums.swap(next);
    }
    level.resize(sums.size());
    for (size_t p = 0; p < sums.size(); ++p) level[p] = GaussianLevel(sums[p]);
  }
};

const TBinaryBlur& BinaryBlur() {
  static const TBinaryBlur blur;
  return blur;
}

// Row blur of a line of 0/255 values given as white flags.
void BlurBinaryRow(const uint8_t* white, int w, uint8_t* out) {
  const TBinaryBlur& bb = BinaryBlur();
  const int h = bb.half;
  uint32_t p = 0;
  for (int j = 0; j <= 2 * h; ++j) p |= uint32_t{white[Clamp(j - h, 0, w - 1)]} << j;
  for (int x = 0; x < w; ++x) {
    out[x] = bb.level[p];
    p = (p >> 1) | (uint32_t{white[std::min(x + h + 1, w - 1)]} << (2 * h));
  }
}

}  // namespace

void ProgressiveContour(TPlane& match, TPlane& levels, const TProgressSink& progress) {
  const int w = match.W(), h = match.H(), r = ErosionRadius;
  // Clean-up, then the row half of the erosion: levels[y][x] = 1 when the vote
  // left all of x - r .. x + r black and x is clear of the border band.
#pragma omp parallel if (Worth(w, h))
  {
    std::vector<uint8_t> vote(static_cast<size_t>(w));
    std::vector<int> run(static_cast<size_t>(w));
#pragma omp for schedule(static)
    for (int y = 0; y < h; ++y) {
      VoteRow(match, y, vote.data());
      int n = 0;
      for (int x = 0; x < w; ++x) run[x] = n = vote[x] ? n + 1 : 0;
      uint8_t* out = levels.Row(y);
      for (int x = 0; x < w; ++x)
        out[x] = x >= r + 1 && x <= w - r - 2 && run[x + r] >= 2 * r + 1;
    }
  }
  Report(progress, "Processing", 10);

  // Column half of the erosion (the band along the top and bottom rows included),
  // then the row blur into `match`.
#pragma omp parallel if (Worth(w, h))
  {
    std::vector<uint8_t> white(static_cast<size_t>(w));
#pragma omp for schedule(static)
    for (int y = 0; y < h; ++y) {
      if (y < r + 1 || y > h - r - 2) {
        std::fill(white.begin(), white.end(), 1);
      } else {
        std::fill(white.begin(), white.end(), 0);
        for (int j = -r; j <= r; ++j) {
          const uint8_t* row = levels.Row(y + j);
          for (int x = 0; x < w; ++x) white[x] |= row[x] ^ 1;
        }
      }
      BlurBinaryRow(white.data(), w, match.Row(y));
    }
  }

  // Column blur of the row blur into `levels`. Where the 2h+1 window of a column
  // holds only 0 and 255 the level comes from the pattern table; elsewhere it is
  // summed like the general blur, over contiguous spans.
  const TBinaryBlur& bb = BinaryBlur();
  const int half = bb.half;
  const TGaussianKernel& k = bb.kernel;
  const TPlane& rows = match;
#pragma omp parallel if (Worth(w, h))
  {
    const int nt = omp_get_num_threads(), id = omp_get_thread_num();
    const int y0 = static_cast<int>(int64_t{h} * id / nt), y1 = static_cast<int>(int64_t{h} * (id + 1) / nt);
    std::vector<uint32_t> pattern(static_cast<size_t>(w), 0);
    std::vector<uint8_t> mixed(static_cast<size_t>(w), 0);
    std::vector<double> acc(static_cast<size_t>(w));
    std::vector<const uint8_t*> win(static_cast<size_t>(2 * half + 1));
    auto isMixed = [](uint8_t v) -> uint8_t { return v != 0 && v != 255; };
    if (y0 < y1) {
      for (int j = 0; j <= 2 * half; ++j) {
        const uint8_t* row = rows.Row(Clamp(y0 - half + j, 0, h - 1));
        for (int x = 0; x < w; ++x) {
          pattern[x] |= uint32_t{row[x] == 255} << j;
          mixed[x] += isMixed(row[x]);
        }
      }
    }
    for (int y = y0; y < y1; ++y) {
      uint8_t* out = levels.Row(y);
      for (int j = 0; j <= 2 * half; ++j) win[j] = rows.Row(Clamp(y - half + j, 0, h - 1));
      int x = 0;
      while (x < w) {
        if (!mixed[x]) {
          out[x] = bb.level[pattern[x]];
          ++x;
          continue;
        }
        int x1 = x;
        while (x1 < w && mixed[x1]) ++x1;
        // acc += w_t * v(y - t) for t = -h .. h, i.e. window slot j = h - t.
        for (int i = x; i < x1; ++i) acc[i] = 0;
        for (int t = -half; t <= half; ++t) {
          const double wt = k.W(t);
          const uint8_t* src = win[half - t];
          for (int i = x; i < x1; ++i) acc[i] += wt * src[i];
        }
        for (int i = x; i < x1; ++i) out[i] = GaussianLevel(acc[i]);
        x = x1;
      }
      if (y + 1 < y1) {
        const uint8_t* gone = win[0];
        const uint8_t* next = rows.Row(std::min(y + half + 1, h - 1));
        for (int i = 0; i < w; ++i) {
          pattern[i] = (pattern[i] >> 1) | (uint32_t{next[i] == 255} << (2 * half));
          mixed[i] = static_cast<uint8_t>(mixed[i] + isMixed(next[i]) - isMixed(gone[i]));
        }
      }
    }
  }
}

void PlainContour(TPlane& match, TPlane& scratch, TPlane& levels, const TProgressSink& progress) {
  const int w = match.W(), h = match.H();
#pragma omp parallel for schedule(static) if (Worth(w, h))
  for (int y = 0; y < h; ++y) VoteRow(match, y, scratch.Row(y));
  Report(progress, "Processing", 10);

  // Cross erosion: black survives where its four neighbours are black too, a
  // neighbour outside the image counting as white. `match` becomes the black map.
  TPlane& black = match;
#pragma omp parallel for schedule(static) if (Worth(w, h))
  for (int y = 0; y < h; ++y) {
    uint8_t* out = black.Row(y);
    if (y == 0 || y == h - 1) {
      std::memset(out, 0, static_cast<size_t>(w));
      continue;
    }
    const uint8_t* a = scratch.Row(y - 1);
    const uint8_t* b = scratch.Row(y);
    const uint8_t* c = scratch.Row(y + 1);
    out[0] = 0;
    for (int x = 1; x < w - 1; ++x) out[x] = b[x] & a[x] & c[x] & b[x - 1] & b[x + 1];
    if (w > 1) out[w - 1] = 0;
  }

  // Ramps only lower non-black pixels and never make one black, so every decision
  // reads the black map, and a pixel reached by several ramps keeps the smallest
  // value whatever the order. Horizontal ramps stay in their row, vertical ones in
  // their column: rows, then column stripes, run in parallel.
  std::vector<std::vector<uint8_t>> ramps(RampLimit);
  for (int j = 1; j < RampLimit; ++j) ramps[j] = RampValues(j);
  auto isBlack = [&](int x, int y) { return black.Row(y)[x] != 0; };

#pragma omp parallel for schedule(static) if (Worth(w, h))
  for (int y = 0; y < h; ++y) {
    uint8_t* out = levels.Row(y);
    const uint8_t* b = black.Row(y);
    for (int x = 0; x < w; ++x) out[x] = b[x] ? 0 : 255;
    // Run from x0 stepping dx along row y, beside row `other`.
    auto run = [&](int x0, int dx, int other) {
      const uint8_t* o = black.Row(other);
      int n = 0;
      for (int x = x0; x >= 0 && x < w && n < RampLimit && !b[x] && o[x]; x += dx) ++n;
      if (n == 0 || n >= RampLimit) return;
      const std::vector<uint8_t>& v = ramps[n];
      for (int d = 0; d < n; ++d) {
        uint8_t& p = out[x0 + d * dx];
        p = std::min(p, v[d]);
      }
    };
    for (int x = 1; x <= w - 2; ++x) {
      if (!b[x]) continue;
      if (!b[x - 1]) {
        if (y > 0) run(x - 1, -1, y - 1);
        if (y < h - 1) run(x - 1, -1, y + 1);
      }
      if (!b[x + 1]) {
        if (y > 0) run(x + 1, 1, y - 1);
        if (y < h - 1) run(x + 1, 1, y + 1);
      }
    }
  }

  constexpr int Stripe = 64;
  const int stripes = (w + Stripe - 1) / Stripe;
#pragma omp parallel for schedule(static) if (Worth(w, h))
  for (int s = 0; s < stripes; ++s) {
    const int xa = s * Stripe, xb = std::min(w, xa + Stripe);
    auto run = [&](int x, int y0, int dy, int ox) {
      int n = 0;
      for (int y = y0; y >= 0 && y < h && n < RampLimit && !isBlack(x, y) && isBlack(ox, y); y += dy) ++n;
      if (n == 0 || n >= RampLimit) return;
      const std::vector<uint8_t>& v = ramps[n];
      for (int d = 0; d < n; ++d) {
        uint8_t& p = levels.Row(y0 + d * dy)[x];
        p = std::min(p, v[d]);
      }
    };
    for (int y = 1; y <= h - 2; ++y) {
      const uint8_t* b = black.Row(y);
      const uint8_t* above = black.Row(y - 1);
      const uint8_t* below = black.Row(y + 1);
      for (int x = xa; x < xb; ++x) {
        if (!b[x]) continue;
        if (!above[x]) {
          if (x > 0) run(x, y - 1, -1, x - 1);
          if (x < w - 1) run(x, y - 1, -1, x + 1);
        }
        if (!below[x]) {
          if (x > 0) run(x, y + 1, 1, x - 1);
          if (x < w - 1) run(x, y + 1, 1, x + 1);
        }
      }
    }
  }
}

}  // namespace velinor::detail
