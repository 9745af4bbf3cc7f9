#pragma once
// TDocument: the one open document — its pictures, its flags, its history and
// every change the commands make to them. The window shows the document and asks
// it; only the transitions below change it, so its rules hold whatever the window
// does:
//   a document is open exactly when CurrentImage is not empty;
//   Processed implies that ColorSource holds the photo the result came from;
//   UndoAvailable implies that UndoImage is not empty.
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "core/document/PictureOrigin.h"
#include "core/base/Bitmap.h"
#include "core/base/Color.h"
#include "core/base/Geometry.h"
#include "core/base/Progress.h"
#include "core/document/History.h"
#include "core/document/KeepWork.h"
#include "core/document/LayeredImage.h"
#include "core/engine/Brush.h"
#include "core/engine/TouchUps.h"

namespace velinor {

struct TLayeredWork;

// The name a pasted picture goes by.
inline constexpr const char* kUntitled = "Untitled";

// How many steps the window's history goes back (within DefaultHistoryBudget).
inline constexpr size_t kWindowHistoryDepth = 100;

class TDocument {
 public:
  // depth and budget of the history (see THistory); one step by default.
  explicit TDocument(size_t historyDepth = 1, size_t historyBudget = SIZE_MAX);
  TDocument(const TDocument&) = delete;
  TDocument& operator=(const TDocument&) = delete;
  ~TDocument();

  // ---- pictures ------------------------------------------------------------------
  // The picture on screen: a loaded photo, a pasted picture or the result of
  // "Execute". A view may show it in place (it lives as long as the document).
  const TBitmap& CurrentImage() const { return current_; }
  // The colour photo behind the last "Execute".
  const TBitmap& ColorSource() const { return colorSource_; }
  // The mask of the last "Execute" (0: the photo's colour shows).
  const TBitmap& KeepMask() const { return keepMask_; }
  // The other side of the next Undo or Redo; empty when there is no history.
  const TBitmap& UndoImage() const { return history_.OtherSide(); }
  const THistory& History() const { return history_; }
  // A window's history takes whole pictures as they are and packs them once the
  // command's picture is on screen (PackHistory), so commands do not wait for it.
  void SetHistoryPacksLater(bool on) { history_.SetPackLater(on); }
  bool PackHistory() { return history_.PackPending(); }
  // The colour photo the next "Execute" starts from: ColorSource after a result,
  // the picture on screen otherwise.
  const TBitmap& KeepPhoto() const { return flags_.Processed ? colorSource_ : current_; }
  // Rises with every transition that may change a picture, so that what was
  // derived from them (a preview, say) knows it is stale. A brush's paint is the
  // exception: StrokeTo says what it changed, and TouchUpsRevision counts it.
  uint64_t Revision() const { return revision_; }
  // Rises with every change of the touch-up layer, the brush's paint included.
  uint64_t TouchUpsRevision() const { return touchUpsRevision_; }
  // Called after the picture on screen changed its size or format, or was
  // replaced (a view lays itself out again).
  std::function<void()> OnImageChange;

  // ---- flags ---------------------------------------------------------------------
  bool Processed() const { return flags_.Processed; }
  bool Saved() const { return flags_.Saved; }
  bool Pasted() const { return pasted_; }
  bool UndoAvailable() const { return history_.CanUndo(); }
  bool RedoProcessed() const { return history_.RedoFlags().Processed; }
  bool RedoSaved() const { return history_.RedoFlags().Saved; }
  // The inputs of the "Execute" whose result is on screen (of the one a step
  // gives back, after Undo or Redo), and its "Sepia" choice.
  const TKeepInputs& ProcessedInputs() const { return inputs_; }
  bool ProcessedSepia() const { return inputs_.Sepia; }
  // Full name of the file, or "Untitled" after a paste; kept by Close.
  const std::string& FileName() const { return fileName_; }
  // What the read of the opened file learned that a save hands on: whether its
  // colour profile was converted to sRGB, and the file its camera data is in.
  // Cleared by Open, Paste and Close.
  using TOrigin = TPictureOrigin;
  const TOrigin& Origin() const { return origin_; }
  void SetOrigin(TOrigin origin) { origin_ = std::move(origin); }

  // ---- what the commands may do ----------------------------------------------------
  bool IsOpen() const { return !current_.Empty(); }
  bool CanUndo() const;
  bool CanRedo() const;
  // The next Undo (undo true) or Redo gives back another document whole: its
  // name, its marks and its flags come with its picture (a paste's step).
  bool StepReplacesDocument(bool undo) const;
  // Discarding the document loses work: a result or a paste not saved since.
  bool NeedsSaveQuestion() const;
  // A result is on screen and its photo and mask still fit it (a resize after
  // "Execute" leaves the result without them).
  bool ResultMatchesPhoto() const;
  // The colour the eyedropper takes at an image point: on a result that fits its
  // photo the photo's own colour, otherwise the picture's; clNone outside.
  TColor PickColorAt(TPoint p) const;

