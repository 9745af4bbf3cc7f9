#include "gui/style/ToolbarLook.h"

#include <QApplication>
#include <QEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QPixmap>
#include <QPointer>
#include <QToolBar>
#include <cstring>

#include "gui/app/Resources.h"
#include "gui/style/PainterFill.h"
#include "core/view/BarPainting.h"
#include "core/view/IconImages.h"

namespace velinor {

namespace {

// Paints before the watched widget's own painting: a panel with no frame paints
// nothing of its own, so the order makes no visible difference there, and the
// toolbars' buttons must come on top of their bands.
class TBandPainter : public QObject {
 public:
  TBandPainter(QWidget* target, QWidget* gripAnchor, bool panel)
      : QObject(target), anchor_(gripAnchor), panel_(panel) {}

  bool eventFilter(QObject* watched, QEvent* e) override {
    if (e->type() != QEvent::Paint) return false;
    auto* w = static_cast<QWidget*>(watched);
    QPainter p(w);
    TPainterFillCanvas canvas(p);
    const TRect clip = ToTRect(static_cast<QPaintEvent*>(e)->rect());
    const TBandColors colors = BandColorsNow();
    if (panel_) {
      const int gripX = anchor_ ? anchor_->x() - 12 : -100;
      PaintToolPanel(canvas, clip, w->width(), w->height(), gripX, colors);
    } else {
      BandGradient(canvas, clip, TRect{0, 0, w->width(), w->height()}, w->y(), colors);
    }
    return false;
  }

 private:
  QPointer<QWidget> anchor_;
  bool panel_;
};

// Pixmaps must go before the application object does: the sets belong to it.
struct TIconSets : QObject {
  std::vector<QIcon> Icons;
};

void BuildIconSets(TIconSets& sets) {
  std::vector<TBitmap> list;
  for (int i = 0; i < kToolbarIconCount; ++i)
    list.push_back(BitmapFromImage(ToolbarImage(i).toImage(), TPixelFormat::pf32bit));
  const auto shadowed = MakeShadowedImages(list, clBtnFace, kShadowIconStrength);
  const auto disabled = MakeDisabledImages(list, clBtnFace, kDisabledIconStrength);
  for (int i = 0; i < kToolbarIconCount; ++i) {
    QIcon icon;
    icon.addPixmap(shadowed ? QPixmap::fromImage(ImageFromBitmap((*shadowed)[i])) : ToolbarImage(i),
                   QIcon::Normal);
    if (disabled) icon.addPixmap(QPixmap::fromImage(ImageFromBitmap((*disabled)[i])), QIcon::Disabled);
    sets.Icons.push_back(icon);
  }
}

}  // namespace

void InstallToolPanelPainting(QWidget* panel, QWidget* gripAnchor) {
  if (!panel || panel->property("velinorBands").toBool()) return;
  panel->setProperty("velinorBands", true);
  // The panel draws its own etched line.
  if (QWidget* bevel = panel->findChild<QWidget*>("Bevel1")) bevel->hide();
  panel->installEventFilter(new TBandPainter(panel, gripAnchor, true));
}

void ToolBarCustomDraw(QToolBar* toolbar) {
  if (!toolbar || toolbar->property("velinorBands").toBool()) return;
  toolbar->setProperty("velinorBands", true);
  toolbar->installEventFilter(new TBandPainter(toolbar, nullptr, false));
}

QIcon ToolbarIcon(int index) {
  static QPointer<TIconSets> sets;
  if (!sets) {
    sets = new TIconSets;
    sets->setParent(qApp);
    BuildIconSets(*sets);
  }
  if (index < 0 || index >= static_cast<int>(sets->Icons.size())) return QIcon();
  return sets->Icons[index];
}


QImage ImageFromBitmap(const TBitmap& bitmap) {
  QImage img(bitmap.Width(), bitmap.Height(), QImage::Format_ARGB32);
  const TColor key = ResolveSystemColor(bitmap.TransparentColor);
  for (int y = 0; y < bitmap.Height(); ++y) {
    auto* line = reinterpret_cast<QRgb*>(img.scanLine(y));
    for (int x = 0; x < bitmap.Width(); ++x) {
      const TColor c = bitmap.Pixel(x, y);
      const bool clear = bitmap.Transparent && c == key;
      line[x] = qRgba(GetRValue(c), GetGValue(c), GetBValue(c), clear ? 0 : 255);
    }
  }
  return img;
}

}  // namespace velinor
