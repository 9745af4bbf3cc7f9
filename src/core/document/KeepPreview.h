#pragma once
// The live preview of the colour keep: what "Execute" would produce with the
// inputs of the moment, shown before it runs.
//
// Two parts. KeepPreviewOfArea gives at once the look of the part of the photo on
// screen, at the scale it is shown. TKeepPreviewWorker computes the exact
// full-resolution result on one worker thread: each Start abandons whatever it
// was computing or about to compute (only the latest inputs count, nothing is
// queued), and the finished result is handed back through Take. The worker reads
// only the snapshots of the photo and of the touch-ups it was given; the engine
// gives the same pixels on any thread. Both apply the touch-ups as "Execute" does.
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "core/base/Bitmap.h"
#include "core/base/Geometry.h"
#include "core/engine/KeepColors.h"
#include "core/engine/TouchUps.h"

namespace velinor {

// Pixels of the photo beyond a shown area that its result depends on: the
// shaping's window (the vote, the erosion and the contour's blur) reaches this
// far, so at scale 1 and above the area comes out as KeepColors has it.
inline constexpr int kPreviewMargin = 48;

// The look of the colour keep over an area of the photo: its pictures stand for
// the photo's pixels (Columns[i], Rows[j]) at their pixel (i, j).
struct TPreviewLook {
  TRect Area{};     // of the photo
  TBitmap Result;   // the look, the touch-ups applied
  TBitmap Mask;     // its computed mask (before the touch-ups)
  TBitmap Photo;    // the photo's pixels it stands for (the mask view lays the mask over them)
  TTouchUps Layer;  // the touch-ups at its pixels
  std::vector<int> Columns, Rows;
  bool Sepia = false;

  bool Empty() const { return Result.Empty(); }
  void Clear();
  // The look's pixels standing for the photo's rectangle r.
  TRect LookRectOf(TRect r) const;
  // The touch-ups of the photo (a layer of its size) changed within r: the look
  // follows them there. Returns the look's rectangle that changed.
  TRect FollowTouchUps(const TTouchUps& photoLayer, TRect r);
};

// The result of the colour keep over `area` of the photo, as it looks at
// width x height pixels: at that size or larger than the area, the area itself
// (computed on it with a margin around it, so the result is KeepColors' own
// there); smaller, the area sampled down to that size first (a look, not the exact
// contour). The touch-ups, when given (a layer of the photo's size), are applied as
// "Execute" applies them. The look's pictures become area-sized or width x height;
// the area is clipped to the photo, and an empty area leaves the look empty.
void KeepPreviewOfArea(const TBitmap& photo, TRect area, int width, int height, const TKeepOptions& options,
                       const TTouchUps* touchUps, TPreviewLook& look);

// Two option sets give the same result.
bool SameKeepOptions(const TKeepOptions& a, const TKeepOptions& b);

// The mask view: the photo in its own colours where the mask keeps them (0), and
// under a translucent overlay of one strong colour where it turns grey (255: half
// overlay), partial on the soft contour. photo and mask have the same size
// (std::invalid_argument otherwise); look becomes a 24-bit picture of it. The mask
// shown is the final one: the touch-ups, when given, applied over the computed
// mask (24-bit). With a rect, only its pixels are made again when look has the
// photo's size already (a stroke's rectangle).
inline constexpr TColor kMaskOverlayColor = 0xA000FF;  // B 0xA0, G 0, R 0xFF: a strong pink
void MaskLook(const TBitmap& photo, const TBitmap& mask, TBitmap& look, const TTouchUps* touchUps = nullptr,
              TRect rect = FullImageRect);

class TKeepPreviewWorker {
 public:
  // onFinished runs on the worker thread when a result is ready for Take, with its
  // generation; the receiver hands it over to its own thread.
  explicit TKeepPreviewWorker(std::function<void(uint64_t generation)> onFinished = {});
  TKeepPreviewWorker(const TKeepPreviewWorker&) = delete;
  TKeepPreviewWorker& operator=(const TKeepPreviewWorker&) = delete;
  // Abandons the computation and waits for the thread to end.
  ~TKeepPreviewWorker();

  // Computes ExecuteResult of the photo with the options and the touch-ups (none
  // when null), abandoning the computation under way; returns the new generation
  // (never 0). The result handed over is "Execute"'s, the mask the computed one.
  uint64_t Start(std::shared_ptr<const TBitmap> photo, const TKeepOptions& options,
                 std::shared_ptr<const TTouchUps> touchUps = nullptr);
  // Pictures of an earlier result that nobody needs any more: the next
  // computation writes into them. Their memory is reused, and is never given back
  // on the caller's thread (at 24 MP that alone costs the window a frame).
  void Recycle(TBitmap result, TBitmap mask);
  // Abandons the computation under way and drops a result not taken yet.
  void Cancel();
  // The finished result of `generation` (moved out): false when that is not the
  // latest generation, or it is not finished, or it failed.
  bool Take(uint64_t generation, TBitmap& result, TBitmap& mask);
  // Whether the latest generation is still being computed.
  bool Busy() const;
  // Waits until `generation` is finished (true: Take will hand it over) or is no
  // longer computed (abandoned, replaced or failed: false).
  bool WaitFor(uint64_t generation);

  // For the tests: computations begun and finished since the worker was made.
  int Begun() const { return begun_; }
  int Completed() const { return completed_; }

 private:
  void Run();

  std::function<void(uint64_t)> onFinished_;
  mutable std::mutex lock_;
  std::condition_variable wake_;
  std::condition_variable settled_;  // a computation ended
  // The latest request: its generation, photo and options (taken by the thread).
  std::atomic<uint64_t> latest_{0};
  uint64_t pending_ = 0;  // the generation waiting to be begun, 0 when none
  std::shared_ptr<const TBitmap> photo_;
  std::shared_ptr<const TTouchUps> touchUps_;
  TKeepOptions options_;
  bool quit_ = false;
  // The finished result and its generation.
  uint64_t readyGeneration_ = 0;
  TBitmap result_;
  TBitmap mask_;
  // Given back by Recycle: the next computation writes into two of them (result
  // and mask are both 24-bit pictures of the photo's size) and frees the rest.
  std::vector<TBitmap> spares_;
  bool computing_ = false;
  std::atomic<int> begun_{0};
  std::atomic<int> completed_{0};
  std::thread thread_;
};

}  // namespace velinor
