// The settings file as the program writes it and as people write it by hand, and
// files that are not what the program wrote: garbage, binary, huge, unreadable,
// not a file at all. Reading keeps the defaults and never blocks or crashes;
// writing either succeeds or says so once, and quitting always goes on. Where
// the executable's folder cannot be written, the first open folder moves too.
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <optional>
#include <random>

#include "support/GuiTestSupport.h"
#include "gui/app/MsgDlg.h"
#include "gui/app/Settings.h"

namespace velinor {
namespace {

using test::MakeForm;
using test::TScriptedDialogs;

QByteArray ReadBytes(const QString& path) {
  QFile f(path);
  return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<unreadable>");
}

void WriteBytes(const QString& path, const QByteArray& bytes) {
  QFile f(path);
  ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
  ASSERT_EQ(f.write(bytes), bytes.size());
}

QByteArray RandomBytes(int n, unsigned seed) {
  std::mt19937 rng(seed);
  QByteArray b(n, '\0');
  for (char& c : b) c = static_cast<char>(rng());
  return b;
}

// A settings object as the program starts it, with a folder to recognise.
TAppSettings Defaults() {
  TAppSettings s;
  s.OpenDir = "/default/open";
  return s;
}

void ExpectDefaults(const TAppSettings& s) {
  const TAppSettings d = Defaults();
  EXPECT_EQ(s.OpenDir, d.OpenDir);
  EXPECT_EQ(s.SaveDir, d.SaveDir);
  EXPECT_EQ(s.Maximized, d.Maximized);
  EXPECT_EQ(s.PreviewOn, d.PreviewOn);
  EXPECT_EQ(s.UnitInch, d.UnitInch);
  EXPECT_EQ(s.Antialias, d.Antialias);
  EXPECT_TRUE(s.RecentFiles.isEmpty());
}

// Runs f with the permissions of an ordinary user, so that file modes count
// also when the tests run as root; false when that is not possible.
template <typename F>
bool AsOrdinaryUser(F f) {
  if (geteuid() != 0) {
    f();
    return true;
  }
  if (seteuid(65534) != 0) return false;
  f();
  return seteuid(0) == 0;
}

TEST(SettingsFile, GarbageAndBinaryContentKeepTheDefaults) {
  QTemporaryDir dir;
  const QString ini = dir.filePath("Velinor.ini");
  const QByteArray texts[] = {
      "[[[[\n===\n[Params\nOpen\nMaximized==1=\n\\\\\\\n",
      "[Params]\nMaximized=yes\nPreview=2\nUnit=true\nAntialias=false\nOpen=/no/such/folder\n",
      QByteArray("\0\0\0\0[Params]\0Maximized=1", 24),
      "\xEF\xBB\xBF[Files]\nFile1=@Variant(\\0\\0\\0\\x7f\\0\\0\\0\\xff\\xff)\nFile2=@ByteArray(\n",
  };
  for (const QByteArray& text : texts) {
    SCOPED_TRACE(text.toStdString());
    WriteBytes(ini, text);
    TAppSettings s = Defaults();
    LoadSettings(ini, s);
    EXPECT_EQ(s.OpenDir, "/default/open");
    EXPECT_FALSE(s.Maximized);
    EXPECT_FALSE(s.PreviewOn);
    EXPECT_FALSE(s.UnitInch);
    EXPECT_TRUE(s.Antialias);
    EXPECT_LE(s.RecentFiles.size(), kMaxRecentFiles);
  }
  for (unsigned seed = 1; seed <= 20; ++seed) {
    WriteBytes(ini, RandomBytes(1 + static_cast<int>(seed) * 997, seed));
    TAppSettings s = Defaults();
    LoadSettings(ini, s);
    EXPECT_EQ(s.OpenDir, "/default/open");
    EXPECT_LE(s.RecentFiles.size(), kMaxRecentFiles);
  }
}

TEST(SettingsFile, HugeFileIsNotReadAndNotOverwritten) {
  QTemporaryDir dir;
  const QString ini = dir.filePath("Velinor.ini");
  QByteArray huge = "[Params]\nMaximized=1\nUnit=1\n[Files]\nFile1=/photos/a.jpg\n";
  huge += QByteArray(static_cast<int>(kMaxSettingsBytes), ';');
  WriteBytes(ini, huge);
  TAppSettings s = Defaults();
  LoadSettings(ini, s);
  ExpectDefaults(s);
  QString failedKey;
  EXPECT_FALSE(SaveSettings(ini, s, &failedKey));
  EXPECT_FALSE(failedKey.isEmpty());
  EXPECT_EQ(QFileInfo(ini).size(), huge.size());
}

TEST(SettingsFile, WhatIsNotAFileKeepsTheDefaultsAndNeverBlocks) {
  QTemporaryDir dir;
  const QString folder = dir.filePath("Velinor.ini");
  ASSERT_TRUE(QDir().mkpath(folder));
  TAppSettings s = Defaults();
  LoadSettings(folder, s);
  ExpectDefaults(s);
  EXPECT_FALSE(SaveSettings(folder, s));
  EXPECT_TRUE(QFileInfo(folder).isDir());

  // A pipe would stall a reader (and so the start or the end of the program)
  // until someone writes into it.
  const QString pipe = dir.filePath("pipe.ini");
  ASSERT_EQ(mkfifo(QFile::encodeName(pipe).constData(), 0644), 0);
  QElapsedTimer timer;
  timer.start();
  LoadSettings(pipe, s);
  ExpectDefaults(s);
  EXPECT_FALSE(SaveSettings(pipe, s));
  EXPECT_LT(timer.elapsed(), 5000);
}

// Temporary folders are private to their owner; the ordinary user must reach in.
void OpenUp(const QTemporaryDir& dir) { ASSERT_EQ(chmod(QFile::encodeName(dir.path()).constData(), 0755), 0); }

TEST(SettingsFile, UnreadableFileKeepsTheDefaults) {
  QTemporaryDir dir;
  OpenUp(dir);
  const QString ini = dir.filePath("Velinor.ini");
  WriteBytes(ini, "[Params]\nMaximized=1\nUnit=1\nAntialias=0\n[Files]\nFile1=/photos/a.jpg\n");
  ASSERT_EQ(chmod(QFile::encodeName(ini).constData(), 0), 0);
  TAppSettings s = Defaults();
  if (!AsOrdinaryUser([&] { LoadSettings(ini, s); })) GTEST_SKIP() << "cannot drop root rights";
  ExpectDefaults(s);
}

TEST(SettingsFile, GarbageIsReplacedByTheNextSave) {
  QTemporaryDir dir;
  const QString ini = dir.filePath("Velinor.ini");
  WriteBytes(ini, RandomBytes(5000, 7) + "\n[Params\nOpen=\n");
  TAppSettings s = Defaults();
  LoadSettings(ini, s);
  s.OpenDir = dir.path();
  s.UnitInch = true;
  s.RecentFiles = QStringList{"/photos/one.jpg", "/photos/a, b.png"};
  QString failedKey;
  EXPECT_TRUE(SaveSettings(ini, s, &failedKey)) << failedKey.toStdString();
  TAppSettings back = Defaults();
  LoadSettings(ini, back);
  EXPECT_EQ(back.OpenDir, dir.path());
  EXPECT_TRUE(back.UnitInch);
  EXPECT_EQ(back.RecentFiles, s.RecentFiles);
  // No temporary left beside it.
  EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden | QDir::System), QStringList{"Velinor.ini"});
}

