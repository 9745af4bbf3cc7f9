#include "gui/dialogs/PictureInfoText.h"

#include <QLocale>
#include <QStringList>

#include "core/files/ExifSummary.h"
#include "core/files/PictureInfo.h"

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

}  // namespace

QString ShortDateTimeText(const QDateTime& when) {
  const QLocale locale;
  return locale.toString(when.date(), QLocale::ShortFormat) + " " + locale.toString(when.time(), QLocale::ShortFormat);
}

QString PictureInformationText(const std::string& fileName, const TPicturePreview& preview, bool sizeable) {
  // A file that could not be read tells why.
  if (!preview.Loaded) return QString::fromStdString(preview.FailureCause);
  try {
    const TPictureInfo info = PreviewPictureInfo(fileName, preview, sizeable);
    std::vector<std::string> exif;
    if (sizeable) exif = InformationExifLines(fileName, ExifDateTime);
    QStringList lines;
    for (const std::string& line : PictureInfoLines(info, LocalDateTime, exif, DecimalSeparator()))
      lines << QString::fromStdString(line);
    return lines.join('\n');
  } catch (...) {
    return {};
  }
}

}  // namespace velinor
