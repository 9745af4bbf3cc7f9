#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QPushButton>
#include <QTest>
#include <QToolButton>
#include <cstring>
#include <gtest/gtest.h>

#include "support/GuiTestSupport.h"
#include "gui/app/MsgDlg.h"
#include "gui/controls/Spin2.h"
#include "gui/dialogs/RedimForm.h"
#include "core/resize/StretchEx.h"
#include "support/PixelCompare.h"

namespace velinor {
namespace {

using test::MakeForm;
using test::SamePixels;

// Answers the Image size dialog: the script plays the user's part while the
// dialog is "shown", and the dialog's result is returned.
class TRedimDialogs : public test::TScriptedDialogs {
 public:
  int RunModal(QDialog& dialog) override {
    ++Runs;
    auto* form = qobject_cast<TRedimForm*>(&dialog);
    if (!form) return dialog.result();
    form->EdiL->Beep = [this] { ++Beeps; };
    form->EdiH->Beep = [this] { ++Beeps; };
    if (Script) Script(*form);
    return dialog.result();
  }
  std::function<void(TRedimForm&)> Script;
  int Runs = 0;
  int Beeps = 0;
  // The texts the message dialog showed with the given kind.
  QStringList Shown(int kind) const {
    QStringList texts;
    for (const test::TShownMessage& m : Messages)
      if (m.Kind == kind && m.Buttons == mbOk) texts << m.Text;
    return texts;
  }
};

// A main window holding a w x h image, as if just opened.
struct TFixture {
  TFixture(int w, int h) {
    form = MakeForm(dir);
    form->OpenImage(test::WriteBmp(dir, "p.bmp", w, h), true);
  }
  TRedimForm& Show(std::function<void(TRedimForm&)> script) {
    dialogs.Script = std::move(script);
    ShowImageSizeDialog(*form);
    return RedimFormOf(*form);
  }
  QTemporaryDir dir;
  TRedimDialogs dialogs;
  std::unique_ptr<TMainForm> form;
};

void Type(TFloatSpinEdit* edit, const QString& text) {
  edit->selectAll();
  QTest::keyClicks(edit, text);
}

TEST(RedimForm, ShowsTheCurrentSize) {
  TFixture f(1000, 500);
  TRedimForm& d = f.Show([](TRedimForm& d) {
    EXPECT_EQ(d.windowTitle(), "Image size");
    EXPECT_EQ(d.size(), QSize(234, 225));
    EXPECT_EQ(d.EdiL->text(), "1000");
    EXPECT_EQ(d.EdiH->text(), "500");
    EXPECT_EQ(d.CmbL->currentText(), "pixels");
    EXPECT_EQ(d.CmbH->count(), 2);
    EXPECT_EQ(d.CmbH->itemText(1), "%");
    EXPECT_TRUE(d.CBProportions->isChecked());
    EXPECT_TRUE(d.CBOptimiser->isChecked());
    EXPECT_TRUE(d.CBOptimiser->isEnabled());
    EXPECT_TRUE(d.LinkEnabled);
    EXPECT_DOUBLE_EQ(d.Geometry.AspectRatio, 2.0);
    EXPECT_EQ(d.EdiL->MinValue(), 1);
    EXPECT_EQ(d.EdiL->MaxValue(), 5000);
    EXPECT_EQ(d.EdiL->Format(), "0");
  });
  EXPECT_EQ(f.dialogs.Runs, 1);
  EXPECT_EQ(d.result(), QDialog::Rejected);
  // Kept for the run: the same dialog comes back.
  f.Show(nullptr);
  EXPECT_EQ(&RedimFormOf(*f.form), &d);
  EXPECT_EQ(f.form->findChildren<TRedimForm*>().size(), 1);
}

TEST(RedimForm, LinkedSidesFollowTheRatio) {
  TFixture f(1000, 500);
  f.Show([](TRedimForm& d) {
    Type(d.EdiL, "300");
    EXPECT_EQ(d.EdiH->text(), "150");
    Type(d.EdiL, "333");
    EXPECT_EQ(d.EdiH->text(), "166");  // 166.5 rounds to even
    Type(d.EdiH, "100");
    EXPECT_EQ(d.EdiL->text(), "200");
    d.EdiL->clear();  // an empty field leaves the other alone
    EXPECT_EQ(d.EdiH->text(), "100");
    QTest::keyClick(d.EdiH, Qt::Key_Up);
    EXPECT_EQ(d.EdiH->text(), "101");
    EXPECT_EQ(d.EdiL->text(), "202");
    // Unlinked, the fields are independent.
    d.CBProportions->setChecked(false);
    Type(d.EdiL, "700");
    EXPECT_EQ(d.EdiH->text(), "101");
    Type(d.EdiH, "9");
    EXPECT_EQ(d.EdiL->text(), "700");
  });
}

TEST(RedimForm, LinkedValueBeyondTheLimitShowsTheLimit) {
  TFixture f(400, 100);
  f.Show([](TRedimForm& d) {
    d.CBOptimiser->setChecked(false);
    Type(d.EdiH, "2000");
    EXPECT_EQ(d.EdiL->text(), "5000");
    d.BOkClick();
  });
  EXPECT_EQ(f.form->CurrentImage().Width(), 5000);
  EXPECT_EQ(f.form->CurrentImage().Height(), 2000);
}

TEST(RedimForm, UnitsConvertTheShownValue) {
  TFixture f(1000, 500);
  TRedimForm& d = f.Show([](TRedimForm& d) {
    Type(d.EdiL, "300");
    d.CmbL->setCurrentIndex(1);
    EXPECT_EQ(d.EdiL->text(), "30.00");
    EXPECT_EQ(d.EdiL->Format(), "0.00");
    EXPECT_EQ(d.EdiH->text(), "150");  // the other field does not change
    EXPECT_EQ(d.WidthPixels(), 300);
    // Linking works across units.
    Type(d.EdiL, "50");
    EXPECT_EQ(d.EdiH->text(), "250");
    Type(d.EdiH, "100");
    EXPECT_EQ(d.EdiL->text(), "20.00");
    d.CmbL->setCurrentIndex(0);
    EXPECT_EQ(d.EdiL->text(), "200");
    EXPECT_EQ(d.EdiL->Format(), "0");
    d.CmbL->setCurrentIndex(1);
    d.CmbH->setCurrentIndex(1);
    EXPECT_EQ(d.EdiH->text(), "20.00");
    d.CBProportions->setChecked(false);
    d.CBOptimiser->setChecked(false);
  });
  // Units are remembered; the sizes and the check boxes start afresh.
  f.Show([](TRedimForm& d) {
    EXPECT_EQ(d.CmbL->currentIndex(), 1);
    EXPECT_EQ(d.EdiL->text(), "100.00");
    EXPECT_EQ(d.EdiH->text(), "100.00");
    EXPECT_TRUE(d.CBProportions->isChecked());
    EXPECT_TRUE(d.CBOptimiser->isChecked());
  });
  EXPECT_EQ(d.result(), QDialog::Rejected);
}

TEST(RedimForm, PercentRoundsHalfToEven) {
  TFixture f(333, 100);
  f.Show([](TRedimForm& d) {
    d.CBProportions->setChecked(false);
    d.CmbL->setCurrentIndex(1);
    Type(d.EdiL, "50.00");
    EXPECT_EQ(d.WidthPixels(), 166);
    d.BOkClick();
  });
  EXPECT_EQ(f.form->CurrentImage().Width(), 166);
  EXPECT_EQ(f.form->CurrentImage().Height(), 100);
}

TEST(RedimForm, OkResizesWithAnUndoSnapshot) {
  for (bool optimize : {true, false}) {
    TFixture f(40, 20);
    const TBitmap before = f.form->CurrentImage();
    f.form->Document().MarkSaved(f.form->Document().FileName());
    TRedimForm& d = f.Show([optimize](TRedimForm& d) {
      d.CBOptimiser->setChecked(optimize);
      Type(d.EdiL, "30");
      EXPECT_EQ(d.EdiH->text(), "15");
      d.BOk->click();
    });
    EXPECT_EQ(d.result(), QDialog::Accepted);
    EXPECT_EQ(d.NewWidth, 30);
    EXPECT_EQ(d.NewHeight, 15);
    TBitmap expected = before;
    ResizeImage(30, 15, optimize ? rmFiltered : rmNearest, expected);
    EXPECT_TRUE(SamePixels(f.form->CurrentImage(), expected)) << optimize;
    EXPECT_TRUE(SamePixels(f.form->Document().UndoImage(), before));
    EXPECT_TRUE(f.form->Document().UndoAvailable());
    EXPECT_FALSE(f.form->Document().Saved());
    EXPECT_FALSE(f.form->Document().Processed());
    EXPECT_EQ(f.form->StatusText(0), "Ready");
    EXPECT_EQ(f.form->StatusText(1), "30x15");
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
    EXPECT_TRUE(f.form->BtnUndo->isEnabled());
  }
}

TEST(RedimForm, CancelAndUnchangedSizeLeaveTheDocumentAlone) {
  TFixture f(40, 20);
  const TBitmap before = f.form->CurrentImage();
  f.form->Document().MarkSaved(f.form->Document().FileName());
  TRedimForm& d = f.Show([](TRedimForm& d) {
    Type(d.EdiL, "10");
    d.BAnnuler->click();
  });
  EXPECT_EQ(d.result(), QDialog::Rejected);
  f.Show([](TRedimForm& d) { d.BOkClick(); });  // the size as shown
  EXPECT_EQ(d.result(), QDialog::Rejected);
  f.Show([](TRedimForm& d) {
    Type(d.EdiL, "20");
    Type(d.EdiL, "40");  // and back
    d.BOkClick();
  });
  EXPECT_EQ(d.result(), QDialog::Rejected);
  EXPECT_TRUE(SamePixels(f.form->CurrentImage(), before));
  EXPECT_FALSE(f.form->Document().UndoAvailable());
  EXPECT_TRUE(f.form->Document().UndoImage().Empty());
  EXPECT_TRUE(f.form->Document().Saved());
}

TEST(RedimForm, ImagesWiderThanTheLimitSurviveAnUntouchedOk) {
  TFixture f(6000, 40);
  TRedimForm& d = f.Show([](TRedimForm& d) {
    EXPECT_EQ(d.EdiL->text(), "6000");
    d.BOkClick();
  });
  EXPECT_EQ(d.result(), QDialog::Rejected);
  EXPECT_EQ(f.form->CurrentImage().Width(), 6000);
  EXPECT_FALSE(f.form->Document().UndoAvailable());
  // The limit is back to the usual one for a smaller image.
  f.form->Document().Open(test::MakeImage(40, 20), "p.bmp");
  f.Show([](TRedimForm& d) {
    d.EdiL->setText("9000");
    EXPECT_EQ(d.EdiL->Value(), 5000);
  });
}

TEST(RedimForm, SmallestResultIsTwoByTwo) {
  TFixture f(40, 20);
  f.Show([](TRedimForm& d) {
    d.CBProportions->setChecked(false);
    Type(d.EdiL, "1");
    d.EdiH->setText("abc");  // not a number: the minimum, 1
    d.BOkClick();
  });
  EXPECT_EQ(f.form->CurrentImage().Width(), 2);
  EXPECT_EQ(f.form->CurrentImage().Height(), 2);
  // 2 x 2 to 2 x 2 (1 % rounds to 0, then to the minimum): nothing happens.
  f.form->Document().ResetHistory();
  TRedimForm& d = f.Show([](TRedimForm& d) {
    d.CmbL->setCurrentIndex(1);
    Type(d.EdiL, "1");
    d.BOkClick();
  });
  EXPECT_EQ(d.result(), QDialog::Rejected);
  EXPECT_FALSE(f.form->Document().UndoAvailable());
}

TEST(RedimForm, EmptyFieldWarnsAndStaysOpen) {
  TFixture f(40, 20);
  TRedimForm& d = f.Show([](TRedimForm& d) {
    d.EdiH->clear();
    d.BOkClick();
    d.setResult(-1);  // marks "still open"
    d.EdiH->setText("10");
    d.EdiL->clear();
    d.BOkClick();
  });
  EXPECT_EQ(d.result(), -1);
  EXPECT_EQ(f.dialogs.Shown(mkWarning),
            QStringList({"Complete all the fields before continuing !",
                         "Complete all the fields before continuing !"}));
  EXPECT_EQ(f.form->CurrentImage().Width(), 40);
  EXPECT_FALSE(f.form->Document().UndoAvailable());
}

TEST(RedimForm, TooLargeARequestIsRefusedBeforeTheSnapshot) {
  TFixture f(1400, 700);
  TRedimForm& d = f.Show([](TRedimForm& d) {
    d.CmbL->setCurrentIndex(1);
    d.CmbH->setCurrentIndex(1);
    Type(d.EdiL, "5000");  // 70000 x 35000 pixels: wider than any picture
    EXPECT_EQ(d.EdiH->text(), "5000.00");
    d.setResult(-1);
    d.BOkClick();
  });
  EXPECT_EQ(d.result(), -1);
  EXPECT_EQ(f.dialogs.Shown(mkError).size(), 1);
  EXPECT_EQ(f.dialogs.Messages.size(), 1u);
  EXPECT_EQ(f.form->CurrentImage().Width(), 1400);
  EXPECT_FALSE(f.form->Document().UndoAvailable());
  EXPECT_EQ(f.form->StatusText(0), "Ready");
}

TEST(RedimForm, KeysGoThroughTheForm) {
  TFixture f(40, 20);
  TRedimForm& d = f.Show([&f](TRedimForm& d) {
    Type(d.EdiL, "20");
    d.EdiL->setCursorPosition(0);
    QTest::keyClick(d.EdiL, '-');
    QTest::keyClick(d.EdiL, '+');
    EXPECT_EQ(d.EdiL->text(), "20");
    EXPECT_EQ(f.dialogs.Beeps, 2);
    QTest::keyClick(d.EdiL, Qt::Key_Escape);
  });
  EXPECT_EQ(d.result(), QDialog::Rejected);
  EXPECT_EQ(f.form->CurrentImage().Width(), 40);

  f.Show([](TRedimForm& d) {
    Type(d.EdiL, "20");
    QTest::keyClick(d.EdiH, Qt::Key_Return);
  });
  EXPECT_EQ(d.result(), QDialog::Accepted);
  EXPECT_EQ(f.form->CurrentImage().Width(), 20);
  EXPECT_EQ(f.form->CurrentImage().Height(), 10);
}

TEST(RedimForm, TransparentImagesAreOnlyPointStretched) {
  TFixture f(40, 20);
  // No command leaves a transparent picture on screen: the flag is set by hand.
  TBitmap& picture = const_cast<TBitmap&>(f.form->CurrentImage());
  picture.Transparent = true;
  f.Show([](TRedimForm& d) {
    EXPECT_FALSE(d.CBOptimiser->isEnabled());
    EXPECT_FALSE(d.CBOptimiser->isChecked());
  });
  picture.Transparent = false;
  f.Show([](TRedimForm& d) { EXPECT_TRUE(d.CBOptimiser->isChecked()); });
}

TEST(RedimForm, NothingWithoutADocument) {
  QTemporaryDir dir;
  TRedimDialogs dialogs;
  auto form = MakeForm(dir);
  ShowImageSizeDialog(*form);
  EXPECT_EQ(dialogs.Runs, 0);
}

}  // namespace
}  // namespace velinor
