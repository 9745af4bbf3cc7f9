// The menus, context menu, shortcuts and toolbar buttons the command table builds,
// entry by entry: object name, caption, check items, where the separators stand,
// and which entries are enabled without a document and with one.
#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QKeySequence>
#include <QMenu>
#include <QMenuBar>
#include <QShortcut>
#include <QToolBar>
#include <QToolButton>
#include <gtest/gtest.h>

#include "support/GuiTestSupport.h"

namespace velinor {
namespace {

// "name caption [check|checked]", "-" for a separator; a submenu's entries follow
// it indented.
QStringList Entries(const QMenu* menu, const QString& indent = QString()) {
  QStringList lines;
  for (QAction* a : menu->actions()) {
    if (a->isSeparator()) {
      lines << indent + "-";
      continue;
    }
    QString line = indent + a->objectName() + " \"" + a->text() + "\"";
    if (a->isCheckable()) line += a->isChecked() ? " checked" : " check";
    if (!a->shortcut().isEmpty()) line += " own-key " + a->shortcut().toString();
    lines << line;
    if (a->menu()) lines << Entries(a->menu(), indent + "  ");
  }
  return lines;
}

// One letter per entry: E enabled, d disabled, h hidden; separators count only
// when hidden (h).
QString States(const QMenu* menu) {
  QString s;
  for (QAction* a : menu->actions()) {
    if (a->isSeparator()) s += a->isVisible() ? "" : "h";
    else s += !a->isVisible() ? 'h' : a->isEnabled() ? 'E' : 'd';
  }
  return s;
}

struct TMenuForm {
  TMenuForm() { QApplication::clipboard()->clear(); }
  QTemporaryDir dir;
  test::TScriptedDialogs dialogs;
  std::unique_ptr<TMainForm> form = test::MakeForm(dir);