  // ---- transitions -----------------------------------------------------------------
  // A picture read from a file becomes the document (24-bit, or 32-bit when its
  // alpha has see-through parts; the transparency mark off);
  // no history, nothing processed, saved or pasted.
  void Open(TBitmap image, std::string fileName);
  // The flattened picture of a layered file that holds the work of an "Execute"
  // (see ExtractLayeredWork): the result on screen, processed and as saved, with
  // its photo, mask, touch-ups and inputs behind it; its one step "Execute"
  // undoes to the photo (the touch-ups stay, as after an "Execute").
  void OpenWork(TBitmap flat, std::string fileName, TLayeredWork work);
  // A picture from the clipboard becomes an untitled document; the transparency
  // flag of the picture it replaces stays. With one step of history it starts with
  // no history; a deeper history keeps the document it replaced as the step
  // "Paste", whose undo gives that document back whole (name and flags included).
  void Paste(TBitmap image);
  // No picture and no history; the file name stays.
  void Close();
  // The picture on screen is kept for "Undo" as the step `label`.
  void TakeUndoSnapshot(std::string label);
  // A command that replaces the whole picture ("Rotate", ...): the picture before
  // is recorded as the step `label`, then `after` goes on screen. The result flag
  // is left as it is, as after "Image size".
  void ApplyStep(std::string label, TBitmap after);
  // A command that changed only the rectangle rect of the picture on screen (a
  // brush stroke): `before` holds that rectangle's pixels before the change. When
  // plane is given (a layer the document's owner keeps alive as long as the
  // document, such as the touch-ups), the same rectangle of it changed too and
  // planeBefore holds its pixels before. Undoing such a step leaves Processed on.
  void PushRegionStep(std::string label, TRect rect, const TBitmap& before, TBitmap* plane = nullptr,
                      const TBitmap& planeBefore = TBitmap());
  // No history: nothing to undo or redo, nothing processed or saved.
  void ResetHistory();
  void Undo();
  void Redo();

  // "Execute" in three parts, so that the computation may run elsewhere:
  // BeginExecute puts the photo on screen (from ColorSource after a result, into
  // ColorSource otherwise) and returns it; photoCopy, when it is a copy of
  // KeepPhoto, takes the place of the copy this makes. A deeper history first
  // keeps a result being replaced as a step "Execute" of its own, whose undo gives
  // it back as that result. CommitExecute takes the result of ExecuteResult for
  // that photo and the touch-ups (with its computed mask); FailExecute leaves the
  // photo on screen, no longer processed. Either records the photo as the step
  // "Execute".
  const TBitmap& BeginExecute(TBitmap photoCopy = {});
  void CommitExecute(TBitmap result, TBitmap mask, TKeepInputs inputs);
  void FailExecute();
  // All of "Execute" with ExecuteResult; an error leaves the state of FailExecute
  // and passes on.
  void Execute(const TKeepInputs& inputs, const TProgressSink& progress = {});
  // All of "Execute" with a result computed beforehand by ExecuteResult from
  // KeepPhoto and the touch-ups as they are now, as the live preview has it:
  // BeginExecute(photoCopy), then CommitExecute.
  void ExecuteWith(TBitmap result, TBitmap mask, TKeepInputs inputs, TBitmap photoCopy = {});

  // "Image size": resamples the picture (ResampleTo's modes) and records the
  // picture before as the step "Image size". An error passes on after the step
  // was recorded, leaving the picture as it was.
  void ResizeImage(int width, int height, int mode);
  // "Rotate left" / "Rotate right": the picture turned by a quarter, and with it
  // the photo and the mask behind a result and the touch-ups (a quarter turn loses
  // nothing, so a result stays a result). The picture before is recorded as the
  // step "Rotate"; its undo turns them all back and leaves the result flag as it is.
  void RotateImage(bool clockwise);

  // ---- touch-ups (DocumentTouchUps.cpp) ------------------------------------------------
  // What the brush painted over the computed mask; kept across "Execute", so a new
  // result gets them again. Emptied by Open, Paste and Close.
  const TTouchUps& TouchUps() const { return touchUps_; }
  bool Painting() const { return stroke_ != nullptr; }
  // A stroke begins: the picture before it is recorded as the step "Brush stroke".
  // Without a result that fits its photo, the picture on screen becomes the photo
  // of a result showing it whole (every computed level 0) in the tone of
  // `inputs` (the inputs as they stand, which that result then goes by), so grey
  // can be painted before "Execute"; the step's undo gives the document back as
  // it was (photo, mask, inputs and result flag included).
  void BeginStroke(const TBrush& brush, TTouchKind kind, const TKeepInputs& inputs);
  // The stroke's path goes on to p (image coordinates); the result is composed
  // again where it changed. Returns that rectangle (empty when nothing changed);
  // TouchUpsRevision rises when it is not empty, Revision does not.
  TRect StrokeTo(TBrushPoint p);
  void EndStroke();
  // "Clear touch-ups": the result as computed, recorded as the step "Clear touch-ups".
  void ClearTouchUps();
  // The mask the result shows: the computed mask with the touch-ups applied.
  TBitmap FinalMask() const;

