#pragma once
// TMainForm: the whole application window: the left panel with the colour-keep
// controls, the tool panel with both toolbars and the zoom box, the status bar,
// the menus, and the image view showing the open document (a TDocument, which
// holds the document's state; the window only shows it and forwards commands).
// Its parts, one file each:
//   MainForm.cpp             building the window, window events, busy and status
//   MainFormCommandTable.cpp the command table: handlers, enabling, shortcuts, buttons
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
  // The inputs "Execute" reads now.
  TKeepOptions KeepOptionsNow() const;
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
  // One row of the command table: a command's menu item (and context item), its
  // handler, when it is enabled, its shortcut and its toolbar button.
  enum class TMenuId { Fichier, Edition, Action, Options, Affichage, Aide };
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
  struct TCommand {
    QAction* TMainForm::*Item;
    QAction* TMainForm::*PopItem;  // the image context menu's item, or null
    void (TMainForm::*Run)();
    TMenuId Menu;
    TRule Rule;           // the menu and context items
    TRule ButtonRule;     // the toolbar button
    const char* Keys;     // the shortcut the item shows, or null
    const char* MoreKeys; // a second binding it does not show, or null
    QToolButton* TMainForm::*Button;  // or null
    const char* ButtonName;
    int Icon;             // index in the toolbar image list
    int Place;            // 100 * toolbar (1 or 2) + position; a skipped position is a gap
  };
  static const std::vector<TCommand>& Commands();
  bool RuleHolds(TRule rule) const;
  // Runs the enabling handler of a menu (before one of its shortcuts).
  void EnableMenu(TMenuId menu);
  void EnableMenuItems(TMenuId menu);
  void ConnectCommands();

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
  // The print command, its dialogs and warnings routed through the dialog seam
  // once, when it is first needed.
  TPrintCommand& PrintCommand();

  TMainFormOptions options_;
  TDocument document_{kWindowHistoryDepth, DefaultHistoryBudget()};
  // Packs the history's new pictures once a command's picture is on screen.
  QTimer* packHistory_ = nullptr;
  void PackHistoryWhenIdle();
  TAProposForm* aproposForm_ = nullptr;  // created on first use, kept for the run
  TPrintCommand* printCommand_ = nullptr;  // a child of the window, made on first use
  TLivePreview* livePreview_ = nullptr;    // a child of the window
  bool firstPaintDone_ = false;
  bool destroyed_ = false;
  std::optional<QPoint> wheelScreenPos_;
};

}  // namespace velinor
