#pragma once
// The row kernels of the colour keep's fast path, shared by its two contours:
// rows of bits (64 pixels a word, one padding word on each side), the matching of
// a source row, the vote of a row, the Gaussian blur of black-and-white rows, the
// tone and composite of a row and the 24-bit mask row. Internal to KeepColors;
// each gives exactly what the general operations give.
#include <bit>
#include <cstdint>
#include <cstring>
#include <vector>

#include "core/engine/ColorMatch.h"
#include "core/engine/MaskShaping.h"
#include "core/engine/ToneCompositing.h"

namespace velinor::detail {

// Words of a padded bit row of w pixels.
constexpr int PaddedWords(int w) { return (w + 63) / 64 + 2; }

// Word k of a padded bit row, read d pixels further on (bit j = pixel 64(k-1) + j + d),
// |d| < 64.
inline uint64_t Shifted(const uint64_t* row, int k, int d) {
  if (d > 0) return (row[k] >> d) | (row[k + 1] << (64 - d));
  if (d < 0) return (row[k] << -d) | (row[k - 1] >> (64 + d));
  return row[k];
}

// Fills the padding of a row (and the bits past the last pixel) with copies of the
// first and last pixels, so that shifted reads see the clamped neighbours.
void PadReplicate(uint64_t* row, int w);

// A padded row of the bits of x in [lo, hi].
std::vector<uint64_t> RangeBits(int w, int lo, int hi);

// The row kernels use the processor's 512-bit units where it has them (the same
// results); false keeps them to the portable loops, so that tests check both.
void AllowWideUnits(bool allow);

// The match bits of one row of w pixels into data words, 64 pixels a word.
void MatchRow(const TColorMatcher& matcher, const uint8_t* s, int w, uint64_t* words);

// The clean-up of one row as the vote of its clamped 3 x 3 window: a bit ends set
// (black) when at least TKeepRecipe::VoteCount of the nine were set. above, row and
// below are padded match rows (the clamped neighbours); out is padded too.
void VoteRow(const uint64_t* above, const uint64_t* row, const uint64_t* below, int w, uint64_t* out);

// The Gaussian blur of a black-and-white line depends only on which of the 2h+1
// window pixels are white: entry p holds the blurred level of window pattern p
// (bit j set = the pixel at offset j - h is white), summed exactly as the general
// blur sums it.
struct TBinaryBlur {
  TGaussianKernel kernel;
  int half = 0;
  uint32_t fullMask = 0;
  std::vector<uint8_t> level;
  float weights[2 * 100 + 1] = {};  // offset t at t + half
  TBinaryBlur();
};
const TBinaryBlur& BinaryBlur();

// The column blur of pixels x0 .. x1-1 of one row: win[j] is the row blurred along
// rows at offset j - h, summed for t = -h .. h as the general blur sums them.
void BlurColumnSpan(const uint8_t* const* win, const float* weights, int half, int x0, int x1,
                    uint8_t* out);

// w levels as w grey 24-bit pixels.
void ExpandLevels(const uint8_t* levels, uint8_t* pixels, int w);

// Copies n bytes to memory that is not read again soon (the rows of a picture),
// past the caches where the processor can; StreamFence makes such copies visible
// to the other threads.
void StreamCopy(uint8_t* dst, const uint8_t* src, size_t n);
void StreamFence();

// The tone of every pixel by its weighted sum s = 11 B + 59 G + 30 R: the grey
// level is s div 100 except when s is a whole hundred, where the extended
// evaluation decides (marked 255 in the level table, which no other sum reaches:
// only s = 25500 gives 255). The table of levels is small enough to stay in the
// first-level cache. Tones pack B | G << 8 | R << 16.
struct TToneTable {
  static constexpr int MaxSum = 11 * 255 + 59 * 255 + 30 * 255;
  uint8_t levelBySum[MaxSum + 1];
  uint32_t byLevel[256];
  explicit TToneTable(bool sepia);
  uint32_t Of(const uint8_t* p) const {
    int level = levelBySum[11 * p[0] + 59 * p[1] + 30 * p[2]];
    if (level == 255) level = Luminance(p[0], p[1], p[2]);
    return byLevel[level];
  }
};

// Pixels are moved as 32-bit words whose low byte is the first in memory.
static_assert(std::endian::native == std::endian::little);

// ToneResult and BlendThroughMask on one pixel with mask level m, as B | G << 8 |
// R << 16.
inline uint32_t ToneAndBlendPixel(const TToneTable& tone, const uint8_t* d, const uint8_t* s, int m) {
  if (m == 0) return s[0] | uint32_t{s[1]} << 8 | uint32_t{s[2]} << 16;
  const uint32_t t = tone.Of(d);
  if (m == 255) return t;
  const int tb = t & 0xFF, tg = (t >> 8) & 0xFF, tr = (t >> 16) & 0xFF, k = 255 - m;
  return static_cast<uint32_t>(tb + (s[0] - tb) * k / 255) |
         static_cast<uint32_t>(tg + (s[1] - tg) * k / 255) << 8 |
         static_cast<uint32_t>(tr + (s[2] - tr) * k / 255) << 16;
}

// The first pixels of ToneAndBlendSpan<1> on the processor's 512-bit units,
// sixteen at a time: returns how many it did (0 without such units), the same
// bytes the pixel loop gives.
int ToneAndBlendWide(uint8_t* out, const uint8_t* d, const uint8_t* s, const uint8_t* g, int n,
                     const TToneTable& tone);

// ToneResult and BlendThroughMask on n pixels of a row: each result pixel d is
// toned from its own grey level and moved toward the source pixel s by the mask
// level g[i * step] (255 without levels), into out (d itself, or another row: a
// pixel of level 0 does not read d). Four pixels are stored as three words; runs
// of levels 0 copy the source's bytes.
template <int Step>
void ToneAndBlendSpan(uint8_t* out, const uint8_t* d, const uint8_t* s, const uint8_t* g, int n,
                      const TToneTable& tone) {
  auto level = [g](int i) { return g ? g[i * Step] : 255; };
  int i = 0;
  if constexpr (Step == 1) {
    i = ToneAndBlendWide(out, d, s, g, n, tone);
    d += 3 * i, s += 3 * i, out += 3 * i;
  }
  for (; i + 4 <= n; i += 4, d += 12, s += 12, out += 12) {
    if constexpr (Step == 1) {
      if (g) {
        uint64_t run[8];
        if (i + 64 <= n && (std::memcpy(run, g + i, 64),
                            (run[0] | run[1] | run[2] | run[3] | run[4] | run[5] | run[6] | run[7]) == 0)) {
          std::memcpy(out, s, 192);
          i += 60, d += 180, s += 180, out += 180;
          continue;
        }
        uint32_t four;
        if (std::memcpy(&four, g + i, 4), four == 0) {
          std::memcpy(out, s, 12);
          continue;
        }
      }
    }
    const uint32_t p0 = ToneAndBlendPixel(tone, d, s, level(i));
    const uint32_t p1 = ToneAndBlendPixel(tone, d + 3, s + 3, level(i + 1));
    const uint32_t p2 = ToneAndBlendPixel(tone, d + 6, s + 6, level(i + 2));
    const uint32_t p3 = ToneAndBlendPixel(tone, d + 9, s + 9, level(i + 3));
    const uint32_t w0 = p0 | p1 << 24, w1 = p1 >> 8 | p2 << 16, w2 = p2 >> 16 | p3 << 8;
    std::memcpy(out, &w0, 4);
    std::memcpy(out + 4, &w1, 4);
    std::memcpy(out + 8, &w2, 4);
  }
  for (; i < n; ++i, d += 3, s += 3, out += 3) {
    const uint32_t p = ToneAndBlendPixel(tone, d, s, level(i));
    out[0] = static_cast<uint8_t>(p);
    out[1] = static_cast<uint8_t>(p >> 8);
    out[2] = static_cast<uint8_t>(p >> 16);
  }
}

}  // namespace velinor::detail
