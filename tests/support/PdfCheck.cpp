#include "support/PdfCheck.h"

#include <QDir>
#include <QPageLayout>
#include <QPageSize>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>

namespace velinor::test {

QString FindTool(const QString& name) {
  QString path = QStandardPaths::findExecutable(name);
  if (path.isEmpty()) path = QStandardPaths::findExecutable(name, {"/usr/sbin", "/sbin"});
  return path;
}

bool RunTool(const QString& program, const QStringList& args, int timeoutMs, QString* output) {
  QProcess p;
  p.setProcessChannelMode(QProcess::MergedChannels);
  p.start(program, args);
  if (!p.waitForStarted(10000)) return false;
  if (!p.waitForFinished(timeoutMs)) {
    p.kill();
    p.waitForFinished(5000);
    return false;
  }
  if (output) *output = QString::fromLocal8Bit(p.readAll());
  return p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
}

void SetPage(QPrinter& printer, double widthPt, double heightPt, int dpi) {
  printer.setResolution(dpi);
  printer.setFullPage(false);
  printer.setPageSize(QPageSize(QSizeF(widthPt, heightPt), QPageSize::Point, "Test",
                                QPageSize::ExactMatch));
  printer.setPageMargins(QMarginsF(0, 0, 0, 0), QPageLayout::Point);
}

QImage Rasterise(const QString& pdf, int dpi) {
  const QString tool = FindTool("pdftoppm");
  if (tool.isEmpty()) return {};
  QTemporaryDir dir;
  const QString prefix = dir.filePath("page");
  if (!RunTool(tool, {"-png", "-r", QString::number(dpi), "-aa", "no", "-aaVector", "no",
                      "-singlefile", "-f", "1", "-l", "1", pdf, prefix}))
    return {};
  QImage img(prefix + ".png");
  return img.convertToFormat(QImage::Format_RGB32);
}

int PageCount(const QString& pdf) {
  const QString tool = FindTool("pdfinfo");
  QString out;
  if (tool.isEmpty() || !RunTool(tool, {pdf}, 30000, &out)) return -1;
  for (const QString& line : out.split('\n')) {
    if (line.startsWith("Pages:")) return line.mid(6).trimmed().toInt();
  }
  return -1;
}

TBitmap TestPhoto(int w, int h) {
  TBitmap b(w, h);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) b.SetPixel(x, y, x < w / 2 ? RGB(220, 30, 30) : RGB(30, 30, 220));
  return b;
}

bool IsDark(QRgb c) { return qRed(c) < 80 && qGreen(c) < 80 && qBlue(c) < 80; }
bool IsWhite(QRgb c) { return qRed(c) > 235 && qGreen(c) > 235 && qBlue(c) > 235; }
bool IsReddish(QRgb c) { return qRed(c) > 150 && qGreen(c) < 90 && qBlue(c) < 90; }
bool IsBluish(QRgb c) { return qBlue(c) > 150 && qRed(c) < 90 && qGreen(c) < 90; }

QRect InkBox(const QImage& img, const QRect& area) {
  int l = INT32_MAX, t = INT32_MAX, r = INT32_MIN, b = INT32_MIN;
  const QRect a = area.intersected(img.rect());
  for (int y = a.top(); y <= a.bottom(); ++y) {
    const QRgb* row = reinterpret_cast<const QRgb*>(img.constScanLine(y));
    for (int x = a.left(); x <= a.right(); ++x) {
      if (IsWhite(row[x])) continue;
      l = std::min(l, x);
      r = std::max(r, x);
      t = std::min(t, y);
      b = std::max(b, y);
    }
  }
  if (l > r) return {};
  return QRect(QPoint(l, t), QPoint(r, b));
}

}  // namespace velinor::test
