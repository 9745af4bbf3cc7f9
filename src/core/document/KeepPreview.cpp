#include "core/document/KeepPreview.h"

#include <algorithm>
#include <cstring>
#include <stdexcept>
#include <utility>

#include "core/base/Parallel.h"
#include "core/document/Document.h"

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

// The photo's pixel each of n look pixels stands for, sampling span pixels from
// `first` on (nearest, as the view samples a picture down).
std::vector<int> Samples(int first, int span, int n) {
  std::vector<int> v(static_cast<size_t>(n));
  for (int i = 0; i < n; ++i) v[i] = first + static_cast<int>(static_cast<int64_t>(i) * span / n);
  return v;
}

}  // namespace

void TPreviewLook::Clear() {
  Area = TRect{};
  Result.Clear();
  Mask.Clear();
  Photo.Clear();
  Layer.Clear();
  Columns.clear();
  Rows.clear();
}

TRect TPreviewLook::LookRectOf(TRect r) const {
  auto at = [](const std::vector<int>& v, int value) {
    return static_cast<int>(std::lower_bound(v.begin(), v.end(), value) - v.begin());
  };
  r = NormalizeRect(r);
  const TRect look{at(Columns, r.Left), at(Rows, r.Top), at(Columns, r.Right), at(Rows, r.Bottom)};
  return look.IsEmpty() ? TRect{} : look;
}

TRect TPreviewLook::FollowTouchUps(const TTouchUps& photoLayer, TRect r) {
  const TRect changed = LookRectOf(r);
  if (changed.IsEmpty() || Empty()) return TRect{};
  Layer = photoLayer.Sampled(Columns, Rows);
  RecomposeTouched(Result, Photo, Mask, Layer, Sepia, changed);
  return changed;
}

void KeepPreviewOfArea(const TBitmap& photoIn, TRect area, int width, int height, const TKeepOptions& options,
                       const TTouchUps* touchUps, TPreviewLook& look) {
  TBitmap converted;
  const TBitmap* photo = &ConvertedTo(photoIn, TPixelFormat::pf24bit, converted);
  ClipToBitmap(area, *photo);
  look.Clear();
  if (area.IsEmpty() || width <= 0 || height <= 0) return;
  look.Area = area;
  look.Sepia = options.Sepia;
  if (width >= area.Width() && height >= area.Height()) {
    // At scale 1 or more the area itself, with enough of the photo around it that
    // the shaping sees what it sees on the whole photo.
    TRect grown{area.Left - kPreviewMargin, area.Top - kPreviewMargin, area.Right + kPreviewMargin,
                area.Bottom + kPreviewMargin};
    ClipToBitmap(grown, *photo);
    TBitmap input;
    CopyArea(*photo, grown, input);
    TBitmap bigResult, bigMask;
    KeepColorsOfPhoto(bigResult, bigMask, input, options);
    const TRect inner{area.Left - grown.Left, area.Top - grown.Top, area.Right - grown.Left,
                      area.Bottom - grown.Top};
    CopyArea(bigResult, inner, look.Result);
    CopyArea(bigMask, inner, look.Mask);
    CopyArea(input, inner, look.Photo);
    look.Columns = Samples(area.Left, area.Width(), area.Width());
    look.Rows = Samples(area.Top, area.Height(), area.Height());
  } else {
    look.Columns = Samples(area.Left, area.Width(), width);
    look.Rows = Samples(area.Top, area.Height(), height);
    look.Photo.SetPixelFormat(TPixelFormat::pf24bit);
    look.Photo.SetSize(width, height);
    ParallelRows(0, height, width, [&](int first, int last) {
      for (int j = first; j < last; ++j) {
        const uint8_t* row = photo->ScanLine(look.Rows[j]);
        uint8_t* out = look.Photo.ScanLine(j);
        for (int i = 0; i < width; ++i, out += 3) std::memcpy(out, row + 3 * static_cast<size_t>(look.Columns[i]), 3);
      }
    });
    KeepColorsOfPhoto(look.Result, look.Mask, look.Photo, options);
  }
  if (touchUps && !touchUps->Empty() && touchUps->Width() == photo->Width() && touchUps->Height() == photo->Height())
    look.FollowTouchUps(*touchUps, touchUps->Touched());
}

bool SameKeepOptions(const TKeepOptions& a, const TKeepOptions& b) {
  return a.Entries == b.Entries && a.Excluded == b.Excluded && a.Gradient == b.Gradient &&
         a.Tolerance == b.Tolerance && a.Progressive == b.Progressive && a.Sepia == b.Sepia;
}

