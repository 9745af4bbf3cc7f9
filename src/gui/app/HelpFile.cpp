#include "gui/app/HelpFile.h"

#include <QDir>
#include <QFileInfo>

namespace velinor {

QString FindHelpFile(const QString& exeFilePath) {
  const QFileInfo exe(exeFilePath);
  const QString base = exe.dir().filePath(exe.completeBaseName());
  const QString candidates[] = {
      base + ".chm", base + ".htm",
      QDir::cleanPath(exe.dir().filePath("../share/doc/velinor/velinor.htm"))};
  for (const QString& c : candidates)
    if (QFileInfo(c).isFile()) return c;
  return QString();
}

}  // namespace velinor