// A settings file in a folder the user cannot write (an installed program's):
// read-only itself, it cannot be saved and stays as it was; writable, it is
// saved in place.
TEST(SettingsFile, ReadOnlyFolderFailsAndKeepsTheOldFile) {
  QTemporaryDir dir;
  OpenUp(dir);
  const QString sub = dir.filePath("exe");
  ASSERT_TRUE(QDir().mkpath(sub));
  const QString ini = sub + "/Velinor.ini";
  const QByteArray iniName = QFile::encodeName(ini);
  const QByteArray old = "[Params]\nUnit=1\n";
  WriteBytes(ini, old);
  ASSERT_EQ(chmod(iniName.constData(), 0444), 0);
  ASSERT_EQ(chmod(QFile::encodeName(sub).constData(), 0555), 0);
  TAppSettings s = Defaults();
  bool ok = true;
  if (!AsOrdinaryUser([&] { ok = SaveSettings(ini, s); })) GTEST_SKIP() << "cannot drop root rights";
  EXPECT_FALSE(ok);
  EXPECT_EQ(ReadBytes(ini), old);
  EXPECT_EQ(QDir(sub).entryList(QDir::Files | QDir::Hidden | QDir::System), QStringList{"Velinor.ini"});

  // The user's own writable file in the same folder: rewritten where it is.
  if (geteuid() == 0) {
    ASSERT_EQ(chown(iniName.constData(), 65534, 65534), 0);
  }
  ASSERT_EQ(chmod(iniName.constData(), 0644), 0);
  s.Maximized = true;
  ok = false;
  ASSERT_TRUE(AsOrdinaryUser([&] { ok = SaveSettings(ini, s); }));
  chmod(QFile::encodeName(sub).constData(), 0755);
  EXPECT_TRUE(ok);
  TAppSettings back = Defaults();
  LoadSettings(ini, back);
  EXPECT_TRUE(back.Maximized);
  EXPECT_EQ(QDir(sub).entryList(QDir::Files | QDir::Hidden | QDir::System), QStringList{"Velinor.ini"});
}

