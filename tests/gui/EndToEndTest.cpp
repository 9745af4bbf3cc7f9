// The whole job as a user does it, with the mouse and the keyboard on the real
// main window, checked against the command-line program doing the same picks.
#include <QApplication>
#include <QFile>
#include <QProcess>
#include <QTest>
#include <gtest/gtest.h>

#include "GuiTestSupport.h"
#include "view/MyImage.h"

namespace velinor {
namespace {

QByteArray Contents(const QString& file) {
  QFile f(file);
  return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

TEST(EndToEnd, PicksExecuteAndSavesWriteWhatTheCommandLineWrites) {
  QTemporaryDir dir;
  test::TScriptedDialogs dialogs;
  const QString photo = test::WriteBmp(dir, "photo.bmp", 240, 160);
  auto form = test::MakeForm(dir);
  form->resize(900, 650);
  form->show();
  QApplication::setActiveWindow(form.get());
  ASSERT_TRUE(QTest::qWaitForWindowActive(form.get()));

  dialogs.OpenNames = {photo};
  QTest::keyClick(form.get(), Qt::Key_O, Qt::ControlModifier);
  ASSERT_EQ(form->CurrentImage().Width(), 240);
  QApplication::processEvents();

  const QPoint picks[] = {{30, 40}, {180, 120}};
  for (const QPoint& p : picks) {
    const TPoint c = form->Image->ImageToClientPoint(TPoint{p.x(), p.y()});
    QTest::mouseClick(form->Image->viewport(), Qt::LeftButton, {}, QPoint(c.X, c.Y));
  }
  ASSERT_EQ(form->KeptColors().size(), 2);
  QTest::keyClick(form.get(), Qt::Key_Return);
  ASSERT_TRUE(form->Processed);

  const QString png = dir.filePath("gui.png"), ovi = dir.filePath("gui.ovi");
  dialogs.SaveAnswers = {png};
  QTest::keyClick(form.get(), Qt::Key_S, Qt::ControlModifier);
  dialogs.SaveAnswers = {ovi};
  QTest::keyClick(form.get(), Qt::Key_S, Qt::ControlModifier);
  ASSERT_TRUE(form->Saved);
  EXPECT_TRUE(dialogs.Messages.empty());

  for (const QString& out : {QString("cli.png"), QString("cli.ovi")}) {
    QProcess cli;
    cli.start(VELINOR_CLI, {"keep", photo, dir.filePath(out), "--pick", "30,40", "--pick", "180,120"});
    ASSERT_TRUE(cli.waitForFinished(60000));
    ASSERT_EQ(cli.exitCode(), 0) << cli.readAllStandardError().toStdString();
  }
  const QByteArray guiPng = Contents(png), guiOvi = Contents(ovi);
  ASSERT_FALSE(guiPng.isEmpty());
  ASSERT_FALSE(guiOvi.isEmpty());
  EXPECT_EQ(guiPng, Contents(dir.filePath("cli.png")));
  EXPECT_EQ(guiOvi, Contents(dir.filePath("cli.ovi")));
}

}  // namespace
}  // namespace velinor
