// TMainForm: building the window (menus, tool panel, left panel, status bar),
// start-up and shutdown, window events, and the busy and status display.
#include "gui/app/MainForm.h"
#include "gui/app/LivePreview.h"

#include <algorithm>

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QPainter>
#include <QPushButton>
#include <QSlider>
#include <QStatusBar>
#include <QStyledItemDelegate>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>
#include <QWheelEvent>

#include "gui/app/DialogSeam.h"
#include "gui/app/MsgDlg.h"
#include "gui/app/Resources.h"
#include "core/files/FormatRegistry.h"
#include "gui/app/SharedStrings.h"
#include "gui/app/SystemColors.h"
#include "gui/app/TextRules.h"
#include "gui/app/ZoomSteps.h"
#include "gui/controls/SpecialEdit.h"
#include "gui/controls/XPParams.h"
#include "gui/style/LookSwitch.h"
#include "gui/style/MenuStyle.h"
#include "gui/style/ToolbarLook.h"
#include "gui/view/MyImage.h"

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
    if (index.data(Qt::UserRole + 1).toBool()) {
      // An excluded colour: its swatch crossed out.
      const QRect x = o.rect.adjusted(3, 3, -4, -4);
      p->setPen(QPen(inv, 2));
      p->drawLine(x.topLeft(), x.bottomRight());
      p->drawLine(x.topRight(), x.bottomLeft());
    }
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

constexpr int kToolSeparatorWidth = 8;

