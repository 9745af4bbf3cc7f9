#include "dialogs/PictureInfoText.h"

#include <QLocale>
#include <QRegularExpression>
#include <QStringList>

#include "files/ExifSummary.h"
#include "files/FileRoutes.h"
#include "files/PictureInfo.h"
#include "files/RawImage.h"

namespace velinor {

namespace {

std::string LocalDateTime(std::time_t t) {
  return ShortDateTimeText(QDateTime::fromSecsSinceEpoch(static_cast<qint64>(t))).toStdString();
}

std::string ExifDateTime(const TExifDateTime& t) {
  return ShortDateTimeText(QDateTime(QDate(t.Year, t.Month, t.Day), QTime(t.Hour, t.Minute, t.Second)))
      .toStdString();
}

// The file-size line takes the platform's decimal separator when it is one byte.
char DecimalSeparator() {
  const QString point = QLocale().decimalPoint();
  if (point.size() == 1 && point[0].unicode() < 0x80) return static_cast<char>(point[0].unicode());
  return '.';
}

std::vector<std::string> SplitLines(const std::string& text) {
  std::vector<std::string> lines;
  for (const QString& line : QString::fromStdString(text).split(QRegularExpression("[\r\n]+"), Qt::SkipEmptyParts))
    lines.push_back(line.toStdString());
  return lines;
}

}  // namespace

QString ShortDateTimeText(const QDateTime& when) {
  const QLocale locale;
  return locale.toString(when.date(), QLocale::ShortFormat) + " " + locale.toString(when.time(), QLocale::ShortFormat);
}

QString PictureInformationText(const std::string& fileName, const TPicturePreview& preview, bool sizeable) {
  if (!preview.Loaded) return {};
  try {
    const TPictureInfo info = PreviewPictureInfo(fileName, preview, sizeable);
    std::vector<std::string> exif;
    if (sizeable) {
      if (IsJpegFile(fileName) || IsTiffFile(fileName))
        exif = ExifSummaryLines(ReadExifSummary(fileName), ExifDateTime);
      else if (IsRawFile(fileName))
        exif = SplitLines(RawCameraDescription(fileName));
    }
    QStringList lines;
    for (const std::string& line : PictureInfoLines(info, LocalDateTime, exif, DecimalSeparator()))
      lines << QString::fromStdString(line);
    return lines.join('\n');
  } catch (...) {
    return {};
  }
}

}  // namespace velinor
