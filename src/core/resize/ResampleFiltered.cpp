// The two passes of the filtered resampler.
//
// Every destination channel is sum div total, where sum = Σ weight·value over
// the pixel's contributors (integers) and total = Σ weight (256 when it is 0).
// The loops below compute exactly that in single-precision floats, eight lanes
// at a time. Every kernel stays within -1..1 and is 0 beyond 3 source pixels, so
// a list holds at most 8 weights of at most 256 when enlarging, and when
// shrinking by s only weights with 256·s·|f| >= 0.5 survive, each at most twice
// that: Σ|weight| <= 512·s·(6/s + 2) <= 4096 either way. Every product and
// partial sum is thus an integer below 4096·255 < 2^20, held exactly whatever
// the order or fused multiply-adds. The correctly rounded quotient of two such
// integers cannot reach an integer the exact quotient does not (the gap is at
// least 1/|total|, the rounding error below |sum|·2^-24/|total|), so truncating
// it is the integer division. Results are therefore those of the integer
// formula, on every instruction set and for every thread count.
#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <memory>
#include <stdexcept>
#include <string>

#include "core/base/Parallel.h"
#include "core/resize/StretchEx.h"

namespace velinor {

namespace {

#if defined(__GNUC__) && !defined(__clang__) && defined(__x86_64__) && !defined(VELINOR_NO_MULTIVERSION)
// AVX+FMA where the processor has it; the arithmetic is exact, so both clones
// give the same bytes.
#define VELINOR_MULTIVERSION __attribute__((target_clones("fma", "default")))
#else
#define VELINOR_MULTIVERSION
#endif

// The helpers taking and returning 8-lane vectors are internal and inlined, so
// the note that their calling convention differs with and without AVX is moot.
#pragma GCC diagnostic ignored "-Wpsabi"

typedef float v8f __attribute__((vector_size(32)));
typedef int32_t v8i __attribute__((vector_size(32)));
typedef uint8_t v16b __attribute__((vector_size(16)));
typedef uint8_t v8b __attribute__((vector_size(8)));
typedef uint16_t v8h __attribute__((vector_size(16)));
typedef int32_t v16i __attribute__((vector_size(64)));
typedef uint32_t v4u __attribute__((vector_size(16)));

// Contributor lists flattened for the inner loops.
struct FlatList {
  std::vector<int> Start;      // Start[i] .. Start[i + 1] - 1: entries of destination pixel i
  std::vector<int> Pixel;
  std::vector<float> Weight;
  std::vector<float> Divisor;  // total, or 256 when the total is 0
};

FlatList Flatten(const TContributorList& list) {
  FlatList flat;
  flat.Start.reserve(list.size() + 1);
  flat.Divisor.reserve(list.size());
  flat.Start.push_back(0);
  for (const TContributors& c : list) {
    int total = 0;
    for (const TContributor& e : c.Items) {
      flat.Pixel.push_back(e.Pixel);
      flat.Weight.push_back(static_cast<float>(e.Weight));
      total += e.Weight;
    }
    flat.Start.push_back(static_cast<int>(flat.Pixel.size()));
    flat.Divisor.push_back(static_cast<float>(total != 0 ? total : 256));
  }
  return flat;
}

// Rows handled together by the horizontal pass: the block is transposed so
// that byte e of the eight rows becomes the 8 floats at turned[e * 8], and the
// 24 floats of source column x (channel-major: lane c*8 + r) are consecutive;
// every contributor then becomes three 8-lane multiply-adds.
constexpr int BlockRows = 8;
constexpr int BlockLanes = BlockRows * 3;

// Row length of the work image: room for 16-byte loads from any channel offset
// and for the one-byte overrun of the 4-byte pixel stores.
size_t WorkStride(int dw) { return ((static_cast<size_t>(dw) * 3 + 15) & ~size_t{15}) + 16; }

inline v8f Load8f(const float* p) {
  v8f v;
  std::memcpy(&v, p, sizeof v);
  return v;
}

// 16 bytes to 16 floats.
inline void Widen16(const uint8_t* p, v8f& lo, v8f& hi) {
  v16b b;
  std::memcpy(&b, p, sizeof b);
  const v8b l = __builtin_shufflevector(b, b, 0, 1, 2, 3, 4, 5, 6, 7);
  const v8b h = __builtin_shufflevector(b, b, 8, 9, 10, 11, 12, 13, 14, 15);
  lo = __builtin_convertvector(__builtin_convertvector(__builtin_convertvector(l, v8h), v8i), v8f);
  hi = __builtin_convertvector(__builtin_convertvector(__builtin_convertvector(h, v8h), v8i), v8f);
}

// sum / divisor, limited to 0..255, truncated toward zero.
inline v8i Quotient(v8f sum, v8f divisor) {
  const v8f zero = {};
  const v8f top = zero + 255.0f;
  v8f q = sum / divisor;
  q = q < zero ? zero : q;
  q = q > top ? top : q;
  return __builtin_convertvector(q, v8i);
}

// Sixteen values 0..255 to bytes.
inline v16b Narrow16(v8i a, v8i b) {
#if defined(__SSE2__)
  __m128i a0, a1, b0, b1;
  std::memcpy(&a0, &a, 16);
  std::memcpy(&a1, reinterpret_cast<const char*>(&a) + 16, 16);
  std::memcpy(&b0, &b, 16);
  std::memcpy(&b1, reinterpret_cast<const char*>(&b) + 16, 16);
  const __m128i packed = _mm_packus_epi16(_mm_packs_epi32(a0, a1), _mm_packs_epi32(b0, b1));
  v16b r;
  std::memcpy(&r, &packed, sizeof r);
  return r;
#else
  const v16i all = __builtin_shufflevector(a, b, 0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15);
  return __builtin_convertvector(all, v16b);
#endif
}

// Horizontal pass over one block of rows: rows[0..7] are source rows (repeated
// past the image's last row), out[0..count-1] the work rows they produce.
// turned holds sw * 24 floats.
VELINOR_MULTIVERSION
void FilterRowBlock(const uint8_t* const* rows, int count, int sw, const FlatList& list, int dw,
                    float* turned, uint8_t* const* out) {
  const size_t rowBytes = static_cast<size_t>(sw) * 3;
  size_t e0 = 0;
  // 16 bytes of each row at a time while whole loads stay inside the rows:
  // an 8 x 16 byte transpose in three rounds of interleaving.
  for (; e0 + 16 <= rowBytes; e0 += 16) {
    v16b r[BlockRows];
    for (int k = 0; k < BlockRows; ++k) std::memcpy(&r[k], rows[k] + e0, 16);
    v16b a[8], b[8], c[8];
    for (int k = 0; k < 4; ++k) {  // bytes of row pairs
      a[2 * k] = __builtin_shufflevector(r[2 * k], r[2 * k + 1], 0, 16, 1, 17, 2, 18, 3, 19, 4, 20, 5, 21, 6, 22, 7, 23);
      a[2 * k + 1] = __builtin_shufflevector(r[2 * k], r[2 * k + 1], 8, 24, 9, 25, 10, 26, 11, 27, 12, 28, 13, 29, 14, 30, 15, 31);
    }
    for (int k = 0; k < 2; ++k)  // 16-bit pairs: rows 0-3 (k = 0) and 4-7 (k = 1)
      for (int h = 0; h < 2; ++h) {
        const v16b& x = a[4 * k + h];
        const v16b& y = a[4 * k + 2 + h];
        b[4 * k + 2 * h] = __builtin_shufflevector(x, y, 0, 1, 16, 17, 2, 3, 18, 19, 4, 5, 20, 21, 6, 7, 22, 23);
        b[4 * k + 2 * h + 1] = __builtin_shufflevector(x, y, 8, 9, 24, 25, 10, 11, 26, 27, 12, 13, 28, 29, 14, 15, 30, 31);
      }
    for (int k = 0; k < 4; ++k) {  // 32-bit quads: c[2k], c[2k+1] hold bytes 4k .. 4k+3
      c[2 * k] = __builtin_shufflevector(b[k], b[4 + k], 0, 1, 2, 3, 16, 17, 18, 19, 4, 5, 6, 7, 20, 21, 22, 23);
      c[2 * k + 1] = __builtin_shufflevector(b[k], b[4 + k], 8, 9, 10, 11, 24, 25, 26, 27, 12, 13, 14, 15, 28, 29, 30, 31);
    }
    float* t = turned + e0 * BlockRows;
    for (int k = 0; k < 8; ++k) {
      v8f lo, hi;
      Widen16(reinterpret_cast<const uint8_t*>(&c[k]), lo, hi);
      std::memcpy(t + k * 16, &lo, sizeof lo);
      std::memcpy(t + k * 16 + 8, &hi, sizeof hi);
    }
  }
  for (; e0 < rowBytes; ++e0)
    for (int k = 0; k < BlockRows; ++k) turned[e0 * BlockRows + k] = rows[k][e0];
  const int* start = list.Start.data();
  const int* pixel = list.Pixel.data();
  const float* weight = list.Weight.data();
  for (int i = 0; i < dw; ++i) {
    v8f a0 = {}, a1 = {}, a2 = {};
    for (int k = start[i]; k < start[i + 1]; ++k) {
      const float w = weight[k];
      const float* t = turned + static_cast<size_t>(pixel[k]) * BlockLanes;
      a0 += w * Load8f(t);
      a1 += w * Load8f(t + 8);
      a2 += w * Load8f(t + 16);
    }
    const v8f d = v8f{} + list.Divisor[static_cast<size_t>(i)];
    const v16b b01 = Narrow16(Quotient(a0, d), Quotient(a1, d));
    const v8i q2 = Quotient(a2, d);
    const v16b b2 = Narrow16(q2, q2);
    // Back to pixel order, one 32-bit lane per row: bytes c = 0..2 of lane r
    // are lane c*8 + r of the results (the fourth byte is don't-care).
    const v16b o0 = __builtin_shufflevector(b01, b2, 0, 8, 16, 0, 1, 9, 17, 0, 2, 10, 18, 0, 3, 11, 19, 0);
    const v16b o1 = __builtin_shufflevector(b01, b2, 4, 12, 20, 0, 5, 13, 21, 0, 6, 14, 22, 0, 7, 15, 23, 0);
    v4u w[2];
    std::memcpy(&w[0], &o0, 16);
    std::memcpy(&w[1], &o1, 16);
    // Four-byte stores: the extra byte lands on the next pixel, written next,
    // or in the row's spare bytes.
    for (int r = 0; r < count; ++r) {
      const uint32_t v = w[r >> 2][r & 3];
      std::memcpy(out[r] + static_cast<size_t>(i) * 3, &v, 4);
    }
  }
}

// Vertical pass for one destination row: out[e] = Σ weight[k]·rows[k][e] div
// divisor for e < length. Work rows can be read up to the next multiple of 16.
VELINOR_MULTIVERSION
void FilterColumnsOfRow(const uint8_t* const* rows, const float* weight, int count, float divisor,
                        uint8_t* out, size_t length) {
  const v8f d = v8f{} + divisor;
  for (size_t e = 0; e < length; e += 16) {
    v8f a0 = {}, a1 = {};
    for (int k = 0; k < count; ++k) {
      v8f lo, hi;
      Widen16(rows[k] + e, lo, hi);
      a0 += weight[k] * lo;
      a1 += weight[k] * hi;
    }
    const v16b b = Narrow16(Quotient(a0, d), Quotient(a1, d));
    std::memcpy(out + e, &b, std::min<size_t>(16, length - e));
  }
}

// The destination is produced in bands of rows; each band computes the work
// rows (horizontal pass results) its rows read, in a buffer of its own, and
// then its destination rows. Memory stays bounded whatever the sizes (a full
// work image of a wide enlargement of a tall picture could take gigabytes), the
// work rows are still in the cache when read, and only rows read near a band's
// edges are computed twice.
struct Band {
  int Y0 = 0, Y1 = 0;        // destination rows
  std::vector<int> Rows;     // source rows whose work rows the band reads, ascending
  std::vector<size_t> Slot;  // per vertical contributor of rows Y0..Y1-1: index into Rows
};

std::vector<Band> MakeBands(const FlatList& vertical, int sh, int dh, size_t workStride, int threads) {
  constexpr size_t BudgetBytes = size_t{16} << 20;  // work rows per band, about
  const size_t budgetRows = std::max<size_t>(BlockRows, BudgetBytes / workStride);
  // Enough bands for every thread to stay busy till the end.
  const int maxBand = std::clamp(dh / (4 * threads), 1, 256);
  std::vector<Band> bands;
  std::vector<int> seen(static_cast<size_t>(sh), -1);
  std::vector<size_t> slotOf(static_cast<size_t>(sh));
  int y = 0;
  while (y < dh) {
    const int id = static_cast<int>(bands.size());
    Band band;
    band.Y0 = y;
    while (y < dh && y - band.Y0 < maxBand) {
      const int first = vertical.Start[y], count = vertical.Start[y + 1] - first;
      if (y > band.Y0 && band.Rows.size() + static_cast<size_t>(count) > budgetRows) break;
      for (int k = first; k < first + count; ++k) {
        const int p = vertical.Pixel[static_cast<size_t>(k)];
        if (seen[static_cast<size_t>(p)] != id) {
          seen[static_cast<size_t>(p)] = id;
          band.Rows.push_back(p);
        }
      }
      ++y;
    }
    band.Y1 = y;
    std::sort(band.Rows.begin(), band.Rows.end());
    for (size_t i = 0; i < band.Rows.size(); ++i) slotOf[static_cast<size_t>(band.Rows[i])] = i;
    for (int k = vertical.Start[band.Y0]; k < vertical.Start[band.Y1]; ++k)
      band.Slot.push_back(slotOf[static_cast<size_t>(vertical.Pixel[static_cast<size_t>(k)])]);
    bands.push_back(std::move(band));
  }
  return bands;
}

}  // namespace

void ResampleFiltered(int filter, float support, const TBitmap& source, TBitmap& destination) {
  if (filter < 0 || filter >= FilterCount)
    throw std::out_of_range("unknown resampling filter " + std::to_string(filter));
  if (!std::isfinite(support) || support < 0.0f)
    throw std::invalid_argument("resampling support must be a finite non-negative value");
  const int sw = source.Width(), sh = source.Height();
  const int dw = destination.Width(), dh = destination.Height();
  if (sw <= 0 || sh <= 0 || dw <= 0 || dh <= 0) return;

  TBitmap converted;
  const TBitmap* src = &source;
  // Bands write the destination while others still read the source: work
  // from a copy when they are the same bitmap.
  if (source.PixelFormat() != TPixelFormat::pf24bit || &source == &destination) {
    converted.Assign(source);
    converted.SetPixelFormat(TPixelFormat::pf24bit);
    src = &converted;
  }
  if (destination.PixelFormat() != TPixelFormat::pf24bit) destination.SetPixelFormat(TPixelFormat::pf24bit);

  const FlatList horizontal = Flatten(BuildContributors(sw, dw, filter, support));
  const FlatList vertical = Flatten(BuildContributors(sh, dh, filter, support));
  const size_t workStride = WorkStride(dw);
  const std::vector<Band> bands = MakeBands(vertical, sh, dh, workStride, EngineThreads());
  // The horizontal pass reads sw and writes dw pixels of every source row, the
  // vertical one writes the destination.
  const int64_t pixels = static_cast<int64_t>(sw + dw) * sh + static_cast<int64_t>(dw) * dh;
  const int blocks = static_cast<int>(bands.size());

  // Scratch for every thread, allocated here so that nothing allocates inside
  // the loop: the band's work rows, the turned row block, row pointers.
  size_t mostRows = 0, longest = 0;
  for (const Band& b : bands) mostRows = std::max(mostRows, b.Rows.size());
  for (int y = 0; y < dh; ++y)
    longest = std::max<size_t>(longest, static_cast<size_t>(vertical.Start[y + 1] - vertical.Start[y]));
  struct Scratch {
    std::unique_ptr<uint8_t[]> Work;
    std::unique_ptr<float[]> Turned;
    std::vector<const uint8_t*> RowPointers;
  };
  std::vector<Scratch> scratch(static_cast<size_t>(ParallelThreads(blocks, pixels)));
  for (Scratch& t : scratch) {
    t.Work = std::make_unique_for_overwrite<uint8_t[]>(workStride * mostRows);
    t.Turned = std::make_unique_for_overwrite<float[]>(static_cast<size_t>(sw) * BlockLanes);
    t.RowPointers.resize(longest);
  }

  const size_t length = static_cast<size_t>(dw) * 3;
  ParallelBlocks(blocks, pixels, [&](int b, int thread) {
    const Band& band = bands[static_cast<size_t>(b)];
    Scratch& t = scratch[static_cast<size_t>(thread)];
    auto workRow = [&](size_t slot) { return t.Work.get() + workStride * slot; };
    // Horizontal pass: the band's work rows, eight at a time.
    const size_t n = band.Rows.size();
    for (size_t g = 0; g < n; g += BlockRows) {
      const int count = static_cast<int>(std::min<size_t>(BlockRows, n - g));
      const uint8_t* rows[BlockRows];
      uint8_t* out[BlockRows];
      for (int r = 0; r < BlockRows; ++r) {
        const size_t slot = std::min(g + static_cast<size_t>(r), n - 1);
        rows[r] = src->ScanLine(band.Rows[slot]);
        out[r] = workRow(slot);
      }
      FilterRowBlock(rows, count, sw, horizontal, dw, t.Turned.get(), out);
    }
    // Vertical pass: the band's destination rows.
    for (int y = band.Y0; y < band.Y1; ++y) {
      const int first = vertical.Start[y], count = vertical.Start[y + 1] - first;
      for (int k = 0; k < count; ++k)
        t.RowPointers[static_cast<size_t>(k)] = workRow(band.Slot[static_cast<size_t>(first - vertical.Start[band.Y0] + k)]);
      FilterColumnsOfRow(t.RowPointers.data(), vertical.Weight.data() + first, count,
                         vertical.Divisor[static_cast<size_t>(y)], destination.ScanLine(y), length);
    }
  });
}

}  // namespace velinor
