#include "gui/controls/SpecialEdit.h"

#include <QAction>
#include <QBitmap>
#include <QDateTime>
#include <QKeyEvent>
#include <QMenu>
#include <QPainter>

#include "gui/controls/XPParams.h"
#include "gui/style/PainterFill.h"

namespace velinor {

namespace {

constexpr int kButtonWidth = 15;
constexpr qint64 kReopenGuardMs = 777;

qint64 NowMs() { return QDateTime::currentMSecsSinceEpoch(); }

}  // namespace

TSpecialEdit::TSpecialEdit(QWidget* parent) : QFrame(parent) {
  setFrameStyle(QFrame::StyledPanel | QFrame::Sunken);
  setFocusPolicy(Qt::StrongFocus);
  button_ = new TPrevNextButton(this);
  button_->OnClick = [this] {
    setFocus(Qt::MouseFocusReason);
    DropDown();
    if (OnBtnClick) OnBtnClick();
  };
  button_->setVisible(false);
  resize(80, MinimumHeight());
}

int TSpecialEdit::MinimumHeight() const {
  // Character height plus room for the sunken border.
  return fontMetrics().height() + 8;
}

QSize TSpecialEdit::sizeHint() const { return QSize(80, MinimumHeight()); }
QSize TSpecialEdit::minimumSizeHint() const { return QSize(20, MinimumHeight()); }

void TSpecialEdit::SetDropDownMenu(QMenu* menu) {
  menu_ = menu;
  UpdateChecks();
  update();
  Changed();
}

void TSpecialEdit::SetItemIndex(int value) {
  if (value == itemIndex_) return;
  itemIndex_ = value >= 0 ? value : -1;
  if (menu_) {
    UpdateChecks();
    update();
    Changed();
  }
}

QString TSpecialEdit::Text() const {
  if (!menu_) return text_;
  const int m = MenuIndexOf(itemIndex_);
  if (m < 0) return QString();
  QString s = menu_->actions().at(m)->text();
  const int amp = s.indexOf('&');
  if (amp >= 0) s.remove(amp, 1);
  return s;
}

void TSpecialEdit::SetText(const QString& text) {
  if (menu_) return;
  text_ = text;
  update();
  Changed();
}

void TSpecialEdit::SetShowButton(bool value) {
  showButton_ = value;
  button_->setVisible(value);
  PlaceButton();
  update();
}

void TSpecialEdit::SetReadOnly(bool value) {
  readOnly_ = value;
  button_->setEnabled(isEnabled() && !readOnly_);
}

void TSpecialEdit::SetColor(TColor c) {
  if (c == color_) return;
  color_ = c;
  update();
}

void TSpecialEdit::SetDisabledColor(TColor c) {
  if (c == disabledColor_) return;
  disabledColor_ = c;
  if (!isEnabled()) update();
}

void TSpecialEdit::SetGlyph(const QPixmap& glyph, int numGlyphs) {
  glyph_ = glyph;
  numGlyphs_ = numGlyphs == 2 ? 2 : 1;
  update();
}

int TSpecialEdit::MenuIndexOf(int i) const {
  if (!menu_ || i < 0) return -1;
  const QList<QAction*> items = menu_->actions();
  if (i > items.size() - 1) return -1;
  int n = 0;
  for (int pos = 0; pos < items.size(); ++pos) {
    if (items[pos]->isSeparator()) continue;
    if (n == i) return pos;
    ++n;
  }
  return -1;
}

int TSpecialEdit::ItemIndexOf(const QAction* item) const {
  if (!menu_) return -1;
  int n = 0;
  for (QAction* a : menu_->actions()) {
    if (a == item) return n;
    if (!a->isSeparator()) ++n;
  }
  return -1;
}

void TSpecialEdit::UpdateChecks() {
  if (!menu_) return;
  for (QAction* a : menu_->actions()) {
    if (a->isSeparator()) continue;
    a->setCheckable(true);
    a->setChecked(false);
  }
  const int m = MenuIndexOf(itemIndex_);
  if (itemIndex_ != -1 && m >= 0) menu_->actions().at(m)->setChecked(true);
}

bool TSpecialEdit::MayDropDown(qint64 nowMs) const {
  return nowMs - closedAt_ >= kReopenGuardMs;
}

void TSpecialEdit::DropDown() {
  if (!menu_) return;
  // A click on the button that closes an open menu must not reopen it at once.
  if (!MayDropDown(NowMs())) return;
  for (QAction* a : menu_->actions()) {
    if (a->isSeparator()) continue;
    disconnect(a, &QAction::triggered, this, nullptr);
    connect(a, &QAction::triggered, this, [this, a] { ItemClick(a); });
  }
  QPoint at = mapToGlobal(QPoint(0, height()));
  if (g_ThemesActive) at.ry() -= 1;
  menu_->exec(at);
  closedAt_ = NowMs();
}

void TSpecialEdit::ItemClick(QAction* item) {
  const int i = ItemIndexOf(item);
  if (i < 0) return;
  const int old = itemIndex_;
  SetItemIndex(i);
  // QAction toggles its own check on a click; the chosen item stays the checked one.
  UpdateChecks();
  if (OnSelectItem) OnSelectItem(this, i != old);
}

QRect TSpecialEdit::TextRect() const {
  QRect r = contentsRect();
  if (showButton_) r.setRight(r.right() - kButtonWidth - (g_ThemesActive ? 1 : 0));
  if (!glyph_.isNull()) r.setLeft(r.left() + glyph_.width() / numGlyphs_);
  return r.adjusted(2, 2, -2, -2);
}

QString TSpecialEdit::DisplayText() const {
  QString s = Text();
  if (OnDisplayText) OnDisplayText(const_cast<TSpecialEdit*>(this), s);
  return s;
}

void TSpecialEdit::paintEvent(QPaintEvent* e) {
  {
    QPainter p(this);
    const bool useDisabled = !isEnabled() && disabledColor_ != clNone;
    p.fillRect(contentsRect(), ToQColor(useDisabled ? disabledColor_ : color_));
    p.setPen(ToQColor(isEnabled() ? clWindowText : clGrayText));
    p.setFont(font());
    p.drawText(TextRect(), Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, DisplayText());
    if (!glyph_.isNull()) {
      const int w = glyph_.width() / numGlyphs_;
      const int idx = (!isEnabled() && numGlyphs_ == 2) ? 1 : 0;
      QPixmap one = glyph_.copy(idx * w, 0, w, glyph_.height());
      const QImage img = one.toImage();
      const QColor key = img.pixelColor(0, img.height() - 1);
      one.setMask(QBitmap::fromImage(img.createMaskFromColor(key.rgb(), Qt::MaskInColor)));
      const int y = contentsRect().top() + (contentsRect().height() - 4 - one.height()) / 2 + 2;
      p.drawPixmap(contentsRect().left() + 2, y, one);
    }
  }
  QFrame::paintEvent(e);  // the frame itself
}

void TSpecialEdit::resizeEvent(QResizeEvent* e) {
  QFrame::resizeEvent(e);
  if (height() < MinimumHeight()) resize(width(), MinimumHeight());
  PlaceButton();
}

void TSpecialEdit::PlaceButton() {
  const QRect c = contentsRect();
  if (showButton_) button_->setGeometry(c.right() - kButtonWidth + 1, c.top(), kButtonWidth, c.height());
  else button_->move(-999, button_->y());
}

void TSpecialEdit::mousePressEvent(QMouseEvent* e) {
  QFrame::mousePressEvent(e);
  // A click is the left button; the others leave the menu shut.
  if (e->button() != Qt::LeftButton) return;
  setFocus(Qt::MouseFocusReason);
  DropDown();
  if (OnClick) OnClick();
}

void TSpecialEdit::keyPressEvent(QKeyEvent* e) {
  if (e->key() == Qt::Key_Right || e->key() == Qt::Key_Down) {
    DropDown();
    if (OnClick) OnClick();
    return;
  }
  QFrame::keyPressEvent(e);
}

void TSpecialEdit::changeEvent(QEvent* e) {
  if (e->type() == QEvent::EnabledChange) {
    button_->setEnabled(isEnabled() && !readOnly_);
    update();
  }
  QFrame::changeEvent(e);
}

void TSpecialEdit::Changed() {
  if (OnChange) OnChange();
}

}  // namespace velinor
