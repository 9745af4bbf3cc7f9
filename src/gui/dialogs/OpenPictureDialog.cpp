#include "gui/dialogs/OpenPictureDialog.h"

#include <QApplication>
#include <QCheckBox>
#include <QFileInfo>
#include <QFrame>
#include <QGridLayout>
#include <QImage>
#include <QLabel>
#include <QPainter>
#include <QToolTip>

#include "gui/app/DialogSeam.h"
#include "gui/dialogs/FileColumns.h"
#include "gui/dialogs/PictureInfoText.h"
#include "core/files/PicturePreview.h"
#include "core/view/Thumbnail.h"

namespace velinor {

namespace {

constexpr int kPanelWidth = 169;
constexpr int kPanelHeight = 200;
constexpr int kPanelBorder = 6;
constexpr int kThumbnailShadow = 4;
constexpr int kThumbnailMargin = 2;

TColor ToTColor(const QColor& c) { return RGB(c.red(), c.green(), c.blue()); }

// Restores the previous cursor on every way out of the dialog's run.
struct TArrowCursor {
  TArrowCursor() { QApplication::setOverrideCursor(Qt::ArrowCursor); }
  ~TArrowCursor() { QApplication::restoreOverrideCursor(); }
};

}  // namespace

void TPreviewPaintBox::SetBitmap(const TBitmap* bitmap) {
  bitmap_ = bitmap;
  update();
}

void TPreviewPaintBox::paintEvent(QPaintEvent*) {
  if (!bitmap_ || bitmap_->Empty() || bitmap_->PixelFormat() != TPixelFormat::pf24bit) return;
  const QImage image(bitmap_->Bits(), bitmap_->Width(), bitmap_->Height(),
                     static_cast<qsizetype>(bitmap_->Stride()), QImage::Format_BGR888);
  QPainter(this).drawImage(0, 0, image);
}

TOpenPictureDialog::TOpenPictureDialog(QWidget* owner, bool sizeable)
    : QFileDialog(owner), sizeable_(sizeable) {
  setOption(QFileDialog::DontUseNativeDialog, true);
  setAcceptMode(QFileDialog::AcceptOpen);
  setFileMode(QFileDialog::ExistingFile);
  setSizeGripEnabled(sizeable_);
  // The fixed-size style goes without the places bar.
  if (!sizeable_)
    if (QWidget* places = findChild<QWidget*>("sidebar")) places->hide();
  BuildPanel();
  SizeFileColumnsToContent(*this);
  connect(this, &QFileDialog::currentChanged, this, &TOpenPictureDialog::SelectionChange);
}

void TOpenPictureDialog::BuildPanel() {
  // Fixed offsets of the narrow dialog style; the resizable one starts higher.
  const int d = sizeable_ ? 0 : 3;
  const int e = sizeable_ ? 0 : 12;
  const int b = kPanelBorder;

  PicturePanel = new QWidget(this);
  PicturePanel->setObjectName("PicturePanel");
  PicturePanel->setMinimumSize(kPanelWidth + 2 * b, kPanelHeight + 2 * b);
  PicturePanel->setMaximumWidth(kPanelWidth + 2 * b);

  PreviewCheck = new QCheckBox("Preview", PicturePanel);
  PreviewCheck->setObjectName("PreviewCheck");
  PreviewCheck->setChecked(true);
  PreviewCheck->setGeometry(b, b + 10 - d, 133, qMax(17, PreviewCheck->sizeHint().height()));
  connect(PreviewCheck, &QCheckBox::clicked, this, &TOpenPictureDialog::PreviewCheckClick);

  PaintBox = new TPreviewPaintBox(PicturePanel);
  PaintBox->setObjectName("PaintBox");
  PaintBox->setGeometry(b, b + 36 - d, 165, 130 - e);
  PaintBox->SetBitmap(&previewBitmap_);

  InfoLabel = new QLabel("Image properties", PicturePanel);
  InfoLabel->setObjectName("InfoLabel");
  QFont bold = InfoLabel->font();
  bold.setBold(true);
  InfoLabel->setFont(bold);
  InfoLabel->move(b, b + 170 - d - e);
  InfoLabel->adjustSize();

  SepPanel = new QFrame(PicturePanel);
  SepPanel->setObjectName("SepPanel");
  SepPanel->setGeometry(b, b + 188 - d - e, 161, 2);
  SepPanel->setAutoFillBackground(true);
  QPalette black = SepPanel->palette();
  black.setColor(QPalette::Window, Qt::black);
  SepPanel->setPalette(black);

  PictureLabel = new QLabel(PicturePanel);
  PictureLabel->setObjectName("PictureLabel");
  PictureLabel->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  // A long line (a failure's cause) breaks into lines as wide as the separator.
  PictureLabel->setWordWrap(true);
  PictureLabel->move(b, b + 196 - d - e);

  // The non-native dialog lays its controls out in a grid: the panel takes a new
  // column on the right, over the full height of all rows.
  if (auto* grid = qobject_cast<QGridLayout*>(layout()))
    grid->addWidget(PicturePanel, 0, grid->columnCount(), grid->rowCount(), 1);
  UpdatePicturePreview();
}

void TOpenPictureDialog::Setup(const TOpenDialogRequest& request) {
  if (!request.Title.empty()) setWindowTitle(QString::fromStdString(request.Title));
  const QString filter = QtFilterFrom(request.Filter);
  if (!filter.isEmpty()) setNameFilters(filter.split(";;"));
  if (!request.InitialDir.empty()) setDirectory(QString::fromStdString(request.InitialDir));
  SetPreviewOn(request.Preview);
}

bool TOpenPictureDialog::Execute() {
  bool ok;
  {
    TArrowCursor arrow;
    ok = exec() == QDialog::Accepted;
  }
  shown_ = false;
  return ok;
}

bool TOpenPictureDialog::PreviewOn() const { return PreviewCheck->isChecked(); }

void TOpenPictureDialog::SetPreviewOn(bool on) {
  if (PreviewCheck->isChecked() == on) return;
  PreviewCheck->setChecked(on);
  if (shown_) UpdatePicturePreview();
}

void TOpenPictureDialog::done(int result) {
  QFileDialog::done(result);
  shown_ = false;
  QToolTip::hideText();
}

void TOpenPictureDialog::showEvent(QShowEvent* event) {
  QFileDialog::showEvent(event);
  shown_ = true;
  UpdatePicturePreview();
}

void TOpenPictureDialog::PreviewCheckClick() {
  if (shown_) UpdatePicturePreview();
}

void TOpenPictureDialog::SelectionChange(const QString& fileName) {
  selected_ = fileName;
  UpdatePicturePreview();
}

void TOpenPictureDialog::UpdatePicturePreview() {
  depthCode_ = 6;
  transparencyCode_ = 0;
  TPicturePreview preview;
  const std::string name = selected_.toStdString();
  if (PreviewCheck->isChecked() && !selected_.isEmpty() && !QFileInfo(selected_).isDir())
    preview = LoadPicturePreview(name);
  loaded_ = preview.Loaded;
  if (loaded_) {
    depthCode_ = preview.DepthCode;
    transparencyCode_ = preview.TransparencyCode;
  }

  TBitmap prepared(PaintBox->width(), PaintBox->height(), TPixelFormat::pf24bit);
  MakeThumbnail(preview.Picture, prepared, clWhite, ToTColor(PicturePanel->palette().color(QPalette::Window)),
                kThumbnailShadow, kThumbnailMargin);
  previewBitmap_ = std::move(prepared);
  PaintBox->SetBitmap(&previewBitmap_);

  PictureLabel->setText(PictureInformationText(name, preview, sizeable_));
  PictureLabel->resize(SepPanel->width(), PictureLabel->heightForWidth(SepPanel->width()));
}

QString ExecOpenPictureDialog(QWidget* owner, TOpenDialogRequest& request) {
  QString chosen;
  {
    TOpenPictureDialog dialog(owner, request.Sizeable);
    dialog.Setup(request);
    if (dialog.Execute()) chosen = dialog.selectedFiles().value(0);
    request.Preview = dialog.PreviewOn();
  }
  QCoreApplication::processEvents();
  return chosen;
}

}  // namespace velinor
