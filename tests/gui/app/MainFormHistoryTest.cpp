// The window's history: Undo and Redo walk through every step, their captions
// stay while their hints name the step.
#include <QAction>
#include <QDialog>
#include <QApplication>
#include <QSpinBox>
#include <QTest>
#include <QToolButton>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/GuiTestSupport.h"
#include "support/PixelCompare.h"
#include "gui/controls/Spin2.h"
#include "gui/app/BrushTool.h"
#include "gui/app/LivePreview.h"
#include "gui/dialogs/RedimForm.h"

namespace velinor {
namespace {

using test::SamePixels;

// "Image size" to half the width, answered in the dialog.
void HalveWidth(TMainForm& f, test::TScriptedDialogs& dialogs) {
  dialogs.OnModal = [](QDialog& dialog) {
    auto& d = dynamic_cast<TRedimForm&>(dialog);
    d.EdiL->setText(QString::number(d.Geometry.OrigWidth / 2));
    d.EdiLChange();
    d.BOkClick();
    return d.result();
  };
  f.MenuActionRedimClick();
  dialogs.OnModal = nullptr;
}

TEST(MainFormHistory, UndoWalksBackThroughEveryStepAndHintsNameIt) {
  QTemporaryDir dir;
  test::TScriptedDialogs dialogs;
  const TBitmap photo = test::MakeImage(60, 40);
  auto form = test::MakeForm(dir);
  TMainForm& f = *form;
  f.OpenImage(test::WriteBmp(dir, "photo.bmp", 60, 40), true);
  auto hints = [&] {
    return std::vector<std::string>{f.MenuEditionUndo->toolTip().toStdString(), f.BtnUndo->toolTip().toStdString(),
                                    f.MenuEditionRedo->toolTip().toStdString(), f.BtnRedo->toolTip().toStdString()};
  };
  using V = std::vector<std::string>;
  EXPECT_EQ(hints(), (V{"Undo last action", "Undo last action", "Redo last action", "Redo last action"}));

  f.PickColor(photo.Pixel(10, 10));
  f.MenuActionActionClick();
  const TBitmap result = f.CurrentImage();
  HalveWidth(f, dialogs);
  const TBitmap resized = f.CurrentImage();
  EXPECT_EQ(resized.Width(), 30);
  EXPECT_EQ(hints(), (V{"Undo Image size", "Undo Image size", "Redo last action", "Redo last action"}));
  // The captions are the specified ones whatever the step.
  EXPECT_EQ(f.MenuEditionUndo->text().section('\t', 0, 0), "Undo last action");

  f.MenuEditionUndoClick();
  EXPECT_TRUE(SamePixels(f.CurrentImage(), result));
  EXPECT_FALSE(f.Document().Processed());
  EXPECT_TRUE(f.BtnUndo->isEnabled());
  EXPECT_TRUE(f.BtnRedo->isEnabled());
  EXPECT_EQ(hints(), (V{"Undo Execute", "Undo Execute", "Redo Image size", "Redo Image size"}));
  f.MenuEditionUndoClick();
  EXPECT_TRUE(SamePixels(f.CurrentImage(), photo));
  EXPECT_FALSE(f.BtnUndo->isEnabled());
  EXPECT_EQ(hints(), (V{"Undo last action", "Undo last action", "Redo Execute", "Redo Execute"}));

  f.MenuEditionRedoClick();
  EXPECT_TRUE(SamePixels(f.CurrentImage(), result));
  EXPECT_TRUE(f.Document().Processed());
  f.MenuEditionRedoClick();
  EXPECT_TRUE(SamePixels(f.CurrentImage(), resized));
  EXPECT_TRUE(f.Document().Processed());
  EXPECT_FALSE(f.BtnRedo->isEnabled());
  EXPECT_EQ(f.StatusText(0), "Ready");
}

// With the live preview (its results committed by Enter): Execute, Execute again
// with another colour, Image size, a stroke, another stroke; Undo walks back
// through every step to the photo, each picture with its flags, and Redo forward
// again to the last stroke.
TEST(MainFormHistory, UndoAndRedoWalkThroughPreviewedExecutesAndStrokes) {
  QTemporaryDir dir;
  test::TScriptedDialogs dialogs;
  auto form = test::MakeForm(dir);
  TMainForm& f = *form;
  f.resize(900, 650);
  ASSERT_TRUE(test::ShowActive(f));
  f.OpenImage(test::WriteBmp(dir, "photo.bmp", 240, 160), true);
  QApplication::processEvents();
  const TBitmap photo = f.CurrentImage();
  struct TState {
    TBitmap picture;
    bool processed, matches;
  };
  std::vector<TState> states{{photo, false, false}};
  auto keep = [&] { states.push_back({f.CurrentImage(), f.Document().Processed(), f.Document().ResultMatchesPhoto()}); };
  auto previewedExecute = [&](TPoint pick) {
    test::ClickImage(f, pick);
    ASSERT_TRUE(f.LivePreview().WaitForExact(20000));
    TBitmap expected, mask;
    ExecuteResult(f.Document().KeepPhoto(), f.KeepOptionsNow(), &f.Document().TouchUps(), expected, mask);
    QTest::keyClick(&f, Qt::Key_Return);
    ASSERT_TRUE(SamePixels(f.CurrentImage(), expected));
    keep();
  };
  previewedExecute({30, 40});   // 1
  previewedExecute({180, 120});  // 2: on a result
  HalveWidth(f, dialogs);  // 3
  ASSERT_EQ(f.CurrentImage().Width(), 120);
  keep();
  f.MenuActionBrushClick();
  f.BrushTool->SetSize(10);
  test::DragImage(f, {{20, 20}, {60, 30}}, Qt::RightButton);  // 4
  keep();
  test::DragImage(f, {{70, 50}, {90, 60}}, Qt::RightButton);  // 5
  keep();
  ASSERT_EQ(states.size(), 6u);
  for (size_t i = 1; i < states.size(); ++i) EXPECT_FALSE(SamePixels(states[i].picture, states[i - 1].picture)) << i;

  // Back. An Execute on a result shows the photo it started from first.
  struct TBack {
    TBitmap picture;
    bool processed, matches, undo;
  };
  const std::vector<TBack> back = {
      {states[4].picture, true, true, true},
      {states[3].picture, true, false, true},   // the resized result, as it was
      {states[2].picture, false, false, true},  // "Image size" undone: not processed, as always
      {photo, false, false, true},              // the second Execute's photo
      {states[1].picture, true, true, true},    // the first result, a result again
      {photo, false, false, false},
  };
  for (size_t i = 0; i < back.size(); ++i) {
    f.MenuEditionUndoClick();
    SCOPED_TRACE("undo " + std::to_string(i));
    EXPECT_TRUE(SamePixels(f.CurrentImage(), back[i].picture));
    EXPECT_EQ(f.Document().Processed(), back[i].processed);
    EXPECT_EQ(f.Document().ResultMatchesPhoto(), back[i].matches);
    EXPECT_EQ(f.BtnUndo->isEnabled(), back[i].undo);
    EXPECT_TRUE(f.BtnRedo->isEnabled());
    EXPECT_EQ(test::ShownColor(f, TPoint{30, 30}), back[i].picture.Pixel(30, 30));
  }
  // Forward again, each state with the flags it had.
  for (size_t i = back.size() - 1; i-- > 0;) {
    f.MenuEditionRedoClick();
    SCOPED_TRACE("redo " + std::to_string(i));
    EXPECT_TRUE(SamePixels(f.CurrentImage(), back[i].picture));
    EXPECT_EQ(f.Document().Processed(), i == 3 ? false : true);
  }
  f.MenuEditionRedoClick();
  EXPECT_TRUE(SamePixels(f.CurrentImage(), states[5].picture));
  EXPECT_TRUE(f.Document().Processed() && f.Document().ResultMatchesPhoto());
  EXPECT_FALSE(f.BtnRedo->isEnabled());
  EXPECT_EQ(f.StatusText(0), "Ready");
}

}  // namespace
}  // namespace velinor
