// TMainForm: the colour keep — the kept-colour list with the eyedropper and the
// "Delete" button, the tolerance label, and "Execute" with the left panel's options.
#include <QAction>
#include <QCheckBox>
#include <QKeySequence>
#include <QShortcut>
#include <QStatusBar>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QSlider>
#include <QElapsedTimer>
#include <algorithm>
#include <cstdio>
#include <exception>
#include <new>

#include "gui/app/BusyGuard.h"
#include "gui/app/LivePreview.h"
#include "gui/app/MainForm.h"
#include "gui/app/MsgDlg.h"
#include "core/engine/ColorMatch.h"
#include "core/engine/KeepColors.h"
#include "gui/view/MyImage.h"

namespace velinor {

// ---- kept colours and eyedropper -------------------------------------------------------

// An entry's kind rides on its item: excluded entries carry true in this role.
constexpr int kExcludedRole = Qt::UserRole + 1;

QStringList TMainForm::KeptColors() const {
  QStringList texts;
  for (int i = 0; i < LstColor->count(); ++i) texts << LstColor->item(i)->text();
  return texts;
}

std::vector<TColorEntry> TMainForm::ColorEntries() const {
  std::vector<TColorEntry> entries;
  for (int i = 0; i < LstColor->count(); ++i)
    entries.push_back(TColorEntry{LstColor->item(i)->text().toStdString(),
                                  LstColor->item(i)->data(kExcludedRole).toBool()});
  return entries;
}

TKeepInputs TMainForm::KeepInputsNow() const {
  TKeepInputs inputs;
  inputs.Colors = ColorEntries();
  inputs.Gradient = CBDegrader->isChecked();
  inputs.Tolerance = TBN->value();
  inputs.Progressive = CBProgressif->isChecked();
  inputs.Sepia = CBSepia->isChecked();
  return inputs;
}

TKeepOptions TMainForm::KeepOptionsNow() const { return KeepInputsNow().Options(); }

void TMainForm::AddColorItem(const TColorEntry& entry) {
  const QString text = QString::fromStdString(entry.Text);
  auto* item = new QListWidgetItem(text);
  item->setData(kExcludedRole, entry.Excluded);
  item->setToolTip(entry.Excluded ? text + " (exclude)" : text);
  LstColor->addItem(item);
  LstColor->setCurrentRow(LstColor->count() - 1);
}

void TMainForm::ShowKeepInputs(const TKeepInputs& inputs) {
  showingInputs_ = true;
  LstColor->clear();
  for (const TColorEntry& entry : inputs.Colors) AddColorItem(entry);
  BClear->setEnabled(LstColor->count() > 0);
  TBN->setValue(inputs.Tolerance);
  CBProgressif->setChecked(inputs.Progressive);
  CBDegrader->setChecked(inputs.Gradient);
  CBSepia->setChecked(inputs.Sepia);
  showingInputs_ = false;
  UpdateStatus();
}

void TMainForm::PickColor(TColor color, bool exclude) {
  std::vector<TColorEntry> entries = ColorEntries();
  const TPickOutcome outcome = velinor::PickColor(entries, color, exclude);
  if (outcome == TPickOutcome::Ignored) return;
  if (outcome == TPickOutcome::Added) AddColorItem(entries.back());
  BClear->setEnabled(true);
  UpdateStatus();
  if (outcome == TPickOutcome::Added) KeepInputsChanged();
}

void TMainForm::BClearClick() {
  // Only an entry shown as selected: a click beside the entries leaves a current
  // row without a selection.
  const int i = LstColor->currentRow();
  if (i < 0 || i >= LstColor->count() || !LstColor->item(i)->isSelected()) return;
  delete LstColor->takeItem(i);
  if (LstColor->count() > 0) LstColor->setCurrentRow(std::min(i, LstColor->count() - 1));
  else BClear->setEnabled(false);
  UpdateStatus();
  KeepInputsChanged();
}

void TMainForm::ClearColors() {
  LstColor->clear();
  BClear->setEnabled(false);
  if (livePreview_) livePreview_->Hide();
  UpdateStatus();
}

void TMainForm::ImageMouseDown(Qt::MouseButton button, Qt::KeyboardModifiers shift, int x, int y) {
  if (button != Qt::LeftButton || !DocumentOpen()) return;
  // On a result the photo's own colour is picked, on a resized result its own;
  // a preview on screen is not the document, so the photo's colour again.
  const TColor color = document_.PickColorAt(Image->ClientToImagePoint(TPoint{x, y}));
  if (color != clNone) PickColor(color, shift.testFlag(Qt::ShiftModifier));
}

// ---- live preview and mask view --------------------------------------------------------

void TMainForm::InstallLivePreview() {
  livePreview_ = new TLivePreview(document_, *Image, this);
  MenuOptionLivePreview->setChecked(Settings.LivePreview);
  livePreview_->SetEnabled(Settings.LivePreview);
  livePreview_->OnFramePainted = [this](double ms) { ReportTiming("Preview", ms); };
  livePreview_->OnScreenChanged = [this] {
    const QString want = livePreview_->OnScreen() ? "Preview" : "Ready";
    if (StatusPanels[0]->text() == want || (!livePreview_->OnScreen() && StatusPanels[0]->text() != "Preview"))
      return;
    StatusPanels[0]->setText(want);
    statusBar()->repaint();
  };
  // Every input of "Execute": the slider also while it is dragged.
  connect(TBN, &QSlider::valueChanged, this, [this] { KeepInputsChanged(); });
  for (QCheckBox* cb : {CBProgressif, CBDegrader, CBSepia})
    connect(cb, &QCheckBox::toggled, this, [this] { KeepInputsChanged(); });
  // The Delete key on the list is the "Delete" button.
  auto* del = new QShortcut(QKeySequence(QKeySequence::Delete), LstColor, nullptr, nullptr, Qt::WidgetShortcut);
  connect(del, &QShortcut::activated, this, [this] {
    if (BClear->isEnabled()) BClearClick();
  });
}

void TMainForm::ReportTiming(const char* what, double ms) const {
  if (options_.Timing) std::fprintf(stderr, "%s: %.1f ms\n", what, ms);
}

void TMainForm::KeepInputsChanged() {
  if (livePreview_ && DocumentOpen() && !showingInputs_) livePreview_->InputsChanged(KeepOptionsNow());
}

void TMainForm::MenuOptionLivePreviewClick() {
  MenuOptionLivePreview->setChecked(!MenuOptionLivePreview->isChecked());
  Settings.LivePreview = MenuOptionLivePreview->isChecked();
  livePreview_->SetEnabled(Settings.LivePreview);
  if (Settings.LivePreview) KeepInputsChanged();
  UpdateStatus();
}

void TMainForm::MenuAffichageMasqueClick() {
  MenuAffichageMasque->setChecked(!MenuAffichageMasque->isChecked());
  livePreview_->SetMaskView(MenuAffichageMasque->isChecked());
}

void TMainForm::TBNChange() { LblN->setText(QString("Tolerance : %1").arg(TBN->value())); }

// ---- Execute -----------------------------------------------------------------------

void TMainForm::MenuActionActionClick() {
  if (!DocumentOpen()) return;
  QElapsedTimer clock;
  clock.start();
  struct TReport {  // on every way out, after the frame was painted
    const TMainForm& form;
    QElapsedTimer& clock;
    ~TReport() { form.ReportTiming("Execute", clock.nsecsElapsed() / 1e6); }
  } report{*this, clock};
  TBusyGuard busy(*this, "Processing...");
  const TKeepInputs inputs = KeepInputsNow();
  const TKeepOptions options = inputs.Options();
  // The preview's exact result is what this run would compute: it is committed
  // as it is. Otherwise (no preview, or other inputs) the run computes it.
  TBitmap result, mask, photoCopy;
  bool shownAsIs = false;
  if (livePreview_->TakeExact(options, result, mask, photoCopy, shownAsIs)) {
    document_.ExecuteWith(std::move(result), std::move(mask), inputs, std::move(photoCopy));
    // The view drew these pixels already: what it derived from them stays.
    if (shownAsIs) Image->AdoptOverlay();
    else Image->RepaintNow();
    RefreshView();
    return;
  }
  livePreview_->Hide();
  try {
    document_.Execute(inputs, [this](const std::string& label, int percent) {
      ShowProgress(QString::fromStdString(label), percent);
    });
  } catch (const std::exception& e) {
    // The photo stays on screen, as the undo step has it; nothing of the
    // failed run is kept.
    UpdateToolbar();
    Image->RepaintNow();
    const bool noMemory = dynamic_cast<const std::bad_alloc*>(&e) != nullptr;
    MessageDialog(noMemory ? QString("Not enough memory to process the picture.")
                           : QString::fromUtf8(e.what()),
                  mkError, mbOk);
    return;
  }
  Image->RepaintNow();
  RefreshView();
}

}  // namespace velinor