  // The layered document "Save as" writes: the photo under its toned copy, with
  // the work behind it, when the result still fits them; the picture on screen
  // alone otherwise.
  std::unique_ptr<TMyImageLayered> BuildLayeredDocument() const;
  // "Save as" wrote the document under fileName.
  void MarkSaved(std::string fileName);

 private:
  // Replaces the picture on screen (the view hears of it).
  void SetCurrent(TBitmap image);
  // Another picture becomes the photo behind results (photoId_ follows).
  void SetColorSource(TBitmap photo);
  // The photo and the mask go when nothing can show them again: no result on
  // screen, no Redo, no step that gives a result back over this photo.
  void DropUnobservable();

  TBitmap current_;
  TBitmap colorSource_;
  // Which photo ColorSource holds: changes whenever another picture takes its place.
  uint64_t photoId_ = 0;
  uint64_t lastPhotoId_ = 0;
  TBitmap keepMask_;
  THistory history_;
  THistoryFlags flags_;
  bool pasted_ = false;
  TKeepInputs inputs_;
  std::string fileName_;
  TOrigin origin_;
  TTouchUps touchUps_;
  // What a step holds of the document besides the picture and the touch-ups, on
  // its other side: for a paste the rest of the document (name, marks, flags, the
  // photo and mask behind a result); for a step that replaced a result or its
  // photo, that photo (when the step replaced it) and mask. Undo gives back the
  // result flag of before the step (and for a paste the saved flag); Redo leaves
  // the flags to the history.
  struct TDocumentSide {
    bool WholeDocument = false;  // a paste: name, marks and both flags too
    std::string FileName;
    bool Pasted = false;
    TOrigin Origin;
    THistoryFlags Flags;  // the document's flags before the step
    // ColorSource is exchanged; otherwise the step kept the document's photo,
    // known by PhotoId, and is given back only over that same photo.
    bool HasPhoto = false;
    TBitmap ColorSource;
    uint64_t PhotoId = 0;
    TBitmap KeepMask;
    TKeepInputs Inputs;
  };
  // The touch-up layer on the other side of a history step, packed: all of it, or
  // for a brush stroke only the stroke's rectangle (the rest is the same on both
  // sides); and what else of the document the step changed.
  struct TLayerSide {
    bool Region = false;
    int Width = 0, Height = 0;
    TRect Rect{}, Touched{};
    TPackedPicture Picture;  // the layer's rectangle Rect (TTouchUps::RegionPicture)
    std::optional<TDocumentSide> Document;
    int Turn = 0;  // a "Rotate": 1 clockwise, -1 the other way
  };
  // The document's side of the step as it is now: its photo (moved out) when
  // withPhoto, its mask (moved out) and its flags.
  TDocumentSide TakeResultSide(bool withPhoto);
  // Exchanges the fields the step's side holds with the document's (undo: the
  // way back).
  void ExchangeDocument(TDocumentSide& side, bool undo);
  // Turns the photo and the mask behind a result a quarter (clockwise or not).
  void TurnResult(bool clockwise);
  // The layer's sides in step with the history (its oldest steps dropped with
  // the history's): Undo and Redo move the layer across as the history moves the
  // pictures.
  std::vector<TLayerSide> touchUpsBefore_, touchUpsAfter_;
  std::unique_ptr<TStroke> stroke_;
  // The stroke under way after a result: the layer before it and what it touched,
  // recorded as one rectangle step when it ends.
  TTouchUps strokeLayerBefore_;
  THistoryFlags strokeFlagsBefore_;
  bool strokeRecorded_ = false;
  // Every step goes through here, so that the layers stay in step.
  void Record(std::string label, const TBitmap& before, THistoryFlags flagsBefore, bool keepsResult = false);
  void Record(std::string label, TBitmap&& before, THistoryFlags flagsBefore, bool keepsResult = false);
  void NoteTouchUpsOfStep();
  // Undo (from the before sides) or Redo: the layer and the rest of the step's side.
  void MoveTouchUps(std::vector<TLayerSide>& from, std::vector<TLayerSide>& to);
  void TrimTouchUps();
  void RecordTouchUpStep(const char* label);
  void ForgetTouchUps();
  uint64_t revision_ = 0;
  uint64_t touchUpsRevision_ = 0;
};

// What "Execute" computes from the photo with the options: KeepColors' result,
// the touch-ups applied over it (a layer of another size is left out), and the
// computed mask (before the touch-ups). The document's "Execute" and the live
// preview's worker both compute it here, so they cannot differ.
void ExecuteResult(const TBitmap& photo, const TKeepOptions& options, const TTouchUps* touchUps, TBitmap& result,
                   TBitmap& mask, const TProgressSink& progress = {});

}  // namespace velinor
