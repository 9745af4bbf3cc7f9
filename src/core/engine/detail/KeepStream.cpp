#include "core/engine/detail/KeepStream.h"

#include <algorithm>
#include <stdexcept>
#include <vector>

#include "core/engine/KeepRecipe.h"
#include "core/base/Arith.h"

namespace velinor::detail {

namespace {

// Pixels per block of the column blur's uniformity test: block classes are
// 0 all black, 1 all white, 2 anything else.
constexpr int BlockPixels = 16;

// Output rows per band. The band recomputes the rows of the lower steps that its
// first rows need (Lead below): a few per cent more work for independent bands.
constexpr int BandRows = 256;

// One band's pipeline. Every step produces its rows in order, asking the step
// below for the rows it needs; rings keep the last rows of each step.
class TBand {
 public:
  TBand(const TBitmap& source, const TColorMatcher& matcher, int firstRow)
      : source_(source), matcher_(matcher), bb_(BinaryBlur()), w_(source.Width()), h_(source.Height()),
        nw_(PaddedWords(w_) - 2), half_(bb_.half), blocks_((w_ + BlockPixels - 1) / BlockPixels),
        match_(MatchRing * PaddedWords(w_)), vote_(PaddedWords(w_)), across_(AcrossRing * PaddedWords(w_)),
        white_(static_cast<size_t>(nw_) + 3), blur_(static_cast<size_t>(BlurRing) * w_),
        classes_(static_cast<size_t>(BlurRing) * blocks_), count_(static_cast<size_t>(blocks_) * 3),
        win_(static_cast<size_t>(2 * half_ + 1)), band_(RangeBits(w_, R + 1, w_ - R - 2)) {
    static_assert(TKeepRecipe::ProgressiveErosion == R);
    if (2 * half_ + 2 > BlurRing) throw std::logic_error("KeepColors: the blur ring is shorter than the kernel");
    // The lowest row each step needs for the first output row.
    blurNext_ = std::max(0, firstRow - half_);
    acrossNext_ = std::max(0, blurNext_ - R);
    matchNext_ = std::max(0, acrossNext_ - 1);
    whiteLevel_ = bb_.level[bb_.fullMask];
    blackLevel_ = bb_.level[0];
    // The class counts of the column window of firstRow: rows firstRow - h ..
    // firstRow + h, clamped to the picture.
    for (int j = -half_; j <= half_; ++j) AddClasses(Clamp(firstRow + j, 0, h_ - 1), 1);
  }

  // The mask levels of row y (rows asked in order, y from firstRow on).
  void Levels(int y, uint8_t* out) {
    for (int j = 0; j <= 2 * half_; ++j) win_[static_cast<size_t>(j)] = BlurRow(Clamp(y - half_ + j, 0, h_ - 1));
    const int taps = 2 * half_ + 1;
    int spanStart = -1;
    for (int b = 0; b <= blocks_; ++b) {
      int c = 0;
      if (b < blocks_) {
        const int* n = &count_[static_cast<size_t>(b) * 3];
        c = n[0] == taps ? 0 : (n[1] == taps ? 1 : 2);
      }
      const int x0 = BlockPixels * b;
      if (c == 2) {
        if (spanStart < 0) spanStart = x0;
        continue;
      }
      if (spanStart >= 0) {
        BlurColumnSpan(win_.data(), bb_.weights, half_, spanStart, std::min(x0, w_), out);
        spanStart = -1;
      }
      if (b < blocks_)
        std::memset(out + x0, c ? whiteLevel_ : blackLevel_, static_cast<size_t>(std::min(BlockPixels, w_ - x0)));
    }
    // Slide the window to row y + 1.
    AddClasses(Clamp(y - half_, 0, h_ - 1), -1);
    AddClasses(Clamp(y + half_ + 1, 0, h_ - 1), 1);
  }

