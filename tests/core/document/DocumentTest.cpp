// The open document without a window: the state table of every command, the
// three history states, the save question, and long random runs checked step by
// step against the plain one-buffer history written out below.
#include "core/document/Document.h"

#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <stdexcept>

#include "core/engine/KeepColors.h"
#include "core/resize/StretchEx.h"
#include "DocumentPictures.h"
#include "support/PixelCompare.h"

namespace velinor {
namespace {

using test::Picture;
using test::SamePixels;

TKeepOptions KeepOf(const TBitmap& photo) {
  TKeepOptions o;
  o.Entries = {ColorToText(photo.Pixel(1, 1))};
  return o;
}

// The document as the one-buffer history describes it, field by field.
struct TPlainDocument {
  TBitmap CurrentImage, ColorSource, KeepMask, UndoImage;
  bool Processed = false, Saved = false, Pasted = false, UndoAvailable = false;
  bool RedoProcessed = false, RedoSaved = false;
  std::string FileName;

  bool Open() const { return !CurrentImage.Empty(); }
  bool UndoEnabled() const { return Open() && UndoAvailable; }
  bool RedoEnabled() const { return Open() && !UndoImage.Empty() && !UndoAvailable; }
  bool Asks() const { return !(Saved || (!Pasted && !Processed)); }

