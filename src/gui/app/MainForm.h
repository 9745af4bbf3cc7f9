#pragma once
// TMainForm: the whole application window: the left panel with the colour-keep
// controls, the tool panel with both toolbars and the zoom box, the status bar,
// the menus, and the image view showing the open document (a TDocument, which
// holds the document's state; the window only shows it and forwards commands).
// Its parts, one file each:
//   MainForm.cpp             building the window, window events, busy and status
//   MainFormCommandTable.cpp the command table and what it builds: menus, context
//                            menu, toolbar buttons, shortcuts, enabling
//   MainFormFile.cpp         open, recent files, save as, close, print, clipboard
//   MainFormHistory.cpp      undo, redo, Image size
//   MainFormColorKeep.cpp    kept colours, eyedropper, Execute
//   MainFormZoom.cpp         zoom box, zoom commands, mouse wheel
//   MainFormOptions.cpp      the Options and "?" menus
#include <QMainWindow>
#include <QPointer>
#include <QStringList>
#include <optional>
#include <vector>

#include <string>

#include "gui/app/Settings.h"
#include "core/base/Bitmap.h"
#include "core/base/Color.h"
#include "core/document/Document.h"
#include "core/engine/ColorMatch.h"
#include "core/engine/KeepColors.h"

class QAction;
class QCheckBox;
class QFrame;
class QLabel;
class QListWidget;
class QMimeData;
class QMenu;
class QPushButton;
class QSlider;
class QTimer;
class QStatusBar;
class QToolBar;
class QToolButton;

namespace velinor {

class TAProposForm;
class TBrushTool;
class TLivePreview;
class TMyImage;
class TPrintCommand;
class TSpecialEdit;

// The local files a drop or the clipboard carries, in order.
QStringList LocalFilesOf(const QMimeData* data);

// How the window is started: where the executable lives (the settings file and
// the first open folder follow from it) and the command-line arguments after the
// program name.
struct TMainFormOptions {
  QString ExeDir;
  QStringList Arguments;
  QString IniPath;  // empty: SettingsFilePath(ExeDir)
  bool Timing = false;  // --timing: each command's and preview's time on stderr
};

class TMainForm : public QMainWindow {
  Q_OBJECT
 public:
  explicit TMainForm(const TMainFormOptions& options, QWidget* parent = nullptr);
  ~TMainForm() override;

  // ---- document -----------------------------------------------------------------
  // The open document: its pictures, flags and history. The window keeps none of
  // them itself; the view shows the document's picture in place.
  TDocument& Document() { return document_; }
  const TDocument& Document() const { return document_; }
  const TBitmap& CurrentImage() const { return document_.CurrentImage(); }
  QString FileName() const { return QString::fromStdString(document_.FileName()); }
  bool DocumentOpen() const { return document_.IsOpen(); }
  bool ZoomAtMouse = false;

  // Settings (OpenDir, SaveDir, RecentFiles and the switches live here).
  TAppSettings Settings;
  QString IniPath;
  QString& OpenDir() { return Settings.OpenDir; }
  QString& SaveDir() { return Settings.SaveDir; }
  QStringList& RecentFiles() { return Settings.RecentFiles; }

  // ---- services used by the commands ----------------------------------------------
  void BeginBusy(const QString& text);
  void EndBusy();
  void ShowProgress(const QString& label, int percent);
  void UpdateStatus();
  void UpdateToolbar();
  void UpdatePreview();
  bool QuerySaveChanges();
  // The picture on screen becomes the step `label` of the history.
  void TakeUndoSnapshot(const std::string& label);
  void ClearColors();
  void OpenImage(const QString& name, bool addToRecent);
  // "Save as": true when the document was written. savingMs, when given,
  // receives the time of the save itself, the dialogs' waits left out (it is left
  // as it was when no dialog was answered).
  bool SaveDocumentAs(double* savingMs = nullptr);
  // "Image size"'s change: the picture resampled to width x height (rmNearest or
  // rmFiltered), the picture before kept for "Undo".
  void ResizeDocument(int width, int height, int mode);
  // "Rotate left" / "Rotate right": the picture turned by a quarter, the picture
  // before kept for "Undo", the initial zoom chosen again as after Image size.
  void RotateDocument(bool clockwise);