void MaskLook(const TBitmap& photoIn, const TBitmap& mask, TBitmap& look, const TTouchUps* touchUps, TRect rect) {
  if (photoIn.Width() != mask.Width() || photoIn.Height() != mask.Height())
    throw std::invalid_argument("MaskLook: the photo and the mask differ in size");
  TBitmap converted;
  const TBitmap* photo = &ConvertedTo(photoIn, TPixelFormat::pf24bit, converted);
  const int w = photo->Width(), h = photo->Height();
  if (look.Width() != w || look.Height() != h || look.PixelFormat() != TPixelFormat::pf24bit) {
    look.Transparent = false;
    look.SetPixelFormat(TPixelFormat::pf24bit);
    look.SetSize(w, h);
    rect = FullImageRect;
  }
  ClipToBitmap(rect, *photo);
  if (rect.IsEmpty()) return;
  const int step = BytesPerPixel(mask.PixelFormat());
  const bool touched = touchUps && !touchUps->Empty() && step == 3;
  const int over[3] = {static_cast<int>((kMaskOverlayColor >> 16) & 0xFF),
                       static_cast<int>((kMaskOverlayColor >> 8) & 0xFF),
                       static_cast<int>(kMaskOverlayColor & 0xFF)};
  const int n = rect.Width();
  ParallelRows(rect.Top, rect.Bottom, n, [&](int first, int last) {
    std::vector<uint8_t> levels(static_cast<size_t>(n));
    for (int y = first; y < last; ++y) {
      const uint8_t* p = photo->ScanLine(y) + 3 * static_cast<size_t>(rect.Left);
      const uint8_t* m = mask.ScanLine(y) + static_cast<size_t>(step) * rect.Left;
      uint8_t* o = look.ScanLine(y) + 3 * static_cast<size_t>(rect.Left);
      if (touched) touchUps->ApplyRow(y, rect.Left, n, m, levels.data());
      else
        for (int x = 0; x < n; ++x) levels[x] = m[static_cast<size_t>(x) * step];
      for (int x = 0; x < n; ++x, p += 3, o += 3) {
        // Weight of the overlay: half of the grey share, in 1/510ths.
        const int a = levels[x];
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

uint64_t TKeepPreviewWorker::Start(std::shared_ptr<const TBitmap> photo, const TKeepOptions& options,
                                   std::shared_ptr<const TTouchUps> touchUps) {
  uint64_t generation;
  {
    const std::lock_guard<std::mutex> guard(lock_);
    generation = latest_ + 1;
    latest_ = generation;
    pending_ = generation;  // replaces a request not begun yet: nothing queues
    photo_ = std::move(photo);
    touchUps_ = std::move(touchUps);
    options_ = options;
    readyGeneration_ = 0;
  }
  wake_.notify_all();
  return generation;
}

void TKeepPreviewWorker::Recycle(TBitmap result, TBitmap mask) {
  const std::lock_guard<std::mutex> guard(lock_);
  for (TBitmap* picture : {&result, &mask})
    if (!picture->Empty()) spares_.push_back(std::move(*picture));
}

void TKeepPreviewWorker::Cancel() {
  const std::lock_guard<std::mutex> guard(lock_);
  latest_ = latest_ + 1;
  pending_ = 0;
  photo_.reset();
  touchUps_.reset();
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
    std::shared_ptr<const TTouchUps> touchUps;
    TKeepOptions options;
    std::vector<TBitmap> spares;
    {
      std::unique_lock<std::mutex> guard(lock_);
      wake_.wait(guard, [this] { return quit_ || pending_ != 0; });
      if (quit_) return;
      generation = pending_;
      pending_ = 0;
      photo = photo_;
      touchUps = touchUps_;
      options = options_;
      computing_ = true;
      spares.swap(spares_);
    }
    ++begun_;
    TBitmap result, mask;
    for (TBitmap* picture : {&result, &mask})
      if (!spares.empty()) {
        *picture = std::move(spares.back());
        spares.pop_back();
      }
    spares.clear();  // any more are freed here, off the caller's thread
    bool finished = false;
    try {
      ExecuteResult(*photo, options, touchUps.get(), result, mask, [this, generation](const std::string&, int) {
        if (latest_.load(std::memory_order_relaxed) != generation) throw TAbandoned{};
      });
      finished = true;
    } catch (...) {
      // Abandoned, or failed (out of memory, say): no result; "Execute" then
      // computes on its own and reports what goes wrong.
    }
    photo.reset();
    touchUps.reset();
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