  void TakeUndoSnapshot() {
    UndoAvailable = true;
    Saved = false;
    UndoImage = CurrentImage;
  }
  void ResetHistory() {
    UndoAvailable = Processed = Saved = false;
    UndoImage.Clear();
  }
  void SwapUndoImage() { std::swap(CurrentImage, UndoImage); }
  void DoOpen(const TBitmap& image, const std::string& name) {
    CurrentImage = image;
    ResetHistory();
    Pasted = false;
    CurrentImage.Transparent = false;
    CurrentImage.SetPixelFormat(TPixelFormat::pf24bit);
    FileName = name;
  }
  void DoPaste(const TBitmap& image) {
    const bool transparent = CurrentImage.Transparent;
    CurrentImage = image;
    CurrentImage.Transparent = transparent;
    ResetHistory();
    Pasted = true;
    FileName = "Untitled";
  }
  void DoClose() {
    CurrentImage.Clear();
    ResetHistory();
    Pasted = false;
  }
  void DoExecute(const TKeepOptions& options) {
    if (!Open()) return;
    if (Processed) CurrentImage = ColorSource;
    else ColorSource = CurrentImage;
    TakeUndoSnapshot();
    KeepColors(CurrentImage, KeepMask, ColorSource, options);
    Processed = true;
  }
  void DoUndo() {
    if (!UndoEnabled()) return;
    RedoProcessed = Processed;
    RedoSaved = Saved;
    UndoAvailable = false;
    Processed = false;
    SwapUndoImage();
  }
  void DoRedo() {
    if (!RedoEnabled()) return;
    Processed = RedoProcessed;
    Saved = RedoSaved;
    UndoAvailable = true;
    SwapUndoImage();
  }
  void DoImageSize(int w, int h, int mode) {
    if (!Open()) return;
    TakeUndoSnapshot();
    ResizeImage(w, h, mode, CurrentImage);
  }
};

void ExpectSame(const TDocument& d, const TPlainDocument& m, const std::string& where) {
  SCOPED_TRACE(where);
  EXPECT_TRUE(SamePixels(d.CurrentImage(), m.CurrentImage));
  EXPECT_EQ(d.CurrentImage().Transparent, m.CurrentImage.Transparent);
  EXPECT_TRUE(SamePixels(d.UndoImage(), m.UndoImage));
  EXPECT_EQ(d.Processed(), m.Processed);
  EXPECT_EQ(d.Saved(), m.Saved);
  EXPECT_EQ(d.Pasted(), m.Pasted);
  EXPECT_EQ(d.UndoAvailable(), m.UndoAvailable);
  if (m.RedoEnabled()) {
    EXPECT_EQ(d.RedoProcessed(), m.RedoProcessed);
    EXPECT_EQ(d.RedoSaved(), m.RedoSaved);
  }
  EXPECT_EQ(d.FileName(), m.FileName);
  EXPECT_EQ(d.IsOpen(), m.Open());
  // The photo and the mask matter while a result is on screen or Redo can bring
  // one back; otherwise the document lets go of them (the plain one keeps them
  // stale).
  if (m.Processed || (m.RedoEnabled() && m.RedoProcessed)) {
    EXPECT_TRUE(SamePixels(d.ColorSource(), m.ColorSource));
    EXPECT_TRUE(SamePixels(d.KeepMask(), m.KeepMask));
  } else if (!m.RedoEnabled()) {
    EXPECT_TRUE(d.ColorSource().Empty());
    EXPECT_TRUE(d.KeepMask().Empty());
  }
  EXPECT_EQ(d.CanUndo(), m.UndoEnabled());
  EXPECT_EQ(d.CanRedo(), m.RedoEnabled());
  EXPECT_EQ(d.NeedsSaveQuestion(), m.Asks());
  // The rules that always hold.
  if (d.UndoAvailable()) {
    EXPECT_FALSE(d.UndoImage().Empty());
  }
  if (d.ResultMatchesPhoto()) {
    EXPECT_TRUE(d.Processed());
  }
}

TEST(Document, StartsEmptyWithNothingToUndo) {
  TDocument d;
  EXPECT_FALSE(d.IsOpen());
  EXPECT_TRUE(d.CurrentImage().Empty() && d.ColorSource().Empty() && d.KeepMask().Empty());
  EXPECT_TRUE(d.UndoImage().Empty());
  EXPECT_FALSE(d.Processed() || d.Saved() || d.Pasted() || d.UndoAvailable());
  EXPECT_FALSE(d.CanUndo() || d.CanRedo() || d.NeedsSaveQuestion() || d.ResultMatchesPhoto());
  EXPECT_EQ(d.FileName(), "");
  EXPECT_EQ(d.PickColorAt({0, 0}), clNone);
  // Commands on no document change nothing.
  d.Undo();
  d.Redo();
  d.Execute(TKeepOptions{});
  d.ResizeImage(10, 10, rmNearest);
  EXPECT_FALSE(d.IsOpen());
  EXPECT_FALSE(d.UndoAvailable());
}

// The rows of the command table: Open, Close, Paste, Execute, Undo, Redo,
// Save as, Image size, each from a state where every flag it touches differs.
TEST(Document, EachCommandSetsItsRowOfTheStateTable) {
  TDocument d;
  const TBitmap photo = Picture(24, 16, 1);
  TBitmap paletted(3, 2, TPixelFormat::pf8bit);
  paletted.Palette = {RGB(200, 10, 20), RGB(0, 0, 255)};
  paletted.FillBytes(1);
  paletted.Transparent = true;
  d.Open(paletted, "/p/a.gif");
  EXPECT_EQ(d.CurrentImage().PixelFormat(), TPixelFormat::pf24bit);
  EXPECT_FALSE(d.CurrentImage().Transparent);
  EXPECT_EQ(d.CurrentImage().Pixel(2, 1), RGB(0, 0, 255));

  d.Open(photo, "/p/photo.bmp");
  EXPECT_TRUE(SamePixels(d.CurrentImage(), photo));
  EXPECT_EQ(d.FileName(), "/p/photo.bmp");
  EXPECT_FALSE(d.Processed() || d.Saved() || d.Pasted() || d.UndoAvailable());

  // Execute: the result, the photo kept twice (source and undo), saved off.
  d.MarkSaved("/p/before.bmp");
  d.Execute(KeepOf(photo));
  TBitmap expected = photo, mask;
  KeepColors(expected, mask, photo, KeepOf(photo));
  EXPECT_TRUE(SamePixels(d.CurrentImage(), expected));
  EXPECT_TRUE(SamePixels(d.KeepMask(), mask));
  EXPECT_TRUE(SamePixels(d.ColorSource(), photo));
  EXPECT_TRUE(SamePixels(d.UndoImage(), photo));
  EXPECT_TRUE(d.Processed() && d.UndoAvailable() && d.ResultMatchesPhoto());
  EXPECT_FALSE(d.Saved());
  EXPECT_EQ(d.History().UndoLabel(), "Execute");
  EXPECT_FALSE(d.ProcessedSepia());

  // Save as: the name and the saved flag, nothing else.
  d.MarkSaved("/q/result.png");
  EXPECT_EQ(d.FileName(), "/q/result.png");
  EXPECT_TRUE(d.Saved() && d.Processed() && d.UndoAvailable());

  // Undo and Redo exchange the pictures; redo gives the two flags back.
  d.Undo();
  EXPECT_TRUE(SamePixels(d.CurrentImage(), photo));
  EXPECT_TRUE(SamePixels(d.UndoImage(), expected));
  EXPECT_FALSE(d.Processed() || d.UndoAvailable());
  EXPECT_TRUE(d.Saved());
  EXPECT_TRUE(d.RedoProcessed() && d.RedoSaved());
  EXPECT_FALSE(d.CanUndo());
  EXPECT_TRUE(d.CanRedo());
  d.Redo();
  EXPECT_TRUE(SamePixels(d.CurrentImage(), expected));
  EXPECT_TRUE(d.Processed() && d.Saved() && d.UndoAvailable());
  EXPECT_FALSE(d.NeedsSaveQuestion());  // saved after the result, then redone

  // Image size: resized, the picture before in the history, saved off,
  // processed as it was; the result no longer fits its photo.
  d.ResizeImage(12, 8, rmNearest);
  EXPECT_EQ(d.CurrentImage().Width(), 12);
  EXPECT_TRUE(SamePixels(d.UndoImage(), expected));
  EXPECT_EQ(d.History().UndoLabel(), "Image size");
  EXPECT_TRUE(d.Processed() && d.UndoAvailable());
  EXPECT_FALSE(d.Saved());
  EXPECT_FALSE(d.ResultMatchesPhoto());
  EXPECT_TRUE(SamePixels(d.ColorSource(), photo));  // not part of the history

  // Paste: untitled, no history, the transparency flag of what it replaces.
  d.Paste(Picture(5, 4, 9));
  EXPECT_EQ(d.FileName(), "Untitled");
  EXPECT_TRUE(d.Pasted() && d.NeedsSaveQuestion());
  EXPECT_FALSE(d.Processed() || d.Saved() || d.UndoAvailable());
  EXPECT_TRUE(d.UndoImage().Empty());
  EXPECT_FALSE(d.CurrentImage().Transparent);
  // Nothing can show the photo and the mask of the result again: they go.
  EXPECT_TRUE(d.ColorSource().Empty() && d.KeepMask().Empty());

  // Close: nothing on screen, no history, the name stays.
  d.Close();
  EXPECT_FALSE(d.IsOpen());
  EXPECT_FALSE(d.Pasted() || d.UndoAvailable() || d.NeedsSaveQuestion());
  EXPECT_EQ(d.FileName(), "Untitled");
  EXPECT_TRUE(d.ColorSource().Empty() && d.KeepMask().Empty());
}

// The three states of the one-step history and the ways between them.
TEST(Document, HistoryStatesAndTheirEnabling) {
  TDocument d;
  const TBitmap photo = Picture(10, 10, 2);
  auto state = [&] {
    if (!d.UndoAvailable() && d.UndoImage().Empty()) return 1;
    if (d.UndoAvailable()) return 2;
    return 3;
  };
  d.Open(photo, "a.bmp");
  EXPECT_EQ(state(), 1);
  EXPECT_FALSE(d.CanUndo() || d.CanRedo());
  for (int from = 1; from <= 3; ++from) {
    d.Open(photo, "a.bmp");
    if (from >= 2) d.TakeUndoSnapshot("Execute");
    if (from == 3) d.Undo();
    ASSERT_EQ(state(), from);
    TBitmap before = d.CurrentImage();
    d.TakeUndoSnapshot("Image size");  // enters the second state from any state
    EXPECT_EQ(state(), 2);
    EXPECT_TRUE(SamePixels(d.UndoImage(), before));
    EXPECT_TRUE(d.CanUndo());
    EXPECT_FALSE(d.CanRedo());
    d.Undo();
    EXPECT_EQ(state(), 3);
    EXPECT_FALSE(d.CanUndo());
    EXPECT_TRUE(d.CanRedo());
    d.Undo();  // disabled: nothing happens
    EXPECT_EQ(state(), 3);
    d.Redo();
    EXPECT_EQ(state(), 2);
    d.Redo();  // disabled
    EXPECT_EQ(state(), 2);
    d.ResetHistory();
    EXPECT_EQ(state(), 1);
  }
}

TEST(Document, UndoScenariosOfTheHistory) {
  const TBitmap photo = Picture(20, 14, 3);
  const TKeepOptions keep = KeepOf(photo);
  {  // Open, Execute, Undo, Execute: a new step, the first result is gone.
    TDocument d;
    d.Open(photo, "p.bmp");
    d.Execute(keep);
    d.Undo();
    d.Execute(keep);
    EXPECT_TRUE(d.CanUndo());
    EXPECT_FALSE(d.CanRedo());
    EXPECT_TRUE(SamePixels(d.UndoImage(), photo));
  }
  {  // Open, Execute, Image size, Undo: the grey result at its size, not processed;
     // the next Execute takes it as its photo.
    TDocument d;
    d.Open(photo, "p.bmp");
    d.Execute(keep);
    const TBitmap result = d.CurrentImage();
    d.ResizeImage(10, 7, rmFiltered);
    d.Undo();
    EXPECT_TRUE(SamePixels(d.CurrentImage(), result));
    EXPECT_FALSE(d.Processed());
    d.Execute(keep);
    EXPECT_TRUE(SamePixels(d.ColorSource(), result));
  }
  {  // Open, Image size, Undo, Redo: the resized picture back, not processed.
    TDocument d;
    d.Open(photo, "p.bmp");
    d.ResizeImage(30, 21, rmFiltered);
    const TBitmap resized = d.CurrentImage();
    TBitmap expected = photo;
    ResizeImage(30, 21, rmFiltered, expected);
    EXPECT_TRUE(SamePixels(resized, expected));
    d.Undo();
    EXPECT_TRUE(SamePixels(d.CurrentImage(), photo));
    d.Redo();
    EXPECT_TRUE(SamePixels(d.CurrentImage(), resized));
    EXPECT_FALSE(d.Processed());
    EXPECT_FALSE(d.NeedsSaveQuestion());  // only opened and resized
  }
}

TEST(Document, SaveQuestionForUnsavedResultsAndPastesOnly) {
  const TBitmap photo = Picture(8, 8, 4);
  TDocument d;
  d.Open(photo, "p.bmp");
  EXPECT_FALSE(d.NeedsSaveQuestion());
  d.ResizeImage(4, 4, rmNearest);
  EXPECT_FALSE(d.NeedsSaveQuestion());
  d.Execute(KeepOf(d.CurrentImage()));
  EXPECT_TRUE(d.NeedsSaveQuestion());
  d.MarkSaved("r.png");
  EXPECT_FALSE(d.NeedsSaveQuestion());
  d.Undo();  // saved stays: still nothing to ask
  EXPECT_FALSE(d.NeedsSaveQuestion());
  d.Execute(KeepOf(d.CurrentImage()));
  d.Undo();  // the unsaved result was undone: nothing to ask
  EXPECT_FALSE(d.NeedsSaveQuestion());
  d.Paste(photo);
  EXPECT_TRUE(d.NeedsSaveQuestion());
  d.ResizeImage(4, 4, rmNearest);
  EXPECT_TRUE(d.NeedsSaveQuestion());
  d.MarkSaved("pasted.png");
  EXPECT_FALSE(d.NeedsSaveQuestion());
  EXPECT_TRUE(d.Pasted());  // a save does not change it
}

TEST(Document, EyedropperAndLayeredSaveFollowThePhoto) {
  const TBitmap photo = Picture(16, 12, 5);
  TDocument d;
  d.Open(photo, "p.bmp");
  EXPECT_EQ(d.PickColorAt({3, 4}), photo.Pixel(3, 4));
  EXPECT_EQ(d.PickColorAt({16, 0}), clNone);
  EXPECT_EQ(d.PickColorAt({0, -1}), clNone);
  EXPECT_EQ(d.BuildLayeredDocument()->Layers.Count(), 1);

  TKeepOptions keep = KeepOf(photo);
  keep.Sepia = true;
  d.Execute(keep);
  EXPECT_TRUE(d.ProcessedSepia());
  EXPECT_EQ(d.PickColorAt({3, 4}), photo.Pixel(3, 4));  // the photo's, not the grey
  const auto layered = d.BuildLayeredDocument();
  ASSERT_EQ(layered->Layers.Count(), 2);
  EXPECT_TRUE(SamePixels(layered->Layers.Items(0).Image, photo));

  d.ResizeImage(8, 6, rmNearest);
  EXPECT_EQ(d.PickColorAt({3, 4}), d.CurrentImage().Pixel(3, 4));
  const auto flat = d.BuildLayeredDocument();
  ASSERT_EQ(flat->Layers.Count(), 1);
  EXPECT_TRUE(SamePixels(flat->Layers.Items(0).Image, d.CurrentImage()));
}

TEST(Document, FailuresLeaveThePhotoAndRecordTheStep) {
  const TBitmap photo = Picture(12, 10, 6);
  TDocument d;
  d.Open(photo, "p.bmp");
  d.Execute(KeepOf(photo));
  const TBitmap mask = d.KeepMask();
  // A run that fails half-way (here its progress sink) leaves the photo.
  const TProgressSink failing = [](const std::string& label, int) {
    if (label == "Processing") throw std::runtime_error("no memory");
  };
  EXPECT_THROW(d.Execute(KeepOf(photo), failing), std::runtime_error);
  EXPECT_TRUE(SamePixels(d.CurrentImage(), photo));
  EXPECT_TRUE(SamePixels(d.UndoImage(), photo));
  EXPECT_FALSE(d.Processed() || d.Saved());
  EXPECT_TRUE(d.UndoAvailable());
  // Nothing of the failed run is kept; the mask before goes too, as nothing can
  // show it again.
  EXPECT_TRUE(d.KeepMask().Empty());
  EXPECT_FALSE(d.CanRedo());

  // A size the picture cannot take is refused; the picture stays.
  EXPECT_THROW(d.ResizeImage(MaxImageSide + 1, 10, rmNearest), std::exception);
  EXPECT_TRUE(SamePixels(d.CurrentImage(), photo));
  EXPECT_TRUE(d.UndoAvailable());
  EXPECT_EQ(d.History().UndoLabel(), "Image size");
}

TEST(Document, ViewHearsOfEveryNewPicture) {
  TDocument d;
  int changes = 0;
  d.OnImageChange = [&] { ++changes; };
  const TBitmap photo = Picture(6, 6, 7);
  d.Open(photo, "p.bmp");
  EXPECT_GE(changes, 1);
  for (auto step : {+[](TDocument& x) { x.Execute(KeepOf(x.CurrentImage())); },
                    +[](TDocument& x) { x.Undo(); }, +[](TDocument& x) { x.Redo(); },
                    +[](TDocument& x) { x.ResizeImage(3, 3, rmNearest); },
                    +[](TDocument& x) { x.Paste(Picture(2, 2, 1)); }, +[](TDocument& x) { x.Close(); }}) {
    const int before = changes;
    step(d);
    EXPECT_GT(changes, before);
  }
}

// Random runs of every command, compared after each with the plain document.
TEST(Document, RandomRunsMatchThePlainOneBufferHistory) {
  for (uint32_t seed = 1; seed <= 40; ++seed) {
    std::mt19937 rng(seed);
    TDocument d;
    TPlainDocument m;
    auto pick = [&](int n) { return static_cast<int>(rng() % static_cast<uint32_t>(n)); };
    for (int step = 0; step < 40; ++step) {
      const int op = pick(9);
      std::string what;
      switch (op) {
        case 0: {
          TBitmap image = Picture(4 + pick(12), 4 + pick(12), rng());
          image.Transparent = pick(2) == 0;
          const std::string name = "f" + std::to_string(pick(5)) + ".bmp";
          d.Open(image, name);
          m.DoOpen(image, name);
          what = "Open";
          break;
        }
        case 1: {
          TBitmap image = Picture(3 + pick(10), 3 + pick(10), rng());
          d.Paste(image);
          m.DoPaste(image);
          what = "Paste";
          break;
        }
        case 2:
          if (pick(3) == 0) {  // closing is rarer, so that runs go deep
            d.Close();
            m.DoClose();
          }
          what = "Close";
          break;
        case 3:
        case 4: {
          TKeepOptions o;
          if (m.Open()) {
            const TBitmap& from = m.Processed ? m.ColorSource : m.CurrentImage;
            o.Entries = {ColorToText(from.Pixel(pick(from.Width()), pick(from.Height())))};
          }
          o.Sepia = pick(2) == 0;
          o.Progressive = pick(2) == 0;
          o.Gradient = pick(2) == 0;
          o.Tolerance = 1 + pick(60);
          d.Execute(o);
          m.DoExecute(o);
          what = "Execute";
          break;
        }
        case 5:
          d.Undo();
          m.DoUndo();
          what = "Undo";
          break;
        case 6:
          d.Redo();
          m.DoRedo();
          what = "Redo";
          break;
        case 7: {
          const int w = 2 + pick(20), h = 2 + pick(20);
          const int mode = pick(2) == 0 ? rmNearest : rmFiltered;
          d.ResizeImage(w, h, mode);
          m.DoImageSize(w, h, mode);
          what = "Image size";
          break;
        }
        case 8:
          if (m.Open()) {
            d.MarkSaved("saved.png");
            m.FileName = "saved.png";
            m.Saved = true;
          }
          what = "Save as";
          break;
      }
      ExpectSame(d, m, "seed " + std::to_string(seed) + " step " + std::to_string(step) + " " + what);
      if (::testing::Test::HasFailure()) return;
    }
  }
}

// A picture with see-through parts keeps its alpha when it is opened; a 32-bit
// picture opaque everywhere becomes 24-bit like every other.
TEST(Document, OpenKeepsAlphaOnlyWhenSomethingIsSeeThrough) {
  TDocument d;
  TBitmap withAlpha(3, 2, TPixelFormat::pf32bit);
  withAlpha.FillBytes(200);
  withAlpha.ScanLine(1)[4 * 2 + 3] = 0;
  withAlpha.Transparent = true;
  d.Open(withAlpha, "/p/a.png");
  ASSERT_EQ(d.CurrentImage().PixelFormat(), TPixelFormat::pf32bit);
  EXPECT_FALSE(d.CurrentImage().Transparent);
  EXPECT_EQ(d.CurrentImage().ScanLine(1)[4 * 2 + 3], 0);
  EXPECT_EQ(d.CurrentImage().ScanLine(0)[3], 200);

  TBitmap opaque(3, 2, TPixelFormat::pf32bit);
  opaque.FillBytes(255);
  d.Open(opaque, "/p/b.png");
  EXPECT_EQ(d.CurrentImage().PixelFormat(), TPixelFormat::pf24bit);
  EXPECT_EQ(d.CurrentImage().Pixel(2, 1), RGB(255, 255, 255));
}


// "Image size" on a picture with see-through parts keeps them, and the colours
// hidden under clear pixels do not bleed into the visible ones.
TEST(Document, ImageSizeKeepsAlphaWithoutTheHiddenColours) {
  for (const int mode : {0, 2, 3}) {
    TDocument d;
    TBitmap picture(40, 20, TPixelFormat::pf32bit);
    for (int y = 0; y < 20; ++y)
      for (int x = 0; x < 40; ++x) {
        uint8_t* p = picture.ScanLine(y) + 4 * x;
        const bool clear = x >= 20;
        p[0] = 0;
        p[1] = clear ? 255 : 0;  // green hidden under the clear half
        p[2] = clear ? 0 : 255;
        p[3] = clear ? 0 : 255;
      }
    d.Open(picture, "/p/a.png");
    d.ResizeImage(25, 13, mode);
    const TBitmap& b = d.CurrentImage();
    ASSERT_EQ(b.PixelFormat(), TPixelFormat::pf32bit) << mode;
    ASSERT_EQ(b.Width(), 25);
    for (int y = 0; y < 13; ++y)
      for (int x = 0; x < 25; ++x) {
        const uint8_t* p = b.ScanLine(y) + 4 * x;
        if (p[3] > 0) { EXPECT_LE(p[1], 10) << mode << " " << x << "," << y; }  // no green where anything shows
        if (x < 10) { EXPECT_EQ(b.Pixel(x, y), RGB(255, 0, 0)) << mode << " " << x << "," << y; }
        if (x > 15) { EXPECT_EQ(p[3], 0) << mode << " " << x << "," << y; }
      }
  }
}
}  // namespace
}  // namespace velinor

