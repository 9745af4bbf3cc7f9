// The program's own look: shortcut captions, measured and painted menu items,
// the tool panel's bands and grips, and the toolbar icon sets.
#include <QDir>
#include <QFile>
#include <QImage>
#include <QMenu>
#include <QMenuBar>
#include <QPainter>
#include <QToolBar>
#include <QToolButton>
#include <gtest/gtest.h>

#include "support/GuiTestSupport.h"
#include "gui/app/HelpFile.h"
#include "gui/app/Resources.h"
#include "gui/app/SharedStrings.h"
#include "gui/app/SystemColors.h"
#include "gui/controls/SpecialEdit.h"
#include "gui/style/LookSwitch.h"
#include "gui/style/MenuStyle.h"
#include "gui/style/ShortcutCaption.h"
#include "gui/style/ToolbarLook.h"
#include "core/view/BarPainting.h"

namespace velinor {
namespace {

// ---- shortcut captions -----------------------------------------------------------------

TEST(ShortcutCaption, KeyNamesAndModifierOrder) {
  SharedStrings::Instance().Reset();
  EXPECT_EQ(ShortcutCaption(13), QString("Entrée"));
  SharedStrings::Instance().InstallStartupTexts("Velinor");
  const std::pair<int, const char*> names[] = {
      {8, "RetArr"}, {9, "Tab"}, {13, "Enter"}, {27, "Echap"}, {32, "Espace"},
      {33, "PagePréc"}, {34, "PageSuiv"}, {35, "Fin"}, {36, "Origine"}, {37, "Gauche"},
      {38, "Haut"}, {39, "Droite"}, {40, "Bas"}, {45, "Ins"}, {46, "Suppr"}, {'0', "0"},
      {'9', "9"}, {'A', "A"}, {'Z', "Z"}, {96, "0"}, {105, "9"}, {112, "F1"}, {135, "F24"}};
  for (const auto& [key, name] : names) EXPECT_EQ(ShortcutCaption(key), QString::fromUtf8(name)) << key;
  EXPECT_EQ(ShortcutCaption(scShift | scCtrl | scAlt | 'K'), QString("Maj+Ctrl+Alt+K"));
  EXPECT_EQ(ShortcutCaption(scAlt | scShift | 112), QString("Maj+Alt+F1"));
  EXPECT_EQ(ShortcutCaption(scCtrl | 0xFF), QString());  // a key without a name: nothing
  EXPECT_EQ(ShortcutCaption(0), QString());
  SharedStrings::Instance().Reset();
}

TEST(ShortcutCaption, QtKeysMapToTheirCodes) {
  EXPECT_EQ(ShortcutFromKeys(QKeySequence("Ctrl+O")[0]), scCtrl | 'O');
  EXPECT_EQ(ShortcutFromKeys(QKeySequence(Qt::Key_Return)[0]), 13);
  EXPECT_EQ(ShortcutFromKeys(QKeySequence(Qt::Key_Enter)[0]), 13);
  EXPECT_EQ(ShortcutFromKeys(QKeySequence(Qt::Key_F1)[0]), 112);
  EXPECT_EQ(ShortcutFromKeys(QKeySequence("Shift+Alt+Del")[0]), scShift | scAlt | 46);
  EXPECT_EQ(ShortcutFromKeys(QKeyCombination(Qt::KeypadModifier, Qt::Key_7)), 103);
  EXPECT_EQ(ShortcutFromKeys(QKeySequence(Qt::Key_VolumeUp)[0]), 0);
}

TEST(ShortcutCaption, EveryMenuShortcutOfTheMainWindow) {
  QTemporaryDir dir;
  auto form = test::MakeForm(dir);
  const std::pair<QAction*, const char*> shown[] = {
      {form->MenuFichierOuvrir, "Ctrl+O"}, {form->MenuFichierEnregistrer, "Ctrl+S"},
      {form->MenuFichierFermer, "Ctrl+W"}, {form->MenuFichierImprimer, "Ctrl+P"},
      {form->MenuFichierQuitter, "Ctrl+Q"}, {form->MenuEditionUndo, "Ctrl+Z"},
      {form->MenuEditionRedo, "Ctrl+Y"}, {form->MenuEditionCopier, "Ctrl+C"},
      {form->MenuEditionColler, "Ctrl+V"}, {form->MenuActionAction, "Enter"},
      {form->MenuActionRedim, "Ctrl+T"}, {form->MenuInformations, "F1"}};
  for (const auto& [item, keys] : shown) {
    const QStringList parts = item->text().split('\t');
    ASSERT_EQ(parts.size(), 2) << item->objectName().toStdString();
    EXPECT_EQ(parts[1], QString(keys)) << item->objectName().toStdString();
  }
  // Items without a shortcut show none.
  for (QAction* item : {form->MenuZoomPlus, form->MenuAPropos, form->MenuAffichageLisser})
    EXPECT_FALSE(item->text().contains('\t'));
}

// ---- menu items --------------------------------------------------------------------------

// Fixed system colours so that pixels can be predicted.
class MenuPaint : public ::testing::Test {
 protected:
  static constexpr TColor kMenuColor = 0xE0E0E0;
  static constexpr TColor kHighlight = 0xC06000;  // blue-ish
  static constexpr TColor kHighlightText = 0xFFFFFF;
  static constexpr TColor kMenuTextColor = 0x000000;
  static constexpr TColor kGray = 0x808080;
  static constexpr TColor kShadow = 0x606060;
  void SetUp() override {
    SetSystemColorResolver([](uint8_t i) -> TColor {
      switch (i) {
        case sciMenu: case sciMenuBar: return kMenuColor;
        case sciHighlight: return kHighlight;
        case sciHighlightText: return kHighlightText;
        case sciMenuText: return kMenuTextColor;
        case sciGrayText: return kGray;
        case sciBtnShadow: return kShadow;
        default: return DefaultSystemColor(i);
      }
    });
  }
  void TearDown() override { InstallPaletteSystemColors(); }

