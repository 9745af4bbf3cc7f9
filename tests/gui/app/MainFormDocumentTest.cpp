#include <QApplication>
#include <QFileInfo>
#include <QLabel>
#include <QListWidget>
#include <QTest>
#include <QToolButton>
#include <gtest/gtest.h>

#include "support/GuiTestSupport.h"
#include "gui/app/MsgDlg.h"
#include "core/engine/KeepColors.h"
#include "gui/view/MyImage.h"

namespace velinor {
namespace {

using test::MakeForm;
using test::TScriptedDialogs;

TEST(MainFormDocument, StatusPanelsShowSizeAndNameUntilClose) {
  QTemporaryDir dir;
  TScriptedDialogs dialogs;
  const QString photo = test::WriteBmp(dir, "p.bmp", 640, 480);
  auto form = MakeForm(dir);
  dialogs.OpenNames.push_back(photo);
  form->MenuFichierOuvrirClick();
  EXPECT_EQ(dialogs.OpenDirs.value(0), dir.path() + "/");
  EXPECT_EQ(form->StatusText(0), "Ready");
  EXPECT_EQ(form->StatusText(1), "640x480");
  EXPECT_EQ(form->StatusText(2), photo);
  EXPECT_EQ(form->RecentFiles(), QStringList{photo});
  EXPECT_EQ(form->OpenDir(), dir.path() + "/");
  EXPECT_EQ(form->LblColors->text(), "0 color(s) :");
  EXPECT_EQ(form->Image->OptimizeMode(), omAllways);
  EXPECT_TRUE(form->BtnEnregistrer->isEnabled());
  form->MenuFichierFermerClick();
  EXPECT_TRUE(form->CurrentImage().Empty());
  EXPECT_EQ(form->StatusText(1), "");
  EXPECT_EQ(form->StatusText(2), "");
  EXPECT_EQ(form->FileName(), photo);  // not cleared by Close
  EXPECT_FALSE(form->BtnEnregistrer->isEnabled());
  EXPECT_TRUE(dialogs.Messages.empty());  // only opened: no question
}

TEST(MainFormDocument, CancelledOrFailedOpenChangesNothing) {
  QTemporaryDir dir;
  TScriptedDialogs dialogs;
  const QString photo = test::WriteBmp(dir, "p.bmp", 20, 10);
  auto form = MakeForm(dir);
  form->OpenImage(photo, true);
  form->MenuFichierOuvrirClick();  // the dialog is cancelled
  EXPECT_EQ(form->CurrentImage().Width(), 20);
  const QString bad = dir.filePath("bad.bmp");
  QFile f(bad);
  ASSERT_TRUE(f.open(QIODevice::WriteOnly));
  f.write("BM not really");
  f.close();
  form->OpenImage(bad, true);
  ASSERT_EQ(dialogs.Messages.size(), 1u);
  EXPECT_EQ(dialogs.Messages[0].Kind, mkError);
  EXPECT_EQ(dialogs.Messages[0].Buttons, mbOk);
  EXPECT_EQ(form->FileName(), photo);
  EXPECT_EQ(form->RecentFiles(), QStringList{photo});
  EXPECT_EQ(form->CurrentImage().Width(), 20);
  EXPECT_EQ(form->StatusText(0), "Ready");
  EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}

TEST(MainFormDocument, BusyAndProgressTexts) {
  QTemporaryDir dir;
  TScriptedDialogs dialogs;
  auto form = MakeForm(dir);
  form->BeginBusy("Processing...");
  EXPECT_EQ(form->StatusText(0), "Processing...");
  ASSERT_NE(QApplication::overrideCursor(), nullptr);
  EXPECT_EQ(QApplication::overrideCursor()->shape(), Qt::WaitCursor);
  form->ShowProgress("Calculating", 50);
  EXPECT_EQ(form->StatusText(0), "Calculating : 50%");
  form->EndBusy();
  EXPECT_EQ(form->StatusText(0), "Ready");
  EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}

TEST(MainFormDocument, SaveQuestionOnlyForUnsavedResultsOrPastes) {
  QTemporaryDir dir;
  TScriptedDialogs dialogs;
  auto form = MakeForm(dir);
  form->Document().Open(test::MakeImage(30, 20), "p.bmp");
  EXPECT_TRUE(form->QuerySaveChanges());
  EXPECT_TRUE(dialogs.Messages.empty());

  form->Document().Execute(TKeepOptions{});
  dialogs.Answers = {mrNo};
  EXPECT_TRUE(form->QuerySaveChanges());
  ASSERT_EQ(dialogs.Messages.size(), 1u);
  EXPECT_EQ(dialogs.Messages[0].Text, "Save changes before continuing ?");
  EXPECT_EQ(dialogs.Messages[0].Kind, mkConfirmation);
  EXPECT_EQ(dialogs.Messages[0].Buttons, mbYes | mbNo | mbCancel);
  dialogs.Answers = {mrCancel};
  EXPECT_FALSE(form->QuerySaveChanges());
  // Yes runs Save as; a cancelled save keeps the document.
  dialogs.Answers = {mrYes};
  EXPECT_FALSE(form->QuerySaveChanges());
  EXPECT_FALSE(form->Document().Saved());
  dialogs.Answers = {mrYes};
  dialogs.SaveAnswers = {dir.filePath("kept.bmp")};
  EXPECT_TRUE(form->QuerySaveChanges());
  EXPECT_TRUE(form->Document().Saved());
  EXPECT_TRUE(QFileInfo::exists(dir.filePath("kept.bmp")));
  EXPECT_TRUE(form->QuerySaveChanges());
  EXPECT_EQ(dialogs.Messages.size(), 4u);
}

TEST(MainFormDocument, CloseOfAPasteAsksAndCancelKeepsTheDocument) {
  QTemporaryDir dir;
  TScriptedDialogs dialogs;
  auto form = MakeForm(dir);
  form->Document().Paste(test::MakeImage(30, 20));
  dialogs.Answers = {mrCancel};
  form->MenuFichierFermerClick();
  EXPECT_FALSE(form->CurrentImage().Empty());
  dialogs.Answers = {mrNo};
  form->MenuFichierFermerClick();
  EXPECT_TRUE(form->CurrentImage().Empty());
  EXPECT_FALSE(form->Document().Pasted());
  EXPECT_EQ(dialogs.Messages.size(), 2u);
}

TEST(MainFormDocument, ClosingTheWindowAsksTheSameQuestion) {
  QTemporaryDir dir;
  TScriptedDialogs dialogs;
  auto form = MakeForm(dir);
  form->show();
  form->Document().Open(test::MakeImage(30, 20), "p.bmp");
  form->Document().Execute(TKeepOptions{});
  dialogs.Answers = {mrCancel};
  EXPECT_FALSE(form->close());
  EXPECT_TRUE(form->isVisible());
  dialogs.Answers = {mrNo};
  EXPECT_TRUE(form->close());
}

// The thumbnail: shadow and frame leave (1, 1, 134, 92) for the picture.
TEST(MainFormDocument, ThumbnailPlacesTheImageCentredAndNeverEnlarged) {
  QTemporaryDir dir;
  TScriptedDialogs dialogs;
  auto form = MakeForm(dir);
  auto thumbPixel = [&](int x, int y) { return form->Preview->pixmap().toImage().pixel(x, y); };
  const QRgb white = qRgb(255, 255, 255);
  EXPECT_EQ(form->Preview->pixmap().size(), QSize(139, 97));
  EXPECT_EQ(thumbPixel(60, 40), white);  // empty frame

  form->OpenImage(test::WriteBmp(dir, "big.bmp", 400, 300), false);
  // Drawn as 121 x 91 at (7, 1).
  EXPECT_EQ(thumbPixel(6, 40), white);
  EXPECT_NE(thumbPixel(7, 40), white);
  EXPECT_NE(thumbPixel(127, 40), white);
  EXPECT_EQ(thumbPixel(128, 40), white);

  form->OpenImage(test::WriteBmp(dir, "small.bmp", 50, 40), false);
  // Drawn as is at (42, 26).
  EXPECT_EQ(thumbPixel(41, 30), white);
  EXPECT_NE(thumbPixel(42, 30), white);
  EXPECT_NE(thumbPixel(91, 65), white);
  EXPECT_EQ(thumbPixel(92, 65), white);
  EXPECT_EQ(thumbPixel(60, 25), white);
}

// An error escaping an event handler is reported once and the program goes on.
TEST(Application, ErrorsEscapingHandlersBecomeOneMessage) {
  TScriptedDialogs dialogs;
  class TThrower : public QObject {
   public:
    bool event(QEvent* e) override {
      if (e->type() == QEvent::User) throw std::runtime_error("Out of memory for the picture");
      return QObject::event(e);
    }
  } thrower;
  QEvent e(QEvent::User);
  EXPECT_FALSE(QApplication::sendEvent(&thrower, &e));
  ASSERT_EQ(dialogs.Messages.size(), 1u);
  EXPECT_EQ(dialogs.Messages[0].Text, "Out of memory for the picture");
  EXPECT_EQ(dialogs.Messages[0].Kind, mkError);
  EXPECT_EQ(dialogs.Messages[0].Buttons, mbOk);
}

}  // namespace
}  // namespace velinor