  // ---- kept colours ---------------------------------------------------------------
  // Adds a colour as the eyedropper picks it (near-duplicates and a full list are
  // ignored); exclude: as an excluded colour (Shift+click).
  void PickColor(TColor color, bool exclude = false);
  void BClearClick();
  // Every entry's text, both kinds, in list order.
  QStringList KeptColors() const;
  std::vector<TColorEntry> ColorEntries() const;
  // The inputs "Execute" reads now: as the panel shows them, and as the engine
  // takes them.
  TKeepInputs KeepInputsNow() const;
  TKeepOptions KeepOptionsNow() const;
  // The panel shows these inputs (a reopened work's): the list, the tolerance and
  // the options, without a live preview starting for them.
  void ShowKeepInputs(const TKeepInputs& inputs);
  // The live preview and the mask view.
  TLivePreview& LivePreview() { return *livePreview_; }
  // The brush painted the touch-ups within changed (image pixels): the preview
  // and the view follow. A stroke that began before "Execute" starts the preview.
  void StrokePainted(TRect changed);
  void StrokeBeganBeforeExecute();
  void MenuOptionLivePreviewClick();
  void MenuAffichageMasqueClick();

  // ---- zoom -------------------------------------------------------------------------
  void ChooseInitialZoom();
  void RefreshView();
  void ApplyZoom();
  double ZoomFromIndex(int index);
  bool StepZoom(int mode);
  // 1: over the visible vertical bar, 2: over the visible horizontal bar, 0: elsewhere.
  int WheelOverScrollBar(QPoint screenPoint) const;
  // One wheel notch at a point in screen coordinates (down = towards the user).
  void WheelNotch(bool down, QPoint screenPoint);

  // ---- command handlers -----------------------------------------------------------
  void MenuFichierOuvrirClick();
  void MenuFichierEnregistrerClick();
  void MenuFichierFermerClick();
  void MenuFichierNClick(int tag);
  void MenuFichierImprimerClick();
  void MenuFichierQuitterClick();
  void MenuEditionUndoClick();
  void MenuEditionRedoClick();
  void MenuEditionCopierClick();
  void MenuEditionCollerClick();
  void MenuActionActionClick();
  void MenuActionRedimClick();
  void MenuActionRotateLeftClick();
  void MenuActionRotateRightClick();
  // The brush (MainFormBrush.cpp): its mode, the eyedropper mode, "Clear touch-ups".
  void MenuActionBrushClick();
  void MenuActionPipetteClick();
  void MenuActionClearTouchUpsClick();
  TBrushTool* BrushTool = nullptr;
  void MenuOptionZMouseClick();
  void MenuUnitCmClick(QAction* which);
  void MenuZoomPlusClick();
  void MenuZoomMoinsClick();
  void MenuZoom100Click();
  void MenuZoomAutoClick();
  void MenuAffichageLisserClick();
  void MenuInformationsClick();
  void MenuWebClick();
  void MenuAProposClick();

  // Enabling handlers, run when a menu opens and before its shortcuts.
  void MenuFichierClick();
  void MenuEditionClick();
  void MenuActionClick();
  void MenuAffichageClick();
  void PopImagePopup();
  void TBNChange();

  // A status-bar panel's text.
  QString StatusText(int panel) const;

  // ---- controls ---------------------------------------------------------------------
  TMyImage* Image = nullptr;
  QFrame* PnlOutils = nullptr;
  QFrame* PnlLeft = nullptr;
  QToolBar* ToolBar = nullptr;
  QToolBar* ToolBar2 = nullptr;
  TSpecialEdit* EdiZoom = nullptr;
  QMenu* PopZoom = nullptr;
  QMenu* PopImage = nullptr;
  QLabel* Preview = nullptr;
  QLabel* LblN = nullptr;
  QSlider* TBN = nullptr;
  QCheckBox* CBProgressif = nullptr;
  QCheckBox* CBDegrader = nullptr;
  QCheckBox* CBSepia = nullptr;
  QLabel* LblColors = nullptr;
  QListWidget* LstColor = nullptr;
  QPushButton* BClear = nullptr;
  QLabel* StatusPanels[3] = {nullptr, nullptr, nullptr};

