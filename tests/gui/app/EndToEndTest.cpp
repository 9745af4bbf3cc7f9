// The whole job as a user does it, with the mouse and the keyboard on the real
// main window, checked against the command-line program doing the same picks.
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QFile>
#include <QImage>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QPainter>
#include <QProcess>
#include <QSlider>
#include <QStandardPaths>
#include <QTest>
#include <gtest/gtest.h>

#include "support/GuiTestSupport.h"
#include "support/PixelCompare.h"
#include "core/files/FileRoutes.h"
#include "core/files/OvImage.h"
#include "core/document/LayeredImage.h"
#include "core/engine/TouchUps.h"
#include "gui/app/BrushTool.h"
#include "gui/app/LivePreview.h"
#include "gui/view/MyImage.h"

namespace velinor {
namespace {

using test::SamePixels;

QByteArray Contents(const QString& file) {
  QFile f(file);
  return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// Runs velinor-cli; the test fails unless it ends well.
void RunCli(const QStringList& args) {
  QProcess cli;
  cli.start(VELINOR_CLI, args);
  ASSERT_TRUE(cli.waitForFinished(60000));
  ASSERT_EQ(cli.exitCode(), 0) << cli.readAllStandardError().toStdString();
}

// The active window with a 240 x 160 photo opened by Ctrl+O, as the user does.
class EndToEndOpened : public ::testing::Test {
 protected:
  void SetUp() override {
    form->resize(900, 650);
    ASSERT_TRUE(test::ShowActive(*form));
    dialogs.OpenNames = {photo};
    QTest::keyClick(form.get(), Qt::Key_O, Qt::ControlModifier);
    original = form->CurrentImage();
    QApplication::processEvents();
  }

  QTemporaryDir dir;
  test::TScriptedDialogs dialogs;
  QString photo = test::WriteBmp(dir, "photo.bmp", 240, 160);
  std::unique_ptr<TMainForm> form = test::MakeForm(dir);
  TBitmap original;
};

TEST_F(EndToEndOpened, PicksExecuteAndSavesWriteWhatTheCommandLineWrites) {
  ASSERT_EQ(form->CurrentImage().Width(), 240);

  for (TPoint p : {TPoint{30, 40}, TPoint{180, 120}}) test::ClickImage(*form, p);
  ASSERT_EQ(form->KeptColors().size(), 2);
  QTest::keyClick(form.get(), Qt::Key_Return);
  ASSERT_TRUE(form->Document().Processed());

  const QString png = dir.filePath("gui.png"), ovi = dir.filePath("gui.ovi");
  dialogs.SaveAnswers = {png};
  QTest::keyClick(form.get(), Qt::Key_S, Qt::ControlModifier);
  dialogs.SaveAnswers = {ovi};
  QTest::keyClick(form.get(), Qt::Key_S, Qt::ControlModifier);
  ASSERT_TRUE(form->Document().Saved());
  EXPECT_TRUE(dialogs.Messages.empty());

  for (const QString& out : {QString("cli.png"), QString("cli.ovi")})
    ASSERT_NO_FATAL_FAILURE(RunCli({"keep", photo, dir.filePath(out), "--pick", "30,40", "--pick", "180,120"}));
  const QByteArray guiPng = Contents(png), guiOvi = Contents(ovi);
  ASSERT_FALSE(guiPng.isEmpty());
  ASSERT_FALSE(guiOvi.isEmpty());
  EXPECT_EQ(guiPng, Contents(dir.filePath("cli.png")));
  EXPECT_EQ(guiOvi, Contents(dir.filePath("cli.ovi")));
  // Both files keep the picks and the options after their layers.
  TMyImageLayered layered;
  ASSERT_TRUE(ReadTwoLayerOvi(ovi.toStdString(), layered));
  ASSERT_TRUE(layered.Work.has_value());
  EXPECT_EQ(layered.Work->Inputs, form->KeepInputsNow());
  EXPECT_EQ(layered.Work->Inputs.Colors.size(), 2u);
}

// A photographer's camera data and copyright go from the opened JPEG through
// Execute into the JPEG "Save as" writes; the block the program writes keeps
// its own values.
TEST(EndToEnd, CameraDataSurvivesOpenExecuteAndSaveAs) {
  const QString exiftool = QStandardPaths::findExecutable("exiftool");
  if (exiftool.isEmpty()) GTEST_SKIP() << "exiftool is not installed";
  QTemporaryDir dir;
  test::TScriptedDialogs dialogs;
  const QString shot = dir.filePath("shot.jpg");
  WriteImageFile(shot.toStdString(), test::MakeImage(120, 80), TWriteOptions{});
  QProcess tag;
  tag.start(exiftool, {"-q", "-overwrite_original", "-Make=Velicam", "-Model=V 24",
                       "-DateTimeOriginal=2024:05:06 07:08:09", "-Copyright=(c) A. Photographer", shot});
  ASSERT_TRUE(tag.waitForFinished(30000));
  ASSERT_EQ(tag.exitCode(), 0);

  auto form = test::MakeForm(dir);
  dialogs.OpenNames = {shot};
  form->MenuFichierOuvrirClick();
  ASSERT_EQ(form->CurrentImage().Width(), 120);
  form->PickColor(form->CurrentImage().Pixel(10, 10));
  form->MenuActionActionClick();
  ASSERT_TRUE(form->Document().Processed());
  const QString saved = dir.filePath("saved.jpg");
  dialogs.SaveAnswers = {saved};
  dialogs.JpegAnswers = {[](TJPGCompressForm&) { return true; }};
  form->MenuFichierEnregistrerClick();
  ASSERT_TRUE(form->Document().Saved());

  QProcess read;
  read.start(exiftool, {"-s", "-s", "-s", "-Make", "-Model", "-DateTimeOriginal", "-Copyright", "-Software",
                        "-Orientation#", saved});
  ASSERT_TRUE(read.waitForFinished(30000));
  EXPECT_EQ(QString::fromUtf8(read.readAllStandardOutput()).split('\n', Qt::SkipEmptyParts),
            QStringList({"Velicam", "V 24", "2024:05:06 07:08:09", "(c) A. Photographer", "Velinor", "1"}));
}

// A transparent PNG shows the checkerboard, never its hidden colours, in the
// view and the thumbnail; the colour keep keeps its alpha and "Save as" PNG
// writes it back.
TEST(EndToEnd, ATransparentPngShowsACheckerboardAndSavesItsAlpha) {
  QTemporaryDir dir;
  test::TScriptedDialogs dialogs;
  // Red on the left, blue in the middle; the right third is fully transparent
  // but holds green. Written by Qt's own PNG writer.
  QImage made(120, 80, QImage::Format_ARGB32);
  for (int y = 0; y < 80; ++y)
    for (int x = 0; x < 120; ++x)
      made.setPixel(x, y, x < 40 ? qRgba(230, 20, 20, 255) : x < 80 ? qRgba(20, 20, 230, 255) : qRgba(0, 255, 0, 0));
  const QString photo = dir.filePath("clear.png");
  ASSERT_TRUE(made.save(photo, "PNG"));
  auto form = test::MakeForm(dir);
  form->resize(900, 650);
  ASSERT_TRUE(test::ShowActive(*form));
  dialogs.OpenNames = {photo};
  QTest::keyClick(form.get(), Qt::Key_O, Qt::ControlModifier);
  ASSERT_EQ(form->CurrentImage().PixelFormat(), TPixelFormat::pf32bit);
  QApplication::processEvents();

  auto shownAt = [&](int x, int y) {
    QImage canvas(form->Image->viewport()->size(), QImage::Format_RGB32);
    QPainter p(&canvas);
    form->Image->PaintView(p, canvas.rect());
    p.end();
    const TPoint c = form->Image->ImageToClientPoint(TPoint{x, y});
    return canvas.pixel(c.X, c.Y);
  };
  const QRgb clear = shownAt(100, 40);
  EXPECT_EQ(qRed(clear), qGreen(clear));
  EXPECT_GE(qRed(clear), 200);
  EXPECT_EQ(shownAt(10, 10), qRgb(230, 20, 20));
  const QImage thumb = form->Preview->pixmap().toImage();
  int greens = 0, checks = 0;
  for (int y = 0; y < thumb.height(); ++y)
    for (int x = 0; x < thumb.width(); ++x) {
      const QRgb c = thumb.pixel(x, y);
      greens += qGreen(c) > 150 && qRed(c) < 100;
      checks += c == qRgb(204, 204, 204);
    }
  EXPECT_EQ(greens, 0);
  EXPECT_GT(checks, 0);

  // Keep the red: blue turns grey, the transparent part stays so.
  const TPoint red = form->Image->ImageToClientPoint(TPoint{10, 10});
  QTest::mouseClick(form->Image->viewport(), Qt::LeftButton, {}, QPoint(red.X, red.Y));
  QTest::keyClick(form.get(), Qt::Key_Return);
  ASSERT_TRUE(form->Document().Processed());
  const QString png = dir.filePath("saved.png");
  dialogs.SaveAnswers = {png};
  QTest::keyClick(form.get(), Qt::Key_S, Qt::ControlModifier);
  ASSERT_TRUE(form->Document().Saved());
  EXPECT_TRUE(dialogs.Messages.empty());
  const QImage saved(png);
  ASSERT_TRUE(saved.hasAlphaChannel());
  EXPECT_EQ(qAlpha(saved.pixel(100, 40)), 0);
  const QRgb kept = saved.pixel(20, 40);
  EXPECT_EQ(qAlpha(kept), 255);
  EXPECT_GT(qRed(kept), 200);
  EXPECT_LT(qGreen(kept), 40);
  const QRgb grey = saved.pixel(60, 40);
  EXPECT_EQ(qAlpha(grey), 255);
  EXPECT_TRUE(qRed(grey) == qGreen(grey) && qGreen(grey) == qBlue(grey));
}

// Work saved after Execute reopens with the photo behind the result: one more
// pick and Execute give what the command line gives with all the picks.
TEST_F(EndToEndOpened, SavedWorkReopensAndGoesOn) {
  auto click = [&](QPoint p) { test::ClickImage(*form, TPoint{p.x(), p.y()}); };
  click({30, 40});
  QTest::keyClick(form.get(), Qt::Key_Return);
  const TBitmap result = form->CurrentImage();
  const TBitmap mask = form->Document().KeepMask();
  const QString ovi = dir.filePath("work.ovi");
  dialogs.SaveAnswers = {ovi};
  QTest::keyClick(form.get(), Qt::Key_S, Qt::ControlModifier);
  const QByteArray saved = Contents(ovi);

  dialogs.OpenNames = {ovi};
  QTest::keyClick(form.get(), Qt::Key_O, Qt::ControlModifier);
  const TDocument& d = form->Document();
  ASSERT_TRUE(d.Processed());
  EXPECT_TRUE(d.ResultMatchesPhoto());
  EXPECT_TRUE(d.Saved());
  EXPECT_TRUE(SamePixels(d.ColorSource(), original));
  EXPECT_TRUE(SamePixels(d.KeepMask(), mask));
  // On screen, the file's flattened picture (the result within one level).
  EXPECT_TRUE(SamePixels(d.CurrentImage(), ReadOviFile(ovi.toStdString())));
  EXPECT_EQ(d.CurrentImage().Width(), result.Width());
  EXPECT_EQ(Contents(ovi), saved);  // reading changes nothing
  EXPECT_TRUE(form->QuerySaveChanges());
  EXPECT_TRUE(dialogs.Messages.empty());  // nothing to ask: it is the file

  // The kept colour came back with the file: picking it again on the result
  // (where the eyedropper takes the photo's colour) adds nothing.
  QApplication::processEvents();
  ASSERT_EQ(form->KeptColors().size(), 1);
  click({30, 40});
  click({180, 120});
  ASSERT_EQ(form->KeptColors().size(), 2);
  QTest::keyClick(form.get(), Qt::Key_Return);
  const QString png = dir.filePath("again.png");
  dialogs.SaveAnswers = {png};
  QTest::keyClick(form.get(), Qt::Key_S, Qt::ControlModifier);
  ASSERT_NO_FATAL_FAILURE(
      RunCli({"keep", photo, dir.filePath("cli.png"), "--pick", "30,40", "--pick", "180,120"}));
  EXPECT_EQ(Contents(png), Contents(dir.filePath("cli.png")));

  // Undo shows the photo the second Execute started from, then the result that
  // was opened (a result again, over its photo), then the photo.
  const TBitmap opened = ReadOviFile(ovi.toStdString());
  QTest::keyClick(form.get(), Qt::Key_Z, Qt::ControlModifier);
  EXPECT_TRUE(SamePixels(form->CurrentImage(), original));
  EXPECT_FALSE(form->Document().Processed());
  QTest::keyClick(form.get(), Qt::Key_Z, Qt::ControlModifier);
  EXPECT_TRUE(SamePixels(form->CurrentImage(), opened));
  EXPECT_TRUE(form->Document().Processed() && form->Document().ResultMatchesPhoto());
  EXPECT_TRUE(SamePixels(form->Document().KeepMask(), mask));
  EXPECT_TRUE(form->Document().CanUndo());
  QTest::keyClick(form.get(), Qt::Key_Z, Qt::ControlModifier);
  EXPECT_TRUE(SamePixels(form->CurrentImage(), original));
  EXPECT_FALSE(form->Document().CanUndo());

  // A one-layer file opens as before: flat, nothing processed.
  const QString flat = dir.filePath("flat.ovi");
  dialogs.SaveAnswers = {flat};
  QTest::keyClick(form.get(), Qt::Key_S, Qt::ControlModifier);
  dialogs.OpenNames = {flat};
  QTest::keyClick(form.get(), Qt::Key_O, Qt::ControlModifier);
  EXPECT_FALSE(form->Document().Processed());
  EXPECT_FALSE(form->Document().CanUndo());
  EXPECT_TRUE(SamePixels(form->CurrentImage(), original));
}

// Work saved with strokes, an excluded colour and its own options reopens with
// the panel as it was left and the strokes a layer again, without a preview
// starting; one more pick and Execute give what the command line gives with all
// the picks, the options and the strokes taken from the saved file.
TEST_F(EndToEndOpened, SavedWorkKeepsItsListOptionsAndStrokes) {

  test::ClickImage(*form, {30, 40});
  test::ClickImage(*form, {100, 80}, Qt::ShiftModifier);  // excluded
  form->TBN->setValue(40);
  form->CBProgressif->setChecked(false);
  form->CBSepia->setChecked(true);
  QTest::keyClick(form.get(), Qt::Key_Return);
  ASSERT_TRUE(form->Document().Processed());
  form->MenuActionBrushClick();
  form->BrushTool->SetSize(24);
  form->BrushTool->SetSoftness(60);
  test::DragImage(*form, {{40, 40}, {120, 60}}, Qt::RightButton);
  test::DragImage(*form, {{150, 100}, {210, 130}}, Qt::LeftButton);
  form->MenuActionPipetteClick();
  const TTouchUps strokes = form->Document().TouchUps();
  ASSERT_FALSE(strokes.Empty());
  const TBitmap computed = form->Document().KeepMask();
  const TKeepInputs inputs = form->KeepInputsNow();
  const QString ovi = dir.filePath("work.ovi");
  dialogs.SaveAnswers = {ovi};
  QTest::keyClick(form.get(), Qt::Key_S, Qt::ControlModifier);
  ASSERT_TRUE(form->Document().Saved());

  // The same file from the command line, strokes taken from the window's.
  const QStringList options = {"--tolerance", "40", "--no-progressive", "--sepia", "--touch-up", ovi};
  ASSERT_NO_FATAL_FAILURE(RunCli(QStringList{"keep", photo, dir.filePath("cli.ovi"), "--pick", "30,40",
                                             "--exclude-pick", "100,80"} +
                                 options));
  EXPECT_EQ(Contents(dir.filePath("cli.ovi")), Contents(ovi));

  // Another panel before reopening: the file's comes back.
  form->TBN->setValue(75);
  form->CBProgressif->setChecked(true);
  form->CBSepia->setChecked(false);
  dialogs.OpenNames = {ovi};
  QTest::keyClick(form.get(), Qt::Key_O, Qt::ControlModifier);
  const TDocument& d = form->Document();
  ASSERT_TRUE(d.Processed());
  EXPECT_TRUE(d.Saved());
  EXPECT_EQ(form->ColorEntries(), inputs.Colors);
  EXPECT_EQ(form->KeepInputsNow(), inputs);
  EXPECT_EQ(form->LstColor->item(1)->toolTip(), form->LstColor->item(1)->text() + " (exclude)");
  EXPECT_TRUE(form->BClear->isEnabled());
  EXPECT_EQ(form->LblColors->text(), "2 color(s) :");
  EXPECT_EQ(form->LblN->text(), "Tolerance : 40");
  EXPECT_TRUE(SamePixels(d.KeepMask(), computed));
  EXPECT_EQ(d.TouchUps().Touched(), strokes.Touched());
  EXPECT_TRUE(SamePixels(d.FinalMask(), FinalMask(computed, strokes)));
  // Nothing computes behind the user's back, and the status says so.
  EXPECT_FALSE(form->LivePreview().OnScreen());
  EXPECT_FALSE(form->LivePreview().WaitForExact(300));
  EXPECT_EQ(form->StatusText(0).toStdString(), "Ready");
  EXPECT_FALSE(d.NeedsSaveQuestion());
  form->MenuActionClick();
  EXPECT_TRUE(form->MenuActionClearTouchUps->isEnabled());

  // Undo shows the photo, Redo the work again.
  QTest::keyClick(form.get(), Qt::Key_Z, Qt::ControlModifier);
  EXPECT_TRUE(SamePixels(form->CurrentImage(), original));
  EXPECT_FALSE(d.Processed());
  QTest::keyClick(form.get(), Qt::Key_Y, Qt::ControlModifier);
  EXPECT_TRUE(d.Processed() && d.Saved());

  // One more pick and Execute: the command line with every pick and the strokes.
  test::ClickImage(*form, {180, 120});
  ASSERT_EQ(form->KeptColors().size(), 3);
  QTest::keyClick(form.get(), Qt::Key_Return);
  const QString png = dir.filePath("again.png");
  dialogs.SaveAnswers = {png};
  QTest::keyClick(form.get(), Qt::Key_S, Qt::ControlModifier);
  ASSERT_NO_FATAL_FAILURE(RunCli(QStringList{"keep", photo, dir.filePath("cli.png"), "--pick", "30,40",
                                             "--exclude-pick", "100,80", "--pick", "180,120"} +
                                 options));
  EXPECT_EQ(Contents(png), Contents(dir.filePath("cli.png")));
  EXPECT_TRUE(dialogs.Messages.empty());
}

}  // namespace
}  // namespace velinor
