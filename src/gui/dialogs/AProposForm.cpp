#include "gui/dialogs/AProposForm.h"

#include <QFrame>
#include <QLabel>
#include <QLocale>
#include <QMouseEvent>
#include <QPixmap>
#include <QPushButton>
#include <QUrl>
#include <QWindow>

#include "gui/app/DialogSeam.h"
#include "gui/app/Resources.h"

namespace velinor {

const char* const kWebSite = "https://velinor.org/";

QString FormatReleaseDate(const QDate& date) {
  // The separator is the first non-letter of the locale's short date pattern.
  QChar separator = '/';
  for (const QChar c : QLocale().dateFormat(QLocale::ShortFormat))
    if (!c.isLetter() && !c.isSpace() && c != '\'') {
      separator = c;
      break;
    }
  auto part = [](int value, int width) { return QString::number(value).rightJustified(width, '0'); };
  return part(date.year(), 4) + separator + part(date.month(), 2) + separator + part(date.day(), 2);
}

TAProposForm::TAProposForm(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::FramelessWindowHint) {
  setObjectName("AProposForm");
  setWindowTitle("About");
  setFixedSize(384, 286);

  PnlFond = new QFrame(this);
  PnlFond->setObjectName("PnlFond");
  PnlFond->setGeometry(0, 0, 384, 286);
  PnlFond->setFrameStyle(QFrame::Panel | QFrame::Raised);
  PnlFond->setAutoFillBackground(true);

  PnlImg = new QFrame(PnlFond);
  PnlImg->setObjectName("PnlImg");
  PnlImg->setGeometry(16, 16, 352, 132);
  PnlImg->setFrameStyle(QFrame::Panel | QFrame::Sunken);
  PnlImg->setLineWidth(1);
  Image1 = new QLabel(PnlImg);
  Image1->setObjectName("Image1");
  Image1->setGeometry(1, 1, 350, 130);
  Image1->setPixmap(AboutPicture());

  LblCaption = new QLabel("Velinor 1.0", PnlFond);
  LblCaption->setObjectName("LblCaption");
  LblCaption->move(16, 154);
  LblDate = new QLabel(FormatReleaseDate(kReleaseDate), PnlFond);
  LblDate->setObjectName("LblDate");
  LblDate->move(16, 176);
  LblAuthor = new QLabel("Written by the Velinor developers", PnlFond);
  LblAuthor->setObjectName("LblAuthor");
  LblAuthor->move(16, 194);
  LblSite = new QLabel(QString(kWebSite), PnlFond);
  LblSite->setObjectName("LblSite");
  LblSite->move(16, 214);
  LblSite->setCursor(Qt::PointingHandCursor);
  for (QLabel* l : {LblCaption, LblDate, LblAuthor, LblSite}) l->adjustSize();

  BOk = new QPushButton("Ok", PnlFond);
  BOk->setObjectName("BOk");
  BOk->setGeometry(293, 245, 75, 25);
  BOk->setDefault(true);
  connect(BOk, &QPushButton::clicked, this, &QDialog::accept);

  // A press anywhere but on the address drags the box.
  for (QWidget* w : std::initializer_list<QWidget*>{PnlFond, PnlImg, Image1, LblCaption, LblDate,
                                                    LblAuthor, LblSite})
    w->installEventFilter(this);
}

void TAProposForm::CenterOn(const QWidget* owner) {
  if (!owner) return;
  const QRect frame = owner->frameGeometry();
  move(frame.center() - QPoint(width() / 2, height() / 2));
}

void TAProposForm::showEvent(QShowEvent* e) {
  QFont caption = font();
  caption.setPointSizeF(caption.pointSizeF() + 2);
  caption.setBold(true);
  LblCaption->setFont(caption);
  QFont site = font();
  site.setUnderline(true);
  LblSite->setFont(site);
  LblSite->setStyleSheet("color: #0000FF;");
  for (QLabel* l : {LblCaption, LblSite}) l->adjustSize();
  BOk->setFocus();
  QDialog::showEvent(e);
}

void TAProposForm::LblSiteClick() { Dialogs().OpenExternal(QUrl(kWebSite)); }

bool TAProposForm::eventFilter(QObject* watched, QEvent* e) {
  auto* me = static_cast<QMouseEvent*>(e);
  switch (e->type()) {
    case QEvent::MouseButtonPress:
      if (me->button() != Qt::LeftButton) break;
      if (watched == LblSite) {
        LblSiteClick();
        return true;
      }
      // The window system moves the box as if its caption had been grabbed;
      // where it cannot, the box follows the mouse itself.
      if (windowHandle() && windowHandle()->startSystemMove()) return true;
      dragOffset_ = me->globalPosition().toPoint() - pos();
      return true;
    case QEvent::MouseMove:
      if (dragOffset_ && (me->buttons() & Qt::LeftButton)) {
        move(me->globalPosition().toPoint() - *dragOffset_);
        return true;
      }
      break;
    case QEvent::MouseButtonRelease:
      if (dragOffset_) {
        dragOffset_.reset();
        return true;
      }
      break;
    default:
      break;
  }
  return QDialog::eventFilter(watched, e);
}

}  // namespace velinor
