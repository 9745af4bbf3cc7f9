// The print layout dialog as a window: controls, keys, messages, printers.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QPageSetupDialog>
#include <QPointer>
#include <QPrinter>
#include <QPushButton>
#include <QScrollBar>
#include <QTest>
#include <QToolButton>
#include <QWidget>

#include "gui/app/MsgDlg.h"
#include "gui/print/ImprForm.h"
#include "gui/print/NumberBox.h"
#include "support/PdfCheck.h"
#include "gui/print/PrintCommand.h"
#include "gui/print/PrinterDiscovery.h"
#include "support/ScriptedDialogs.h"

namespace velinor {
namespace {

using test::SetPage;
using F = TPrintField;

class FakeDiscovery : public TPrinterDiscovery {
 public:
  explicit FakeDiscovery(QStringList names) : names_(std::move(names)) {}
  QStringList PrinterNames() const override { return names_; }

 private:
  QStringList names_;
};

// The worked example's page: 6800 x 4800 printer pixels at 600 dpi once landscape.
void WorkedPage(QPrinter& printer) { SetPage(printer, 576, 816, 600); }

struct Dialog : ::testing::Test {
  QWidget owner;
  QPrinter printer{QPrinter::HighResolution};
  TBitmap image{1600, 1200};
  test::TScriptedDialogs dialogs;
  std::unique_ptr<TImprForm> form;

