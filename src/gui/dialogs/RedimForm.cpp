#include "gui/dialogs/RedimForm.h"

#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <exception>

#include "gui/app/DialogSeam.h"
#include "gui/app/MainForm.h"
#include "gui/app/MsgDlg.h"
#include "core/base/Bitmap.h"
#include "gui/controls/Spin2.h"
#include "gui/controls/FormControls.h"
#include "core/resize/StretchEx.h"

namespace velinor {

namespace {

const char* const kFillAllFields = "Complete all the fields before continuing !";

TFloatSpinEdit* MakeSizeEdit(QWidget* parent, const char* name, int x, int y) {
  auto* e = new TFloatSpinEdit(parent);
  e->setObjectName(name);
  e->SetFormat("0");
  e->Increment = 1.0;
  e->SetMinValue(RedimMinValue);
  e->SetMaxValue(RedimMaxValue);
  e->SetShowUpDown(true);
  e->SetValue(1.0);
  e->setGeometry(x, y, 81, 21);
  return e;
}

QComboBox* MakeUnitList(QWidget* parent, const char* name, int x, int y) {
  auto* c = new QComboBox(parent);
  c->setObjectName(name);
  c->addItems({"pixels", "%"});
  c->setCurrentIndex(suPixels);
  c->setGeometry(x, y, 81, 21);
  return c;
}

QCheckBox* MakeCheck(QWidget* parent, const char* name, const QString& text, int y) {
  auto* b = new QCheckBox(text, parent);
  b->setObjectName(name);
  b->setGeometry(16, y, 201, 17);
  b->setChecked(true);
  return b;
}

QPushButton* MakeButton(QWidget* parent, const char* name, const QString& text, int x) {
  auto* b = new QPushButton(text, parent);
  b->setObjectName(name);
  b->setGeometry(x, 185, 75, 25);
  // Enter is the dialog's own business (FormKeyPress), not a default button's.
  b->setAutoDefault(false);
  b->setDefault(false);
  return b;
}

}  // namespace

TRedimForm::TRedimForm(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowStaysOnTopHint) {
  setObjectName("RedimForm");
  setWindowTitle("Image size");
  setFixedSize(234, 225);
  QFont f("MS Sans Serif");
  f.setPixelSize(11);
  setFont(f);
  CreateControls();
}

TRedimForm::~TRedimForm() {
  // Children are destroyed after this body; focus changes on the way must not
  // reach the handlers of a half-destroyed form.
  EdiL->OnChange = nullptr;
  EdiH->OnChange = nullptr;
  for (QWidget* w : findChildren<QWidget*>()) {
    w->disconnect(this);
    w->removeEventFilter(this);
  }
  removeEventFilter(this);
}

void TRedimForm::CreateControls() {
  Label1 = MakeLabel(this, "Label1", "Width :", 16, 16);
  EdiL = MakeSizeEdit(this, "EdiL", 16, 32);
  CmbL = MakeUnitList(this, "CmbL", 112, 32);
  Label2 = MakeLabel(this, "Label2", "Height :", 16, 64);
  EdiH = MakeSizeEdit(this, "EdiH", 16, 80);
  CmbH = MakeUnitList(this, "CmbH", 112, 80);
  CBProportions = MakeCheck(this, "CBProportions", "Preserve aspect ratio", 120);
  CBOptimiser = MakeCheck(this, "CBOptimiser", "Optimize", 140);
  BOk = MakeButton(this, "BOk", "Ok", 62);
  BAnnuler = MakeButton(this, "BAnnuler", "Cancel", 144);

  EdiL->OnChange = [this] { EdiLChange(); };
  EdiH->OnChange = [this] { EdiHChange(); };
  connect(CmbL, &QComboBox::currentIndexChanged, this, [this] { CmbLChange(); });
  connect(CmbH, &QComboBox::currentIndexChanged, this, [this] { CmbHChange(); });
  connect(BOk, &QPushButton::clicked, this, [this] { BOkClick(); });
  connect(BAnnuler, &QPushButton::clicked, this, [this] { reject(); });

  // Key preview: the form sees every key before the control that has the focus.
  installEventFilter(this);
  for (QWidget* w : findChildren<QWidget*>()) w->installEventFilter(this);
}

int TRedimForm::WidthPixels() const { return Geometry.WidthPixels(EdiL->Value()); }
int TRedimForm::HeightPixels() const { return Geometry.HeightPixels(EdiH->Value()); }

void TRedimForm::ShowWidth(int pixels) {
  LinkEnabled = false;
  EdiL->SetValue(Geometry.WidthValue(pixels));
  LinkEnabled = true;
}

void TRedimForm::ShowHeight(int pixels) {
  LinkEnabled = false;
  EdiH->SetValue(Geometry.HeightValue(pixels));
  LinkEnabled = true;
}

void TRedimForm::FormShow(TMainForm& main) {
  main_ = &main;
  const TBitmap& image = main.CurrentImage();
  Geometry.SetOriginal(image.Width(), image.Height());
  // The filtered resampler blends colours, which would spoil a transparent
  // image's key colour; such an image is only point-stretched.
  CBOptimiser->setEnabled(!image.Transparent);
  CBOptimiser->setChecked(CBOptimiser->isEnabled());
  // A field limited below the image's own size would shrink it on an untouched "Ok".
  EdiL->SetMaxValue(RedimFieldMaximum(Geometry.OrigWidth, Geometry.OrigHeight));
  EdiH->SetMaxValue(EdiL->MaxValue());
  Geometry.WidthUnit = CmbL->currentIndex();
  Geometry.HeightUnit = CmbH->currentIndex();
  ShowWidth(Geometry.OrigWidth);
  ShowHeight(Geometry.OrigHeight);
  CBProportions->setChecked(true);
  BOk->setFocus(Qt::OtherFocusReason);
}

void TRedimForm::EdiLChange() {
  if (!LinkEnabled || !CBProportions->isChecked() || EdiL->text().isEmpty()) return;
  ShowHeight(Geometry.LinkedHeight(WidthPixels()));
}

void TRedimForm::EdiHChange() {
  if (!LinkEnabled || !CBProportions->isChecked() || EdiH->text().isEmpty()) return;
  ShowWidth(Geometry.LinkedWidth(HeightPixels()));
}

void TRedimForm::CmbLChange() {
  LinkEnabled = false;
  const int pixels = WidthPixels();  // in the unit that was in force
  // A field limited below the image's own size would shrink it on an untouched "Ok".
  EdiL->SetMaxValue(RedimFieldMaximum(Geometry.OrigWidth, Geometry.OrigHeight));
  EdiH->SetMaxValue(EdiL->MaxValue());
  Geometry.WidthUnit = CmbL->currentIndex();
  EdiL->SetFormat(Geometry.WidthUnit == suPercent ? "0.00" : "0");
  ShowWidth(pixels);
  LinkEnabled = true;
}

void TRedimForm::CmbHChange() {
  LinkEnabled = false;
  const int pixels = HeightPixels();
  Geometry.HeightUnit = CmbH->currentIndex();
  EdiH->SetFormat(Geometry.HeightUnit == suPercent ? "0.00" : "0");
  ShowHeight(pixels);
  LinkEnabled = true;
}

void TRedimForm::BOkClick() {
  if (EdiL->text().isEmpty() || EdiH->text().isEmpty()) {
    MessageDialog(kFillAllFields, mkWarning, mbOk);
    return;
  }
  NewWidth = FinalSide(WidthPixels());
  NewHeight = FinalSide(HeightPixels());
  if (NewWidth == Geometry.OrigWidth && NewHeight == Geometry.OrigHeight) {
    reject();
    return;
  }
  if (!main_) return;
  TMainForm& main = *main_;
  try {
    // Percentages of a large image can ask for more than an image may hold;
    // refused before the undo history is touched.
    CheckImageSize(NewWidth, NewHeight, BytesPerPixel(TPixelFormat::pf24bit));
  } catch (const std::exception& e) {
    MessageDialog(QString::fromUtf8(e.what()), mkError, mbOk);
    return;
  }
  main.BeginBusy("Processing...");
  try {
    main.ResizeDocument(NewWidth, NewHeight, CBOptimiser->isChecked() ? rmFiltered : rmNearest);
    main.ChooseInitialZoom();
    main.RefreshView();
  } catch (const std::exception& e) {
    main.EndBusy();
    MessageDialog(QString::fromUtf8(e.what()), mkError, mbOk);
    return;
  }
  main.EndBusy();
  accept();
}

bool TRedimForm::FormKeyPress(QObject* target, QKeyEvent* e) {
  const QString text = e->text();
  if (text == "+" || text == "-") {
    // No sign can be typed: the fields refuse the letter with a beep.
    Qt::KeyboardModifiers modifiers = e->modifiers();
    modifiers.setFlag(Qt::ShiftModifier, false);
    QKeyEvent replaced(QEvent::KeyPress, Qt::Key_A, modifiers, "A");
    QCoreApplication::sendEvent(target, &replaced);
    return true;
  }
  switch (e->key()) {
    case Qt::Key_Escape:
      reject();
      return true;
    case Qt::Key_Return:
    case Qt::Key_Enter:
      BOkClick();
      return true;
    default:
      return false;
  }
}

bool TRedimForm::eventFilter(QObject* watched, QEvent* e) {
  if (e->type() == QEvent::KeyPress) return FormKeyPress(watched, static_cast<QKeyEvent*>(e));
  return QDialog::eventFilter(watched, e);
}

TRedimForm& RedimFormOf(TMainForm& form) {
  auto* dialog = form.findChild<TRedimForm*>("RedimForm", Qt::FindDirectChildrenOnly);
  if (!dialog) dialog = new TRedimForm(&form);
  return *dialog;
}

void ShowImageSizeDialog(TMainForm& form) {
  if (!form.DocumentOpen()) return;
  TRedimForm& dialog = RedimFormOf(form);
  dialog.setResult(QDialog::Rejected);
  dialog.FormShow(form);
  Dialogs().RunModal(dialog);
  dialog.Release();
}

}  // namespace velinor
