#include "gui/print/NumberBox.h"

#include <QApplication>
#include <QKeyEvent>
#include <QToolButton>
#include <QValidator>

namespace velinor {

namespace {

constexpr int ArrowWidth = 13;

// Accepts digits, a sign at the very start and (with decimals) one '.'; a typed
// ',' counts as the separator too. Refusals beep, like the classic boxes.
class TNumberValidator : public QValidator {
 public:
  TNumberValidator(QObject* parent, bool decimals, int maxLength)
      : QValidator(parent), decimals_(decimals), maxLength_(maxLength) {}

  void fixup(QString&) const override {}

  State validate(QString& text, int&) const override {
    if (text.size() > maxLength_) return Refuse();
    bool separator = false;
    for (qsizetype i = 0; i < text.size(); ++i) {
      QChar c = text[i];
      if (c == ',' && decimals_) text[i] = c = '.';
      if (c.isDigit() && c.unicode() < 128) continue;
      if ((c == '+' || c == '-') && i == 0) continue;
      if (c == '.' && decimals_ && !separator) {
        separator = true;
        continue;
      }
      return Refuse();
    }
    return Acceptable;
  }

 private:
  static State Refuse() {
    QApplication::beep();
    return Invalid;
  }
  bool decimals_;
  int maxLength_;
};

}  // namespace

TPrintNumberBox::TPrintNumberBox(QWidget* parent, bool decimals, int maxLength)
    : QLineEdit(parent), up_(new QToolButton(this)), down_(new QToolButton(this)) {
  setValidator(new TNumberValidator(this, decimals, maxLength));
  setTextMargins(0, 0, ArrowWidth + 1, 0);
  for (QToolButton* b : {up_, down_}) {
    b->setFocusPolicy(Qt::NoFocus);
    b->setAutoRepeat(true);
    b->setCursor(Qt::ArrowCursor);
  }
  up_->setArrowType(Qt::UpArrow);
  down_->setArrowType(Qt::DownArrow);
  up_->setObjectName("Up");
  down_->setObjectName("Down");
  connect(up_, &QToolButton::clicked, this, [this] {
    setFocus();
    emit Stepped(+1);
  });
  connect(down_, &QToolButton::clicked, this, [this] {
    setFocus();
    emit Stepped(-1);
  });
}

void TPrintNumberBox::ShowText(const QString& text) {
  if (text == this->text()) return;
  const bool blocked = blockSignals(true);
  setText(text);
  blockSignals(blocked);
}

void TPrintNumberBox::keyPressEvent(QKeyEvent* event) {
  if (event->key() == Qt::Key_Up) emit Stepped(+1);
  if (event->key() == Qt::Key_Down) emit Stepped(-1);
  QLineEdit::keyPressEvent(event);
}

void TPrintNumberBox::focusOutEvent(QFocusEvent* event) {
  QLineEdit::focusOutEvent(event);
  emit Left();
}

void TPrintNumberBox::resizeEvent(QResizeEvent* event) {
  QLineEdit::resizeEvent(event);
  PlaceArrows();
}

void TPrintNumberBox::changeEvent(QEvent* event) {
  QLineEdit::changeEvent(event);
  if (event->type() == QEvent::EnabledChange) {
    up_->setEnabled(isEnabled());
    down_->setEnabled(isEnabled());
  }
}

void TPrintNumberBox::PlaceArrows() {
  const int h = height();
  const int x = width() - ArrowWidth;
  up_->setGeometry(x, 0, ArrowWidth, h / 2);
  down_->setGeometry(x, h / 2, ArrowWidth, h - h / 2);
}

}  // namespace velinor
