#include "core/engine/ScanMan.h"

#include <algorithm>
#include <cstring>

namespace velinor {

TScanLinesManager::TScanLinesManager(TBitmap& bitmap, TRect rect) {
  ClipToBitmap(rect, bitmap);
  if (rect.IsEmpty()) return;
  Left = rect.Left;
  Top = rect.Top;
  Right = rect.Right - 1;
  Bottom = rect.Bottom - 1;
  RowBytes = static_cast<size_t>(rect.Right) * BytesPerPixel(bitmap.PixelFormat());
  lines_.reserve(static_cast<size_t>(rect.Height()));
  for (int y = rect.Top; y < rect.Bottom; ++y) lines_.push_back(bitmap.ScanLine(y));
}

void TScanLinesManager::InitCopies(int row, int n) {
  copies_.clear();
  for (int i = 0; i < n; ++i) {
    copies_.push_back(std::make_unique<uint8_t[]>(std::max<size_t>(RowBytes, 1)));
    if (i > 0 && !Empty()) std::memcpy(copies_.back().get(), ScanLine(row), RowBytes);
  }
}

void TScanLinesManager::PushCopy(int row) {
  if (copies_.empty()) return;
  std::rotate(copies_.begin(), copies_.begin() + 1, copies_.end());
  if (!Empty()) std::memcpy(copies_.back().get(), ScanLine(row), RowBytes);
}

}  // namespace velinor