  // Every menu as its enabling handler leaves it.
  QStringList AllStates() {
    form->MenuFichierClick();
    form->MenuEditionClick();
    form->MenuActionClick();
    form->MenuAffichageClick();
    form->PopImagePopup();
    QStringList s;
    for (QMenu* m : {form->MenuFichier, form->MenuEdition, form->MenuAction, form->MenuOptions,
                     form->MenuAffichage, form->MenuAide, form->PopImage})
      s << States(m);
    return s;
  }
};

TEST(MainFormCommandTable, MenusAsBuilt) {
  TMenuForm t;
  TMainForm& f = *t.form;
  QStringList bar;
  for (QAction* a : f.menuBar()->actions()) bar << a->menu()->objectName() + " \"" + a->text() + "\"";
  EXPECT_EQ(bar, (QStringList{"MenuFichier \"File\"", "MenuEdition \"Edit\"", "MenuAction \"Action\"",
                              "MenuOptions \"Options\"", "MenuAffichage \"View\"", "MenuAide \"?\""}));
  EXPECT_EQ(Entries(f.MenuFichier),
            (QStringList{"MenuFichierOuvrir \"Open...\tCtrl+O\"", "MenuFichierEnregistrer \"Save as...\tCtrl+S\"",
                         "MenuFichierFermer \"Close\tCtrl+W\"", "-", "MenuFichier1 \"File1\"",
                         "MenuFichier2 \"File2\"", "MenuFichier3 \"File3\"", "MenuFichier4 \"File4\"", "-",
                         "MenuFichierImprimer \"Print...\tCtrl+P\"", "-", "MenuFichierQuitter \"Exit\tCtrl+Q\""}));
  EXPECT_EQ(Entries(f.MenuEdition),
            (QStringList{"MenuEditionUndo \"Undo last action\tCtrl+Z\"",
                         "MenuEditionRedo \"Redo last action\tCtrl+Y\"", "-", "MenuEditionCopier \"Copy\tCtrl+C\"",
                         "MenuEditionColler \"Paste\tCtrl+V\""}));
  EXPECT_EQ(Entries(f.MenuAction),
            (QStringList{"MenuActionAction \"Execute\tEnter\"", "-", "MenuActionRedim \"Image size...\tCtrl+T\"",
                         "MenuActionRotateLeft \"Rotate left\tCtrl+L\"",
                         "MenuActionRotateRight \"Rotate right\tCtrl+R\"", "-",
                         "MenuActionPipette \"Eyedropper\tEchap\"", "MenuActionBrush \"Brush\tB\"",
                         "MenuActionClearTouchUps \"Clear touch-ups\""}));
  EXPECT_EQ(Entries(f.MenuOptions),
            (QStringList{"MenuOptionZMouse \"Enable mouse zoom\" checked",
                         "MenuOptionLivePreview \"Live preview\" checked", "-", " \"Print unit\"",
                         "  MenuUnitCm \"Cm\" checked", "  MenuUnitPouces \"Inch\" check"}));
  EXPECT_EQ(f.MenuOptions->actions().back()->menu()->objectName(), "MenuOptionUnit");
  EXPECT_EQ(Entries(f.MenuAffichage),
            (QStringList{"MenuZoomPlus \"Zoom in\"", "MenuZoomMoins \"Zoom out\"", "MenuZoom100 \"Original size\"",
                         "MenuZoomAuto \"Auto zoom \"", "-", "MenuAffichageLisser \"Antialias\" checked",
                         "MenuAffichageMasque \"Show mask\tCtrl+M\" check"}));
  EXPECT_EQ(Entries(f.MenuAide), (QStringList{"MenuInformations \"Help\tF1\"", "-", "MenuWeb \"Official web site\"",
                                              "-", "MenuAPropos \"About...\""}));
  EXPECT_EQ(Entries(f.PopImage),
            (QStringList{"PopAction \"Exécuter le traitement\"", "-", "PopOuvrir \"Ouvrir...\"",
                         "PopEnregistrer \"Enregistrer sous...\"", "PopFermer \"Fermer\"", "-",
                         "PopCopier \"Copier\"", "PopColler \"Coller\""}));
  // With no recent files N1 and N3 stand together and both show.
  EXPECT_FALSE(f.MenuFichier->separatorsCollapsible());
}

// File: Open, Save as, Close, the four recent files, Print, the separator shown
// only with recent files, Exit. The context menu: Execute, Open, Save as, Close,
// Copy, Paste (the clipboard is empty).
TEST(MainFormCommandTable, EnablingWithoutAndWithADocument) {
  TMenuForm t;
  EXPECT_EQ(t.AllStates().join(" | ").toStdString(),
            "Edd" "hhhh" "d" "h" "E | dd" "dd | d" "ddd" "ddd | EE" "E | dddd" "dd | E" "E" "E | d" "Eddd" "d");
  t.form->OpenImage(test::WriteBmp(t.dir, "a.bmp", 40, 30), true);
  EXPECT_EQ(t.AllStates().join(" | ").toStdString(),
            "EEE" "Ehhh" "E" "E | dd" "Ed | E" "EEE" "EEd | EE" "E | EEEE" "EE | E" "E" "E | E" "EEEE" "d");
}

// The keys: the items' shortcuts, Enter beside Return for Execute, "[" and "]"
// for the brush's size (no item), all on the window; Delete on the colour list.
TEST(MainFormCommandTable, Shortcuts) {
  TMenuForm t;
  QStringList keys;
  for (QShortcut* s : t.form->findChildren<QShortcut*>()) {
    QString owner = s->parent() == t.form.get() ? QString("window") : s->parent()->objectName();
    keys << s->key().toString() + " " + owner + (s->context() == Qt::WidgetShortcut ? " widget" : "");
  }
  keys.sort();
  EXPECT_EQ(keys, (QStringList{"B window", "Ctrl+C window", "Ctrl+L window", "Ctrl+M window", "Ctrl+O window",
                               "Ctrl+P window", "Ctrl+Q window", "Ctrl+R window", "Ctrl+S window",
                               "Ctrl+T window", "Ctrl+V window", "Ctrl+W window", "Ctrl+Y window",
                               "Ctrl+Z window", "Del LstColor widget", "Enter window", "Esc window",
                               "F1 window", "Return window", "[ window", "] window"}));
}

TEST(MainFormCommandTable, ToolbarButtons) {
  TMenuForm t;
  t.form->show();
  QApplication::processEvents();
  auto buttons = [](QToolBar* bar) {
    QStringList lines;
    for (QAction* a : bar->actions()) {
      QWidget* w = bar->widgetForAction(a);
      auto* b = qobject_cast<QToolButton*>(w);
      QString line = QString("%1 x=%2").arg(b ? b->objectName() : QString("gap")).arg(w->x());
      if (b && b->isCheckable()) line += b->isChecked() ? " checked" : " check";
      if (b && b->icon().isNull()) line += " no-icon";
      lines << line;
    }
    return lines;
  };
  EXPECT_EQ(buttons(t.form->ToolBar),
            (QStringList{"BtnOuvrir x=0", "BtnEnregistrer x=46", "BtnImprimer x=92", "gap x=138", "BtnRedim x=146",
                         "BtnAction x=192", "gap x=238", "BtnUndo x=246", "BtnRedo x=292"}));
  EXPECT_EQ(buttons(t.form->ToolBar2),
            (QStringList{"BtnZoomPlus x=0", "BtnZoomMoins x=49", "BtnZoom100 x=98", "BtnZoomAuto x=147",
                         "gap x=196", "BtnPipette x=204 checked", "BtnBrush x=253 check"}));
  EXPECT_EQ(t.form->ToolBar->pos(), QPoint(8, 2));
  EXPECT_EQ(t.form->ToolBar2->pos(), QPoint(444, 2));
  EXPECT_EQ(t.form->BtnPipette->toolTip(), "Eyedropper");
  EXPECT_TRUE(t.form->BtnBrush->toolTip().startsWith("Brush: drag"));
}

}  // namespace
}  // namespace velinor
