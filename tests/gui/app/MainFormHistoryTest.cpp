// The window's history: Undo and Redo walk through every step, their captions
// stay while their hints name the step.
#include <QAction>
#include <QDialog>
#include <QToolButton>
#include <gtest/gtest.h>

#include "support/GuiTestSupport.h"
#include "support/PixelCompare.h"
#include "gui/controls/Spin2.h"
#include "gui/dialogs/RedimForm.h"

namespace velinor {
namespace {

using test::SamePixels;

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
  dialogs.OnModal = [](QDialog& dialog) {
    auto& d = dynamic_cast<TRedimForm&>(dialog);
    d.EdiL->setText(QString::number(d.Geometry.OrigWidth / 2));
    d.EdiLChange();
    d.BOkClick();
    return d.result();
  };
  f.MenuActionRedimClick();
  dialogs.OnModal = nullptr;
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

}  // namespace
}  // namespace velinor
