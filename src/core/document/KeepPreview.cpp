#include "core/document/KeepPreview.h"

#include <algorithm>
#include <cstring>
#include <stdexcept>
#include <utility>

#include "core/base/Parallel.h"
#include "core/resize/StretchEx.h"

namespace velinor {

namespace {

// Thrown from the progress reports to abandon a computation whose inputs are
// no longer the latest (the engine stops its row loops on it).
struct TAbandoned {};

// The pixels of rect of source (24-bit) copied into a bitmap of their own.
void CopyArea(const TBitmap& source, const TRect& rect, TBitmap& out) {
  out.SetPixelFormat(TPixelFormat::pf24bit);
  out.SetSize(rect.Width(), rect.Height());
  const size_t bytes = static_cast<size_t>(rect.Width()) * 3;
  for (int y = 0; y < rect.Height(); ++y)
    std::memcpy(out.ScanLine(y), source.ScanLine(rect.Top + y) + static_cast<size_t>(rect.Left) * 3, bytes);
}

}  // namespace

void KeepPreviewOfArea(const TBitmap& photoIn, TRect area, int width, int height, const TKeepOptions& options,
                       TBitmap& result, TBitmap& mask, TBitmap* shownPhoto) {
  TBitmap converted;
  const TBitmap* photo = &ConvertedTo(photoIn, TPixelFormat::pf24bit, converted);
  ClipToBitmap(area, *photo);
  if (area.IsEmpty() || width <= 0 || height <= 0) {
    result.Clear();
    mask.Clear();
    if (shownPhoto) shownPhoto->Clear();
    return;
  }
  TBitmap input;
  if (width >= area.Width() && height >= area.Height()) {
    // At scale 1 or more the area itself, with enough of the photo around it that
    // the shaping sees what it sees on the whole photo.
    TRect grown{area.Left - kPreviewMargin, area.Top - kPreviewMargin, area.Right + kPreviewMargin,
                area.Bottom + kPreviewMargin};
    ClipToBitmap(grown, *photo);
    CopyArea(*photo, grown, input);
    TBitmap bigResult, bigMask;
    KeepColorsOfPhoto(bigResult, bigMask, input, options);
    const TRect inner{area.Left - grown.Left, area.Top - grown.Top, area.Right - grown.Left,
                      area.Bottom - grown.Top};
    CopyArea(bigResult, inner, result);
    CopyArea(bigMask, inner, mask);
    if (shownPhoto) CopyArea(input, inner, *shownPhoto);
    return;
  }
  input.SetPixelFormat(TPixelFormat::pf24bit);
  input.SetSize(width, height);
  StretchNearest(*photo, area, input, BitmapBounds(input), BitmapBounds(input));
  KeepColorsOfPhoto(result, mask, input, options);
  if (shownPhoto) *shownPhoto = std::move(input);
}

bool SameKeepOptions(const TKeepOptions& a, const TKeepOptions& b) {
  return a.Entries == b.Entries && a.Excluded == b.Excluded && a.Gradient == b.Gradient &&
         a.Tolerance == b.Tolerance && a.Progressive == b.Progressive && a.Sepia == b.Sepia;
}

void MaskLook(const TBitmap& photoIn, const TBitmap& mask, TBitmap& look) {
  if (photoIn.Width() != mask.Width() || photoIn.Height() != mask.Height())
    throw std::invalid_argument("MaskLook: the photo and the mask differ in size");
  TBitmap converted;
  const TBitmap* photo = &ConvertedTo(photoIn, TPixelFormat::pf24bit, converted);
  const int w = photo->Width(), h = photo->Height();
  look.Transparent = false;
  look.SetPixelFormat(TPixelFormat::pf24bit);
  look.SetSize(w, h);
  const int step = BytesPerPixel(mask.PixelFormat());
  const int over[3] = {static_cast<int>((kMaskOverlayColor >> 16) & 0xFF),
                       static_cast<int>((kMaskOverlayColor >> 8) & 0xFF),
                       static_cast<int>(kMaskOverlayColor & 0xFF)};
  ParallelRows(0, h, w, [&](int first, int last) {
    for (int y = first; y < last; ++y) {
      const uint8_t* p = photo->ScanLine(y);
      const uint8_t* m = mask.ScanLine(y);
      uint8_t* o = look.ScanLine(y);
      for (int x = 0; x < w; ++x, p += 3, m += step, o += 3) {
        // Weight of the overlay: half of the grey share, in 1/510ths.
        const int a = m[0];
        for (int c = 0; c < 3; ++c) o[c] = static_cast<uint8_t>((p[c] * (510 - a) + over[c] * a + 255) / 510);
      }
    }
  });
}

// ---- the worker ------------------------------------------------------------------------

TKeepPreviewWorker::TKeepPreviewWorker(std::function<void(uint64_t)> onFinished)
    : onFinished_(std::move(onFinished)), thread_([this] { Run(); }) {}

TKeepPreviewWorker::~TKeepPreviewWorker() {
  {
    const std::lock_guard<std::mutex> guard(lock_);
    quit_ = true;
    pending_ = 0;
    latest_ = latest_ + 1;  // what runs is no longer the latest: it stops
  }
  wake_.notify_all();
  thread_.join();
}

uint64_t TKeepPreviewWorker::Start(std::shared_ptr<const TBitmap> photo, const TKeepOptions& options) {
  uint64_t generation;
  {
    const std::lock_guard<std::mutex> guard(lock_);
    generation = latest_ + 1;
    latest_ = generation;
    pending_ = generation;  // replaces a request not begun yet: nothing queues
    photo_ = std::move(photo);
    options_ = options;
    readyGeneration_ = 0;
  }
  wake_.notify_all();
  return generation;
}

void TKeepPreviewWorker::Cancel() {
  const std::lock_guard<std::mutex> guard(lock_);
  latest_ = latest_ + 1;
  pending_ = 0;
  photo_.reset();
  readyGeneration_ = 0;
  settled_.notify_all();
}

bool TKeepPreviewWorker::Take(uint64_t generation, TBitmap& result, TBitmap& mask) {
  const std::lock_guard<std::mutex> guard(lock_);
  if (generation == 0 || readyGeneration_ != generation || latest_ != generation) return false;
  result = std::move(result_);
  mask = std::move(mask_);
  result_ = TBitmap();
  mask_ = TBitmap();
  readyGeneration_ = 0;
  return true;
}

bool TKeepPreviewWorker::WaitFor(uint64_t generation) {
  std::unique_lock<std::mutex> guard(lock_);
  settled_.wait(guard, [&] {
    return readyGeneration_ == generation || latest_ != generation || (pending_ == 0 && !computing_);
  });
  return readyGeneration_ == generation && latest_ == generation;
}

bool TKeepPreviewWorker::Busy() const {
  const std::lock_guard<std::mutex> guard(lock_);
  return pending_ != 0 || (computing_ && readyGeneration_ != latest_);
}

void TKeepPreviewWorker::Run() {
  for (;;) {
    uint64_t generation;
    std::shared_ptr<const TBitmap> photo;
    TKeepOptions options;
    {
      std::unique_lock<std::mutex> guard(lock_);
      wake_.wait(guard, [this] { return quit_ || pending_ != 0; });
      if (quit_) return;
      generation = pending_;
      pending_ = 0;
      photo = photo_;
      options = options_;
      computing_ = true;
    }
    ++begun_;
    TBitmap result, mask;
    bool finished = false;
    try {
      KeepColorsOfPhoto(result, mask, *photo, options, [this, generation](const std::string&, int) {
        if (latest_.load(std::memory_order_relaxed) != generation) throw TAbandoned{};
      });
      finished = true;
    } catch (...) {
      // Abandoned, or failed (out of memory, say): no result; "Execute" then
      // computes on its own and reports what goes wrong.
    }
    photo.reset();
    bool handOver = false;
    {
      const std::lock_guard<std::mutex> guard(lock_);
      computing_ = false;
      if (finished && latest_ == generation) {
        result_ = std::move(result);
        mask_ = std::move(mask);
        readyGeneration_ = generation;
        handOver = true;
      }
    }
    settled_.notify_all();
    if (finished) ++completed_;
    if (handOver && onFinished_) onFinished_(generation);
  }
}

}  // namespace velinor
