#include "core/print/PrintLayout.h"

#include <algorithm>

#include "core/base/Arith.h"
#include "core/print/PrintMessages.h"
#include "core/view/DropShadow.h"

namespace velinor {

namespace {

constexpr double FieldMax = 1000.0;
constexpr double MinLength = 1.0;  // smallest width or height accepted, in units

std::string ScaleText(int64_t percent) { return "Scale : " + std::to_string(percent) + "%"; }

}  // namespace

TPrintLayout::TPrintLayout(bool unitIsInch)
    : unitIsInch_(unitIsInch),
      fields_{TNumberField(0, FieldMax, 2, "0.00"), TNumberField(0, FieldMax, 2, "0.00"),
              TNumberField(0, FieldMax, 2, "0.00"), TNumberField(0, FieldMax, 2, "0.00"),
              TNumberField(1, 100, -1, "1")} {
  previewZoom_.SetSmooth(true);
  // The preview zoom draws on the dialog: its canvas is the preview area.
  previewZoom_.SetCanvas(this, TRect{0, 0, PreviewCanvasSize, PreviewCanvasSize});
}

std::string TPrintLayout::SizeCaption() const {
  return std::string(" Image size ") + (unitIsInch_ ? "(inch) " : "(cm) ");
}

std::string TPrintLayout::PositionCaption() const {
  return std::string(" Position ") + (unitIsInch_ ? "(inch) " : "(cm) ");
}

// ---- conversions

double TPrintLayout::PixelsToUnits(double pixels, bool horizontal) const {
  if (horizontal) return pageW_ > 0 ? pixels * pageWUnits_ / pageW_ : 0.0;
  return pageH_ > 0 ? pixels * pageHUnits_ / pageH_ : 0.0;
}

int TPrintLayout::UnitsToPixels(double value, bool horizontal) const {
  const double units = horizontal ? pageWUnits_ : pageHUnits_;
  const int pixels = horizontal ? pageW_ : pageH_;
  if (units <= 0) return 0;
  // Field values are at most 1000 units, so the result stays far inside int.
  return static_cast<int>(Round(value * pixels / units));
}

// ---- showing

void TPrintLayout::Show(const TBitmap* image, int pageW, int pageH, int dpiX) {
  syncSizes_ = true;
  contours_ = false;
  image_ = image;
  previewZoom_.SetBitmap(image);
  printerZoom_.SetBitmap(image);
  imageW_ = image ? image->Width() : 0;
  imageH_ = image ? image->Height() : 0;
  imageRatio_ = imageH_ > 0 ? double(imageW_) / imageH_ : 1.0;
  ChangePage(pageW, pageH, dpiX);
  lblProp_ = std::to_string(imageW_) + " x " + std::to_string(imageH_) + " pixels";
}

void TPrintLayout::ChangePage(int pageW, int pageH, int dpiX) {
  ReadPageMetrics(pageW, pageH, dpiX);
  LayoutPreview();
  const TRect page{0, 0, pageW_, pageH_};
  printerZoom_.SetCanvas(&printerZoom_, page);
  printerZoom_.SetFrameRect(page);
  ResetLayout();
}

void TPrintLayout::ReleaseImage() {
  previewZoom_.SetBitmap(nullptr);
  printerZoom_.SetBitmap(nullptr);
  image_ = nullptr;
}

void TPrintLayout::ReadPageMetrics(int pageW, int pageH, int dpiX) {
  pageW_ = std::max(pageW, 0);
  pageH_ = std::max(pageH, 0);
  // Both sides use the horizontal resolution.
  const double d = dpiX > 0 ? dpiX : 72.0;
  dpiX_ = d;
  pageWUnits_ = pageW_ / d * 2.54;
  pageHUnits_ = pageH_ / d * 2.54;
  if (unitIsInch_) {
    pageWUnits_ /= 2.54;
    pageHUnits_ /= 2.54;
  }
}

void TPrintLayout::LayoutPreview() {
  if (pageW_ <= 0 || pageH_ <= 0) {
    previewW_ = previewH_ = 0;
    previewScale_ = 0;
  } else if (pageH_ < pageW_) {
    previewW_ = PreviewLongSide;
    previewScale_ = double(PreviewLongSide) / pageW_;
    previewH_ = static_cast<int>(Round(pageH_ * previewScale_));
  } else {
    previewH_ = PreviewLongSide;
    previewScale_ = double(PreviewLongSide) / pageH_;
    previewW_ = static_cast<int>(Round(pageW_ * previewScale_));
  }
  const int o = PreviewOrigin + 1;
  previewZoom_.SetFrameRect(TRect{o, o, o + previewW_ - 2, o + previewH_ - 2});
}

TRect TPrintLayout::PreviewPageRect() const {
  return TRect{PreviewOrigin, PreviewOrigin, PreviewOrigin + previewW_, PreviewOrigin + previewH_};
}

// ---- layout

void TPrintLayout::ResetLayout() {
  SetCentrer(true);
  SetAjuster(false);
  printerZoom_.SetZoomMode(zmFitPage);
  const double fit = printerZoom_.Zoom();
  const int64_t steps = Trunc(fit * 100 / 10);
  // Below a fit of 10 % no slider step fits on the page: the slider is pinned to
  // its minimum and disabled, and its label shows the real scale.
  sliderDegenerate_ = steps < 1;
  sliderMax_ = static_cast<int>(std::clamp<int64_t>(steps, 1, 1000000));
  printScale_ = std::min(0.8 * fit, 5.0);
  printerZoom_.SetZoom(printScale_);
  SyncSlider();
  ApplyScale();
  ApplyPosition();
}

void TPrintLayout::SyncSlider() {
  sliderPos_ = static_cast<int>(std::clamp<int64_t>(Round(printScale_ * 100 / 10), 1, sliderMax_));
  labelZoom_ = ScaleText(sliderDegenerate_ ? Round(printScale_ * 100) : int64_t{sliderPos_} * 10);
}

void TPrintLayout::ApplyScale() {
  if (ajuster_) {
    previewZoom_.SetZoomMode(zmFitPage);
    printerZoom_.SetZoomMode(zmFitPage);
    printScale_ = printerZoom_.Zoom();
    SyncSlider();
  } else {
    printerZoom_.SetZoom(printScale_);
    previewZoom_.SetZoom(previewScale_ * printScale_);
  }
  if (syncSizes_) {
    syncSizes_ = false;
    SetFieldValue(TPrintField::Width, PixelsToUnits(printerZoom_.ZoomedWidth(), true));
    SetFieldValue(TPrintField::Height, PixelsToUnits(printerZoom_.ZoomedHeight(), false));
    syncSizes_ = true;
  }
  if (centrer_) ApplyPosition();
}

void TPrintLayout::ApplyPosition() {
  if (centrer_) {
    previewZoom_.SetPosition(ipCenter);
    printerZoom_.SetPosition(ipCenter);
    SetFieldValue(TPrintField::Left, PixelsToUnits(printerZoom_.Left(), true));
    SetFieldValue(TPrintField::Top, PixelsToUnits(printerZoom_.Top(), false));
  } else {
    printerZoom_.SetLeft(UnitsToPixels(FieldValue(TPrintField::Left), true));
    printerZoom_.SetTop(UnitsToPixels(FieldValue(TPrintField::Top), false));
    previewZoom_.SetLeft(static_cast<int>(Round(printerZoom_.Left() * previewScale_)) + PreviewOrigin);
    previewZoom_.SetTop(static_cast<int>(Round(printerZoom_.Top() * previewScale_)) + PreviewOrigin);
  }
}

int TPrintLayout::PrintResolution() const {
  if (pageW_ <= 0 || printScale_ <= 0) return 0;
  // Clamped so that a scale far below one printer dot per pixel still fits an int.
  return static_cast<int>(std::min<int64_t>(Trunc(dpiX_ / printScale_), 1000000000));
}

std::string TPrintLayout::ResolutionText() const {
  const int dpi = PrintResolution();
  return dpi > 0 ? std::to_string(dpi) + " dpi" : std::string();
}

bool TPrintLayout::LowResolution() const {
  const int dpi = PrintResolution();
  return dpi > 0 && dpi < MinGoodResolution;
}

std::string TPrintLayout::StatusText() const { return LowResolution() ? MsgLowResolution : ""; }

// ---- check boxes and slider

void TPrintLayout::SetCentrer(bool checked) {
  if (checked == centrer_) return;
  centrer_ = checked;
  CBCentrerClick();
}

void TPrintLayout::CBCentrerClick() {
  if (centrer_) {
    ApplyPosition();
  } else {
    // Both zooms keep their current origins.
    previewZoom_.SetPosition(ipManual);
    printerZoom_.SetPosition(ipManual);
  }
}

void TPrintLayout::SetAjuster(bool checked) {
  if (checked == ajuster_) return;
  ajuster_ = checked;
  CBAjusterClick();
}

void TPrintLayout::CBAjusterClick() {
  if (ajuster_) {
    SetCentrer(true);
    ApplyScale();
  }
  // Unchecking keeps the fitted scale.
}

void TPrintLayout::ScrollBarZoomScroll(int position) {
  sliderPos_ = std::clamp(position, SliderMin(), sliderMax_);
  labelZoom_ = ScaleText(int64_t{sliderPos_} * 10);
  printScale_ = sliderPos_ * 10 / 100.0;
  ApplyScale();
}

// ---- number boxes

void TPrintLayout::SetFieldValue(TPrintField f, double v) {
  if (Field(f).SetValue(v)) FieldChanged(f);
}

void TPrintLayout::FieldChanged(TPrintField f) {
  switch (f) {
    case TPrintField::Width:
      if (syncSizes_) {
        syncSizes_ = false;
        SetFieldValue(TPrintField::Height, FieldValue(TPrintField::Width) / imageRatio_);
        syncSizes_ = true;
        sizeEdited_ = true;
      }
      break;
    case TPrintField::Height:
      if (syncSizes_) {
        syncSizes_ = false;
        SetFieldValue(TPrintField::Width, FieldValue(TPrintField::Height) * imageRatio_);
        syncSizes_ = true;
        sizeEdited_ = true;
      }
      break;
    case TPrintField::Left:
    case TPrintField::Top:
      // Also when the dialog itself writes these boxes.
      positionEdited_ = true;
      break;
    case TPrintField::Copies:
      break;
  }
}

void TPrintLayout::TypeText(TPrintField f, const std::string& text) {
  if (Field(f).SetText(text)) FieldChanged(f);
}

void TPrintLayout::WriteValue(TPrintField f, double v) { SetFieldValue(f, v); }

void TPrintLayout::StepField(TPrintField f, int direction) {
  SetFieldValue(f, FieldValue(f) + (direction >= 0 ? 1.0 : -1.0));
}

void TPrintLayout::LeaveField(TPrintField f) {
  TNumberField& field = Field(f);
  if (field.Empty()) return;
  if (field.IsInteger()) {
    field.SetValue(field.Value());  // the copies box has no change handler
    return;
  }
  SetFieldValue(f, field.Value());
}

TLayoutCheck TPrintLayout::PressEnter(TPrintField f) {
  if (f == TPrintField::Copies) return {};
  SetFieldValue(f, FieldValue(f));
  if (f == TPrintField::Width || f == TPrintField::Height) return BOkTailleClick();
  return BOkMargesClick();
}

// ---- buttons

TLayoutCheck TPrintLayout::BOkTailleClick() {
  TLayoutCheck r = CheckFieldsFilled();
  if (!r.Ok) return r;
  r = CheckRanges();
  if (!r.Ok) return r;
  syncSizes_ = false;
  if (pageH_ < pageW_) {
    const double units = PixelsToUnits(imageW_, true);
    if (units > 0) printScale_ = FieldValue(TPrintField::Width) / units;
  } else {
    const double units = PixelsToUnits(imageH_, false);
    if (units > 0) printScale_ = FieldValue(TPrintField::Height) / units;
  }
  SyncSlider();
  ApplyScale();
  syncSizes_ = true;
  sizeEdited_ = false;
  return r;
}

TLayoutCheck TPrintLayout::BOkMargesClick() {
  TLayoutCheck r = CheckFieldsFilled();
  if (!r.Ok) return r;
  r = CheckRanges();
  if (!r.Ok) return r;
  ApplyPosition();
  positionEdited_ = false;
  return r;
}

TLayoutCheck TPrintLayout::BImprimerClick() {
  TLayoutCheck r = CheckFieldsFilled();
  if (!r.Ok) return r;
  r = CheckRanges();
  if (!r.Ok) return r;
  if (sizeEdited_) {
    r = BOkTailleClick();
    if (!r.Ok) return r;
  }
  if (positionEdited_) {
    r = BOkMargesClick();
    if (!r.Ok) return r;
  }
  // A new size can push an image placed by hand over the page edge: check the
  // margins against the size that will be printed.
  return CheckRanges();
}

// ---- checks

TLayoutCheck TPrintLayout::CheckFieldsFilled() const {
  if (ajuster_) return {};
  for (TPrintField f : {TPrintField::Width, TPrintField::Height, TPrintField::Left,
                        TPrintField::Top, TPrintField::Copies}) {
    if (Field(f).Empty()) return TLayoutCheck{false, MsgFillAllFields, f, false};
  }
  return {};
}

double TPrintLayout::LengthUpperLimit(double limit) const {
  // A length the dialog computed itself (a fitted width, a centred margin) is shown
  // rounded to two decimals and may read back a hair above the exact limit; the
  // limit is compared the way the box shows it.
  TNumberField shown(0, 0, 2, FormatFixed(limit, 2));
  return shown.Value();
}

TLayoutCheck TPrintLayout::CheckRanges() const {
  if (ajuster_) return {};
  const double maxLeft =
      std::max(0.0, pageWUnits_ - PixelsToUnits(printerZoom_.ZoomedWidth(), true));
  const double maxTop =
      std::max(0.0, pageHUnits_ - PixelsToUnits(printerZoom_.ZoomedHeight(), false));
  const double w = FieldValue(TPrintField::Width);
  if (w < MinLength || w > LengthUpperLimit(pageWUnits_))
    return {false, WidthRangeMessage(MinLength, TrimForDisplay(pageWUnits_)), TPrintField::Width,
            true};
  const double h = FieldValue(TPrintField::Height);
  if (h < MinLength || h > LengthUpperLimit(pageHUnits_))
    return {false, HeightRangeMessage(MinLength, TrimForDisplay(pageHUnits_)),
            TPrintField::Height, true};
  if (FieldValue(TPrintField::Left) > LengthUpperLimit(maxLeft))
    return {false, LeftMarginMessage(TrimForDisplay(maxLeft)), TPrintField::Left, true};
  if (FieldValue(TPrintField::Top) > LengthUpperLimit(maxTop))
    return {false, TopMarginMessage(TrimForDisplay(maxTop)), TPrintField::Top, true};
  return {};
}

// ---- output

TRect TPrintLayout::PrintRect() const {
  const int left = UnitsToPixels(FieldValue(TPrintField::Left), true);
  const int top = UnitsToPixels(FieldValue(TPrintField::Top), false);
  return TRect{left, top, left + UnitsToPixels(FieldValue(TPrintField::Width), true),
               top + UnitsToPixels(FieldValue(TPrintField::Height), false)};
}

int TPrintLayout::CropFar() const {
  return UnitsToPixels(unitIsInch_ ? CropFarInch : CropFarCm, true);
}

int TPrintLayout::CropNear() const {
  return UnitsToPixels(unitIsInch_ ? CropNearInch : CropNearCm, true);
}

std::vector<TMarkLine> TPrintLayout::CropMarks() const {
  return CropMarkLines(PrintRect(), imageW_, imageH_, CropFar(), CropNear());
}

void TPrintLayout::RenderPreview(TBitmap& canvas, TColor dialogColor) const {
  const TColor back = ResolveSystemColor(dialogColor);
  TBitmapFillCanvas fill(canvas);
  // ClearPreviewArea
  fill.FillRect(TRect{PreviewOrigin, PreviewOrigin, PreviewCanvasSize, PreviewCanvasSize}, back);
  // DrawPreviewPage
  const TRect p = PreviewPageRect();
  if (p.IsEmpty()) return;
  DrawShadow(fill, p, 4, 70, back, true, true);
  fill.FillRect(p, clWhite);
  fill.FillRect(TRect{p.Left, p.Top, p.Right, p.Top + 1}, TColor(0xCCCCCC));
  fill.FillRect(TRect{p.Left, p.Top, p.Left + 1, p.Bottom}, TColor(0xCCCCCC));
  fill.FillRect(TRect{p.Right - 1, p.Top, p.Right, p.Bottom}, TColor(0x555555));
  fill.FillRect(TRect{p.Left, p.Bottom - 1, p.Right, p.Bottom}, TColor(0x555555));
  // The image, smoothed, inside the page frame.
  previewZoom_.DrawTo(canvas, false, clWhite);
}

}  // namespace velinor
