#include "gui/app/MsgDlg.h"

#include <QApplication>
#include <QMainWindow>
#include <QCloseEvent>
#include <QFileInfo>
#include <QFrame>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStyle>

#include "gui/app/DialogSeam.h"
#include "gui/app/SharedStrings.h"

namespace velinor {

namespace {

constexpr int kMargin = 12;        // LblCaption's left and top
constexpr int kMsgLeft = 56;
constexpr int kMsgTop = 44;
constexpr int kIconTop = 44;
constexpr int kIconSize = 32;
constexpr int kButtonWidth = 75;
constexpr int kButtonHeight = 25;
constexpr int kButtonGap = 6;

// The letter after the first '&' of a caption, upper-cased; 0 when none.
int AcceleratorKey(const QString& caption) {
  const int i = caption.indexOf('&');
  if (i < 0 || i + 1 >= caption.size()) return 0;
  return caption[i + 1].toUpper().unicode();
}

}  // namespace

TMsgDlgGeometry MsgDlgLayout(int messageWidth, int messageHeight, int buttons) {
  TMsgDlgGeometry g;
  g.ClientWidth = std::max(kMsgLeft + messageWidth + kMargin, 300);
  g.SepWidth = g.ClientWidth - 2 * kMargin;
  g.ButtonTop = std::max(kMsgTop + messageHeight + 2 * kMargin, kIconTop + kIconSize + 2 * kMargin);
  g.ClientHeight = kButtonHeight + g.ButtonTop + kMargin;
  int n = 0;
  for (int bit = 0; bit < 4; ++bit)
    if (buttons & (1 << bit)) ++n;
  const int row = n * kButtonWidth + (n - 1) * kButtonGap;
  const int x = g.ClientWidth - row - kMargin + 1;
  int k = 0;
  for (int bit = 0; bit < 4; ++bit)
    if (buttons & (1 << bit)) g.ButtonLeft[bit] = x + k++ * (kButtonWidth + kButtonGap);
  return g;
}

TMsgDlgForm::TMsgDlgForm(QWidget* parent) : QDialog(parent) {
  setObjectName("MsgDlgForm");
  setWindowTitle(QApplication::applicationDisplayName().isEmpty()
                     ? QApplication::applicationName()
                     : QApplication::applicationDisplayName());
  setWindowFlag(Qt::WindowContextHelpButtonHint, false);
  QFont f = font();
  f.setPixelSize(11);
  setFont(f);
  resize(354, 156);

  LblCaption = new QLabel(this);
  LblCaption->setObjectName("LblCaption");
  LblCaption->move(kMargin, kMargin);
  PnlSep = new QFrame(this);
  PnlSep->setObjectName("PnlSep");
  PnlSep->setGeometry(kMargin, 28, 185, 2);
  PnlSep->setAutoFillBackground(true);
  QPalette p = PnlSep->palette();
  p.setColor(QPalette::Window, Qt::black);
  PnlSep->setPalette(p);
  ResIcon = new QLabel(this);
  ResIcon->setObjectName("ResIcon");
  ResIcon->setGeometry(kMargin, kIconTop, kIconSize, kIconSize);
  LblMsg = new QLabel(this);
  LblMsg->setObjectName("LblMsg");
  LblMsg->move(kMsgLeft, kMsgTop);
  LblMsg->setTextFormat(Qt::PlainText);
  EdiInput = new QLineEdit(this);
  EdiInput->setObjectName("EdiInput");
  EdiInput->setGeometry(kMsgLeft, 62, 233, 21);

  auto makeButton = [this](const char* name, TSharedString text, int result, int x) {
    auto* b = new QPushButton(SharedText(text), this);
    b->setObjectName(name);
    b->setGeometry(x, 120, kButtonWidth, kButtonHeight);
    b->setAutoDefault(false);
    connect(b, &QPushButton::clicked, this, [this, result] { done(result); });
    return b;
  };
  BtnYes = makeButton("BtnYes", ssYes, mrYes, 24);
  BtnNo = makeButton("BtnNo", ssNo, mrNo, 104);
  BtnOk = makeButton("BtnOk", ssOk, mrOk, 184);
  BtnCancel = makeButton("BtnCancel", ssCancel, mrCancel, 264);
}

QString TMsgDlgForm::KindHeading(int kind) {
  switch (kind) {
    case mkWarning: return SharedText(ssWarning);
    case mkError: return SharedText(ssError);
    case mkInformation: return SharedText(ssInformation);
    case mkConfirmation: return SharedText(ssConfirmation);
    default: return QFileInfo(QApplication::applicationFilePath()).fileName();
  }
}

void TMsgDlgForm::Prepare(const QString& text, int kind, int buttons, const QString& heading) {
  EdiInput->hide();
  EdiInput->clear();
  SetMessageText(text);
  SetHeading(heading, kind);
  SetIcon(kind);
  ArrangeButtons(buttons);
}

void TMsgDlgForm::SetMessageText(const QString& text) {
  QFont bold = LblCaption->font();
  bold.setBold(true);
  LblCaption->setFont(bold);
  LblMsg->setText(text);
  LblMsg->adjustSize();
  // Geometry is finished in ArrangeButtons, which knows the buttons.
}

void TMsgDlgForm::SetHeading(const QString& heading, int kind) {
  LblCaption->setText(heading.isEmpty() ? KindHeading(kind) : heading);
  LblCaption->adjustSize();
}

void TMsgDlgForm::SetIcon(int kind) {
  QStyle::StandardPixmap sp = QStyle::SP_DesktopIcon;
  switch (kind) {
    case mkWarning: sp = QStyle::SP_MessageBoxWarning; break;
    case mkError: sp = QStyle::SP_MessageBoxCritical; break;
    case mkInformation: sp = QStyle::SP_MessageBoxInformation; break;
    case mkConfirmation: sp = QStyle::SP_MessageBoxQuestion; break;
    default: break;
  }
  ResIcon->setPixmap(style()->standardIcon(sp, nullptr, this).pixmap(kIconSize, kIconSize));
}

void TMsgDlgForm::ArrangeButtons(int buttons) {
  const TMsgDlgGeometry g = MsgDlgLayout(LblMsg->width(), LblMsg->height(), buttons);
  setFixedSize(g.ClientWidth, g.ClientHeight);
  PnlSep->resize(g.SepWidth, PnlSep->height());
  QPushButton* all[4] = {BtnYes, BtnNo, BtnOk, BtnCancel};
  for (int i = 0; i < 4; ++i) {
    all[i]->setVisible(g.ButtonLeft[i] >= 0);
    if (g.ButtonLeft[i] >= 0) all[i]->move(g.ButtonLeft[i], g.ButtonTop);
    all[i]->setDefault(false);
  }
  default_ = (buttons & mbOk) ? BtnOk : BtnYes;
  cancel_ = (buttons & mbCancel) ? BtnCancel : BtnNo;
  if (!default_->isHidden()) {
    default_->setDefault(true);
    default_->setFocus();
  }
}

void TMsgDlgForm::reject() {
  // Escape presses the cancel button, and does nothing when that one is hidden.
  if (cancel_ && !cancel_->isHidden()) cancel_->click();
}

void TMsgDlgForm::keyPressEvent(QKeyEvent* e) {
  const int key = e->key();
  if (!BtnYes->isHidden() && key == AcceleratorKey(BtnYes->text())) {
    done(mrYes);
    return;
  }
  if (!BtnNo->isHidden() && key == AcceleratorKey(BtnNo->text())) {
    done(mrNo);
    return;
  }
  if ((key == Qt::Key_Return || key == Qt::Key_Enter) && default_ && !default_->isHidden()) {
    default_->click();
    return;
  }
  QDialog::keyPressEvent(e);
}

void TMsgDlgForm::closeEvent(QCloseEvent* e) {
  if (isVisible()) done(mrCancel);
  e->accept();
}

QWidget* MessageDialogParent() {
  // Over a modal dialog of ours (a print warning) the message stays above it;
  // otherwise it belongs to the main window, also when the program is not the
  // active application (a file dropped from another one).
  if (QWidget* modal = QApplication::activeModalWidget()) return modal;
  for (QWidget* w : QApplication::topLevelWidgets())
    if (qobject_cast<QMainWindow*>(w) && w->isVisible()) return w;
  for (QWidget* w : QApplication::topLevelWidgets())
    if (qobject_cast<QMainWindow*>(w)) return w;
  return QApplication::activeWindow();
}

int ExecMessageDialog(const QString& text, int kind, int buttons, const QString& heading) {
  TMsgDlgForm form(MessageDialogParent());
  form.Prepare(text, kind, buttons, heading);
  return form.exec();
}

int MessageDialog(const QString& text, int kind, int buttons, const QString& heading) {
  return Dialogs().ShowMessage(text, kind, buttons, heading);
}

}  // namespace velinor
