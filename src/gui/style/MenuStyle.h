#pragma once
// The program's menu look: a tinted gradient gutter on the left of every item,
// gradient selection boxes, shortcuts in dark red. A proxy style set on the menu
// bar and on each menu draws their items; the platform style does the rest.
#include <QProxyStyle>

class QFontMetrics;
class QMenu;
class QMenuBar;
class QPainter;
class QStyleOptionMenuItem;

namespace velinor {

// State flags of one item as the drawing rules see them.
struct TMenuItemState {
  bool Selected = false;
  bool Hot = false;  // highlighted without being selected (a hovered menu-bar item)
  bool Disabled = false;
  bool Checked = false;
  bool Default = false;
  bool HideAccel = false;
};

// Width of an item that is not on the menu bar: text width of the caption, "X",
// and when there is a shortcut its caption and "XXX", plus 16.
int MeasureMenuItem(const QFontMetrics& metrics, const QString& caption, const QString& shortcut);

// Draws one item in rect. topLevel: a menu-bar item. A separator draws only the
// gutter and its fading line. hasSubmenu adds the platform's arrow.
void PaintMenuItem(QPainter& painter, const QRect& rect, const QString& caption,
                   const QString& shortcut, const TMenuItemState& state, bool topLevel,
                   bool separator, bool hasSubmenu = false);

class TMenuStyle : public QProxyStyle {
  Q_OBJECT
 public:
  TMenuStyle();

  void drawControl(ControlElement element, const QStyleOption* option, QPainter* painter,
                   const QWidget* widget) const override;
  void drawPrimitive(PrimitiveElement element, const QStyleOption* option, QPainter* painter,
                     const QWidget* widget) const override;
  QSize sizeFromContents(ContentsType type, const QStyleOption* option, const QSize& size,
                         const QWidget* widget) const override;
  int pixelMetric(PixelMetric metric, const QStyleOption* option,
                  const QWidget* widget) const override;
};

// The one menu style of the program (created on first use, kept for the run).
TMenuStyle* MenuStyle();

// Gives the menu bar and every menu under it, on every level, the program's look.
void MakeMenuOwnerDrawn(QMenuBar* menu);
// The same for a context menu and its submenus.
void MakePopupOwnerDrawn(QMenu* menu);

}  // namespace velinor