  QToolButton* BtnOuvrir = nullptr;
  QToolButton* BtnEnregistrer = nullptr;
  QToolButton* BtnImprimer = nullptr;
  QToolButton* BtnRedim = nullptr;
  QToolButton* BtnAction = nullptr;
  QToolButton* BtnUndo = nullptr;
  QToolButton* BtnRedo = nullptr;
  QToolButton* BtnZoomPlus = nullptr;
  QToolButton* BtnZoomMoins = nullptr;
  QToolButton* BtnZoom100 = nullptr;
  QToolButton* BtnZoomAuto = nullptr;
  QToolButton* BtnPipette = nullptr;
  QToolButton* BtnBrush = nullptr;

  QMenu* MenuFichier = nullptr;
  QMenu* MenuEdition = nullptr;
  QMenu* MenuAction = nullptr;
  QMenu* MenuOptions = nullptr;
  QMenu* MenuAffichage = nullptr;
  QMenu* MenuAide = nullptr;
  QAction* MenuFichierOuvrir = nullptr;
  QAction* MenuFichierEnregistrer = nullptr;
  QAction* MenuFichierFermer = nullptr;
  QAction* MenuFichierN[4] = {nullptr, nullptr, nullptr, nullptr};
  QAction* MenuFichierImprimer = nullptr;
  QAction* MenuFichierSep = nullptr;
  QAction* MenuFichierQuitter = nullptr;
  QAction* MenuEditionUndo = nullptr;
  QAction* MenuEditionRedo = nullptr;
  QAction* MenuEditionCopier = nullptr;
  QAction* MenuEditionColler = nullptr;
  QAction* MenuActionAction = nullptr;
  QAction* MenuActionRedim = nullptr;
  QAction* MenuActionRotateLeft = nullptr;
  QAction* MenuActionRotateRight = nullptr;
  QAction* MenuActionPipette = nullptr;
  QAction* MenuActionBrush = nullptr;
  QAction* MenuActionClearTouchUps = nullptr;
  QAction* MenuOptionZMouse = nullptr;
  QAction* MenuUnitCm = nullptr;
  QAction* MenuUnitPouces = nullptr;
  QAction* MenuZoomPlus = nullptr;
  QAction* MenuZoomMoins = nullptr;
  QAction* MenuZoom100 = nullptr;
  QAction* MenuZoomAuto = nullptr;
  QAction* MenuAffichageLisser = nullptr;
  QAction* MenuAffichageMasque = nullptr;
  QAction* MenuOptionLivePreview = nullptr;
  QAction* MenuInformations = nullptr;
  QAction* MenuWeb = nullptr;
  QAction* MenuAPropos = nullptr;
  QAction* PopAction = nullptr;
  QAction* PopOuvrir = nullptr;
  QAction* PopEnregistrer = nullptr;
  QAction* PopFermer = nullptr;
  QAction* PopCopier = nullptr;
  QAction* PopColler = nullptr;

  // The print command with its kept dialogs, made when first needed.
  TPrintCommand& PrintCommand();

  // Shows the window, maximised when the settings say so.
  void ShowAtStart();
  // Whether the first paint has run its one-time work.
  bool FirstPaintDone() const { return firstPaintDone_; }

 protected:
  bool event(QEvent* e) override;
  bool eventFilter(QObject* watched, QEvent* e) override;
  void closeEvent(QCloseEvent* e) override;
  void dragEnterEvent(QDragEnterEvent* e) override;
  void dropEvent(QDropEvent* e) override;

