#include "gui/print/AnnulerForm.h"

#include <QCoreApplication>
#include <QFrame>
#include <QLabel>
#include <QPrinter>
#include <QPushButton>

namespace velinor {

TAnnulerForm::TAnnulerForm(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint) {
  setObjectName("AnnulerForm");
  setFixedSize(282, 79);
  setModal(false);
  Panel1 = new QFrame(this);
  Panel1->setObjectName("Panel1");
  Panel1->setFrameStyle(QFrame::Panel | QFrame::Raised);
  Panel1->setGeometry(0, 0, 282, 79);
  LabelTitre = new QLabel("Please wait, spooling data...", Panel1);
  LabelTitre->setObjectName("LabelTitre");
  LabelTitre->setGeometry(16, 16, 249, 16);
  LabelTitre->setAlignment(Qt::AlignCenter);
  BAnnuler = new QPushButton("Cancel", Panel1);
  BAnnuler->setObjectName("BAnnuler");
  BAnnuler->setGeometry(103, 40, 75, 25);
  connect(BAnnuler, &QPushButton::clicked, this, &TAnnulerForm::BAnnulerClick);
}

void TAnnulerForm::StartSpooling(QPrinter* printer) {
  printer_ = printer;
  CancelState = 0;
  if (QWidget* owner = parentWidget())
    move(owner->mapToGlobal(owner->rect().center()) - rect().center());
  show();
  raise();
  QCoreApplication::processEvents();
}

void TAnnulerForm::StopSpooling() {
  hide();
  printer_ = nullptr;
}

void TAnnulerForm::BAnnulerClick() {
  if (printer_ && printer_->printerState() == QPrinter::Active) printer_->abort();
  CancelState = -1;
}

void TAnnulerForm::reject() { BAnnulerClick(); }

}  // namespace velinor
