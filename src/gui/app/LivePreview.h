#pragma once
// The live preview of the colour keep in the window: after every change of the
// inputs of "Execute" the view shows what it would produce, first the look of the
// part on screen at its scale, then the exact full-resolution result from the
// worker, both with the brush's touch-ups as "Execute" applies them (a stroke
// painted meanwhile is followed where it passes). The document is not touched:
// the view shows the preview over its picture. "Execute" takes the exact result
// when it is finished for the inputs of the moment. The mask view shows, over the
// photo, which pixels turn grey: the final mask, strokes included.
#include <QElapsedTimer>
#include <QObject>
#include <functional>
#include <memory>

#include "core/base/Bitmap.h"
#include "core/document/KeepPreview.h"
#include "core/engine/KeepColors.h"

namespace velinor {

class TDocument;
class TMyCustomImage;

class TLivePreview : public QObject {
  Q_OBJECT
 public:
  TLivePreview(TDocument& document, TMyCustomImage& view, QObject* parent = nullptr);
  ~TLivePreview() override;

  // Off: nothing is ever shown or computed (the specified behaviour).
  bool Enabled() const { return enabled_; }
  void SetEnabled(bool on);

  // The inputs of "Execute" changed: the preview is shown for them (nothing
  // without a kept colour or a document).
  void InputsChanged(const TKeepOptions& options);
  // The preview leaves the screen until the next change of the inputs.
  void Hide();
  // Whether the view shows the preview (the look or the exact result).
  bool OnScreen() const { return onScreen_; }
  // Whether the exact result is on screen (the look was replaced by it).
  bool ExactOnScreen() const { return onScreen_ && exactReady_; }
  // Takes the exact result for these inputs and the document as it is now, when
  // it is finished, with the copy of the photo it was computed from (empty when
  // it is still shared); shownAsIs: the view shows that very result as its
  // overlay (TMyCustomImage::AdoptOverlay may then keep what it derived from it).
  // The preview leaves the screen. False otherwise.
  bool TakeExact(const TKeepOptions& options, TBitmap& result, TBitmap& mask, TBitmap& photoCopy,
                 bool& shownAsIs);
  // The document changed (a command ran): what was shown for an older picture
  // goes, and a computation for it is abandoned.
  void DocumentChanged();
  // The brush painted the document's touch-ups within rect (image pixels): what
  // is shown follows them there (the caller repaints that part of the view).
  void TouchUpsPainted(TRect rect);

  // The mask view: over the photo, a translucent colour where it turns grey —
  // of the preview while it is on screen, of the last result otherwise.
  bool MaskView() const { return maskView_; }
  void SetMaskView(bool on);

  // What the view shows now over the document's picture (for the tests): the
  // bitmap and the image area it covers; null when nothing.
  const TBitmap* Shown() const;

  // The status text or the shown frames changed.
  std::function<void()> OnScreenChanged;
  // A frame of the preview made for a change of the inputs was painted:
  // milliseconds from that change.
  std::function<void(double)> OnFramePainted;

  // For the tests: waits (events processed) until the exact result is on screen
  // or the time runs out; true when it is.
  bool WaitForExact(int timeoutMs);

 private:
  void ExactFinished(uint64_t generation);
  // report: the frame answers a change of the inputs (OnFramePainted hears of it).
  void ShowOnView(bool report = false);
  const TBitmap& Photo() const;
  // The document's touch-ups when they fit the photo, else null (none).
  const TTouchUps* Layer() const;
  // The exact result made to show the touch-ups as they are now.
  void SyncExactLayer();

  TDocument& document_;
  TMyCustomImage& view_;
  bool enabled_ = true;
  bool maskView_ = false;
  bool onScreen_ = false;

  // The snapshots of the photo and of the touch-ups the worker reads, and the
  // revisions they were taken at.
  std::shared_ptr<TBitmap> snapshot_;
  uint64_t snapshotRevision_ = ~uint64_t{0};
  std::shared_ptr<const TTouchUps> layerSnapshot_;
  uint64_t layerSnapshotRevision_ = ~uint64_t{0};

  TKeepOptions options_;     // the inputs of what is shown
  uint64_t revision_ = 0;    // the document revision it was computed for
  uint64_t generation_ = 0;  // the worker's generation for it
  TPreviewLook look_;        // the look of the shown area
  TBitmap exact_, exactMask_;
  bool exactReady_ = false;
  // The touch-ups exact_ shows: their revision and their touched rectangle.
  uint64_t exactLayerRevision_ = 0;
  TRect exactTouched_{};
  TBitmap maskLook_;  // the mask view's picture when it is on
  QElapsedTimer sinceChange_;
  std::unique_ptr<TKeepPreviewWorker> worker_;
};

}  // namespace velinor