 private:
  // ---- the command table (MainFormCommandTable.cpp) -----------------------------------
  // The menus the table fills: those of the menu bar and the print-unit submenu.
  enum class TMenuId { None, Fichier, Edition, Action, Options, OptionUnit, Affichage, Aide, Count };
  enum class TRule {
    Untouched,       // no enabling handler sets it
    Always,
    Open,            // a document is open
    Undo,
    Redo,
    Clipboard,       // the clipboard holds a bitmap
    ZoomIn,
    ZoomOut,
    ZoomBoxNot100,   // the zoom box is not on "100%"
    ZoomNot1,        // the view's zoom is not 1
    TouchUps,        // the document holds brush strokes
  };
  enum class TCheck { None, Off, On };  // a check item and its first state
  // A command handler; item is the menu or context item that ran it (null for a
  // shortcut without an item).
  using THandler = void (*)(TMainForm& form, QAction* item);
  // A menu of the menu bar.
  struct TBarMenu {
    TMenuId Id;
    QMenu* TMainForm::*Menu;
    const char* Name;
    const char* Title;
    void (TMainForm::*Enable)();  // its enabling handler, or null: always enabled
    bool KeepSeparators;          // separators around hidden items still show
  };
  // A command's item in the image context menu.
  struct TPopItem {
    QAction* TMainForm::*Item = nullptr;
    const char* Name = nullptr;
    const char* Caption = nullptr;
    int Place = 0;  // 1, 2, ... in the menu; a skipped place is a separator
  };
  // A command's toolbar button; its hint comes from the item's caption.
  struct TButton {
    QToolButton* TMainForm::*Item = nullptr;
    const char* Name = nullptr;
    int Icon = 0;                  // index in the toolbar image list, or a drawn glyph
    int Place = 0;                 // 100 * toolbar (1 or 2) + position; a skipped position is a gap
    std::optional<TRule> Rule;     // when it is enabled, if not as the menu item
    TCheck Check = TCheck::None;
    const char* Hint = nullptr;    // its tooltip, when more than the caption
  };
  // One row: a menu entry (an item, a separator "-" or a submenu), or a shortcut
  // without an item, with everything that runs and shows the command.
  struct TCommand {
    TMenuId Menu = TMenuId::None;     // None: a shortcut without an item
    QAction* TMainForm::*Item = nullptr;
    const char* Name = nullptr;       // the item's object name
    const char* Caption = nullptr;
    int Recent = -1;                  // a recent-file item: its index in MenuFichierN (its tag)
    TMenuId Opens = TMenuId::None;    // a submenu: the menu it opens
    TCheck Check = TCheck::None;
    THandler Run = nullptr;
    TRule Rule = TRule::Untouched;    // the menu and context items
    const char* Keys = nullptr;       // the shortcut the item shows
    const char* MoreKeys = nullptr;   // a second binding it does not show
    TPopItem Pop;
    TButton Button;
  };
  static const std::vector<TBarMenu>& BarMenus();
  static const std::vector<TCommand>& Commands();
  // The row's menu item (recent files included), or null for a row without one.
  QAction** ItemOf(const TCommand& c);
  bool RuleHolds(TRule rule) const;
  // Runs the enabling handler of a menu (before one of its shortcuts).
  void EnableMenu(TMenuId menu);
  void EnableMenuItems(TMenuId menu);
  // One of the tool panel's toolbars (bar 1 or 2) at x with the table's buttons.
  QToolBar* MakeToolBar(int bar, const char* name, int x, int buttonWidth);

  void FormCreate();
  void BuildMenus();
  void BuildToolPanel();
  void BuildLeftPanel();
  void BuildStatusBar();
  void BuildShortcuts();
  void BuildBrush();
  void FirstPaint();
  void FormDestroy();
  void EdiZoomSelectItem(bool changed);
  void EdiZoomDisplayText(QString& text);
  void ImageMouseDown(Qt::MouseButton button, Qt::KeyboardModifiers shift, int x, int y);
  // The live preview: made with the window; told of every change of the inputs.
  void InstallLivePreview();
  void KeepInputsChanged();
  // Appends an entry to the list as the eyedropper does.
  void AddColorItem(const TColorEntry& entry);
  // While the panel is set from a document, its changes are not the user's.
  bool showingInputs_ = false;
  // With --timing: "what: 12.3 ms" on stderr.
  void ReportTiming(const char* what, double ms) const;
  bool ClipboardHasBitmap() const;
  QPoint MouseInView() const;
  // The view got a new size (the window was resized or maximised): "<Auto>" fits again.
  void ViewResized();
  // Undo or Redo on the document, then the picture it leaves on screen shown.
  void ShowHistoryStep(void (TDocument::*step)());
  // The Undo and Redo hints name the step they take ("Undo Execute").
  void UpdateHistoryHints();

  TMainFormOptions options_;
  TDocument document_{kWindowHistoryDepth, DefaultHistoryBudget()};
  // Packs the history's new pictures once a command's picture is on screen.
  QTimer* packHistory_ = nullptr;
  void PackHistoryWhenIdle();
  TAProposForm* aproposForm_ = nullptr;  // created on first use, kept for the run
  TPrintCommand* printCommand_ = nullptr;  // a child of the window, made on first use
  QMenu* menus_[static_cast<int>(TMenuId::Count)] = {};  // the table's menus by TMenuId
  TLivePreview* livePreview_ = nullptr;    // a child of the window
  bool firstPaintDone_ = false;
  bool destroyed_ = false;
  std::optional<QPoint> wheelScreenPos_;
};

}  // namespace velinor