 private:
  static constexpr int R = 3;            // the erosion radius
  static constexpr int MatchRing = 4;    // the vote reads 3 match rows
  static constexpr int AcrossRing = 8;   // the column erosion reads 2 R + 1 rows
  static constexpr int BlurRing = 24;    // the column blur reads 2 h + 1 rows, and one more

  const uint64_t* MatchRowOf(int y) {
    while (matchNext_ <= y) {
      uint64_t* row = &match_[static_cast<size_t>(matchNext_ % MatchRing) * PaddedWords(w_)];
      detail::MatchRow(matcher_, source_.ScanLine(matchNext_), w_, row + 1);
      PadReplicate(row, w_);
      ++matchNext_;
    }
    return &match_[static_cast<size_t>(y % MatchRing) * PaddedWords(w_)];
  }

  // The vote, then the row pass of the square erosion: all of x - R .. x + R black.
  const uint64_t* AcrossRow(int y) {
    while (acrossNext_ <= y) {
      const int a = acrossNext_;
      const uint64_t* above = MatchRowOf(std::max(a - 1, 0));
      const uint64_t* below = MatchRowOf(std::min(a + 1, h_ - 1));
      VoteRow(above, MatchRowOf(a), below, w_, vote_.data());
      uint64_t* out = &across_[static_cast<size_t>(a % AcrossRing) * PaddedWords(w_)];
      for (int k = 1; k <= nw_; ++k) {
        uint64_t all = band_[static_cast<size_t>(k)];
        for (int d = -R; d <= R; ++d) all &= Shifted(vote_.data(), k, d);
        out[k] = all;
      }
      ++acrossNext_;
    }
    return &across_[static_cast<size_t>(y % AcrossRing) * PaddedWords(w_)];
  }

  // The column pass of the erosion (a black pixel stays black exactly when its
  // whole window is black and it lies more than R pixels inside the picture), then
  // the row blur and the classes of its blocks.
  const uint8_t* BlurRow(int y) {
    while (blurNext_ <= y) {
      const int b = blurNext_;
      std::fill(white_.begin(), white_.end(), ~uint64_t{0});
      if (b >= R + 1 && b <= h_ - R - 2) {
        const uint64_t* rows[2 * R + 1];
        for (int j = -R; j <= R; ++j) rows[j + R] = AcrossRow(b + j);
        for (int k = 1; k <= nw_; ++k) {
          uint64_t all = ~uint64_t{0};
          for (const uint64_t* row : rows) all &= row[k];
          white_[static_cast<size_t>(k)] = ~all;  // the band keeps the pad bits past the last pixel white
        }
      }
      RowBlur(&blur_[static_cast<size_t>(b % BlurRing) * w_], &classes_[static_cast<size_t>(b % BlurRing) * blocks_]);
      ++blurNext_;
    }
    return &blur_[static_cast<size_t>(y % BlurRing) * w_];
  }

