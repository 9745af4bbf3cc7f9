#include "gui/app/Resources.h"

#include <QImage>
#include <QPainter>

static void InitQrc() { Q_INIT_RESOURCE(velinor); }

namespace velinor {

void InitResources() { InitQrc(); }

QPixmap ToolbarImage(int index) {
  return QPixmap(QString(":/icons/toolbar%1.png").arg(index, 2, 10, QChar('0')));
}

QCursor LoadPipetteCursor() {
  const QPixmap p(":/cursors/pipette.png");
  if (p.isNull()) return QCursor(Qt::CrossCursor);
  // The hot spot is the tip of the dropper, at the lower left.
  return QCursor(p, 1, p.height() - 2);
}

QPixmap DeleteGlyph() { return QPixmap(":/icons/delete.png"); }

QPixmap BrushGlyph() {
  QPixmap pm(kToolbarIconWidth, kToolbarIconHeight);
  pm.fill(Qt::transparent);
  QPainter p(&pm);
  p.setRenderHint(QPainter::Antialiasing, true);
  p.setPen(QPen(QColor(60, 60, 60), 5, Qt::SolidLine, Qt::RoundCap));
  p.drawLine(QPointF(8, 27), QPointF(20, 19));
  p.setPen(QPen(QColor(120, 70, 20), 3, Qt::SolidLine, Qt::RoundCap));
  p.drawLine(QPointF(22, 16), QPointF(32, 6));
  p.setPen(Qt::NoPen);
  p.setBrush(QColor(200, 40, 40));
  p.drawEllipse(QPointF(20, 18), 4, 4);
  return pm;
}

QIcon ProgramIcon() {
  QIcon icon;
  for (int size : {16, 24, 32, 48, 64, 128, 256})
    icon.addFile(QString(":/icons/velinor-%1.png").arg(size), QSize(size, size));
  return icon;
}

QPixmap AboutPicture() { return QPixmap(kAboutPicturePath); }

}  // namespace velinor
