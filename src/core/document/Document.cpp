#include "core/document/Document.h"

#include <algorithm>
#include <utility>

#include "core/document/LayeredDocument.h"
#include "core/engine/KeepColors.h"
#include "core/resize/Rotate.h"
#include "core/resize/StretchEx.h"

namespace velinor {

namespace {

constexpr const char* kStepExecute = "Execute";
constexpr const char* kStepPaste = "Paste";
constexpr const char* kStepImageSize = "Image size";
constexpr const char* kStepRotate = "Rotate";

bool SameSize(const TBitmap& a, const TBitmap& b) {
  return a.Width() == b.Width() && a.Height() == b.Height();
}

// ResampleTo for a picture with see-through parts too: its colours times alpha
// and its alpha are resampled alike, so that the colours hidden under clear
// pixels do not bleed into what shows, and the colours are taken back off.
void ResampleKeepingAlpha(int width, int height, int mode, TBitmap& out, TBitmap& source) {
  if (!HasAlpha(source)) return ResampleTo(width, height, mode, out, source);
  const int w = source.Width(), h = source.Height();
  TBitmap colours(w, h), alpha(w, h);
  for (int y = 0; y < h; ++y) {
    const uint8_t* s = source.ScanLine(y);
    uint8_t* c = colours.ScanLine(y);
    uint8_t* a = alpha.ScanLine(y);
    for (int x = 0; x < w; ++x, s += 4, c += 3, a += 3) {
      for (int k = 0; k < 3; ++k) c[k] = static_cast<uint8_t>((s[k] * s[3] + 127) / 255);
      a[0] = a[1] = a[2] = s[3];
    }
  }
  TBitmap sizedColours, sizedAlpha;
  ResampleTo(width, height, mode, sizedColours, colours);
  ResampleTo(width, height, mode, sizedAlpha, alpha);
  TBitmap result(sizedColours.Width(), sizedColours.Height(), TPixelFormat::pf32bit);
  for (int y = 0; y < result.Height(); ++y) {
    const uint8_t* c = sizedColours.ScanLine(y);
    const uint8_t* a = sizedAlpha.ScanLine(y);
    uint8_t* d = result.ScanLine(y);
    for (int x = 0; x < result.Width(); ++x, c += 3, a += 3, d += 4) {
      const unsigned k = a[0];
      for (int i = 0; i < 3; ++i) d[i] = k == 0 ? 0 : static_cast<uint8_t>(std::min(255u, (c[i] * 255u + k / 2) / k));
      d[3] = a[0];
    }
  }
  result.Transparent = out.Transparent;
  result.TransparentColor = out.TransparentColor;
  out = std::move(result);
}

}  // namespace

TDocument::TDocument(size_t historyDepth, size_t historyBudget) : history_(historyDepth, historyBudget) {
  current_.OnChange = [this] {
    if (OnImageChange) OnImageChange();
  };
}

TDocument::~TDocument() { current_.OnChange = nullptr; }

// ---- what the commands may do ----------------------------------------------------------

bool TDocument::CanUndo() const { return IsOpen() && history_.CanUndo(); }

bool TDocument::CanRedo() const { return IsOpen() && history_.CanRedo(); }

bool TDocument::StepReplacesDocument(bool undo) const {
  return (undo ? history_.UndoLabel() : history_.RedoLabel()) == kStepPaste;
}

bool TDocument::NeedsSaveQuestion() const { return !flags_.Saved && (pasted_ || flags_.Processed); }

bool TDocument::ResultMatchesPhoto() const {
  return flags_.Processed && SameSize(colorSource_, current_) && SameSize(keepMask_, current_);
}

TColor TDocument::PickColorAt(TPoint p) const {
  if (p.X < 0 || p.Y < 0 || p.X >= current_.Width() || p.Y >= current_.Height()) return clNone;
  return (ResultMatchesPhoto() ? colorSource_ : current_).Pixel(p.X, p.Y);
}

// ---- open, paste, close, history -------------------------------------------------------

void TDocument::SetCurrent(TBitmap image) {
  current_ = std::move(image);
  ++revision_;
}

void TDocument::SetColorSource(TBitmap photo) {
  colorSource_ = std::move(photo);
  photoId_ = ++lastPhotoId_;
}

void TDocument::DropUnobservable() {
  if (flags_.Processed || history_.CanRedo()) return;
  keepMask_.Clear();
  if (colorSource_.Empty()) return;
  // A step that gives a result back over this very photo still needs it.
  for (const TLayerSide& side : touchUpsBefore_)
    if (side.Document && !side.Document->HasPhoto && side.Document->PhotoId == photoId_) return;
  SetColorSource(TBitmap());
}

TDocument::TDocumentSide TDocument::TakeResultSide(bool withPhoto) {
  TDocumentSide side;
  side.Flags = flags_;
  side.Inputs = inputs_;
  side.KeepMask = std::move(keepMask_);
  side.PhotoId = photoId_;
  if (withPhoto) {
    side.HasPhoto = true;
    side.ColorSource = std::move(colorSource_);
    SetColorSource(TBitmap());
  }
  return side;
}

void TDocument::ExchangeDocument(TDocumentSide& side, bool undo) {
  // The result a step kept comes back only over the photo it was made from;
  // without it the picture comes back alone, as after "Image size".
  if (!side.HasPhoto && side.PhotoId != photoId_) return;
  if (side.WholeDocument) {
    std::swap(side.FileName, fileName_);
    std::swap(side.Pasted, pasted_);
    std::swap(side.Origin, origin_);
  }
  if (side.HasPhoto) {
    std::swap(side.ColorSource, colorSource_);
    std::swap(side.PhotoId, photoId_);
  }
  std::swap(side.KeepMask, keepMask_);
  std::swap(side.Inputs, inputs_);
  if (!undo) return;  // Redo: the history gives the flags back
  flags_.Processed = side.Flags.Processed;
  if (side.WholeDocument) flags_.Saved = side.Flags.Saved;
}

void TDocument::TurnResult(bool clockwise) {
  if (!colorSource_.Empty()) colorSource_ = RotateQuarter(colorSource_, clockwise);
  if (!keepMask_.Empty()) keepMask_ = RotateQuarter(keepMask_, clockwise);
}

void TDocument::Open(TBitmap image, std::string fileName) {
  origin_ = TOrigin{};
  image.Transparent = false;
  // A picture with see-through parts keeps its alpha; every other one is 24-bit.
  if (!HasAlpha(image)) image.SetPixelFormat(TPixelFormat::pf24bit);
  SetCurrent(std::move(image));
  ResetHistory();
  ForgetTouchUps();
  pasted_ = false;
  fileName_ = std::move(fileName);
}

void TDocument::OpenWork(TBitmap flat, std::string fileName, TLayeredWork work) {
  Open(std::move(flat), std::move(fileName));
  // As after an "Execute": the step keeps the layer, so its undo shows the photo
  // with the strokes still to be applied by the next one.
  touchUps_ = std::move(work.TouchUps);
  ++touchUpsRevision_;
  Record(kStepExecute, work.Photo, THistoryFlags{});
  SetColorSource(std::move(work.Photo));
  keepMask_ = std::move(work.KeepMask);
  inputs_ = std::move(work.Inputs);
  flags_.Processed = true;
  flags_.Saved = true;  // the picture is the file's
}

void TDocument::Paste(TBitmap image) {
  image.Transparent = current_.Transparent;
  if (history_.Depth() > 1 && IsOpen()) {
    EndStroke();
    // The document pasted over, kept whole.
    TDocumentSide before = TakeResultSide(true);
    before.WholeDocument = true;
    before.FileName = std::move(fileName_);
    before.Pasted = pasted_;
    before.Origin = std::move(origin_);
    Record(kStepPaste, std::move(current_), before.Flags);
    if (!touchUpsBefore_.empty()) touchUpsBefore_.back().Document = std::move(before);
    touchUps_.Clear();
    ++touchUpsRevision_;
    SetCurrent(std::move(image));
  } else {
    SetCurrent(std::move(image));
    ResetHistory();
    ForgetTouchUps();
  }
  flags_ = THistoryFlags{};
  origin_ = TOrigin{};
  pasted_ = true;
  fileName_ = kUntitled;
  DropUnobservable();
}

void TDocument::Close() {
  origin_ = TOrigin{};
  current_.Clear();
  ++revision_;
  ResetHistory();
  ForgetTouchUps();
  pasted_ = false;
}

void TDocument::TakeUndoSnapshot(std::string label) {
  Record(std::move(label), current_, flags_);
  flags_.Saved = false;
  DropUnobservable();
}

void TDocument::ApplyStep(std::string label, TBitmap after) {
  if (!IsOpen()) return;
  Record(std::move(label), current_, flags_);
  SetCurrent(std::move(after));
  flags_.Saved = false;
  DropUnobservable();
}

void TDocument::PushRegionStep(std::string label, TRect rect, const TBitmap& before, TBitmap* plane,
                               const TBitmap& planeBefore) {
  history_.RecordRegion(std::move(label), rect, before, plane, planeBefore, flags_);
  NoteTouchUpsOfStep();
  flags_.Saved = false;
}

void TDocument::ResetHistory() {
  history_.Clear();
  touchUpsBefore_.clear();
  touchUpsAfter_.clear();
  flags_ = THistoryFlags{};
  DropUnobservable();
}

void TDocument::Undo() {
  EndStroke();  // a stroke under way becomes the step undone
  if (!CanUndo()) return;
  history_.Undo(current_, flags_);
  MoveTouchUps(touchUpsBefore_, touchUpsAfter_);
  ++revision_;
}

void TDocument::Redo() {
  EndStroke();
  if (!CanRedo()) return;
  history_.Redo(current_, flags_);
  MoveTouchUps(touchUpsAfter_, touchUpsBefore_);
  ++revision_;
  DropUnobservable();
}

// ---- Execute ---------------------------------------------------------------------------

void ExecuteResult(const TBitmap& photo, const TKeepOptions& options, const TTouchUps* touchUps, TBitmap& result,
                   TBitmap& mask, const TProgressSink& progress) {
  if (photo.PixelFormat() == TPixelFormat::pf24bit) {
    KeepColorsOfPhoto(result, mask, photo, options, progress);  // without copying the photo first
  } else {
    result = photo;
    KeepColors(result, mask, photo, options, progress);
  }
  // Painted touch-ups outlive the computation: the new result shows them too.
  if (touchUps && !touchUps->Empty() && touchUps->Width() == photo.Width() && touchUps->Height() == photo.Height())
    RecomposeTouched(result, photo, mask, *touchUps, options.Sepia, touchUps->Touched());
}

const TBitmap& TDocument::BeginExecute(TBitmap photoCopy) {
  EndStroke();
  // The computation always starts from the colour photo; a copy made beforehand
  // takes the place of the one made here.
  const TBitmap& photo = KeepPhoto();
  const bool copied =
      !photoCopy.Empty() && SameSize(photoCopy, photo) && photoCopy.PixelFormat() == photo.PixelFormat();
  if (copied) {
    photoCopy.Transparent = photo.Transparent;
    photoCopy.TransparentColor = photo.TransparentColor;
  }
  if (flags_.Processed) {
    // A deeper history keeps the result being replaced, with its mask, so that
    // undoing past this "Execute" gives that result back and walks on through
    // the steps that led to it.
    if (history_.Depth() > 1) {
      TDocumentSide replaced = TakeResultSide(false);
      Record(kStepExecute, std::move(current_), flags_);
      if (!touchUpsBefore_.empty()) touchUpsBefore_.back().Document = std::move(replaced);
    }
    if (copied) current_ = std::move(photoCopy);
    else current_ = colorSource_;
  } else {
    SetColorSource(copied ? std::move(photoCopy) : TBitmap(current_));
  }
  ++revision_;
  return colorSource_;
}

void TDocument::CommitExecute(TBitmap result, TBitmap mask, TKeepInputs inputs) {
  EndStroke();
  // The photo on screen goes into the step as it is (ColorSource keeps its own).
  Record(kStepExecute, std::move(current_), THistoryFlags{false, flags_.Saved});
  SetCurrent(std::move(result));
  keepMask_ = std::move(mask);
  flags_.Saved = false;
  flags_.Processed = true;
  inputs_ = std::move(inputs);
}

void TDocument::FailExecute() {
  flags_.Processed = false;  // the step starts from the photo on screen
  TakeUndoSnapshot(kStepExecute);
  flags_.Processed = false;
  ++revision_;
  DropUnobservable();
}

void TDocument::ExecuteWith(TBitmap result, TBitmap mask, TKeepInputs inputs, TBitmap photoCopy) {
  if (!IsOpen()) return;
  BeginExecute(std::move(photoCopy));
  CommitExecute(std::move(result), std::move(mask), std::move(inputs));
}

void TDocument::Execute(const TKeepInputs& inputs, const TProgressSink& progress) {
  if (!IsOpen()) return;
  const TKeepOptions options = inputs.Options();
  const TBitmap& photo = BeginExecute();
  // Computed aside, so that a failure never leaves a half-processed picture.
  TBitmap result;
  TBitmap mask;
  try {
    ExecuteResult(photo, options, &touchUps_, result, mask, progress);
  } catch (...) {
    FailExecute();
    throw;
  }
  CommitExecute(std::move(result), std::move(mask), inputs);
}

// ---- Image size and Save as ------------------------------------------------------------

void TDocument::ResizeImage(int width, int height, int mode) {
  if (!IsOpen()) return;
  TBitmap resized;
  resized.Transparent = current_.Transparent;
  resized.TransparentColor = current_.TransparentColor;
  try {
    ResampleKeepingAlpha(width, height, mode, resized, current_);
  } catch (...) {
    TakeUndoSnapshot(kStepImageSize);
    throw;
  }
  Record(kStepImageSize, current_, flags_);
  touchUps_.Clear();  // painted for the picture before: it no longer lines up
  ++touchUpsRevision_;
  SetCurrent(std::move(resized));
  flags_.Saved = false;
  DropUnobservable();
}

void TDocument::RotateImage(bool clockwise) {
  if (!IsOpen()) return;
  TBitmap turned = RotateQuarter(current_, clockwise);
  Record(kStepRotate, current_, flags_, true);
  if (!touchUpsBefore_.empty()) touchUpsBefore_.back().Turn = clockwise ? 1 : -1;
  // Everything behind the picture turns with it.
  TurnResult(clockwise);
  if (!touchUps_.Empty()) touchUps_ = touchUps_.Rotated(clockwise);
  ++touchUpsRevision_;
  SetCurrent(std::move(turned));
  flags_.Saved = false;
  DropUnobservable();
}

std::unique_ptr<TMyImageLayered> TDocument::BuildLayeredDocument() const {
  if (ResultMatchesPhoto()) return BuildWorkDocument(colorSource_, keepMask_, touchUps_, inputs_);
  return velinor::BuildLayeredDocument(colorSource_, current_, keepMask_, false, inputs_.Sepia);
}

void TDocument::MarkSaved(std::string fileName) {
  fileName_ = std::move(fileName);
  flags_.Saved = true;
}

}  // namespace velinor
