#include "gui/app/Settings.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <QTemporaryFile>

#include <exception>

#include "core/files/IniFile.h"

namespace velinor {

namespace {

QString Read(const TIniFile& ini, const char* section, const QString& key) {
  const auto v = ini.Value(section, key.toStdString());
  return v ? QString::fromStdString(*v) : QString::fromLatin1(kIniMissing);
}

bool FolderExists(const QString& dir) { return !dir.isEmpty() && QFileInfo(dir).isDir(); }

QString WithSeparator(QString dir) {
  if (!dir.endsWith('/')) dir += '/';
  return dir;
}

}  // namespace

bool FolderWritable(const QString& dir) {
  // Writable means a file can really be created there (permissions, read-only
  // mounts); a probe file answers both.
  QTemporaryFile probe(QDir(dir).filePath("velinor-probe-XXXXXX"));
  return probe.open();
}

QString SettingsFilePath(const QString& exeDir) {
  if (FolderWritable(exeDir)) return QDir(exeDir).filePath("Velinor.ini");
  const QString config = QStandardPaths::writableLocation(QStandardPaths::AppConfigLocation);
  QDir().mkpath(config);
  return QDir(config).filePath("Velinor.ini");
}

QString FirstOpenDir(const QString& exeDir) {
  if (FolderWritable(exeDir)) return WithSeparator(exeDir);
  const QString pictures = QStandardPaths::writableLocation(QStandardPaths::PicturesLocation);
  if (FolderExists(pictures)) return WithSeparator(pictures);
  return WithSeparator(QDir::homePath());
}

void LoadSettings(const QString& iniPath, TAppSettings& s) {
  TIniFile ini;
  try {
    ini = TIniFile::Load(QFile::encodeName(iniPath).toStdString(), kMaxSettingsBytes);
  } catch (const std::exception&) {
    return;  // not a settings file, or unreadable: the defaults stand
  }
  QString v = Read(ini, "Params", "Open");
  if (v != kIniMissing && FolderExists(v)) s.OpenDir = v;
  v = Read(ini, "Params", "Save");
  if (v != kIniMissing && FolderExists(v)) s.SaveDir = v;
  if (Read(ini, "Params", "Maximized") == "1") s.Maximized = true;
  if (Read(ini, "Params", "Preview") == "1") s.PreviewOn = true;
  if (Read(ini, "Params", "Unit") == "1") s.UnitInch = true;
  for (int i = 1; i <= kMaxRecentFiles; ++i) {
    v = Read(ini, "Files", QString("File%1").arg(i));
    if (v != kIniMissing && !v.isEmpty() && s.RecentFiles.size() < kMaxRecentFiles) s.RecentFiles.append(v);
  }
  if (Read(ini, "Params", "Antialias") == "0") s.Antialias = false;
  if (Read(ini, "Params", "LivePreview") == "0") s.LivePreview = false;
}

bool SaveSettings(const QString& iniPath, const TAppSettings& s, QString* failedKey) {
  const auto fail = [&](const QString& key) {
    if (failedKey) *failedKey = key;
    return false;
  };
  // The file is read again so that what the program does not know of stays;
  // a file that cannot be read is not replaced by one that lost it.
  TIniFile ini;
  try {
    ini = TIniFile::Load(QFile::encodeName(iniPath).toStdString(), kMaxSettingsBytes);
  } catch (const std::exception&) {
    return fail("Params/Open");
  }
  struct TEntry {
    const char* Section;
    QString Key, Value;
  };
  const auto flag = [](bool on) { return QString(on ? "1" : "0"); };
  std::vector<TEntry> entries = {{"Params", "Open", s.OpenDir},
                                 {"Params", "Save", s.SaveDir},
                                 {"Params", "Maximized", flag(s.Maximized)},
                                 {"Params", "Preview", flag(s.PreviewOn)},
                                 {"Params", "Unit", flag(s.UnitInch)}};
  for (int i = 0; i < s.RecentFiles.size() && i < kMaxRecentFiles; ++i)
    entries.push_back({"Files", QString("File%1").arg(i + 1), s.RecentFiles[i]});
  entries.push_back({"Params", "Antialias", flag(s.Antialias)});
  entries.push_back({"Params", "LivePreview", flag(s.LivePreview)});
  // Writing stops at a value that cannot stand on one line (a file name with a
  // line break); the keys before it are written all the same.
  QString stoppedAt;
  for (const TEntry& e : entries) {
    if (!ini.SetValue(e.Section, e.Key.toStdString(), e.Value.toStdString())) {
      stoppedAt = QString("%1/%2").arg(e.Section, e.Key);
      break;
    }
  }
  try {
    ini.Save(QFile::encodeName(iniPath).toStdString());
  } catch (const std::exception&) {
    return fail("Params/Open");
  }
  return stoppedAt.isEmpty() || fail(stoppedAt);
}

}  // namespace velinor
