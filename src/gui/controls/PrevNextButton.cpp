#include "gui/controls/PrevNextButton.h"

#include <QMouseEvent>
#include <QPainter>
#include <QStyle>
#include <QStyleOption>

namespace velinor {

TPrevNextButton::TPrevNextButton(QWidget* parent) : QWidget(parent) {
  const int side = style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, this);
  resize(side, side);
  setFocusPolicy(Qt::NoFocus);
  repeat_.setInterval(100);
  connect(&repeat_, &QTimer::timeout, this, [this] {
    if (clickMode_ == TClickMode::cmMulti) repeat_.setInterval(50);
    else repeat_.stop();
    Fire();
  });
}

void TPrevNextButton::SetStyle(TPNStyle s) {
  if (s == style_) return;
  style_ = s;
  update();
}

void TPrevNextButton::Fire() {
  if (OnClick) OnClick();
}

void TPrevNextButton::paintEvent(QPaintEvent*) {
  QPainter p(this);
  QStyleOptionButton frame;
  frame.initFrom(this);
  frame.rect = rect();
  if (pressed_) frame.state |= QStyle::State_Sunken;
  else frame.state |= QStyle::State_Raised;
  style()->drawPrimitive(QStyle::PE_PanelButtonTool, &frame, &p, this);
  QStyleOption arrow;
  arrow.initFrom(this);
  arrow.rect = rect().adjusted(3, 3, -3, -3);
  QStyle::PrimitiveElement pe = QStyle::PE_IndicatorArrowDown;
  switch (style_) {
    case TPNStyle::stUp: pe = QStyle::PE_IndicatorArrowUp; break;
    case TPNStyle::stLeft: pe = QStyle::PE_IndicatorArrowLeft; break;
    case TPNStyle::stRight: pe = QStyle::PE_IndicatorArrowRight; break;
    default: break;
  }
  style()->drawPrimitive(pe, &arrow, &p, this);
}

void TPrevNextButton::mousePressEvent(QMouseEvent* e) {
  if (e->button() != Qt::LeftButton || !isEnabled()) return;
  pressed_ = true;
  repaint();
  if (clickMode_ == TClickMode::cmDown) {
    repeat_.setInterval(100);
    repeat_.start();
  } else if (clickMode_ == TClickMode::cmMulti) {
    Fire();
    repeat_.setInterval(400);
    repeat_.start();
  }
}

void TPrevNextButton::mouseReleaseEvent(QMouseEvent* e) {
  if (e->button() != Qt::LeftButton || !pressed_) return;
  pressed_ = false;
  if (clickMode_ == TClickMode::cmMulti) repeat_.stop();
  update();
  if (clickMode_ == TClickMode::cmUp && rect().contains(e->position().toPoint())) Fire();
}

void TPrevNextButton::changeEvent(QEvent* e) {
  if (e->type() == QEvent::EnabledChange) update();
  QWidget::changeEvent(e);
}

}  // namespace velinor