  void RowBlur(uint8_t* out, uint8_t* classes) {
    const int half = half_;
    static_assert(BlockPixels == 16);
    const uint8_t* bytes = reinterpret_cast<const uint8_t*>(white_.data());
    // Pixel x reads the bits x - h .. x + h, at padded bit positions x + 64 - h.
    const bool byteAligned = (64 - half) % 8 == 0 && half == 8;
    // 64 pixels whose windows (bits x - h .. x + 63 + h) are all black or all
    // white are uniform, and so are their four blocks.
    auto uniformWord = [&](int x) {
      const int k = 1 + (x >> 6);
      const uint64_t mid = white_[static_cast<size_t>(k)], left = white_[static_cast<size_t>(k) - 1] >> (64 - half),
                     right = white_[static_cast<size_t>(k) + 1] & ((uint64_t{1} << half) - 1);
      if (mid == 0 && left == 0 && right == 0) return 0;
      if (mid == ~uint64_t{0} && left == (uint64_t{1} << half) - 1 && right == left) return 1;
      return 2;
    };
    for (int b = 0; b < blocks_; ++b) {
      // The windows of the block read the bits x0 - h .. x0 + 15 + h: four whole
      // bytes for h = 8.
      uint32_t span;
      std::memcpy(&span, bytes + ((BlockPixels * b + 64 - half) >> 3), 4);
      classes[b] = !byteAligned ? 2 : (span == ~uint32_t{0} ? 1 : (span == 0 ? 0 : 2));
    }
    // Eight pixels whose windows lie in three uniform bytes are uniform.
    for (int x = 0; x < w_; x += 8) {
      const int n = std::min(8, w_ - x);
      if (byteAligned && (x & 63) == 0 && x + 64 <= w_) {
        const int c = uniformWord(x);
        if (c != 2) {
          std::memset(out + x, c ? whiteLevel_ : blackLevel_, 64);
          x += 56;
          continue;
        }
      }
      if (byteAligned && n == 8) {
        uint32_t span = 0;
        std::memcpy(&span, bytes + ((x + 64 - half) >> 3), 3);
        if (span == 0xFFFFFF || span == 0) {
          std::memset(out + x, span ? whiteLevel_ : blackLevel_, 8);
          continue;
        }
      }
      for (int i = x; i < x + n; ++i) {
        const int g = i + 64 - half;
        uint32_t v;
        std::memcpy(&v, bytes + (g >> 3), 4);
        out[i] = bb_.level[(v >> (g & 7)) & bb_.fullMask];
      }
    }
  }

  void AddClasses(int y, int delta) {
    BlurRow(y);
    const uint8_t* c = &classes_[static_cast<size_t>(y % BlurRing) * blocks_];
    for (int b = 0; b < blocks_; ++b) count_[static_cast<size_t>(b) * 3 + c[b]] += delta;
  }

  const TBitmap& source_;
  const TColorMatcher& matcher_;
  const TBinaryBlur& bb_;
  const int w_, h_, nw_, half_, blocks_;
  std::vector<uint64_t> match_, vote_, across_, white_;
  std::vector<uint8_t> blur_, classes_;
  std::vector<int> count_;
  std::vector<const uint8_t*> win_;
  const std::vector<uint64_t> band_;
  int matchNext_ = 0, acrossNext_ = 0, blurNext_ = 0;
  uint8_t whiteLevel_ = 255, blackLevel_ = 0;
};

}  // namespace

void ProgressiveStream(const TBitmap& source, const TColorMatcher& matcher, TBitmap& mask,
                       TBitmap* result, const TBitmap* toned, const TToneTable* tone, const TRowsDone& done) {
  const int w = source.Width(), h = source.Height();
  const int bands = (h + BandRows - 1) / BandRows;
  int finished = 0;
  const size_t rowBytes = static_cast<size_t>(w) * 3;
  ParallelRows(0, bands, int64_t{w} * BandRows, [&](int firstBand, int lastBand) {
    // The rows are made here, in the cache, and then streamed to the pictures:
    // their old bytes are not read where the mask keeps the colour.
    std::vector<uint8_t> levels(static_cast<size_t>(w)), row(rowBytes);
    for (int band = firstBand; band < lastBand; ++band) {
      const int y0 = band * BandRows, y1 = std::min(h, y0 + BandRows);
      TBand pipeline(source, matcher, y0);
      for (int y = y0; y < y1; ++y) {
        pipeline.Levels(y, levels.data());
        if (result) {
          ToneAndBlendSpan<1>(row.data(), toned->ScanLine(y), source.ScanLine(y), levels.data(), w, *tone);
          StreamCopy(result->ScanLine(y), row.data(), rowBytes);
        }
        ExpandLevels(levels.data(), row.data(), w);
        StreamCopy(mask.ScanLine(y), row.data(), rowBytes);
      }
    }
    StreamFence();
  }, done ? TRowsDone([&](int bandsDone) {
    // Bands finish whole: their rows, in order, as one report each.
    const int rows = std::min(h, bandsDone * BandRows);
    for (; finished < rows; ++finished) done(finished + 1);
  }) : TRowsDone{});
}

}  // namespace velinor::detail
