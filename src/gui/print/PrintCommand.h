#pragma once
// The main window's print command: the layout dialog and the cancel window are
// created on first use and kept for the run (the dialog is discarded when the
// print unit changes); when the dialog closes with OK one page is printed while
// the cancel window is shown. With the PDF file as destination the command asks
// for the file's name and writes the page (once per copy) to it safely: into a
// temporary beside it, renamed over it once complete.
//
// Entry points for the main window:
//   RunPrintDialog(mainWindow, CurrentImage, unitIsInch, documentFileName)
//   PrintUnitChanged(mainWindow)            -- from MenuUnitCmClick
#include <QObject>
#include <QPointer>
#include <QString>
#include <functional>
#include <memory>

#include "core/base/Bitmap.h"

class QPrinter;
class QWidget;

namespace velinor {

class TImprForm;
class TAnnulerForm;

class TPrintCommand : public QObject {
  Q_OBJECT
 public:
  // owner: the main window (parent of both forms).
  explicit TPrintCommand(QWidget* owner);
  ~TPrintCommand() override;

  // MenuFichierImprimerClick: shows the layout dialog for image and prints one
  // page when it closes with OK. documentFileName gives the job title (its name
  // without the folder). Returns true when a page was sent to the printer.
  bool Run(const TBitmap& image, bool unitIsInch, const QString& documentFileName);

  // The print unit changed: the next Run creates the dialog again.
  void UnitChanged();

  // The kept forms (null before the first Run).
  TImprForm* Dialog() const;
  TAnnulerForm* CancelWindow() const;
  QPrinter& Printer() { return *printer_; }

  // Field warnings and printing failures (the main window passes its message
  // dialog; by default a warning box).
  std::function<void(const QString&)> Warn;
  // Runs the dialog modally and returns its result (tests drive it instead).
  std::function<int(TImprForm&)> ExecDialog;
  // Called for each dialog the command creates (the main window may set hooks).
  std::function<void(TImprForm&)> DialogCreated;
  // The name of the PDF file to write, suggested is the document's name with
  // ".pdf"; empty when the user cancelled (by default a save file dialog).
  std::function<QString(const QString& suggested)> AskPdfFileName;

 private:
  void CreateFormsOnce(bool unitIsInch);
  bool PrintJob(const TBitmap& image, const QString& pdfFile);
  // Produces the page and ends the job; false when the user cancelled.
  bool SpoolPage(const TBitmap& image, int sheets);

  QWidget* owner_;
  std::unique_ptr<QPrinter> printer_;
  QPointer<TImprForm> dialog_;
  QPointer<TAnnulerForm> cancel_;
  QString documentFileName_;
};

// The command kept by mainWindow (created on first use as its child).
TPrintCommand& PrintCommandOf(QWidget* mainWindow);
bool RunPrintDialog(QWidget* mainWindow, const TBitmap& image, bool unitIsInch,
                    const QString& documentFileName);
void PrintUnitChanged(QWidget* mainWindow);

}  // namespace velinor
