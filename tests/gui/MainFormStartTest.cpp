#include <QAction>
#include <QFile>
#include <QSettings>
#include <QSlider>
#include <QLabel>
#include <QCheckBox>
#include <QPushButton>
#include <QTest>
#include <QTextStream>
#include <QToolButton>
#include <gtest/gtest.h>

#include "GuiTestSupport.h"
#include "app/SharedStrings.h"
#include "controls/SpecialEdit.h"
#include "view/MyImage.h"

namespace velinor {
namespace {

using test::MakeForm;
using test::TScriptedDialogs;

void WriteText(const QString& path, const QString& text) {
  QFile f(path);
  ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
  QTextStream(&f) << text;
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
  EXPECT_FALSE(form->Processed || form->Saved || form->Pasted || form->UndoAvailable);
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
  QSettings ini(dir.filePath("Velinor.ini"), QSettings::IniFormat);
  EXPECT_EQ(ini.value("Params/Open").toString(), dir.path() + "/");
  EXPECT_EQ(ini.value("Params/Save", "ERR!").toString(), "");
  EXPECT_EQ(ini.value("Params/Maximized").toString(), "0");
  EXPECT_EQ(ini.value("Params/Preview").toString(), "0");
  EXPECT_EQ(ini.value("Params/Unit").toString(), "0");
  EXPECT_EQ(ini.value("Params/Antialias").toString(), "1");
  EXPECT_FALSE(ini.contains("Files/File1"));
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
    QSettings s(ini, QSettings::IniFormat);
    EXPECT_EQ(s.value("Files/File1").toString(), "/photos/one.jpg");
    EXPECT_EQ(s.value("Files/File2").toString(), "/photos/three.png");
    EXPECT_EQ(s.value("Files/File3").toString(), "/photos/three.png");  // left as it was
    EXPECT_EQ(s.value("Params/Unit").toString(), "1");
    EXPECT_EQ(s.value("Params/Antialias").toString(), "0");
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
  EXPECT_EQ(form->FileName, photo);
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
            "Unable to load image in file \"" + dir.filePath("missing.bmp") + "\" !");
  EXPECT_TRUE(form->CurrentImage().Empty());
  EXPECT_EQ(form->StatusText(0), "Ready");
}

}  // namespace
}  // namespace velinor
