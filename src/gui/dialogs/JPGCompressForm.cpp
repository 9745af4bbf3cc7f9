#include "gui/dialogs/JPGCompressForm.h"

#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>

#include "gui/app/DialogSeam.h"

namespace velinor {

namespace {

QPointer<TJPGCompressForm> g_form;

// Sets a control's place, keeping at least the height its font needs.
void Place(QWidget* w, int left, int top, int width, int height) {
  w->setGeometry(left, top, width, qMax(height, w->sizeHint().height()));
}

// The hook's view of the form: the form is only made when a JPEG save asks.
class TKeptJpegForm : public IJpegOptionsDialog {
 public:
  explicit TKeptJpegForm(QWidget* mainWindow) : mainWindow_(mainWindow) {}
  bool Execute() override { return JPGCompressForm(mainWindow_).Execute(); }
  int SliderPosition() const override { return JPGCompressForm(mainWindow_).SliderPosition(); }
  bool Progressive() const override { return JPGCompressForm(mainWindow_).Progressive(); }

 private:
  QPointer<QWidget> mainWindow_;
};

}  // namespace

TJPGCompressForm::TJPGCompressForm(QWidget* owner) : QDialog(owner) {
  setObjectName("JPGCompressForm");
  setWindowTitle("Compression JPEG ");
  setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowStaysOnTopHint | Qt::WindowTitleHint |
                 Qt::WindowCloseButtonHint);
  setFixedSize(298, 234);

  LblN = new QLabel("Compression : 90", this);
  LblN->setObjectName("LblN");
  Place(LblN, 16, 24, 200, 13);

  TBN = new QSlider(Qt::Horizontal, this);
  TBN->setObjectName("TBN");
  TBN->setRange(JpegSliderMin, JpegSliderMax);
  TBN->setValue(JpegSliderStart);
  TBN->setPageStep(1);
  TBN->setSingleStep(1);
  TBN->setTickInterval(1);
  TBN->setTickPosition(QSlider::TicksBelow);
  Place(TBN, 10, 40, 279, 25);
  connect(TBN, &QSlider::valueChanged, this, &TJPGCompressForm::TBNChange);

  Label1 = new QLabel("Qualité inférieure", this);
  Label1->setObjectName("Label1");
  Place(Label1, 16, 72, 120, 13);
  Label2 = new QLabel("Qualité supérieure", this);
  Label2->setObjectName("Label2");
  Label2->setAlignment(Qt::AlignRight | Qt::AlignTop);
  // Right-aligned on its right edge (282) whatever width the font needs.
  const int w2 = qMax(85, Label2->sizeHint().width());
  Place(Label2, 282 - w2, 72, w2, 13);

  RBStandard = new QRadioButton("Format standard", this);
  RBStandard->setObjectName("RBStandard");
  RBStandard->setChecked(true);
  Place(RBStandard, 16, 112, 145, 17);
  RBProgressif = new QRadioButton("Format progressif", this);
  RBProgressif->setObjectName("RBProgressif");
  Place(RBProgressif, 16, 132, 153, 17);

  BOk = new QPushButton("Ok", this);
  BOk->setObjectName("BOk");
  BOk->setDefault(true);
  Place(BOk, 120, 192, 75, 25);
  connect(BOk, &QPushButton::clicked, this, &QDialog::accept);
  BAnnuler = new QPushButton("Annuler", this);
  BAnnuler->setObjectName("BAnnuler");
  BAnnuler->setAutoDefault(false);
  Place(BAnnuler, 208, 192, 75, 25);
  // Escape and the window's close button reject as well (QDialog's own).
  connect(BAnnuler, &QPushButton::clicked, this, &QDialog::reject);

  TBNChange();
}

void TJPGCompressForm::TBNChange() {
  LblN->setText(QString::fromStdString(CompressionLabel(TBN->value())));
}

bool TJPGCompressForm::Execute() { return Dialogs().AskJpegOptions(*this); }

int TJPGCompressForm::SliderPosition() const { return TBN->value(); }

bool TJPGCompressForm::Progressive() const { return RBProgressif->isChecked(); }

bool TJPGCompressForm::RunModal() {
  BOk->setFocus();
  return exec() == QDialog::Accepted;
}

TJPGCompressForm& JPGCompressForm(QWidget* mainWindow) {
  if (!g_form) g_form = new TJPGCompressForm(mainWindow);
  return *g_form;
}

void InstallJpegOptionsHook(QWidget* mainWindow) {
  auto form = std::make_shared<TKeptJpegForm>(mainWindow);
  OnImageFile = [form](TGraphic* graphic, const std::string& fileName, TImageFileStep step, bool& Continue) {
    JpegOptionsHook(*form, graphic, fileName, step, Continue);
  };
}

}  // namespace velinor
