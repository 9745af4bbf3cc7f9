#pragma once
// TScanLinesManager: scan lines of a clipped rect and a sliding window of row
// copies, so that an in-place neighbourhood filter can read rows as they were
// before it overwrote them.
#include <cstdint>
#include <memory>
#include <vector>

#include "core/base/Bitmap.h"
#include "core/base/Geometry.h"

namespace velinor {

class TScanLinesManager {
 public:
  // The rect is intersected with the bitmap's bounds.
  TScanLinesManager(TBitmap& bitmap, TRect rect);
  TScanLinesManager(const TScanLinesManager&) = delete;
  TScanLinesManager& operator=(const TScanLinesManager&) = delete;

  bool Empty() const { return Right < Left || Bottom < Top; }

  // Row y of the bitmap, Top <= y <= Bottom.
  uint8_t* ScanLine(int y) const { return lines_[static_cast<size_t>(y - Top)]; }

  // n buffers; 1 .. n-1 receive a copy of the row, 0 is left to be overwritten.
  void InitCopies(int row, int n);
  // The oldest buffer moves to the end and receives a copy of the row.
  void PushCopy(int row);
  // Buffer i, 0 the oldest.
  uint8_t* CopyAt(int i) const { return copies_[static_cast<size_t>(i)].get(); }
  int CopyCount() const { return static_cast<int>(copies_.size()); }

  // Clipped bounds: first and last column and row (inclusive).
  int Left = 0, Top = 0, Right = -1, Bottom = -1;
  // Bytes of a row copy: columns 0 .. Right of the row.
  size_t RowBytes = 0;

 private:
  std::vector<uint8_t*> lines_;
  std::vector<std::unique_ptr<uint8_t[]>> copies_;
};

}  // namespace velinor
