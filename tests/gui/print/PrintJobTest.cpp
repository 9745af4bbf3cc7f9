// The print job written as a PDF by the printer itself (no print service), then
// rasterised: the image, the outline and the marks must sit where the layout says.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QPrinter>
#include <QTemporaryDir>
#include <QTimer>
#include <QTest>
#include <QPushButton>

#include "gui/app/MsgDlg.h"
#include "gui/print/AnnulerForm.h"
#include "gui/print/ImprForm.h"
#include "support/PdfCheck.h"
#include "gui/print/PrintCommand.h"
#include "PrintPageCheck.h"
#include "support/ScriptedDialogs.h"

namespace velinor {
namespace {

using namespace velinor::test;

constexpr int Dpi = 150;

struct PdfJob : ::testing::Test {
  QWidget owner;
  QTemporaryDir dir;
  TScriptedDialogs dialogs;
  TPrintCommand command{&owner};
  QString pdf;

  void SetUp() override {
    pdf = dir.filePath("page.pdf");
    QPrinter& p = command.Printer();
    p.setOutputFormat(QPrinter::PdfFormat);
    SetPage(p, 576, 816, Dpi);
  }
  // The user's choices in the layout dialog, then "Print".
  void Choose(bool contours, bool traits, const QString& copies = "1") {
    dialogs.OnModal = [=](QDialog& dialog) {
      auto& d = dynamic_cast<TImprForm&>(dialog);
      d.Layout().SetContours(contours);
      d.Layout().SetTraits(traits);
      d.Layout().TypeText(TPrintField::Copies, copies.toStdString());
      d.BImprimerClick();
      return d.result();
    };
  }
  // The print command, with pdf as the answer when the PDF file's name is asked.
  bool Print(const TBitmap& photo, bool unitIsInch, const QString& documentFileName) {
    dialogs.SaveAnswers = {pdf};
    return command.Run(photo, unitIsInch, documentFileName, dir.path());
  }
};

TEST_F(PdfJob, PhotoWithCropMarks) {
  if (FindTool("pdftoppm").isEmpty()) GTEST_SKIP() << "pdftoppm is not installed";
  const TBitmap photo = TestPhoto(4000, 3000);  // reduced on the page: averaged in bands
  Choose(false, true);
  ASSERT_TRUE(Print(photo, false, "/home/someone/photo.jpg"));
  EXPECT_TRUE(dialogs.Messages.empty());
  EXPECT_FALSE(command.CancelWindow()->isVisible());
  const QImage page = Rasterise(pdf, Dpi);
  ASSERT_FALSE(page.isNull());
  EXPECT_EQ(page.size(), QSize(1700, 1200));
  const TPrintLayout& layout = command.Dialog()->Layout();
  CheckImage(page, layout);
  CheckMarks(page, layout, 8);
  EXPECT_EQ(command.Printer().docName(), "photo.jpg");
}

TEST_F(PdfJob, BoundingBoxOnlyWithCentreMarks) {
  if (FindTool("pdftoppm").isEmpty()) GTEST_SKIP() << "pdftoppm is not installed";
  const TBitmap photo = TestPhoto(1600, 900);  // ratio 1.78: centre marks too
  Choose(true, true);
  ASSERT_TRUE(Print(photo, false, "photo.bmp"));
  const QImage page = Rasterise(pdf, Dpi);
  ASSERT_FALSE(page.isNull());
  const TPrintLayout& layout = command.Dialog()->Layout();
  CheckOutline(page, layout);
  CheckMarks(page, layout, 10);
}

TEST_F(PdfJob, EnlargedPhotoInInches) {
  if (FindTool("pdftoppm").isEmpty()) GTEST_SKIP() << "pdftoppm is not installed";
  const TBitmap photo = TestPhoto(160, 240);  // portrait, enlarged on the page
  Choose(false, false);
  ASSERT_TRUE(Print(photo, true, "tall.bmp"));
  const QImage page = Rasterise(pdf, Dpi);
  ASSERT_FALSE(page.isNull());
  EXPECT_EQ(page.size(), QSize(1200, 1700));
  CheckImage(page, command.Dialog()->Layout());
}

// A file has no printing service to make copies: it holds one page per copy.
TEST_F(PdfJob, CopiesAreOnePageEachInTheFile) {
  if (FindTool("pdfinfo").isEmpty()) GTEST_SKIP() << "pdfinfo is not installed";
  const TBitmap photo = TestPhoto(400, 300);
  Choose(false, false, "3");
  ASSERT_TRUE(Print(photo, false, "/pictures/photo.bmp"));
  // Asked like a picture's name: the document's name with ".pdf", in the folder given.
  EXPECT_EQ(dialogs.SaveNames, QStringList{dir.filePath("photo.pdf")});
  EXPECT_EQ(PageCount(pdf), 3);
  EXPECT_EQ(command.Printer().outputFileName(), pdf);
  EXPECT_EQ(command.Printer().outputFormat(), QPrinter::PdfFormat);
}

// The file is written whole beside its place and renamed over it: a cancelled
// job or a cancelled name leaves the old file, and no temporary stays.
TEST_F(PdfJob, TheFileIsReplacedOnlyByACompleteJob) {
  auto writeOld = [this] {
    QFile old(pdf);
    ASSERT_TRUE(old.open(QIODevice::WriteOnly));
    old.write("old contents");
  };
  auto folder = [this] { return QDir(dir.path()).entryList(QDir::Files | QDir::Hidden); };
  auto contents = [this] {
    QFile f(pdf);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
  };
  writeOld();
  const TBitmap photo = TestPhoto(3000, 2000);
  Choose(false, true);
  QTimer::singleShot(0, &owner, [this] {
    QTest::mouseClick(command.CancelWindow()->BAnnuler, Qt::LeftButton);
  });
  EXPECT_FALSE(Print(photo, false, "photo.bmp"));
  EXPECT_EQ(contents(), "old contents");
  EXPECT_EQ(folder(), QStringList{"page.pdf"});
  // No name: nothing is printed, the cancel window never shows.
  dialogs.SaveAnswers.clear();
  command.CancelWindow()->CancelState = 7;
  EXPECT_FALSE(command.Run(photo, false, "photo.bmp", dir.path()));
  EXPECT_EQ(command.CancelWindow()->CancelState, 7);
  EXPECT_EQ(contents(), "old contents");
  // A complete job replaces it.
  ASSERT_TRUE(Print(photo, false, "photo.bmp"));
  EXPECT_TRUE(contents().startsWith("%PDF"));
  EXPECT_EQ(folder(), QStringList{"page.pdf"});
}

// A printer whose device asks for grey (a queue without a driver description)
// still prints the photo's colours: the job asks for colour.
TEST_F(PdfJob, ColourIsAskedForWhateverThePrinterDefault) {
  if (FindTool("pdftoppm").isEmpty()) GTEST_SKIP() << "pdftoppm is not installed";
  command.Printer().setColorMode(QPrinter::GrayScale);
  const TBitmap photo = TestPhoto(800, 600);
  Choose(false, false);
  ASSERT_TRUE(Print(photo, false, "photo.bmp"));
  EXPECT_EQ(command.Printer().colorMode(), QPrinter::Color);
  const QImage page = Rasterise(pdf, Dpi);
  ASSERT_FALSE(page.isNull());
  CheckImage(page, command.Dialog()->Layout());
}

TEST_F(PdfJob, CancelBeforeThePageIsEndedPrintsNothing) {
  const TBitmap photo = TestPhoto(3000, 2000);
  Choose(false, true);
  // The click arrives through the event loop while the page is being produced.
  QTimer::singleShot(0, &owner, [this] {
    QTest::mouseClick(command.CancelWindow()->BAnnuler, Qt::LeftButton);
  });
  EXPECT_FALSE(Print(photo, false, "photo.bmp"));
  EXPECT_EQ(command.CancelWindow()->CancelState, -1);
  EXPECT_FALSE(command.CancelWindow()->isVisible());
  EXPECT_FALSE(QFile::exists(pdf));
  EXPECT_TRUE(dialogs.Messages.empty());
}

TEST_F(PdfJob, EscapeCancelsToo) {
  const TBitmap photo = TestPhoto(3000, 2000);
  Choose(false, false);
  QTimer::singleShot(0, &owner, [this] { command.CancelWindow()->reject(); });
  EXPECT_FALSE(Print(photo, false, "photo.bmp"));
  EXPECT_FALSE(QFile::exists(pdf));
}

TEST_F(PdfJob, ServiceFailureIsReportedOnce) {
  const QString good = pdf;
  pdf = dir.filePath("missing/folder/page.pdf");
  const TBitmap photo = TestPhoto(400, 300);
  Choose(false, true);
  EXPECT_FALSE(Print(photo, false, "photo.bmp"));
  ASSERT_EQ(dialogs.Messages.size(), 1u);
  EXPECT_TRUE(dialogs.Messages[0].Text.contains("missing/folder/page.pdf")) << dialogs.Messages[0].Text.toStdString();
  EXPECT_EQ(dialogs.Messages[0].Kind, mkWarning);
  EXPECT_EQ(dialogs.Messages[0].Buttons, mbOk);
  EXPECT_FALSE(command.CancelWindow()->isVisible());
  // The next job works again.
  pdf = good;
  dialogs.Messages.clear();
  EXPECT_TRUE(Print(photo, false, "photo.bmp"));
  EXPECT_TRUE(dialogs.Messages.empty());
  EXPECT_TRUE(QFile::exists(pdf));
}

TEST_F(PdfJob, CancelWindowLayout) {
  const TBitmap photo = TestPhoto(40, 30);
  Choose(false, false);
  ASSERT_TRUE(Print(photo, false, "x.bmp"));
  TAnnulerForm* w = command.CancelWindow();
  EXPECT_EQ(w->size(), QSize(282, 79));
  EXPECT_TRUE(w->windowFlags() & Qt::FramelessWindowHint);
  EXPECT_TRUE(w->windowFlags() & Qt::WindowStaysOnTopHint);
  EXPECT_EQ(w->BAnnuler->text(), "Cancel");
  EXPECT_EQ(w->BAnnuler->geometry(), QRect(103, 40, 75, 25));
}

}  // namespace
}  // namespace velinor
