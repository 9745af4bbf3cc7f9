#include <QApplication>
#include <QDir>
#include <QLabel>
#include <QMainWindow>
#include <QTimer>
#include <QPushButton>
#include <QTest>
#include <gtest/gtest.h>

#include <functional>

#include "gui/app/DialogSeam.h"
#include "gui/app/MsgDlg.h"
#include "gui/app/SharedStrings.h"
#include "gui/dialogs/JPGCompressForm.h"

namespace velinor {
namespace {

TEST(MsgDlgLayout, ThreeButtonsOfAShortQuestion) {
  const TMsgDlgGeometry g = MsgDlgLayout(180, 13, mbYes | mbNo | mbCancel);
  EXPECT_EQ(g.ClientWidth, 300);
  EXPECT_EQ(g.SepWidth, 276);
  EXPECT_EQ(g.ButtonTop, 100);
  EXPECT_EQ(g.ClientHeight, 137);
  EXPECT_EQ(g.ButtonLeft[0], 52);
  EXPECT_EQ(g.ButtonLeft[1], 133);
  EXPECT_EQ(g.ButtonLeft[2], -1);
  EXPECT_EQ(g.ButtonLeft[3], 214);
}

TEST(MsgDlgLayout, OneButtonAndWideOrTallMessages) {
  TMsgDlgGeometry g = MsgDlgLayout(80, 13, mbOk);
  EXPECT_EQ(g.ButtonLeft[2], 214);
  g = MsgDlgLayout(500, 13, mbOk);
  EXPECT_EQ(g.ClientWidth, 568);
  EXPECT_EQ(g.ButtonLeft[2], 568 - 75 - 12 + 1);
  // Three lines of text push the buttons down.
  g = MsgDlgLayout(100, 60, mbOk);
  EXPECT_EQ(g.ButtonTop, 44 + 60 + 24);
  EXPECT_EQ(g.ClientHeight, 25 + 128 + 12);
}

class MsgDlgForm : public ::testing::Test {
 protected:
  void SetUp() override {
    SharedStrings::Instance().Reset();
    SharedStrings::Instance().InstallStartupTexts("Velinor");
  }
  void TearDown() override { SharedStrings::Instance().Reset(); }
};

TEST_F(MsgDlgForm, SaveQuestionLayoutHeadingAndButtons) {
  TMsgDlgForm f;
  f.Prepare("Save changes before continuing ?", mkConfirmation, mbYes | mbNo | mbCancel, "");
  EXPECT_EQ(f.LblCaption->text(), "Confirm");
  EXPECT_TRUE(f.LblCaption->font().bold());
  EXPECT_EQ(f.width(), 300);
  EXPECT_EQ(f.height(), 137);
  EXPECT_EQ(f.PnlSep->width(), 276);
  EXPECT_EQ(f.BtnYes->geometry(), QRect(52, 100, 75, 25));
  EXPECT_EQ(f.BtnNo->geometry(), QRect(133, 100, 75, 25));
  EXPECT_EQ(f.BtnCancel->geometry(), QRect(214, 100, 75, 25));
  EXPECT_TRUE(f.BtnOk->isHidden());
  EXPECT_EQ(f.BtnYes->text(), "&Yes");
  EXPECT_EQ(f.DefaultButton(), f.BtnYes);
  EXPECT_EQ(f.CancelButton(), f.BtnCancel);
  EXPECT_FALSE(f.ResIcon->pixmap().isNull());
}

TEST_F(MsgDlgForm, HeadingsFollowTheTableOrTheCaller) {
  TMsgDlgForm f;
  f.Prepare("x", mkWarning, mbOk, "");
  EXPECT_EQ(f.LblCaption->text(), "Avertissement");
  f.Prepare("x", mkError, mbOk, "");
  EXPECT_EQ(f.LblCaption->text(), "Erreur");
  f.Prepare("x", mkInformation, mbOk, "My heading");
  EXPECT_EQ(f.LblCaption->text(), "My heading");
}

int PressAndResult(int buttons, int key) {
  TMsgDlgForm f;
  f.Prepare("Message", mkConfirmation, buttons, "");
  f.open();
  QTest::keyClick(&f, static_cast<Qt::Key>(key));
  return f.isVisible() ? -1 : f.result();
}

TEST_F(MsgDlgForm, KeysAnswerWithoutAlt) {
  const int ync = mbYes | mbNo | mbCancel;
  EXPECT_EQ(PressAndResult(ync, Qt::Key_Return), mrYes);
  EXPECT_EQ(PressAndResult(ync, Qt::Key_Escape), mrCancel);
  EXPECT_EQ(PressAndResult(ync, Qt::Key_N), mrNo);
  EXPECT_EQ(PressAndResult(ync, Qt::Key_Y), mrYes);
  EXPECT_EQ(PressAndResult(mbOk, Qt::Key_Return), mrOk);
  // The cancel role falls to the hidden No button: Escape does nothing.
  EXPECT_EQ(PressAndResult(mbOk, Qt::Key_Escape), -1);
  // Letters of hidden buttons do nothing either.
  EXPECT_EQ(PressAndResult(mbOk, Qt::Key_N), -1);
  EXPECT_EQ(PressAndResult(mbYes | mbNo, Qt::Key_Escape), mrNo);
}

TEST_F(MsgDlgForm, ClosingTheWindowAnswersCancel) {
  TMsgDlgForm f;
  f.Prepare("Message", mkInformation, mbOk, "");
  f.open();
  f.close();
  EXPECT_EQ(f.result(), mrCancel);
}

// The real provider, as the program runs it: what the dialog sees while it waits.
struct TWhileWaiting {
  Qt::CursorShape Cursor = Qt::BlankCursor;
  QWidget* Parent = nullptr;
  bool Seen = false;
  void Arm() {
    QTimer::singleShot(0, [this] {
      QWidget* modal = QApplication::activeModalWidget();
      Seen = modal != nullptr;
      if (QApplication::overrideCursor()) Cursor = QApplication::overrideCursor()->shape();
      if (modal) {
        Parent = modal->parentWidget();
        modal->close();
      }
    });
  }
};

TEST(DialogSeam, TheArrowShowsWhileADialogWaitsAndTheHourglassComesBack) {
  TDialogProvider real;
  QApplication::setOverrideCursor(Qt::WaitCursor);  // a busy command
  const auto arrowWhileWaiting = [](const char* what, const std::function<void()>& wait) {
    SCOPED_TRACE(what);
    TWhileWaiting w;
    w.Arm();
    wait();
    EXPECT_TRUE(w.Seen);
    EXPECT_EQ(w.Cursor, Qt::ArrowCursor);
    EXPECT_EQ(QApplication::overrideCursor()->shape(), Qt::WaitCursor);
  };
  arrowWhileWaiting("message", [&] { real.ShowMessage("File not found !", mkInformation, mbOk, QString()); });
  QDialog form;
  arrowWhileWaiting("modal form", [&] { real.RunModal(form); });
  // "Save as" asks for the name, then for the JPEG options.
  TSaveDialogRequest request;
  request.Filter = "JPEG (*.jpg)|*.jpg";
  request.DefaultExt = ".jpg";
  request.InitialDir = QDir::tempPath().toStdString();
  arrowWhileWaiting("save dialog", [&] { real.AskSaveFileName(request); });
  TJPGCompressForm jpeg(nullptr);
  arrowWhileWaiting("JPEG options", [&] { real.AskJpegOptions(jpeg); });
  QApplication::restoreOverrideCursor();
}

TEST(DialogSeam, AMessageBelongsToTheMainWindowWhenAnotherWindowIsActive) {
  QMainWindow main;
  main.show();
  QWidget stranger;  // stands for the program that was active, e.g. where a file was dragged from
  stranger.show();
  stranger.activateWindow();
  EXPECT_TRUE(QTest::qWaitForWindowActive(&stranger));
  ASSERT_NE(QApplication::activeWindow(), &main);
  TWhileWaiting w;
  w.Arm();
  ExecMessageDialog("Save changes before continuing ?", mkConfirmation, mbYes | mbNo | mbCancel, QString());
  EXPECT_TRUE(w.Seen);
  EXPECT_EQ(w.Parent, &main);
}

}  // namespace
}  // namespace velinor
