#include "KeepPlanes.h"

#include <algorithm>
#include <atomic>
#include <bit>
#include <cstring>
#include <exception>
#include <functional>
#include <vector>

#include <omp.h>

#include "MaskShaping.h"
#include "ToneCompositing.h"
#include "base/Arith.h"

namespace velinor::detail {

uint8_t* TScratch::Take(size_t bytes, size_t align) {
  bytes = std::max<size_t>(bytes, 1);
  const size_t skip = (align - reinterpret_cast<uintptr_t>(next_) % align) % align;
  if (next_ && left_ >= skip + bytes) {
    uint8_t* p = next_ + skip;
    next_ = p + bytes;
    left_ -= skip + bytes;
    return p;
  }
  owned_.push_back(std::make_unique_for_overwrite<uint8_t[]>(bytes + 64));
  uint8_t* p = owned_.back().get();
  return p + (64 - reinterpret_cast<uintptr_t>(p) % 64) % 64;
}

TBitRows::TBitRows(int w, int h, TScratch& scratch)
    : w_(w), h_(h), words_((w + 63) / 64 + 2),
      data_(reinterpret_cast<uint64_t*>(scratch.Take(sizeof(uint64_t) * size_t(words_) * size_t(h)))) {}

namespace {

// Rows are handed out to the threads in small tasks as they become free: every
// row's result depends on nothing but its inputs, so the output is the same
// whichever thread computes it, and a thread that the system holds back does not
// hold the others back.
constexpr int RowsPerTask = 16;

// Small images are not worth waking the other threads for.
bool Worth(int w, int h) { return int64_t{w} * h >= (int64_t{1} << 16); }

// Word k of a padded bit row, read d pixels further on (bit j = pixel 64(k-1) + j + d),
// |d| < 64.
inline uint64_t Shifted(const uint64_t* row, int k, int d) {
  if (d > 0) return (row[k] >> d) | (row[k + 1] << (64 - d));
  if (d < 0) return (row[k] << -d) | (row[k - 1] >> (64 + d));
  return row[k];
}

// Fills the padding of a row (and the bits past the last pixel) with copies of the
// first and last pixels, so that shifted reads see the clamped neighbours.
void PadReplicate(uint64_t* row, int w) {
  const int nw = (w + 63) / 64;
  const bool first = row[1] & 1;
  const int lx = w - 1;
  const bool last = (row[1 + (lx >> 6)] >> (lx & 63)) & 1;
  row[0] = first ? ~uint64_t{0} : 0;
  const int used = w - 64 * (nw - 1);  // bits used in the last data word
  if (used < 64) {
    const uint64_t keep = (uint64_t{1} << used) - 1;
    row[nw] = (row[nw] & keep) | (last ? ~keep : 0);
  }
  row[nw + 1] = last ? ~uint64_t{0} : 0;
}

// A row of the bits of x in [lo, hi] (data words only).
std::vector<uint64_t> RangeBits(int w, int lo, int hi) {
  std::vector<uint64_t> bits(static_cast<size_t>((w + 63) / 64 + 2), 0);
  for (int x = std::max(lo, 0); x <= std::min(hi, w - 1); ++x) bits[1 + (x >> 6)] |= uint64_t{1} << (x & 63);
  return bits;
}

constexpr int ErosionRadius = 3;
// Pixels per block of the column blur's uniformity test.
constexpr int BlockPixels = 16;
constexpr double ContourSigma = 3;
constexpr int RampLimit = 33;

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

// The column blur of pixels x0 .. x1-1 of one row: for t = -h .. h in that order,
// sum += w_t * v(y - t) in double precision, window slot h - t. The products of a
// single-precision weight and a byte are exact, so the wider vector units the
// clones use give the same sums.
__attribute__((target_clones("avx2", "default")))
void BlurColumnSpan(const uint8_t* const* win, const float* weights, int half, int x0, int x1,
                    uint8_t* out) {
  constexpr int Lanes = 16;  // kept in registers through all the taps
  int x = x0;
  for (; x + Lanes <= x1; x += Lanes) {
    double acc[Lanes] = {};
    for (int t = -half; t <= half; ++t) {
      const double wt = weights[t + half];
      const uint8_t* src = win[half - t] + x;
      for (int i = 0; i < Lanes; ++i) acc[i] += wt * src[i];
    }
    for (int i = 0; i < Lanes; ++i) out[x + i] = GaussianLevel(acc[i]);
  }
  for (; x < x1; ++x) {
    double acc = 0;
    for (int t = -half; t <= half; ++t) acc += static_cast<double>(weights[t + half]) * win[half - t][x];
    out[x] = GaussianLevel(acc);
  }
}

// The match bits of one row of w pixels into words, 64 pixels a word. Each bit
// enters at the top and moves down, so that every shift is by a constant.
__attribute__((target_clones("arch=haswell", "default")))
void MatchRow(const TColorMatcher& matcher, const uint8_t* s, int w, uint64_t* words) {
  for (int x0 = 0; x0 < w; x0 += 64, ++words) {
    const int n = std::min(64, w - x0);
    uint64_t word = 0;
    for (int j = 0; j < n; ++j, s += 3) word = (word >> 1) | (uint64_t{matcher.Matches(s[0], s[1], s[2])} << 63);
    *words = word >> (64 - n);
  }
}

const TBinaryBlur& BinaryBlur() {
  static const TBinaryBlur blur;
  return blur;
}

}  // namespace

void MatchBits(const TBitmap& source, const TColorMatcher& matcher, TBitRows& match,
               const TProgressSink& progress) {
  const int w = match.W(), h = match.H();
  if (progress) progress("Calculating", 0);
  auto reportRow = [&](int y) {
    progress("Calculating", static_cast<int>(Round((y + 1) * 100.0 / h)));
  };
  // The calling thread (thread 0) reports, in order, the rows finished so far by
  // all threads; whatever is left is reported once all rows are done. An
  // exception from the sink may not leave the parallel region: it is kept and
  // rethrown after it.
  int reported = 0;
  std::atomic<int> finished{0};
  std::exception_ptr failure;
#pragma omp parallel if (Worth(w, h))
  {
    const bool reporter = omp_get_thread_num() == 0 && progress;
#pragma omp for schedule(dynamic, RowsPerTask)
    for (int y = 0; y < h; ++y) {
      uint64_t* row = match.Row(y);
      MatchRow(matcher, source.ScanLine(y), w, row + 1);
      PadReplicate(row, w);
      const int done = finished.fetch_add(1, std::memory_order_relaxed) + 1;
      if (reporter && !failure) {
        try {
          for (; reported < done; ++reported) reportRow(reported);
        } catch (...) {
          failure = std::current_exception();
        }
      }
    }
  }
  if (failure) std::rethrow_exception(failure);
  if (progress)
    for (; reported < h; ++reported) reportRow(reported);
}

void VoteBits(const TBitRows& match, TBitRows& vote) {
  const int w = match.W(), h = match.H(), nw = match.DataWords();
#pragma omp parallel for schedule(dynamic, RowsPerTask) if (Worth(w, h))
  for (int y = 0; y < h; ++y) {
    const uint64_t* rows[3] = {match.Row(std::max(y - 1, 0)), match.Row(y), match.Row(std::min(y + 1, h - 1))};
    uint64_t* out = vote.Row(y);
    for (int k = 1; k <= nw; ++k) {
      // At least two of the nine: bit-sliced counting up to two.
      uint64_t ones = 0, twos = 0;
      for (const uint64_t* r : rows)
        for (int d = -1; d <= 1; ++d) {
          const uint64_t v = Shifted(r, k, d);
          twos |= ones & v;
          ones |= v;
        }
      out[k] = twos;
    }
    PadReplicate(out, w);
  }
}

void ProgressiveLevels(const TBitRows& vote, TPlane& rowBlur, TPlane& levels, TScratch& scratch) {
  const int w = vote.W(), h = vote.H(), nw = vote.DataWords(), r = ErosionRadius;
  // Square erosion: a black pixel stays black exactly when its whole (2r+1)^2
  // window is black and it lies more than r pixels inside the image (every
  // border pixel is a boundary pixel). Rows first: all of x - r .. x + r black.
  TBitRows across(w, h, scratch);
  const std::vector<uint64_t> band = RangeBits(w, r + 1, w - r - 2);
#pragma omp parallel for schedule(dynamic, RowsPerTask) if (Worth(w, h))
  for (int y = 0; y < h; ++y) {
    const uint64_t* in = vote.Row(y);
    uint64_t* out = across.Row(y);
    for (int k = 1; k <= nw; ++k) {
      uint64_t all = band[k];
      for (int d = -r; d <= r; ++d) all &= Shifted(in, k, d);
      out[k] = all;
    }
  }

  // Then columns, giving the white pixels of the eroded mask, and the row blur.
  // Each 16-pixel block of a blurred row is classed: 0 all black (every window
  // black), 1 all white, 2 anything else.
  const TBinaryBlur& bb = BinaryBlur();
  const int half = bb.half;
  const uint8_t whiteLevel = bb.level[bb.fullMask], blackLevel = bb.level[0];
  const bool byteAligned = (64 - half) % 8 == 0 && half <= 8;
  const int blocks = (w + BlockPixels - 1) / BlockPixels;
  std::vector<uint8_t> blockClass(static_cast<size_t>(h) * blocks);
#pragma omp parallel if (Worth(w, h))
  {
    std::vector<uint64_t> white(static_cast<size_t>(nw) + 3, ~uint64_t{0});
    const uint8_t* bytes = reinterpret_cast<const uint8_t*>(white.data());
#pragma omp for schedule(dynamic, RowsPerTask)
    for (int y = 0; y < h; ++y) {
      if (y < r + 1 || y > h - r - 2) {
        std::fill(white.begin(), white.end(), ~uint64_t{0});
      } else {
        for (int k = 1; k <= nw; ++k) {
          uint64_t all = ~uint64_t{0};
          for (int j = -r; j <= r; ++j) all &= across.Row(y + j)[k];
          white[k] = ~all;  // the band keeps the pad bits past the last pixel white
        }
      }
      uint8_t* classes = blockClass.data() + static_cast<size_t>(y) * blocks;
      for (int b = 0; b < blocks; ++b) {
        // The windows of the block read the bits x0 - h .. x0 + 15 + h: padded
        // positions from x0 + 64 - h, four whole bytes for h = 8.
        uint32_t span;
        std::memcpy(&span, bytes + ((BlockPixels * b + 64 - half) >> 3), 4);
        classes[b] = !byteAligned || half != 8 ? 2 : (span == ~uint32_t{0} ? 1 : (span == 0 ? 0 : 2));
      }
      uint8_t* out = rowBlur.Row(y);
      // Pixel x reads the bits x - h .. x + h, at padded bit positions x + 64 - h;
      // eight pixels whose windows lie in three uniform bytes are uniform.
      for (int x = 0; x < w; x += 8) {
        const int n = std::min(8, w - x);
        if (byteAligned && n == 8) {
          uint32_t span = 0;
          std::memcpy(&span, bytes + ((x + 64 - half) >> 3), 3);
          if (span == 0xFFFFFF || span == 0) {
            std::memset(out + x, span ? whiteLevel : blackLevel, 8);
            continue;
          }
        }
        for (int i = x; i < x + n; ++i) {
          const int g = i + 64 - half;
          uint32_t v;
          std::memcpy(&v, bytes + (g >> 3), 4);
          out[i] = bb.level[(v >> (g & 7)) & bb.fullMask];
        }
      }
    }
  }

  // Column blur, block by block: a block whose 2h+1 window rows are all uniform
  // alike is uniform (its window class, found by sliding down each block column);
  // the others are summed like the general blur.
  const TGaussianKernel& k = bb.kernel;
  const int taps = 2 * half + 1;
  float weights[2 * 100 + 1];
  for (int t = -half; t <= half; ++t) weights[t + half] = k.W(t);
  std::vector<uint8_t> windowClass(blockClass.size());
#pragma omp parallel for schedule(dynamic, RowsPerTask) if (Worth(w, h))
  for (int b = 0; b < blocks; ++b) {
    auto cls = [&](int y) { return blockClass[static_cast<size_t>(Clamp(y, 0, h - 1)) * blocks + b]; };
    int count[3] = {0, 0, 0};
    for (int j = -half; j <= half; ++j) ++count[cls(j)];
    for (int y = 0; y < h; ++y) {
      windowClass[static_cast<size_t>(y) * blocks + b] =
          count[0] == taps ? 0 : (count[1] == taps ? 1 : 2);
      --count[cls(y - half)];
      ++count[cls(y + half + 1)];
    }
  }
#pragma omp parallel if (Worth(w, h))
  {
    std::vector<const uint8_t*> win(static_cast<size_t>(taps));
#pragma omp for schedule(dynamic, RowsPerTask)
    for (int y = 0; y < h; ++y) {
      uint8_t* out = levels.Row(y);
      // Window slot j holds row y - h + j, the term of offset t = h - j.
      for (int j = 0; j < taps; ++j) win[j] = rowBlur.Row(Clamp(y - half + j, 0, h - 1));
      const uint8_t* classes = windowClass.data() + static_cast<size_t>(y) * blocks;
      int spanStart = -1;
      for (int b = 0; b <= blocks; ++b) {
        const uint8_t c = b < blocks ? classes[b] : 0;
        const int x0 = BlockPixels * b;
        if (c == 2) {
          if (spanStart < 0) spanStart = x0;
          continue;
        }
        if (spanStart >= 0) {
          BlurColumnSpan(win.data(), weights, half, spanStart, std::min(x0, w), out);
          spanStart = -1;
        }
        if (b < blocks)
          std::memset(out + x0, c ? whiteLevel : blackLevel,
                      static_cast<size_t>(std::min(BlockPixels, w - x0)));
      }
    }
  }
}

void PlainLevels(const TBitRows& vote, TPlane& levels, TScratch& scratch) {
  const int w = vote.W(), h = vote.H(), nw = vote.DataWords();
  // Cross erosion: black survives where its four neighbours are black too, a
  // neighbour outside the image counting as white.
  TBitRows black(w, h, scratch);
  const std::vector<uint64_t> inner = RangeBits(w, 1, w - 2);
  std::fill_n(black.Row(0), nw + 2, 0);
  std::fill_n(black.Row(h - 1), nw + 2, 0);
#pragma omp parallel for schedule(dynamic, RowsPerTask) if (Worth(w, h))
  for (int y = 1; y < h - 1; ++y) {
    const uint64_t* a = vote.Row(y - 1);
    const uint64_t* b = vote.Row(y);
    const uint64_t* c = vote.Row(y + 1);
    uint64_t* out = black.Row(y);
    out[0] = out[nw + 1] = 0;
    for (int k = 1; k <= nw; ++k)
      out[k] = inner[k] & a[k] & b[k] & c[k] & Shifted(b, k, -1) & Shifted(b, k, 1);
  }

  // Ramps only lower non-black pixels and never make one black, so every decision
  // reads the black map, and a pixel reached by several ramps keeps the smallest
  // value whatever the order. Horizontal ramps stay in their row, vertical ones in
  // their column: rows, then 64-column stripes, run in parallel.
  // Eight black bits as eight levels (0 black, 255 white), in memory order.
  uint64_t levelsOfByte[256];
  for (int v = 0; v < 256; ++v) {
    uint8_t bytes[8];
    for (int j = 0; j < 8; ++j) bytes[j] = (v >> j) & 1 ? 0 : 255;
    std::memcpy(&levelsOfByte[v], bytes, 8);
  }
  std::vector<std::vector<uint8_t>> ramps(RampLimit);
  for (int j = 1; j < RampLimit; ++j) ramps[j] = RampValues(j);
  auto ramp = [&](uint8_t* first, ptrdiff_t step, int n) {
    const std::vector<uint8_t>& v = ramps[n];
    for (int d = 0; d < n; ++d, first += step) *first = std::min(*first, v[d]);
  };

#pragma omp parallel for schedule(dynamic, RowsPerTask) if (Worth(w, h))
  for (int y = 0; y < h; ++y) {
    const uint64_t* b = black.Row(y);
    uint8_t* out = levels.Row(y);
    for (int x0 = 0; x0 < w; x0 += 64) {
      const uint64_t word = b[1 + (x0 >> 6)];
      const int n = std::min(64, w - x0);
      if (word == 0) {
        std::memset(out + x0, 255, static_cast<size_t>(n));
      } else if (n == 64) {
        for (int q = 0; q < 8; ++q) std::memcpy(out + x0 + 8 * q, &levelsOfByte[(word >> (8 * q)) & 0xFF], 8);
      } else {
        for (int j = 0; j < n; ++j) out[x0 + j] = (word >> j) & 1 ? 0 : 255;
      }
    }
    // From a black pixel x, the run of pixels going dx that are non-black in this
    // row and black in row `other`.
    auto run = [&](int x, int dx, int other) {
      int n = 0;
      for (int p = x + dx; p >= 0 && p < w && n < RampLimit && !black.Bit(p, y) && black.Bit(p, other); p += dx) ++n;
      if (n > 0 && n < RampLimit) ramp(out + x + dx, dx, n);
    };
    for (int k = 1; k <= nw; ++k) {
      // Black pixels whose left (right) neighbour is not black; the border
      // columns are never black.
      for (int pass = 0; pass < 2; ++pass) {
        const int dx = pass == 0 ? -1 : 1;
        for (uint64_t s = b[k] & ~Shifted(b, k, dx); s; s &= s - 1) {
          const int x = 64 * (k - 1) + std::countr_zero(s);
          if (y > 0) run(x, dx, y - 1);
          if (y < h - 1) run(x, dx, y + 1);
        }
      }
    }
  }

#pragma omp parallel for schedule(dynamic, RowsPerTask) if (Worth(w, h))
  for (int k = 1; k <= nw; ++k) {
    auto run = [&](int x, int y, int dy, int ox) {
      int n = 0;
      for (int q = y + dy; q >= 0 && q < h && n < RampLimit && !black.Bit(x, q) && black.Bit(ox, q); q += dy) ++n;
      if (n > 0 && n < RampLimit) ramp(levels.Row(y + dy) + x, dy * static_cast<ptrdiff_t>(w), n);
    };
    for (int y = 1; y < h - 1; ++y) {
      const uint64_t b = black.Row(y)[k];
      for (int pass = 0; pass < 2; ++pass) {
        const int dy = pass == 0 ? -1 : 1;
        for (uint64_t s = b & ~black.Row(y + dy)[k]; s; s &= s - 1) {
          const int x = 64 * (k - 1) + std::countr_zero(s);
          if (x > 0) run(x, y, dy, x - 1);
          if (x < w - 1) run(x, y, dy, x + 1);
        }
      }
    }
  }
}

void ForRowsThenExpandLevels(TBitmap& mask, const std::function<void(int)>& rowWork) {
  const int w = mask.Width(), h = mask.Height();
  if (w <= 0 || h <= 0) return;
  uint8_t* base = mask.Bits();
  auto row = [&](int y) {  // y >= 1: the row lies past its own levels
    rowWork(y);
    const uint8_t* g = base + static_cast<size_t>(w) * y;
    uint8_t* m = mask.ScanLine(y);
    int x = 0;
    for (; x + 4 <= w; x += 4) {
      // Four levels as twelve bytes.
      const uint32_t a = g[x], b = g[x + 1], c = g[x + 2], d = g[x + 3];
      const uint32_t w0 = a * 0x010101u | b << 24, w1 = b * 0x0101u | c * 0x01010000u,
                     w2 = c | d * 0x01010100u;
      std::memcpy(m + 3 * x, &w0, 4);
      std::memcpy(m + 3 * x + 4, &w1, 4);
      std::memcpy(m + 3 * x + 8, &w2, 4);
    }
    for (; x < w; ++x) m[3 * x] = m[3 * x + 1] = m[3 * x + 2] = g[x];
  };
  // Rows lo .. hi-1 are written at or past byte 3 W lo >= W hi, beyond the levels
  // of every row not yet done, so each such band of rows runs in parallel; the
  // bands go from the bottom up, the last small ones on one thread.
  for (int hi = h; hi > 1;) {
    const int lo = std::max(1, (hi + 2) / 3);
    if (int64_t{hi - lo} * w >= (int64_t{1} << 20)) {
#pragma omp parallel for schedule(dynamic, RowsPerTask)
      for (int y = lo; y < hi; ++y) row(y);
    } else {
      for (int y = hi - 1; y >= lo; --y) row(y);
    }
    hi = lo;
  }
  // Row 0 overlaps its own levels: right to left.
  rowWork(0);
  for (int x = w - 1; x >= 0; --x) {
    const uint8_t v = base[x];
    uint8_t* m = mask.ScanLine(0) + 3 * x;
    m[0] = m[1] = m[2] = v;
  }
}

}  // namespace velinor::detail
