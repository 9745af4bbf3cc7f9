#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QFile>
#include <QFileInfo>
#include <QElapsedTimer>
#include <QGridLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLocale>
#include <QRegularExpression>
#include <QSettings>
#include <QTemporaryDir>
#include <QTimer>
#include <QTreeView>

#include <zlib.h>

#include "support/GuiTestSupport.h"
#include "gui/dialogs/OpenPictureDialog.h"
#include "gui/dialogs/PictureInfoText.h"
#include "core/files/FileRoutes.h"
#include "core/files/ImageDispatch.h"
#include "core/files/PngUtils.h"
#include "core/files/WebpCodec.h"

using namespace velinor;

namespace {

QStringList Lines(const QLabel* label) { return label->text().split('\n'); }

QString DateOf(const QString& path) { return ShortDateTimeText(QFileInfo(path).lastModified()); }

QString WriteFile(const QTemporaryDir& dir, const QString& name, qint64 size) {
  QFile f(dir.filePath(name));
  f.open(QIODevice::WriteOnly);
  f.write(QByteArray(size, 'x'));
  return f.fileName();
}

// A PNG whose header says 70000 x 70000: refused once the header is read.
QString WriteHugePng(const QTemporaryDir& dir) {
  QByteArray png = QByteArray::fromHex("89504e470d0a1a0a");
  const auto chunk = [&](const char* type, const QByteArray& data) {
    const QByteArray body = QByteArray(type, 4) + data;
    const uLong crc = crc32(0, reinterpret_cast<const Bytef*>(body.constData()), static_cast<uInt>(body.size()));
    for (int shift = 24; shift >= 0; shift -= 8) png += static_cast<char>((data.size() >> shift) & 0xFF);
    png += body;
    for (int shift = 24; shift >= 0; shift -= 8) png += static_cast<char>((crc >> shift) & 0xFF);
  };
  chunk("IHDR", QByteArray::fromHex("00011170" "00011170" "0802000000"));  // 70000 x 70000, 8-bit RGB
  chunk("IDAT", QByteArray::fromHex("789c63000000010001"));
  chunk("IEND", {});
  QFile f(dir.filePath("huge.png"));
  f.open(QIODevice::WriteOnly);
  f.write(png);
  return f.fileName();
}

// The thumbnail's middle pixel (inside the frame, where the picture sits).
TColor Middle(const TBitmap& b) { return b.Pixel(b.Width() / 2 - 2, b.Height() / 2 - 2); }

}  // namespace

TEST(OpenPictureDialog, SelectingAJpegShowsItsThumbnailAndLines) {
  QTemporaryDir dir;
  const QString jpg = dir.filePath("photo.jpg");
  WriteImageFile(jpg.toStdString(), test::MakeImage(1024, 768), TWriteOptions{});

  TOpenPictureDialog dialog(nullptr, true);
  TOpenDialogRequest request;
  request.Filter = "All images|*.*";
  request.InitialDir = dir.path().toStdString();
  dialog.Setup(request);
  EXPECT_TRUE(dialog.PreviewOn());
  // The panel sits in the dialog's own layout, right of the standard controls.
  auto* grid = qobject_cast<QGridLayout*>(dialog.layout());
  ASSERT_NE(grid, nullptr);
  EXPECT_GE(grid->indexOf(dialog.PicturePanel), 0);
  // Nothing selected: the frame and the white inside only.
  EXPECT_EQ(dialog.PreviewBitmap().Width(), 165);
  EXPECT_EQ(dialog.PreviewBitmap().Height(), 130);
  EXPECT_EQ(Middle(dialog.PreviewBitmap()), clWhite);
  EXPECT_EQ(dialog.PictureLabel->text(), "");

  dialog.SelectionChange(jpg);
  ASSERT_TRUE(dialog.Loaded());
  EXPECT_NE(Middle(dialog.PreviewBitmap()), clWhite);
  const QStringList lines = Lines(dialog.PictureLabel);
  ASSERT_GE(lines.size(), 4);
  EXPECT_EQ(lines[0], "1024x768 pixels");  // the stored size, not the reduced preview's
  EXPECT_EQ(lines[1], "24 bits");
  EXPECT_TRUE(QRegularExpression("^\\d+[.,]\\d\\d Ko$").match(lines[2]).hasMatch()) << lines[2].toStdString();
  EXPECT_EQ(lines[3], DateOf(jpg));
  // The EXIF block the program writes: its software and date.
  ASSERT_EQ(lines.size(), 7);
  EXPECT_EQ(lines[4], "");
  EXPECT_EQ(lines[5], "Velinor");

  // A folder shows nothing.
  dialog.SelectionChange(dir.path());
  EXPECT_FALSE(dialog.Loaded());
  EXPECT_EQ(dialog.PictureLabel->text(), "");
  EXPECT_EQ(Middle(dialog.PreviewBitmap()), clWhite);
  // A file that is no picture says why instead of showing lines.
  dialog.SelectionChange(WriteFile(dir, "junk.png", 10));
  EXPECT_FALSE(dialog.Loaded());
  EXPECT_EQ(dialog.DepthCode(), 6);
  EXPECT_TRUE(dialog.PictureLabel->text().startsWith("The file is damaged: "))
      << dialog.PictureLabel->text().toStdString();
}

