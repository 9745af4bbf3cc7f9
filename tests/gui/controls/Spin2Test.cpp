#include <QApplication>
#include <QClipboard>
#include <QFocusEvent>
#include <QLocale>
#include <QTest>
#include <QToolButton>
#include <gtest/gtest.h>

#include "gui/controls/Spin2.h"

namespace velinor {
namespace {

// Every case runs in a known locale and counts the refusal beeps.
class Spin2 : public ::testing::Test {
 protected:
  void SetUp() override { QLocale::setDefault(QLocale::c()); }
  void TearDown() override { QLocale::setDefault(QLocale::system()); }

  template <typename T>
  T* Watch(T* edit) {
    edit->Beep = [this] { ++beeps; };
    edit->OnChange = [this] { ++changes; };
    return edit;
  }
  static void Leave(QWidget* w) {
    QFocusEvent out(QEvent::FocusOut, Qt::TabFocusReason);
    QApplication::sendEvent(w, &out);
  }
  int beeps = 0;
  int changes = 0;
};

// The width field of the image size dialog.
TFloatSpinEdit* SizeField(QWidget* parent) {
  auto* e = new TFloatSpinEdit(parent);
  e->SetFormat("0");
  e->SetMinValue(1);
  e->SetMaxValue(5000);
  e->SetValue(1);
  return e;
}

TEST_F(Spin2, FloatReadingClampsAndFallsBackToMinimum) {
  QWidget w;
  TFloatSpinEdit* e = SizeField(&w);
  EXPECT_EQ(e->text(), "1");
  const std::pair<const char*, double> cases[] = {
      {"0", 1},   {"7000", 5000}, {"", 1},   {"abc", 1},     {"12.5", 12.5},
      {"+7", 7},  {"-4", 1},      {"nan", 1}, {"inf", 1},    {" 300 ", 300},
      {"1,000", 1}, {"1,5", 1}};  // no thousands separator: the text does not convert
  for (const auto& [text, value] : cases) {
    e->setText(text);
    EXPECT_DOUBLE_EQ(e->Value(), value) << text;
  }
  e->SetValue(7000);
  EXPECT_EQ(e->text(), "5000");
  e->SetValue(-2);
  EXPECT_EQ(e->text(), "1");

  TFloatSpinEdit free(&w);  // MinValue = MaxValue = 0: no limits
  EXPECT_EQ(free.text(), "0.00");
  free.setText("-3.5");
  EXPECT_DOUBLE_EQ(free.Value(), -3.5);
  free.setText("x");
  EXPECT_DOUBLE_EQ(free.Value(), 0);
}

TEST_F(Spin2, IntegerReadingAndWriting) {
  QWidget w;
  TSpinEdit2* e = Watch(new TSpinEdit2(&w));
  EXPECT_EQ(e->text(), "0");
  e->SetMinValue(1);
  e->SetMaxValue(100);
  const std::pair<const char*, int> cases[] = {
      {"007", 7}, {"0", 1}, {"500", 100}, {"", 1}, {"2.5", 1}, {"99999999999", 1}, {"+3", 3}};
  for (const auto& [text, value] : cases) {
    e->setText(text);
    EXPECT_EQ(e->Value(), value) << text;
  }
  e->SetValue(250);
  EXPECT_EQ(e->text(), "100");
}

TEST_F(Spin2, StepsAreClampedAndQuietWhenNothingChanges) {
  QWidget w;
  TSpinEdit2* copies = Watch(new TSpinEdit2(&w));
  copies->SetMinValue(1);
  copies->SetMaxValue(100);
  copies->SetValue(100);
  changes = 0;
  copies->UpClick();
  EXPECT_EQ(copies->text(), "100");
  EXPECT_EQ(changes, 0);
  copies->DownClick();
  EXPECT_EQ(copies->text(), "99");
  EXPECT_EQ(changes, 1);
  QTest::keyClick(copies, Qt::Key_Up);
  QTest::keyClick(copies, Qt::Key_Up);
  EXPECT_EQ(copies->text(), "100");
  QTest::keyClick(copies, Qt::Key_Down);
  EXPECT_EQ(copies->text(), "99");
  QTest::mouseClick(copies->UpDown()->DownButton(), Qt::LeftButton);
  EXPECT_EQ(copies->text(), "98");
  QTest::mouseClick(copies->UpDown()->UpButton(), Qt::LeftButton);
  EXPECT_EQ(copies->text(), "99");

  // Unlimited whole numbers saturate instead of wrapping around.
  TSpinEdit2 free(&w);
  free.SetValue(2147483647);
  free.UpClick();
  EXPECT_EQ(free.text(), "2147483647");

  TFloatSpinEdit* f = Watch(new TFloatSpinEdit(&w));
  f->Increment = 0.25;
  f->UpClick();
  f->UpClick();
  EXPECT_EQ(f->text(), "0.50");
  f->DownClick();
  EXPECT_EQ(f->text(), "0.25");
  EXPECT_EQ(beeps, 0);
}

TEST_F(Spin2, ReadOnlyBeepsOnSteps) {
  QWidget w;
  TFloatSpinEdit* e = Watch(SizeField(&w));
  e->SetValue(10);
  e->SetReadOnly(true);
  QTest::keyClick(e, Qt::Key_Up);
  e->DownClick();
  EXPECT_EQ(e->text(), "10");
  EXPECT_EQ(beeps, 2);
}

TEST_F(Spin2, TypedCharactersAreFiltered) {
  QWidget w;
  TFloatSpinEdit* e = Watch(SizeField(&w));
  e->clear();
  QTest::keyClicks(e, "12a.");  // no decimals with the "0" format
  EXPECT_EQ(e->text(), "12");
  EXPECT_EQ(beeps, 2);
  QTest::keyClick(e, '-');  // after a digit
  EXPECT_EQ(e->text(), "12");
  EXPECT_EQ(beeps, 3);
  QTest::keyClick(e, Qt::Key_Home);
  QTest::keyClick(e, '-');  // at the start
  EXPECT_EQ(e->text(), "-12");
  e->selectAll();
  QTest::keyClick(e, '+');  // the selection starts at 0: replaces it
  EXPECT_EQ(e->text(), "+");
  QTest::keyClick(e, Qt::Key_Return);  // Enter is refused
  EXPECT_EQ(beeps, 4);
  QTest::keyClick(e, Qt::Key_Backspace);  // other control characters pass
  EXPECT_EQ(e->text(), "");
  EXPECT_EQ(beeps, 4);

  e->SetFormat("0.00");
  e->clear();
  QTest::keyClicks(e, "2.5.");
  EXPECT_EQ(e->text(), "2.5");
  EXPECT_EQ(beeps, 5);

  TSpinEdit2* n = Watch(new TSpinEdit2(&w));
  n->clear();
  QTest::keyClicks(n, "3.4");
  EXPECT_EQ(n->text(), "34");
  EXPECT_EQ(beeps, 6);
}

TEST_F(Spin2, PointTypesTheLocaleSeparator) {
  QLocale::setDefault(QLocale(QLocale::French, QLocale::France));
  QWidget w;
  TFloatSpinEdit* e = Watch(new TFloatSpinEdit(&w));
  EXPECT_EQ(e->text(), "0,00");
  e->clear();
  QTest::keyClicks(e, "2.5");
  EXPECT_EQ(e->text(), "2,5");
  QTest::keyClick(e, ',');  // a second separator, typed as itself
  QTest::keyClick(e, '.');
  EXPECT_EQ(e->text(), "2,5");
  EXPECT_EQ(beeps, 2);
  EXPECT_DOUBLE_EQ(e->Value(), 2.5);
  e->SetMinValue(-1);
  e->SetMaxValue(5000);
  e->setText(QString("1") + QLocale().groupSeparator() + "000");
  EXPECT_DOUBLE_EQ(e->Value(), -1);
  e->setText("2,5");
  // Leaving the box writes the value again and reports the change.
  changes = 0;
  Leave(e);
  EXPECT_EQ(e->text(), "2,50");
  EXPECT_EQ(changes, 1);
  Leave(e);
  EXPECT_EQ(changes, 1);
}

TEST_F(Spin2, LeavingNormalisesTheText) {
  QWidget w;
  TSpinEdit2* n = Watch(new TSpinEdit2(&w));
  n->SetMinValue(1);
  n->SetMaxValue(100);
  n->setText("007");
  changes = 0;
  Leave(n);
  EXPECT_EQ(n->text(), "7");
  EXPECT_EQ(changes, 0);  // rewritten quietly
  n->clear();
  Leave(n);  // an empty box is left alone
  EXPECT_EQ(n->text(), "");

  TFloatSpinEdit* f = Watch(SizeField(&w));
  f->setText("9000");
  changes = 0;
  Leave(f);
  EXPECT_EQ(f->text(), "5000");
  EXPECT_EQ(changes, 1);
  // Another window taking the focus does not leave the box.
  f->setText("9000");
  QFocusEvent away(QEvent::FocusOut, Qt::ActiveWindowFocusReason);
  QApplication::sendEvent(f, &away);
  EXPECT_EQ(f->text(), "9000");
}

TEST_F(Spin2, EditorDisabledKeepsOnlyTheArrows) {
  QWidget w;
  TFloatSpinEdit* e = Watch(SizeField(&w));
  e->SetValue(10);
  e->SetEditorEnabled(false);
  e->setCursorPosition(2);
  QTest::keyClick(e, '5');
  QTest::keyClick(e, Qt::Key_Backspace);
  EXPECT_EQ(beeps, 2);
  QTest::keyClick(e, Qt::Key_Delete);
  QTest::keyClick(e, Qt::Key_Home);
  QTest::keyClick(e, Qt::Key_Delete);
  EXPECT_EQ(e->text(), "10");
  QApplication::clipboard()->setText("42");
  e->selectAll();
  QTest::keyClick(e, Qt::Key_V, Qt::ControlModifier);
  QTest::keyClick(e, Qt::Key_X, Qt::ControlModifier);
  EXPECT_EQ(e->text(), "10");
  QTest::keyClick(e, Qt::Key_Up);
  EXPECT_EQ(e->text(), "11");

  // With the editor on, the same paste goes through.
  e->SetEditorEnabled(true);
  if (QApplication::clipboard()->text() == "42") {
    e->selectAll();
    QTest::keyClick(e, Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ(e->text(), "42");
  }
}

TEST_F(Spin2, FormatPatterns) {
  EXPECT_EQ(TFloatSpinEdit::FormatValue("0", 300), "300");
  EXPECT_EQ(TFloatSpinEdit::FormatValue("0.00", 30), "30.00");
  EXPECT_EQ(TFloatSpinEdit::FormatValue("0.00", 49.849849), "49.85");
  EXPECT_EQ(TFloatSpinEdit::FormatValue("0.00", -1.5), "-1.50");
  EXPECT_EQ(TFloatSpinEdit::FormatValue("0", -0.2), "0");
  EXPECT_EQ(TFloatSpinEdit::FormatValue("0.##", 2.5), "2.5");
  EXPECT_EQ(TFloatSpinEdit::FormatValue("0.##", 2), "2");
  EXPECT_EQ(TFloatSpinEdit::FormatValue("#.##", 0.5), ".5");
  EXPECT_EQ(TFloatSpinEdit::FormatValue("000", 7), "007");
  EXPECT_EQ(TFloatSpinEdit::FormatValue("0", 123456789), "123456789");  // no group separators

  QWidget w;
  TFloatSpinEdit* e = Watch(new TFloatSpinEdit(&w));
  e->SetValue(2.5);
  e->SetFormat("0");
  EXPECT_EQ(e->Format(), "0");
  EXPECT_TRUE(e->text() == "2" || e->text() == "3");
  e->SetValue(30);
  changes = 0;
  e->SetFormat("");
  EXPECT_EQ(e->Format(), "0.00");
  EXPECT_EQ(e->text(), "30.00");
  EXPECT_EQ(changes, 1);
}

TEST_F(Spin2, ArrowsSitInsideTheRightEdge) {
  QWidget w;
  TFloatSpinEdit* e = SizeField(&w);
  w.show();  // resize events reach shown widgets only
  e->setGeometry(16, 32, 81, 21);
  EXPECT_EQ(e->height(), std::max(21, e->MinimumHeight()));
  const QRect arrows = e->UpDown()->geometry();
  EXPECT_GE(arrows.right(), e->width() - 4);
  EXPECT_LE(arrows.width(), 15);
  EXPECT_EQ(e->textMargins().right(), 14);
  e->SetShowUpDown(false);
  EXPECT_TRUE(e->UpDown()->isHidden());
  EXPECT_EQ(e->textMargins().right(), 0);
  e->SetShowUpDown(true);
  EXPECT_FALSE(e->UpDown()->isHidden());
  // Too low a box is raised to its minimum height.
  e->resize(81, 4);
  EXPECT_EQ(e->height(), e->MinimumHeight());
  e->setEnabled(false);
  EXPECT_FALSE(e->UpDown()->isEnabled());
}

}  // namespace
}  // namespace velinor
