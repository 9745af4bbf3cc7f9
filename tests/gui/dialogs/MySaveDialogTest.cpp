#include <gtest/gtest.h>

#include <QComboBox>
#include <QTemporaryDir>

#include "support/GuiTestSupport.h"
#include "gui/dialogs/MySaveDialog.h"
#include "core/files/ImageDispatch.h"

using namespace velinor;

namespace {

// Picks a file type the way the user does: through the type box.
void PickType(TMySaveDialog& dialog, int row) {
  auto* box = dialog.findChild<QComboBox*>("fileTypeCombo");
  ASSERT_NE(box, nullptr);
  box->setCurrentIndex(row - 1);
  emit box->activated(row - 1);
  emit box->textActivated(box->currentText());
}

}  // namespace

TEST(MySaveDialog, PickingATypeChangesTheTypedExtension) {
  QTemporaryDir dir;
  TMySaveDialog dialog(nullptr);
  dialog.Setup(MakeSaveDialogRequest(dir.filePath("photo.bmp").toStdString()));
  EXPECT_EQ(dialog.FilterIndex(), 1);
  EXPECT_EQ(dialog.FileNameField(), "photo.bmp");
  EXPECT_EQ(dialog.defaultSuffix(), "bmp");

  PickType(dialog, 3);  // JPEG
  EXPECT_EQ(dialog.FileNameField(), "photo.jpg");
  EXPECT_EQ(dialog.defaultSuffix(), "jpg");
  PickType(dialog, 8);  // TIFF
  EXPECT_EQ(dialog.FileNameField(), "photo.tif");

  // A name typed without extension gets the type's.
  dialog.SetFileNameField("holiday");
  PickType(dialog, 5);  // PNG
  EXPECT_EQ(dialog.FileNameField(), "holiday.png");

  // With an empty field nothing is written into it.
  dialog.SetFileNameField("");
  PickType(dialog, 2);
  EXPECT_EQ(dialog.FileNameField(), "");
  EXPECT_EQ(dialog.defaultSuffix(), "gif");
}

TEST(MySaveDialog, StartsOnTheRowOfTheProposedName) {
  QTemporaryDir dir;
  TMySaveDialog tif(nullptr);
  tif.Setup(MakeSaveDialogRequest(dir.filePath("photo.tif").toStdString()));
  EXPECT_EQ(tif.FilterIndex(), 8);
  EXPECT_EQ(tif.FileNameField(), "photo.tif");
  EXPECT_EQ(tif.defaultSuffix(), "tif");
  EXPECT_EQ(QDir(tif.directory()).canonicalPath(), QDir(dir.path()).canonicalPath());

  // No writer for PCX: first row, the name without its extension.
  TMySaveDialog pcx(nullptr);
  pcx.Setup(MakeSaveDialogRequest(dir.filePath("photo.pcx").toStdString()));
  EXPECT_EQ(pcx.FilterIndex(), 1);
  EXPECT_EQ(pcx.FileNameField(), "photo");

  // A folder: first row, empty name, that folder.
  TMySaveDialog folder(nullptr);
  folder.Setup(MakeSaveDialogRequest(dir.path().toStdString()));
  EXPECT_EQ(folder.FilterIndex(), 1);
  EXPECT_EQ(folder.FileNameField(), "");
  EXPECT_EQ(QDir(folder.directory()).canonicalPath(), QDir(dir.path()).canonicalPath());
}

TEST(MySaveDialog, InitialPathJoinsFolderAndName) {
  TSaveDialogRequest r;
  r.InitialDir = "/pics";
  EXPECT_EQ(InitialSavePath(r), "/pics");
  r.FileName = "photo.bmp";
  EXPECT_EQ(InitialSavePath(r), "/pics/photo.bmp");
  r.FileName = "/elsewhere/photo.bmp";
  EXPECT_EQ(InitialSavePath(r), "/elsewhere/photo.bmp");
}
