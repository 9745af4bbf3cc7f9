#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QDialog>
#include <QDropEvent>
#include <QMimeData>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QSlider>
#include <QTest>
#include <QToolButton>
#include <QUrl>
#include <gtest/gtest.h>

#include "support/GuiTestSupport.h"
#include "gui/app/MsgDlg.h"
#include "gui/controls/Spin2.h"
#include "gui/dialogs/AProposForm.h"
#include "gui/dialogs/RedimForm.h"
#include "core/engine/KeepColors.h"
#include "core/files/ImageDispatch.h"
#include "core/files/OvImage.h"
#include "core/files/OviStream.h"
#include "core/document/LayeredImage.h"
#include "gui/view/MyImage.h"
#include "support/PixelCompare.h"

namespace velinor {
namespace {

using test::MakeForm;
using test::SamePixels;
using test::TScriptedDialogs;

struct TOpenForm {
  QTemporaryDir dir;
  TScriptedDialogs dialogs;
  QString photoName;
  TBitmap photo = test::MakeImage(60, 40);
  std::unique_ptr<TMainForm> form;

  TOpenForm() {
    photoName = test::WriteBmp(dir, "photo.bmp", 60, 40);
    form = MakeForm(dir);
    form->OpenImage(photoName, true);
  }
  bool UndoOn() const { return form->BtnUndo->isEnabled(); }
  bool RedoOn() const { return form->BtnRedo->isEnabled(); }
};

TEST(MainFormCommands, UndoAndRedoFollowTheHistoryStates) {
  TOpenForm t;
  TMainForm& f = *t.form;
  f.PickColor(t.photo.Pixel(10, 10));
  EXPECT_FALSE(t.UndoOn());
  EXPECT_FALSE(t.RedoOn());

  f.MenuActionActionClick();
  const TBitmap result = f.CurrentImage();
  EXPECT_TRUE(f.Document().Processed());
  EXPECT_TRUE(f.Document().UndoAvailable());
  EXPECT_FALSE(f.Document().Saved());
  EXPECT_TRUE(SamePixels(f.Document().UndoImage(), t.photo));
  EXPECT_TRUE(SamePixels(f.Document().ColorSource(), t.photo));
  EXPECT_FALSE(SamePixels(result, t.photo));
  EXPECT_TRUE(t.UndoOn());
  EXPECT_FALSE(t.RedoOn());

  f.MenuEditionUndoClick();
  EXPECT_TRUE(SamePixels(f.CurrentImage(), t.photo));
  EXPECT_FALSE(f.Document().Processed());
  EXPECT_FALSE(t.UndoOn());
  EXPECT_TRUE(t.RedoOn());
  EXPECT_TRUE(f.QuerySaveChanges());  // the result was undone: nothing to ask
  EXPECT_TRUE(t.dialogs.Messages.empty());

  f.MenuEditionRedoClick();
  EXPECT_TRUE(SamePixels(f.CurrentImage(), result));
  EXPECT_TRUE(f.Document().Processed());
  EXPECT_TRUE(t.UndoOn());
  EXPECT_FALSE(t.RedoOn());
  EXPECT_EQ(f.KeptColors().size(), 1);  // the list is not part of the history

  // Undo, then Execute again: a new snapshot, and the first result is gone.
  f.MenuEditionUndoClick();
  f.MenuActionActionClick();
  EXPECT_TRUE(t.UndoOn());
  EXPECT_FALSE(t.RedoOn());
  EXPECT_EQ(f.StatusText(0), "Ready");
  EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}

// Halves the picture through the Image size dialog, as the user would.
void HalveThroughImageSize(TOpenForm& t) {
  t.dialogs.OnModal = [](QDialog& dialog) {
    auto& d = dynamic_cast<TRedimForm&>(dialog);
    d.EdiL->setText(QString::number(d.Geometry.OrigWidth / 2));
    d.EdiLChange();
    d.BOkClick();
    return d.result();
  };
  t.form->MenuActionRedimClick();
  t.dialogs.OnModal = nullptr;
}

TEST(MainFormCommands, UndoAfterImageSize) {
  TOpenForm t;
  TMainForm& f = *t.form;
  f.PickColor(t.photo.Pixel(10, 10));
  // Execute, Image size, Undo: the result at its former size, no longer "processed".
  f.MenuActionActionClick();
  const TBitmap result = f.CurrentImage();
  HalveThroughImageSize(t);
  EXPECT_EQ(f.CurrentImage().Width(), 30);
  EXPECT_EQ(f.CurrentImage().Height(), 20);
  EXPECT_TRUE(f.Document().Processed());
  // The resized result has no photo behind it: a pick takes its own pixel, and
  // "Save as" in the layered format holds the picture on screen.
  t.dialogs.SaveAnswers = {t.dir.filePath("small.ovi")};
  f.MenuFichierEnregistrerClick();
  EXPECT_TRUE(SamePixels(ReadOviFile(t.dir.filePath("small.ovi").toStdString()), f.CurrentImage()));
  f.MenuEditionUndoClick();
  EXPECT_TRUE(SamePixels(f.CurrentImage(), result));
  EXPECT_FALSE(f.Document().Processed());
  // The next Execute takes that grey picture as its photo.
  f.MenuActionActionClick();
  EXPECT_TRUE(SamePixels(f.Document().ColorSource(), result));

  // Open, Image size, Undo, Redo: the resized picture comes back, not processed.
  t.dialogs.Answers = {mrNo};  // the unsaved result is dropped
  f.OpenImage(t.photoName, true);
  HalveThroughImageSize(t);
  const TBitmap resized = f.CurrentImage();
  f.MenuEditionUndoClick();
  EXPECT_TRUE(SamePixels(f.CurrentImage(), t.photo));
  f.MenuEditionRedoClick();
  EXPECT_TRUE(SamePixels(f.CurrentImage(), resized));
  EXPECT_FALSE(f.Document().Processed());
}

// Rotate left / right: enabled like Image size, one undoable step "Rotate".
TEST(MainFormCommands, RotateLeftAndRightAreUndoableSteps) {
  QTemporaryDir dir;
  TScriptedDialogs dialogs;
  auto form = MakeForm(dir);
  TMainForm& f = *form;
  ASSERT_TRUE(test::ShowActive(f));
  f.MenuActionClick();
  EXPECT_FALSE(f.MenuActionRotateLeft->isEnabled());
  EXPECT_FALSE(f.MenuActionRotateRight->isEnabled());
  QTest::keyClick(&f, Qt::Key_R, Qt::ControlModifier);  // nothing open: nothing happens
  EXPECT_FALSE(f.DocumentOpen());

  f.OpenImage(test::WriteBmp(dir, "photo.bmp", 60, 40), true);
  const TBitmap photo = f.CurrentImage();
  f.MenuActionClick();
  EXPECT_TRUE(f.MenuActionRotateLeft->isEnabled());
  EXPECT_TRUE(f.MenuActionRotateRight->isEnabled());
  QTest::keyClick(&f, Qt::Key_R, Qt::ControlModifier);
  ASSERT_EQ(f.CurrentImage().Width(), 40);
  EXPECT_EQ(f.CurrentImage().Height(), 60);
  EXPECT_EQ(f.CurrentImage().Pixel(0, 0), photo.Pixel(0, 39));  // clockwise
  EXPECT_EQ(f.Document().History().UndoLabel(), "Rotate");
  EXPECT_TRUE(f.BtnUndo->isEnabled());
  EXPECT_EQ(f.StatusText(0), "Ready");
  QTest::keyClick(&f, Qt::Key_L, Qt::ControlModifier);
  EXPECT_TRUE(SamePixels(f.CurrentImage(), photo));
  f.MenuActionRotateLeftClick();
  EXPECT_EQ(f.CurrentImage().Pixel(0, 0), photo.Pixel(59, 0));  // counter-clockwise
  f.MenuEditionUndoClick();
  EXPECT_TRUE(SamePixels(f.CurrentImage(), photo));
  EXPECT_TRUE(f.BtnRedo->isEnabled());
  EXPECT_TRUE(f.QuerySaveChanges());  // rotating a photo is not a result to save
  EXPECT_TRUE(dialogs.Messages.empty());
}

TEST(MainFormCommands, ExecuteComputesFromThePhotoWithThePanelsOptions) {
  TOpenForm t;
  TMainForm& f = *t.form;
  f.PickColor(t.photo.Pixel(5, 5));
  f.PickColor(t.photo.Pixel(50, 30));
  f.TBN->setValue(12);
  f.CBSepia->setChecked(true);
  f.CBProgressif->setChecked(false);
  f.MenuActionActionClick();
  f.MenuActionActionClick();  // a second run starts again from the photo
  TKeepOptions o;
  for (const QString& e : f.KeptColors()) o.Entries.push_back(e.toStdString());
  o.Tolerance = 12;
  o.Sepia = true;
  o.Progressive = false;
  TBitmap expected = t.photo, mask;
  KeepColors(expected, mask, t.photo, o);
  EXPECT_TRUE(SamePixels(f.CurrentImage(), expected));
  EXPECT_TRUE(SamePixels(f.Document().KeepMask(), mask));
  EXPECT_TRUE(SamePixels(f.Document().UndoImage(), t.photo));
}

TEST(MainFormCommands, SaveAsRecordsTheFileAndRedoGivesSavedBack) {
  TOpenForm t;
  TMainForm& f = *t.form;
  f.PickColor(t.photo.Pixel(10, 10));
  f.MenuActionActionClick();
  // A cancelled save changes nothing but the busy display.
  f.MenuFichierEnregistrerClick();
  EXPECT_FALSE(f.Document().Saved());
  EXPECT_EQ(f.FileName(), t.photoName);
  EXPECT_EQ(f.SaveDir(), f.OpenDir());  // taken over before the dialog
  EXPECT_EQ(t.dialogs.SaveNames.value(0), t.dir.path() + "/photo.bmp");

  const QString out = t.dir.filePath("sub/result.png");
  QDir(t.dir.path()).mkdir("sub");
  t.dialogs.SaveAnswers = {out};
  f.MenuFichierEnregistrerClick();
  EXPECT_TRUE(f.Document().Saved());
  EXPECT_EQ(f.FileName(), out);
  EXPECT_EQ(f.SaveDir(), t.dir.path() + "/sub/");
  EXPECT_EQ(f.RecentFiles().value(0), out);
  EXPECT_EQ(f.StatusText(2), out);
  EXPECT_EQ(OptionsOE.Resolution, 300);
  std::string name = out.toStdString();
  TBitmap back;
  ASSERT_GT(LoadImageFile(name, back, ""), 0);
  EXPECT_TRUE(SamePixels(back, f.CurrentImage()));

  f.MenuEditionUndoClick();
  EXPECT_TRUE(f.Document().Saved());  // undo leaves it as it was
  f.MenuEditionRedoClick();
  EXPECT_TRUE(f.Document().Saved());
  EXPECT_TRUE(f.QuerySaveChanges());
  EXPECT_TRUE(t.dialogs.Messages.empty());
}

TEST(MainFormCommands, LayeredSaveHoldsTwoLayersOnlyAfterExecute) {
  TOpenForm t;
  TMainForm& f = *t.form;
  auto layers = [](const QString& file) {
    QFile in(file);
    EXPECT_TRUE(in.open(QIODevice::ReadOnly));
    const QByteArray bytes = in.readAll();
    TOviMemorySource source(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
    auto doc = std::make_unique<TMyImageLayered>();
    ReadLayeredDocument(source, *doc);
    return doc;
  };
  t.dialogs.SaveAnswers = {t.dir.filePath("plain.ovi")};
  f.MenuFichierEnregistrerClick();
  auto plain = layers(t.dir.filePath("plain.ovi"));
  ASSERT_EQ(plain->Layers.Count(), 1);
  EXPECT_EQ(plain->Layers.Items(0).Name, "#0");

  f.PickColor(t.photo.Pixel(10, 10));
  f.CBSepia->setChecked(true);
  f.MenuActionActionClick();
  f.CBSepia->setChecked(false);  // changed afterwards: the file still matches the screen
  t.dialogs.SaveAnswers = {t.dir.filePath("result.ovi")};
  f.MenuFichierEnregistrerClick();
  auto two = layers(t.dir.filePath("result.ovi"));
  ASSERT_EQ(two->Layers.Count(), 2);
  EXPECT_EQ(two->Layers.Items(0).Name, "#0");
  EXPECT_EQ(two->Layers.Items(1).Name, "#1");
  EXPECT_TRUE(SamePixels(two->Layers.Items(0).Image, t.photo));
  const TBitmap flat = ReadOviFile(t.dir.filePath("result.ovi").toStdString());
  ASSERT_EQ(flat.Width(), 60);
  for (int y = 0; y < 40; ++y)
    for (int x = 0; x < 60; ++x)
      for (int c = 0; c < 3; ++c)
        ASSERT_LE(std::abs(flat.ScanLine(y)[3 * x + c] - f.CurrentImage().ScanLine(y)[3 * x + c]), 1);
}

TEST(MainFormCommands, KeptColourListRules) {
  TOpenForm t;
  TMainForm& f = *t.form;
  f.PickColor(RGB(12, 8, 13));
  f.PickColor(RGB(10, 10, 10));  // every channel within 3: ignored
  EXPECT_EQ(f.KeptColors(), QStringList{"#0C080D"});
  f.ClearColors();
  f.PickColor(RGB(14, 10, 10));
  f.PickColor(RGB(10, 10, 10));  // red differs by 4: added
  EXPECT_EQ(f.KeptColors(), (QStringList{"#0E0A0A", "#0A0A0A"}));
  EXPECT_EQ(f.LstColor->currentRow(), 1);
  EXPECT_EQ(f.LblColors->text(), "2 color(s) :");
  for (int i = 0; f.KeptColors().size() < 50; ++i) f.PickColor(RGB(100 + (i % 20) * 7, 40 + (i / 20) * 9, 200));
  f.PickColor(RGB(0, 255, 0));  // the 51st: nothing added, Delete stays enabled
  EXPECT_EQ(f.KeptColors().size(), 50);
  EXPECT_TRUE(f.BClear->isEnabled());

  f.ClearColors();
  for (TColor c : {RGB(255, 0, 0), RGB(0, 255, 0), RGB(0, 0, 255)}) f.PickColor(c);
  f.LstColor->setCurrentRow(2);
  f.BClear->click();
  EXPECT_EQ(f.KeptColors(), (QStringList{"#FF0000", "#00FF00"}));
  EXPECT_EQ(f.LstColor->currentRow(), 1);
  f.LstColor->setCurrentRow(0);
  f.BClearClick();
  EXPECT_EQ(f.LstColor->currentRow(), 0);
  f.BClearClick();
  EXPECT_TRUE(f.KeptColors().isEmpty());
  EXPECT_FALSE(f.BClear->isEnabled());
  EXPECT_EQ(f.LblColors->text(), "0 color(s) :");
}

TEST(MainFormCommands, DeleteActsOnTheVisibleSelectionOnly) {
  TOpenForm t;
  TMainForm& f = *t.form;
  ASSERT_TRUE(test::ShowActive(f));
  f.PickColor(RGB(200, 10, 10));
  f.PickColor(RGB(10, 200, 10));
  ASSERT_TRUE(f.BClear->isEnabled());
  // A click on the empty part of the list: no entry shown selected any more.
  QTest::mouseClick(f.LstColor->viewport(), Qt::LeftButton, {},
                    QPoint(5, f.LstColor->viewport()->height() - 5));
  ASSERT_TRUE(f.LstColor->selectedItems().isEmpty());
  EXPECT_FALSE(f.BClear->isEnabled());
  f.BClearClick();
  EXPECT_EQ(f.KeptColors().size(), 2);
  // Selecting an entry again enables and deletes it.
  QTest::mouseClick(f.LstColor->viewport(), Qt::LeftButton, {},
                    f.LstColor->visualItemRect(f.LstColor->item(0)).center());
  EXPECT_TRUE(f.BClear->isEnabled());
  f.BClearClick();
  EXPECT_EQ(f.KeptColors(), QStringList{"#0AC80A"});
}

TEST(MainFormCommands, EyedropperPicksThePhotosColourEvenOnTheResult) {
  TOpenForm t;
  TMainForm& f = *t.form;
  f.resize(800, 600);
  f.show();
  QApplication::processEvents();
  auto click = [&](int x, int y, Qt::MouseButton button = Qt::LeftButton) {
    const TPoint p = f.Image->ImageToClientPoint(TPoint{x, y});
    QTest::mouseClick(f.Image->viewport(), button, {}, QPoint(p.X, p.Y));
  };
  click(20, 10, Qt::RightButton);
  EXPECT_TRUE(f.KeptColors().isEmpty());
  click(20, 10);
  EXPECT_EQ(f.KeptColors(), QStringList{QString::fromStdString(ColorToText(t.photo.Pixel(20, 10)))});
  f.MenuActionActionClick();
  click(50, 30);
  ASSERT_EQ(f.KeptColors().size(), 2);
  EXPECT_EQ(f.KeptColors()[1], QString::fromStdString(ColorToText(t.photo.Pixel(50, 30))));
  // Outside the picture nothing is picked.
  const TPoint corner = f.Image->ImageToClientPoint(TPoint{60, 40});
  QTest::mouseClick(f.Image->viewport(), Qt::LeftButton, {}, QPoint(corner.X + 2, corner.Y + 2));
  EXPECT_EQ(f.KeptColors().size(), 2);
}

TEST(MainFormCommands, CopyAndPasteMakeAnUntitledDocument) {
  TOpenForm t;
  TMainForm& f = *t.form;
  f.PickColor(RGB(1, 2, 3));
  f.MenuEditionCopierClick();
  f.MenuEditionClick();
  ASSERT_TRUE(f.MenuEditionColler->isEnabled());
  f.MenuActionActionClick();
  // Pasting over an unsaved result asks; Cancel keeps the result.
  const TBitmap result = f.CurrentImage();
  t.dialogs.Answers = {mrCancel};
  f.MenuEditionCollerClick();
  EXPECT_TRUE(SamePixels(f.CurrentImage(), result));
  t.dialogs.Answers = {mrNo};
  f.MenuEditionCollerClick();
  EXPECT_TRUE(SamePixels(f.CurrentImage(), t.photo));
  EXPECT_TRUE(f.Document().Pasted());
  EXPECT_FALSE(f.Document().Processed());
  EXPECT_EQ(f.FileName(), "Untitled");
  EXPECT_EQ(f.StatusText(2), "Untitled");
  EXPECT_EQ(f.KeptColors().size(), 1);  // kept for the pasted picture
  // The window's history keeps the document pasted over: Undo gives it back
  // whole, result, name and marks; Redo pastes again.
  EXPECT_EQ(f.Document().History().UndoLabel(), "Paste");
  f.MenuEditionUndoClick();
  EXPECT_TRUE(SamePixels(f.CurrentImage(), result));
  EXPECT_TRUE(f.Document().Processed());
  EXPECT_TRUE(f.Document().ResultMatchesPhoto());
  EXPECT_FALSE(f.Document().Pasted());
  EXPECT_EQ(f.FileName(), t.photoName);
  EXPECT_EQ(f.StatusText(2), t.photoName);
  EXPECT_TRUE(SamePixels(f.Document().KeepPhoto(), t.photo));
  f.MenuEditionRedoClick();
  EXPECT_TRUE(SamePixels(f.CurrentImage(), t.photo));
  EXPECT_TRUE(f.Document().Pasted());
  EXPECT_FALSE(f.Document().Processed());
  EXPECT_EQ(f.FileName(), "Untitled");
  EXPECT_EQ(f.StatusText(2), "Untitled");
  EXPECT_EQ(f.RecentFiles(), QStringList{t.photoName});
  f.MenuFichierEnregistrerClick();
  EXPECT_EQ(t.dialogs.SaveNames.value(0), t.dir.path() + "/Untitled");
  // Closing an unsaved paste asks.
  t.dialogs.Messages.clear();
  t.dialogs.Answers = {mrNo};
  f.MenuFichierFermerClick();
  EXPECT_EQ(t.dialogs.Messages.size(), 1u);

  QApplication::clipboard()->setText("not a picture");
  f.MenuEditionClick();
  f.PopImagePopup();
  EXPECT_FALSE(f.MenuEditionColler->isEnabled());
  EXPECT_FALSE(f.PopColler->isEnabled());
}

TEST(MainFormCommands, PasteOfAPalettedImageGivesTheSameColoursIn24Bits) {
  QTemporaryDir dir;
  TScriptedDialogs dialogs;
  auto form = MakeForm(dir);
  QImage indexed(4, 2, QImage::Format_Indexed8);
  indexed.setColorTable({qRgb(255, 0, 0), qRgb(0, 128, 255)});
  indexed.fill(0);
  indexed.setPixel(3, 1, 1);
  QApplication::clipboard()->setImage(indexed);
  form->MenuEditionCollerClick();
  ASSERT_EQ(form->CurrentImage().Width(), 4);
  EXPECT_EQ(form->CurrentImage().PixelFormat(), TPixelFormat::pf24bit);
  EXPECT_EQ(form->CurrentImage().Pixel(0, 0), RGB(255, 0, 0));
  EXPECT_EQ(form->CurrentImage().Pixel(3, 1), RGB(0, 128, 255));
}

TEST(MainFormCommands, DroppingFilesOpensOnlyTheFirst) {
  QTemporaryDir dir;
  TScriptedDialogs dialogs;
  auto form = MakeForm(dir);
  const QString a = test::WriteBmp(dir, "a.bmp", 30, 20), b = test::WriteBmp(dir, "b.bmp", 10, 10);
  QMimeData data;
  data.setUrls({QUrl::fromLocalFile(a), QUrl::fromLocalFile(b), QUrl::fromLocalFile(b)});
  QDropEvent drop(QPointF(200, 200), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
  // Straight to the window: outside a real drag the application routes no drop.
  static_cast<QObject*>(form.get())->event(&drop);
  EXPECT_EQ(form->FileName(), a);
  EXPECT_EQ(form->CurrentImage().Width(), 30);
  EXPECT_EQ(form->RecentFiles(), QStringList{a});
}

TEST(MainFormCommands, DropsWithoutALocalFileAreIgnored) {
  QTemporaryDir dir;
  TScriptedDialogs dialogs;
  auto form = MakeForm(dir);
  QMimeData web;
  web.setUrls({QUrl("https://example.org/photo.jpg")});
  QDragEnterEvent enter(QPoint(200, 200), Qt::CopyAction, &web, Qt::LeftButton, Qt::NoModifier);
  static_cast<QObject*>(form.get())->event(&enter);
  EXPECT_FALSE(enter.isAccepted());
  QDropEvent drop(QPointF(200, 200), Qt::CopyAction, &web, Qt::LeftButton, Qt::NoModifier);
  static_cast<QObject*>(form.get())->event(&drop);
  EXPECT_TRUE(dialogs.OpenDirs.isEmpty());  // no Open dialog
  EXPECT_FALSE(form->DocumentOpen());
  // A web link first and a file after it: the file opens.
  const QString a = test::WriteBmp(dir, "a.bmp", 30, 20);
  QMimeData mixed;
  mixed.setUrls({QUrl("https://example.org/photo.jpg"), QUrl::fromLocalFile(a)});
  QDropEvent both(QPointF(200, 200), Qt::CopyAction, &mixed, Qt::LeftButton, Qt::NoModifier);
  static_cast<QObject*>(form.get())->event(&both);
  EXPECT_EQ(form->FileName(), a);
  EXPECT_TRUE(dialogs.OpenDirs.isEmpty());
}

// A file copied in a file manager pastes as the file itself, opened with its
// name; a web link on the clipboard is no picture.
TEST(MainFormCommands, PasteOfAFileOpensIt) {
  QTemporaryDir dir;
  TScriptedDialogs dialogs;
  auto form = MakeForm(dir);
  const QString a = test::WriteBmp(dir, "copied.bmp", 30, 20);
  auto* web = new QMimeData;
  web->setUrls({QUrl("https://example.org/photo.jpg")});
  QApplication::clipboard()->setMimeData(web);
  form->MenuEditionCollerClick();
  EXPECT_FALSE(form->DocumentOpen());
  auto* copied = new QMimeData;
  copied->setUrls({QUrl::fromLocalFile(a)});
  QApplication::clipboard()->setMimeData(copied);
  form->MenuEditionCollerClick();
  EXPECT_EQ(form->FileName(), a);
  EXPECT_EQ(form->CurrentImage().Width(), 30);
  EXPECT_FALSE(form->Document().NeedsSaveQuestion());  // a file, not a paste
  EXPECT_TRUE(dialogs.OpenDirs.isEmpty());
  QApplication::clipboard()->clear();
}

TEST(MainFormCommands, HelpWebSiteAndAbout) {
  QTemporaryDir dir;
  TScriptedDialogs dialogs;
  auto form = MakeForm(dir);
  form->MenuInformationsClick();
  ASSERT_EQ(dialogs.Messages.size(), 1u);
  EXPECT_EQ(dialogs.Messages[0].Text, "File not found !");
  EXPECT_EQ(dialogs.Messages[0].Kind, mkInformation);
  QFile help(dir.filePath("velinor.htm"));
  ASSERT_TRUE(help.open(QIODevice::WriteOnly));
  help.close();
  form->MenuInformationsClick();
  EXPECT_EQ(dialogs.OpenedUrls.value(0), QUrl::fromLocalFile(help.fileName()).toString());
  form->MenuWebClick();
  EXPECT_EQ(dialogs.OpenedUrls.value(1), QString(kWebSite));

  form->MenuAProposClick();
  form->MenuAProposClick();
  EXPECT_EQ(dialogs.ModalForms, (QStringList{"AProposForm", "AProposForm"}));
  EXPECT_EQ(form->findChildren<TAProposForm*>().size(), 1);  // kept for the run
  const QString date = FormatReleaseDate(QDate(2008, 1, 1));
  ASSERT_EQ(date.size(), 10);
  EXPECT_EQ(date.left(4) + date.mid(5, 2) + date.mid(8, 2), "20080101");
  EXPECT_EQ(date[4], date[7]);
}

}  // namespace
}  // namespace velinor
