// Feeds arbitrary bytes as the settings file: reading must keep the defaults for
// what it cannot use and never crash, and writing over such a file must either
// succeed or report failure.
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtGlobal>
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "app/Settings.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  // Qt's warnings about odd values (unknown variant types, file names with
  // zero bytes) are expected here and would only slow the run down.
  qInstallMessageHandler([](QtMsgType, const QMessageLogContext&, const QString&) {});
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static QTemporaryDir dir;
  static unsigned counter = 0;
  if (!dir.isValid()) std::abort();
  // A fresh name for every input: the settings library caches files by name.
  const QString path = dir.filePath(QString("Velinor-%1.ini").arg(++counter));
  {
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly)) std::abort();
    f.write(reinterpret_cast<const char*>(data), static_cast<qint64>(size));
  }
  velinor::TAppSettings s;
  velinor::LoadSettings(path, s);
  if (s.RecentFiles.size() > velinor::kMaxRecentFiles) std::abort();
  (void)velinor::SaveSettings(path, s);
  velinor::TAppSettings again;
  velinor::LoadSettings(path, again);
  QFile::remove(path);
  return 0;
}
