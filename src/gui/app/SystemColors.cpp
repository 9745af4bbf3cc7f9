#include "gui/app/SystemColors.h"

#include <QApplication>
#include <QPalette>

#include "core/base/Color.h"

namespace velinor {

namespace {

TColor FromQColor(const QColor& c) { return RGB(c.red(), c.green(), c.blue()); }

TColor PaletteColor(uint8_t index) {
  const QPalette p = QApplication::palette();
  switch (index) {
    case sciWindow: return FromQColor(p.color(QPalette::Base));
    case sciWindowText:
    case sciBtnText: return FromQColor(p.color(QPalette::Text));
    case sciMenu:
    case sciMenuBar:
    case sciBtnFace: return FromQColor(p.color(QPalette::Button));
    case sciMenuText: return FromQColor(p.color(QPalette::ButtonText));
    case sciBtnShadow: return FromQColor(p.color(QPalette::Mid));
    case sci3DDkShadow: return FromQColor(p.color(QPalette::Shadow));
    case sciBtnHighlight: return FromQColor(p.color(QPalette::Light));
    case sci3DLight: return FromQColor(p.color(QPalette::Midlight));
    case sciHighlight:
    case sciMenuHighlight: return FromQColor(p.color(QPalette::Highlight));
    case sciHighlightText: return FromQColor(p.color(QPalette::HighlightedText));
    case sciGrayText: return FromQColor(p.color(QPalette::Disabled, QPalette::Text));
    case sciInfoText: return FromQColor(p.color(QPalette::ToolTipText));
    case sciInfoBk: return FromQColor(p.color(QPalette::ToolTipBase));
    default: return DefaultSystemColor(index);
  }
}

}  // namespace

void InstallPaletteSystemColors() { SetSystemColorResolver(PaletteColor); }

}  // namespace velinor
