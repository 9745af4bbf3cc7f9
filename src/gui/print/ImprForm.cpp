#include "gui/print/ImprForm.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QPageSetupDialog>
#include <QPainter>
#include <QPrinter>
#include <QPushButton>
#include <QScrollBar>

#include "gui/app/DialogSeam.h"
#include "gui/app/MsgDlg.h"
#include "gui/print/NumberBox.h"
#include "gui/print/PrinterDiscovery.h"
#include "gui/controls/FormControls.h"
#include "gui/view/QtBitmap.h"

namespace velinor {

namespace {

constexpr int MaxFieldChars = 5;

QString Q(const std::string& s) { return QString::fromStdString(s); }

QCheckBox* MakeCheck(QWidget* parent, const char* name, const QString& text, QRect r) {
  auto* c = new QCheckBox(text, parent);
  c->setObjectName(name);
  c->setGeometry(r);
  return c;
}

QPushButton* MakeButton(QWidget* parent, const char* name, const QString& text, QRect r) {
  auto* b = new QPushButton(text, parent);
  b->setObjectName(name);
  b->setGeometry(r);
  b->setAutoDefault(false);
  return b;
}

TPrintNumberBox* MakeBox(QWidget* parent, const char* name, bool decimals, QRect r) {
  auto* e = new TPrintNumberBox(parent, decimals, MaxFieldChars);
  e->setObjectName(name);
  e->setGeometry(r);
  return e;
}

}  // namespace

TImprForm::TImprForm(QWidget* parent, QPrinter& printer, bool unitIsInch)
    : QDialog(parent), printer_(printer), layout_(unitIsInch) {
  // FormCreate
  setObjectName("ImprForm");
  setWindowTitle("Print");
  setFixedSize(490, 377);
  CreateControls();
  Connect();
  Refresh();
}

TImprForm::~TImprForm() {
  // Hiding during destruction moves the focus out of a box; its signals must not
  // reach this half-destroyed form.
  for (QWidget* w : findChildren<QWidget*>()) {
    w->disconnect(this);
    w->removeEventFilter(this);
  }
}

void TImprForm::CreateControls() {
  CBCentrer = MakeCheck(this, "CBCentrer", "Page center", QRect(262, 16, 193, 17));
  CBAjuster = MakeCheck(this, "CBAjuster", "Fit to page", QRect(262, 32, 193, 17));
  LabelZoom = MakeLabel(this, "LabelZoom", "Scale", 262, 61);
  LabelZoom->setFixedWidth(130);
  LblResolution = new QLabel(this);
  LblResolution->setObjectName("LblResolution");
  LblResolution->setGeometry(392, 61, 80, LabelZoom->sizeHint().height());
  LblResolution->setAlignment(Qt::AlignRight | Qt::AlignTop);
  ScrollBarZoom = new QScrollBar(Qt::Horizontal, this);
  ScrollBarZoom->setObjectName("ScrollBarZoom");
  ScrollBarZoom->setGeometry(263, 78, 209, 15);
  ScrollBarZoom->setRange(1, 1);
  ScrollBarZoom->setPageStep(4);
  ScrollBarZoom->setSingleStep(1);

  GBTaille = new QGroupBox(Q(layout_.SizeCaption()), this);
  GBTaille->setObjectName("GBTaille");
  GBTaille->setGeometry(262, 112, 211, 68);
  Label1 = MakeLabel(GBTaille, "Label1", "Width :", 10, 20);
  SEL = MakeBox(GBTaille, "SEL", true, QRect(10, 35, 65, 21));
  Label2 = MakeLabel(GBTaille, "Label2", "Height :", 80, 20);
  SEH = MakeBox(GBTaille, "SEH", true, QRect(80, 35, 65, 21));
  BOkTaille = MakeButton(GBTaille, "BOkTaille", "Ok", QRect(152, 34, 47, 22));

  GBMarges = new QGroupBox(Q(layout_.PositionCaption()), this);
  GBMarges->setObjectName("GBMarges");
  GBMarges->setGeometry(262, 194, 211, 68);
  Label3 = MakeLabel(GBMarges, "Label3", "Left :", 10, 20);
  SEX = MakeBox(GBMarges, "SEX", true, QRect(10, 35, 65, 21));
  Label4 = MakeLabel(GBMarges, "Label4", "Top :", 80, 20);
  SEY = MakeBox(GBMarges, "SEY", true, QRect(80, 35, 65, 21));
  BOkMarges = MakeButton(GBMarges, "BOkMarges", "Ok", QRect(152, 34, 47, 22));

  CBContours = MakeCheck(this, "CBContours", "Print only bounding box", QRect(262, 282, 219, 17));
  CBTraits = MakeCheck(this, "CBTraits", "Print crop marks", QRect(262, 298, 209, 17));
  LCopies = MakeLabel(this, "LCopies", "Copies :", 16, 276);
  SECopies = MakeBox(this, "SECopies", false, QRect(16, 292, 65, 21));
  LPrinter = MakeLabel(this, "LPrinter", "Printer :", 96, 276);
  CBPrinter = new QComboBox(this);
  CBPrinter->setObjectName("CBPrinter");
  CBPrinter->setGeometry(96, 292, 150, 21);
  LblStatus = new QLabel(this);
  LblStatus->setObjectName("LblStatus");
  LblStatus->setGeometry(16, 316, 458, 17);
  LblProp = new QLabel(this);
  LblProp->setObjectName("LblProp");
  LblProp->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
  BConfigurer = MakeButton(this, "BConfigurer", "Setup...", QRect(16, 336, 89, 25));
  BImprimer = MakeButton(this, "BImprimer", "Print", QRect(262, 336, 89, 25));
  BAnnuler = MakeButton(this, "BAnnuler", "Cancel", QRect(385, 336, 89, 25));

  // The form sees every key first ("+" and "-" become "A", Enter in a box applies it).
  for (QWidget* w : findChildren<QWidget*>()) w->installEventFilter(this);
}

TPrintNumberBox* TImprForm::Box(TPrintField f) const {
  switch (f) {
    case TPrintField::Width: return SEL;
    case TPrintField::Height: return SEH;
    case TPrintField::Left: return SEX;
    case TPrintField::Top: return SEY;
    case TPrintField::Copies: return SECopies;
  }
  return SEL;
}

bool TImprForm::IsFloatBox(QObject* o, TPrintField& field) const {
  for (TPrintField f : {TPrintField::Width, TPrintField::Height, TPrintField::Left, TPrintField::Top}) {
    if (o == Box(f)) {
      field = f;
      return true;
    }
  }
  return false;
}

void TImprForm::Connect() {
  connect(CBCentrer, &QCheckBox::clicked, this, [this](bool checked) {
    layout_.SetCentrer(checked);
    Refresh();
  });
  connect(CBAjuster, &QCheckBox::clicked, this, [this](bool checked) {
    layout_.SetAjuster(checked);
    Refresh();
  });
  connect(CBContours, &QCheckBox::clicked, this, [this](bool checked) { layout_.SetContours(checked); });
  connect(CBTraits, &QCheckBox::clicked, this, [this](bool checked) { layout_.SetTraits(checked); });
  connect(ScrollBarZoom, &QScrollBar::valueChanged, this, [this](int position) {
    if (refreshing_) return;
    layout_.ScrollBarZoomScroll(position);
    Refresh();
  });
  for (TPrintField f : {TPrintField::Width, TPrintField::Height, TPrintField::Left, TPrintField::Top,
                        TPrintField::Copies}) {
    TPrintNumberBox* box = Box(f);
    connect(box, &QLineEdit::textEdited, this, [this, f](const QString& text) {
      layout_.TypeText(f, text.toStdString());
      Refresh();
    });
    connect(box, &TPrintNumberBox::Stepped, this, [this, f](int direction) {
      layout_.StepField(f, direction);
      Refresh();
    });
    connect(box, &TPrintNumberBox::Left, this, [this, f] {
      layout_.LeaveField(f);
      Refresh();
    });
  }
  connect(CBPrinter, &QComboBox::activated, this, &TImprForm::ChooseDestination);
  connect(BOkTaille, &QPushButton::clicked, this, &TImprForm::BOkTailleClick);
  connect(BOkMarges, &QPushButton::clicked, this, &TImprForm::BOkMargesClick);
  connect(BConfigurer, &QPushButton::clicked, this, &TImprForm::BConfigurerClick);
  connect(BImprimer, &QPushButton::clicked, this, &TImprForm::BImprimerClick);
  connect(BAnnuler, &QPushButton::clicked, this, &QDialog::reject);
}

void TImprForm::Prepare(const TBitmap& image, const QString& title) {
  image_ = &image;
  previewKey_ = {};  // the pixels may have changed under the same bitmap
  title_ = title;
  ListDestinations();
  printer_.setPageOrientation(TPrintLayout::PrintsLandscape(image.Width(), image.Height())
                                  ? QPageLayout::Landscape
                                  : QPageLayout::Portrait);
  layout_.Show(&image, printer_.width(), printer_.height(), printer_.logicalDpiX());
  Refresh();
  BImprimer->setFocus();
}

void TImprForm::ListDestinations() {
  CBPrinter->clear();
  CBPrinter->addItems(PrinterDiscovery().PrinterNames());
  CBPrinter->addItem(PdfDestination());
  // A printer the list does not hold (gone since the last use) gives way to the
  // first one listed, or to the PDF file.
  if (DestinationIndex() < 0) ApplyDestination(0);
  ShowDestination();
}

int TImprForm::DestinationIndex() const {
  const int pdf = CBPrinter->count() - 1;
  if (printer_.outputFormat() == QPrinter::PdfFormat) return pdf;
  const int named = CBPrinter->findText(printer_.printerName(), Qt::MatchExactly);
  return named >= 0 && named < pdf ? named : -1;
}

void TImprForm::ShowDestination() {
  // A printer that could not be reached leaves the PDF file.
  if (DestinationIndex() < 0) printer_.setOutputFormat(QPrinter::PdfFormat);
  CBPrinter->setCurrentIndex(DestinationIndex());
}

bool TImprForm::PdfChosen() const { return printer_.outputFormat() == QPrinter::PdfFormat; }

void TImprForm::ApplyDestination(int index) {
  const QPageLayout page = printer_.pageLayout();
  if (index == CBPrinter->count() - 1) {
    printer_.setOutputFormat(QPrinter::PdfFormat);
  } else {
    // From PDF the printer first goes back to the printing service (a printer
    // name alone would only label the PDF, and with a file name kept from the
    // last PDF the service would write that file instead of printing).
    printer_.setOutputFileName(QString());
    if (printer_.outputFormat() != QPrinter::NativeFormat) printer_.setOutputFormat(QPrinter::NativeFormat);
    if (printer_.outputFormat() == QPrinter::NativeFormat) printer_.setPrinterName(CBPrinter->itemText(index));
  }
  // The paper, orientation and margins chosen so far stay where the new
  // destination offers them; the orientation always does.
  if (!printer_.setPageLayout(page)) printer_.setPageOrientation(page.orientation());
  // A queue without a driver description defaults to grey.
  printer_.setColorMode(QPrinter::Color);
}

void TImprForm::ChooseDestination(int index) {
  if (index < 0 || index >= CBPrinter->count()) return;
  ApplyDestination(index);
  ShowDestination();
  layout_.ChangePage(printer_.width(), printer_.height(), printer_.logicalDpiX());
  Refresh();
}

void TImprForm::Release() {
  layout_.ReleaseImage();
  image_ = nullptr;
  previewKey_ = {};
}

void TImprForm::hideEvent(QHideEvent* event) {
  Release();
  QDialog::hideEvent(event);
}

void TImprForm::Refresh() {
  refreshing_ = true;
  for (TPrintField f : {TPrintField::Width, TPrintField::Height, TPrintField::Left, TPrintField::Top,
                        TPrintField::Copies})
    Box(f)->ShowText(Q(layout_.FieldText(f)));
  CBCentrer->setChecked(layout_.Centrer());
  CBAjuster->setChecked(layout_.Ajuster());
  CBContours->setChecked(layout_.Contours());
  CBTraits->setChecked(layout_.Traits());
  CBCentrer->setEnabled(layout_.CentrerEnabled());
  ScrollBarZoom->setRange(layout_.SliderMin(), layout_.SliderMax());
  ScrollBarZoom->setValue(layout_.SliderPosition());
  ScrollBarZoom->setEnabled(layout_.SliderEnabled());
  LabelZoom->setText(Q(layout_.LabelZoom()));
  LabelZoom->setEnabled(layout_.LabelZoomEnabled());
  LblResolution->setText(Q(layout_.ResolutionText()));
  LblStatus->setText(Q(layout_.StatusText()));
  GBTaille->setEnabled(layout_.SizeGroupEnabled());
  GBMarges->setEnabled(layout_.PositionGroupEnabled());
  LblProp->setText(Q(layout_.LblProp()));
  LblProp->setGeometry(17, layout_.PreviewH() + 25, std::max(layout_.PreviewW() - 2, 0), 20);
  refreshing_ = false;
  update(QRect(0, 0, PreviewCanvasSize, PreviewCanvasSize));
}

void TImprForm::Report(const TLayoutCheck& check) {
  Refresh();
  if (check.Ok) return;
  MessageDialog(Q(check.Message), mkWarning, mbOk);
  TPrintNumberBox* box = Box(check.Focus);
  box->setFocus();
  if (check.SelectAll) box->selectAll();
}

void TImprForm::BOkTailleClick() { Report(layout_.BOkTailleClick()); }

void TImprForm::BOkMargesClick() { Report(layout_.BOkMargesClick()); }

void TImprForm::BConfigurerClick() {
  QPageSetupDialog setup(&printer_, this);
  Dialogs().RunModal(setup);
  layout_.ChangePage(printer_.width(), printer_.height(), printer_.logicalDpiX());
  Refresh();
}

void TImprForm::BImprimerClick() {
  const TLayoutCheck check = layout_.BImprimerClick();
  if (!check.Ok) {
    Report(check);
    return;
  }
  Refresh();
  printer_.setDocName(title_);
  printer_.setCopyCount(layout_.Copies());
  accept();
}

bool TImprForm::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::KeyPress) {
    auto* key = static_cast<QKeyEvent*>(event);
    if (key->text() == "+" || key->text() == "-") {
      QKeyEvent replaced(QEvent::KeyPress, Qt::Key_A, key->modifiers(), "A", key->isAutoRepeat(),
                         key->count());
      QCoreApplication::sendEvent(watched, &replaced);
      return true;
    }
    if ((key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) &&
        qobject_cast<QLineEdit*>(watched)) {
      TPrintField f;
      if (IsFloatBox(watched, f)) Report(layout_.PressEnter(f));
      return true;
    }
  }
  return QDialog::eventFilter(watched, event);
}

void TImprForm::paintEvent(QPaintEvent* event) {
  QDialog::paintEvent(event);
  if (previewCanvas_.Width() != PreviewCanvasSize)
    previewCanvas_ = TBitmap(PreviewCanvasSize, PreviewCanvasSize, TPixelFormat::pf24bit);
  const QColor face = palette().color(QPalette::Window);
  const TPreviewKey key{image_, layout_.PreviewZoom().ImageRect(), layout_.PreviewPageRect(),
                        RGB(face.red(), face.green(), face.blue())};
  if (!(key == previewKey_)) {
    layout_.RenderPreview(previewCanvas_, key.face);
    previewKey_ = key;
  }
  const QImage canvas = WrapBitmap(previewCanvas_);
  QPainter painter(this);
  const QRect area(PreviewOrigin, PreviewOrigin, PreviewAreaSize, PreviewAreaSize);
  painter.drawImage(area.topLeft(), canvas, area);
}

}  // namespace velinor
