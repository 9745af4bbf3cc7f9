#include "PrivateCups.h"

#include <sys/stat.h>
#include <unistd.h>

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QThread>

#include "support/PdfCheck.h"

namespace velinor::test {

namespace {

constexpr const char* Ppd = "/usr/share/ppd/cups-pdf/CUPS-PDF_opt.ppd";
constexpr const char* Backend = "/usr/lib/cups/backend/cups-pdf";

bool WriteText(const QString& path, const QString& text) {
  QFile f(path);
  if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate)) return false;
  return f.write(text.toUtf8()) == text.toUtf8().size();
}

}  // namespace

TPrivateCups::TPrivateCups() : queue_(QString("VelinorTest%1").arg(getpid())) {}

TPrivateCups::~TPrivateCups() {
  if (cupsd_.state() != QProcess::NotRunning) {
    cupsd_.terminate();
    if (!cupsd_.waitForFinished(10000)) {
      cupsd_.kill();
      cupsd_.waitForFinished(5000);
    }
  }
  if (!pdfConf_.isEmpty()) QFile::remove(pdfConf_);
}

bool TPrivateCups::Fail(const QString& why) {
  why_ = why;
  return false;
}

QString TPrivateCups::Server() const { return Path("cups.sock"); }

bool TPrivateCups::Lp(const QString& tool, const QStringList& args, QString* output) const {
  const QString path = FindTool(tool);
  if (path.isEmpty()) return false;
  QProcess p;
  auto env = QProcessEnvironment::systemEnvironment();
  env.insert("CUPS_SERVER", Server());
  p.setProcessEnvironment(env);
  p.setProcessChannelMode(QProcess::MergedChannels);
  p.start(path, args);
  if (!p.waitForFinished(30000)) {
    p.kill();
    p.waitForFinished(5000);
    return false;
  }
  if (output) *output = QString::fromLocal8Bit(p.readAll());
  return p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
}

bool TPrivateCups::Start() {
  if (geteuid() != 0) return Fail("the virtual PDF printer needs root");
  const QString cupsd = FindTool("cupsd");
  if (cupsd.isEmpty() || FindTool("lpadmin").isEmpty() || FindTool("lpstat").isEmpty())
    return Fail("CUPS is not installed");
  if (!QFileInfo::exists(Backend) || !QFileInfo::exists(Ppd))
    return Fail("the cups-pdf printer driver is not installed");
  if (!QFileInfo(QString("/etc/cups")).isWritable()) return Fail("/etc/cups is not writable");
  // Settings left by a test program that was killed before it could clean up.
  for (const QFileInfo& f : QDir("/etc/cups").entryInfoList({"cups-pdf-VelinorTest*.conf"}, QDir::Files)) {
    const QString pid = f.completeBaseName().mid(QString("cups-pdf-VelinorTest").size());
    if (!QFileInfo::exists("/proc/" + pid)) QFile::remove(f.absoluteFilePath());
  }
  // Short path: a local socket name is limited to about 100 characters.
  dir_ = std::make_unique<QTemporaryDir>("/tmp/velinor-cups-XXXXXX");
  if (!dir_->isValid()) return Fail("no temporary folder");
  for (const char* sub : {"conf", "conf/ppd", "spool", "tmp", "cache", "state", "log", "out", "pdfspool"})
    QDir().mkpath(Path(sub));
  // Filters run as the lp user: they must reach the folder and write their temporaries.
  QFile::setPermissions(dir_->path(), QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                          QFileDevice::ExeOwner | QFileDevice::ReadGroup |
                                          QFileDevice::ExeGroup | QFileDevice::ReadOther |
                                          QFileDevice::ExeOther);
  chmod(Path("tmp").toLocal8Bit().constData(), 01777);
  const bool written =
      WriteText(Path("conf/cupsd.conf"),
                // Only a local socket: nothing else on the machine can reach it.
                "Listen " + Server() + "\n"
                "LogLevel info\nBrowsing No\nWebInterface No\nDefaultAuthType None\n"
                "PreserveJobFiles Yes\n"
                "<Location />\n  Order allow,deny\n  Allow from 127.0.0.1\n</Location>\n"
                "<Policy default>\n  <Limit All>\n    Order deny,allow\n  </Limit>\n</Policy>\n") &&
      WriteText(Path("conf/cups-files.conf"),
                "ServerRoot " + Path("conf") + "\nRequestRoot " + Path("spool") +
                    "\nTempDir " + Path("tmp") + "\nCacheDir " + Path("cache") + "\nStateDir " +
                    Path("state") + "\nServerBin /usr/lib/cups\nDataDir /usr/share/cups\n"
                    "ErrorLog " + Path("log/error_log") + "\nAccessLog " + Path("log/access_log") +
                    "\nPageLog " + Path("log/page_log") + "\nPrintcap " + Path("printcap") +
                    "\nUser lp\nGroup lp\nSystemGroup root\n");
  if (!written) return Fail("cannot write the scheduler's configuration");
  cupsd_.setProcessChannelMode(QProcess::MergedChannels);
  cupsd_.start(cupsd, {"-f", "-c", Path("conf/cupsd.conf"), "-s", Path("conf/cups-files.conf")});
  if (!cupsd_.waitForStarted(10000)) return Fail("cupsd did not start");
  QElapsedTimer t;
  t.start();
  while (t.elapsed() < 20000) {
    if (cupsd_.state() == QProcess::NotRunning)
      return Fail("cupsd stopped: " + QString::fromLocal8Bit(cupsd_.readAll()));
    if (QFileInfo::exists(Server()) && Lp("lpstat", {"-r"})) return true;
    QThread::msleep(100);
  }
  return Fail("cupsd did not answer");
}