TEST(OpenPictureDialog, AlphaPngShowsDepthAndTransparencyOnWhite) {
  QTemporaryDir dir;
  TBitmap rgba(40, 30, TPixelFormat::pf32bit);
  rgba.FillBytes(0);  // transparent black everywhere
  const QString png = dir.filePath("alpha.png");
  WritePngFile(png.toStdString(), rgba, 0);

  TOpenPictureDialog dialog(nullptr, true);
  dialog.SelectionChange(png);
  ASSERT_TRUE(dialog.Loaded());
  EXPECT_EQ(dialog.DepthCode(), 7);
  EXPECT_EQ(dialog.TransparencyCode(), 2);
  EXPECT_EQ(Middle(dialog.PreviewBitmap()), clWhite);  // flattened onto white, not black
  const QStringList lines = Lines(dialog.PictureLabel);
  ASSERT_EQ(lines.size(), 5);
  EXPECT_EQ(lines[0], "40x30 pixels");
  EXPECT_EQ(lines[1], "32 bits");
  EXPECT_EQ(lines[2], "RVBA (couche Alpha)");

  // The fixed-size style: smaller box, no transparency line.
  TOpenPictureDialog narrow(nullptr, false);
  narrow.SelectionChange(png);
  EXPECT_EQ(narrow.PreviewBitmap().Height(), 118);
  EXPECT_EQ(Lines(narrow.PictureLabel).size(), 4);
}

TEST(OpenPictureDialog, WebpWithAlphaAndCameraRawShowTheirPreviewAndLines) {
  QTemporaryDir dir;
  TBitmap rgba(40, 30, TPixelFormat::pf32bit);
  rgba.FillBytes(0);
  for (int x = 0; x < 40; ++x) rgba.ScanLine(1)[4 * x + 3] = 255;  // one opaque black row, away from the middle
  const QString webp = dir.filePath("alpha.webp");
  WriteWebpFile(webp.toStdString(), rgba, WebpOptionsFor(rgba, 90));
  TOpenPictureDialog dialog(nullptr, true);
  dialog.SelectionChange(webp);
  ASSERT_TRUE(dialog.Loaded());
  EXPECT_EQ(dialog.DepthCode(), 7);
  EXPECT_EQ(dialog.TransparencyCode(), 2);
  EXPECT_EQ(Middle(dialog.PreviewBitmap()), clWhite);
  QStringList lines = Lines(dialog.PictureLabel);
  ASSERT_EQ(lines.size(), 5);
  EXPECT_EQ(lines[0], "40x30 pixels");
  EXPECT_EQ(lines[1], "32 bits");
  EXPECT_EQ(lines[2], "RVBA (couche Alpha)");

  // A DNG: decoded at half size for the box; the camera closes the lines.
  const QString dng = QString(VELINOR_FUZZ_CORPUS) + "/raw/basic.dng";
  dialog.SelectionChange(dng);
  ASSERT_TRUE(dialog.Loaded());
  EXPECT_NE(Middle(dialog.PreviewBitmap()), clWhite);
  lines = Lines(dialog.PictureLabel);
  ASSERT_EQ(lines.size(), 6);
  EXPECT_EQ(lines[0], "48x32 pixels");
  EXPECT_EQ(lines[1], "24 bits");
  EXPECT_EQ(lines[4], "");
  EXPECT_EQ(lines[5], "Velinor Test DNG");
  // A raw name LibRaw cannot read: no picture, and the cause.
  dialog.SelectionChange(WriteFile(dir, "photo.nef", 5000));
  EXPECT_FALSE(dialog.Loaded());
  EXPECT_EQ(dialog.PictureLabel->text(), "This kind of file cannot be read");
}

