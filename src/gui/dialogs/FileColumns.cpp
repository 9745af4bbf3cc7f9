#include "gui/dialogs/FileColumns.h"

#include <QFileDialog>
#include <QHeaderView>
#include <QTreeView>

namespace velinor {

void SizeFileColumnsToContent(QFileDialog& dialog) {
  auto* tree = dialog.findChild<QTreeView*>("treeView");
  if (!tree) return;
  // Every column follows the folder's rows as the file system model fills them;
  // the view scrolls sideways when they do not all fit.
  tree->header()->setSectionResizeMode(QHeaderView::ResizeToContents);
}

}  // namespace velinor
