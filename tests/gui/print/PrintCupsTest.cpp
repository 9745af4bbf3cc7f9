// Printing through a real CUPS scheduler started by the test, to the cups-pdf
// virtual printer; the PDF that arrives is rasterised and checked against the
// layout. Skipped where CUPS or the driver cannot run.
#include <gtest/gtest.h>

#include <QComboBox>
#include <QDateTime>
#include <QDialog>
#include <QFileInfo>
#include <QPageLayout>
#include <QPrinter>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>
#include <QTimer>
#include <memory>

#include "gui/print/AnnulerForm.h"
#include "gui/print/ImprForm.h"
#include "support/PdfCheck.h"
#include "gui/print/PrintCommand.h"
#include "PrintPageCheck.h"
#include "gui/print/PrinterDiscovery.h"
#include "PrivateCups.h"
#include "support/ScriptedDialogs.h"

namespace velinor {
namespace {

using namespace velinor::test;

constexpr int Dpi = 150;

// Shifts the checks by the printer's margins: the page on paper starts at the
// printable area's corner.
class TPageOnPaper {
 public:
  TPageOnPaper(const QImage& paper, QPoint origin) : paper_(paper), origin_(origin) {}
  QImage Page() const {
    return paper_.copy(QRect(origin_, paper_.size() - QSize(origin_.x(), origin_.y())));
  }

 private:
  QImage paper_;
  QPoint origin_;
};

// Stops the scheduler while the application object still exists.
class CupsEnvironment : public ::testing::Environment {
 public:
  void TearDown() override { StopSharedCups(); }
};
const auto* const environment = ::testing::AddGlobalTestEnvironment(new CupsEnvironment);

struct Cups : ::testing::Test {
  TPrivateCups& cups = SharedCups();
  QWidget owner;
  TScriptedDialogs dialogs;
  std::unique_ptr<TPrintCommand> command;