TEST(SettingsFile, UnwritableAtShutdownIsReportedOnceAndQuittingGoesOn) {
  QTemporaryDir dir;
  TScriptedDialogs dialogs;
  auto form = MakeForm(dir);
  // The settings path has become a folder: nothing can be written there.
  ASSERT_TRUE(QDir().mkpath(form->IniPath));
  const QString iniPath = form->IniPath;
  form->close();
  form.reset();
  ASSERT_EQ(dialogs.Messages.size(), 1u);
  EXPECT_EQ(dialogs.Messages[0].Text, QString("Unable to write the settings file \"%1\" !").arg(iniPath));
  EXPECT_EQ(dialogs.Messages[0].Kind, mkError);
  EXPECT_EQ(dialogs.Messages[0].Buttons, mbOk);
  EXPECT_TRUE(QFileInfo(iniPath).isDir());
}

TEST(SettingsFile, GarbageAtStartStartsWithDefaultsAndIsRepairedAtShutdown) {
  QTemporaryDir dir;
  TScriptedDialogs dialogs;
  WriteBytes(dir.filePath("Velinor.ini"), RandomBytes(20000, 3));
  auto form = MakeForm(dir);
  EXPECT_FALSE(form->Settings.Maximized);
  EXPECT_TRUE(form->Settings.RecentFiles.size() <= kMaxRecentFiles);
  form.reset();
  EXPECT_TRUE(dialogs.Messages.empty());
  EXPECT_EQ(test::IniValue(dir.filePath("Velinor.ini"), "Params/Unit"), "0");
}

TEST(SettingsFile, ProgramKeysInTheirOrderAndValuesAsPlainText) {
  QTemporaryDir dir;
  const QString ini = dir.filePath("Velinor.ini");
  TAppSettings s;
  s.OpenDir = "/photos/Paris, 2024/";
  s.SaveDir = " /leading blank";
  s.Maximized = true;
  s.RecentFiles = QStringList{"/photos/Paris, 2024/a.jpg", "/photos/x;y.jpg", "/photos/a\\tb \"c\".jpg",
                              "@Variant(\\0\\0\\0\\x7f)"};
  s.LivePreview = false;
  ASSERT_TRUE(SaveSettings(ini, s));
  EXPECT_EQ(ReadBytes(ini),
            "[Params]\nOpen=/photos/Paris, 2024/\nSave= /leading blank\nMaximized=1\nPreview=0\nUnit=0\n"
            "Antialias=1\nLivePreview=0\n"
            "[Files]\nFile1=/photos/Paris, 2024/a.jpg\nFile2=/photos/x;y.jpg\nFile3=/photos/a\\tb \"c\".jpg\n"
            "File4=@Variant(\\0\\0\\0\\x7f)\n");
  TAppSettings back;
  LoadSettings(ini, back);
  EXPECT_EQ(back.RecentFiles, s.RecentFiles);
  EXPECT_TRUE(back.Maximized);
  EXPECT_FALSE(back.LivePreview);
}

TEST(SettingsFile, HandWrittenFileIsReadAsWrittenAndKeptOnRewrite) {
  QTemporaryDir dir;
  const QString ini = dir.filePath("Velinor.ini");
  // Names in other cases, blanks around '=' and values, CRLF line ends, no final
  // line end, lines the program does not know.
  const QByteArray hand =
      "; my settings\r\n"
      "[files]\r\n"
      "FILE1=/photos/Paris, 2024/a.jpg\r\n"
      "file2=/photos/x;y.jpg\r\n"
      "File3=/photos/a\\tb.jpg\r\n"
      "File4=@Variant(\\0\\0\\0\\x7f\\0\\0\\0\\x18)\r\n"
      "[Window]\r\n"
      "Left=10\r\n"
      "[PARAMS]\r\n"
      "unit = 1\r\n"
      "Colour=blue\r\n"
      "OPEN = " + QFile::encodeName(dir.path()) + " \t\r\n"
      "antialias=0";
  WriteBytes(ini, hand);
  TAppSettings s = Defaults();
  LoadSettings(ini, s);
  EXPECT_EQ(s.RecentFiles, (QStringList{"/photos/Paris, 2024/a.jpg", "/photos/x;y.jpg", "/photos/a\\tb.jpg",
                                        "@Variant(\\0\\0\\0\\x7f\\0\\0\\0\\x18)"}));
  EXPECT_TRUE(s.UnitInch);
  EXPECT_FALSE(s.Antialias);
  EXPECT_EQ(s.OpenDir, dir.path());
  s.RecentFiles = QStringList{"/photos/new.jpg"};
  s.UnitInch = false;
  ASSERT_TRUE(SaveSettings(ini, s));
  EXPECT_EQ(ReadBytes(ini),
            "; my settings\r\n"
            "[files]\r\n"
            "FILE1=/photos/new.jpg\r\n"
            "file2=/photos/x;y.jpg\r\n"
            "File3=/photos/a\\tb.jpg\r\n"
            "File4=@Variant(\\0\\0\\0\\x7f\\0\\0\\0\\x18)\r\n"
            "[Window]\r\n"
            "Left=10\r\n"
            "[PARAMS]\r\n"
            "unit = 0\r\n"
            "Colour=blue\r\n"
            "OPEN = " + QFile::encodeName(dir.path()) + "\r\n"
            "antialias=0\r\n"
            "Save=\r\n"
            "Maximized=0\r\n"
            "Preview=0\r\n"
            "LivePreview=1\r\n");
}

