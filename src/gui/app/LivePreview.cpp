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

const TTouchUps* TLivePreview::Layer() const {
  const TTouchUps& layer = document_.TouchUps();
  const TBitmap& photo = Photo();
  return !layer.Empty() && layer.Width() == photo.Width() && layer.Height() == photo.Height() ? &layer : nullptr;
}

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
  // The worker writes the next exact result into the pictures of the last one.
  worker_->Recycle(std::move(exact_), std::move(exactMask_));
  exact_ = TBitmap();
  exactMask_ = TBitmap();
  // First the look of what is on screen, at its scale.
  const TRect visible = view_.VisibleImageRect();
  KeepPreviewOfArea(photo, view_.ClientToImageRect(visible), visible.Width(), visible.Height(), options, Layer(),
                    look_);
  onScreen_ = true;
  ShowOnView(true);
  // Then the exact result, from snapshots of the photo and of the touch-ups
  // taken once per picture and per layer.
  if (snapshotRevision_ != revision_ || !snapshot_) {
    worker_->Cancel();
    snapshot_ = std::make_shared<TBitmap>(photo);
    snapshotRevision_ = revision_;
  }
  if (layerSnapshotRevision_ != document_.TouchUpsRevision()) {
    const TTouchUps* layer = Layer();
    layerSnapshot_ = layer ? std::make_shared<const TTouchUps>(*layer) : nullptr;
    layerSnapshotRevision_ = document_.TouchUpsRevision();
  }
  exactLayerRevision_ = layerSnapshotRevision_;
  exactTouched_ = layerSnapshot_ ? layerSnapshot_->Touched() : TRect{};
  generation_ = worker_->Start(snapshot_, options, layerSnapshot_);
}

void TLivePreview::ExactFinished(uint64_t generation) {
  if (generation != generation_ || !onScreen_ || exactReady_ || document_.Revision() != revision_) return;
  if (!worker_->Take(generation, exact_, exactMask_)) return;
  exactReady_ = true;
  SyncExactLayer();  // strokes painted while it was computed
  look_.Clear();
  ShowOnView(true);
}

void TLivePreview::SyncExactLayer() {
  if (exactLayerRevision_ == document_.TouchUpsRevision()) return;
  // Outside both layers' touched rectangles nothing is touched in either.
  static const TTouchUps kNone;
  const TTouchUps* layer = Layer();
  const TRect now = layer ? layer->Touched() : TRect{};
  RecomposeTouched(exact_, Photo(), exactMask_, layer ? *layer : kNone, options_.Sepia, UnionRect(exactTouched_, now));
  exactTouched_ = now;
  exactLayerRevision_ = document_.TouchUpsRevision();
}

void TLivePreview::TouchUpsPainted(TRect rect) {
  if (rect.IsEmpty()) return;
  if (onScreen_ && revision_ != document_.Revision()) {
    InputsChanged(options_);  // the stroke began on another picture: made again with it
    return;
  }
  const TTouchUps* layer = Layer();
  if (onScreen_ && layer) {
    if (exactReady_) {
      // One stroke's move since the exact result was last in step: in step again.
      const bool inStep = exactLayerRevision_ + 1 == document_.TouchUpsRevision();
      RecomposeTouched(exact_, Photo(), exactMask_, *layer, options_.Sepia, rect);
      if (inStep) {
        exactLayerRevision_ = document_.TouchUpsRevision();
        exactTouched_ = UnionRect(exactTouched_, rect);
      }
    } else {
      look_.FollowTouchUps(*layer, rect);
    }
  }
  if (!maskView_) return;
  // The mask view follows the stroke too.
  if (view_.Overlay() != &maskLook_) {
    ShowOnView();
  } else if (onScreen_ && exactReady_) {
    MaskLook(Photo(), exactMask_, maskLook_, layer, rect);
  } else if (onScreen_) {
    MaskLook(look_.Photo, look_.Mask, maskLook_, &look_.Layer, look_.LookRectOf(rect));
  } else if (document_.ResultMatchesPhoto()) {
    MaskLook(document_.ColorSource(), document_.KeepMask(), maskLook_, &document_.TouchUps(), rect);
  }
}

void TLivePreview::Hide() {
  worker_->Cancel();
  generation_ = 0;
  const bool was = onScreen_;
  onScreen_ = false;
  exactReady_ = false;
  look_.Clear();
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
  SyncExactLayer();
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
  look_.Clear();
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
  if (layerSnapshotRevision_ != document_.TouchUpsRevision()) {
    layerSnapshot_.reset();
    layerSnapshotRevision_ = ~uint64_t{0};
  }
  if (onScreen_ && revision_ != document_.Revision()) Hide();
  else if (maskView_ && !onScreen_) ShowOnView();  // the mask of the new result
}

void TLivePreview::SetMaskView(bool on) {
  maskView_ = on;
  ShowOnView();
}

const TBitmap* TLivePreview::Shown() const { return view_.Overlay(); }

void TLivePreview::ShowOnView(bool report) {
  const TBitmap* shown = nullptr;
  TRect area;
  if (onScreen_ && exactReady_) {
    area = BitmapBounds(exact_);
    if (maskView_) MaskLook(Photo(), exactMask_, maskLook_, Layer());
    shown = maskView_ ? &maskLook_ : &exact_;
  } else if (onScreen_ && !look_.Empty()) {
    area = look_.Area;
    if (maskView_) MaskLook(look_.Photo, look_.Mask, maskLook_, &look_.Layer);
    shown = maskView_ ? &maskLook_ : &look_.Result;
  } else if (maskView_ && document_.ResultMatchesPhoto()) {
    MaskLook(document_.ColorSource(), document_.KeepMask(), maskLook_, &document_.TouchUps());
    shown = &maskLook_;
    area = BitmapBounds(maskLook_);
  }
  if (shown != &maskLook_) maskLook_.Clear();
  view_.SetOverlay(shown, area);
  if (onScreen_ || shown) {
    view_.viewport()->repaint();
    if (report && onScreen_ && OnFramePainted && sinceChange_.isValid()) OnFramePainted(sinceChange_.nsecsElapsed() / 1e6);
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
