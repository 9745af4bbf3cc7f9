// TMainForm: the command table, and everything the window derives from it — the
// handlers of menu items, context items and toolbar buttons, the enabling of the
// menus (when they open and before their shortcuts run) and of the toolbar, the
// shortcuts and the buttons' hints.
#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QKeySequence>
#include <QMenu>
#include <QMimeData>
#include <QShortcut>
#include <QToolButton>

#include "gui/app/MainForm.h"
#include "gui/app/TextRules.h"
#include "gui/app/ZoomSteps.h"
#include "gui/controls/SpecialEdit.h"
#include "gui/style/ShortcutCaption.h"
#include "gui/view/MyImage.h"

namespace velinor {

const std::vector<TMainForm::TCommand>& TMainForm::Commands() {
  using M = TMenuId;
  using R = TRule;
  using F = TMainForm;
  // In menu order. The toolbar buttons' places give their order on the bars.
  static const std::vector<TCommand> table = {
      {&F::MenuFichierOuvrir, &F::PopOuvrir, &F::MenuFichierOuvrirClick, M::Fichier, R::Always, R::Always,
       "Ctrl+O", nullptr, &F::BtnOuvrir, "BtnOuvrir", 5, 100},
      {&F::MenuFichierEnregistrer, &F::PopEnregistrer, &F::MenuFichierEnregistrerClick, M::Fichier, R::Open,
       R::Open, "Ctrl+S", nullptr, &F::BtnEnregistrer, "BtnEnregistrer", 0, 101},
      {&F::MenuFichierFermer, &F::PopFermer, &F::MenuFichierFermerClick, M::Fichier, R::Open, R::Open,
       "Ctrl+W", nullptr, nullptr, nullptr, 0, 0},
      {&F::MenuFichierImprimer, nullptr, &F::MenuFichierImprimerClick, M::Fichier, R::Open, R::Open,
       "Ctrl+P", nullptr, &F::BtnImprimer, "BtnImprimer", 1, 102},
      {&F::MenuFichierQuitter, nullptr, &F::MenuFichierQuitterClick, M::Fichier, R::Always, R::Always,
       "Ctrl+Q", nullptr, nullptr, nullptr, 0, 0},
      {&F::MenuEditionUndo, nullptr, &F::MenuEditionUndoClick, M::Edition, R::Undo, R::Undo, "Ctrl+Z",
       nullptr, &F::BtnUndo, "BtnUndo", 4, 107},
      {&F::MenuEditionRedo, nullptr, &F::MenuEditionRedoClick, M::Edition, R::Redo, R::Redo, "Ctrl+Y",
       nullptr, &F::BtnRedo, "BtnRedo", 8, 108},
      {&F::MenuEditionCopier, &F::PopCopier, &F::MenuEditionCopierClick, M::Edition, R::Open, R::Open,
       "Ctrl+C", nullptr, nullptr, nullptr, 0, 0},
      {&F::MenuEditionColler, &F::PopColler, &F::MenuEditionCollerClick, M::Edition, R::Clipboard,
       R::Clipboard, "Ctrl+V", nullptr, nullptr, nullptr, 0, 0},
      {&F::MenuActionAction, &F::PopAction, &F::MenuActionActionClick, M::Action, R::Open, R::Open, "Return",
       "Enter", &F::BtnAction, "BtnAction", 12, 105},
      {&F::MenuActionRedim, nullptr, &F::MenuActionRedimClick, M::Action, R::Open, R::Open, "Ctrl+T",
       nullptr, &F::BtnRedim, "BtnRedim", 3, 104},
      {&F::MenuActionRotateLeft, nullptr, &F::MenuActionRotateLeftClick, M::Action, R::Open, R::Open,
       "Ctrl+L", nullptr, nullptr, nullptr, 0, 0},
      {&F::MenuActionRotateRight, nullptr, &F::MenuActionRotateRightClick, M::Action, R::Open, R::Open,
       "Ctrl+R", nullptr, nullptr, nullptr, 0, 0},
      {&F::MenuActionPipette, nullptr, &F::MenuActionPipetteClick, M::Action, R::Open, R::Open, "Esc",
       nullptr, &F::BtnPipette, "BtnPipette", -1, 205},
      {&F::MenuActionBrush, nullptr, &F::MenuActionBrushClick, M::Action, R::Open, R::Open, "B", nullptr,
       &F::BtnBrush, "BtnBrush", -1, 206},
      {&F::MenuActionClearTouchUps, nullptr, &F::MenuActionClearTouchUpsClick, M::Action, R::TouchUps,
       R::TouchUps, nullptr, nullptr, nullptr, nullptr, 0, 0},
      {&F::MenuOptionZMouse, nullptr, &F::MenuOptionZMouseClick, M::Options, R::Untouched, R::Untouched,
       nullptr, nullptr, nullptr, nullptr, 0, 0},
      {&F::MenuOptionLivePreview, nullptr, &F::MenuOptionLivePreviewClick, M::Options, R::Untouched,
       R::Untouched, nullptr, nullptr, nullptr, nullptr, 0, 0},
      {&F::MenuZoomPlus, nullptr, &F::MenuZoomPlusClick, M::Affichage, R::ZoomIn, R::ZoomIn, nullptr,
       nullptr, &F::BtnZoomPlus, "BtnZoomPlus", 9, 200},
      {&F::MenuZoomMoins, nullptr, &F::MenuZoomMoinsClick, M::Affichage, R::ZoomOut, R::ZoomOut, nullptr,
       nullptr, &F::BtnZoomMoins, "BtnZoomMoins", 10, 201},
      // The menu looks at the zoom box's choice, the button at the zoom itself: an
      // automatic zoom that comes out at 1 disables the button only.
      {&F::MenuZoom100, nullptr, &F::MenuZoom100Click, M::Affichage, R::ZoomBoxNot100, R::ZoomNot1, nullptr,
       nullptr, &F::BtnZoom100, "BtnZoom100", 6, 202},
      {&F::MenuZoomAuto, nullptr, &F::MenuZoomAutoClick, M::Affichage, R::Open, R::Open, nullptr, nullptr,
       &F::BtnZoomAuto, "BtnZoomAuto", 7, 203},
      {&F::MenuAffichageLisser, nullptr, &F::MenuAffichageLisserClick, M::Affichage, R::Open, R::Open,
       nullptr, nullptr, nullptr, nullptr, 0, 0},
      {&F::MenuAffichageMasque, nullptr, &F::MenuAffichageMasqueClick, M::Affichage, R::Open, R::Open,
       "Ctrl+M", nullptr, nullptr, nullptr, 0, 0},
      {&F::MenuInformations, nullptr, &F::MenuInformationsClick, M::Aide, R::Untouched, R::Untouched, "F1",
       nullptr, nullptr, nullptr, 0, 0},
      {&F::MenuWeb, nullptr, &F::MenuWebClick, M::Aide, R::Untouched, R::Untouched, nullptr, nullptr,
       nullptr, nullptr, 0, 0},
      {&F::MenuAPropos, nullptr, &F::MenuAProposClick, M::Aide, R::Untouched, R::Untouched, nullptr,
       nullptr, nullptr, nullptr, 0, 0},
  };
  return table;
}

bool TMainForm::ClipboardHasBitmap() const {
  const QMimeData* data = QApplication::clipboard() ? QApplication::clipboard()->mimeData() : nullptr;
  return data && (data->hasImage() || !LocalFilesOf(data).isEmpty());
}

bool TMainForm::RuleHolds(TRule rule) const {
  const bool open = DocumentOpen();
  switch (rule) {
    case TRule::Untouched:
    case TRule::Always: return true;
    case TRule::Open: return open;
    case TRule::Undo: return document_.CanUndo();
    case TRule::Redo: return document_.CanRedo();
    case TRule::Clipboard: return ClipboardHasBitmap();
    case TRule::ZoomIn: return open && StepZoomDecision(Image->Zoom(), 0).Possible;
    case TRule::ZoomOut: return open && StepZoomDecision(Image->Zoom(), 2).Possible;
    case TRule::ZoomBoxNot100: return open && EdiZoom->ItemIndex() != kZoom100Index;
    case TRule::ZoomNot1: return open && !SameZoom(Image->Zoom(), 1.0);
    case TRule::TouchUps: return open && !document_.TouchUps().Empty();
  }
  return false;
}

// ---- wiring ------------------------------------------------------------------------

// The menu items; each toolbar button is wired where the tool panel makes it.
void TMainForm::ConnectCommands() {
  for (const TCommand& c : Commands()) {
    connect(this->*c.Item, &QAction::triggered, this, c.Run);
    if (c.PopItem) connect(this->*c.PopItem, &QAction::triggered, this, c.Run);
  }
}

void TMainForm::BuildShortcuts() {
  // A shortcut first runs its menu's enabling handler and does nothing when its
  // item comes out disabled. The key names shown in the menus are read from the
  // table of interface texts.
  for (const TCommand& c : Commands()) {
    QAction* item = this->*c.Item;
    for (const char* keys : {c.Keys, c.MoreKeys}) {
      if (!keys) continue;
      const QKeySequence sequence(QString::fromLatin1(keys));
      if (keys == c.Keys) item->setText(item->text() + '\t' + ShortcutCaption(ShortcutFromKeys(sequence[0])));
      auto* shortcut = new QShortcut(sequence, this);
      const auto run = c.Run;
      const TMenuId menu = c.Menu;
      connect(shortcut, &QShortcut::activated, this, [this, item, run, menu] {
        EnableMenu(menu);
        if (item->isEnabled()) (this->*run)();
      });
    }
  }
}

// ---- enabling ----------------------------------------------------------------------

void TMainForm::EnableMenuItems(TMenuId menu) {
  for (const TCommand& c : Commands())
    if (c.Menu == menu && c.Rule != TRule::Untouched) (this->*c.Item)->setEnabled(RuleHolds(c.Rule));
}

void TMainForm::EnableMenu(TMenuId menu) {
  switch (menu) {
    case TMenuId::Fichier: MenuFichierClick(); break;
    case TMenuId::Edition: MenuEditionClick(); break;
    case TMenuId::Action: MenuActionClick(); break;
    case TMenuId::Affichage: MenuAffichageClick(); break;
    case TMenuId::Options:
    case TMenuId::Aide: break;  // no enabling handler: always enabled
  }
}

void TMainForm::MenuFichierClick() {
  EnableMenuItems(TMenuId::Fichier);
  for (int i = 0; i < 4; ++i) {
    const bool shown = RecentFiles().size() > i;
    MenuFichierN[i]->setVisible(shown);
    if (shown) MenuFichierN[i]->setText(RecentCaption(RecentFiles(), i));
  }
  MenuFichierSep->setVisible(!RecentFiles().isEmpty());
}

void TMainForm::MenuEditionClick() { EnableMenuItems(TMenuId::Edition); }
void TMainForm::MenuActionClick() { EnableMenuItems(TMenuId::Action); }
void TMainForm::MenuAffichageClick() { EnableMenuItems(TMenuId::Affichage); }

void TMainForm::PopImagePopup() {
  for (const TCommand& c : Commands())
    if (c.PopItem) (this->*c.PopItem)->setEnabled(RuleHolds(c.Rule));
}

void TMainForm::UpdateToolbar() {
  for (const TCommand& c : Commands())
    if (c.Button) (this->*c.Button)->setEnabled(RuleHolds(c.ButtonRule));
  EdiZoom->setEnabled(DocumentOpen());
  UpdateHistoryHints();
}

}  // namespace velinor
