#pragma once
// The main window's print command: the layout dialog and the cancel window are
// created on first use and kept for the run (the dialog is discarded when the
// print unit changes); when the dialog closes with OK one page is printed while
// the cancel window is shown. With the PDF file as destination the command asks
// for the file's name and writes the page (once per copy) to it safely: into a
// temporary beside it, renamed over it once complete. The layout dialog, the
// file's name and the warnings block through the dialog seam.
#include <QObject>
#include <QPointer>
#include <QString>
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
  // without the folder) and the PDF file's suggested name, offered in pdfFolder.
  // Returns true when a page was sent to the printer.
  bool Run(const TBitmap& image, bool unitIsInch, const QString& documentFileName,
           const QString& pdfFolder = QString());

  // The print unit changed: the next Run creates the dialog again.
  void UnitChanged();

  // The kept forms (null before the first Run).
  TImprForm* Dialog() const;
  TAnnulerForm* CancelWindow() const;
  QPrinter& Printer() { return *printer_; }

 private:
  void CreateFormsOnce(bool unitIsInch);
  // The name of the PDF file to write; empty when the user cancelled.
  QString AskPdfFileName(const QString& documentFileName, const QString& folder) const;
  bool PrintJob(const TBitmap& image, const QString& pdfFile);
  // Produces the page and ends the job; false when the user cancelled.
  bool SpoolPage(const TBitmap& image, int sheets);

  QWidget* owner_;
  std::unique_ptr<QPrinter> printer_;
  QPointer<TImprForm> dialog_;
  QPointer<TAnnulerForm> cancel_;
};

}  // namespace velinor
