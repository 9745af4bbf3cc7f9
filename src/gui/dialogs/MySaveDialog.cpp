#include "gui/dialogs/MySaveDialog.h"

#include <QComboBox>
#include <QCoreApplication>
#include <QDir>
#include <QLineEdit>

#include "gui/app/DialogSeam.h"
#include "gui/dialogs/FileColumns.h"
#include "core/files/SaveTypeChange.h"

namespace velinor {

namespace {

// "bmp" from ".bmp"; empty when the extension is a wildcard.
QString SuffixOf(const std::string& ext) {
  QString s = QString::fromStdString(ext);
  if (s.startsWith('.')) s.remove(0, 1);
  return s.contains('*') || s.contains('?') ? QString() : s;
}

}  // namespace

TMySaveDialog::TMySaveDialog(QWidget* owner) : QFileDialog(owner) {
  setOption(QFileDialog::DontUseNativeDialog, true);
  setAcceptMode(QFileDialog::AcceptSave);
  setFileMode(QFileDialog::AnyFile);
  SizeFileColumnsToContent(*this);
  nameField_ = findChild<QLineEdit*>("fileNameEdit");
  // The toolkit changes an existing extension itself before this runs; the rule
  // here also gives one to a name typed without it.
  connect(this, &QFileDialog::filterSelected, this, [this] { TypeChange(); });
}

void TMySaveDialog::Setup(const TSaveDialogRequest& request) {
  filter_ = request.Filter;
  defaultExt_ = request.DefaultExt;
  if (!request.Title.empty()) setWindowTitle(QString::fromStdString(request.Title));
  setSizeGripEnabled(request.Sizeable);
  if (!request.Sizeable)
    if (QWidget* places = findChild<QWidget*>("sidebar")) places->hide();
  const QStringList filters = QtFilterFrom(filter_).split(";;", Qt::SkipEmptyParts);
  if (!filters.isEmpty()) {
    setNameFilters(filters);
    const int row = request.FilterIndex >= 1 && request.FilterIndex <= filters.size() ? request.FilterIndex : 1;
    selectNameFilter(filters[row - 1]);
  }
  if (!request.InitialDir.empty()) setDirectory(QString::fromStdString(request.InitialDir));
  const QString name = InitialSavePath(request);
  if (!request.FileName.empty()) selectFile(name);
  // A name typed without extension gets the one of the selected type.
  QString suffix = SuffixOf(PatternExtension(FilterPattern(filter_, FilterIndex())));
  if (suffix.isEmpty()) suffix = SuffixOf(defaultExt_);
  setDefaultSuffix(suffix);
}

bool TMySaveDialog::Execute() { return exec() == QDialog::Accepted; }

QString TMySaveDialog::FileNameField() const { return nameField_ ? nameField_->text() : QString(); }

void TMySaveDialog::SetFileNameField(const QString& text) {
  if (nameField_) nameField_->setText(text);
}

int TMySaveDialog::FilterIndex() const { return static_cast<int>(nameFilters().indexOf(selectedNameFilter())) + 1; }

void TMySaveDialog::TypeChange() {
  const std::string pattern = FilterPattern(filter_, FilterIndex());
  if (pattern.empty()) return;
  QString suffix = SuffixOf(PatternExtension(pattern));
  if (suffix.isEmpty()) suffix = SuffixOf(defaultExt_);
  setDefaultSuffix(suffix);
  const QString text = FileNameField();
  if (text.isEmpty()) return;
  SetFileNameField(QString::fromStdString(NameForFilterPattern(text.toStdString(), pattern)));
}

QString InitialSavePath(const TSaveDialogRequest& request) {
  const QString name = QString::fromStdString(request.FileName);
  const QString dir = QString::fromStdString(request.InitialDir);
  if (name.isEmpty()) return dir;
  if (dir.isEmpty() || QDir::isAbsolutePath(name)) return name;
  return QDir(dir).filePath(name);
}

QString ExecMySaveDialog(QWidget* owner, const TSaveDialogRequest& request) {
  QString chosen;
  {
    TMySaveDialog dialog(owner);
    dialog.Setup(request);
    if (dialog.Execute()) chosen = dialog.selectedFiles().value(0);
  }
  QCoreApplication::processEvents();
  return chosen;
}

}  // namespace velinor
