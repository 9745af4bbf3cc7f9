#include "core/engine/detail/KeepRows.h"

#include <algorithm>
#include <array>
#include <atomic>

// GCC 12 warns about the undefined first operand its own AVX-512 headers pass
// (a false warning of the compiler, not of this code).
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"
#include <immintrin.h>

#include "core/engine/KeepRecipe.h"

namespace velinor::detail {

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

std::vector<uint64_t> RangeBits(int w, int lo, int hi) {
  std::vector<uint64_t> bits(static_cast<size_t>(PaddedWords(w)), 0);
  for (int x = std::max(lo, 0); x <= std::min(hi, w - 1); ++x) bits[1 + (x >> 6)] |= uint64_t{1} << (x & 63);
  return bits;
}

namespace {

// Sixteen B,G,R pixels' bytes sorted into blue, green and red (a byte
// permutation of the wide loops).
alignas(64) constexpr uint8_t Planes[64] = {
    0, 3, 6, 9,  12, 15, 18, 21, 24, 27, 30, 33, 36, 39, 42, 45,  // blue
    1, 4, 7, 10, 13, 16, 19, 22, 25, 28, 31, 34, 37, 40, 43, 46,  // green
    2, 5, 8, 11, 14, 17, 20, 23, 26, 29, 32, 35, 38, 41, 44, 47,  // red
    0, 0, 0, 0,  0,  0,  0,  0,  0,  0,  0,  0,  0,  0,  0,  0};

// Each bit enters at the top and moves down, so that every shift is by a constant.
__attribute__((target_clones("arch=haswell", "default")))
void MatchRowScalar(const TColorMatcher& matcher, const uint8_t* s, int w, uint64_t* words) {
  for (int x0 = 0; x0 < w; x0 += 64, ++words) {
    const int n = std::min(64, w - x0);
    uint64_t word = 0;
    for (int j = 0; j < n; ++j, s += 3) word = (word >> 1) | (uint64_t{matcher.Matches(s[0], s[1], s[2])} << 63);
    *words = word >> (64 - n);
  }
}

// Sixteen pixels a step: their bytes sorted into blue, green and red, and the 32
// blue bits of each (r, g) read as one dword of the cube: dword (r << 11) |
// (g << 3) | (b >> 5) holds the pixel's bit at b & 31 (cube bytes are little-endian
// within a dword). The same bits as the scalar loop.
__attribute__((target("avx512f,avx512bw,avx512vbmi")))
int MatchRowWide(const uint8_t* cube, const uint8_t* s, int w, uint64_t* words) {
  const __m512i planes = _mm512_load_si512(Planes);
  const __m512i low5 = _mm512_set1_epi32(31), one = _mm512_set1_epi32(1);
  const int* base = reinterpret_cast<const int*>(cube);
  int x = 0;
  for (; x + 64 <= w; x += 64, ++words) {
    uint64_t word = 0;
    for (int q = 0; q < 4; ++q) {
      const __m512i bytes = _mm512_maskz_loadu_epi8(0xFFFFFFFFFFFFull, s + 3 * (x + 16 * q));
      const __m512i sorted = _mm512_permutexvar_epi8(planes, bytes);
      const __m512i b = _mm512_cvtepu8_epi32(_mm512_castsi512_si128(sorted));
      const __m512i g = _mm512_cvtepu8_epi32(_mm512_extracti32x4_epi32(sorted, 1));
      const __m512i r = _mm512_cvtepu8_epi32(_mm512_extracti32x4_epi32(sorted, 2));
      const __m512i at = _mm512_or_si512(_mm512_or_si512(_mm512_slli_epi32(r, 11), _mm512_slli_epi32(g, 3)),
                                         _mm512_srli_epi32(b, 5));
      const __m512i dwords = _mm512_i32gather_epi32(at, base, 4);
      const __m512i bit = _mm512_srlv_epi32(dwords, _mm512_and_si512(b, low5));
      word |= uint64_t{_mm512_test_epi32_mask(bit, one)} << (16 * q);
    }
    *words = word;
  }
  return x;
}

std::atomic<bool> g_allowWide{true};

bool HasWideUnits() {
  static const bool has = __builtin_cpu_supports("avx512f") && __builtin_cpu_supports("avx512bw") &&
                          __builtin_cpu_supports("avx512vbmi");
  return has && g_allowWide.load(std::memory_order_relaxed);
}

}  // namespace

void AllowWideUnits(bool allow) { g_allowWide = allow; }

void MatchRow(const TColorMatcher& matcher, const uint8_t* s, int w, uint64_t* words) {
  int done = 0;
  if (HasWideUnits()) done = MatchRowWide(matcher.Cube(), s, w, words);
  if (done < w) MatchRowScalar(matcher, s + 3 * static_cast<size_t>(done), w - done, words + done / 64);
}

void VoteRow(const uint64_t* above, const uint64_t* row, const uint64_t* below, int w, uint64_t* out) {
  static_assert(TKeepRecipe::BoxRadius == 1 && TKeepRecipe::VoteCount == 2,
                "the vote counts the 3 x 3 window up to two");
  const uint64_t* rows[3] = {above, row, below};
  const int nw = PaddedWords(w) - 2;
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

TBinaryBlur::TBinaryBlur() : kernel(GaussianKernelFor(TKeepRecipe::ContourSigma)), half(kernel.Half) {
  const int taps = 2 * half + 1;
  fullMask = (uint32_t{1} << taps) - 1;
  for (int t = -half; t <= half; ++t) weights[t + half] = kernel.W(t);
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

const TBinaryBlur& BinaryBlur() {
  static const TBinaryBlur blur;
  return blur;
}

// The products of a single-precision weight and a byte are exact, so the wider
// vector units the clones use give the same sums.
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

namespace {

// 64 levels as 192 bytes: output byte i takes level i div 3.
__attribute__((target("avx512f,avx512bw,avx512vbmi")))
int ExpandLevelsWide(const uint8_t* g, uint8_t* m, int w) {
  alignas(64) static constexpr auto Thirds = [] {
    std::array<uint8_t, 192> t{};
    for (int i = 0; i < 192; ++i) t[static_cast<size_t>(i)] = static_cast<uint8_t>(i / 3);
    return t;
  }();
  const __m512i t0 = _mm512_load_si512(Thirds.data()), t1 = _mm512_load_si512(Thirds.data() + 64),
                t2 = _mm512_load_si512(Thirds.data() + 128);
  int x = 0;
  for (; x + 64 <= w; x += 64, g += 64, m += 192) {
    const __m512i v = _mm512_loadu_si512(g);
    _mm512_storeu_si512(m, _mm512_permutexvar_epi8(t0, v));
    _mm512_storeu_si512(m + 64, _mm512_permutexvar_epi8(t1, v));
    _mm512_storeu_si512(m + 128, _mm512_permutexvar_epi8(t2, v));
  }
  return x;
}

}  // namespace

namespace {

__attribute__((target("avx512f")))
void StreamCopyWide(uint8_t* dst, const uint8_t* src, size_t n) {
  const size_t head = std::min(n, (64 - reinterpret_cast<uintptr_t>(dst) % 64) % 64);
  std::memcpy(dst, src, head);
  size_t i = head;
  for (; i + 64 <= n; i += 64) _mm512_stream_si512(reinterpret_cast<__m512i*>(dst + i), _mm512_loadu_si512(src + i));
  std::memcpy(dst + i, src + i, n - i);
}

}  // namespace

void StreamCopy(uint8_t* dst, const uint8_t* src, size_t n) {
  if (HasWideUnits()) StreamCopyWide(dst, src, n);
  else std::memcpy(dst, src, n);
}

void StreamFence() { _mm_sfence(); }

void ExpandLevels(const uint8_t* g, uint8_t* m, int w) {
  int x = HasWideUnits() ? ExpandLevelsWide(g, m, w) : 0;
  for (; x + 4 <= w; x += 4) {
    // Four levels as twelve bytes.
    const uint32_t a = g[x], b = g[x + 1], c = g[x + 2], d = g[x + 3];
    const uint32_t w0 = a * 0x010101u | b << 24, w1 = b * 0x0101u | c * 0x01010000u, w2 = c | d * 0x01010100u;
    std::memcpy(m + 3 * x, &w0, 4);
    std::memcpy(m + 3 * x + 4, &w1, 4);
    std::memcpy(m + 3 * x + 8, &w2, 4);
  }
  for (; x < w; ++x) m[3 * x] = m[3 * x + 1] = m[3 * x + 2] = g[x];
}

namespace {

#define VELINOR_WIDE __attribute__((target("avx512f,avx512bw,avx512vbmi"), always_inline)) inline

constexpr __mmask64 Bytes48 = 0xFFFFFFFFFFFFull;

// Sixteen B,G,R pixels as three vectors of 32-bit lanes.
VELINOR_WIDE void WideChannels(__m512i planes, const uint8_t* p, __m512i& b, __m512i& g, __m512i& r) {
  const __m512i sorted = _mm512_permutexvar_epi8(planes, _mm512_maskz_loadu_epi8(Bytes48, p));
  b = _mm512_cvtepu8_epi32(_mm512_castsi512_si128(sorted));
  g = _mm512_cvtepu8_epi32(_mm512_extracti32x4_epi32(sorted, 1));
  r = _mm512_cvtepu8_epi32(_mm512_extracti32x4_epi32(sorted, 2));
}

// t + ((v - t) * k) div 255, truncated toward zero (|product| <= 65025, where
// (a + 1 + (a >> 8)) >> 8 is a div 255).
VELINOR_WIDE __m512i WideBlend(__m512i t, __m512i v, __m512i k) {
  const __m512i prod = _mm512_mullo_epi32(_mm512_sub_epi32(v, t), k);
  const __m512i a = _mm512_abs_epi32(prod);
  const __m512i q = _mm512_srli_epi32(
      _mm512_add_epi32(_mm512_add_epi32(a, _mm512_set1_epi32(1)), _mm512_srli_epi32(a, 8)), 8);
  const __mmask16 negative = _mm512_cmplt_epi32_mask(prod, _mm512_setzero_si512());
  return _mm512_mask_sub_epi32(_mm512_add_epi32(t, q), negative, t, q);
}

#undef VELINOR_WIDE

// Sixteen pixels a step, in 32-bit lanes: the weighted sum's level s div 100 by a
// multiply (exact up to 25500), the extended evaluation where s is a whole
// hundred, the tone through the level table, then for each channel
// t + ((s - t) * (255 - m)) div 255 truncated toward zero, which also gives t for
// m = 255 and the source for m = 0. Groups of sixteen levels 0 copy the source.
__attribute__((target("avx512f,avx512bw,avx512vbmi")))
int ToneAndBlendWideImpl(uint8_t* out, const uint8_t* d, const uint8_t* s, const uint8_t* g, int n,
                         const TToneTable& tone) {
  // Lane j's bytes 0..2 to bytes 3j..3j+2.
  alignas(64) static constexpr auto Pack = [] {
    std::array<uint8_t, 64> t{};
    for (int i = 0; i < 48; ++i) t[static_cast<size_t>(i)] = static_cast<uint8_t>(4 * (i / 3) + i % 3);
    return t;
  }();
  const __m512i planes = _mm512_load_si512(Planes), pack = _mm512_load_si512(Pack.data());
  const __m512i byte = _mm512_set1_epi32(0xFF), c255 = _mm512_set1_epi32(255), zero = _mm512_setzero_si512();
  const __m512i w11 = _mm512_set1_epi32(11), w59 = _mm512_set1_epi32(59), w30 = _mm512_set1_epi32(30);
  const __m512i magic = _mm512_set1_epi32(5243), hundred = _mm512_set1_epi32(100);
  const int* levels = reinterpret_cast<const int*>(tone.byLevel);
  int i = 0;
  for (; i + 16 <= n; i += 16, d += 48, s += 48, out += 48) {
    __m512i k = zero;  // 255 - m
    if (g) {
      const __m128i m = _mm_loadu_si128(reinterpret_cast<const __m128i*>(g + i));
      if (_mm_test_all_zeros(m, m)) {
        _mm512_mask_storeu_epi8(out, Bytes48, _mm512_maskz_loadu_epi8(Bytes48, s));
        continue;
      }
      k = _mm512_sub_epi32(c255, _mm512_cvtepu8_epi32(m));
    }
    __m512i db, dg, dr;
    WideChannels(planes, d, db, dg, dr);
    const __m512i sum = _mm512_add_epi32(_mm512_add_epi32(_mm512_mullo_epi32(db, w11), _mm512_mullo_epi32(dg, w59)),
                                         _mm512_mullo_epi32(dr, w30));
    __m512i level = _mm512_srli_epi32(_mm512_mullo_epi32(sum, magic), 19);
    // Whole hundreds (but 0, whose level is 0) go through the extended evaluation.
    const __mmask16 exact = _mm512_mask_cmpeq_epi32_mask(_mm512_cmpneq_epi32_mask(sum, zero),
                                                         _mm512_mullo_epi32(level, hundred), sum);
    if (exact) {
      alignas(64) int lv[16];
      _mm512_store_si512(lv, level);
      for (unsigned bits = exact; bits; bits &= bits - 1) {
        const int j = __builtin_ctz(bits);
        lv[j] = Luminance(d[3 * j], d[3 * j + 1], d[3 * j + 2]);
      }
      level = _mm512_load_si512(lv);
    }
    const __m512i t = _mm512_i32gather_epi32(level, levels, 4);
    __m512i rb, rg, rr;
    if (g) {
      __m512i sb, sg, sr;
      WideChannels(planes, s, sb, sg, sr);
      rb = WideBlend(_mm512_and_si512(t, byte), sb, k);
      rg = WideBlend(_mm512_and_si512(_mm512_srli_epi32(t, 8), byte), sg, k);
      rr = WideBlend(_mm512_and_si512(_mm512_srli_epi32(t, 16), byte), sr, k);
      const __m512i packed = _mm512_or_si512(_mm512_or_si512(rb, _mm512_slli_epi32(rg, 8)), _mm512_slli_epi32(rr, 16));
      _mm512_mask_storeu_epi8(out, Bytes48, _mm512_permutexvar_epi8(pack, packed));
    } else {
      _mm512_mask_storeu_epi8(out, Bytes48, _mm512_permutexvar_epi8(pack, t));
    }
  }
  return i;
}

}  // namespace

int ToneAndBlendWide(uint8_t* out, const uint8_t* d, const uint8_t* s, const uint8_t* g, int n,
                     const TToneTable& tone) {
  return HasWideUnits() ? ToneAndBlendWideImpl(out, d, s, g, n, tone) : 0;
}

TToneTable::TToneTable(bool sepia) {
  uint8_t b[256], g[256], r[256];
  for (int i = 0; i < 256; ++i) b[i] = g[i] = r[i] = static_cast<uint8_t>(i);
  if (sepia) {
    BuildGammaTable(0.5, b);
    BuildGammaTable(1.0, g);
    BuildGammaTable(1.2, r);
  }
  for (int i = 0; i < 256; ++i) byLevel[i] = b[i] | uint32_t{g[i]} << 8 | uint32_t{r[i]} << 16;
  for (int sum = 0; sum <= MaxSum; ++sum) levelBySum[sum] = static_cast<uint8_t>(sum % 100 ? sum / 100 : 255);
}

}  // namespace velinor::detail
