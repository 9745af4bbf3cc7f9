#include "gui/style/MenuStyle.h"

#include <QAction>
#include <QApplication>
#include <QFontMetrics>
#include <QMenu>
#include <QMenuBar>
#include <QPainter>
#include <QPointer>
#include <QStyleFactory>
#include <QStyleOptionMenuItem>

#include "gui/style/PainterFill.h"
#include "core/view/BarPainting.h"

namespace velinor {

namespace {

constexpr int kTextMargin = 16;
// Classic menus add a check-mark column to the width an owner-drawn item asks
// for; without it the caption would run into the right margin.
constexpr int kCheckColumnWidth = 16;
constexpr int kSeparatorHeight = 9;

// The classic 7 x 7 check mark, one string per row.
constexpr const char* kCheckMark[7] = {"......#", ".....##", "#...###", "##.###.",
                                       "#####..", ".###...", "..#...."};
constexpr int kCheckSize = 7;

void FillColor(QPainter& p, const QRect& r, TColor c) { p.fillRect(r, ToQColor(c)); }

void Gradient(QPainter& p, const QRect& r, TColor c1, TColor c2) {
  TPainterFillCanvas canvas(p);
  HorizontalGradient(canvas, ToTRect(r), c1, c2);
}

void DrawCheckMark(QPainter& p, const QRect& item, const QColor& color) {
  const int x = item.left() + (16 - kCheckSize) / 2;
  const int y = item.top() + (item.bottom() + 1 - 1 - item.top() - kCheckSize) / 2;
  for (int row = 0; row < kCheckSize; ++row)
    for (int col = 0; col < kCheckSize; ++col)
      if (kCheckMark[row][col] == '#') p.fillRect(x + col, y + row, 1, 1, color);
}

void DrawSubmenuArrow(QPainter& p, const QRect& item, const QColor& color) {
  const int cx = item.right() - 7;
  const int cy = item.center().y();
  for (int i = 0; i < 4; ++i) p.fillRect(cx + i, cy - 3 + i, 1, 7 - 2 * i, color);
}

QString CaptionOf(const QStyleOptionMenuItem* o) { return o->text.section('\t', 0, 0); }
QString ShortcutOf(const QStyleOptionMenuItem* o) {
  const int tab = o->text.indexOf('\t');
  return tab < 0 ? QString() : o->text.mid(tab + 1);
}

}  // namespace

int MeasureMenuItem(const QFontMetrics& metrics, const QString& caption, const QString& shortcut) {
  QString text = caption + "X";
  if (!shortcut.isEmpty()) text += shortcut + "XXX";
  return metrics.horizontalAdvance(text) + kTextMargin;
}

void PaintMenuItem(QPainter& p, const QRect& rect, const QString& caption,
                   const QString& shortcut, const TMenuItemState& state, bool topLevel,
                   bool separator, bool hasSubmenu) {
  const TMenuColors colors = MenuColorsNow();
  p.save();
  if (separator) {
    QRect gutter = rect;
    gutter.setWidth(kMenuGutterWidth);
    Gradient(p, gutter, colors.Gutter, clMenu);
    Gradient(p, QRect(rect.left() + 1, rect.top() + 4, rect.width() - 2, 1), clBtnShadow, clMenu);
    p.restore();
    return;
  }
  const bool lit = state.Selected || state.Hot;
  QRect r = rect;
  if (lit) {
    if (topLevel) r.adjust(1, 1, -1, -1);
    FillColor(p, r, clHighlight);
    r.adjust(1, 1, -1, -1);
    Gradient(p, r, colors.Selection1, colors.Selection2);
  } else if (topLevel) {
    FillColor(p, r, clMenuBar);
  } else {
    FillColor(p, r, clMenu);
    Gradient(p, QRect(r.left(), r.top(), std::min(kMenuGutterWidth, r.width()), r.height()),
             colors.Gutter, clMenu);
  }
  QFont font = p.font();
  if (state.Default) font.setBold(true);
  p.setFont(font);
  const TColor textColor = state.Disabled ? clGrayText : lit ? clHighlightText : clMenuText;
  p.setPen(ToQColor(textColor));
  if (state.Checked) DrawCheckMark(p, rect, ToQColor(textColor));
  QRect textRect = rect.adjusted(0, 0, 0, -1);
  const int accel = state.HideAccel ? Qt::TextHideMnemonic : Qt::TextShowMnemonic;
  const int flags = Qt::TextSingleLine | Qt::AlignVCenter | Qt::TextExpandTabs | accel;
  if (topLevel) {
    p.drawText(textRect, flags | Qt::AlignHCenter, caption);
    p.restore();
    return;
  }
  textRect.adjust(kTextMargin, 0, -kTextMargin, 0);
  p.drawText(textRect, flags | Qt::AlignLeft, caption);
  if (!shortcut.isEmpty()) {
    if (!state.Disabled && !state.Selected) p.setPen(ToQColor(kMenuShortcutColor));
    p.drawText(textRect, flags | Qt::AlignRight, shortcut);
  }
  if (hasSubmenu) DrawSubmenuArrow(p, rect, ToQColor(textColor));
  p.restore();
}

TMenuStyle::TMenuStyle() : QProxyStyle(QStyleFactory::create(QApplication::style()->name())) {}

void TMenuStyle::drawControl(ControlElement element, const QStyleOption* option, QPainter* painter,
                             const QWidget* widget) const {
  switch (element) {
    case CE_MenuItem:
    case CE_MenuBarItem: {
      const auto* o = qstyleoption_cast<const QStyleOptionMenuItem*>(option);
      if (!o) break;
      const bool bar = element == CE_MenuBarItem;
      if (o->menuItemType == QStyleOptionMenuItem::EmptyArea) {
        if (bar) FillColor(*painter, o->rect, clMenuBar);
        return;
      }
      TMenuItemState s;
      s.Disabled = !(o->state & State_Enabled);
      if (bar) {
        s.Selected = (o->state & State_Sunken) != 0;
        s.Hot = !s.Selected && (o->state & State_Selected);
      } else {
        s.Selected = (o->state & State_Selected) != 0;
      }
      s.Checked = o->checkType != QStyleOptionMenuItem::NotCheckable && o->checked;
      s.Default = o->menuItemType == QStyleOptionMenuItem::DefaultItem;
      s.HideAccel = !proxy()->styleHint(SH_UnderlineShortcut, option, widget);
      painter->setFont(o->font);
      PaintMenuItem(*painter, o->rect, CaptionOf(o), ShortcutOf(o), s, bar,
                    o->menuItemType == QStyleOptionMenuItem::Separator,
                    o->menuItemType == QStyleOptionMenuItem::SubMenu);
      return;
    }
    case CE_MenuEmptyArea:
    case CE_MenuVMargin:
    case CE_MenuHMargin: {
      FillColor(*painter, option->rect, clMenu);
      QRect gutter = option->rect;
      gutter.setWidth(std::min(kMenuGutterWidth, gutter.width()));
      Gradient(*painter, gutter, MenuColorsNow().Gutter, clMenu);
      return;
    }
    case CE_MenuBarEmptyArea:
      FillColor(*painter, option->rect, clMenuBar);
      return;
    default:
      break;
  }
  QProxyStyle::drawControl(element, option, painter, widget);
}

void TMenuStyle::drawPrimitive(PrimitiveElement element, const QStyleOption* option,
                               QPainter* painter, const QWidget* widget) const {
  switch (element) {
    case PE_PanelMenu: {
      const QRect inner = option->rect.adjusted(1, 1, -1, -1);
      FillColor(*painter, option->rect, clMenu);
      Gradient(*painter, QRect(inner.left(), inner.top(), kMenuGutterWidth, inner.height()),
               MenuColorsNow().Gutter, clMenu);
      [[fallthrough]];
    }
    case PE_FrameMenu:
      painter->save();
      painter->setPen(ToQColor(clBtnShadow));
      painter->setBrush(Qt::NoBrush);
      painter->drawRect(option->rect.adjusted(0, 0, -1, -1));
      painter->restore();
      return;
    case PE_PanelMenuBar:
      FillColor(*painter, option->rect, clMenuBar);
      return;
    default:
      break;
  }
  QProxyStyle::drawPrimitive(element, option, painter, widget);
}

QSize TMenuStyle::sizeFromContents(ContentsType type, const QStyleOption* option,
                                   const QSize& size, const QWidget* widget) const {
  const QSize base = QProxyStyle::sizeFromContents(type, option, size, widget);
  const auto* o = qstyleoption_cast<const QStyleOptionMenuItem*>(option);
  if (type != CT_MenuItem || !o) return base;
  if (o->menuItemType == QStyleOptionMenuItem::Separator) return QSize(size.width(), kSeparatorHeight);
  // The menu adds the widest shortcut's width to the widest item afterwards;
  // take it off here so that the widest item ends up exactly as measured.
  int tabWidth = 0;
  if (const auto* menu = qobject_cast<const QMenu*>(widget)) {
    const QFontMetrics fm(menu->font());
    for (const QAction* a : menu->actions()) {
      const int tab = a->text().indexOf('\t');
      if (tab >= 0) tabWidth = std::max(tabWidth, fm.horizontalAdvance(a->text().mid(tab + 1)));
    }
  }
  const int width = MeasureMenuItem(o->fontMetrics, CaptionOf(o), ShortcutOf(o));
  return QSize(width + kCheckColumnWidth - tabWidth, base.height());
}

int TMenuStyle::pixelMetric(PixelMetric metric, const QStyleOption* option,
                            const QWidget* widget) const {
  switch (metric) {
    case PM_MenuHMargin: return 0;
    case PM_MenuVMargin: return 2;
    case PM_MenuPanelWidth: return 1;
    case PM_MenuBarItemSpacing: return 0;
    default: return QProxyStyle::pixelMetric(metric, option, widget);
  }
}

TMenuStyle* MenuStyle() {
  // Owned by the application object so that it goes away before it.
  static QPointer<TMenuStyle> style;
  if (!style) {
    style = new TMenuStyle;
    style->setParent(qApp);
  }
  return style;
}

namespace {

void StyleMenuTree(QMenu* menu) {
  if (!menu) return;
  menu->setStyle(MenuStyle());
  for (QAction* a : menu->actions()) StyleMenuTree(a->menu());
}

}  // namespace

void MakeMenuOwnerDrawn(QMenuBar* menu) {
  if (!menu) return;
  menu->setStyle(MenuStyle());
  for (QAction* a : menu->actions()) StyleMenuTree(a->menu());
}

void MakePopupOwnerDrawn(QMenu* menu) { StyleMenuTree(menu); }

}  // namespace velinor