// A long cause is broken into lines inside the panel, not cut at its edge.
TEST(OpenPictureDialog, TheFailureCauseWrapsInsideThePanel) {
  QTemporaryDir dir;
  const QString huge = WriteHugePng(dir);
  for (const bool sizeable : {true, false}) {
    SCOPED_TRACE(sizeable ? "sizeable" : "fixed");
    TOpenPictureDialog dialog(nullptr, sizeable);
    dialog.show();
    QApplication::processEvents();
    dialog.SelectionChange(huge);
    ASSERT_FALSE(dialog.Loaded());
    const QLabel* label = dialog.PictureLabel;
    EXPECT_TRUE(label->text().startsWith(QString::fromUtf8("The picture is 70000 \u00d7 70000 pixels; Velinor opens")))
        << label->text().toStdString();
    // The label lies within the panel, as wide as the separator above it ...
    EXPECT_GE(label->x(), dialog.SepPanel->x());
    EXPECT_LE(label->geometry().right(), dialog.SepPanel->geometry().right());
    EXPECT_LE(label->geometry().bottom(), dialog.PicturePanel->rect().bottom());
    // ... and the whole text, broken into lines at its width, fits in it.
    const QRect needed = label->fontMetrics().boundingRect(QRect(0, 0, label->width(), 100000),
                                                           Qt::TextWordWrap | Qt::AlignLeft | Qt::AlignTop, label->text());
    EXPECT_LE(needed.width(), label->width());
    EXPECT_LE(needed.height(), label->height());
    EXPECT_GT(needed.height(), 2 * label->fontMetrics().height());  // more than one line: it did wrap
  }
}

// The detail view's size column shows the whole size, not "80....Ki".
TEST(OpenPictureDialog, DetailColumnsAreNotCut) {
  QTemporaryDir dir;
  WriteFile(dir, "a rather long file name of a photo.jpg", 1'023'000);  // "999.02 KiB"
  // Qt's file dialog brings back the columns of its last use: start afresh.
  QSettings("QtProject").remove("FileDialog/treeViewHeader");
  QTemporaryDir first;
  TOpenPictureDialog dialog(nullptr, true);
  dialog.setDirectory(first.path());
  dialog.setViewMode(QFileDialog::Detail);
  dialog.show();
  QApplication::processEvents();
  dialog.setDirectory(dir.path());  // the user goes to the photos' folder
  auto* tree = dialog.findChild<QTreeView*>("treeView");
  ASSERT_NE(tree, nullptr);
  QElapsedTimer waited;
  waited.start();
  while (tree->model()->rowCount(tree->rootIndex()) == 0 && waited.elapsed() < 5000)
    QApplication::processEvents(QEventLoop::AllEvents, 50);
  ASSERT_GT(tree->model()->rowCount(tree->rootIndex()), 0);
  QApplication::processEvents();
  // What a cell needs: its text and the style's margins around it.
  const QAbstractItemView* view = tree;
  for (int column = 1; column < tree->header()->count(); ++column) {
    if (tree->header()->isSectionHidden(column)) continue;
    EXPECT_GE(tree->header()->sectionSize(column), view->sizeHintForColumn(column))
        << tree->model()->headerData(column, Qt::Horizontal).toString().toStdString();
  }
}

