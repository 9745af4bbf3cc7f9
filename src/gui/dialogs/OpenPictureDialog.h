#pragma once
// The picture open dialog: the toolkit's file dialog with a preview panel on its
// right (a "Preview" check box, a thumbnail of the selected file and a few lines
// about it), refreshed whenever the selection changes.
#include <QFileDialog>
#include <QString>

#include "core/base/Bitmap.h"
#include "core/files/ImageDispatch.h"

class QCheckBox;
class QFrame;
class QLabel;

namespace velinor {

// Paints the preview bitmap at (0, 0).
class TPreviewPaintBox : public QWidget {
  Q_OBJECT
 public:
  using QWidget::QWidget;
  void SetBitmap(const TBitmap* bitmap);

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  const TBitmap* bitmap_ = nullptr;
};

class TOpenPictureDialog : public QFileDialog {
  Q_OBJECT
 public:
  explicit TOpenPictureDialog(QWidget* owner, bool sizeable = true);

  // Title, filter, initial folder and preview state of a dispatch request.
  void Setup(const TOpenDialogRequest& request);
  // Runs the dialog modally with the arrow cursor; true when a file was chosen.
  bool Execute();

  bool PreviewOn() const;
  void SetPreviewOn(bool on);

  // The selection moved to this file (or folder, or nothing).
  void SelectionChange(const QString& fileName);
  // Reads the selected file again and redraws the thumbnail and the text.
  void UpdatePicturePreview();

  // What the panel shows (for the tests).
  const TBitmap& PreviewBitmap() const { return previewBitmap_; }
  int DepthCode() const { return depthCode_; }
  int TransparencyCode() const { return transparencyCode_; }
  bool Loaded() const { return loaded_; }

  QWidget* PicturePanel = nullptr;
  QCheckBox* PreviewCheck = nullptr;
  TPreviewPaintBox* PaintBox = nullptr;
  QLabel* InfoLabel = nullptr;
  QFrame* SepPanel = nullptr;
  QLabel* PictureLabel = nullptr;

 protected:
  void showEvent(QShowEvent* event) override;
  void done(int result) override;

 private:
  void BuildPanel();
  void PreviewCheckClick();

  bool sizeable_;
  bool shown_ = false;
  bool loaded_ = false;
  QString selected_;
  TBitmap previewBitmap_;
  int depthCode_ = 6;
  int transparencyCode_ = 0;
};

// Runs the open dialog for a dispatch request and processes pending events once
// it is gone (so that the area under it repaints before the file is read).
// Writes the preview check box's state back into the request.
QString ExecOpenPictureDialog(QWidget* owner, TOpenDialogRequest& request);

}  // namespace velinor
