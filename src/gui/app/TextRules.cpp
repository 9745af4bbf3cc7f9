#include "gui/app/TextRules.h"

#include <QDir>
#include <QFileInfo>

#include "gui/app/Settings.h"

namespace velinor {

QString HintFromCaption(const QString& caption) {
  QString s = caption;
  const int amp = s.indexOf('&');
  if (amp >= 0) s.remove(amp, 1);
  if (s.endsWith("...")) s.chop(3);
  if (s.endsWith(':')) s.chop(1);
  return s.trimmed();
}

QString ShortenText(const QString& text, int n) {
  return text.size() <= n ? text : text.left(n) + "...";
}

QString RecentCaption(const QStringList& recent, int i) {
  if (i < 0 || i >= recent.size()) return QString();
  return QString("%1 %2").arg(i + 1).arg(ShortenText(QFileInfo(recent[i]).fileName(), 30));
}

void AddRecentFile(QStringList& recent, const QString& name) {
  for (int i = 0; i < recent.size(); ++i) {
    if (recent[i].compare(name, Qt::CaseInsensitive) == 0) {
      recent.move(i, 0);
      return;
    }
  }
  while (recent.size() >= kMaxRecentFiles) recent.removeLast();
  recent.prepend(name);
}

QString JoinDirAndName(const QString& fileName, const QString& folder) {
  if (fileName.isEmpty()) return QString();
  const QString name = QFileInfo(fileName).fileName();
  if (folder.isEmpty()) return name;
  return folder.endsWith('/') ? folder + name : folder + '/' + name;
}

QString DiskFileName(const QString& path) {
  const QFileInfo info(path);
  if (!info.exists() || !info.isFile()) return path;
  // Look the entry up in its folder to get the name as stored.
  const QDir dir = info.absoluteDir();
  const QStringList names = dir.entryList(QDir::Files | QDir::Hidden | QDir::System);
  QString stored = info.fileName();
  if (!names.contains(stored)) {
    for (const QString& n : names)
      if (n.compare(stored, Qt::CaseInsensitive) == 0) {
        stored = n;
        break;
      }
  }
  return FolderOf(info.absoluteFilePath()) + stored;
}

QString FolderOf(const QString& fileName) {
  QString dir = QFileInfo(fileName).absolutePath();
  if (!dir.endsWith('/')) dir += '/';
  return dir;
}

}  // namespace velinor
