// TMainForm: the command table, and everything the window derives from it — the
// menus and the image context menu, the toolbar buttons with their hints, the
// handlers of items and buttons, the enabling of the menus (when they open and
// before their shortcuts run) and of the toolbar, and the shortcuts.
#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QKeySequence>
#include <QLayout>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QShortcut>
#include <QToolBar>
#include <QToolButton>

#include <algorithm>
#include <string_view>

#include "gui/app/BrushTool.h"
#include "gui/app/MainForm.h"
#include "gui/app/Resources.h"
#include "gui/app/TextRules.h"
#include "gui/app/ZoomSteps.h"
#include "gui/controls/SpecialEdit.h"
#include "gui/style/ShortcutCaption.h"
#include "gui/style/ToolbarLook.h"
#include "gui/view/MyImage.h"

namespace velinor {

namespace {

// A handler without arguments as a table entry.
template <void (TMainForm::*Handler)()>
void Click(TMainForm& form, QAction*) {
  (form.*Handler)();
}

void OpenRecent(TMainForm& form, QAction* item) { form.MenuFichierNClick(item->data().toInt()); }
void ChooseUnit(TMainForm& form, QAction* item) { form.MenuUnitCmClick(item); }

// Buttons whose picture the program draws instead of taking it from the image list.
constexpr int kPipetteGlyph = -1;
constexpr int kBrushGlyph = -2;

QIcon ButtonIcon(int icon) {
  switch (icon) {
    case kPipetteGlyph: return QIcon(LoadPipetteCursor().pixmap());
    case kBrushGlyph: return QIcon(BrushGlyph());
    default: return ToolbarIcon(icon);
  }
}

constexpr const char* kSeparator = "-";

}  // namespace

const std::vector<TMainForm::TBarMenu>& TMainForm::BarMenus() {
  using M = TMenuId;
  using F = TMainForm;
  static const std::vector<TBarMenu> menus = {
      // With no recent files N1 and N3 stand next to each other and both show.
      {M::Fichier, &F::MenuFichier, "MenuFichier", "File", &F::MenuFichierClick, true},
      {M::Edition, &F::MenuEdition, "MenuEdition", "Edit", &F::MenuEditionClick, false},
      {M::Action, &F::MenuAction, "MenuAction", "Action", &F::MenuActionClick, false},
      {M::Options, &F::MenuOptions, "MenuOptions", "Options", nullptr, false},
      {M::Affichage, &F::MenuAffichage, "MenuAffichage", "View", &F::MenuAffichageClick, false},
      {M::Aide, &F::MenuAide, "MenuAide", "?", nullptr, false},
  };
  return menus;
}

// Each row names only the fields it uses; older GCCs warn about the others even
// with designated initializers.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"
const std::vector<TMainForm::TCommand>& TMainForm::Commands() {
  using M = TMenuId;
  using R = TRule;
  using C = TCheck;
  using F = TMainForm;
  // In menu order. The context items' and the buttons' places give their order.
  static const std::vector<TCommand> table = {
      // ---- File
      {.Menu = M::Fichier, .Item = &F::MenuFichierOuvrir, .Name = "MenuFichierOuvrir", .Caption = "Open...",
       .Run = Click<&F::MenuFichierOuvrirClick>, .Rule = R::Always, .Keys = "Ctrl+O",
       .Pop = {&F::PopOuvrir, "PopOuvrir", "Ouvrir...", 3},
       .Button = {&F::BtnOuvrir, "BtnOuvrir", 5, 100}},
      {.Menu = M::Fichier, .Item = &F::MenuFichierEnregistrer, .Name = "MenuFichierEnregistrer",
       .Caption = "Save as...", .Run = Click<&F::MenuFichierEnregistrerClick>, .Rule = R::Open, .Keys = "Ctrl+S",
       .Pop = {&F::PopEnregistrer, "PopEnregistrer", "Enregistrer sous...", 4},
       .Button = {&F::BtnEnregistrer, "BtnEnregistrer", 0, 101}},
      {.Menu = M::Fichier, .Item = &F::MenuFichierFermer, .Name = "MenuFichierFermer", .Caption = "Close",
       .Run = Click<&F::MenuFichierFermerClick>, .Rule = R::Open, .Keys = "Ctrl+W",
       .Pop = {&F::PopFermer, "PopFermer", "Fermer", 5}},
      {.Menu = M::Fichier, .Caption = kSeparator},
      // Shown by MenuFichierClick as far as the recent list goes.
      {.Menu = M::Fichier, .Name = "MenuFichier1", .Caption = "File1", .Recent = 0, .Run = OpenRecent},
      {.Menu = M::Fichier, .Name = "MenuFichier2", .Caption = "File2", .Recent = 1, .Run = OpenRecent},
      {.Menu = M::Fichier, .Name = "MenuFichier3", .Caption = "File3", .Recent = 2, .Run = OpenRecent},
      {.Menu = M::Fichier, .Name = "MenuFichier4", .Caption = "File4", .Recent = 3, .Run = OpenRecent},
      {.Menu = M::Fichier, .Caption = kSeparator},
      {.Menu = M::Fichier, .Item = &F::MenuFichierImprimer, .Name = "MenuFichierImprimer", .Caption = "Print...",
       .Run = Click<&F::MenuFichierImprimerClick>, .Rule = R::Open, .Keys = "Ctrl+P",
       .Button = {&F::BtnImprimer, "BtnImprimer", 1, 102}},
      {.Menu = M::Fichier, .Item = &F::MenuFichierSep, .Caption = kSeparator},  // shown with recent files
      {.Menu = M::Fichier, .Item = &F::MenuFichierQuitter, .Name = "MenuFichierQuitter", .Caption = "Exit",
       .Run = Click<&F::MenuFichierQuitterClick>, .Rule = R::Always, .Keys = "Ctrl+Q"},
      // ---- Edit
      {.Menu = M::Edition, .Item = &F::MenuEditionUndo, .Name = "MenuEditionUndo", .Caption = "Undo last action",
       .Run = Click<&F::MenuEditionUndoClick>, .Rule = R::Undo, .Keys = "Ctrl+Z",
       .Button = {&F::BtnUndo, "BtnUndo", 4, 107}},
      {.Menu = M::Edition, .Item = &F::MenuEditionRedo, .Name = "MenuEditionRedo", .Caption = "Redo last action",
       .Run = Click<&F::MenuEditionRedoClick>, .Rule = R::Redo, .Keys = "Ctrl+Y",
       .Button = {&F::BtnRedo, "BtnRedo", 8, 108}},
      {.Menu = M::Edition, .Caption = kSeparator},
      {.Menu = M::Edition, .Item = &F::MenuEditionCopier, .Name = "MenuEditionCopier", .Caption = "Copy",
       .Run = Click<&F::MenuEditionCopierClick>, .Rule = R::Open, .Keys = "Ctrl+C",
       .Pop = {&F::PopCopier, "PopCopier", "Copier", 7}},
      {.Menu = M::Edition, .Item = &F::MenuEditionColler, .Name = "MenuEditionColler", .Caption = "Paste",
       .Run = Click<&F::MenuEditionCollerClick>, .Rule = R::Clipboard, .Keys = "Ctrl+V",
       .Pop = {&F::PopColler, "PopColler", "Coller", 8}},
      // ---- Action
      {.Menu = M::Action, .Item = &F::MenuActionAction, .Name = "MenuActionAction", .Caption = "Execute",
       .Run = Click<&F::MenuActionActionClick>, .Rule = R::Open, .Keys = "Return", .MoreKeys = "Enter",
       .Pop = {&F::PopAction, "PopAction", "Exécuter le traitement", 1},
       .Button = {&F::BtnAction, "BtnAction", 12, 105}},
      {.Menu = M::Action, .Caption = kSeparator},
      {.Menu = M::Action, .Item = &F::MenuActionRedim, .Name = "MenuActionRedim", .Caption = "Image size...",
       .Run = Click<&F::MenuActionRedimClick>, .Rule = R::Open, .Keys = "Ctrl+T",
       .Button = {&F::BtnRedim, "BtnRedim", 3, 104}},
      {.Menu = M::Action, .Item = &F::MenuActionRotateLeft, .Name = "MenuActionRotateLeft", .Caption = "Rotate left",
       .Run = Click<&F::MenuActionRotateLeftClick>, .Rule = R::Open, .Keys = "Ctrl+L"},
      {.Menu = M::Action, .Item = &F::MenuActionRotateRight, .Name = "MenuActionRotateRight",
       .Caption = "Rotate right", .Run = Click<&F::MenuActionRotateRightClick>, .Rule = R::Open, .Keys = "Ctrl+R"},
      {.Menu = M::Action, .Caption = kSeparator},
      // The brush's two modes: the buttons show which one is on.
      {.Menu = M::Action, .Item = &F::MenuActionPipette, .Name = "MenuActionPipette", .Caption = "Eyedropper",
       .Run = Click<&F::MenuActionPipetteClick>, .Rule = R::Open, .Keys = "Esc",
       .Button = {&F::BtnPipette, "BtnPipette", kPipetteGlyph, 205, {}, C::On}},
      {.Menu = M::Action, .Item = &F::MenuActionBrush, .Name = "MenuActionBrush", .Caption = "Brush",
       .Run = Click<&F::MenuActionBrushClick>, .Rule = R::Open, .Keys = "B",
       .Button = {&F::BtnBrush, "BtnBrush", kBrushGlyph, 206, {}, C::Off,
                  "Brush: drag with the left button to paint the colours back, with the right button "
                  "(or Ctrl or Alt and the left button) to paint grey"}},
      {.Menu = M::Action, .Item = &F::MenuActionClearTouchUps, .Name = "MenuActionClearTouchUps",
       .Caption = "Clear touch-ups", .Run = Click<&F::MenuActionClearTouchUpsClick>, .Rule = R::TouchUps},
      // "[" and "]" change the brush's size, also while the eyedropper is on.
      {.Run = [](F& f, QAction*) { f.BrushTool->StepSize(-1); }, .Keys = "["},
      {.Run = [](F& f, QAction*) { f.BrushTool->StepSize(1); }, .Keys = "]"},
      // ---- Options
      {.Menu = M::Options, .Item = &F::MenuOptionZMouse, .Name = "MenuOptionZMouse", .Caption = "Enable mouse zoom",
       .Check = C::On, .Run = Click<&F::MenuOptionZMouseClick>},
      {.Menu = M::Options, .Item = &F::MenuOptionLivePreview, .Name = "MenuOptionLivePreview",
       .Caption = "Live preview", .Check = C::On, .Run = Click<&F::MenuOptionLivePreviewClick>},
      {.Menu = M::Options, .Caption = kSeparator},
      {.Menu = M::Options, .Name = "MenuOptionUnit", .Caption = "Print unit", .Opens = M::OptionUnit},
      {.Menu = M::OptionUnit, .Item = &F::MenuUnitCm, .Name = "MenuUnitCm", .Caption = "Cm", .Check = C::On,
       .Run = ChooseUnit},
      {.Menu = M::OptionUnit, .Item = &F::MenuUnitPouces, .Name = "MenuUnitPouces", .Caption = "Inch",
       .Check = C::Off, .Run = ChooseUnit},
      // ---- View
      {.Menu = M::Affichage, .Item = &F::MenuZoomPlus, .Name = "MenuZoomPlus", .Caption = "Zoom in",
       .Run = Click<&F::MenuZoomPlusClick>, .Rule = R::ZoomIn,
       .Button = {&F::BtnZoomPlus, "BtnZoomPlus", 9, 200}},
      {.Menu = M::Affichage, .Item = &F::MenuZoomMoins, .Name = "MenuZoomMoins", .Caption = "Zoom out",
       .Run = Click<&F::MenuZoomMoinsClick>, .Rule = R::ZoomOut,
       .Button = {&F::BtnZoomMoins, "BtnZoomMoins", 10, 201}},
      // The menu looks at the zoom box's choice, the button at the zoom itself: an
      // automatic zoom that comes out at 1 disables the button only.
      {.Menu = M::Affichage, .Item = &F::MenuZoom100, .Name = "MenuZoom100", .Caption = "Original size",
       .Run = Click<&F::MenuZoom100Click>, .Rule = R::ZoomBoxNot100,
       .Button = {&F::BtnZoom100, "BtnZoom100", 6, 202, R::ZoomNot1}},
      {.Menu = M::Affichage, .Item = &F::MenuZoomAuto, .Name = "MenuZoomAuto", .Caption = "Auto zoom ",
       .Run = Click<&F::MenuZoomAutoClick>, .Rule = R::Open,
       .Button = {&F::BtnZoomAuto, "BtnZoomAuto", 7, 203}},
      {.Menu = M::Affichage, .Caption = kSeparator},
      {.Menu = M::Affichage, .Item = &F::MenuAffichageLisser, .Name = "MenuAffichageLisser", .Caption = "Antialias",
       .Check = C::On, .Run = Click<&F::MenuAffichageLisserClick>, .Rule = R::Open},
      {.Menu = M::Affichage, .Item = &F::MenuAffichageMasque, .Name = "MenuAffichageMasque", .Caption = "Show mask",
       .Check = C::Off, .Run = Click<&F::MenuAffichageMasqueClick>, .Rule = R::Open, .Keys = "Ctrl+M"},
      // ---- ?
      {.Menu = M::Aide, .Item = &F::MenuInformations, .Name = "MenuInformations", .Caption = "Help",
       .Run = Click<&F::MenuInformationsClick>, .Keys = "F1"},
      {.Menu = M::Aide, .Caption = kSeparator},
      {.Menu = M::Aide, .Item = &F::MenuWeb, .Name = "MenuWeb", .Caption = "Official web site",
       .Run = Click<&F::MenuWebClick>},
      {.Menu = M::Aide, .Caption = kSeparator},
      {.Menu = M::Aide, .Item = &F::MenuAPropos, .Name = "MenuAPropos", .Caption = "About...",
       .Run = Click<&F::MenuAProposClick>},
  };
  return table;
}
#pragma GCC diagnostic pop

QAction** TMainForm::ItemOf(const TCommand& c) {
  if (c.Recent >= 0) return &MenuFichierN[c.Recent];
  return c.Item ? &(this->*c.Item) : nullptr;
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

// ---- building ----------------------------------------------------------------------

namespace {

QAction* AddItem(QMenu* menu, const char* name, const QString& caption) {
  auto* a = menu->addAction(caption);
  a->setObjectName(name);
  return a;
}

// Calls add(row, gapBefore) for the rows whose place (placeOf) lies in [from, to),
// in the order of their places; a skipped place before a row is a gap.
template <class Rows, class PlaceOf, class Add>
void ForEachPlaced(const Rows& rows, PlaceOf placeOf, int from, int to, Add add) {
  std::vector<const typename Rows::value_type*> placed;
  for (const auto& row : rows)
    if (placeOf(row) >= from && placeOf(row) < to) placed.push_back(&row);
  std::sort(placed.begin(), placed.end(), [&](auto* a, auto* b) { return placeOf(*a) < placeOf(*b); });
  int previous = from - 1;
  for (auto* row : placed) {
    add(*row, placeOf(*row) > previous + 1 && previous >= from);
    previous = placeOf(*row);
  }
}

constexpr int kToolSeparatorWidth = 8;

}  // namespace

void TMainForm::BuildMenus() {
  for (const TBarMenu& m : BarMenus()) {
    QMenu* menu = menuBar()->addMenu(m.Title);
    menu->setObjectName(m.Name);
    if (m.KeepSeparators) menu->setSeparatorsCollapsible(false);
    if (m.Enable) connect(menu, &QMenu::aboutToShow, this, m.Enable);
    this->*m.Menu = menu;
    menus_[static_cast<int>(m.Id)] = menu;
  }
  for (const TCommand& c : Commands()) {
    if (c.Menu == TMenuId::None) continue;
    QMenu* menu = menus_[static_cast<int>(c.Menu)];
    if (std::string_view(c.Caption) == kSeparator) {
      QAction* separator = menu->addSeparator();
      if (c.Item) this->*c.Item = separator;
      continue;
    }
    if (c.Opens != TMenuId::None) {
      QMenu* submenu = menu->addMenu(c.Caption);
      submenu->setObjectName(c.Name);
      menus_[static_cast<int>(c.Opens)] = submenu;
      continue;
    }
    QAction* item = *ItemOf(c) = AddItem(menu, c.Name, c.Caption);
    if (c.Recent >= 0) item->setData(c.Recent);  // the tag
    if (c.Check != TCheck::None) {
      item->setCheckable(true);
      item->setChecked(c.Check == TCheck::On);
      // A check item toggles itself before its handler runs; the handlers own the
      // check, so Qt's toggle is undone first.
      connect(item, &QAction::triggered, this, [item](bool checked) {
        QSignalBlocker block(item);
        item->setChecked(!checked);
      });
    }
    connect(item, &QAction::triggered, this, [this, run = c.Run, item] { run(*this, item); });
  }

  PopImage = new QMenu(this);
  PopImage->setObjectName("PopImage");
  connect(PopImage, &QMenu::aboutToShow, this, &TMainForm::PopImagePopup);
  ForEachPlaced(Commands(), [](const TCommand& c) { return c.Pop.Place; }, 1, 100,
                [this](const TCommand& c, bool gap) {
                  if (gap) PopImage->addSeparator();
                  QAction* item = this->*c.Pop.Item = AddItem(PopImage, c.Pop.Name, c.Pop.Caption);
                  connect(item, &QAction::triggered, this, [this, run = c.Run, item] { run(*this, item); });
                });

  PopZoom = new QMenu(this);
  PopZoom->setObjectName("PopZoom");
  for (const char* caption : kZoomMenuCaptions) {
    if (QString(caption) == "-") PopZoom->addSeparator();
    else PopZoom->addAction(caption);
  }
}

QToolBar* TMainForm::MakeToolBar(int bar, const char* name, int x, int buttonWidth) {
  auto* toolbar = new QToolBar(PnlOutils);
  toolbar->setObjectName(name);
  toolbar->setIconSize(QSize(kToolbarIconWidth, kToolbarIconHeight));
  toolbar->setMovable(false);
  toolbar->setFloatable(false);
  toolbar->setContentsMargins(0, 0, 0, 0);
  toolbar->layout()->setContentsMargins(0, 0, 0, 0);
  toolbar->layout()->setSpacing(0);
  toolbar->setStyleSheet("QToolBar { border: none; background: transparent; spacing: 0px; }");
  toolbar->move(x, 2);
  int width = 0;
  ForEachPlaced(Commands(), [](const TCommand& c) { return c.Button.Place; }, 100 * bar, 100 * bar + 100,
                [&](const TCommand& c, bool gap) {
                  if (gap) {
                    auto* separator = new QWidget(toolbar);
                    separator->setFixedSize(kToolSeparatorWidth, 40);
                    toolbar->addWidget(separator);
                    width += kToolSeparatorWidth;
                  }
                  auto* b = new QToolButton(toolbar);
                  b->setObjectName(c.Button.Name);
                  b->setIcon(ButtonIcon(c.Button.Icon));
                  b->setIconSize(QSize(kToolbarIconWidth, kToolbarIconHeight));
                  b->setFixedSize(buttonWidth, 40);
                  b->setAutoRaise(true);
                  b->setFocusPolicy(Qt::NoFocus);
                  b->setToolTip(c.Button.Hint ? QString(c.Button.Hint) : HintFromCaption(c.Caption));
                  if (c.Button.Check != TCheck::None) {
                    b->setCheckable(true);
                    b->setChecked(c.Button.Check == TCheck::On);
                  }
                  toolbar->addWidget(b);
                  QAction* item = *ItemOf(c);
                  connect(b, &QToolButton::clicked, this, [this, run = c.Run, item] { run(*this, item); });
                  this->*c.Button.Item = b;
                  width += buttonWidth;
                });
  toolbar->resize(width, 40);
  ToolBarCustomDraw(toolbar);
  return toolbar;
}

void TMainForm::BuildShortcuts() {
  // A shortcut first runs its menu's enabling handler and does nothing when its
  // item comes out disabled. The key names shown in the menus are read from the
  // table of interface texts.
  for (const TCommand& c : Commands()) {
    QAction** slot = ItemOf(c);
    QAction* item = slot ? *slot : nullptr;
    for (const char* keys : {c.Keys, c.MoreKeys}) {
      if (!keys) continue;
      const QKeySequence sequence(QString::fromLatin1(keys));
      if (item && keys == c.Keys)
        item->setText(item->text() + '\t' + ShortcutCaption(ShortcutFromKeys(sequence[0])));
      auto* shortcut = new QShortcut(sequence, this);
      connect(shortcut, &QShortcut::activated, this, [this, item, run = c.Run, menu = c.Menu] {
        if (!item) return run(*this, nullptr);
        EnableMenu(menu);
        if (item->isEnabled()) run(*this, item);
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
  for (const TBarMenu& m : BarMenus())
    if (m.Id == menu && m.Enable) (this->*m.Enable)();
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
    if (c.Pop.Item) (this->*c.Pop.Item)->setEnabled(RuleHolds(c.Rule));
}

void TMainForm::UpdateToolbar() {
  for (const TCommand& c : Commands())
    if (c.Button.Item) (this->*c.Button.Item)->setEnabled(RuleHolds(c.Button.Rule.value_or(c.Rule)));
  EdiZoom->setEnabled(DocumentOpen());
  UpdateHistoryHints();
}

}  // namespace velinor
