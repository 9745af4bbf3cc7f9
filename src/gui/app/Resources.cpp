#include "gui/app/Resources.h"

#include <QImage>

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

QIcon ProgramIcon() {
  QIcon icon;
  for (int size : {16, 24, 32, 48, 64, 128, 256})
    icon.addFile(QString(":/icons/velinor-%1.png").arg(size), QSize(size, size));
  return icon;
}

QPixmap AboutPicture() { return QPixmap(kAboutPicturePath); }

}  // namespace velinor
