#pragma once
// A CUPS scheduler of the test's own: private configuration, spool and log folders
// in a temporary directory, listening on a local socket only, with one virtual PDF printer (cups-pdf) that writes into the same
// directory. Stopped and removed when the object goes away.
//
// cups-pdf reads its settings from /etc/cups/cups-pdf-<queue>.conf; the file is
// named after this run's queue and removed at the end.
#include <QProcess>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <memory>

namespace velinor::test {

class TPrivateCups {
 public:
  TPrivateCups();
  ~TPrivateCups();
  TPrivateCups(const TPrivateCups&) = delete;
  TPrivateCups& operator=(const TPrivateCups&) = delete;

  // Starts the scheduler (no queue yet); false with Why() when it cannot run here.
  bool Start();
  // Adds the cups-pdf queue (nothing when it exists as asked); RemoveQueue
  // deletes it. A raw queue has no driver description: the job reaches the
  // device as the program sent it.
  bool AddQueue(bool raw = false);
  bool RemoveQueue();
  QString Why() const { return why_; }
  QString Queue() const { return queue_; }
  // What clients put in CUPS_SERVER to reach this scheduler.
  QString Server() const;
  // Waits at most timeoutMs for a finished PDF in the printer's output folder.
  QString WaitForPdf(int timeoutMs) const;
  // The PDFs the printer produced so far.
  QStringList Pdfs() const;
  // The end of the scheduler's log, to explain a job that went wrong.
  QString LogTail() const;
  // Deletes the PDFs produced so far.
  void ClearPdfs() const;
  // Jobs the scheduler knows of for the queue, finished or not (lpstat).
  QStringList Jobs() const;
  // Waits at most timeoutMs until no job is left in progress; then the
  // documents the program sent so far, oldest first (the scheduler keeps them).
  QStringList SentDocuments(int timeoutMs) const;

 private:
  bool Fail(const QString& why);
  QString Path(const QString& name) const { return dir_->filePath(name); }
  bool Lp(const QString& tool, const QStringList& args, QString* output = nullptr) const;

  std::unique_ptr<QTemporaryDir> dir_;
  QProcess cupsd_;
  QString queue_;
  QString pdfConf_;
  QString why_;
  bool queueAdded_ = false;
  bool queueRaw_ = false;
};

// The scheduler of this test program, started on first use and stopped by
// StopSharedCups (the printing service reads its address once per process).
TPrivateCups& SharedCups();
void StopSharedCups();

}  // namespace velinor::test