  void SetUp() override {
    if (FindTool("pdftoppm").isEmpty()) GTEST_SKIP() << "pdftoppm is not installed";
    if (!cups.Why().isEmpty()) GTEST_SKIP() << cups.Why().toStdString();
    // Before any use of the printing service in this process.
    qputenv("CUPS_SERVER", cups.Server().toLocal8Bit());
    cups.ClearPdfs();
  }
  void MakeCommand(bool raw = false) {
    ASSERT_TRUE(cups.AddQueue(raw)) << cups.Why().toStdString();
    command = std::make_unique<TPrintCommand>(&owner);
    QPrinter& p = command->Printer();
    p.setPrinterName(cups.Queue());
    ASSERT_EQ(p.outputFormat(), QPrinter::NativeFormat);
    p.setResolution(Dpi);
  }
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
  // The page as printed: the paper rasterised, cut at the printable area.
  QImage PrintedPage(const QString& pdf) {
    QImage paper = Rasterise(pdf, Dpi);
    if (paper.isNull()) return {};
    const QPageLayout layout = command->Printer().pageLayout();
    const QRect paint = layout.paintRectPixels(Dpi);
    const QSize full = layout.fullRectPixels(Dpi).size();
    // A landscape page reaches portrait paper turned a quarter counter-clockwise
    // (its left edge along the paper's bottom); turn it back to read it.
    if ((full.width() > full.height()) != (paper.width() > paper.height()))
      paper = paper.transformed(QTransform().rotate(90));
    EXPECT_NEAR(paper.width(), full.width(), 2);
    EXPECT_NEAR(paper.height(), full.height(), 2);
    return TPageOnPaper(paper, paint.topLeft()).Page();
  }
};

TEST_F(Cups, DiscoveryFollowsTheInstalledPrinters) {
  SetPrinterDiscovery(nullptr);
  ASSERT_TRUE(cups.RemoveQueue());
  EXPECT_TRUE(PrinterDiscovery().PrinterNames().isEmpty());  // a scheduler without printers
  ASSERT_TRUE(cups.AddQueue()) << cups.Why().toStdString();
  EXPECT_TRUE(PrinterDiscovery().PrinterNames().contains(cups.Queue()));
}

TEST_F(Cups, PhotoWithCropMarks) {
  MakeCommand();
  const TBitmap photo = TestPhoto(3000, 2000);  // ratio 1.5: centre marks
  Choose(false, true, "2");
  ASSERT_TRUE(command->Run(photo, false, "/pictures/holiday.jpg"));
  EXPECT_TRUE(dialogs.Messages.empty());
  const QString pdf = cups.WaitForPdf(60000);
  ASSERT_FALSE(pdf.isEmpty()) << "no PDF arrived:\n" << cups.LogTail().toStdString();
  EXPECT_EQ(PageCount(pdf), 2);  // two copies made by the printing service
  const QImage page = PrintedPage(pdf);
  ASSERT_FALSE(page.isNull());
  CheckImage(page, command->Dialog()->Layout());
  CheckMarks(page, command->Dialog()->Layout(), 10);
}

TEST_F(Cups, BoundingBoxOnlyPortrait) {
  MakeCommand();
  const TBitmap photo = TestPhoto(1000, 1400);
  Choose(true, true);
  ASSERT_TRUE(command->Run(photo, false, "tall.bmp"));
  const QString pdf = cups.WaitForPdf(60000);
  ASSERT_FALSE(pdf.isEmpty()) << "no PDF arrived:\n" << cups.LogTail().toStdString();
  const QImage page = PrintedPage(pdf);
  ASSERT_FALSE(page.isNull());
  CheckOutline(page, command->Dialog()->Layout());
  CheckMarks(page, command->Dialog()->Layout(), 8);
}

TEST_F(Cups, CancelLeavesNoJob) {
  MakeCommand();
  const TBitmap photo = TestPhoto(3000, 2000);
  Choose(false, true);
  const qsizetype jobsBefore = cups.Jobs().size();
  QTimer::singleShot(0, &owner, [this] {
    QTest::mouseClick(command->CancelWindow()->BAnnuler, Qt::LeftButton);
  });
  EXPECT_FALSE(command->Run(photo, false, "photo.bmp"));
  EXPECT_FALSE(command->CancelWindow()->isVisible());
  QThread::msleep(1500);
  EXPECT_EQ(cups.Jobs().size(), jobsBefore) << cups.Jobs().join('\n').toStdString();
  EXPECT_TRUE(cups.Pdfs().isEmpty());
}

// A raw queue has no driver description, so the printing service offers grey by
// default; the page the program sends keeps the photo's colours all the same.
TEST_F(Cups, RawQueueGetsAColourPage) {
  MakeCommand(true);
  QPrinter probe;  // what the service offers this queue by itself
  probe.setPrinterName(cups.Queue());
  ASSERT_EQ(probe.colorMode(), QPrinter::GrayScale);
  const TBitmap photo = TestPhoto(1500, 1000);
  Choose(false, false);
  const qsizetype before = cups.SentDocuments(1000).size();
  ASSERT_TRUE(command->Run(photo, false, "colour.bmp"));
  EXPECT_TRUE(dialogs.Messages.empty());
  const QStringList sent = cups.SentDocuments(60000);
  ASSERT_EQ(sent.size(), before + 1) << cups.LogTail().toStdString();
  const QImage page = PrintedPage(sent.last());
  ASSERT_FALSE(page.isNull());
  CheckImage(page, command->Dialog()->Layout());
}

// With a printer installed the PDF file is the last destination: choosing it
// writes the file and sends nothing to the queue; choosing the queue again prints
// there as before.
TEST_F(Cups, PdfFileBesideTheInstalledPrinter) {
  MakeCommand();
  QTemporaryDir dir;
  const QString file = dir.filePath("page.pdf");
  const TBitmap photo = TestPhoto(1200, 800);
  QStringList destinations;
  QString chosen;
  auto choose = [&](const QString& destination) {
    dialogs.SaveAnswers = {file};
    dialogs.OnModal = [&, destination](QDialog& dialog) {
      auto& d = dynamic_cast<TImprForm&>(dialog);
      destinations.clear();
      for (int i = 0; i < d.CBPrinter->count(); ++i) destinations << d.CBPrinter->itemText(i);
      chosen = d.CBPrinter->currentText();
      d.CBPrinter->setCurrentIndex(d.CBPrinter->findText(destination));
      emit d.CBPrinter->activated(d.CBPrinter->currentIndex());
      d.Layout().SetTraits(true);
      d.BImprimerClick();
      return d.result();
    };
  };
  choose("PDF file");
  ASSERT_TRUE(command->Run(photo, false, "/pictures/wide.jpg", dir.path()));
  EXPECT_TRUE(destinations.contains(cups.Queue()));
  EXPECT_EQ(destinations.last(), "PDF file");
  EXPECT_EQ(chosen, cups.Queue());  // the printer stays the first choice
  EXPECT_EQ(dialogs.SaveNames, QStringList{dir.filePath("wide.pdf")});
  const QImage page = PrintedPage(file);
  ASSERT_FALSE(page.isNull());
  CheckImage(page, command->Dialog()->Layout());
  CheckMarks(page, command->Dialog()->Layout(), 10);  // ratio 1.5: centre marks
  QThread::msleep(500);
  EXPECT_TRUE(cups.Pdfs().isEmpty());

  const QDateTime written = QFileInfo(file).lastModified();
  choose(cups.Queue());
  ASSERT_TRUE(command->Run(photo, false, "/pictures/wide.jpg", dir.path()));
  EXPECT_EQ(chosen, "PDF file");  // the last choice is kept
  EXPECT_EQ(dialogs.SaveNames.size(), 1);
  EXPECT_FALSE(cups.WaitForPdf(60000).isEmpty()) << cups.LogTail().toStdString();
  EXPECT_EQ(QFileInfo(file).lastModified(), written);  // the file was left alone
}

}  // namespace
}  // namespace velinor
