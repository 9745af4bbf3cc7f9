#pragma once
// THistory: the undo and redo steps of the open document. A step holds the
// picture on the other side of one action ("Execute", "Image size", ...) and its
// label; undoing a step exchanges that picture with the one on screen and moves
// the step to the redo side, redoing moves it back.
//
// With depth 1 a new step replaces the old one, and "Undo" and "Redo" alternate
// on it. A deeper history keeps up to `depth` steps within a memory budget: the
// pictures are held packed (each row as differences to its left neighbour, the
// colour channels as differences to green, deflated in bands), a brush stroke as
// its touched rectangle only, and the oldest steps go first when the budget or
// the depth is exceeded. What it keeps, drops and gives back is decided here alone.
#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "core/base/Bitmap.h"
#include "core/base/Geometry.h"

namespace velinor {

// The document's flags the history takes back and gives back.
struct THistoryFlags {
  bool Processed = false;  // a result of "Execute" is on screen
  bool Saved = false;      // written by "Save as" since its last change
};

// A picture as the history holds it: packed pixels and what describes them.
class TPackedPicture {
 public:
  TPackedPicture() = default;
  // Packs the rectangle r of b (the whole picture when r is FullImageRect).
  static TPackedPicture Pack(const TBitmap& b, TRect r = FullImageRect);
  TBitmap Unpack() const;
  // Writes the packed pixels back into b at the rectangle they were taken from.
  void UnpackInto(TBitmap& b) const;
  bool Empty() const { return width_ <= 0 || height_ <= 0; }
  size_t ByteSize() const;
  // Where the pixels were taken from.
  TRect Area() const { return TRect{left_, top_, left_ + width_, top_ + height_}; }
  // Moves the area (the pixels stay).
  void Offset(int dx, int dy) {
    left_ += dx;
    top_ += dy;
  }

 private:
  // Unpacks into rows of Width * bpp bytes each: row(y) gives row y of the area.
  void UnpackRows(const std::function<uint8_t*(int y)>& row) const;

  int left_ = 0, top_ = 0, width_ = 0, height_ = 0;
  TPixelFormat format_ = TPixelFormat::pf24bit;
  std::vector<TColor> palette_;
  bool transparent_ = false;
  TColor transparentColor_ = clNone;
  int bandRows_ = 0;
  // Bands of bandRows_ rows, each a tag byte then either the filtered rows
  // deflated or, when that does not pay, the rows as they are.
  std::vector<std::vector<uint8_t>> bands_;
};

struct THistoryStep {
  std::string Label;     // what the step did: "Execute", "Image size", ...
  TPackedPicture Image;  // undo side: the picture before the step; redo side: after it
  // The same picture not packed yet (a whole-picture step of a history that packs
  // later); Image is empty meanwhile.
  TBitmap Pending;
  bool Region = false;   // Image is a rectangle of the picture, not all of it
  // A second picture the step changed in the same rectangle (a touch-up layer),
  // with its pixels on the other side; null when there is none.
  TBitmap* Plane = nullptr;
  TPackedPicture PlaneImage;
  // Undoing leaves the result flag as it is (the step retouched a result).
  bool KeepsResult = false;
  // The flags before the step: what Redo gives back to the step before it
  // (an undo of this one turned the result flag off, a later save set Saved).
  THistoryFlags FlagsBefore;
  THistoryFlags Flags;  // redo side: the flags the step had when it was undone
};

// Bytes the window's history may hold: a quarter of the machine's memory, at
// most 2 GiB.
size_t DefaultHistoryBudget();

class THistory {
 public:
  // depth: how many steps "Undo" can go back (at least 1); budget: bytes the
  // packed pictures may take in all.
  explicit THistory(size_t depth = 1, size_t budget = SIZE_MAX);

  size_t Depth() const { return depth_; }
  size_t Budget() const { return budget_; }
  size_t UndoCount() const { return undo_.size(); }
  size_t RedoCount() const { return redo_.size(); }
  bool CanUndo() const { return !undo_.empty(); }
  bool CanRedo() const { return !redo_.empty(); }
  // Labels of the step the next Undo / Redo takes; empty when there is none.
  const std::string& UndoLabel() const;
  const std::string& RedoLabel() const;
  // The picture the next Undo (else the next Redo) exchanges with the one on
  // screen (for a rectangle step, the rectangle); empty when neither is possible.
  const TBitmap& OtherSide() const;
  // The flags the next Redo gives back (all off when Redo is not possible).
  THistoryFlags RedoFlags() const;
  // Bytes held by all steps.
  size_t ByteSize() const;

  // A new step whose undo gives back `before`. Whatever Redo could have restored
  // is dropped, and so are the oldest steps while the depth or the budget is
  // exceeded. When memory runs out the oldest steps go first; when even the new
  // step cannot be held the history is emptied (the picture on screen is never
  // touched). keepsResult: undoing the step leaves the result flag as it is;
  // flagsBefore: the document's flags before the step.
  void Record(std::string label, const TBitmap& before, bool keepsResult = false, THistoryFlags flagsBefore = {});
  // The same with a picture its caller no longer needs: a history that packs
  // later keeps it without a copy.
  void Record(std::string label, TBitmap&& before, bool keepsResult = false, THistoryFlags flagsBefore = {});
  // A step that changed the rectangle rect of the picture only; `before` holds
  // that rectangle's pixels before the change (rect's size). When plane is given
  // the step also changed that picture in the same rectangle, planeBefore holding
  // its pixels before. Undoing it leaves the result flag as it is.
  void RecordRegion(std::string label, TRect rect, const TBitmap& before, TBitmap* plane = nullptr,
                    const TBitmap& planeBefore = TBitmap(), THistoryFlags flagsBefore = {});
  // Exchanges current with the last step's picture. Undo turns the result flag
  // off (unless the step retouched a result) and leaves the saved flag as it is;
  // Redo gives back both flags as they were when the step was undone, or, when a
  // later step was undone first, as they were before that step. Nothing
  // happens when not possible, or when memory runs out (std::bad_alloc passes on).
  void Undo(TBitmap& current, THistoryFlags& flags);
  void Redo(TBitmap& current, THistoryFlags& flags);
  // No step left on either side.
  void Clear();

  // A history that packs later takes whole pictures as they are and packs them
  // when PackPending is called (after the command's picture is on screen), so a
  // command does not wait for the packing. Off by default.
  void SetPackLater(bool on) { packLater_ = on; }
  // Packs the pictures taken since; false when there was nothing to pack.
  bool PackPending();

  // Called with the size of every buffer the history is about to take; may throw
  // std::bad_alloc (tests use it to run out of memory at a chosen moment).
  std::function<void(size_t bytes)> OnAllocate;

 private:
  THistoryStep NewStep(std::string label, bool keepsResult, THistoryFlags flagsBefore);
  void Push(THistoryStep step);
  // Exchanges the step's pictures with current (and its plane).
  void Exchange(THistoryStep& step, TBitmap& current);
  TPackedPicture PackFor(const TBitmap& b, TRect r);
  // Drops the oldest steps until the total fits, keeping `keep` as long as possible.
  void Trim(const THistoryStep* keep);
  bool DropOldest(const THistoryStep* keep);

  size_t depth_;
  size_t budget_;
  std::deque<THistoryStep> undo_;  // oldest first
  std::deque<THistoryStep> redo_;  // the step undone last at the back
  mutable TBitmap otherSide_;      // OtherSide unpacked, while it is asked for
  mutable bool otherSideValid_ = false;
  bool packLater_ = false;
};

}  // namespace velinor