  void SetUp() override {
    printer.setOutputFormat(QPrinter::PdfFormat);
    WorkedPage(printer);
    form = std::make_unique<TImprForm>(&owner, printer, false);
    image.FillBytes(0x80);
    form->Prepare(image, "photo.jpg");
  }
  // The field checks' warnings, as the message dialog was asked to show them.
  QStringList Warnings() const {
    QStringList texts;
    for (const test::TShownMessage& m : dialogs.Messages) {
      EXPECT_EQ(m.Kind, mkWarning);
      EXPECT_EQ(m.Buttons, mbOk);
      texts << m.Text;
    }
    return texts;
  }
  void ShowAndFocus() {
    form->show();
    form->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(form.get(), 2000));
  }
};

TEST_F(Dialog, WorkedExample) {
  EXPECT_EQ(form->windowTitle(), "Print");
  EXPECT_EQ(form->size(), QSize(490, 377));
  EXPECT_EQ(printer.pageLayout().orientation(), QPageLayout::Landscape);
  EXPECT_EQ(printer.width(), 6800);
  EXPECT_EQ(printer.height(), 4800);
  EXPECT_EQ(form->ScrollBarZoom->minimum(), 1);
  EXPECT_EQ(form->ScrollBarZoom->maximum(), 40);
  EXPECT_EQ(form->ScrollBarZoom->value(), 32);
  EXPECT_EQ(form->LabelZoom->text(), "Scale : 320%");
  EXPECT_EQ(form->SEL->text(), "21.67");
  EXPECT_EQ(form->SEH->text(), "16.26");
  EXPECT_EQ(form->SEX->text(), "3.56");
  EXPECT_EQ(form->SEY->text(), "2.03");
  EXPECT_EQ(form->SECopies->text(), "1");
  EXPECT_EQ(form->GBTaille->title(), " Image size (cm) ");
  EXPECT_EQ(form->GBMarges->title(), " Position (cm) ");
  EXPECT_TRUE(form->CBCentrer->isChecked());
  EXPECT_FALSE(form->GBMarges->isEnabled());
  EXPECT_TRUE(form->GBTaille->isEnabled());
  EXPECT_EQ(form->LblProp->text(), "1600 x 1200 pixels");
  EXPECT_EQ(form->LblProp->geometry(), QRect(17, 159 + 25, 223, 20));
  EXPECT_EQ(form->Layout().PreviewW(), 225);
  EXPECT_EQ(form->Layout().PreviewH(), 159);
}

TEST_F(Dialog, ResolutionBesideTheScale) {
  // 3.2 printer dots per pixel at 600 dpi.
  EXPECT_EQ(form->LabelZoom->text(), "Scale : 320%");
  EXPECT_EQ(form->LblResolution->text(), "187 dpi");
  EXPECT_EQ(form->LblStatus->text(), "");
  EXPECT_GE(form->LblResolution->geometry().left(), form->LabelZoom->geometry().right());
  EXPECT_EQ(form->LblResolution->geometry().top(), 61);
  // A small picture fitted on the page: 40 dots per pixel, 15 pixels per inch.
  TBitmap thumb(170, 120);
  form->Prepare(thumb, "thumb.jpg");
  form->CBAjuster->click();
  EXPECT_EQ(form->LabelZoom->text(), "Scale : 4000%");
  EXPECT_EQ(form->LblResolution->text(), "15 dpi");
  EXPECT_TRUE(form->LblResolution->isEnabled());  // still true while fitting
  EXPECT_EQ(form->LblStatus->text(), "Low resolution: below 150 dpi the print may look coarse.");
  form->CBAjuster->click();
  form->ScrollBarZoom->setValue(30);  // 300 %: 200 dpi
  EXPECT_EQ(form->LblResolution->text(), "200 dpi");
  EXPECT_EQ(form->LblStatus->text(), "");
}

TEST_F(Dialog, PreviewIsPainted) {
  image.FillBytes(0);  // black photo
  form->Prepare(image, "photo.jpg");
  const QImage shot = form->grab().toImage();
  EXPECT_EQ(shot.pixel(16, 100) & 0xFFFFFF, 0xCCCCCCu);
  EXPECT_EQ(shot.pixel(240, 100) & 0xFFFFFF, 0x555555u);
  EXPECT_EQ(shot.pixel(20, 20) & 0xFFFFFF, 0xFFFFFFu);
  EXPECT_EQ(shot.pixel(128, 95) & 0xFFFFFF, 0x000000u);
}

TEST_F(Dialog, SliderMovesTheScale) {
  form->ScrollBarZoom->setValue(20);
  EXPECT_EQ(form->LabelZoom->text(), "Scale : 200%");
  EXPECT_EQ(form->SEL->text(), "13.55");
  EXPECT_EQ(form->SEX->text(), "7.62");
}

TEST_F(Dialog, TypingAWidthAndPressingEnter) {
  ShowAndFocus();
  form->SEL->setFocus();
  form->SEL->selectAll();
  QTest::keyClicks(form->SEL, "10");
  EXPECT_EQ(form->SEH->text(), "7.50");
  QTest::keyClick(form->SEL, Qt::Key_Return);
  EXPECT_TRUE(form->isVisible());  // Enter applies, it does not close the dialog
  EXPECT_EQ(form->SEL->text(), "10.00");
  const double scale = 10.0 / form->Layout().PixelsToUnits(1600, true);
  EXPECT_DOUBLE_EQ(form->Layout().PrintScale(), scale);
  EXPECT_EQ(form->ScrollBarZoom->value(), 15);  // 147.6 % shown as the nearest 10 %
  EXPECT_EQ(form->LabelZoom->text(), "Scale : 150%");
  EXPECT_TRUE(Warnings().isEmpty());
}

TEST_F(Dialog, PlusAndMinusArriveAsA) {
  ShowAndFocus();
  form->SEL->setFocus();
  form->SEL->selectAll();
  QTest::keyClicks(form->SEL, "+5");  // a '+' the box would take at the start
  EXPECT_EQ(form->SEL->text(), "5");
  form->SECopies->setFocus();
  form->SECopies->selectAll();
  QTest::keyClicks(form->SECopies, "-2");
  EXPECT_EQ(form->SECopies->text(), "2");
}

TEST_F(Dialog, ArrowsStepAndEscapeCancels) {
  ShowAndFocus();
  auto* up = form->SEL->findChild<QToolButton*>("Up");
  ASSERT_NE(up, nullptr);
  QTest::mouseClick(up, Qt::LeftButton);
  EXPECT_EQ(form->SEL->text(), "22.67");
  EXPECT_EQ(form->SEH->text(), "17.00");  // 22.67 / (4 / 3)
  EXPECT_TRUE(form->Layout().SizeEdited());
  QTest::keyClick(form->SEL, Qt::Key_Down);
  EXPECT_EQ(form->SEL->text(), "21.67");
  QTest::keyClick(form->SEL, Qt::Key_Escape);
  EXPECT_FALSE(form->isVisible());
  EXPECT_EQ(form->result(), QDialog::Rejected);
}

TEST_F(Dialog, WidthOutOfRangeMessage) {
  ShowAndFocus();
  form->SEL->setFocus();
  form->SEL->selectAll();
  QTest::keyClicks(form->SEL, "30");
  QTest::mouseClick(form->BOkTaille, Qt::LeftButton);
  ASSERT_EQ(Warnings().size(), 1);
  EXPECT_EQ(Warnings()[0], "The width must lie between 1.00 and 28.78 !");
  EXPECT_TRUE(form->SEL->hasFocus());
  EXPECT_EQ(form->SEL->selectedText(), form->SEL->text());
  EXPECT_DOUBLE_EQ(form->Layout().PrintScale(), 3.2);  // nothing applied
}

TEST_F(Dialog, BadTopMarginFocusesTop) {
  ShowAndFocus();
  form->CBCentrer->click();
  EXPECT_TRUE(form->GBMarges->isEnabled());
  form->SEY->setFocus();
  form->SEY->selectAll();
  QTest::keyClicks(form->SEY, "9");
  QTest::keyClick(form->SEY, Qt::Key_Enter);
  ASSERT_EQ(Warnings().size(), 1);
  EXPECT_EQ(Warnings()[0], "The top margin must be lower or equal to 4.06 !");
  EXPECT_TRUE(form->SEY->hasFocus());
  EXPECT_EQ(form->SEY->selectedText(), "9.00");
}

TEST_F(Dialog, EmptyFieldBlocksPrint) {
  form->SECopies->setText("");
  form->Layout().TypeText(F::Copies, "");
  form->BImprimerClick();
  ASSERT_EQ(Warnings().size(), 1);
  EXPECT_EQ(Warnings()[0], "Complete all the fields before continuing !");
  EXPECT_EQ(form->result(), 0);
}

TEST_F(Dialog, FitToPageDisablesTheScaleControls) {
  form->CBCentrer->click();
  form->CBAjuster->click();
  EXPECT_TRUE(form->CBCentrer->isChecked());
  EXPECT_FALSE(form->CBCentrer->isEnabled());
  EXPECT_FALSE(form->ScrollBarZoom->isEnabled());
  EXPECT_FALSE(form->LabelZoom->isEnabled());
  EXPECT_FALSE(form->GBTaille->isEnabled());
  EXPECT_FALSE(form->SEL->isEnabled());
  EXPECT_FALSE(form->GBMarges->isEnabled());
  EXPECT_TRUE(form->CBContours->isEnabled());
  EXPECT_EQ(form->LabelZoom->text(), "Scale : 400%");
  // No checks while fitting: an empty box does not stop printing.
  form->Layout().TypeText(F::Copies, "");
  form->BImprimerClick();
  EXPECT_TRUE(Warnings().isEmpty());
  EXPECT_EQ(form->result(), QDialog::Accepted);
}

TEST_F(Dialog, PrintSetsTitleAndCopies) {
  form->SECopies->setFocus();
  form->Layout().TypeText(F::Copies, "3");
  form->BImprimerClick();
  EXPECT_EQ(form->result(), QDialog::Accepted);
  EXPECT_EQ(printer.copyCount(), 3);
  EXPECT_EQ(printer.docName(), "photo.jpg");
}

TEST_F(Dialog, ImageOrientation) {
  TBitmap square(1000, 1000), tall(1000, 1600);
  form->Prepare(tall, "t");
  EXPECT_EQ(printer.pageLayout().orientation(), QPageLayout::Portrait);
  EXPECT_EQ(printer.width(), 4800);
  form->Prepare(square, "s");
  EXPECT_EQ(printer.pageLayout().orientation(), QPageLayout::Landscape);
  EXPECT_EQ(printer.width(), 6800);
}

TEST_F(Dialog, SetupRecomputesTheLayout) {
  form->ScrollBarZoom->setValue(10);
  // The page set-up of the dialog's printer; the user picks half the page.
  dialogs.OnModal = [](QDialog& dialog) {
    auto& setup = dynamic_cast<QPageSetupDialog&>(dialog);
    SetPage(*setup.printer(), 288, 408, 600);
    return int(QDialog::Accepted);
  };
  form->BConfigurerClick();
  EXPECT_EQ(dialogs.ModalForms.size(), 1);
  EXPECT_EQ(printer.width(), 3400);
  EXPECT_EQ(form->ScrollBarZoom->maximum(), 20);
  EXPECT_EQ(form->LabelZoom->text(), "Scale : 160%");
  EXPECT_EQ(form->SEL->text(), "10.84");  // 2560 px at 600 dpi
}

// The destinations: the installed printers, then the PDF file, which is the only
// one without a printer and the one a PDF printer stands for.
TEST_F(Dialog, DestinationsArePrintersThenPdf) {
  auto entries = [this] {
    QStringList items;
    for (int i = 0; i < form->CBPrinter->count(); ++i) items << form->CBPrinter->itemText(i);
    return items;
  };
  FakeDiscovery two({"Office", "Lab"});
  SetPrinterDiscovery(&two);
  form->Prepare(image, "photo.jpg");
  EXPECT_EQ(entries(), (QStringList{"Office", "Lab", "PDF file"}));
  EXPECT_EQ(form->CBPrinter->currentText(), "PDF file");
  EXPECT_TRUE(form->PdfChosen());
  EXPECT_EQ(form->LPrinter->text(), "Printer :");
  FakeDiscovery none({});
  SetPrinterDiscovery(&none);
  form->Prepare(image, "photo.jpg");
  EXPECT_EQ(entries(), QStringList{"PDF file"});
  EXPECT_TRUE(form->PdfChosen());
  SetPrinterDiscovery(nullptr);
  // Choosing the PDF file keeps the page the user set up and lays it out again.
  printer.setPageOrientation(QPageLayout::Portrait);
  form->ChooseDestination(form->CBPrinter->count() - 1);
  EXPECT_TRUE(form->PdfChosen());
  EXPECT_EQ(printer.pageLayout().orientation(), QPageLayout::Portrait);
  EXPECT_EQ(form->Layout().PageW(), 4800);
  EXPECT_EQ(printer.colorMode(), QPrinter::Color);
}

TEST(PrintCommand, UnitChangeRecreatesTheDialog) {
  QWidget owner;
  test::TScriptedDialogs dialogs;
  TPrintCommand command(&owner);
  command.Printer().setOutputFormat(QPrinter::PdfFormat);
  WorkedPage(command.Printer());
  int shown = 0;
  dialogs.OnModal = [&](QDialog& dialog) {
    EXPECT_EQ(&dialog, command.Dialog());
    ++shown;
    return int(QDialog::Rejected);
  };
  TBitmap image(1600, 1200);
  EXPECT_FALSE(command.Run(image, false, "/tmp/a.bmp"));
  QPointer<TImprForm> first = command.Dialog();
  ASSERT_TRUE(first);
  EXPECT_EQ(first->GBTaille->title(), " Image size (cm) ");
  // Kept between uses, with its settings.
  first->Layout().SetTraits(true);
  EXPECT_FALSE(command.Run(image, false, "/tmp/a.bmp"));
  EXPECT_EQ(command.Dialog(), first.data());
  EXPECT_TRUE(first->Layout().Traits());
  // A new unit: a new dialog.
  command.UnitChanged();
  EXPECT_TRUE(first.isNull());
  EXPECT_FALSE(command.Run(image, true, "/tmp/a.bmp"));
  ASSERT_NE(command.Dialog(), nullptr);
  EXPECT_EQ(command.Dialog()->GBTaille->title(), " Image size (inch) ");
  EXPECT_EQ(command.Dialog()->SEL->text(), "8.53");
  EXPECT_FALSE(command.Dialog()->Layout().Traits());
  EXPECT_EQ(shown, 3);
  EXPECT_EQ(dialogs.ModalForms, (QStringList{"ImprForm", "ImprForm", "ImprForm"}));
  EXPECT_TRUE(dialogs.SaveNames.isEmpty());  // nothing printed, no file asked for
}

}  // namespace
}  // namespace velinor
