#include "core/engine/detail/KeepPlanes.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <functional>
#include <vector>

#include "core/engine/KeepRecipe.h"
#include "core/engine/MaskShaping.h"
#include "core/engine/ToneCompositing.h"
#include "core/base/Arith.h"
#include "core/base/Parallel.h"
#include "core/engine/detail/KeepRows.h"

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

// Every loop below runs through ParallelRows: each row (or column stripe) is
// computed from planes that no other row of the same loop writes.
constexpr int RampLimit = TKeepRecipe::LongestRamp;

}  // namespace

TRowsDone CalculatingProgress(const TProgressSink& progress, int rows) {
  if (!progress) return {};
  return [progress, rows, reported = 0](int done) mutable {
    for (; reported < done; ++reported)
      progress("Calculating", static_cast<int>(Round((reported + 1) * 100.0 / rows)));
  };
}

void MatchBits(const TBitmap& source, const TColorMatcher& matcher, TBitRows& match,
               const TProgressSink& progress) {
  const int w = match.W(), h = match.H();
  if (progress) progress("Calculating", 0);
  const TRowsDone done = CalculatingProgress(progress, h);
  ParallelRows(0, h, w, [&](int first, int last) {
    for (int y = first; y < last; ++y) {
      uint64_t* row = match.Row(y);
      MatchRow(matcher, source.ScanLine(y), w, row + 1);
      PadReplicate(row, w);
    }
  }, done);
}

void VoteBits(const TBitRows& match, TBitRows& vote) {
  const int w = match.W(), h = match.H();
  ParallelRows(0, h, w, [&](int first, int last) {
    for (int y = first; y < last; ++y)
      VoteRow(match.Row(std::max(y - 1, 0)), match.Row(y), match.Row(std::min(y + 1, h - 1)), w, vote.Row(y));
  });
}

void PlainLevels(const TBitRows& vote, TPlane& levels, TScratch& scratch) {
  const int w = vote.W(), h = vote.H(), nw = vote.DataWords();
  // Cross erosion: black survives where its four neighbours are black too, a
  // neighbour outside the image counting as white.
  TBitRows black(w, h, scratch);
  const std::vector<uint64_t> inner = RangeBits(w, 1, w - 2);
  std::fill_n(black.Row(0), nw + 2, 0);
  std::fill_n(black.Row(h - 1), nw + 2, 0);
  ParallelRows(1, h - 1, w, [&](int first, int last) {
    for (int y = first; y < last; ++y) {
      const uint64_t* a = vote.Row(y - 1);
      const uint64_t* b = vote.Row(y);
      const uint64_t* c = vote.Row(y + 1);
      uint64_t* out = black.Row(y);
      out[0] = out[nw + 1] = 0;
      for (int k = 1; k <= nw; ++k)
        out[k] = inner[k] & a[k] & b[k] & c[k] & Shifted(b, k, -1) & Shifted(b, k, 1);
    }
  });

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

  auto horizontalRamps = [&](int y) {
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
  };
  ParallelRows(0, h, w, [&](int first, int last) {
    for (int y = first; y < last; ++y) horizontalRamps(y);
  });

  auto verticalRamps = [&](int k) {
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
  };
  // 64-column stripes, each the height of the picture.
  ParallelRows(1, nw + 1, int64_t{64} * h, [&](int first, int last) {
    for (int k = first; k < last; ++k) verticalRamps(k);
  });
}

void ForRowsThenExpandLevels(TBitmap& mask, const std::function<void(int first, int last)>& rowWork) {
  const int w = mask.Width(), h = mask.Height();
  if (w <= 0 || h <= 0) return;
  uint8_t* base = mask.Bits();
  auto expand = [&](int y) {  // y >= 1: the row lies past its own levels
    ExpandLevels(base + static_cast<size_t>(w) * y, mask.ScanLine(y), w);
  };
  // Rows lo .. hi-1 are written at or past byte 3 W lo >= W hi, beyond the levels
  // of every row not yet done, so the rows of each such band run in any order and
  // in parallel; the bands go from the bottom up.
  for (int hi = h; hi > 1;) {
    const int lo = std::max(1, (hi + 2) / 3);
    ParallelRows(lo, hi, w, [&](int first, int last) {
      rowWork(first, last);
      for (int y = first; y < last; ++y) expand(y);
    });
    hi = lo;
  }
  // Row 0 overlaps its own levels: right to left.
  rowWork(0, 1);
  for (int x = w - 1; x >= 0; --x) {
    const uint8_t v = base[x];
    uint8_t* m = mask.ScanLine(0) + 3 * x;
    m[0] = m[1] = m[2] = v;
  }
}

}  // namespace velinor::detail
