// The print job written as a PDF by the printer itself (no print service), then
// rasterised: the image, the outline and the marks must sit where the layout says.
#include <gtest/gtest.h>

#include <QFile>
#include <QPrinter>
#include <QTemporaryDir>
#include <QTimer>
#include <QTest>
#include <QPushButton>

#include "AnnulerForm.h"
#include "ImprForm.h"
#include "PdfCheck.h"
#include "PrintCommand.h"
#include "PrintPageCheck.h"

namespace velinor {
namespace {

using namespace velinor::test;

constexpr int Dpi = 150;

struct PdfJob : ::testing::Test {
  QWidget owner;
  QTemporaryDir dir;
  TPrintCommand* command = nullptr;
  QStringList warnings;
  QString pdf;

  void SetUp() override {
    command = &PrintCommandOf(&owner);
    pdf = dir.filePath("page.pdf");
    QPrinter& p = command->Printer();
    p.setOutputFormat(QPrinter::PdfFormat);
    p.setOutputFileName(pdf);
    SetPage(p, 576, 816, Dpi);
    command->Warn = [this](const QString& t) { warnings << t; };
  }
  // The user's choices, then "Print".
  void Choose(bool contours, bool traits, const QString& copies = "1") {
    command->ExecDialog = [=](TImprForm& d) {
      d.Layout().SetContours(contours);
      d.Layout().SetTraits(traits);
      d.Layout().TypeText(TPrintField::Copies, copies.toStdString());
      d.BImprimerClick();
      return d.result();
    };
  }
};

TEST_F(PdfJob, PhotoWithCropMarks) {
  if (FindTool("pdftoppm").isEmpty()) GTEST_SKIP() << "pdftoppm is not installed";
  const TBitmap photo = TestPhoto(4000, 3000);  // reduced on the page: averaged in bands
  Choose(false, true);
  ASSERT_TRUE(command->Run(photo, false, "/home/someone/photo.jpg"));
  EXPECT_TRUE(warnings.isEmpty());
  EXPECT_FALSE(command->CancelWindow()->isVisible());
  const QImage page = Rasterise(pdf, Dpi);
  ASSERT_FALSE(page.isNull());
  EXPECT_EQ(page.size(), QSize(1700, 1200));
  const TPrintLayout& layout = command->Dialog()->Layout();
  CheckImage(page, layout);
  CheckMarks(page, layout, 8);
  EXPECT_EQ(command->Printer().docName(), "photo.jpg");
}

TEST_F(PdfJob, BoundingBoxOnlyWithCentreMarks) {
  if (FindTool("pdftoppm").isEmpty()) GTEST_SKIP() << "pdftoppm is not installed";
  const TBitmap photo = TestPhoto(1600, 900);  // ratio 1.78: centre marks too
  Choose(true, true);
  ASSERT_TRUE(command->Run(photo, false, "photo.bmp"));
  const QImage page = Rasterise(pdf, Dpi);
  ASSERT_FALSE(page.isNull());
  const TPrintLayout& layout = command->Dialog()->Layout();
  CheckOutline(page, layout);
  CheckMarks(page, layout, 10);
}

TEST_F(PdfJob, EnlargedPhotoInInches) {
  if (FindTool("pdftoppm").isEmpty()) GTEST_SKIP() << "pdftoppm is not installed";
  const TBitmap photo = TestPhoto(160, 240);  // portrait, enlarged on the page
  Choose(false, false);
  ASSERT_TRUE(command->Run(photo, true, "tall.bmp"));
  const QImage page = Rasterise(pdf, Dpi);
  ASSERT_FALSE(page.isNull());
  EXPECT_EQ(page.size(), QSize(1200, 1700));
  CheckImage(page, command->Dialog()->Layout());
}

TEST_F(PdfJob, CopiesAreGivenToThePrinterAndThePageIsSentOnce) {
  if (FindTool("pdfinfo").isEmpty()) GTEST_SKIP() << "pdfinfo is not installed";
  const TBitmap photo = TestPhoto(400, 300);
  Choose(false, false, "3");
  ASSERT_TRUE(command->Run(photo, false, "photo.bmp"));
  EXPECT_EQ(command->Printer().copyCount(), 3);
  EXPECT_EQ(PageCount(pdf), 1);
}

TEST_F(PdfJob, CancelBeforeThePageIsEndedPrintsNothing) {
  const TBitmap photo = TestPhoto(3000, 2000);
  Choose(false, true);
  // The click arrives through the event loop while the page is being produced.
  QTimer::singleShot(0, &owner, [this] {
    QTest::mouseClick(command->CancelWindow()->BAnnuler, Qt::LeftButton);
  });
  EXPECT_FALSE(command->Run(photo, false, "photo.bmp"));
  EXPECT_EQ(command->CancelWindow()->CancelState, -1);
  EXPECT_FALSE(command->CancelWindow()->isVisible());
  EXPECT_FALSE(QFile::exists(pdf));
  EXPECT_TRUE(warnings.isEmpty());
}

TEST_F(PdfJob, EscapeCancelsToo) {
  const TBitmap photo = TestPhoto(3000, 2000);
  Choose(false, false);
  QTimer::singleShot(0, &owner, [this] { command->CancelWindow()->reject(); });
  EXPECT_FALSE(command->Run(photo, false, "photo.bmp"));
  EXPECT_FALSE(QFile::exists(pdf));
}

TEST_F(PdfJob, ServiceFailureIsReportedOnce) {
  command->Printer().setOutputFileName(dir.filePath("missing/folder/page.pdf"));
  const TBitmap photo = TestPhoto(400, 300);
  Choose(false, true);
  EXPECT_FALSE(command->Run(photo, false, "photo.bmp"));
  ASSERT_EQ(warnings.size(), 1);
  EXPECT_FALSE(command->CancelWindow()->isVisible());
  // The next job works again.
  command->Printer().setOutputFileName(pdf);
  warnings.clear();
  EXPECT_TRUE(command->Run(photo, false, "photo.bmp"));
  EXPECT_TRUE(warnings.isEmpty());
  EXPECT_TRUE(QFile::exists(pdf));
}

TEST_F(PdfJob, CancelWindowLayout) {
  const TBitmap photo = TestPhoto(40, 30);
  Choose(false, false);
  ASSERT_TRUE(command->Run(photo, false, "x.bmp"));
  TAnnulerForm* w = command->CancelWindow();
  EXPECT_EQ(w->size(), QSize(282, 79));
  EXPECT_TRUE(w->windowFlags() & Qt::FramelessWindowHint);
  EXPECT_TRUE(w->windowFlags() & Qt::WindowStaysOnTopHint);
  EXPECT_EQ(w->BAnnuler->text(), "Cancel");
  EXPECT_EQ(w->BAnnuler->geometry(), QRect(103, 40, 75, 25));
}

}  // namespace
}  // namespace velinor
