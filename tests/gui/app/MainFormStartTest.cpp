#include <QAction>
#include <QToolBar>
#include <QMenu>
#include <QFile>
#include <QSlider>
#include <QLabel>
#include <QCheckBox>
#include <QPushButton>
#include <QTest>
#include <QTextStream>
#include <QToolButton>
#include <QTimer>
#include <gtest/gtest.h>

#include "support/GuiTestSupport.h"
#include "gui/app/SharedStrings.h"
#include "gui/controls/SpecialEdit.h"
#include "gui/view/MyImage.h"

namespace velinor {
namespace {

using test::MakeForm;
using test::TScriptedDialogs;

void WriteText(const QString& path, const QString& text) {
  QFile f(path);
  ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
  QTextStream(&f) << text;
}

// With no recent files the File menu still shows both separators around them.
TEST(MainFormStart, FileMenuWithoutRecentFilesShowsBothSeparators) {
  QTemporaryDir dir;
  TScriptedDialogs dialogs;
  auto form = MakeForm(dir);
  ASSERT_TRUE(test::ShowActive(*form));
  ASSERT_TRUE(form->RecentFiles().isEmpty());
  QMenu* menu = form->MenuFichier;
  QAction* n1 = menu->actions().at(3);
  QAction* n3 = menu->actions().at(8);
  ASSERT_TRUE(n1->isSeparator() && n3->isSeparator());
  QRect g1, g3, close, print;
  QTimer::singleShot(0, menu, [&] {
    g1 = menu->actionGeometry(n1);
    g3 = menu->actionGeometry(n3);
    close = menu->actionGeometry(form->MenuFichierFermer);
    print = menu->actionGeometry(form->MenuFichierImprimer);
    menu->close();
  });
  menu->exec(form->mapToGlobal(QPoint(10, 10)));
  EXPECT_FALSE(form->MenuFichierSep->isVisible());
  EXPECT_FALSE(g1.isEmpty());
  EXPECT_FALSE(g3.isEmpty());
  // Close, N1, N3, Print... one below the other.
  EXPECT_LE(close.bottom(), g1.top());
  EXPECT_LE(g1.bottom(), g3.top());
  EXPECT_LE(g3.bottom(), print.top());
}

// The menus, shortcuts, context menu and toolbars the command table builds.
TEST(MainFormStart, MenusShortcutsAndToolbarsAsLaidOut) {
  QTemporaryDir dir;
  TScriptedDialogs dialogs;
  auto form = MakeForm(dir);
  auto captions = [](QMenu* menu) {
    QStringList texts;
    for (QAction* a : menu->actions()) texts << (a->isSeparator() ? QString("-") : a->text());
    return texts;
  };
  EXPECT_EQ(captions(form->MenuFichier),
            (QStringList{"Open...\tCtrl+O", "Save as...\tCtrl+S", "Close\tCtrl+W", "-", "File1", "File2",
                         "File3", "File4", "-", "Print...\tCtrl+P", "-", "Exit\tCtrl+Q"}));
  EXPECT_EQ(captions(form->MenuEdition), (QStringList{"Undo last action\tCtrl+Z", "Redo last action\tCtrl+Y",
                                                      "-", "Copy\tCtrl+C", "Paste\tCtrl+V"}));
  // The specified items first, then the rotations, then the brush's.
  EXPECT_EQ(captions(form->MenuAction).mid(0, 5), (QStringList{"Execute\tEnter", "-", "Image size...\tCtrl+T",
                                                             "Rotate left\tCtrl+L", "Rotate right\tCtrl+R"}));
  EXPECT_EQ(captions(form->MenuAction).mid(5),
            (QStringList{"-", "Eyedropper\tEchap", "Brush\tB", "Clear touch-ups"}));
  EXPECT_EQ(captions(form->MenuOptions), (QStringList{"Enable mouse zoom", "Live preview", "-", "Print unit"}));
  EXPECT_EQ(captions(form->MenuAffichage),
            (QStringList{"Zoom in", "Zoom out", "Original size", "Auto zoom ", "-", "Antialias",
                         "Show mask\tCtrl+M"}));
  EXPECT_EQ(captions(form->MenuAide), (QStringList{"Help\tF1", "-", "Official web site", "-", "About..."}));
  EXPECT_EQ(captions(form->PopImage),
            (QStringList{"Exécuter le traitement", "-", "Ouvrir...", "Enregistrer sous...", "Fermer", "-",
                         "Copier", "Coller"}));

  // Buttons in order, 8-pixel gaps between the groups, hints from the captions.
  auto buttons = [](QToolBar* bar) {
    QStringList names;
    for (QAction* a : bar->actions()) {
      QWidget* w = bar->widgetForAction(a);
      names << (w->objectName().isEmpty() ? QString("gap %1").arg(w->width()) : w->objectName());
    }
    return names;
  };
  EXPECT_EQ(buttons(form->ToolBar), (QStringList{"BtnOuvrir", "BtnEnregistrer", "BtnImprimer", "gap 8", "BtnRedim",
                                                 "BtnAction", "gap 8", "BtnUndo", "BtnRedo"}));
  EXPECT_EQ(buttons(form->ToolBar2), (QStringList{"BtnZoomPlus", "BtnZoomMoins", "BtnZoom100", "BtnZoomAuto",
                                                  "gap 8", "BtnPipette", "BtnBrush"}));
  EXPECT_EQ(form->ToolBar->size(), QSize(7 * 46 + 2 * 8, 40));
  EXPECT_EQ(form->ToolBar2->size(), QSize(6 * 49 + 8, 40));
  EXPECT_EQ(form->BtnRedim->size(), QSize(46, 40));
  EXPECT_EQ(form->BtnZoom100->size(), QSize(49, 40));
  const std::pair<QToolButton*, const char*> hints[] = {
      {form->BtnEnregistrer, "Save as"}, {form->BtnImprimer, "Print"},       {form->BtnRedim, "Image size"},
      {form->BtnAction, "Execute"},      {form->BtnUndo, "Undo last action"}, {form->BtnRedo, "Redo last action"},
      {form->BtnZoomPlus, "Zoom in"},    {form->BtnZoomMoins, "Zoom out"},    {form->BtnZoom100, "Original size"}};
  for (const auto& [button, hint] : hints) EXPECT_EQ(button->toolTip(), hint) << button->objectName().toStdString();
}

TEST(MainFormStart, WithoutSettingsFile) {
  QTemporaryDir dir;
  TScriptedDialogs dialogs;
  auto form = MakeForm(dir);
  EXPECT_EQ(form->windowTitle(), "Velinor");
  EXPECT_EQ(form->IniPath, dir.filePath("Velinor.ini"));
  EXPECT_EQ(form->OpenDir(), dir.path() + "/");
  EXPECT_TRUE(form->SaveDir().isEmpty());
  EXPECT_FALSE(form->Settings.Maximized);
  EXPECT_FALSE(form->Settings.PreviewOn);
  EXPECT_TRUE(form->MenuUnitCm->isChecked());
  EXPECT_FALSE(form->MenuUnitPouces->isChecked());
  EXPECT_TRUE(form->RecentFiles().isEmpty());
  EXPECT_TRUE(form->MenuAffichageLisser->isChecked());
  EXPECT_TRUE(form->MenuOptionZMouse->isChecked());
  // Document and controls as they start.
  EXPECT_TRUE(form->CurrentImage().Empty());
  EXPECT_FALSE(form->Document().Processed() || form->Document().Saved() || form->Document().Pasted() || form->Document().UndoAvailable());
  EXPECT_EQ(form->StatusText(0), "Ready");
  EXPECT_EQ(form->EdiZoom->ItemIndex(), 0);
  EXPECT_FALSE(form->EdiZoom->isEnabled());
  EXPECT_EQ(form->LblN->text(), "Tolerance : 30");
  EXPECT_EQ(form->TBN->minimum(), 1);
  EXPECT_EQ(form->TBN->maximum(), 100);
  EXPECT_TRUE(form->CBProgressif->isChecked());
  EXPECT_TRUE(form->CBDegrader->isChecked());
  EXPECT_FALSE(form->CBSepia->isChecked());
  EXPECT_FALSE(form->BClear->isEnabled());
  EXPECT_EQ(form->Preview->size(), QSize(139, 97));
  EXPECT_EQ(form->Image->ShadowSize(), 4);
  EXPECT_EQ(form->Image->BorderColor(), 0u);
  EXPECT_EQ(form->Image->ImgCursor(), 5);
  EXPECT_EQ(form->BtnOuvrir->toolTip(), "Open");
  EXPECT_EQ(form->BtnZoomAuto->toolTip(), "Auto zoom");
  EXPECT_EQ(form->EdiZoom->toolTip(), "Display zoom");
  EXPECT_TRUE(form->BtnOuvrir->isEnabled());
  EXPECT_FALSE(form->BtnEnregistrer->isEnabled());
  EXPECT_FALSE(form->BtnZoomPlus->isEnabled());
  EXPECT_EQ(SharedText(ssYes), "&Yes");
  form.reset();
  // Shutdown writes every key, changed or not.
  const QString ini = dir.filePath("Velinor.ini");
  EXPECT_EQ(test::IniValue(ini, "Params/Open"), dir.path() + "/");
  EXPECT_EQ(test::IniValue(ini, "Params/Save"), "");
  EXPECT_EQ(test::IniValue(ini, "Params/Maximized"), "0");
  EXPECT_EQ(test::IniValue(ini, "Params/Preview"), "0");
  EXPECT_EQ(test::IniValue(ini, "Params/Unit"), "0");
  EXPECT_EQ(test::IniValue(ini, "Params/Antialias"), "1");
  EXPECT_EQ(test::IniValue(ini, "Files/File1"), "ERR!");
}

TEST(MainFormStart, RecentFilesWithAGapAndTheOldThirdKey) {
  QTemporaryDir dir;
  TScriptedDialogs dialogs;
  const QString ini = dir.filePath("Velinor.ini");
  WriteText(ini,
            "[Params]\nOpen=" + dir.path() + "\nSave=/no/such/folder\nMaximized=1\nPreview=1\n"
            "Unit=1\nAntialias=0\n[Files]\nFile1=/photos/one.jpg\nFile2=\nFile3=/photos/three.png\n");
  auto form = MakeForm(dir);
  EXPECT_EQ(form->OpenDir(), dir.path());
  EXPECT_TRUE(form->SaveDir().isEmpty());  // a folder that no longer exists is ignored
  EXPECT_TRUE(form->Settings.Maximized);
  EXPECT_TRUE(form->Settings.PreviewOn);
  EXPECT_TRUE(form->MenuUnitPouces->isChecked());
  EXPECT_FALSE(form->MenuUnitCm->isChecked());
  EXPECT_FALSE(form->MenuAffichageLisser->isChecked());
  EXPECT_EQ(form->RecentFiles(), (QStringList{"/photos/one.jpg", "/photos/three.png"}));
  form->MenuFichierClick();
  EXPECT_TRUE(form->MenuFichierN[1]->isVisible());
  EXPECT_FALSE(form->MenuFichierN[2]->isVisible());
  EXPECT_EQ(form->MenuFichierN[1]->text(), "2 three.png");
  EXPECT_TRUE(form->MenuFichierSep->isVisible());
  form.reset();
  {
    EXPECT_EQ(test::IniValue(ini, "Files/File1"), "/photos/one.jpg");
    EXPECT_EQ(test::IniValue(ini, "Files/File2"), "/photos/three.png");
    EXPECT_EQ(test::IniValue(ini, "Files/File3"), "/photos/three.png");  // left as it was
    EXPECT_EQ(test::IniValue(ini, "Params/Unit"), "1");
    EXPECT_EQ(test::IniValue(ini, "Params/Antialias"), "0");
  }
  // Read again at the next start: a third (duplicate) entry.
  auto again = MakeForm(dir);
  EXPECT_EQ(again->RecentFiles().size(), 3);
}

TEST(MainFormStart, CommandLineFileOpensAfterTheFirstPaintOutsideTheRecentList) {
  QTemporaryDir dir;
  TScriptedDialogs dialogs;
  const QString photo = test::WriteBmp(dir, "Photo.bmp", 64, 48);
  auto form = MakeForm(dir, {photo});
  EXPECT_TRUE(form->CurrentImage().Empty());
  form->show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(form.get()));
  for (int i = 0; i < 20 && form->CurrentImage().Empty(); ++i) QTest::qWait(10);
  EXPECT_TRUE(form->FirstPaintDone());
  EXPECT_EQ(form->CurrentImage().Width(), 64);
  EXPECT_EQ(form->FileName(), photo);
  EXPECT_TRUE(form->RecentFiles().isEmpty());
  EXPECT_EQ(form->OpenDir(), dir.path() + "/");
  EXPECT_TRUE(dialogs.Messages.empty());
}

TEST(MainFormStart, MissingCommandLineFileFailsInTheLoader) {
  QTemporaryDir dir;
  TScriptedDialogs dialogs;
  auto form = MakeForm(dir, {dir.filePath("missing.bmp")});
  form->show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(form.get()));
  for (int i = 0; i < 20 && dialogs.Messages.empty(); ++i) QTest::qWait(10);
  ASSERT_EQ(dialogs.Messages.size(), 1u);
  EXPECT_EQ(dialogs.Messages[0].Text,
            "Unable to load image in file \"" + dir.filePath("missing.bmp") +
                "\" !\nThe file cannot be opened: No such file or directory");
  EXPECT_TRUE(form->CurrentImage().Empty());
  EXPECT_EQ(form->StatusText(0), "Ready");
}

}  // namespace
}  // namespace velinor
