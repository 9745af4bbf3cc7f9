#include "gui/app/LivePreview.h"

#include <QCoreApplication>
#include <QMetaObject>
#include <QThread>
#include <utility>

#include "core/document/Document.h"
#include "gui/view/MyImage.h"

namespace velinor {

TLivePreview::TLivePreview(TDocument& document, TMyCustomImage& view, QObject* parent)
    : QObject(parent), document_(document), view_(view) {
  // The worker's hand-over reaches this object on its own thread; a hand-over
  // still under way when the object goes is dropped with it.
  worker_ = std::make_unique<TKeepPreviewWorker>([this](uint64_t generation) {
    QMetaObject::invokeMethod(this, [this, generation] { ExactFinished(generation); }, Qt::QueuedConnection);
  });
}

TLivePreview::~TLivePreview() {
  view_.SetOverlay(nullptr);
  worker_.reset();  // joins the thread before the pictures go
}

const TBitmap& TLivePreview::Photo() const { return document_.KeepPhoto(); }

void TLivePreview::SetEnabled(bool on) {
  enabled_ = on;
  if (!on) Hide();
}

void TLivePreview::InputsChanged(const TKeepOptions& options) {
  if (!enabled_) return;
  sinceChange_.start();
  const TBitmap& photo = Photo();
  // A resized result no longer matches its photo: the view's picture and the
  // photo differ in size, and "Execute" restarts from the photo.
  if (!document_.IsOpen() || options.Entries.empty() || photo.Width() != document_.CurrentImage().Width() ||
      photo.Height() != document_.CurrentImage().Height()) {
    Hide();
    return;
  }
  options_ = options;
  revision_ = document_.Revision();
  exactReady_ = false;
  // First the look of what is on screen, at its scale.
  const TRect visible = view_.VisibleImageRect();
  lookArea_ = view_.ClientToImageRect(visible);
  ClipToBitmap(lookArea_, photo);
  KeepPreviewOfArea(photo, lookArea_, visible.Width(), visible.Height(), options, look_, lookMask_,
                    maskView_ ? &lookPhoto_ : nullptr);
  onScreen_ = true;
  ShowOnView();
  // Then the exact result, from a snapshot of the photo taken once per picture.
  if (snapshotRevision_ != revision_ || !snapshot_) {
    worker_->Cancel();
    snapshot_ = std::make_shared<TBitmap>(photo);
    snapshotRevision_ = revision_;
  }
  generation_ = worker_->Start(snapshot_, options);
}

void TLivePreview::ExactFinished(uint64_t generation) {
  if (generation != generation_ || !onScreen_ || exactReady_ || document_.Revision() != revision_) return;
  if (!worker_->Take(generation, exact_, exactMask_)) return;
  exactReady_ = true;
  look_.Clear();
  lookMask_.Clear();
  lookPhoto_.Clear();
  ShowOnView();
}

void TLivePreview::Hide() {
  worker_->Cancel();
  generation_ = 0;
  const bool was = onScreen_;
  onScreen_ = false;
  exactReady_ = false;
  look_.Clear();
  lookMask_.Clear();
  lookPhoto_.Clear();
  exact_.Clear();
  exactMask_.Clear();
  ShowOnView();
  if (was && OnScreenChanged) OnScreenChanged();
}

bool TLivePreview::TakeExact(const TKeepOptions& options, TBitmap& result, TBitmap& mask, TBitmap& photoCopy,
                             bool& shownAsIs) {
  if (!enabled_ || !onScreen_ || revision_ != document_.Revision() || !SameKeepOptions(options, options_))
    return false;
  if (!exactReady_) {
    // Still computing these very inputs: the rest of that run is cheaper than a new one.
    if (!worker_->WaitFor(generation_) || !worker_->Take(generation_, exact_, exactMask_)) return false;
    exactReady_ = true;
  }
  shownAsIs = view_.Overlay() == &exact_;
  if (!shownAsIs) view_.SetOverlay(nullptr);
  maskLook_.Clear();
  // Once the worker lets go of the snapshot it is the document's copy of the photo.
  worker_->Cancel();
  if (snapshot_ && snapshot_.use_count() == 1 && snapshotRevision_ == revision_) photoCopy = std::move(*snapshot_);
  snapshot_.reset();
  snapshotRevision_ = ~uint64_t{0};
  result = std::move(exact_);
  mask = std::move(exactMask_);
  exact_ = TBitmap();
  exactMask_ = TBitmap();
  onScreen_ = false;
  exactReady_ = false;
  generation_ = 0;
  return true;
}

void TLivePreview::DocumentChanged() {
  if (snapshotRevision_ != document_.Revision()) {
    snapshot_.reset();  // its memory goes; a new one is taken at the next change
    snapshotRevision_ = ~uint64_t{0};
  }
  if (onScreen_ && revision_ != document_.Revision()) Hide();
  else if (maskView_ && !onScreen_) ShowOnView();  // the mask of the new result
}

void TLivePreview::SetMaskView(bool on) {
  maskView_ = on;
  if (on && onScreen_ && !exactReady_) {
    // The look was made without the photo pixels it stands for: make it again.
    const TRect visible = view_.VisibleImageRect();
    KeepPreviewOfArea(Photo(), lookArea_, visible.Width(), visible.Height(), options_, look_, lookMask_,
                      &lookPhoto_);
  }
  ShowOnView();
}

const TBitmap* TLivePreview::Shown() const { return view_.Overlay(); }

void TLivePreview::ShowOnView() {
  const TBitmap* shown = nullptr;
  TRect area;
  maskLook_.Clear();
  if (onScreen_) {
    const TBitmap& result = exactReady_ ? exact_ : look_;
    const TBitmap& mask = exactReady_ ? exactMask_ : lookMask_;
    area = exactReady_ ? BitmapBounds(exact_) : lookArea_;
    if (maskView_) {
      const TBitmap& photo = exactReady_ ? Photo() : lookPhoto_;
      if (photo.Width() == mask.Width() && photo.Height() == mask.Height() && !mask.Empty()) {
        MaskLook(photo, mask, maskLook_);
        shown = &maskLook_;
      }
    } else if (!result.Empty()) {
      shown = &result;
    }
  } else if (maskView_ && document_.ResultMatchesPhoto()) {
    MaskLook(document_.ColorSource(), document_.KeepMask(), maskLook_);
    shown = &maskLook_;
    area = BitmapBounds(maskLook_);
  }
  view_.SetOverlay(shown, area);
  if (onScreen_ || shown) {
    view_.viewport()->repaint();
    if (onScreen_ && OnFramePainted && sinceChange_.isValid()) OnFramePainted(sinceChange_.nsecsElapsed() / 1e6);
  }
  if (OnScreenChanged) OnScreenChanged();
}

bool TLivePreview::WaitForExact(int timeoutMs) {
  QElapsedTimer t;
  t.start();
  while (!ExactOnScreen() && t.elapsed() < timeoutMs) {
    QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    QThread::msleep(2);
  }
  return ExactOnScreen();
}

}  // namespace velinor
