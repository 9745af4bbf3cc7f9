// The brush on the mask, driven through the window as a user drives it: the
// modes and their keys, strokes by mouse drags, "Clear touch-ups", and strokes
// kept across a later "Execute".
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QFrame>
#include <QPaintEvent>
#include <QRegion>
#include <QSlider>
#include <QSpinBox>
#include <QTest>
#include <QToolButton>
#include <gtest/gtest.h>

#include <cmath>

#include "support/GuiTestSupport.h"
#include "support/PixelCompare.h"
#include "core/document/KeepPreview.h"
#include "core/engine/KeepColors.h"
#include "core/engine/ToneCompositing.h"
#include "gui/app/BrushTool.h"
#include "gui/app/LivePreview.h"
#include "gui/view/MyImage.h"

namespace velinor {
namespace {

using test::SamePixels;

using test::MakeForm;
using test::TScriptedDialogs;

struct TBrushForm {
  QTemporaryDir dir;
  TScriptedDialogs dialogs;
  TBitmap photo = test::MakeImage(60, 40);
  std::unique_ptr<TMainForm> form;

  TBrushForm() {
    form = MakeForm(dir);
    form->OpenImage(test::WriteBmp(dir, "photo.bmp", 60, 40), true);
    form->resize(800, 600);
    form->show();
    QApplication::processEvents();
  }
  void Drag(std::initializer_list<TPoint> points, Qt::MouseButton button, Qt::KeyboardModifiers mods = {}) {
    test::DragImage(*form, points, button, mods);
  }
};

TBitmap Toned(const TBitmap& photo) {
  TBitmap t(photo);
  ToneResult(t, false);
  return t;
}

TEST(MainFormBrush, ModesMenuItemsAndKeys) {
  TBrushForm t;
  TMainForm& f = *t.form;
  EXPECT_EQ(f.MenuActionBrush->text().section('\t', 0, 0), "Brush");
  EXPECT_EQ(f.MenuActionClearTouchUps->text(), "Clear touch-ups");
  f.MenuActionClick();
  EXPECT_TRUE(f.MenuActionBrush->isEnabled());
  EXPECT_FALSE(f.MenuActionClearTouchUps->isEnabled());
  EXPECT_FALSE(f.BrushTool->Active());
  EXPECT_FALSE(f.BrushTool->PnlBrush->isVisible());
  f.BtnBrush->click();
  EXPECT_TRUE(f.BrushTool->Active());
  EXPECT_TRUE(f.BrushTool->PnlBrush->isVisible());
  EXPECT_TRUE(f.BtnBrush->isChecked());
  EXPECT_FALSE(f.BtnPipette->isChecked());
  EXPECT_EQ(f.Image->Tool(), f.BrushTool);
  f.BtnPipette->click();
  EXPECT_FALSE(f.BrushTool->Active());
  EXPECT_EQ(f.Image->Tool(), nullptr);

  if (!test::ShowActive(f)) GTEST_SKIP() << "the window did not become active";
  f.BrushTool->SetSize(40);
  QTest::keyClick(&f, Qt::Key_B);
  EXPECT_TRUE(f.BrushTool->Active());
  QTest::keyClick(&f, Qt::Key_BracketRight);
  EXPECT_EQ(f.BrushTool->Brush().Size, 44);
  QTest::keyClick(&f, Qt::Key_BracketLeft);
  QTest::keyClick(&f, Qt::Key_BracketLeft);
  EXPECT_EQ(f.BrushTool->Brush().Size, 36);
  QTest::keyClick(&f, Qt::Key_Escape);
  EXPECT_FALSE(f.BrushTool->Active());
  f.BrushTool->SetSize(9999);
  EXPECT_EQ(f.BrushTool->Brush().Size, MaxBrushSize);
}

TEST(MainFormBrush, GreyAndColourStrokesByDragSurviveExecute) {
  TBrushForm t;
  TMainForm& f = *t.form;
  // Keep everything: a tolerance that takes every colour of the gradient.
  f.PickColor(t.photo.Pixel(30, 20));
  f.TBN->setValue(100);
  f.MenuActionActionClick();
  const TBitmap computed = f.CurrentImage();
  f.MenuActionBrushClick();
  f.BrushTool->SetSize(12);
  f.BrushTool->SetSoftness(0);
  // Right drag paints grey, then an eyedropper click does not pick in brush mode.
  t.Drag({{15, 20}, {20, 20}}, Qt::RightButton);
  EXPECT_EQ(f.KeptColors().size(), 1);
  const TBitmap grey = Toned(t.photo);
  auto checkStroke = [&](const TBitmap& elsewhere) {
    for (int y = 0; y < 40; ++y)
      for (int x = 0; x < 60; ++x) {
        const double d = x < 15 ? std::hypot(x - 15, y - 20) : x > 20 ? std::hypot(x - 20, y - 20) : std::abs(y - 20);
        if (d < 6 - 1.5) { ASSERT_EQ(f.CurrentImage().Pixel(x, y), grey.Pixel(x, y)) << x << "," << y; }
        if (d > 6 + 1.5) { ASSERT_EQ(f.CurrentImage().Pixel(x, y), elsewhere.Pixel(x, y)) << x << "," << y; }
      }
  };
  checkStroke(computed);
  f.MenuActionClick();
  EXPECT_TRUE(f.MenuActionClearTouchUps->isEnabled());
  EXPECT_TRUE(f.BtnUndo->isEnabled());

  // Another Execute with other settings keeps the stroke.
  f.TBN->setValue(60);
  f.MenuActionActionClick();
  TKeepOptions o;
  o.Entries = {f.KeptColors()[0].toStdString()};
  o.Tolerance = 60;
  TBitmap again = t.photo, mask;
  KeepColors(again, mask, t.photo, o);
  checkStroke(again);

  // Ctrl + left and Alt + left paint grey too; left paints colour back over it.
  ASSERT_NE(again.Pixel(36, 30), grey.Pixel(36, 30));
  t.Drag({{36, 30}}, Qt::LeftButton, Qt::ControlModifier);
  EXPECT_EQ(f.CurrentImage().Pixel(36, 30), grey.Pixel(36, 30));
  t.Drag({{40, 10}}, Qt::LeftButton, Qt::AltModifier);
  EXPECT_EQ(f.CurrentImage().Pixel(40, 10), grey.Pixel(40, 10));
  t.Drag({{40, 10}, {19, 20}}, Qt::LeftButton);
  EXPECT_EQ(f.CurrentImage().Pixel(40, 10), t.photo.Pixel(40, 10));
  EXPECT_EQ(f.CurrentImage().Pixel(19, 20), t.photo.Pixel(19, 20));
  EXPECT_EQ(f.CurrentImage().Pixel(11, 20), grey.Pixel(11, 20));

  // "Clear touch-ups": the computed result; Undo brings the strokes back.
  f.MenuActionClearTouchUpsClick();
  EXPECT_TRUE(SamePixels(f.CurrentImage(), again));
  f.MenuEditionUndoClick();
  EXPECT_EQ(f.CurrentImage().Pixel(40, 10), t.photo.Pixel(40, 10));
  EXPECT_EQ(f.CurrentImage().Pixel(11, 20), grey.Pixel(11, 20));
  EXPECT_EQ(f.CurrentImage().Pixel(19, 20), t.photo.Pixel(19, 20));
}

TEST(MainFormBrush, BrushBeforeExecuteStartsFromThePhoto) {
  TBrushForm t;
  TMainForm& f = *t.form;
  f.MenuActionBrushClick();
  f.BrushTool->SetSize(MaxBrushSize);  // larger than the picture
  f.BrushTool->SetSoftness(0);
  t.Drag({{0, 0}}, Qt::RightButton);
  EXPECT_TRUE(f.Document().Processed());
  EXPECT_TRUE(SamePixels(f.CurrentImage(), Toned(t.photo)));
  f.MenuEditionUndoClick();
  EXPECT_TRUE(SamePixels(f.CurrentImage(), t.photo));
  EXPECT_TRUE(f.Document().TouchUps().Empty());
}

// What "Execute" computes for the document as it is now with these options.
TBitmap ExecuteNow(const TMainForm& f, const TKeepOptions& o) {
  TBitmap result, mask;
  ExecuteResult(f.Document().KeepPhoto(), o, &f.Document().TouchUps(), result, mask);
  return result;
}

// Strokes on a result reach the preview of other settings (its quick look and its
// exact result), "Execute" commits exactly that and the screen shows it; the mask
// view shows the final mask and follows a stroke painted while it is on.
TEST(MainFormBrush, PreviewMaskViewAndExecuteCarryTheStrokes) {
  TBrushForm t;
  TMainForm& f = *t.form;
  ASSERT_EQ(f.Image->Zoom(), 1.0);
  f.PickColor(t.photo.Pixel(30, 20));
  f.TBN->setValue(40);
  f.MenuActionActionClick();
  ASSERT_TRUE(f.Document().Processed());
  f.MenuActionBrushClick();
  f.BrushTool->SetSize(10);
  f.BrushTool->SetSoftness(40);
  t.Drag({{28, 18}, {33, 22}}, Qt::RightButton);  // grey where colour is kept
  t.Drag({{5, 5}, {8, 30}}, Qt::LeftButton);      // colour where it turns grey
  const TBitmap painted = f.CurrentImage();

  // Another tolerance: the look shows the strokes at once, the exact result too.
  QTest::keyClick(f.TBN, Qt::Key_Right);
  ASSERT_TRUE(f.LivePreview().OnScreen());
  const TBitmap expected = ExecuteNow(f, f.KeepOptionsNow());
  ASSERT_NE(f.LivePreview().Shown(), nullptr);
  EXPECT_TRUE(SamePixels(*f.LivePreview().Shown(), expected));  // at 100 % the look is exact
  ASSERT_TRUE(f.LivePreview().WaitForExact(20000));
  EXPECT_TRUE(SamePixels(*f.LivePreview().Shown(), expected));
  EXPECT_TRUE(SamePixels(f.CurrentImage(), painted));  // the document waits for Enter
  for (const TPoint p : {TPoint{30, 20}, TPoint{6, 20}})
    EXPECT_EQ(test::ShownColor(f, p), expected.Pixel(p.X, p.Y)) << p.X << "," << p.Y;

  // Enter commits those very pixels, and the screen shows them.
  f.MenuActionActionClick();
  EXPECT_TRUE(SamePixels(f.CurrentImage(), expected));
  EXPECT_EQ(f.Image->Overlay(), nullptr);
  for (const TPoint p : {TPoint{30, 20}, TPoint{6, 20}, TPoint{50, 35}})
    EXPECT_EQ(test::ShownColor(f, p), expected.Pixel(p.X, p.Y)) << p.X << "," << p.Y;

  // The mask view: the final mask, strokes included, following a new stroke.
  f.MenuAffichageMasqueClick();
  TBitmap look;
  MaskLook(f.Document().ColorSource(), f.Document().FinalMask(), look);
  ASSERT_NE(f.Image->Overlay(), nullptr);
  EXPECT_TRUE(SamePixels(*f.Image->Overlay(), look));
  t.Drag({{45, 10}, {50, 12}}, Qt::RightButton);
  MaskLook(f.Document().ColorSource(), f.Document().FinalMask(), look);
  ASSERT_NE(f.Image->Overlay(), nullptr);
  EXPECT_TRUE(SamePixels(*f.Image->Overlay(), look));
  EXPECT_EQ(test::ShownColor(f, TPoint{47, 11}), look.Pixel(47, 11));
  EXPECT_NE(look.Pixel(47, 11), t.photo.Pixel(47, 11));
}

// A stroke before "Execute" is a change of its inputs: the preview shows it (and
// stays on screen, "Preview" in the status bar), the document asks to be saved,
// and Undo walks back through "Execute" and the stroke to the photo. With the
// preview hidden, a stroke brings it back.
TEST(MainFormBrush, AStrokeBeforeExecuteGoesIntoThePreview) {
  TBrushForm t;
  TMainForm& f = *t.form;
  f.PickColor(t.photo.Pixel(30, 20));
  f.TBN->setValue(40);
  ASSERT_TRUE(f.LivePreview().WaitForExact(20000));
  f.MenuActionBrushClick();
  f.BrushTool->SetSize(8);
  f.BrushTool->SetSoftness(0);
  t.Drag({{28, 20}, {33, 20}}, Qt::LeftButton, Qt::ControlModifier);  // Ctrl + left: grey
  EXPECT_TRUE(f.LivePreview().OnScreen());
  EXPECT_EQ(f.StatusText(0), "Preview");
  EXPECT_TRUE(f.Document().NeedsSaveQuestion());  // a stroke is work to keep
  const TBitmap expected = ExecuteNow(f, f.KeepOptionsNow());
  const TBitmap grey = Toned(t.photo);
  EXPECT_EQ(expected.Pixel(30, 20), grey.Pixel(30, 20));
  ASSERT_TRUE(f.LivePreview().WaitForExact(20000));
  EXPECT_TRUE(SamePixels(*f.LivePreview().Shown(), expected));
  EXPECT_EQ(test::ShownColor(f, TPoint{30, 20}), grey.Pixel(30, 20));

  f.MenuActionActionClick();
  EXPECT_TRUE(SamePixels(f.CurrentImage(), expected));
  EXPECT_EQ(f.StatusText(0), "Ready");
  // Undo: the photo "Execute" started from; the stroke on it; the photo.
  f.MenuEditionUndoClick();
  EXPECT_TRUE(SamePixels(f.CurrentImage(), t.photo));
  EXPECT_FALSE(f.Document().Processed());
  EXPECT_FALSE(f.LivePreview().OnScreen());
  EXPECT_EQ(f.StatusText(0), "Ready");
  f.MenuEditionUndoClick();
  EXPECT_EQ(f.CurrentImage().Pixel(30, 20), grey.Pixel(30, 20));
  EXPECT_EQ(f.CurrentImage().Pixel(10, 10), t.photo.Pixel(10, 10));
  EXPECT_TRUE(f.Document().Processed() && f.Document().ResultMatchesPhoto());
  EXPECT_EQ(test::ShownColor(f, TPoint{30, 20}), grey.Pixel(30, 20));
  f.MenuEditionUndoClick();
  EXPECT_TRUE(SamePixels(f.CurrentImage(), t.photo));
  EXPECT_TRUE(f.Document().TouchUps().Empty());
  EXPECT_FALSE(f.Document().NeedsSaveQuestion());
  EXPECT_FALSE(f.BtnUndo->isEnabled());

  // The preview is hidden (Undo hid it): a stroke brings it back with the stroke.
  ASSERT_FALSE(f.LivePreview().OnScreen());
  t.Drag({{30, 20}}, Qt::RightButton);
  EXPECT_TRUE(f.LivePreview().OnScreen());
  EXPECT_EQ(f.StatusText(0), "Preview");
  ASSERT_TRUE(f.LivePreview().WaitForExact(20000));
  EXPECT_TRUE(SamePixels(*f.LivePreview().Shown(), ExecuteNow(f, f.KeepOptionsNow())));
  EXPECT_EQ(test::ShownColor(f, TPoint{30, 20}), grey.Pixel(30, 20));
}

// Leaving the brush repaints where its circle was, and the brush button says
// which drags paint what.
TEST(MainFormBrush, LeavingTheBrushTakesItsCircleAway) {
  TBrushForm t;
  TMainForm& f = *t.form;
  EXPECT_TRUE(f.BtnBrush->toolTip().contains("Ctrl"));
  f.MenuActionBrushClick();
  f.BrushTool->SetSize(20);
  const TPoint c = f.Image->ImageToClientPoint(TPoint{30, 20});
  QTest::mouseMove(f.Image->viewport(), QPoint(c.X, c.Y));
  QApplication::processEvents();
  const QRect circle = f.BrushTool->OverlayRect();
  ASSERT_FALSE(circle.isEmpty());
  struct TPaints : QObject {
    QRegion painted;
    bool eventFilter(QObject*, QEvent* e) override {
      if (e->type() == QEvent::Paint) painted += static_cast<QPaintEvent*>(e)->region();
      return false;
    }
  } paints;
  f.Image->viewport()->installEventFilter(&paints);
  f.MenuActionPipetteClick();
  QApplication::processEvents();
  f.Image->viewport()->removeEventFilter(&paints);
  EXPECT_FALSE(f.BrushTool->Active());
  EXPECT_TRUE(paints.painted.contains(circle)) << paints.painted.boundingRect().width();
}

}  // namespace
}  // namespace velinor
