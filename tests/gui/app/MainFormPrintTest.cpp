// Printing from the main window: with or without printers a page can be printed
// (to a PDF file at least), the shortcut reaches the layout dialog, one page is
// written, the page set-up changes the layout, and the unit menu gives a new
// dialog in the other unit.
#include <QComboBox>
#include <QDir>
#include <QDialogButtonBox>
#include <QDoubleSpinBox>
#include <QFile>
#include <QPageSetupDialog>
#include <QPointer>
#include <QPrinter>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <gtest/gtest.h>

#include "support/GuiTestSupport.h"
#include "gui/print/ImprForm.h"
#include "gui/print/PrintCommand.h"
#include "gui/print/PrinterDiscovery.h"
#include "gui/app/MsgDlg.h"
#include "support/PdfCheck.h"

namespace velinor {
namespace {

class TFakePrinters : public TPrinterDiscovery {
 public:
  explicit TFakePrinters(QStringList names) : names_(std::move(names)) { SetPrinterDiscovery(this); }
  ~TFakePrinters() override { SetPrinterDiscovery(nullptr); }
  QStringList PrinterNames() const override { return names_; }

 private:
  QStringList names_;
};

// One printer, and a picture open in the window.
struct TPrintingForm {
  TPrintingForm() { form->OpenImage(test::WriteBmp(dir, "p.bmp", 300, 200), true); }
  TFakePrinters printers{QStringList{"pdf"}};
  QTemporaryDir dir;
  test::TScriptedDialogs dialogs;
  std::unique_ptr<TMainForm> form = test::MakeForm(dir);
};

// No printer installed: Print follows the document alone and the page goes to a
// PDF file whose name is asked through the save dialog, with the same layout
// dialog, crop marks and copies.
TEST(MainFormPrint, WithoutPrinterThePageGoesToAPdfFile) {
  TFakePrinters none({});
  QTemporaryDir dir;
  test::TScriptedDialogs dialogs;
  auto form = test::MakeForm(dir);
  form->MenuFichierClick();
  EXPECT_FALSE(form->MenuFichierImprimer->isEnabled());  // no document
  EXPECT_FALSE(form->BtnImprimer->isEnabled());
  form->OpenImage(test::WriteBmp(dir, "p.bmp", 300, 200), true);
  form->MenuFichierClick();
  EXPECT_TRUE(form->MenuFichierImprimer->isEnabled());
  EXPECT_TRUE(form->BtnImprimer->isEnabled());

  QStringList destinations;
  dialogs.OnModal = [&](QDialog& dialog) {
    auto& d = dynamic_cast<TImprForm&>(dialog);
    for (int i = 0; i < d.CBPrinter->count(); ++i) destinations << d.CBPrinter->itemText(i);
    d.Layout().SetTraits(true);
    d.Layout().TypeText(TPrintField::Copies, "2");
    d.BImprimerClick();
    return d.result();
  };
  const QString pdf = dir.filePath("out/p.pdf");
  QDir(dir.path()).mkdir("out");
  dialogs.SaveAnswers = {pdf};
  form->MenuFichierImprimerClick();
  EXPECT_EQ(destinations, QStringList{"PDF file"});
  EXPECT_EQ(dialogs.SaveNames, QStringList{dir.filePath("p.pdf")});  // beside the document
  EXPECT_TRUE(dialogs.Messages.empty());
  ASSERT_TRUE(QFile::exists(pdf));
  if (!test::FindTool("pdfinfo").isEmpty()) { EXPECT_EQ(test::PageCount(pdf), 2); }

  // Cancelling the name prints nothing.
  QFile::remove(pdf);
  form->MenuFichierImprimerClick();
  EXPECT_EQ(dialogs.SaveNames.size(), 2);
  EXPECT_FALSE(QFile::exists(pdf));
}

TEST(MainFormPrint, ShortcutPrintsAPageAndTheUnitChangeMakesANewDialog) {
  TFakePrinters one({"pdf"});
  QTemporaryDir dir;
  test::TScriptedDialogs dialogs;
  auto form = test::MakeForm(dir);
  ASSERT_TRUE(test::ShowActive(*form));
  const QString photo = test::WriteBmp(dir, "holiday.bmp", 300, 200);
  form->OpenImage(photo, true);
  EXPECT_TRUE(form->BtnImprimer->isEnabled());

  TPrintCommand& command = form->PrintCommand();
  EXPECT_EQ(&form->PrintCommand(), &command);  // one command, kept by the window
  const QString pdf = dir.filePath("page.pdf");
  command.Printer().setOutputFormat(QPrinter::PdfFormat);
  dialogs.SaveAnswers = {pdf};
  QStringList units;
  dialogs.OnModal = [&](QDialog& dialog) {
    auto& d = dynamic_cast<TImprForm&>(dialog);
    units << (d.Layout().UnitIsInch() ? "inch" : "cm");
    d.BImprimerClick();
    return d.result();
  };
  QTest::keyClick(form.get(), Qt::Key_P, Qt::ControlModifier);
  EXPECT_TRUE(dialogs.Messages.empty());
  EXPECT_EQ(command.Printer().docName(), "holiday.bmp");
  QFile out(pdf);
  ASSERT_TRUE(out.open(QIODevice::ReadOnly));
  EXPECT_TRUE(out.read(5).startsWith("%PDF"));

  const QPointer<TImprForm> first = command.Dialog();
  form->MenuUnitPouces->trigger();
  EXPECT_TRUE(form->MenuUnitPouces->isChecked());
  form->MenuFichierImprimerClick();
  QApplication::processEvents();
  EXPECT_TRUE(first.isNull());  // the old dialog is gone
  EXPECT_EQ(units, (QStringList{"cm", "inch"}));
}

TEST(MainFormPrint, LayoutWarningsGoThroughTheMessageDialog) {
  TPrintingForm t;
  auto& [printers, dir, dialogs, form] = t;
  TPrintCommand& command = form->PrintCommand();
  command.Printer().setOutputFormat(QPrinter::PdfFormat);
  command.Printer().setOutputFileName(dir.filePath("never.pdf"));
  dialogs.OnModal = [&](QDialog& dialog) {
    auto& d = dynamic_cast<TImprForm&>(dialog);
    d.Layout().TypeText(TPrintField::Width, "999");
    d.BImprimerClick();  // refused: the width does not fit the page
    return QDialog::Rejected;
  };
  form->MenuFichierImprimerClick();
  EXPECT_EQ(dialogs.ModalForms, QStringList{"ImprForm"});  // through the seam
  ASSERT_EQ(dialogs.Messages.size(), 1u);
  EXPECT_TRUE(dialogs.Messages[0].Text.startsWith("The width must lie between 1.00 and "));
  EXPECT_EQ(dialogs.Messages[0].Kind, mkWarning);
  EXPECT_FALSE(QFile::exists(dir.filePath("never.pdf")));
}

// "Setup..." is the page set-up (paper, orientation, margins), a modal form of the
// seam; what the user chose there is the page the layout dialog lays out.
TEST(MainFormPrint, SetupIsThePageSetupAndChangesTheLayout) {
  TPrintingForm t;
  TPrintCommand& command = t.form->PrintCommand();
  command.Printer().setOutputFormat(QPrinter::PdfFormat);
  QStringList shown;
  int previewW = 0, previewH = 0, pageW = 0;
  double pageWUnits = 0;
  t.dialogs.OnModal = [&](QDialog& dialog) {
    shown << dialog.metaObject()->className();
    if (auto* layout = dynamic_cast<TImprForm*>(&dialog)) {
      EXPECT_EQ(layout->Layout().PreviewW(), 225);  // a wide picture: landscape
      layout->BConfigurerClick();
      previewW = layout->Layout().PreviewW();
      previewH = layout->Layout().PreviewH();
      pageW = layout->Layout().PageW();
      pageWUnits = layout->Layout().PageWUnits();
      return int(QDialog::Rejected);
    }
    // The user picks A5, portrait and 20 mm margins and presses OK.
    QTimer::singleShot(0, &dialog, [&dialog] {
      auto* units = dialog.findChild<QComboBox*>("unitCombo");
      auto* paper = dialog.findChild<QComboBox*>("pageSizeCombo");
      auto* portrait = dialog.findChild<QRadioButton*>("portrait");
      auto* buttons = dialog.findChild<QDialogButtonBox*>();
      ASSERT_TRUE(units && paper && portrait && buttons);
      units->setCurrentIndex(units->findText("Millimeters (mm)"));
      emit units->activated(units->currentIndex());
      paper->setCurrentIndex(paper->findText("A5"));
      portrait->click();
      for (const char* side : {"leftMargin", "rightMargin", "topMargin", "bottomMargin"}) {
        auto* margin = dialog.findChild<QDoubleSpinBox*>(side);
        ASSERT_TRUE(margin);
        margin->setValue(20);
      }
      buttons->button(QDialogButtonBox::Ok)->click();
    });
    return dialog.exec();
  };
  t.form->MenuFichierImprimerClick();
  EXPECT_EQ(shown, (QStringList{"velinor::TImprForm", "QPageSetupDialog"}));
  EXPECT_TRUE(t.dialogs.Messages.empty());
  const QPageLayout page = command.Printer().pageLayout();
  EXPECT_EQ(page.pageSize().id(), QPageSize::A5);
  EXPECT_EQ(page.orientation(), QPageLayout::Portrait);
  EXPECT_NEAR(page.margins(QPageLayout::Millimeter).left(), 20, 0.01);
  // The printable area of A5 portrait: 108 x 170 mm.
  EXPECT_EQ(pageW, command.Printer().width());
  EXPECT_NEAR(pageWUnits, 10.8, 0.01);
  EXPECT_EQ(previewH, 225);
  EXPECT_EQ(previewW, 143);  // Round(225 x 108 / 170)
}

}  // namespace
}  // namespace velinor
