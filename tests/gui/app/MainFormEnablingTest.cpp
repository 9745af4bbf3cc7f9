#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QImage>
#include <QMenu>
#include <QTest>
#include <QToolButton>
#include <gtest/gtest.h>

#include "support/GuiTestSupport.h"
#include "gui/app/MsgDlg.h"
#include "core/engine/KeepColors.h"
#include "gui/app/Settings.h"
#include "gui/app/TextRules.h"
#include "gui/controls/SpecialEdit.h"
#include "gui/view/MyImage.h"

namespace velinor {
namespace {

using test::MakeForm;
using test::TScriptedDialogs;

TEST(MainFormEnabling, MenusAndToolbarFollowTheDocumentState) {
  QTemporaryDir dir;
  TScriptedDialogs dialogs;
  auto form = MakeForm(dir);
  form->MenuFichierClick();
  form->MenuEditionClick();
  form->MenuActionClick();
  form->MenuAffichageClick();
  EXPECT_TRUE(form->MenuFichierOuvrir->isEnabled());
  EXPECT_FALSE(form->MenuFichierEnregistrer->isEnabled());
  EXPECT_FALSE(form->MenuFichierFermer->isEnabled());
  EXPECT_FALSE(form->MenuFichierImprimer->isEnabled());
  EXPECT_FALSE(form->MenuFichierSep->isVisible());
  EXPECT_FALSE(form->MenuEditionCopier->isEnabled());
  EXPECT_FALSE(form->MenuActionAction->isEnabled());
  EXPECT_FALSE(form->MenuAffichageLisser->isEnabled());
  EXPECT_FALSE(form->MenuZoomAuto->isEnabled());

  form->OpenImage(test::WriteBmp(dir, "a.bmp", 40, 30), true);
  form->MenuFichierClick();
  form->MenuEditionClick();
  form->MenuActionClick();
  EXPECT_TRUE(form->MenuFichierImprimer->isEnabled());
  EXPECT_TRUE(form->MenuFichierSep->isVisible());
  EXPECT_EQ(form->MenuFichierN[0]->text(), "1 a.bmp");
  EXPECT_FALSE(form->MenuFichierN[1]->isVisible());
  EXPECT_FALSE(form->MenuEditionUndo->isEnabled());
  EXPECT_FALSE(form->MenuEditionRedo->isEnabled());
  EXPECT_TRUE(form->MenuActionRedim->isEnabled());
  EXPECT_TRUE(form->BtnImprimer->isEnabled());

  // A snapshot makes Undo possible; after an undo, Redo.
  form->TakeUndoSnapshot("Execute");
  form->MenuEditionClick();
  EXPECT_TRUE(form->MenuEditionUndo->isEnabled());
  EXPECT_TRUE(form->BtnUndo->isEnabled());
  EXPECT_FALSE(form->BtnRedo->isEnabled());
  form->MenuEditionUndoClick();
  form->MenuEditionClick();
  EXPECT_FALSE(form->MenuEditionUndo->isEnabled());
  EXPECT_TRUE(form->MenuEditionRedo->isEnabled());
  EXPECT_TRUE(form->BtnRedo->isEnabled());
}

TEST(MainFormEnabling, PasteFollowsTheClipboard) {
  QTemporaryDir dir;
  TScriptedDialogs dialogs;
  auto form = MakeForm(dir);
  QApplication::clipboard()->setText("words");
  form->MenuEditionClick();
  form->PopImagePopup();
  EXPECT_FALSE(form->MenuEditionColler->isEnabled());
  EXPECT_FALSE(form->PopColler->isEnabled());
  QImage img(4, 4, QImage::Format_RGB32);
  img.fill(Qt::red);
  QApplication::clipboard()->setImage(img);
  form->MenuEditionClick();
  form->PopImagePopup();
  EXPECT_TRUE(form->MenuEditionColler->isEnabled());
  EXPECT_TRUE(form->PopColler->isEnabled());
  EXPECT_FALSE(form->PopCopier->isEnabled());
  EXPECT_TRUE(form->PopOuvrir->isEnabled());
}

TEST(MainFormEnabling, ShortcutsRunOnlyEnabledCommands) {
  QTemporaryDir dir;
  TScriptedDialogs dialogs;
  auto form = MakeForm(dir);
  ASSERT_TRUE(test::ShowActive(*form));
  QTest::keyClick(form.get(), Qt::Key_W, Qt::ControlModifier);  // Close: disabled
  EXPECT_TRUE(dialogs.Messages.empty());
  form->OpenImage(test::WriteBmp(dir, "a.bmp", 40, 30), true);
  form->Document().Execute(TKeepOptions{});
  dialogs.Answers = {mrNo};
  QTest::keyClick(form.get(), Qt::Key_W, Qt::ControlModifier);
  EXPECT_EQ(dialogs.Messages.size(), 1u);
  EXPECT_TRUE(form->CurrentImage().Empty());
  // Ctrl+O shows the open dialog at once.
  QTest::keyClick(form.get(), Qt::Key_O, Qt::ControlModifier);
  EXPECT_EQ(dialogs.OpenDirs.size(), 1);
}

TEST(MainFormEnabling, ReturnAndEnterBothExecute) {
  QTemporaryDir dir;
  TScriptedDialogs dialogs;
  auto form = MakeForm(dir);
  ASSERT_TRUE(test::ShowActive(*form));
  QTest::keyClick(form.get(), Qt::Key_Return);  // no document: disabled
  EXPECT_FALSE(form->Document().UndoAvailable());
  form->OpenImage(test::WriteBmp(dir, "a.bmp", 40, 30), true);
  QTest::keyClick(form.get(), Qt::Key_Enter);
  EXPECT_TRUE(form->Document().Processed());
  form->MenuEditionUndoClick();
  QTest::keyClick(form.get(), Qt::Key_Return);
  EXPECT_TRUE(form->Document().Processed());
  EXPECT_EQ(form->Document().History().UndoLabel(), "Execute");
}

TEST(MainFormEnabling, CheckItemsToggleThroughTheirHandlers) {
  QTemporaryDir dir;
  TScriptedDialogs dialogs;
  auto form = MakeForm(dir);
  form->OpenImage(test::WriteBmp(dir, "a.bmp", 40, 30), true);
  EXPECT_EQ(form->Image->OptimizeMode(), omAllways);
  form->MenuAffichageLisser->trigger();
  EXPECT_FALSE(form->MenuAffichageLisser->isChecked());
  EXPECT_EQ(form->Image->OptimizeMode(), omNone);
  form->MenuAffichageLisser->trigger();
  EXPECT_TRUE(form->MenuAffichageLisser->isChecked());
  form->MenuOptionZMouse->trigger();
  EXPECT_FALSE(form->MenuOptionZMouse->isChecked());
  form->MenuUnitPouces->trigger();
  EXPECT_TRUE(form->MenuUnitPouces->isChecked());
  EXPECT_FALSE(form->MenuUnitCm->isChecked());
  form->MenuUnitPouces->trigger();  // a radio pair: stays checked
  EXPECT_TRUE(form->MenuUnitPouces->isChecked());
  form->MenuUnitCm->trigger();
  EXPECT_TRUE(form->MenuUnitCm->isChecked());
  EXPECT_FALSE(form->MenuUnitPouces->isChecked());
}

TEST(MainFormEnabling, RecentEntriesOpenTheirFiles) {
  QTemporaryDir dir;
  TScriptedDialogs dialogs;
  auto form = MakeForm(dir);
  const QString a = test::WriteBmp(dir, "a.bmp", 10, 10);
  const QString b = test::WriteBmp(dir, "b.bmp", 20, 10);
  form->OpenImage(a, true);
  form->OpenImage(b, true);
  EXPECT_EQ(form->RecentFiles(), (QStringList{b, a}));
  form->MenuFichierClick();
  form->MenuFichierN[1]->trigger();
  EXPECT_EQ(form->CurrentImage().Width(), 10);
  EXPECT_EQ(form->RecentFiles(), (QStringList{a, b}));
}

TEST(SettingsFile, UnwritableExecutableFolderFallsBackToTheUserConfigFolder) {
  QTemporaryDir dir;
  EXPECT_EQ(SettingsFilePath(dir.path()), dir.filePath("Velinor.ini"));
  const QString elsewhere = SettingsFilePath(dir.filePath("no/such/folder"));
  EXPECT_TRUE(elsewhere.endsWith("/Velinor.ini"));
  EXPECT_FALSE(elsewhere.startsWith(dir.path()));
}

TEST(DiskFileName, GivesTheNameAsStoredOrThePathUnchanged) {
  QTemporaryDir dir;
  test::WriteBmp(dir, "Holiday.BMP", 4, 4);
  EXPECT_EQ(DiskFileName(dir.filePath("Holiday.BMP")), dir.filePath("Holiday.BMP"));
  EXPECT_EQ(DiskFileName(dir.filePath("missing.bmp")), dir.filePath("missing.bmp"));
  EXPECT_EQ(DiskFileName(dir.path() + "/./Holiday.BMP"), dir.filePath("Holiday.BMP"));
}

}  // namespace
}  // namespace velinor
