#pragma once
// TMainForm: the whole application window. It holds the one open document, the
// left panel with the colour-keep controls, the tool panel with both toolbars
// and the zoom box, the status bar, the menus, and the image view.
#include <QMainWindow>
#include <QPointer>
#include <QStringList>
#include <optional>

#include "app/Settings.h"
#include "base/Bitmap.h"
#include "base/Color.h"

class QAction;
class QCheckBox;
class QFrame;
class QLabel;
class QListWidget;
class QMenu;
class QPushButton;
class QSlider;
class QStatusBar;
class QToolBar;
class QToolButton;

namespace velinor {

class TAProposForm;
class TMyImage;
class TSpecialEdit;

// How the window is started: where the executable lives (the settings file and
// the first open folder follow from it) and the command-line arguments after the
// program name.
struct TMainFormOptions {
  QString ExeDir;
  QStringList Arguments;
  QString IniPath;  // empty: SettingsFilePath(ExeDir)
};

class TMainForm : public QMainWindow {
  Q_OBJECT
 public:
  explicit TMainForm(const TMainFormOptions& options, QWidget* parent = nullptr);
  ~TMainForm() override;

  // ---- document -----------------------------------------------------------------
  TBitmap& CurrentImage();
  TBitmap ColorSource;
  TBitmap KeepMask;
  TBitmap UndoImage;
  bool Processed = false;
  bool Saved = false;
  bool Pasted = false;
  bool UndoAvailable = false;
  bool RedoProcessed = false;
  bool RedoSaved = false;
  // The "Sepia" choice the result on screen was computed with.
  bool ProcessedSepia = false;
  QString FileName;
  bool PrinterPresent = false;
  bool ZoomAtMouse = false;
  bool DocumentOpen() const;

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
  void TakeUndoSnapshot();
  void ResetHistory();
  void ClearColors();
  void OpenImage(const QString& name, bool addToRecent);
  // "Save as": true when the document was written.
  bool SaveDocumentAs();
  // Exchanges the image on screen with the other side of the history.
  void SwapUndoImage();

  // ---- kept colours ---------------------------------------------------------------
  // Adds a colour as the eyedropper picks it (near-duplicates and a full list are ignored).
  void PickColor(TColor color);
  void BClearClick();
  QStringList KeptColors() const;

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
  QAction* MenuOptionZMouse = nullptr;
  QAction* MenuUnitCm = nullptr;
  QAction* MenuUnitPouces = nullptr;
  QAction* MenuZoomPlus = nullptr;
  QAction* MenuZoomMoins = nullptr;
  QAction* MenuZoom100 = nullptr;
  QAction* MenuZoomAuto = nullptr;
  QAction* MenuAffichageLisser = nullptr;
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
  void FormCreate();
  void BuildMenus();
  void BuildToolPanel();
  void BuildLeftPanel();
  void BuildStatusBar();
  void BuildShortcuts();
  void FirstPaint();
  void FormDestroy();
  void EdiZoomSelectItem(bool changed);
  void EdiZoomDisplayText(QString& text);
  void ImageMouseDown(Qt::MouseButton button, int x, int y);
  bool ClipboardHasBitmap() const;
  QPoint MouseInView() const;

  TMainFormOptions options_;
  TAProposForm* aproposForm_ = nullptr;  // created on first use, kept for the run
  bool firstPaintDone_ = false;
  bool destroyed_ = false;
  std::optional<QPoint> wheelScreenPos_;
};

}  // namespace velinor