bool TPrivateCups::AddQueue(bool raw) {
  if (queueAdded_ && queueRaw_ == raw) return true;
  if (queueAdded_ && !RemoveQueue()) return false;
  pdfConf_ = QString("/etc/cups/cups-pdf-%1.conf").arg(queue_);
  if (!WriteText(pdfConf_, "Out " + Path("out") + "\nAnonDirName " + Path("out") + "\nSpool " +
                               Path("pdfspool") + "\nLog " + Path("log") + "\n"))
    return Fail("cannot write " + pdfConf_);
  QString out;
  const QStringList driver = raw ? QStringList{"-m", "raw"} : QStringList{"-P", Ppd};
  if (!Lp("lpadmin", QStringList{"-p", queue_, "-E", "-v", "cups-pdf:/" + queue_} + driver, &out))
    return Fail("lpadmin failed: " + out);
  queueAdded_ = true;
  queueRaw_ = raw;
  return true;
}

bool TPrivateCups::RemoveQueue() {
  if (!queueAdded_) return true;
  if (!Lp("lpadmin", {"-x", queue_})) return Fail("lpadmin -x failed");
  queueAdded_ = false;
  return true;
}

QString TPrivateCups::LogTail() const {
  QFile f(Path("log/error_log"));
  if (!f.open(QIODevice::ReadOnly)) return {};
  const QStringList lines = QString::fromLocal8Bit(f.readAll()).split('\n');
  return lines.mid(std::max<qsizetype>(0, lines.size() - 15)).join('\n');
}

void TPrivateCups::ClearPdfs() const {
  for (const QString& f : Pdfs()) QFile::remove(f);
}

namespace {
std::unique_ptr<TPrivateCups> shared;
}  // namespace

TPrivateCups& SharedCups() {
  if (!shared) {
    shared = std::make_unique<TPrivateCups>();
    shared->Start();  // a failure leaves its reason in Why()
  }
  return *shared;
}

void StopSharedCups() { shared.reset(); }

QStringList TPrivateCups::Pdfs() const {
  QStringList files;
  for (const QFileInfo& f : QDir(Path("out")).entryInfoList({"*.pdf"}, QDir::Files))
    files << f.absoluteFilePath();
  return files;
}

QString TPrivateCups::WaitForPdf(int timeoutMs) const {
  QElapsedTimer t;
  t.start();
  while (t.elapsed() < timeoutMs) {
    // A file is complete once the queue has no job left in progress.
    const QStringList pdfs = Pdfs();
    QString pending;
    if (!pdfs.isEmpty() && Lp("lpstat", {"-o", queue_}, &pending) && pending.trimmed().isEmpty())
      return pdfs.first();
    QThread::msleep(200);
  }
  return {};
}

QStringList TPrivateCups::SentDocuments(int timeoutMs) const {
  QElapsedTimer t;
  t.start();
  QString pending;
  while (t.elapsed() < timeoutMs) {
    if (Lp("lpstat", {"-o", queue_}, &pending) && pending.trimmed().isEmpty()) break;
    QThread::msleep(200);
  }
  QStringList files;
  for (const QFileInfo& f : QDir(Path("spool")).entryInfoList({"d*-001"}, QDir::Files, QDir::Name))
    files << f.absoluteFilePath();
  return files;
}

QStringList TPrivateCups::Jobs() const {
  QString out;
  Lp("lpstat", {"-W", "all", "-o", queue_}, &out);
  return out.split('\n', Qt::SkipEmptyParts);
}

}  // namespace velinor::test
