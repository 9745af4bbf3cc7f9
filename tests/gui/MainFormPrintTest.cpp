// Printing from the main window: the command follows the printers found at
// start-up, the shortcut reaches the layout dialog, one page is written, and the
// unit menu gives a new dialog in the other unit.
#include <QFile>
#include <QPointer>
#include <QPrinter>
#include <QTest>
#include <QToolButton>
#include <gtest/gtest.h>

#include "GuiTestSupport.h"
#include "ImprForm.h"
#include "PrintCommand.h"
#include "PrinterDiscovery.h"
#include "app/MsgDlg.h"

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

TEST(MainFormPrint, WithoutPrinterPrintStaysDisabled) {
  TFakePrinters none({});
  QTemporaryDir dir;
  test::TScriptedDialogs dialogs;
  auto form = test::MakeForm(dir);
  form->OpenImage(test::WriteBmp(dir, "p.bmp", 40, 30), true);
  form->MenuFichierClick();
  EXPECT_FALSE(form->MenuFichierImprimer->isEnabled());
  EXPECT_FALSE(form->BtnImprimer->isEnabled());
}

TEST(MainFormPrint, ShortcutPrintsAPageAndTheUnitChangeMakesANewDialog) {
  TFakePrinters one({"pdf"});
  QTemporaryDir dir;
  test::TScriptedDialogs dialogs;
  auto form = test::MakeForm(dir);
  form->show();
  QApplication::setActiveWindow(form.get());
  ASSERT_TRUE(QTest::qWaitForWindowActive(form.get()));
  const QString photo = test::WriteBmp(dir, "holiday.bmp", 300, 200);
  form->OpenImage(photo, true);
  EXPECT_TRUE(form->BtnImprimer->isEnabled());

  TPrintCommand& command = PrintCommandOf(form.get());
  const QString pdf = dir.filePath("page.pdf");
  command.Printer().setOutputFormat(QPrinter::PdfFormat);
  command.Printer().setOutputFileName(pdf);
  QStringList units;
  command.ExecDialog = [&](TImprForm& d) {
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
  TFakePrinters one({"pdf"});
  QTemporaryDir dir;
  test::TScriptedDialogs dialogs;
  auto form = test::MakeForm(dir);
  form->OpenImage(test::WriteBmp(dir, "p.bmp", 300, 200), true);
  TPrintCommand& command = PrintCommandOf(form.get());
  command.Printer().setOutputFormat(QPrinter::PdfFormat);
  command.Printer().setOutputFileName(dir.filePath("never.pdf"));
  command.ExecDialog = [&](TImprForm& d) {
    d.Layout().TypeText(TPrintField::Width, "999");
    d.BImprimerClick();  // refused: the width does not fit the page
    return QDialog::Rejected;
  };
  form->MenuFichierImprimerClick();
  ASSERT_EQ(dialogs.Messages.size(), 1u);
  EXPECT_TRUE(dialogs.Messages[0].Text.startsWith("The width must lie between 1.00 and "));
  EXPECT_EQ(dialogs.Messages[0].Kind, mkWarning);
  EXPECT_FALSE(QFile::exists(dir.filePath("never.pdf")));
}

}  // namespace
}  // namespace velinor
