// The live preview in the real window, driven with the mouse and the keyboard:
// picks show the result without Enter, the document stays as it was, Enter
// commits the previewed pixels, Undo shows the photo, the mask view comes and
// goes, and Shift+click excludes a colour as the command-line program does.
#include <QAction>
#include <cstring>
#include <QApplication>
#include <QFile>
#include <QImage>
#include <QListWidget>
#include <QProcess>
#include <QSlider>
#include <QTest>
#include <QThread>
#include <string>
#include <gtest/gtest.h>

#include "core/document/KeepPreview.h"
#include "gui/app/LivePreview.h"
#include "gui/view/MyImage.h"
#include "support/GuiTestSupport.h"
#include "support/PixelCompare.h"

namespace velinor {
namespace {

// What the command-line program writes for these arguments, as a 24-bit bitmap.
TBitmap CliKeep(const QTemporaryDir& dir, const QString& photo, const QStringList& more) {
  const QString out = dir.filePath("cli.bmp");
  QFile::remove(out);
  QProcess cli;
  cli.start(VELINOR_CLI, QStringList{"keep", photo, out} + more);
  EXPECT_TRUE(cli.waitForFinished(60000));
  EXPECT_EQ(cli.exitCode(), 0) << cli.readAllStandardError().toStdString();
  const QImage img(out);
  TBitmap b(img.width(), img.height());
  for (int y = 0; y < img.height(); ++y)
    for (int x = 0; x < img.width(); ++x) {
      const QRgb c = img.pixel(x, y);
      uint8_t* p = b.ScanLine(y) + 3 * x;
      p[0] = static_cast<uint8_t>(qBlue(c));
      p[1] = static_cast<uint8_t>(qGreen(c));
      p[2] = static_cast<uint8_t>(qRed(c));
    }
  return b;
}

using test::SamePixels;

void Click(TMainForm& form, QPoint imagePoint, Qt::KeyboardModifiers mods = {}) {
  const TPoint c = form.Image->ImageToClientPoint(TPoint{imagePoint.x(), imagePoint.y()});
  QTest::mouseClick(form.Image->viewport(), Qt::LeftButton, mods, QPoint(c.X, c.Y));
}

struct TOpenForm {
  QTemporaryDir dir;
  test::TScriptedDialogs dialogs;
  QString photo;
  std::unique_ptr<TMainForm> form;
  TBitmap photoPixels;
  TOpenForm() {
    photo = test::WriteBmp(dir, "photo.bmp", 240, 160);
    form = test::MakeForm(dir);
    form->resize(900, 650);
    EXPECT_TRUE(test::ShowActive(*form));
    dialogs.OpenNames = {photo};
    QTest::keyClick(form.get(), Qt::Key_O, Qt::ControlModifier);
    QApplication::processEvents();
    photoPixels = form->CurrentImage();
  }
};

TEST(LivePreview, PicksShowTheResultAndEnterCommitsItUndoShowsThePhoto) {
  TOpenForm f;
  TMainForm& form = *f.form;
  ASSERT_EQ(form.CurrentImage().Width(), 240);
  const QPoint picks[] = {{30, 40}, {180, 120}, {100, 20}};
  QStringList args;
  for (const QPoint& p : picks) {
    Click(form, p);
    args << "--pick" << QString("%1,%2").arg(p.x()).arg(p.y());
    // The look is on screen at once, without a key press.
    EXPECT_TRUE(form.LivePreview().OnScreen());
    EXPECT_NE(form.LivePreview().Shown(), nullptr);
    EXPECT_EQ(form.StatusText(0), "Preview");
  }
  ASSERT_TRUE(form.LivePreview().WaitForExact(20000));
  const TBitmap expected = CliKeep(f.dir, f.photo, args);
  ASSERT_NE(form.LivePreview().Shown(), nullptr);
  EXPECT_TRUE(SamePixels(*form.LivePreview().Shown(), expected));
  // Nothing of the document moved.
  EXPECT_TRUE(SamePixels(form.CurrentImage(), f.photoPixels));
  EXPECT_FALSE(form.Document().Processed());
  EXPECT_FALSE(form.Document().UndoAvailable());

  QTest::keyClick(&form, Qt::Key_Return);
  EXPECT_TRUE(form.Document().Processed());
  EXPECT_TRUE(SamePixels(form.CurrentImage(), expected));
  EXPECT_FALSE(form.LivePreview().OnScreen());
  EXPECT_EQ(form.Image->Overlay(), nullptr);
  EXPECT_EQ(form.StatusText(0), "Ready");

  // The mask view of the result, and away again.
  QTest::keyClick(&form, Qt::Key_M, Qt::ControlModifier);
  EXPECT_TRUE(form.MenuAffichageMasque->isChecked());
  ASSERT_NE(form.Image->Overlay(), nullptr);
  TBitmap look;
  MaskLook(form.Document().ColorSource(), form.Document().KeepMask(), look);
  EXPECT_TRUE(SamePixels(*form.Image->Overlay(), look));
  EXPECT_TRUE(SamePixels(form.CurrentImage(), expected));  // a way of looking only
  QTest::keyClick(&form, Qt::Key_M, Qt::ControlModifier);
  EXPECT_FALSE(form.MenuAffichageMasque->isChecked());
  EXPECT_EQ(form.Image->Overlay(), nullptr);

  QTest::keyClick(&form, Qt::Key_Z, Qt::ControlModifier);
  EXPECT_TRUE(SamePixels(form.CurrentImage(), f.photoPixels));
  EXPECT_FALSE(form.LivePreview().OnScreen());
  EXPECT_EQ(form.Image->Overlay(), nullptr);

  // The next change brings it back; Escape hides it.
  form.TBN->setValue(form.TBN->value() + 1);
  EXPECT_TRUE(form.LivePreview().OnScreen());
  QTest::keyClick(&form, Qt::Key_Escape);
  EXPECT_FALSE(form.LivePreview().OnScreen());
  EXPECT_EQ(form.Image->Overlay(), nullptr);
  EXPECT_EQ(form.StatusText(0), "Ready");
}

TEST(LivePreview, ShiftClickExcludesAColourAsTheCommandLineDoes) {
  TOpenForm f;
  TMainForm& form = *f.form;
  Click(form, QPoint{30, 40});
  Click(form, QPoint{200, 100});
  Click(form, QPoint{40, 45}, Qt::ShiftModifier);
  const std::vector<TColorEntry> entries = form.ColorEntries();
  ASSERT_EQ(entries.size(), 3u);
  EXPECT_FALSE(entries[0].Excluded);
  EXPECT_TRUE(entries[2].Excluded);
  EXPECT_EQ(form.LstColor->item(2)->toolTip(), QString::fromStdString(entries[2].Text) + " (exclude)");
  EXPECT_EQ(form.LstColor->item(0)->toolTip(), QString::fromStdString(entries[0].Text));
  const TBitmap expected =
      CliKeep(f.dir, f.photo, {"--pick", "30,40", "--pick", "200,100", "--exclude-pick", "40,45"});
  ASSERT_TRUE(form.LivePreview().WaitForExact(20000));
  EXPECT_TRUE(SamePixels(*form.LivePreview().Shown(), expected));
  QTest::keyClick(&form, Qt::Key_Return);
  EXPECT_TRUE(SamePixels(form.CurrentImage(), expected));

  // The Delete key on the list deletes the selected entry, as the button does.
  form.LstColor->setFocus();
  form.LstColor->setCurrentRow(2);
  QTest::keyClick(form.LstColor, Qt::Key_Delete);
  EXPECT_EQ(form.ColorEntries().size(), 2u);
  EXPECT_EQ(form.LstColor->currentRow(), 1);
}

TEST(LivePreview, OffTheWindowBehavesAsWithoutIt) {
  TOpenForm f;
  TMainForm& form = *f.form;
  EXPECT_TRUE(form.MenuOptionLivePreview->isChecked());
  form.MenuOptionLivePreview->trigger();
  EXPECT_FALSE(form.MenuOptionLivePreview->isChecked());
  Click(form, QPoint{30, 40});
  form.TBN->setValue(50);
  EXPECT_FALSE(form.LivePreview().OnScreen());
  EXPECT_EQ(form.Image->Overlay(), nullptr);
  EXPECT_EQ(form.StatusText(0), "Ready");
  QTest::keyClick(&form, Qt::Key_Return);
  const TBitmap expected = CliKeep(f.dir, f.photo, {"--pick", "30,40", "--tolerance", "50"});
  EXPECT_TRUE(SamePixels(form.CurrentImage(), expected));
  // The choice is kept in the settings file.
  form.close();
  f.form.reset();
  EXPECT_EQ(test::IniValue(f.dir.filePath("Velinor.ini"), "Params/LivePreview"), "0");
}

// --timing: "Save as" is the save itself, not the time the save dialog waited
// for its answer (nothing when it is cancelled); a "Preview" line comes with the
// frames a change of the inputs makes, never with the mask view's.
TEST(LivePreview, TimingLinesMeasureWhatTheyName) {
  QTemporaryDir dir;
  struct TSlowDialogs : test::TScriptedDialogs {
    QString AskSaveFileName(const TSaveDialogRequest& request) override {
      QThread::msleep(1500);  // the user thinks about the name
      return TScriptedDialogs::AskSaveFileName(request);
    }
  } dialogs;
  TMainFormOptions options;
  options.ExeDir = dir.path();
  options.Timing = true;
  auto form = test::MakeForm(options);
  form->resize(900, 650);
  ASSERT_TRUE(test::ShowActive(*form));
  form->OpenImage(test::WriteBmp(dir, "photo.bmp", 240, 160), true);
  QApplication::processEvents();

  ::testing::internal::CaptureStderr();
  Click(*form, QPoint{30, 40});
  ASSERT_TRUE(form->LivePreview().WaitForExact(20000));
  std::string out = ::testing::internal::GetCapturedStderr();
  EXPECT_NE(out.find("Preview: "), std::string::npos) << out;

  ::testing::internal::CaptureStderr();
  QTest::keyClick(form.get(), Qt::Key_M, Qt::ControlModifier);
  QTest::keyClick(form.get(), Qt::Key_M, Qt::ControlModifier);
  out = ::testing::internal::GetCapturedStderr();
  EXPECT_EQ(out.find("Preview"), std::string::npos) << out;

  ::testing::internal::CaptureStderr();
  dialogs.SaveAnswers = {dir.filePath("saved.png")};
  form->MenuFichierEnregistrerClick();
  form->MenuFichierEnregistrerClick();  // cancelled: no line
  out = ::testing::internal::GetCapturedStderr();
  ASSERT_TRUE(QFile::exists(dir.filePath("saved.png")));
  const size_t at = out.find("Save as: ");
  ASSERT_NE(at, std::string::npos) << out;
  EXPECT_EQ(out.find("Save as: ", at + 1), std::string::npos) << out;
  EXPECT_LT(std::stod(out.substr(at + 9)), 1500.0) << out;
}

}  // namespace
}  // namespace velinor
