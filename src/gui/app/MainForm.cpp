// TMainForm: construction, layout, menus, shortcuts and window events.
#include "app/MainForm.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QCloseEvent>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QPainter>
#include <QPushButton>
#include <QShortcut>
#include <QSlider>
#include <QStatusBar>
#include <QStyledItemDelegate>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>
#include <QWheelEvent>

#include "app/DispatchBridge.h"
#include "app/Resources.h"
#include "files/FormatRegistry.h"
#include "app/SharedStrings.h"
#include "app/SystemColors.h"
#include "app/TextRules.h"
#include "app/ZoomSteps.h"
#include "controls/SpecialEdit.h"
#include "controls/XPParams.h"
#include "style/LookSwitch.h"
#include "style/MenuStyle.h"
#include "style/ShortcutCaption.h"
#include "style/ToolbarLook.h"
#include "view/MyImage.h"
#include "PrinterDiscovery.h"

namespace velinor {

namespace {

// Draws a kept colour as a swatch inset by 2 pixels; the selected one gets an
// outline and diagonal stripes in the inverse colour and a focus rectangle.
class TColorItemDelegate : public QStyledItemDelegate {
 public:
  using QStyledItemDelegate::QStyledItemDelegate;
  QSize sizeHint(const QStyleOptionViewItem& o, const QModelIndex&) const override {
    return QSize(o.rect.width(), 20);
  }
  void paint(QPainter* p, const QStyleOptionViewItem& o, const QModelIndex& index) const override {
    const QString text = index.data().toString();
    const QColor c(text.size() == 7 ? text : QString("#000000"));
    const QColor inv(255 - c.red(), 255 - c.green(), 255 - c.blue());
    p->fillRect(o.rect, o.palette.base());
    p->fillRect(o.rect.adjusted(2, 2, -2, -2), c);
    if (o.state & QStyle::State_Selected) {
      const QRect r = o.rect.adjusted(1, 1, -1, -1);
      p->fillRect(r, QBrush(inv, Qt::BDiagPattern));
      p->setPen(inv);
      p->drawRect(r.adjusted(0, 0, -1, -1));
      p->setPen(QPen(o.palette.text().color(), 1, Qt::DotLine));
      p->drawRect(o.rect.adjusted(0, 0, -1, -1));
    }
  }
};

QToolButton* MakeButton(QToolBar* bar, const char* name, int icon, int width) {
  auto* b = new QToolButton(bar);
  b->setObjectName(name);
  b->setIcon(ToolbarIcon(icon));
  b->setIconSize(QSize(kToolbarIconWidth, kToolbarIconHeight));
  b->setFixedSize(width, 40);
  b->setAutoRaise(true);
  b->setFocusPolicy(Qt::NoFocus);
  bar->addWidget(b);
  return b;
}

void AddToolSeparator(QToolBar* bar) {
  auto* sep = new QWidget(bar);
  sep->setFixedSize(8, 40);
  bar->addWidget(sep);
}

QAction* AddItem(QMenu* menu, const char* name, const QString& caption) {
  auto* a = menu->addAction(caption);
  a->setObjectName(name);
  return a;
}

}  // namespace

TMainForm::TMainForm(const TMainFormOptions& options, QWidget* parent)
    : QMainWindow(parent), options_(options) {
  setObjectName("MainForm");
  setWindowTitle("Velinor");
  resize(848, 600);
  QFont f = font();
  f.setPixelSize(11);
  setFont(f);
  FormCreate();
}

TMainForm::~TMainForm() { FormDestroy(); }

TBitmap& TMainForm::CurrentImage() { return Image->Bitmap(); }
bool TMainForm::DocumentOpen() const { return !Image->Bitmap().Empty(); }

void TMainForm::FormCreate() {
  // System colours are the application palette's.
  InstallPaletteSystemColors();
  // 1-2. The program's own menu and tool-panel look; no old-system flag.
  g_ThemesActive = ProgramLookActive();
  // The file formats, and the dialogs and message of the load/save dispatch.
  InitImageFiles();
  InstallDispatchBridge();
  // 3. The eyedropper cursor.
  RegisterCursor(kPipetteCursorIndex, LoadPipetteCursor());

  BuildMenus();
  auto* central = new QWidget(this);
  auto* column = new QVBoxLayout(central);
  column->setContentsMargins(0, 0, 0, 0);
  column->setSpacing(0);
  BuildToolPanel();
  column->addWidget(PnlOutils);
  auto* row = new QHBoxLayout;
  row->setContentsMargins(0, 0, 0, 0);
  row->setSpacing(0);
  BuildLeftPanel();
  row->addWidget(PnlLeft);
  // 4. The image view, filling the rest.
  Image = new TMyImage(central);
  Image->setObjectName("Image");
  Image->SetSelectionMode(smNone);
  Image->SetBorderColor(0);
  Image->SetShadowSize(4);
  Image->SetPopupMenu(PopImage);
  Image->OnMouseDown = [this](QObject*, Qt::MouseButton b, Qt::KeyboardModifiers, int x, int y) {
    ImageMouseDown(b, x, y);
  };
  Image->SetImgCursor(kPipetteCursorIndex);
  row->addWidget(Image, 1);
  column->addLayout(row, 1);
  setCentralWidget(central);
  BuildStatusBar();

  // 5. Status and zoom box.
  StatusPanels[0]->setText("Ready");
  EdiZoom->SetItemIndex(0);
  // 6. Hints from the menu captions.
  const std::pair<QToolButton*, QAction*> hints[] = {
      {BtnOuvrir, MenuFichierOuvrir}, {BtnEnregistrer, MenuFichierEnregistrer},
      {BtnImprimer, MenuFichierImprimer}, {BtnRedim, MenuActionRedim},
      {BtnAction, MenuActionAction}, {BtnUndo, MenuEditionUndo}, {BtnRedo, MenuEditionRedo},
      {BtnZoomPlus, MenuZoomPlus}, {BtnZoomMoins, MenuZoomMoins}, {BtnZoom100, MenuZoom100},
      {BtnZoomAuto, MenuZoomAuto}};
  for (const auto& [button, item] : hints)
    button->setToolTip(HintFromCaption(item->text().section('\t', 0, 0)));
  EdiZoom->setToolTip("Display zoom");
  // 7.
  UpdateToolbar();
  TBNChange();
  UpdatePreview();
  // 8. ColorSource, UndoImage and KeepMask exist (empty) as members.
  // 9-10. Folders, settings file, recent files.
  QString exeDir = options_.ExeDir;
  if (!exeDir.endsWith('/')) exeDir += '/';
  Settings.OpenDir = exeDir;
  IniPath = options_.IniPath.isEmpty() ? SettingsFilePath(options_.ExeDir) : options_.IniPath;
  LoadSettings(IniPath, Settings);
  MenuUnitCm->setChecked(!Settings.UnitInch);
  MenuUnitPouces->setChecked(Settings.UnitInch);
  MenuAffichageLisser->setChecked(Settings.Antialias);
  OptionsOE.Preview = Settings.PreviewOn;
  // 11. Files dropped from the desktop.
  setAcceptDrops(true);
  // 12.
  PrinterPresent = velinor::PrinterPresent();
  // 15. English texts.
  SharedStrings::Instance().InstallStartupTexts(windowTitle());
  MainWindowRegisterFormats();
  BuildShortcuts();
  // 14.
  if (g_ThemesActive) {
    MakeMenuOwnerDrawn(menuBar());
    MakePopupOwnerDrawn(PopZoom);
    MakePopupOwnerDrawn(PopImage);
  }
  // The wheel belongs to the window as a whole.
  qApp->installEventFilter(this);
}

void TMainForm::BuildMenus() {
  QMenuBar* bar = menuBar();
  MenuFichier = bar->addMenu("File");
  MenuFichier->setObjectName("MenuFichier");
  MenuFichierOuvrir = AddItem(MenuFichier, "MenuFichierOuvrir", "Open...");
  MenuFichierEnregistrer = AddItem(MenuFichier, "MenuFichierEnregistrer", "Save as...");
  MenuFichierFermer = AddItem(MenuFichier, "MenuFichierFermer", "Close");
  MenuFichier->addSeparator();
  for (int i = 0; i < 4; ++i) {
    MenuFichierN[i] = AddItem(MenuFichier, "", QString("File%1").arg(i + 1));
    MenuFichierN[i]->setObjectName(QString("MenuFichier%1").arg(i + 1));
    MenuFichierN[i]->setData(i);  // the tag
    connect(MenuFichierN[i], &QAction::triggered, this, [this, i] { MenuFichierNClick(i); });
  }
  MenuFichier->addSeparator();
  MenuFichierImprimer = AddItem(MenuFichier, "MenuFichierImprimer", "Print...");
  MenuFichierSep = MenuFichier->addSeparator();
  MenuFichierQuitter = AddItem(MenuFichier, "MenuFichierQuitter", "Exit");

  MenuEdition = bar->addMenu("Edit");
  MenuEdition->setObjectName("MenuEdition");
  MenuEditionUndo = AddItem(MenuEdition, "MenuEditionUndo", "Undo last action");
  MenuEditionRedo = AddItem(MenuEdition, "MenuEditionRedo", "Redo last action");
  MenuEdition->addSeparator();
  MenuEditionCopier = AddItem(MenuEdition, "MenuEditionCopier", "Copy");
  MenuEditionColler = AddItem(MenuEdition, "MenuEditionColler", "Paste");

  MenuAction = bar->addMenu("Action");
  MenuAction->setObjectName("MenuAction");
  MenuActionAction = AddItem(MenuAction, "MenuActionAction", "Execute");
  MenuAction->addSeparator();
  MenuActionRedim = AddItem(MenuAction, "MenuActionRedim", "Image size...");

  MenuOptions = bar->addMenu("Options");
  MenuOptions->setObjectName("MenuOptions");
  MenuOptionZMouse = AddItem(MenuOptions, "MenuOptionZMouse", "Enable mouse zoom");
  MenuOptionZMouse->setCheckable(true);
  MenuOptionZMouse->setChecked(true);
  MenuOptions->addSeparator();
  QMenu* unit = MenuOptions->addMenu("Print unit");
  unit->setObjectName("MenuOptionUnit");
  MenuUnitCm = AddItem(unit, "MenuUnitCm", "Cm");
  MenuUnitPouces = AddItem(unit, "MenuUnitPouces", "Inch");
  MenuUnitCm->setCheckable(true);
  MenuUnitPouces->setCheckable(true);
  MenuUnitCm->setChecked(true);

  MenuAffichage = bar->addMenu("View");
  MenuAffichage->setObjectName("MenuAffichage");
  MenuZoomPlus = AddItem(MenuAffichage, "MenuZoomPlus", "Zoom in");
  MenuZoomMoins = AddItem(MenuAffichage, "MenuZoomMoins", "Zoom out");
  MenuZoom100 = AddItem(MenuAffichage, "MenuZoom100", "Original size");
  MenuZoomAuto = AddItem(MenuAffichage, "MenuZoomAuto", "Auto zoom ");
  MenuAffichage->addSeparator();
  MenuAffichageLisser = AddItem(MenuAffichage, "MenuAffichageLisser", "Antialias");
  MenuAffichageLisser->setCheckable(true);
  MenuAffichageLisser->setChecked(true);

  MenuAide = bar->addMenu("?");
  MenuAide->setObjectName("MenuAide");
  MenuInformations = AddItem(MenuAide, "MenuInformations", "Help");
  MenuAide->addSeparator();
  MenuWeb = AddItem(MenuAide, "MenuWeb", "Official web site");
  MenuAide->addSeparator();
  MenuAPropos = AddItem(MenuAide, "MenuAPropos", "About...");

  PopImage = new QMenu(this);
  PopImage->setObjectName("PopImage");
  PopAction = AddItem(PopImage, "PopAction", "Exécuter le traitement");
  PopImage->addSeparator();
  PopOuvrir = AddItem(PopImage, "PopOuvrir", "Ouvrir...");
  PopEnregistrer = AddItem(PopImage, "PopEnregistrer", "Enregistrer sous...");
  PopFermer = AddItem(PopImage, "PopFermer", "Fermer");
  PopImage->addSeparator();
  PopCopier = AddItem(PopImage, "PopCopier", "Copier");
  PopColler = AddItem(PopImage, "PopColler", "Coller");

  PopZoom = new QMenu(this);
  PopZoom->setObjectName("PopZoom");
  for (const char* caption : kZoomMenuCaptions) {
    if (QString(caption) == "-") PopZoom->addSeparator();
    else PopZoom->addAction(caption);
  }

  connect(MenuFichier, &QMenu::aboutToShow, this, [this] { MenuFichierClick(); });
  connect(MenuEdition, &QMenu::aboutToShow, this, [this] { MenuEditionClick(); });
  connect(MenuAction, &QMenu::aboutToShow, this, [this] { MenuActionClick(); });
  connect(MenuAffichage, &QMenu::aboutToShow, this, [this] { MenuAffichageClick(); });
  connect(PopImage, &QMenu::aboutToShow, this, [this] { PopImagePopup(); });

  // Checkable items toggle themselves before their handler runs; the handlers
  // own the check, so undo Qt's toggle first.
  for (QAction* a : {MenuOptionZMouse, MenuAffichageLisser, MenuUnitCm, MenuUnitPouces})
    connect(a, &QAction::triggered, this, [a](bool checked) {
      QSignalBlocker block(a);
      a->setChecked(!checked);
    });
  const std::pair<QAction*, void (TMainForm::*)()> handlers[] = {
      {MenuFichierOuvrir, &TMainForm::MenuFichierOuvrirClick},
      {MenuFichierEnregistrer, &TMainForm::MenuFichierEnregistrerClick},
      {MenuFichierFermer, &TMainForm::MenuFichierFermerClick},
      {MenuFichierImprimer, &TMainForm::MenuFichierImprimerClick},
      {MenuFichierQuitter, &TMainForm::MenuFichierQuitterClick},
      {MenuEditionUndo, &TMainForm::MenuEditionUndoClick},
      {MenuEditionRedo, &TMainForm::MenuEditionRedoClick},
      {MenuEditionCopier, &TMainForm::MenuEditionCopierClick},
      {MenuEditionColler, &TMainForm::MenuEditionCollerClick},
      {MenuActionAction, &TMainForm::MenuActionActionClick},
      {MenuActionRedim, &TMainForm::MenuActionRedimClick},
      {MenuOptionZMouse, &TMainForm::MenuOptionZMouseClick},
      {MenuZoomPlus, &TMainForm::MenuZoomPlusClick},
      {MenuZoomMoins, &TMainForm::MenuZoomMoinsClick},
      {MenuZoom100, &TMainForm::MenuZoom100Click},
      {MenuZoomAuto, &TMainForm::MenuZoomAutoClick},
      {MenuAffichageLisser, &TMainForm::MenuAffichageLisserClick},
      {MenuInformations, &TMainForm::MenuInformationsClick},
      {MenuWeb, &TMainForm::MenuWebClick},
      {MenuAPropos, &TMainForm::MenuAProposClick},
      {PopAction, &TMainForm::MenuActionActionClick},
      {PopOuvrir, &TMainForm::MenuFichierOuvrirClick},
      {PopEnregistrer, &TMainForm::MenuFichierEnregistrerClick},
      {PopFermer, &TMainForm::MenuFichierFermerClick},
      {PopCopier, &TMainForm::MenuEditionCopierClick},
      {PopColler, &TMainForm::MenuEditionCollerClick}};
  for (const auto& [action, handler] : handlers)
    connect(action, &QAction::triggered, this, handler);
  connect(MenuUnitCm, &QAction::triggered, this, [this] { MenuUnitCmClick(MenuUnitCm); });
  connect(MenuUnitPouces, &QAction::triggered, this, [this] { MenuUnitCmClick(MenuUnitPouces); });
}

void TMainForm::BuildToolPanel() {
  PnlOutils = new QFrame(this);
  PnlOutils->setObjectName("PnlOutils");
  PnlOutils->setFixedHeight(43);
  auto* bevel1 = new QFrame(PnlOutils);
  bevel1->setObjectName("Bevel1");
  bevel1->setFrameShape(QFrame::HLine);
  bevel1->setFrameShadow(QFrame::Sunken);
  bevel1->setGeometry(0, 0, 4000, 2);

  ToolBar = new QToolBar(PnlOutils);
  ToolBar->setObjectName("ToolBar");
  ToolBar->setIconSize(QSize(kToolbarIconWidth, kToolbarIconHeight));
  ToolBar->setMovable(false);
  ToolBar->setFloatable(false);
  ToolBar->setContentsMargins(0, 0, 0, 0);
  ToolBar->layout()->setContentsMargins(0, 0, 0, 0);
  ToolBar->layout()->setSpacing(0);
  ToolBar->setStyleSheet("QToolBar { border: none; background: transparent; spacing: 0px; }");
  BtnOuvrir = MakeButton(ToolBar, "BtnOuvrir", 5, 46);
  BtnEnregistrer = MakeButton(ToolBar, "BtnEnregistrer", 0, 46);
  BtnImprimer = MakeButton(ToolBar, "BtnImprimer", 1, 46);
  AddToolSeparator(ToolBar);
  BtnRedim = MakeButton(ToolBar, "BtnRedim", 3, 46);
  BtnAction = MakeButton(ToolBar, "BtnAction", 12, 46);
  AddToolSeparator(ToolBar);
  BtnUndo = MakeButton(ToolBar, "BtnUndo", 4, 46);
  BtnRedo = MakeButton(ToolBar, "BtnRedo", 8, 46);
  ToolBar->move(8, 2);
  ToolBar->resize(7 * 46 + 2 * 8, 40);

  EdiZoom = new TSpecialEdit(PnlOutils);
  EdiZoom->setObjectName("EdiZoom");
  EdiZoom->SetButtonStyle(TPNStyle::stDown);
  EdiZoom->SetDisabledColor(clNone);
  EdiZoom->SetDropDownMenu(PopZoom);
  EdiZoom->SetShowButton(true);
  EdiZoom->setGeometry(364, 11, 77, 21);
  EdiZoom->OnSelectItem = [this](TSpecialEdit*, bool changed) { EdiZoomSelectItem(changed); };
  EdiZoom->OnDisplayText = [this](TSpecialEdit*, QString& text) { EdiZoomDisplayText(text); };

  ToolBar2 = new QToolBar(PnlOutils);
  ToolBar2->setObjectName("ToolBar2");
  ToolBar2->setIconSize(QSize(kToolbarIconWidth, kToolbarIconHeight));
  ToolBar2->setMovable(false);
  ToolBar2->setFloatable(false);
  ToolBar2->layout()->setContentsMargins(0, 0, 0, 0);
  ToolBar2->layout()->setSpacing(0);
  ToolBar2->setStyleSheet("QToolBar { border: none; background: transparent; spacing: 0px; }");
  BtnZoomPlus = MakeButton(ToolBar2, "BtnZoomPlus", 9, 49);
  BtnZoomMoins = MakeButton(ToolBar2, "BtnZoomMoins", 10, 49);
  BtnZoom100 = MakeButton(ToolBar2, "BtnZoom100", 6, 49);
  BtnZoomAuto = MakeButton(ToolBar2, "BtnZoomAuto", 7, 49);
  ToolBar2->move(444, 2);
  ToolBar2->resize(4 * 49, 40);

  const std::pair<QToolButton*, void (TMainForm::*)()> clicks[] = {
      {BtnOuvrir, &TMainForm::MenuFichierOuvrirClick},
      {BtnEnregistrer, &TMainForm::MenuFichierEnregistrerClick},
      {BtnImprimer, &TMainForm::MenuFichierImprimerClick},
      {BtnRedim, &TMainForm::MenuActionRedimClick},
      {BtnAction, &TMainForm::MenuActionActionClick},
      {BtnUndo, &TMainForm::MenuEditionUndoClick},
      {BtnRedo, &TMainForm::MenuEditionRedoClick},
      {BtnZoomPlus, &TMainForm::MenuZoomPlusClick},
      {BtnZoomMoins, &TMainForm::MenuZoomMoinsClick},
      {BtnZoom100, &TMainForm::MenuZoom100Click},
      {BtnZoomAuto, &TMainForm::MenuZoomAutoClick}};
  for (const auto& [button, handler] : clicks) connect(button, &QToolButton::clicked, this, handler);
  if (g_ThemesActive) InstallToolPanelPainting(PnlOutils, EdiZoom);
  ToolBarCustomDraw(ToolBar);
  ToolBarCustomDraw(ToolBar2);
}

void TMainForm::BuildLeftPanel() {
  PnlLeft = new QFrame(this);
  PnlLeft->setObjectName("PnlLeft");
  PnlLeft->setFixedWidth(153);
  auto* bevel2 = new QFrame(PnlLeft);
  bevel2->setObjectName("Bevel2");
  bevel2->setFrameShape(QFrame::HLine);
  bevel2->setFrameShadow(QFrame::Sunken);
  bevel2->setGeometry(0, 0, 153, 2);

  Preview = new QLabel(PnlLeft);
  Preview->setObjectName("Preview");
  Preview->setGeometry(8, 8, 139, 97);
  LblN = new QLabel("Tolerance", PnlLeft);
  LblN->setObjectName("LblN");
  LblN->move(8, 120);
  TBN = new QSlider(Qt::Horizontal, PnlLeft);
  TBN->setObjectName("TBN");
  TBN->setGeometry(3, 134, 145, 25);
  TBN->setRange(1, 100);
  TBN->setValue(30);
  TBN->setTickInterval(5);
  TBN->setTickPosition(QSlider::TicksBelow);
  connect(TBN, &QSlider::valueChanged, this, [this] { TBNChange(); });
  CBProgressif = new QCheckBox("Progressive contour", PnlLeft);
  CBProgressif->setObjectName("CBProgressif");
  CBProgressif->move(8, 174);
  CBProgressif->setChecked(true);
  CBDegrader = new QCheckBox("Color gradient", PnlLeft);
  CBDegrader->setObjectName("CBDegrader");
  CBDegrader->move(8, 190);
  CBDegrader->setChecked(true);
  CBSepia = new QCheckBox("Sepia", PnlLeft);
  CBSepia->setObjectName("CBSepia");
  CBSepia->move(8, 206);
  for (QCheckBox* cb : {CBProgressif, CBDegrader, CBSepia}) cb->resize(140, 16);
  LblColors = new QLabel("0 color(s) :", PnlLeft);
  LblColors->setObjectName("LblColors");
  LblColors->move(8, 234);
  LstColor = new QListWidget(PnlLeft);
  LstColor->setObjectName("LstColor");
  LstColor->setGeometry(8, 250, 134, 185);
  LstColor->setUniformItemSizes(true);
  LstColor->setItemDelegate(new TColorItemDelegate(LstColor));
  BClear = new QPushButton("Delete", PnlLeft);
  BClear->setObjectName("BClear");
  BClear->setGeometry(7, 438, 136, 25);
  BClear->setIcon(QIcon(DeleteGlyph()));
  BClear->setEnabled(false);
  connect(BClear, &QPushButton::clicked, this, [this] { BClearClick(); });
  for (QLabel* l : {LblN, LblColors}) l->resize(140, 14);
}

void TMainForm::BuildStatusBar() {
  QStatusBar* bar = statusBar();
  bar->setObjectName("StatusBar");
  bar->setFixedHeight(19);
  bar->setSizeGripEnabled(false);
  const int widths[3] = {150, 80, 50};
  for (int i = 0; i < 3; ++i) {
    StatusPanels[i] = new QLabel(bar);
    StatusPanels[i]->setObjectName(QString("StatusPanel%1").arg(i));
    StatusPanels[i]->setFrameStyle(QFrame::StyledPanel | QFrame::Sunken);
    StatusPanels[i]->setMinimumWidth(widths[i]);
    if (i < 2) StatusPanels[i]->setFixedWidth(widths[i]);
    if (i == 1) StatusPanels[i]->setAlignment(Qt::AlignCenter);
    bar->addWidget(StatusPanels[i], i == 2 ? 1 : 0);
  }
}

void TMainForm::BuildShortcuts() {
  // A shortcut first runs its menu's enabling handler and does nothing when its
  // item comes out disabled. The key names shown in the menus are read from the
  // table of interface texts.
  struct TShortcut {
    QAction* Item;
    void (TMainForm::*Enable)();
    void (TMainForm::*Run)();
    QKeySequence Keys;
    bool Shown;  // the one binding an item shows
  };
  const TShortcut all[] = {
      {MenuFichierOuvrir, &TMainForm::MenuFichierClick, &TMainForm::MenuFichierOuvrirClick, QKeySequence("Ctrl+O"), true},
      {MenuFichierEnregistrer, &TMainForm::MenuFichierClick, &TMainForm::MenuFichierEnregistrerClick, QKeySequence("Ctrl+S"), true},
      {MenuFichierFermer, &TMainForm::MenuFichierClick, &TMainForm::MenuFichierFermerClick, QKeySequence("Ctrl+W"), true},
      {MenuFichierImprimer, &TMainForm::MenuFichierClick, &TMainForm::MenuFichierImprimerClick, QKeySequence("Ctrl+P"), true},
      {MenuFichierQuitter, &TMainForm::MenuFichierClick, &TMainForm::MenuFichierQuitterClick, QKeySequence("Ctrl+Q"), true},
      {MenuEditionUndo, &TMainForm::MenuEditionClick, &TMainForm::MenuEditionUndoClick, QKeySequence("Ctrl+Z"), true},
      {MenuEditionRedo, &TMainForm::MenuEditionClick, &TMainForm::MenuEditionRedoClick, QKeySequence("Ctrl+Y"), true},
      {MenuEditionCopier, &TMainForm::MenuEditionClick, &TMainForm::MenuEditionCopierClick, QKeySequence("Ctrl+C"), true},
      {MenuEditionColler, &TMainForm::MenuEditionClick, &TMainForm::MenuEditionCollerClick, QKeySequence("Ctrl+V"), true},
      {MenuActionAction, &TMainForm::MenuActionClick, &TMainForm::MenuActionActionClick, QKeySequence(Qt::Key_Return), true},
      {MenuActionAction, &TMainForm::MenuActionClick, &TMainForm::MenuActionActionClick, QKeySequence(Qt::Key_Enter), false},
      {MenuActionRedim, &TMainForm::MenuActionClick, &TMainForm::MenuActionRedimClick, QKeySequence("Ctrl+T"), true},
      {MenuInformations, nullptr, &TMainForm::MenuInformationsClick, QKeySequence(Qt::Key_F1), true}};
  for (const TShortcut& s : all) {
    if (s.Shown) s.Item->setText(s.Item->text() + '\t' + ShortcutCaption(ShortcutFromKeys(s.Keys[0])));
    auto* sc = new QShortcut(s.Keys, this);
    QAction* item = s.Item;
    const auto enable = s.Enable;
    const auto run = s.Run;
    connect(sc, &QShortcut::activated, this, [this, item, enable, run] {
      if (enable) (this->*enable)();
      if (item->isEnabled()) (this->*run)();
    });
  }
}

QString TMainForm::StatusText(int panel) const {
  return panel >= 0 && panel < 3 ? StatusPanels[panel]->text() : QString();
}

// ---- enabling ----------------------------------------------------------------------

bool TMainForm::ClipboardHasBitmap() const {
  const QMimeData* data = QApplication::clipboard() ? QApplication::clipboard()->mimeData() : nullptr;
  return data && data->hasImage();
}

void TMainForm::MenuFichierClick() {
  const bool open = DocumentOpen();
  MenuFichierOuvrir->setEnabled(true);
  MenuFichierEnregistrer->setEnabled(open);
  MenuFichierFermer->setEnabled(open);
  MenuFichierImprimer->setEnabled(open && PrinterPresent);
  for (int i = 0; i < 4; ++i) {
    const bool shown = RecentFiles().size() > i;
    MenuFichierN[i]->setVisible(shown);
    if (shown) MenuFichierN[i]->setText(RecentCaption(RecentFiles(), i));
  }
  MenuFichierSep->setVisible(!RecentFiles().isEmpty());
  MenuFichierQuitter->setEnabled(true);
}

void TMainForm::MenuEditionClick() {
  const bool open = DocumentOpen();
  MenuEditionUndo->setEnabled(open && UndoAvailable);
  MenuEditionRedo->setEnabled(open && !UndoImage.Empty() && !UndoAvailable);
  MenuEditionCopier->setEnabled(open);
  MenuEditionColler->setEnabled(ClipboardHasBitmap());
}

void TMainForm::MenuActionClick() {
  const bool open = DocumentOpen();
  MenuActionAction->setEnabled(open);
  MenuActionRedim->setEnabled(open);
}

void TMainForm::MenuAffichageClick() {
  const bool open = DocumentOpen();
  MenuZoomPlus->setEnabled(open && StepZoom(0));
  MenuZoomMoins->setEnabled(open && StepZoom(2));
  MenuZoom100->setEnabled(open && EdiZoom->ItemIndex() != kZoom100Index);
  MenuZoomAuto->setEnabled(open);
  MenuAffichageLisser->setEnabled(open);
}

void TMainForm::PopImagePopup() {
  const bool open = DocumentOpen();
  PopAction->setEnabled(open);
  PopOuvrir->setEnabled(true);
  PopEnregistrer->setEnabled(open);
  PopFermer->setEnabled(open);
  PopCopier->setEnabled(open);
  PopColler->setEnabled(ClipboardHasBitmap());
}

void TMainForm::UpdateToolbar() {
  const bool open = DocumentOpen();
  BtnOuvrir->setEnabled(true);
  BtnEnregistrer->setEnabled(open);
  BtnImprimer->setEnabled(open && PrinterPresent);
  BtnRedim->setEnabled(open);
  BtnAction->setEnabled(open);
  BtnUndo->setEnabled(open && UndoAvailable);
  BtnRedo->setEnabled(open && !UndoImage.Empty() && !UndoAvailable);
  BtnZoomPlus->setEnabled(open && StepZoom(0));
  BtnZoomMoins->setEnabled(open && StepZoom(2));
  BtnZoom100->setEnabled(open && !SameZoom(Image->Zoom(), 1.0));
  BtnZoomAuto->setEnabled(open);
  EdiZoom->setEnabled(open);
}

void TMainForm::TBNChange() { LblN->setText(QString("Tolerance : %1").arg(TBN->value())); }

// ---- window events -----------------------------------------------------------------

bool TMainForm::event(QEvent* e) {
  if (e->type() == QEvent::Paint && !firstPaintDone_) {
    firstPaintDone_ = true;
    // Opening may show a message box, which must not run inside a paint: the
    // opening follows right after this first paint.
    QMetaObject::invokeMethod(this, [this] { FirstPaint(); }, Qt::QueuedConnection);
  }
  return QMainWindow::event(e);
}

bool TMainForm::eventFilter(QObject* watched, QEvent* e) {
  if (e->type() == QEvent::Wheel) {
    auto* w = qobject_cast<QWidget*>(watched);
    if (w && w->window() == this) {
      auto* we = static_cast<QWheelEvent*>(e);
      const int dy = we->angleDelta().y();
      if (dy != 0) WheelNotch(dy < 0, we->globalPosition().toPoint());
      e->accept();
      return true;  // no control scrolls by itself with the wheel
    }
  }
  return QMainWindow::eventFilter(watched, e);
}

void TMainForm::closeEvent(QCloseEvent* e) {
  if (QuerySaveChanges()) e->accept();
  else e->ignore();
}

void TMainForm::dragEnterEvent(QDragEnterEvent* e) {
  if (e->mimeData()->hasUrls()) e->acceptProposedAction();
}

void TMainForm::dropEvent(QDropEvent* e) {
  const QList<QUrl> urls = e->mimeData()->urls();
  if (urls.isEmpty()) return;
  e->acceptProposedAction();
  // Only the first file is opened; the others are ignored.
  OpenImage(urls.first().toLocalFile().left(260), true);
}

}  // namespace velinor
