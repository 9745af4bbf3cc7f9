#pragma once
// The tool panel's look: the repeating band gradient behind the panel and both
// toolbars, the etched top line and the two dotted grips, and the toolbar icon
// sets (soft-shadowed icons, pale grey disabled ones) built once at start-up.
#include <QIcon>
#include <QImage>
#include <vector>

#include "core/base/Bitmap.h"
#include "gui/view/QtBitmap.h"

class QToolBar;
class QWidget;

namespace velinor {

// Paints the panel's bands, etched line and grips after its own painting; the
// second grip stands 12 pixels left of gripAnchor (the zoom box). Installed once.
void InstallToolPanelPainting(QWidget* panel, QWidget* gripAnchor);

// The toolbar's custom drawing: bands continuing those of the panel it sits in.
void ToolBarCustomDraw(QToolBar* toolbar);

// The toolbar icon of ImgBoutons with its shadow, and its disabled version.
QIcon ToolbarIcon(int index);

// A 24-bit bitmap of the icon lists back as an image where its transparent
// colour is see-through (the other way is BitmapFromImage with pf32bit).
QImage ImageFromBitmap(const TBitmap& bitmap);

}  // namespace velinor
