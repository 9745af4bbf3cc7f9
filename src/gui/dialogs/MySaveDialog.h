#pragma once
// The picture save dialog: the toolkit's file dialog whose typed file name takes
// the extension of the file type the user picks.
#include <QFileDialog>
#include <QString>
#include <string>

#include "core/files/ImageDispatch.h"

class QLineEdit;

namespace velinor {

class TMySaveDialog : public QFileDialog {
  Q_OBJECT
 public:
  explicit TMySaveDialog(QWidget* owner);

  // Title, filter and its selected row, default extension, initial folder and
  // name of a dispatch request.
  void Setup(const TSaveDialogRequest& request);
  // Runs the dialog modally; true when a name was chosen.
  bool Execute();

  // The file-name field.
  QString FileNameField() const;
  void SetFileNameField(const QString& text);
  // The file type now selected, 1-based as in the request.
  int FilterIndex() const;

  // The user picked another file type: the typed name takes its extension.
  void TypeChange();

 private:
  std::string filter_;        // the dispatch's "Desc|pattern|..." filter
  std::string defaultExt_;    // used when a type's pattern names no extension
  QLineEdit* nameField_ = nullptr;
};

// The name the dialog starts with: the request's name, inside its initial folder
// when the name has no folder of its own.
QString InitialSavePath(const TSaveDialogRequest& request);

// Runs the save dialog for a dispatch request and processes pending events once
// it is gone.
QString ExecMySaveDialog(QWidget* owner, const TSaveDialogRequest& request);

}  // namespace velinor