TEST(SettingsFile, AFileNameWithALineBreakStopsTheWritingAtItsKey) {
  QTemporaryDir dir;
  const QString ini = dir.filePath("Velinor.ini");
  WriteBytes(ini, "[Files]\nFile2=/photos/old.jpg\n[Params]\nAntialias=1\n");
  TAppSettings s;
  s.OpenDir = dir.path();
  s.Antialias = false;
  s.RecentFiles = QStringList{"/photos/one.jpg", "/photos/two\nFile3=/injected.jpg"};
  QString failedKey;
  EXPECT_FALSE(SaveSettings(ini, s, &failedKey));
  EXPECT_EQ(failedKey, "Files/File2");
  EXPECT_EQ(ReadBytes(ini),
            "[Files]\nFile2=/photos/old.jpg\nFile1=/photos/one.jpg\n[Params]\nAntialias=1\n"
            "Open=" + QFile::encodeName(dir.path()) + "\nSave=\nMaximized=0\nPreview=0\nUnit=0\n");
}

// Runs the test's body with HOME pointing into a folder of the test's own, and
// puts the environment back afterwards.
class TOtherHome {
 public:
  explicit TOtherHome(const QString& home) {
    for (const char* name : {"HOME", "XDG_CONFIG_HOME"})
      saved_.push_back({name, qEnvironmentVariableIsSet(name) ? std::optional(qgetenv(name)) : std::nullopt});
    qputenv("HOME", QFile::encodeName(home));
    qunsetenv("XDG_CONFIG_HOME");  // user-dirs.dirs would be looked for there
  }
  ~TOtherHome() {
    for (const auto& [name, value] : saved_) value ? (void)qputenv(name, *value) : (void)qunsetenv(name);
  }

 private:
  std::vector<std::pair<const char*, std::optional<QByteArray>>> saved_;
};

TEST(SettingsFile, FirstOpenFolderOfAProgramInAFolderItsUserCannotWrite) {
  QTemporaryDir dir;
  OpenUp(dir);
  const QString exe = dir.filePath("bin");
  const QString home = dir.filePath("home");
  const QString pictures = home + "/Pictures";
  ASSERT_TRUE(QDir().mkpath(exe) && QDir().mkpath(home));
  ASSERT_EQ(chmod(QFile::encodeName(exe).constData(), 0555), 0);
  TOtherHome otherHome(home);
  TScriptedDialogs dialogs;
  int run = 0;
  // The folder the open dialog offers first, with the program started as an
  // ordinary user; nullopt when the rights cannot be dropped.
  const auto firstOpenFolder = [&]() -> std::optional<QString> {
    TMainFormOptions o;
    o.ExeDir = exe;
    o.IniPath = dir.filePath(QString("Velinor-%1.ini").arg(++run));  // no settings yet
    std::unique_ptr<TMainForm> form;
    if (!AsOrdinaryUser([&] { form = test::MakeForm(o); })) return std::nullopt;
    const QString openDir = form->OpenDir();
    dialogs.OpenDirs.clear();
    form->MenuFichierOuvrirClick();  // cancelled
    EXPECT_EQ(dialogs.OpenDirs, QStringList{openDir});
    return openDir;
  };

  std::optional<QString> first = firstOpenFolder();
  if (!first) GTEST_SKIP() << "cannot drop root rights";
  EXPECT_EQ(*first, home + "/");  // no Pictures folder: the home folder
  ASSERT_TRUE(QDir().mkpath(pictures));
  EXPECT_EQ(firstOpenFolder(), pictures + "/");
  // A folder the user can write keeps the executable's folder.
  ASSERT_EQ(chmod(QFile::encodeName(exe).constData(), 0777), 0);
  EXPECT_EQ(firstOpenFolder(), exe + "/");
}

}  // namespace
}  // namespace velinor
