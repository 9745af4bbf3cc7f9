#include "core/document/History.h"

#include <libdeflate.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <new>
#include <stdexcept>
#include <utility>

#include "core/base/Parallel.h"

namespace velinor {

namespace {

const std::string& NoLabel() {
  static const std::string empty;
  return empty;
}

const TBitmap& NoImage() {
  static const TBitmap empty;
  return empty;
}

constexpr uint8_t kBandRaw = 0;
constexpr uint8_t kBandDeflated = 1;
// About a megabyte of pixels per band: large enough for deflate, small enough to
// spread over the threads.
constexpr size_t kBandBytes = size_t{1} << 20;
constexpr size_t kSmallBytes = 4096;

struct TCompressorFree {
  void operator()(libdeflate_compressor* c) const { libdeflate_free_compressor(c); }
};
struct TDecompressorFree {
  void operator()(libdeflate_decompressor* d) const { libdeflate_free_decompressor(d); }
};

// Differences along the row (bpp bytes apart), then blue and red as differences
// to green, so that grey and smooth areas become runs of small values.
void FilterRow(const uint8_t* src, uint8_t* dst, int width, int bpp) {
  const size_t n = static_cast<size_t>(width) * bpp;
  for (size_t i = 0; i < n; ++i) dst[i] = static_cast<uint8_t>(src[i] - (i >= static_cast<size_t>(bpp) ? src[i - bpp] : 0));
  if (bpp >= 3)
    for (size_t i = 0; i < n; i += bpp) {
      dst[i] = static_cast<uint8_t>(dst[i] - dst[i + 1]);
      dst[i + 2] = static_cast<uint8_t>(dst[i + 2] - dst[i + 1]);
    }
}

void UnfilterRow(uint8_t* row, int width, int bpp) {
  const size_t n = static_cast<size_t>(width) * bpp;
  if (bpp >= 3)
    for (size_t i = 0; i < n; i += bpp) {
      row[i] = static_cast<uint8_t>(row[i] + row[i + 1]);
      row[i + 2] = static_cast<uint8_t>(row[i + 2] + row[i + 1]);
    }
  for (size_t i = bpp; i < n; ++i) row[i] = static_cast<uint8_t>(row[i] + row[i - bpp]);
}

}  // namespace

size_t DefaultHistoryBudget() {
  constexpr size_t kMost = size_t{2} << 30;
  const long pages = sysconf(_SC_PHYS_PAGES);
  const long pageSize = sysconf(_SC_PAGE_SIZE);
  if (pages <= 0 || pageSize <= 0) return kMost;
  return std::min(kMost, static_cast<size_t>(pages) / 4 * static_cast<size_t>(pageSize));
}

// ---- TPackedPicture ----------------------------------------------------------------------

TPackedPicture TPackedPicture::Pack(const TBitmap& b, TRect r) {
  TPackedPicture p;
  r = IntersectRect(NormalizeRect(r), TRect{0, 0, b.Width(), b.Height()});
  p.format_ = b.PixelFormat();
  p.palette_ = b.Palette;
  p.transparent_ = b.Transparent;
  p.transparentColor_ = b.TransparentColor;
  if (b.Empty() || r.IsEmpty()) return p;
  p.left_ = r.Left;
  p.top_ = r.Top;
  p.width_ = r.Width();
  p.height_ = r.Height();
  const int bpp = BytesPerPixel(p.format_);
  const size_t rowBytes = static_cast<size_t>(p.width_) * bpp;
  p.bandRows_ = static_cast<int>(std::clamp<size_t>(kBandBytes / rowBytes, 1, static_cast<size_t>(p.height_)));
  const int bands = (p.height_ + p.bandRows_ - 1) / p.bandRows_;
  p.bands_.resize(bands);
  // Small pictures are not worth a compressor.
  const bool small = rowBytes * p.height_ < kSmallBytes;
  ParallelRows(0, bands, static_cast<int64_t>(p.bandRows_) * p.width_, [&](int first, int last) {
    std::unique_ptr<libdeflate_compressor, TCompressorFree> compressor(small ? nullptr : libdeflate_alloc_compressor(1));
    if (!compressor && !small) throw std::bad_alloc();
    std::vector<uint8_t> filtered;
    for (int band = first; band < last; ++band) {
      const int y0 = band * p.bandRows_, y1 = std::min(p.height_, y0 + p.bandRows_);
      const size_t bytes = rowBytes * (y1 - y0);
      std::vector<uint8_t>& out = p.bands_[band];
      size_t packed = 0;
      if (!small) {
        filtered.resize(bytes);
        for (int y = y0; y < y1; ++y)
          FilterRow(b.ScanLine(r.Top + y) + static_cast<size_t>(r.Left) * bpp, filtered.data() + rowBytes * (y - y0),
                    p.width_, bpp);
        out.resize(1 + libdeflate_deflate_compress_bound(compressor.get(), bytes));
        packed = libdeflate_deflate_compress(compressor.get(), filtered.data(), bytes, out.data() + 1, out.size() - 1);
      }
      if (packed > 0 && packed < bytes) {
        out[0] = kBandDeflated;
        out.resize(1 + packed);
      } else {
        out.resize(1 + bytes);
        out[0] = kBandRaw;
        for (int y = y0; y < y1; ++y)
          std::memcpy(out.data() + 1 + rowBytes * (y - y0), b.ScanLine(r.Top + y) + static_cast<size_t>(r.Left) * bpp,
                      rowBytes);
      }
      out.shrink_to_fit();
    }
  });
  return p;
}

void TPackedPicture::UnpackRows(const std::function<uint8_t*(int y)>& row) const {
  const int bpp = BytesPerPixel(format_);
  const size_t rowBytes = static_cast<size_t>(width_) * bpp;
  const int bands = static_cast<int>(bands_.size());
  ParallelRows(0, bands, static_cast<int64_t>(bandRows_) * width_, [&](int first, int last) {
    std::unique_ptr<libdeflate_decompressor, TDecompressorFree> decompressor;
    std::vector<uint8_t> rows;
    for (int band = first; band < last; ++band) {
      const int y0 = band * bandRows_, y1 = std::min(height_, y0 + bandRows_);
      const size_t bytes = rowBytes * (y1 - y0);
      const std::vector<uint8_t>& in = bands_[band];
      const bool deflated = in[0] == kBandDeflated;
      const uint8_t* src = in.data() + 1;
      if (deflated) {
        if (!decompressor) decompressor.reset(libdeflate_alloc_decompressor());
        if (!decompressor) throw std::bad_alloc();
        rows.resize(bytes);
        if (libdeflate_deflate_decompress(decompressor.get(), in.data() + 1, in.size() - 1, rows.data(), bytes,
                                          nullptr) != LIBDEFLATE_SUCCESS)
          throw std::logic_error("history band does not unpack");
        src = rows.data();
      }
      for (int y = y0; y < y1; ++y) {
        uint8_t* dst = row(y);
        std::memcpy(dst, src + rowBytes * (y - y0), rowBytes);
        if (deflated) UnfilterRow(dst, width_, bpp);
      }
    }
  });
}

TBitmap TPackedPicture::Unpack() const {
  TBitmap b;
  if (!Empty()) {
    b = TBitmap(width_, height_, format_);
    UnpackRows([&](int y) { return b.ScanLine(y); });
  }
  b.Palette = palette_;
  b.Transparent = transparent_;
  b.TransparentColor = transparentColor_;
  return b;
}

void TPackedPicture::UnpackInto(TBitmap& b) const {
  if (Empty()) return;
  const int bpp = BytesPerPixel(format_);
  UnpackRows([&](int y) { return b.ScanLine(top_ + y) + static_cast<size_t>(left_) * bpp; });
}

size_t TPackedPicture::ByteSize() const {
  size_t bytes = 0;
  for (const auto& band : bands_) bytes += band.size();
  return bytes;
}

// ---- THistory ----------------------------------------------------------------------------

THistory::THistory(size_t depth, size_t budget) : depth_(depth > 0 ? depth : 1), budget_(budget) {}

const std::string& THistory::UndoLabel() const { return undo_.empty() ? NoLabel() : undo_.back().Label; }

const std::string& THistory::RedoLabel() const { return redo_.empty() ? NoLabel() : redo_.back().Label; }

const TBitmap& THistory::OtherSide() const {
  const THistoryStep* step = !undo_.empty() ? &undo_.back() : (!redo_.empty() ? &redo_.back() : nullptr);
  if (!step) return NoImage();
  if (!step->Pending.Empty()) return step->Pending;
  if (!otherSideValid_) {
    otherSide_ = step->Image.Unpack();
    otherSideValid_ = true;
  }
  return otherSide_;
}

THistoryFlags THistory::RedoFlags() const { return redo_.empty() ? THistoryFlags{} : redo_.back().Flags; }

size_t THistory::ByteSize() const {
  size_t bytes = 0;
  for (const auto* side : {&undo_, &redo_})
    for (const THistoryStep& step : *side)
      bytes += step.Image.ByteSize() + step.PlaneImage.ByteSize() + step.Pending.ByteSize();
  return bytes;
}

TPackedPicture THistory::PackFor(const TBitmap& b, TRect r) {
  if (OnAllocate) OnAllocate(b.ByteSize());
  return TPackedPicture::Pack(b, r);
}

bool THistory::DropOldest(const THistoryStep* keep) {
  otherSideValid_ = false;
  otherSide_.Clear();
  if (!undo_.empty() && &undo_.front() != keep) {
    undo_.pop_front();
    return true;
  }
  // Past the oldest undo step (or the kept one) the redo step furthest away goes.
  if (!redo_.empty() && &redo_.front() != keep) {
    redo_.pop_front();
    return true;
  }
  return false;
}

void THistory::Trim(const THistoryStep* keep) {
  while (ByteSize() > budget_)
    if (!DropOldest(keep)) {
      Clear();  // the kept step alone is over the budget
      return;
    }
}

void THistory::Push(THistoryStep step) {
  undo_.push_back(std::move(step));
  Trim(&undo_.back());
}

THistoryStep THistory::NewStep(std::string label, bool keepsResult, THistoryFlags flagsBefore) {
  // A new step: whatever Redo could have restored goes, and the oldest steps
  // beyond the depth.
  redo_.clear();
  otherSideValid_ = false;
  otherSide_.Clear();
  while (undo_.size() >= depth_) undo_.pop_front();
  THistoryStep step;
  step.Label = std::move(label);
  step.KeepsResult = keepsResult;
  step.FlagsBefore = flagsBefore;
  return step;
}

void THistory::Record(std::string label, TBitmap&& before, bool keepsResult, THistoryFlags flagsBefore) {
  if (!packLater_) {
    Record(std::move(label), static_cast<const TBitmap&>(before), keepsResult, flagsBefore);
    return;
  }
  THistoryStep step = NewStep(std::move(label), keepsResult, flagsBefore);
  step.Pending = std::move(before);
  Push(std::move(step));
}

void THistory::Record(std::string label, const TBitmap& before, bool keepsResult, THistoryFlags flagsBefore) {
  THistoryStep step = NewStep(std::move(label), keepsResult, flagsBefore);
  for (;;) {
    try {
      if (packLater_) {
        if (OnAllocate) OnAllocate(before.ByteSize());
        step.Pending = before;
      } else {
        step.Image = PackFor(before, FullImageRect);
      }
      break;
    } catch (const std::bad_alloc&) {
      if (!DropOldest(nullptr)) {
        Clear();
        return;
      }
    }
  }
  Push(std::move(step));
}

void THistory::RecordRegion(std::string label, TRect rect, const TBitmap& before, TBitmap* plane,
                            const TBitmap& planeBefore, THistoryFlags flagsBefore) {
  THistoryStep step = NewStep(std::move(label), true, flagsBefore);
  step.Region = true;
  step.Plane = plane;
  rect = NormalizeRect(rect);
  for (;;) {
    try {
      // The rectangle's pixels are packed where they lie in the picture.
      step.Image = PackFor(before, TRect{0, 0, rect.Width(), rect.Height()});
      if (plane) step.PlaneImage = PackFor(planeBefore, TRect{0, 0, rect.Width(), rect.Height()});
      break;
    } catch (const std::bad_alloc&) {
      if (!DropOldest(nullptr)) {
        Clear();
        return;
      }
    }
  }
  step.Image.Offset(rect.Left, rect.Top);
  step.PlaneImage.Offset(rect.Left, rect.Top);
  Push(std::move(step));
}

void THistory::Exchange(THistoryStep& step, TBitmap& current) {
  otherSideValid_ = false;
  otherSide_.Clear();
  for (;;) {
    try {
      // Everything that takes memory first, so that running out changes nothing.
      if (!step.Pending.Empty()) {
        std::swap(step.Pending, current);  // nothing to pack or unpack
      } else if (!step.Region && packLater_) {
        if (OnAllocate) OnAllocate(step.Image.Area().Width() * size_t{4} * step.Image.Area().Height());
        TBitmap back = step.Image.Unpack();
        step.Pending = std::move(current);
        step.Image = TPackedPicture();
        current = std::move(back);
      } else if (!step.Region) {
        TPackedPicture packed = PackFor(current, FullImageRect);
        if (OnAllocate) OnAllocate(step.Image.Area().Width() * size_t{4} * step.Image.Area().Height());
        TBitmap back = step.Image.Unpack();
        step.Image = std::move(packed);
        current = std::move(back);
      } else {
        // A rectangle goes back only into the picture it was taken from.
        auto fits = [](const TPackedPicture& p, const TBitmap& b) {
          const TRect a = p.Area();
          return p.Empty() || (a.Left >= 0 && a.Top >= 0 && a.Right <= b.Width() && a.Bottom <= b.Height());
        };
        if (!fits(step.Image, current) || (step.Plane && !fits(step.PlaneImage, *step.Plane)))
          throw std::logic_error("history rectangle outside its picture");
        TPackedPicture packed = PackFor(current, step.Image.Area());
        TPackedPicture planePacked;
        if (step.Plane) planePacked = PackFor(*step.Plane, step.PlaneImage.Area());
        step.Image.UnpackInto(current);
        if (step.Plane) step.PlaneImage.UnpackInto(*step.Plane);
        step.Image = std::move(packed);
        step.PlaneImage = std::move(planePacked);
      }
      return;
    } catch (const std::bad_alloc&) {
      if (!DropOldest(&step)) throw;
    }
  }
}

void THistory::Undo(TBitmap& current, THistoryFlags& flags) {
  if (undo_.empty()) return;
  Exchange(undo_.back(), current);
  THistoryStep step = std::move(undo_.back());
  undo_.pop_back();
  step.Flags = flags;
  // The step undone before this one changed the flags; Redo gives back the ones
  // this step left.
  if (!redo_.empty()) step.Flags = redo_.back().FlagsBefore;
  if (!step.KeepsResult) flags.Processed = false;
  redo_.push_back(std::move(step));
  Trim(&redo_.back());
}

void THistory::Redo(TBitmap& current, THistoryFlags& flags) {
  if (redo_.empty()) return;
  Exchange(redo_.back(), current);
  THistoryStep step = std::move(redo_.back());
  redo_.pop_back();
  flags = step.Flags;
  step.Flags = {};
  undo_.push_back(std::move(step));
  Trim(&undo_.back());
}

bool THistory::PackPending() {
  bool packed = false;
  for (auto* side : {&undo_, &redo_})
    for (THistoryStep& step : *side) {
      if (step.Pending.Empty()) continue;
      try {
        step.Image = PackFor(step.Pending, FullImageRect);
        step.Pending.Clear();
        packed = true;
      } catch (const std::bad_alloc&) {
        // Kept as it is: it still counts in full against the budget.
      }
    }
  return packed;
}

void THistory::Clear() {
  undo_.clear();
  redo_.clear();
  otherSideValid_ = false;
  otherSide_.Clear();
}

}  // namespace velinor