namespace velinor {
namespace {

// Rotate records one step like Image size: the picture before comes back with
// Undo, the turned one with Redo. Unlike a resize it loses nothing: the photo and
// the mask behind a result turn with it, so the result stays one, also undone.
TEST(Document, RotateIsOneStepLikeImageSize) {
  TDocument d;
  const TBitmap photo = Picture(7, 4, 21);
  d.RotateImage(true);  // nothing open: nothing happens
  EXPECT_FALSE(d.IsOpen() || d.CanUndo());
  d.Open(photo, "p.bmp");
  d.Execute(KeepOf(photo));
  const TBitmap result = d.CurrentImage();
  d.MarkSaved("p.ovi");
  d.RotateImage(true);
  EXPECT_EQ(d.CurrentImage().Width(), 4);
  EXPECT_EQ(d.CurrentImage().Height(), 7);
  // Clockwise: the bottom-left pixel comes to the top-left corner.
  EXPECT_EQ(d.CurrentImage().Pixel(0, 0), result.Pixel(0, 3));
  EXPECT_EQ(d.CurrentImage().Pixel(3, 6), result.Pixel(6, 0));
  EXPECT_EQ(d.History().UndoLabel(), "Rotate");
  EXPECT_TRUE(SamePixels(d.UndoImage(), result));
  EXPECT_TRUE(d.Processed() && d.UndoAvailable());
  EXPECT_FALSE(d.Saved());
  EXPECT_TRUE(d.ResultMatchesPhoto());
  const TBitmap turned = d.CurrentImage();
  d.Undo();
  EXPECT_TRUE(SamePixels(d.CurrentImage(), result));
  EXPECT_TRUE(d.Processed() && d.ResultMatchesPhoto());
  EXPECT_TRUE(SamePixels(d.ColorSource(), photo));
  d.Redo();
  EXPECT_TRUE(SamePixels(d.CurrentImage(), turned));
  d.RotateImage(false);  // left after right: the result again, as a new step
  EXPECT_TRUE(SamePixels(d.CurrentImage(), result));
  EXPECT_TRUE(SamePixels(d.UndoImage(), turned));
  EXPECT_FALSE(d.CanRedo());
}

// A deeper history: Undo walks back through every step and Redo forward, each
// state with its flags; one step of it is the one-step history.
TEST(Document, DeepHistoryWalksBackAndForward) {
  const TBitmap photo = Picture(20, 14, 11);
  TDocument d(kWindowHistoryDepth);
  d.Open(photo, "p.bmp");
  d.Execute(KeepOf(photo));
  const TBitmap result = d.CurrentImage();
  d.ResizeImage(16, 12, rmFiltered);
  const TBitmap resized = d.CurrentImage();
  TBitmap touchUps(16, 12, TPixelFormat::pf8bit);
  std::memset(touchUps.ScanLine(0), 128, touchUps.ByteSize());
  std::vector<TBitmap> strokes{resized}, layers{touchUps};
  for (int i = 0; i < 2; ++i) {  // two strokes, the second partly outside the picture
    const TRect r = IntersectRect(TRect{4 + 8 * i, 3, 12 + 8 * i, 9}, TRect{0, 0, 16, 12});
    TBitmap before(r.Width(), r.Height()), layerBefore(r.Width(), r.Height(), TPixelFormat::pf8bit);
    TBitmap& shown = const_cast<TBitmap&>(d.CurrentImage());  // what a brush does in place
    for (int y = r.Top; y < r.Bottom; ++y)
      for (int x = r.Left; x < r.Right; ++x) {
        before.SetPixel(x - r.Left, y - r.Top, shown.Pixel(x, y));
        layerBefore.ScanLine(y - r.Top)[x - r.Left] = touchUps.ScanLine(y)[x];
        shown.SetPixel(x, y, photo.Pixel(x, y));
        touchUps.ScanLine(y)[x] = 0;
      }
    d.PushRegionStep("Brush stroke", r, before, &touchUps, layerBefore);
    strokes.push_back(d.CurrentImage());
    layers.push_back(touchUps);
  }
  d.MarkSaved("p.ovi");
  EXPECT_TRUE(d.Processed());

  EXPECT_EQ(d.History().UndoLabel(), "Brush stroke");
  d.Undo();
  EXPECT_TRUE(SamePixels(d.CurrentImage(), strokes[1]));
  EXPECT_TRUE(SamePixels(touchUps, layers[1]));
  EXPECT_TRUE(d.Processed());  // a stroke undone leaves the result a result
  EXPECT_TRUE(d.Saved());
  d.Undo();
  EXPECT_TRUE(SamePixels(d.CurrentImage(), resized));
  EXPECT_TRUE(SamePixels(touchUps, layers[0]));
  EXPECT_EQ(d.History().UndoLabel(), "Image size");
  d.Undo();
  EXPECT_TRUE(SamePixels(d.CurrentImage(), result));
  EXPECT_FALSE(d.Processed());
  EXPECT_EQ(d.History().UndoLabel(), "Execute");
  EXPECT_TRUE(d.CanUndo() && d.CanRedo());
  d.Undo();
  EXPECT_TRUE(SamePixels(d.CurrentImage(), photo));
  EXPECT_FALSE(d.CanUndo());
  EXPECT_EQ(d.History().RedoCount(), 4u);

  d.Redo();
  EXPECT_TRUE(SamePixels(d.CurrentImage(), result));
  EXPECT_TRUE(d.Processed());
  EXPECT_FALSE(d.Saved());
  EXPECT_TRUE(d.ResultMatchesPhoto());
  d.Redo();
  EXPECT_TRUE(SamePixels(d.CurrentImage(), resized));
  EXPECT_TRUE(d.Processed());
  d.Redo();
  d.Redo();
  EXPECT_TRUE(SamePixels(d.CurrentImage(), strokes[2]));
  EXPECT_TRUE(SamePixels(touchUps, layers[2]));
  EXPECT_TRUE(d.Saved());  // as it was when undone
  EXPECT_FALSE(d.CanRedo());

  // A second Execute on a result keeps the result it replaces as a step of its
  // own, so that the walk back passes through it; a new step ends the redo side.
  // That step gives the result back as it was: processed (here a resized result,
  // which no longer fits its photo).
  d.Undo();
  d.Execute(KeepOf(photo));
  EXPECT_FALSE(d.CanRedo());
  EXPECT_EQ(d.History().UndoCount(), 5u);
  d.Undo();
  EXPECT_TRUE(SamePixels(d.CurrentImage(), d.ColorSource()));
  d.Undo();
  EXPECT_TRUE(SamePixels(d.CurrentImage(), strokes[1]));
  EXPECT_TRUE(d.Processed());
  EXPECT_FALSE(d.ResultMatchesPhoto());

  // Rotate-like commands are steps with their label.
  TDocument r(kWindowHistoryDepth);
  r.Open(photo, "p.bmp");
  r.ApplyStep("Rotate", Picture(14, 20, 3));
  EXPECT_EQ(r.History().UndoLabel(), "Rotate");
  r.Undo();
  EXPECT_TRUE(SamePixels(r.CurrentImage(), photo));
}

// With one step in a deep history, the commands give the one-step history's
// states (the state tables), whatever happened before the last reset.
TEST(Document, DeepHistoryWithOneStepIsTheOneStepHistory) {
  const TBitmap photo = Picture(12, 9, 12);
  for (int command = 0; command < 3; ++command) {
    TDocument deep(kWindowHistoryDepth), flat;
    TPlainDocument m;
    for (TDocument* d : {&deep, &flat}) d->Open(photo, "p.bmp");
    m.DoOpen(photo, "p.bmp");
    for (TDocument* d : {&deep, &flat}) {
      if (command == 0) d->Execute(KeepOf(photo));
      if (command == 1) d->ResizeImage(6, 5, rmNearest);
      if (command == 2) d->TakeUndoSnapshot("Execute");
    }
    if (command == 0) m.DoExecute(KeepOf(photo));
    if (command == 1) m.DoImageSize(6, 5, rmNearest);
    if (command == 2) m.TakeUndoSnapshot();
    for (int i = 0; i < 5; ++i) {
      ExpectSame(deep, m, "deep " + std::to_string(command) + " " + std::to_string(i));
      ExpectSame(flat, m, "flat " + std::to_string(command) + " " + std::to_string(i));
      for (TDocument* d : {&deep, &flat}) (i % 2 == 0) ? d->Undo() : d->Redo();
      (i % 2 == 0) ? m.DoUndo() : m.DoRedo();
    }
  }
}

}  // namespace
}  // namespace velinor
