#include "app/Settings.h"

#include <QDir>
#include <QFileInfo>
#include <QSettings>
#include <QStandardPaths>
#include <QTemporaryFile>

namespace velinor {

namespace {

QString Read(QSettings& ini, const char* key) {
  return ini.value(QString::fromLatin1(key), QString::fromLatin1(kIniMissing)).toString();
}

bool FolderExists(const QString& dir) { return !dir.isEmpty() && QFileInfo(dir).isDir(); }

// Something other than a settings file sits at the path: reading it could block
// (a pipe) or swallow memory (a huge file).
bool ForeignFileAt(const QString& iniPath) {
  const QFileInfo info(iniPath);
  return info.exists() && (!info.isFile() || info.size() > kMaxSettingsBytes);
}

}  // namespace

QString SettingsFilePath(const QString& exeDir) {
  // Writable means a file can really be created there (permissions, read-only
  // mounts); a probe file answers both.
  QTemporaryFile probe(QDir(exeDir).filePath("velinor-probe-XXXXXX"));
  if (probe.open()) return QDir(exeDir).filePath("Velinor.ini");
  const QString config = QStandardPaths::writableLocation(QStandardPaths::AppConfigLocation);
  QDir().mkpath(config);
  return QDir(config).filePath("Velinor.ini");
}

void LoadSettings(const QString& iniPath, TAppSettings& s) {
  if (ForeignFileAt(iniPath)) return;
  QSettings ini(iniPath, QSettings::IniFormat);
  QString v = Read(ini, "Params/Open");
  if (v != kIniMissing && FolderExists(v)) s.OpenDir = v;
  v = Read(ini, "Params/Save");
  if (v != kIniMissing && FolderExists(v)) s.SaveDir = v;
  if (Read(ini, "Params/Maximized") == "1") s.Maximized = true;
  if (Read(ini, "Params/Preview") == "1") s.PreviewOn = true;
  if (Read(ini, "Params/Unit") == "1") s.UnitInch = true;
  for (int i = 1; i <= kMaxRecentFiles; ++i) {
    v = Read(ini, QString("Files/File%1").arg(i).toLatin1().constData());
    if (v != kIniMissing && !v.isEmpty() && s.RecentFiles.size() < kMaxRecentFiles)
      s.RecentFiles.append(v);
  }
  if (Read(ini, "Params/Antialias") == "0") s.Antialias = false;
}

bool SaveSettings(const QString& iniPath, const TAppSettings& s, QString* failedKey) {
  if (ForeignFileAt(iniPath)) {
    if (failedKey) *failedKey = "Params/Open";
    return false;
  }
  QSettings ini(iniPath, QSettings::IniFormat);
  // QSettings writes the file as a whole when synced (through a temporary file
  // renamed over the old one); a write that cannot be made shows up as an access
  // error after the sync. A format error only says the old content could not be
  // parsed: the new content was written all the same.
  ini.setValue("Params/Open", s.OpenDir);
  ini.setValue("Params/Save", s.SaveDir);
  ini.setValue("Params/Maximized", s.Maximized ? "1" : "0");
  ini.setValue("Params/Preview", s.PreviewOn ? "1" : "0");
  ini.setValue("Params/Unit", s.UnitInch ? "1" : "0");
  for (int i = 0; i < s.RecentFiles.size() && i < kMaxRecentFiles; ++i)
    ini.setValue(QString("Files/File%1").arg(i + 1), s.RecentFiles[i]);
  ini.setValue("Params/Antialias", s.Antialias ? "1" : "0");
  ini.sync();
  if (ini.status() == QSettings::AccessError) {
    if (failedKey) *failedKey = "Params/Open";
    return false;
  }
  return true;
}

}  // namespace velinor