TEST(OpenPictureDialog, UncheckingPreviewClearsAtOnce) {
  QTemporaryDir dir;
  const QString bmp = test::WriteBmp(dir, "a.bmp", 50, 40);
  TOpenPictureDialog dialog(nullptr, true);
  dialog.show();  // not modal: the check box acts only while the dialog is shown
  dialog.SelectionChange(bmp);
  ASSERT_TRUE(dialog.Loaded());
  dialog.PreviewCheck->click();
  EXPECT_FALSE(dialog.PreviewOn());
  EXPECT_FALSE(dialog.Loaded());
  EXPECT_EQ(dialog.PictureLabel->text(), "");
  EXPECT_EQ(Middle(dialog.PreviewBitmap()), clWhite);
  // While unchecked, a new selection is not read either.
  dialog.SelectionChange(bmp);
  EXPECT_FALSE(dialog.Loaded());
  dialog.PreviewCheck->click();
  EXPECT_TRUE(dialog.Loaded());
  dialog.hide();
}

TEST(OpenPictureDialog, PreviewChoiceGoesBackToTheRequest) {
  TOpenDialogRequest request;
  request.Preview = true;
  // Answers the dialog in the user's place: untick the box, then cancel.
  bool answered = false;
  QTimer::singleShot(0, [&answered] {
    QWidget* modal = QApplication::activeModalWidget();
    if (auto* dialog = qobject_cast<TOpenPictureDialog*>(modal)) {
      dialog->PreviewCheck->click();
      answered = true;
    }
    if (modal) modal->close();
  });
  EXPECT_EQ(ExecOpenPictureDialog(nullptr, request), "");
  ASSERT_TRUE(answered);
  EXPECT_FALSE(request.Preview);
}

TEST(PictureInfoText, SizeUnitsAndLines) {
  QTemporaryDir dir;
  TPicturePreview loaded;
  loaded.Loaded = true;
  const QString dp = QLocale().decimalPoint();
  struct Case {
    qint64 size;
    QString text;
  } cases[] = {{0, "0 octet"}, {1, "1 octet"}, {2, "2 octets"}, {1023, "1023 octets"}, {1024, "1" + dp + "00 Ko"},
               {1536, "1" + dp + "50 Ko"}};
  OptionsOE.GifAnimated = false;
  for (const Case& c : cases) {
    const QString f = WriteFile(dir, QString("f%1.bmp").arg(c.size), c.size);
    const QStringList lines = PictureInformationText(f.toStdString(), loaded, true).split('\n');
    ASSERT_EQ(lines.size(), 4) << c.size;
    EXPECT_EQ(lines[2], c.text);
    EXPECT_EQ(lines[3], DateOf(f));
  }

  // Depth and transparency lines.
  const QString gif = WriteFile(dir, "anim.gif", 5);
  loaded.TransparencyCode = 1;
  OptionsOE.GifAnimated = true;
  QStringList lines = PictureInformationText(gif.toStdString(), loaded, true).split('\n');
  EXPECT_EQ(lines[1], "Gif animé");
  EXPECT_EQ(lines.size(), 4);  // no transparency line for an animated GIF
  OptionsOE.GifAnimated = false;
  lines = PictureInformationText(gif.toStdString(), loaded, true).split('\n');
  EXPECT_EQ(lines[1], "8 bits");
  EXPECT_EQ(lines[2], "Transparence");

  const QString png = WriteFile(dir, "p.png", 5);
  loaded.DepthCode = 1;
  loaded.TransparencyCode = 0;
  EXPECT_EQ(PictureInformationText(png.toStdString(), loaded, true).split('\n')[1], "1 bit");
  loaded.DepthCode = 2;
  EXPECT_EQ(PictureInformationText(png.toStdString(), loaded, true).split('\n')[1], "4 bits");

  // Nothing loaded: no text.
  EXPECT_EQ(PictureInformationText(png.toStdString(), TPicturePreview{}, true), "");
  // A file that was read and failed: the cause, and nothing else.
  const QString damaged = WriteFile(dir, "damaged.bmp", 7);
  EXPECT_EQ(PictureInformationText(damaged.toStdString(), LoadPicturePreview(damaged.toStdString()), true)
                .left(21),
            "The file is damaged: ");
}
