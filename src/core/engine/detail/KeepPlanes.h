#pragma once
// The colour keep's plain contour on compact planes: the same matching, clean-up,
// cross erosion and ramps as the general mask operations, specialised for a
// black-and-white mask over the whole image so that each step is one pass over
// rows of bits (64 pixels a word); its ramps reach far along rows and columns, so
// it works on whole planes (the progressive contour streams bands instead,
// KeepStream.h). Internal to KeepColors; every function gives exactly what the
// general operations give on the 24-bit mask.
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "core/engine/ColorMatch.h"
#include "core/base/Bitmap.h"
#include "core/base/Parallel.h"
#include "core/base/Progress.h"

namespace velinor::detail {

// Working memory lent by the caller (KeepColors lends the mask's pixels, which it
// rewrites at the end), with memory of its own once the loan is used up. Pieces
// are uninitialised and aligned as asked (the first piece of a loan starts at
// its first byte when the alignment is 1).
class TScratch {
 public:
  TScratch(uint8_t* memory, size_t bytes) : next_(memory), left_(bytes) {}
  uint8_t* Take(size_t bytes, size_t align = 64);

 private:
  uint8_t* next_;
  size_t left_;
  std::vector<std::unique_ptr<uint8_t[]>> owned_;
};

// A W x H plane of bytes, laid over scratch memory.
class TPlane {
 public:
  TPlane(int w, int h, TScratch& scratch)
      : w_(w), h_(h), data_(scratch.Take(static_cast<size_t>(w) * static_cast<size_t>(h), 1)) {}
  int W() const { return w_; }
  int H() const { return h_; }
  uint8_t* Row(int y) { return data_ + static_cast<size_t>(y) * w_; }
  const uint8_t* Row(int y) const { return data_ + static_cast<size_t>(y) * w_; }

 private:
  int w_, h_;
  uint8_t* data_;
};

// Rows of one bit per pixel (bit j of data word i is x = 64 i + j), with one
// padding word on each side of a row: word k of Row(y) covers x = 64(k-1) .. 64k-1.
class TBitRows {
 public:
  // Uninitialised: each pass writes every word it leaves for the next.
  TBitRows(int w, int h, TScratch& scratch);
  int W() const { return w_; }
  int H() const { return h_; }
  int DataWords() const { return words_ - 2; }
  uint64_t* Row(int y) { return data_ + static_cast<size_t>(y) * words_; }
  const uint64_t* Row(int y) const { return data_ + static_cast<size_t>(y) * words_; }
  bool Bit(int x, int y) const { return (Row(y)[1 + (x >> 6)] >> (x & 63)) & 1; }

 private:
  int w_, h_, words_;
  uint64_t* data_;
};

// "Calculating" after each of `rows` rows, in order, as the rows finish: the
// calling thread reports what all threads finished so far. Empty without a sink.
TRowsDone CalculatingProgress(const TProgressSink& progress, int rows);

// The bits of the pixels matching the list; "Calculating" 0 and after every row.
void MatchBits(const TBitmap& source, const TColorMatcher& matcher, TBitRows& match,
               const TProgressSink& progress);

// The 3 x 3 box average and the threshold at 200: a pixel ends black when at
// least 2 of the 9 pixels of its clamped window matched.
void VoteBits(const TBitRows& match, TBitRows& vote);

// Plain contour: cross erosion and the ramps of the one-pixel steps.
void PlainLevels(const TBitRows& vote, TPlane& levels, TScratch& scratch);

// For every block of rows, rowWork(first, last) (which may read the levels of those
// rows) and then the mask rows written from the levels, which are kept compactly at
// the start of the mask's own pixels (row y at Bits() + W*y): every level becomes a
// grey pixel, in place. Rows run in parallel where that is safe.
void ForRowsThenExpandLevels(TBitmap& mask, const std::function<void(int first, int last)>& rowWork);

}  // namespace velinor::detail
