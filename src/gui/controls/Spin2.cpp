#include "gui/controls/Spin2.h"

#include <QApplication>
#include <QContextMenuEvent>
#include <QCursor>
#include <QKeyEvent>
#include <QLocale>
#include <QMenu>
#include <QMouseEvent>
#include <QStyle>
#include <QToolButton>
#include <algorithm>
#include <cmath>
#include <limits>

#include "gui/controls/XPParams.h"

namespace velinor {

namespace {

constexpr int kArrowWidth = 13;

QChar DecimalSeparator() {
  const QString s = QLocale().decimalPoint();
  return s.isEmpty() ? QChar('.') : s.at(0);
}

QToolButton* MakeArrow(QWidget* parent, Qt::ArrowType type) {
  auto* b = new QToolButton(parent);
  b->setArrowType(type);
  b->setAutoRepeat(true);
  b->setFocusPolicy(Qt::NoFocus);
  b->setCursor(Qt::ArrowCursor);
  b->setIconSize(QSize(5, 5));
  return b;
}

}  // namespace

// ---------------------------------------------------------------------------
// TUpDown

TUpDown::TUpDown(QWidget* parent) : QWidget(parent) {
  setCursor(Qt::ArrowCursor);
  up_ = MakeArrow(this, Qt::UpArrow);
  down_ = MakeArrow(this, Qt::DownArrow);
  connect(up_, &QToolButton::clicked, this, [this] {
    if (OnUp) OnUp();
  });
  connect(down_, &QToolButton::clicked, this, [this] {
    if (OnDown) OnDown();
  });
}

void TUpDown::resizeEvent(QResizeEvent* e) {
  QWidget::resizeEvent(e);
  const int half = height() / 2;
  up_->setGeometry(0, 0, width(), half);
  down_->setGeometry(0, half, width(), height() - half);
}

// ---------------------------------------------------------------------------
// TSpinEditBase

TSpinEditBase::TSpinEditBase(QWidget* parent) : QLineEdit(parent) {
  Beep = [] { QApplication::beep(); };
  upDown_ = new TUpDown(this);
  upDown_->OnUp = [this] { ArrowClicked(true); };
  upDown_->OnDown = [this] { ArrowClicked(false); };
  connect(this, &QLineEdit::textChanged, this, [this] {
    if (!quiet_ && OnChange) OnChange();
  });
  resize(65, MinimumHeight());
  PlaceUpDown();
}

int TSpinEditBase::MinimumHeight() const { return fontMetrics().height() + 8; }

QSize TSpinEditBase::sizeHint() const { return QSize(65, MinimumHeight()); }
QSize TSpinEditBase::minimumSizeHint() const { return QSize(kArrowWidth + 8, MinimumHeight()); }

void TSpinEditBase::SetEditorEnabled(bool value) {
  editorEnabled_ = value;
  setAcceptDrops(value);
}

void TSpinEditBase::SetShowUpDown(bool show) {
  if (show == showUpDown_) return;
  showUpDown_ = show;
  upDown_->setVisible(show);
  PlaceUpDown();
}

void TSpinEditBase::PlaceUpDown() {
  const int frame = hasFrame() ? style()->pixelMetric(QStyle::PM_DefaultFrameWidth, nullptr, this) : 0;
  QRect r(width() - frame - kArrowWidth, frame, kArrowWidth, height() - 2 * frame);
  if (g_ThemesActive) r.adjust(-1, -1, 1, 1);
  if (showUpDown_) upDown_->setGeometry(r);
  // The text stops short of the arrows.
  setTextMargins(0, 0, showUpDown_ ? kArrowWidth + 1 : 0, 0);
}

void TSpinEditBase::ArrowClicked(bool up) {
  setFocus(Qt::OtherFocusReason);
  if (up) UpClick();
  else DownClick();
}

void TSpinEditBase::SetTextQuietly(const QString& text) {
  quiet_ = true;
  setText(text);
  quiet_ = false;
}

void TSpinEditBase::RefuseKey() {
  if (Beep) Beep();
}

bool TSpinEditBase::IsValidChar(QChar c) const {
  bool ok = false;
  if (c == '+' || c == '-') {
    // A sign only at the very start (the start of a selection counts).
    const int at = hasSelectedText() ? selectionStart() : cursorPosition();
    ok = at == 0;
  } else if (c >= '0' && c <= '9') {
    ok = true;
  } else if (IsDecimalSeparator(c)) {
    ok = SeparatorAllowed();
  } else if (c.unicode() < 32) {
    ok = c != QChar('\r');
  }
  if (!editorEnabled_ && (c == QChar('\b') || c.unicode() >= 32)) ok = false;
  return ok;
}

void TSpinEditBase::keyPressEvent(QKeyEvent* e) {
  const int key = e->key();
  if (key == Qt::Key_Up || key == Qt::Key_Down) {
    if (key == Qt::Key_Up) UpClick();
    else DownClick();
    e->accept();
    return;
  }
  if (e->matches(QKeySequence::Cut) || e->matches(QKeySequence::Paste)) {
    if (!CanCutPaste()) {
      e->accept();
      return;
    }
    QLineEdit::keyPressEvent(e);
    return;
  }
  if (key == Qt::Key_Delete) {
    // Not a typed character, but it changes the text all the same.
    if (editorEnabled_) QLineEdit::keyPressEvent(e);
    else e->accept();
    return;
  }
  QString text = e->text();
  if (key == Qt::Key_Backspace) text = QString(QChar('\b'));
  if (key == Qt::Key_Return || key == Qt::Key_Enter) text = QString(QChar('\r'));
  if (text.size() == 1) {
    const QChar typed = text.at(0);
    const QChar c = TranslateChar(typed);
    if (!IsValidChar(c)) {
      e->accept();
      RefuseKey();
      return;
    }
    if (c != typed) {
      QKeyEvent translated(e->type(), key, e->modifiers(), QString(c), e->isAutoRepeat(),
                           static_cast<quint16>(e->count()));
      QLineEdit::keyPressEvent(&translated);
      e->setAccepted(translated.isAccepted());
      return;
    }
  }
  QLineEdit::keyPressEvent(e);
}

void TSpinEditBase::focusInEvent(QFocusEvent* e) {
  QLineEdit::focusInEvent(e);
  const bool clickedHere = (QApplication::mouseButtons() & Qt::LeftButton) &&
                           rect().contains(mapFromGlobal(QCursor::pos()));
  if (AutoSelect && !clickedHere) selectAll();
}

void TSpinEditBase::focusOutEvent(QFocusEvent* e) {
  QLineEdit::focusOutEvent(e);
  // Switching to another window or opening a menu does not leave the box.
  if (e->reason() == Qt::ActiveWindowFocusReason || e->reason() == Qt::PopupFocusReason) return;
  if (!text().isEmpty()) Normalize();
}

void TSpinEditBase::resizeEvent(QResizeEvent* e) {
  QLineEdit::resizeEvent(e);
  if (height() < MinimumHeight()) {
    resize(width(), MinimumHeight());
    return;
  }
  PlaceUpDown();
}

void TSpinEditBase::contextMenuEvent(QContextMenuEvent* e) {
  QMenu* menu = createStandardContextMenu();
  for (QAction* a : menu->actions()) {
    const QString n = a->objectName();
    if ((n == "edit-cut" || n == "edit-paste") && !CanCutPaste()) a->setEnabled(false);
    if ((n == "edit-delete" || n == "edit-undo" || n == "edit-redo") && !editorEnabled_)
      a->setEnabled(false);
  }
  menu->exec(e->globalPos());
  delete menu;
}

// The middle button pastes the selection on X11; it is a paste like any other.
void TSpinEditBase::mousePressEvent(QMouseEvent* e) {
  if (e->button() == Qt::MiddleButton && !CanCutPaste()) {
    e->accept();
    return;
  }
  QLineEdit::mousePressEvent(e);
}

void TSpinEditBase::mouseReleaseEvent(QMouseEvent* e) {
  if (e->button() == Qt::MiddleButton && !CanCutPaste()) {
    e->accept();
    return;
  }
  QLineEdit::mouseReleaseEvent(e);
}

// ---------------------------------------------------------------------------
// TSpinEdit2

TSpinEdit2::TSpinEdit2(QWidget* parent) : TSpinEditBase(parent) { SetTextQuietly("0"); }

int TSpinEdit2::Clamp(int v) const {
  if (minValue_ == maxValue_) return v;
  if (v < minValue_) return minValue_;
  if (v > maxValue_) return maxValue_;
  return v;
}

int TSpinEdit2::Value() const {
  bool ok = false;
  const int v = text().trimmed().toInt(&ok, 10);
  return Clamp(ok ? v : minValue_);
}

void TSpinEdit2::SetValue(int value) { setText(QString::number(Clamp(value))); }

namespace {
int AddSaturated(long long a, long long b) {
  return static_cast<int>(std::clamp<long long>(a + b, std::numeric_limits<int>::min(),
                                                std::numeric_limits<int>::max()));
}
}  // namespace

void TSpinEdit2::UpClick() {
  if (ReadOnly()) RefuseKey();
  else SetValue(AddSaturated(Value(), Increment));
}

void TSpinEdit2::DownClick() {
  if (ReadOnly()) RefuseKey();
  else SetValue(AddSaturated(Value(), -static_cast<long long>(Increment)));
}

void TSpinEdit2::Normalize() {
  const QString digits = QString::number(Value());
  if (digits != text()) SetTextQuietly(digits);
}

// ---------------------------------------------------------------------------
// TFloatSpinEdit

TFloatSpinEdit::TFloatSpinEdit(QWidget* parent) : TSpinEditBase(parent) {
  SetTextQuietly(FormatValue(format_, 0));
}

double TFloatSpinEdit::Clamp(double v) const {
  if (minValue_ == maxValue_) return v;
  if (v < minValue_) return minValue_;
  if (v > maxValue_) return maxValue_;
  return v;
}

double TFloatSpinEdit::Value() const {
  bool ok = false;
  // "1,000" is no number here: the thousands separator would read it as 1000.
  QLocale locale;
  locale.setNumberOptions(QLocale::RejectGroupSeparator);
  const double v = locale.toDouble(text().trimmed(), &ok);
  // "nan" and "inf" convert, but no caller can do anything sensible with them.
  if (!ok || !std::isfinite(v)) return minValue_;
  return Clamp(v);
}

void TFloatSpinEdit::SetValue(double value) {
  if (!std::isfinite(value)) value = minValue_;
  setText(FormatValue(format_, Clamp(value)));
}

void TFloatSpinEdit::SetFormat(const QString& pattern) {
  if (pattern == format_) return;
  format_ = pattern.isEmpty() ? QString("0.00") : pattern;
  SetValue(Value());
}

void TFloatSpinEdit::UpClick() {
  if (ReadOnly()) RefuseKey();
  else SetValue(Value() + Increment);
}

void TFloatSpinEdit::DownClick() {
  if (ReadOnly()) RefuseKey();
  else SetValue(Value() - Increment);
}

QChar TFloatSpinEdit::TranslateChar(QChar c) const { return c == '.' ? DecimalSeparator() : c; }

bool TFloatSpinEdit::IsDecimalSeparator(QChar c) const { return c == DecimalSeparator(); }

bool TFloatSpinEdit::SeparatorAllowed() const {
  return format_.contains('.') && !text().contains(DecimalSeparator());
}

void TFloatSpinEdit::Normalize() { SetValue(Value()); }

QString TFloatSpinEdit::FormatValue(const QString& pattern, double v) {
  const int point = pattern.indexOf('.');
  const QString intPart = point < 0 ? pattern : pattern.left(point);
  const QString fracPart = point < 0 ? QString() : pattern.mid(point + 1);
  const int maxDecimals = static_cast<int>(fracPart.count('0') + fracPart.count('#'));
  int minDecimals = 0;  // the '0's count up to the last one
  for (int i = 0; i < fracPart.size(); ++i)
    if (fracPart[i] == '0') minDecimals = i + 1;
  minDecimals = std::min(minDecimals, maxDecimals);
  const int minIntDigits = static_cast<int>(intPart.count('0'));

  QLocale locale;
  locale.setNumberOptions(QLocale::OmitGroupSeparator);
  QString s = locale.toString(std::fabs(v), 'f', maxDecimals);
  const QString sep = locale.decimalPoint();
  const QString zero = locale.zeroDigit();
  int sepAt = maxDecimals > 0 ? static_cast<int>(s.lastIndexOf(sep)) : -1;
  if (sepAt >= 0) {
    // Optional decimals ('#') go when they are trailing zeros.
    int keep = maxDecimals;
    while (keep > minDecimals && s.endsWith(zero)) {
      s.chop(zero.size());
      --keep;
    }
    if (keep == 0) s.truncate(sepAt);
  }
  // Leading '0's of the pattern: at least that many integer digits; "#.##"
  // writes 0.5 as ".5".
  sepAt = static_cast<int>(s.indexOf(sep));
  int intDigits = sepAt >= 0 ? sepAt : static_cast<int>(s.size());
  if (minIntDigits == 0 && intDigits == 1 && s.startsWith(zero) && sepAt >= 0) s.remove(0, 1);
  while (intDigits < minIntDigits) {
    s.prepend(zero);
    ++intDigits;
  }
  // No "-0": the sign only for a value that shows a non-zero digit.
  bool nonZero = false;
  for (QChar ch : s)
    if (ch.isDigit() && ch.digitValue() != 0) nonZero = true;
  if (v < 0 && nonZero) s.prepend(locale.negativeSign());
  return s;
}

}  // namespace velinor