void AddToolSeparator(QToolBar* bar) {
  auto* sep = new QWidget(bar);
  sep->setFixedSize(kToolSeparatorWidth, 40);
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

void TMainForm::FormCreate() {
  // System colours are the application palette's.
  InstallPaletteSystemColors();
  // 1-2. The program's own menu and tool-panel look; no old-system flag.
  g_ThemesActive = ProgramLookActive();
  PackHistoryWhenIdle();
  // The file formats, and the dialogs and message of the load/save dispatch.
  InitImageFiles();
  ConnectDialogProvider();
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
  Image->OnMouseDown = [this](QObject*, Qt::MouseButton b, Qt::KeyboardModifiers shift, int x, int y) {
    ImageMouseDown(b, shift, x, y);
  };
  Image->SetImgCursor(kPipetteCursorIndex);
  // The view shows the document's picture itself, and lays out again when it changes.
  Image->ShowPicture(&document_.CurrentImage());
  document_.OnImageChange = [this] { Image->PictureChanged(); };
  row->addWidget(Image, 1);
  BuildBrush();
  column->addLayout(row, 1);
  setCentralWidget(central);
  BuildStatusBar();

  // 5. Status and zoom box.
  StatusPanels[0]->setText("Ready");
  EdiZoom->SetItemIndex(0);
  // 6. Hints from the menu captions.
  for (const TCommand& c : Commands())
    if (c.Button && (this->*c.Button)->toolTip().isEmpty())
      (this->*c.Button)->setToolTip(HintFromCaption((this->*c.Item)->text().section('\t', 0, 0)));
  EdiZoom->setToolTip("Display zoom");
  // 7.
  UpdateToolbar();
  TBNChange();
  UpdatePreview();
  // 8. The document's pictures exist (empty) with it.
  // 9-10. Folders, settings file, recent files.
  Settings.OpenDir = FirstOpenDir(options_.ExeDir);
  IniPath = options_.IniPath.isEmpty() ? SettingsFilePath(options_.ExeDir) : options_.IniPath;
  LoadSettings(IniPath, Settings);
  MenuUnitCm->setChecked(!Settings.UnitInch);
  MenuUnitPouces->setChecked(Settings.UnitInch);
  MenuAffichageLisser->setChecked(Settings.Antialias);
  InstallLivePreview();
  OptionsOE.Preview = Settings.PreviewOn;
  // 11. Files dropped from the desktop.
  setAcceptDrops(true);
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
  // With no recent files N1 and N3 stand next to each other and both show.
  MenuFichier->setSeparatorsCollapsible(false);
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
  MenuActionRotateLeft = AddItem(MenuAction, "MenuActionRotateLeft", "Rotate left");
  MenuActionRotateRight = AddItem(MenuAction, "MenuActionRotateRight", "Rotate right");
  MenuAction->addSeparator();
  MenuActionPipette = AddItem(MenuAction, "MenuActionPipette", "Eyedropper");
  MenuActionBrush = AddItem(MenuAction, "MenuActionBrush", "Brush");
  MenuActionClearTouchUps = AddItem(MenuAction, "MenuActionClearTouchUps", "Clear touch-ups");

  MenuOptions = bar->addMenu("Options");
  MenuOptions->setObjectName("MenuOptions");
  MenuOptionZMouse = AddItem(MenuOptions, "MenuOptionZMouse", "Enable mouse zoom");
  MenuOptionZMouse->setCheckable(true);
  MenuOptionZMouse->setChecked(true);
  MenuOptionLivePreview = AddItem(MenuOptions, "MenuOptionLivePreview", "Live preview");
  MenuOptionLivePreview->setCheckable(true);
  MenuOptionLivePreview->setChecked(true);
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
  MenuAffichageMasque = AddItem(MenuAffichage, "MenuAffichageMasque", "Show mask");
  MenuAffichageMasque->setCheckable(true);

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
  for (QAction* a : {MenuOptionZMouse, MenuAffichageLisser, MenuUnitCm, MenuUnitPouces, MenuOptionLivePreview,
                     MenuAffichageMasque})
    connect(a, &QAction::triggered, this, [a](bool checked) {
      QSignalBlocker block(a);
      a->setChecked(!checked);
    });
  ConnectCommands();
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
  ToolBar->move(8, 2);

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
  ToolBar2->move(444, 2);

  // The buttons of the command table, bar by bar in the order of their places.
  std::vector<const TCommand*> buttons;
  for (const TCommand& c : Commands())
    if (c.Button) buttons.push_back(&c);
  std::sort(buttons.begin(), buttons.end(),
            [](const TCommand* a, const TCommand* b) { return a->Place < b->Place; });
  int previous = -1;
  int widths[2] = {0, 0};
  for (const TCommand* c : buttons) {
    const int b = c->Place / 100 - 1;
    QToolBar* bar = b == 0 ? ToolBar : ToolBar2;
    const int width = b == 0 ? 46 : 49;
    if (previous / 100 == c->Place / 100 && c->Place > previous + 1) {
      AddToolSeparator(bar);
      widths[b] += kToolSeparatorWidth;
    }
    this->*c->Button = MakeButton(bar, c->ButtonName, c->Icon, width);
    connect(this->*c->Button, &QToolButton::clicked, this, c->Run);
    widths[b] += width;
    previous = c->Place;
  }
  ToolBar->resize(widths[0], 40);
  ToolBar2->resize(widths[1], 40);
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
  // "Delete" follows the selection the list shows.
  connect(LstColor, &QListWidget::itemSelectionChanged, this,
          [this] { BClear->setEnabled(!LstColor->selectedItems().isEmpty()); });
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

QString TMainForm::StatusText(int panel) const {
  return panel >= 0 && panel < 3 ? StatusPanels[panel]->text() : QString();
}

// ---- busy and status ---------------------------------------------------------------

void TMainForm::BeginBusy(const QString& text) {
  StatusPanels[0]->setText(text);
  // Nothing is processed while a command runs, so the bar is painted now.
  statusBar()->repaint();
  QApplication::setOverrideCursor(Qt::WaitCursor);
}

void TMainForm::EndBusy() {
  // Every override pushed by BeginBusy is taken back.
  while (QApplication::overrideCursor()) QApplication::restoreOverrideCursor();
  StatusPanels[0]->setText("Ready");
}

void TMainForm::ShowProgress(const QString& label, int percent) {
  // Reported once per row: the bar is painted only when its text changes.
  const QString text = QString("%1 : %2%").arg(label).arg(percent);
  if (text == StatusPanels[0]->text()) return;
  StatusPanels[0]->setText(text);
  statusBar()->repaint();
}

void TMainForm::UpdateStatus() {
  // Whatever command ran, a preview of an older picture leaves the screen.
  if (livePreview_) livePreview_->DocumentChanged();
  StatusPanels[0]->setText(livePreview_ && livePreview_->OnScreen() ? "Preview" : "Ready");
  if (CurrentImage().Empty()) {
    StatusPanels[1]->clear();
    StatusPanels[2]->clear();
  } else {
    StatusPanels[1]->setText(QString("%1x%2").arg(CurrentImage().Width()).arg(CurrentImage().Height()));
    StatusPanels[2]->setText(FileName());
  }
  statusBar()->repaint();
  EdiZoom->repaint();
  LblColors->setText(QString("%1 color(s) :").arg(LstColor->count()));
}

// ---- start and end -------------------------------------------------------------------

void TMainForm::ShowAtStart() {
  if (Settings.Maximized) showMaximized();
  else show();
}

void TMainForm::FirstPaint() {
  if (options_.Arguments.isEmpty()) return;
  // A file named on the command line stays out of the recent list and the open folder.
  OpenImage(DiskFileName(options_.Arguments.first()), false);
}

void TMainForm::FormDestroy() {
  if (destroyed_) return;
  destroyed_ = true;
  qApp->removeEventFilter(this);
  // The view outlives this body (children go last): it lets go of the picture first.
  document_.OnImageChange = nullptr;
  delete livePreview_;  // its worker stops before the view and the document go
  livePreview_ = nullptr;
  Image->ShowPicture(nullptr);
  Settings.Maximized = isMaximized();
  Settings.UnitInch = MenuUnitPouces->isChecked();
  Settings.Antialias = MenuAffichageLisser->isChecked();
  Settings.LivePreview = MenuOptionLivePreview->isChecked();
  Settings.PreviewOn = OptionsOE.Preview;
  QString failedKey;
  if (!SaveSettings(IniPath, Settings, &failedKey))
    MessageDialog(QString("Unable to write the settings file \"%1\" !").arg(IniPath), mkError, mbOk);
}

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
  if (e->type() == QEvent::Resize && watched == Image) ViewResized();
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

// Only links to local files count (a browser's web link is no file, and an
// empty name would show the Open dialog).
QStringList LocalFilesOf(const QMimeData* data) {
  QStringList files;
  if (!data) return files;
  for (const QUrl& url : data->urls())
    if (url.isLocalFile() && !url.toLocalFile().isEmpty()) files << url.toLocalFile();
  return files;
}

void TMainForm::dragEnterEvent(QDragEnterEvent* e) {
  if (!LocalFilesOf(e->mimeData()).isEmpty()) e->acceptProposedAction();
}

void TMainForm::dropEvent(QDropEvent* e) {
  const QStringList files = LocalFilesOf(e->mimeData());
  if (files.isEmpty()) return;
  e->acceptProposedAction();
  // Only the first file is opened; the others are ignored.
  OpenImage(files.first().left(260), true);
}

}  // namespace velinor