  static QImage Paint(const QString& caption, const QString& shortcut, TMenuItemState s,
                      bool topLevel = false, bool separator = false, int w = 200, int h = 20) {
    QImage img(w, h, QImage::Format_RGB32);
    img.fill(QColor(1, 2, 3));
    QPainter p(&img);
    QFont f = p.font();
    f.setPixelSize(11);
    f.setStyleStrategy(QFont::NoAntialias);
    p.setFont(f);
    PaintMenuItem(p, QRect(0, 0, w, h), caption, shortcut, s, topLevel, separator);
    return img;
  }
  static TColor At(const QImage& img, int x, int y) {
    const QRgb c = img.pixel(x, y);
    return RGB(qRed(c), qGreen(c), qBlue(c));
  }
  // Whether a pixel of exactly colour c lies in columns [x0, x1).
  static bool HasColor(const QImage& img, TColor c, int x0, int x1) {
    for (int y = 0; y < img.height(); ++y)
      for (int x = x0; x < x1; ++x)
        if (At(img, x, y) == c) return true;
    return false;
  }
};

TEST_F(MenuPaint, SeparatorShowsTheGutterAndAFadingLineFourPixelsDown) {
  const QImage img = Paint("", "", {}, false, true, 200, 9);
  const TMenuColors c = MenuColorsNow();
  EXPECT_EQ(At(img, 0, 0), c.Gutter);
  EXPECT_EQ(At(img, 40, 2), GradientColumnColor(c.Gutter, kMenuColor, 40, 77));
  EXPECT_EQ(At(img, 1, 4), kShadow);
  EXPECT_EQ(At(img, 100, 4), GradientColumnColor(kShadow, kMenuColor, 99, 198));
  EXPECT_EQ(At(img, 100, 3), RGB(1, 2, 3));  // nothing else is drawn
  EXPECT_EQ(At(img, 100, 5), RGB(1, 2, 3));
  EXPECT_EQ(At(img, 0, 4), c.Gutter);
}

TEST_F(MenuPaint, ExecuteShowsEnterInDarkRedThenHighlightTextThenGrey) {
  const QImage normal = Paint("Execute", "Enter", {});
  const TMenuColors c = MenuColorsNow();
  EXPECT_EQ(At(normal, 0, 10), c.Gutter);
  EXPECT_EQ(At(normal, 150, 1), kMenuColor);
  EXPECT_TRUE(HasColor(normal, kMenuShortcutColor, 100, 184));
  EXPECT_FALSE(HasColor(normal, kMenuShortcutColor, 0, 100));
  EXPECT_TRUE(HasColor(normal, kMenuTextColor, 16, 100));

  TMenuItemState selected;
  selected.Selected = true;
  const QImage sel = Paint("Execute", "Enter", selected);
  EXPECT_EQ(At(sel, 0, 0), kHighlight);  // the frame
  EXPECT_EQ(At(sel, 1, 1), c.Selection1);
  EXPECT_FALSE(HasColor(sel, kMenuShortcutColor, 0, 200));
  EXPECT_TRUE(HasColor(sel, kHighlightText, 100, 184));

  TMenuItemState disabled;
  disabled.Disabled = true;
  const QImage dis = Paint("Execute", "Enter", disabled);
  EXPECT_FALSE(HasColor(dis, kMenuShortcutColor, 0, 200));
  EXPECT_TRUE(HasColor(dis, kGray, 100, 184));
  EXPECT_TRUE(HasColor(dis, kGray, 16, 100));
}

TEST_F(MenuPaint, CheckMarkIsCentredInTheFirstSixteenPixels) {
  TMenuItemState checked;
  checked.Checked = true;
  const QImage img = Paint("", "", checked);
  int left = 99, right = -1, top = 99, bottom = -1;
  for (int y = 0; y < 20; ++y)
    for (int x = 0; x < 16; ++x)
      if (At(img, x, y) == kMenuTextColor) {
        left = std::min(left, x); right = std::max(right, x);
        top = std::min(top, y); bottom = std::max(bottom, y);
      }
  ASSERT_GE(right, 0);
  EXPECT_EQ(left + right, 15 - 1);  // (16 - 7) div 2 = 4 on the left, 11 on the right
  EXPECT_EQ(top, (20 - 1 - 7) / 2);
  EXPECT_EQ(bottom - top, 6);
  EXPECT_FALSE(HasColor(Paint("", "", {}), kMenuTextColor, 0, 16));
}

TEST_F(MenuPaint, HoveredMenuBarItemIsDrawnOnePixelInside) {
  TMenuItemState hot;
  hot.Hot = true;
  const QImage img = Paint("File", "", hot, true, false, 40, 20);
  const TMenuColors c = MenuColorsNow();
  EXPECT_EQ(At(img, 0, 0), RGB(1, 2, 3));
  EXPECT_EQ(At(img, 39, 19), RGB(1, 2, 3));
  EXPECT_EQ(At(img, 1, 1), kHighlight);
  EXPECT_EQ(At(img, 38, 18), kHighlight);
  EXPECT_EQ(At(img, 2, 2), c.Selection1);
  // The caption is centred: its ink starts about as far from the left as it ends
  // from the right.
  int left = 99, right = -1;
  for (int y = 0; y < 20; ++y)
    for (int x = 0; x < 40; ++x)
      if (At(img, x, y) == kHighlightText) { left = std::min(left, x); right = std::max(right, x); }
  ASSERT_GE(right, 0);
  EXPECT_LE(std::abs(left - (39 - right)), 2);
  // Not hovered: the bar colour all over.
  const QImage plain = Paint("File", "", {}, true, false, 40, 20);
  EXPECT_EQ(At(plain, 0, 0), kMenuColor);
}

TEST(MenuMeasure, ImageSizeItemIsItsTextWithXsPlusSixteen) {
  const QFontMetrics fm(QFont("DejaVu Sans", 8));
  EXPECT_EQ(MeasureMenuItem(fm, "Image size...", "Ctrl+T"),
            fm.horizontalAdvance("Image size...XCtrl+TXXX") + 16);
  EXPECT_EQ(MeasureMenuItem(fm, "Antialias", ""), fm.horizontalAdvance("AntialiasX") + 16);
}

TEST(MenuMeasure, MenusAreAsWideAsTheirWidestMeasuredItemAndTheCheckColumn) {
  QTemporaryDir dir;
  auto form = test::MakeForm(dir);
  ASSERT_EQ(form->MenuAction->style(), MenuStyle());
  for (QMenu* menu : {form->MenuFichier, form->MenuAction, form->MenuAide, form->PopImage}) {
    menu->ensurePolished();
    const QFontMetrics fm(menu->font());
    int widest = 0;
    for (QAction* a : menu->actions()) {
      if (a->isSeparator() || !a->isVisible()) continue;
      widest = std::max(widest, MeasureMenuItem(fm, a->text().section('\t', 0, 0),
                                                a->text().section('\t', 1)));
    }
    // The check-mark column the menu adds, and one pixel of frame on each side.
    EXPECT_EQ(menu->sizeHint().width(), widest + 16 + 2) << menu->objectName().toStdString();
  }
}

// ---- tool panel and toolbars ---------------------------------------------------------------

TEST(ToolPanel, BandsGripsAndToolbarsContinuingThePanel) {
  QTemporaryDir dir;
  auto form = test::MakeForm(dir);
  form->resize(848, 600);
  form->show();
  const QImage img = form->PnlOutils->grab().toImage();
  const TBandColors c = BandColorsNow();
  auto at = [&img](int x, int y) {
    const QRgb p = img.pixel(x, y);
    return RGB(qRed(p), qGreen(p), qBlue(p));
  };
  EXPECT_EQ(at(600, 0), c.Shadow);
  EXPECT_EQ(at(600, 1), c.Highlight);
  EXPECT_EQ(at(800, 20), BandRowColor(c, 20));
  EXPECT_EQ(at(800, 42), BandRowColor(c, 42));
  for (int yy = 5; yy <= 37; yy += 4) {
    EXPECT_EQ(at(3, yy), c.D) << yy;
    const int x2 = form->EdiZoom->x() - 12;
    EXPECT_EQ(at(x2, yy), c.D) << yy;
  }
  // A toolbar's free area shows the panel's row colours.
  const QPoint inBar = form->ToolBar->geometry().topLeft();
  EXPECT_EQ(inBar.y(), 2);
  const QImage bar = form->ToolBar2->grab().toImage();
  const QRgb last = bar.pixel(bar.width() - 1, 30);
  EXPECT_EQ(RGB(qRed(last), qGreen(last), qBlue(last)), BandRowColor(c, 32));
  form->hide();
}

TEST(ToolbarIcons, ShadowedAndPaleGreyDisabledVersions) {
  for (int i = 0; i < kToolbarIconCount; ++i) {
    const QIcon icon = ToolbarIcon(i);
    const QImage normal = icon.pixmap(QSize(39, 34), QIcon::Normal).toImage();
    const QImage disabled = icon.pixmap(QSize(39, 34), QIcon::Disabled).toImage();
    ASSERT_EQ(normal.size(), QSize(39, 34));
    ASSERT_EQ(disabled.size(), QSize(39, 34));
    int opaque = 0, clear = 0;
    for (int y = 0; y < 34; ++y)
      for (int x = 0; x < 39; ++x) {
        const QRgb d = disabled.pixel(x, y);
        if (qAlpha(d) == 0) { ++clear; continue; }
        ++opaque;
        // Grey moved half-way toward the button face: no strong colour left.
        EXPECT_LE(std::abs(qRed(d) - qBlue(d)), 40) << i;
      }
    EXPECT_GT(opaque, 50) << i;
    EXPECT_GT(clear, 50) << i;
  }
  // The shadow: some pixels of the shadowed icon are opaque where the plain icon
  // is see-through (below and right of the drawing).
  const QImage plain = ToolbarImage(5).toImage().convertToFormat(QImage::Format_ARGB32);
  const QImage shadowed = ToolbarIcon(5).pixmap(QSize(39, 34)).toImage().convertToFormat(QImage::Format_ARGB32);
  int shadowPixels = 0;
  for (int y = 0; y < 34; ++y)
    for (int x = 0; x < 39; ++x)
      if (qAlpha(plain.pixel(x, y)) == 0 && qAlpha(shadowed.pixel(x, y)) == 255) ++shadowPixels;
  EXPECT_GT(shadowPixels, 20);
}

TEST(ToolbarIcons, BitmapRoundTripKeepsPixelsAndClearsTheMask) {
  QImage img(3, 1, QImage::Format_ARGB32);
  img.setPixel(0, 0, qRgba(10, 20, 30, 255));
  img.setPixel(1, 0, qRgba(40, 50, 60, 128));
  img.setPixel(2, 0, qRgba(0, 0, 0, 0));
  TBitmap b = BitmapFromImage(img, TPixelFormat::pf32bit);
  ASSERT_EQ(b.PixelFormat(), TPixelFormat::pf32bit);
  EXPECT_EQ(b.ScanLine(0)[0], 30);
  EXPECT_EQ(b.ScanLine(0)[2], 10);
  EXPECT_EQ(b.ScanLine(0)[7], 128);
  TBitmap rgb(2, 1);
  rgb.SetPixel(0, 0, RGB(1, 2, 3));
  rgb.SetPixel(1, 0, RGB(7, 8, 9));
  rgb.Transparent = true;
  rgb.TransparentColor = RGB(7, 8, 9);
  const QImage back = ImageFromBitmap(rgb);
  EXPECT_EQ(back.pixel(0, 0), qRgba(1, 2, 3, 255));
  EXPECT_EQ(qAlpha(back.pixel(1, 0)), 0);
}

// ---- when the look is on ----------------------------------------------------------------

TEST(LookSwitch, OnForLightPalettesUnlessAStyleWasAskedFor) {
  QPalette light(QColor(240, 240, 240));
  QPalette dark(QColor(40, 40, 40));
  EXPECT_TRUE(ProgramLookWanted(false, light));
  EXPECT_FALSE(ProgramLookWanted(true, light));
  EXPECT_FALSE(ProgramLookWanted(false, dark));
}

// ---- help page -------------------------------------------------------------------------

TEST(HelpFile, BesideTheProgramFirstThenTheInstalledPage) {
  QTemporaryDir dir;
  QDir root(dir.path());
  root.mkpath("bin");
  root.mkpath("share/doc/velinor");
  const QString exe = root.filePath("bin/velinor");
  auto touch = [](const QString& name) {
    QFile f(name);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
  };
  EXPECT_EQ(FindHelpFile(exe), QString());
  touch(root.filePath("share/doc/velinor/velinor.htm"));
  EXPECT_EQ(FindHelpFile(exe), QDir::cleanPath(root.filePath("share/doc/velinor/velinor.htm")));
  touch(root.filePath("bin/velinor.htm"));
  EXPECT_EQ(FindHelpFile(exe), root.filePath("bin/velinor.htm"));
  touch(root.filePath("bin/velinor.chm"));
  EXPECT_EQ(FindHelpFile(exe), root.filePath("bin/velinor.chm"));
  // An extension is replaced, not extended.
  EXPECT_EQ(FindHelpFile(root.filePath("bin/velinor.exe")), root.filePath("bin/velinor.chm"));
}

}  // namespace
}  // namespace velinor
