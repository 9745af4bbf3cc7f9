// TDocument's touch-ups: the brush strokes over the computed mask and their steps.
#include <cstring>
#include <utility>

#include "core/document/Document.h"
#include "core/engine/ToneCompositing.h"

namespace velinor {

namespace {

constexpr const char* kStepBrushStroke = "Brush stroke";
constexpr const char* kStepClearTouchUps = "Clear touch-ups";

}  // namespace

// The history keeps pictures; the layer of each step is kept beside it. This is
// the one place that knows which layer belongs to the step Undo or Redo takes.
void TDocument::RecordTouchUpStep(const char* label) { TakeUndoSnapshot(label); }

void TDocument::Record(std::string label, const TBitmap& before, THistoryFlags flagsBefore, bool keepsResult) {
  EndStroke();  // a stroke under way is a step of its own, before this one
  history_.Record(std::move(label), before, keepsResult, flagsBefore);
  NoteTouchUpsOfStep();
}

void TDocument::Record(std::string label, TBitmap&& before, THistoryFlags flagsBefore, bool keepsResult) {
  EndStroke();
  history_.Record(std::move(label), std::move(before), keepsResult, flagsBefore);
  NoteTouchUpsOfStep();
}

namespace {

// The layer's rectangle r (all it touched for a whole side), packed, as the
// other side of a step.
template <class TSide>
TSide SideOf(const TTouchUps& layer, bool region, TRect r) {
  TSide side;
  side.Region = region;
  side.Width = layer.Width();
  side.Height = layer.Height();
  side.Touched = layer.Touched();
  side.Rect = region ? r : side.Touched;
  if (!side.Rect.IsEmpty()) side.Picture = TPackedPicture::Pack(layer.RegionPicture(side.Rect));
  return side;
}

template <class TSide>
TSide WholeSide(const TTouchUps& layer) { return SideOf<TSide>(layer, false, TRect{}); }

template <class TSide>
void Restore(TTouchUps& layer, const TSide& side) {
  if (!side.Region) layer.Clear();
  layer.SetRegion(side.Width, side.Height, TPoint{side.Rect.Left, side.Rect.Top}, side.Picture.Unpack(),
                  side.Touched);
}

}  // namespace

void TDocument::NoteTouchUpsOfStep() {
  touchUpsBefore_.push_back(WholeSide<TLayerSide>(touchUps_));
  touchUpsAfter_.clear();
  TrimTouchUps();
}

void TDocument::TrimTouchUps() {
  // The history drops its oldest steps to stay within its budget.
  const size_t kept = history_.UndoCount();
  if (touchUpsBefore_.size() > kept)
    touchUpsBefore_.erase(touchUpsBefore_.begin(), touchUpsBefore_.end() - static_cast<std::ptrdiff_t>(kept));
}

void TDocument::MoveTouchUps(std::vector<TLayerSide>& from, std::vector<TLayerSide>& to) {
  const bool undo = &from == &touchUpsBefore_;
  ++touchUpsRevision_;
  if (from.empty()) {
    to.push_back(WholeSide<TLayerSide>(touchUps_));
    touchUps_.Clear();
    return;
  }
  TLayerSide side = std::move(from.back());
  from.pop_back();
  TLayerSide other = SideOf<TLayerSide>(touchUps_, side.Region, side.Rect);
  Restore(touchUps_, side);
  // The history gave the picture back; the document around it comes with it.
  if (side.Document) {
    other.Document = std::move(side.Document);
    ExchangeDocument(*other.Document, undo);
  }
  if (side.Turn != 0) {
    other.Turn = side.Turn;
    TurnResult(undo ? side.Turn < 0 : side.Turn > 0);
  }
  to.push_back(std::move(other));
}

void TDocument::ForgetTouchUps() {
  stroke_.reset();
  strokeLayerBefore_.Clear();
  touchUps_.Clear();
  touchUpsBefore_.clear();
  touchUpsAfter_.clear();
  ++touchUpsRevision_;
}

void TDocument::BeginStroke(const TBrush& brush, TTouchKind kind, const TKeepInputs& inputs) {
  if (!IsOpen()) return;
  EndStroke();
  strokeRecorded_ = !ResultMatchesPhoto();
  if (strokeRecorded_) {
    // The picture on screen is the photo of a result that shows it everywhere;
    // the step keeps what stood behind it before (a resized result's photo).
    TDocumentSide before = TakeResultSide(true);
    RecordTouchUpStep(kStepBrushStroke);
    if (!touchUpsBefore_.empty()) touchUpsBefore_.back().Document = std::move(before);
    SetColorSource(current_);
    NewFilledBitmap(keepMask_, current_.Width(), current_.Height(), 0);
    if (!touchUps_.Empty()) {
      // Painted for a result no longer on screen: what showed them changes.
      touchUps_.Clear();
      ++touchUpsRevision_;
      ++revision_;
    }
    flags_.Processed = true;
    inputs_ = inputs;
  } else {
    // Recorded when it ends, as the rectangle it touched: nothing to pack at the
    // press, and the history holds only that rectangle.
    strokeLayerBefore_ = touchUps_;
    strokeFlagsBefore_ = flags_;
    flags_.Saved = false;
  }
  stroke_ = std::make_unique<TStroke>(current_.Width(), current_.Height(), brush, kind);
}

TRect TDocument::StrokeTo(TBrushPoint p) {
  if (!stroke_ || !ResultMatchesPhoto()) return TRect{};
  const TRect changed = stroke_->MoveTo(p, touchUps_);
  if (changed.IsEmpty()) return changed;
  RecomposeTouched(current_, colorSource_, keepMask_, touchUps_, inputs_.Sepia, changed);
  ++touchUpsRevision_;
  return changed;
}

void TDocument::EndStroke() {
  if (!stroke_) return;
  const TRect r = IntersectRect(stroke_->Bounds(), TRect{0, 0, current_.Width(), current_.Height()});
  stroke_.reset();
  TTouchUps layerBefore = std::move(strokeLayerBefore_);
  strokeLayerBefore_.Clear();
  if (strokeRecorded_) return;
  if (r.IsEmpty() || !ResultMatchesPhoto()) {
    flags_.Saved = strokeFlagsBefore_.Saved;  // nothing painted: nothing changed
    return;
  }
  // The rectangle's pixels before the stroke, composed again from the layer as it
  // was (the result's pixels are a function of the photo, the mask and the layer).
  RecomposeTouched(current_, colorSource_, keepMask_, layerBefore, inputs_.Sepia, r);
  TBitmap before(r.Width(), r.Height(), current_.PixelFormat());
  const size_t bpp = BytesPerPixel(current_.PixelFormat());
  for (int y = 0; y < r.Height(); ++y)
    std::memcpy(before.ScanLine(y), current_.ScanLine(r.Top + y) + r.Left * bpp, r.Width() * bpp);
  RecomposeTouched(current_, colorSource_, keepMask_, touchUps_, inputs_.Sepia, r);
  history_.RecordRegion(kStepBrushStroke, r, before, nullptr, TBitmap(), strokeFlagsBefore_);
  touchUpsBefore_.push_back(SideOf<TLayerSide>(layerBefore, true, r));
  touchUpsAfter_.clear();
  TrimTouchUps();
}

void TDocument::ClearTouchUps() {
  if (!IsOpen() || touchUps_.Empty()) return;
  EndStroke();
  RecordTouchUpStep(kStepClearTouchUps);
  const TRect touched = touchUps_.Touched();
  touchUps_.Clear();
  ++touchUpsRevision_;
  ++revision_;
  if (ResultMatchesPhoto())
    RecomposeTouched(current_, colorSource_, keepMask_, touchUps_, inputs_.Sepia, touched);
  DropUnobservable();
}

TBitmap TDocument::FinalMask() const { return velinor::FinalMask(keepMask_, touchUps_); }

}  // namespace velinor
