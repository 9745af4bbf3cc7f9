#pragma once
// TImprForm: the print layout dialog. It shows a TPrintLayout (which holds the
// geometry, the boxes' texts and every handler) and forwards the user's actions
// to it; the preview page is painted from the layout's own drawing.
#include <QDialog>
#include <QImage>

#include "core/base/Bitmap.h"
#include "core/print/PrintLayout.h"

class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QPrinter;
class QPushButton;
class QScrollBar;

namespace velinor {

class TPrintNumberBox;

class TImprForm : public QDialog {
  Q_OBJECT
 public:
  // printer: the print job's printer (not owned); unitIsInch is fixed for the
  // dialog's life (a new unit needs a new dialog).
  TImprForm(QWidget* parent, QPrinter& printer, bool unitIsInch);
  ~TImprForm() override;

  // FormShow: lays out image (not owned, kept until FormHide) on the printer's
  // page, orientation set from the image, and lists the destinations (the
  // installed printers and a PDF file) with the printer's own selected. title is
  // the job title used when the dialog closes with OK.
  void Prepare(const TBitmap& image, const QString& title);
  // FormHide: forgets the image.
  void Release();

  TPrintLayout& Layout() { return layout_; }
  const TPrintLayout& Layout() const { return layout_; }
  QPrinter& Printer() { return printer_; }

  // The destination entry that writes a PDF file instead of printing.
  static QString PdfDestination() { return "PDF file"; }
  // The PDF file is the chosen destination (the printer writes PDF).
  bool PdfChosen() const;
  // The user picked entry index of CBPrinter: the printer follows, keeping its
  // page where the new destination can, and the page is laid out again.
  void ChooseDestination(int index);

  // The handlers, reachable by tests as by the controls. "Setup..." runs the
  // printer's page set-up (paper, orientation, margins) through the dialog seam;
  // its result is not examined: the page is read again from the printer. The
  // field checks' warnings go to the message dialog.
  void BConfigurerClick();
  void BImprimerClick();
  void BOkTailleClick();
  void BOkMargesClick();

  // Controls, named as in the form.
  QCheckBox* CBCentrer;
  QCheckBox* CBAjuster;
  QLabel* LabelZoom;
  QLabel* LblResolution;  // the scale as image pixels per inch on paper
  QScrollBar* ScrollBarZoom;
  QGroupBox* GBTaille;
  QLabel* Label1;
  TPrintNumberBox* SEL;
  QLabel* Label2;
  TPrintNumberBox* SEH;
  QPushButton* BOkTaille;
  QGroupBox* GBMarges;
  QLabel* Label3;
  TPrintNumberBox* SEX;
  QLabel* Label4;
  TPrintNumberBox* SEY;
  QPushButton* BOkMarges;
  QCheckBox* CBContours;
  QCheckBox* CBTraits;
  QLabel* LCopies;
  TPrintNumberBox* SECopies;
  QLabel* LPrinter;
  QComboBox* CBPrinter;  // installed printers, then PdfDestination()
  QLabel* LblStatus;     // the dialog's status line (a low resolution warning)
  QLabel* LblProp;
  QPushButton* BConfigurer;
  QPushButton* BImprimer;
  QPushButton* BAnnuler;

  TPrintNumberBox* Box(TPrintField f) const;

 protected:
  void paintEvent(QPaintEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;
  void hideEvent(QHideEvent* event) override;

 private:
  void CreateControls();
  void Connect();
  void ReadPage();  // ReadPageMetrics' inputs from the printer
  void ListDestinations();
  int DestinationIndex() const;  // the entry the printer stands for, or -1
  void ShowDestination();        // selects that entry
  void ApplyDestination(int index);
  void Refresh();   // shows the layout's state in the controls
  void Report(const TLayoutCheck& check);
  bool IsFloatBox(QObject* o, TPrintField& field) const;

  QPrinter& printer_;
  TPrintLayout layout_;
  const TBitmap* image_ = nullptr;
  QString title_;
  bool refreshing_ = false;
  // The preview is averaged from the whole image: it is redrawn only when what it
  // shows changed.
  struct TPreviewKey {
    const TBitmap* image = nullptr;
    TRect imageRect, page;
    TColor face = clNone;
    friend bool operator==(const TPreviewKey&, const TPreviewKey&) = default;
  };
  TPreviewKey previewKey_;
  TBitmap previewCanvas_;
};

}  // namespace velinor
