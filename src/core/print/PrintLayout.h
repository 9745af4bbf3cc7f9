#pragma once
// The print layout dialog without its window: the page metrics, the scale, the
// position of the image on the page, the five number boxes, the check boxes and
// the slider, and every handler that changes them. The window shows this state
// and forwards the user's actions; tests drive it directly.
//
// Two TImageZoom objects carry the geometry: PrinterZoom lays the image out on the
// printer page (frame = the whole printable page in printer pixels, never drawn)
// and PreviewZoom lays it out on the small page preview of the dialog.
#include <array>
#include <string>
#include <vector>

#include "core/base/Bitmap.h"
#include "core/base/Color.h"
#include "core/base/Geometry.h"
#include "core/print/CropMarks.h"
#include "core/print/PrintFields.h"
#include "core/view/ImageZoom.h"

namespace velinor {

// The preview page sits at (16, 16) in the dialog; its longer side is 225 pixels
// and the area cleared for it is 229 x 229.
constexpr int PreviewOrigin = 16;
constexpr int PreviewLongSide = 225;
constexpr int PreviewAreaSize = 229;
// Size of a canvas (in dialog coordinates) that holds the whole preview area.
constexpr int PreviewCanvasSize = PreviewOrigin + PreviewAreaSize;

// The outcome of a check: when !Ok, Message is shown as a warning, the field
// Focus receives the focus and, with SelectAll, its whole text is selected.
struct TLayoutCheck {
  bool Ok = true;
  std::string Message;
  TPrintField Focus = TPrintField::Width;
  bool SelectAll = false;
};

class TPrintLayout {
 public:
  // What the dialog does when it is created: the unit is fixed for its lifetime.
  explicit TPrintLayout(bool unitIsInch);
  TPrintLayout(const TPrintLayout&) = delete;
  TPrintLayout& operator=(const TPrintLayout&) = delete;

  bool UnitIsInch() const { return unitIsInch_; }
  // " Image size (cm) " and " Position (cm) " (or "(inch) ").
  std::string SizeCaption() const;
  std::string PositionCaption() const;

  // An image at least as wide as tall prints landscape.
  static bool PrintsLandscape(int imageW, int imageH) { return !(imageW < imageH); }

  // Showing the dialog: image is the main window's current image (not owned; call
  // ReleaseImage before it goes away); the page is the printable area in printer
  // pixels and the printer's horizontal resolution, read after the orientation
  // was set from PrintsLandscape.
  void Show(const TBitmap* image, int pageW, int pageH, int dpiX);
  // After the printer setup: page, preview and layout are computed from scratch.
  void ChangePage(int pageW, int pageH, int dpiX);
  // Hiding: the zooms forget the image.
  void ReleaseImage();

  // ---- the user's actions (named after the handlers they run)
  void ScrollBarZoomScroll(int position);
  void SetCentrer(bool checked);  // runs CBCentrerClick when it changes the box
  void SetAjuster(bool checked);  // runs CBAjusterClick when it changes the box
  void SetContours(bool checked) { contours_ = checked; }
  void SetTraits(bool checked) { traits_ = checked; }
  // Text typed in a box (change event when the text differs).
  void TypeText(TPrintField f, const std::string& text);
  // Value := v, as the arrows and a programmatic write do.
  void WriteValue(TPrintField f, double v);
  // The arrows and the Up/Down keys: +1 or -1 increment.
  void StepField(TPrintField f, int direction);
  // The box loses the focus: its value is written again (normalising the text).
  void LeaveField(TPrintField f);
  // Enter in a box: the value is written back to itself, then the size or the
  // position is applied. Copies: nothing happens.
  TLayoutCheck PressEnter(TPrintField f);
  TLayoutCheck BOkTailleClick();
  TLayoutCheck BOkMargesClick();
  // Ok: the dialog may close with the OK result and the page can be printed.
  TLayoutCheck BImprimerClick();

  TLayoutCheck CheckFieldsFilled() const;
  TLayoutCheck CheckRanges() const;

  // ---- state the window shows
  const std::string& FieldText(TPrintField f) const { return Field(f).Text(); }
  double FieldValue(TPrintField f) const { return Field(f).Value(); }
  bool Centrer() const { return centrer_; }
  bool Ajuster() const { return ajuster_; }
  bool Contours() const { return contours_; }
  bool Traits() const { return traits_; }
  int Copies() const { return static_cast<int>(Field(TPrintField::Copies).Value()); }
  // "Page center", the slider, its label and the size group follow "Fit to page";
  // the position group follows "Page center".
  bool CentrerEnabled() const { return !ajuster_; }
  bool SizeGroupEnabled() const { return !ajuster_; }
  bool PositionGroupEnabled() const { return !centrer_; }
  bool LabelZoomEnabled() const { return !ajuster_; }
  // The slider is also disabled when not even 10 % fits on the page.
  bool SliderEnabled() const { return !ajuster_ && !SliderDegenerate(); }
  int SliderMin() const { return 1; }
  int SliderMax() const { return sliderMax_; }
  int SliderPosition() const { return sliderPos_; }
  bool SliderDegenerate() const { return sliderDegenerate_; }
  const std::string& LabelZoom() const { return labelZoom_; }
  // What the scale means on paper: image pixels per inch at the applied scale
  // (truncated, so it never reads better than it prints); 0 before a page is known.
  int PrintResolution() const;
  // "52 dpi", shown beside the scale; empty while there is no resolution.
  std::string ResolutionText() const;
  // Below MinGoodResolution the dialog's status warns that the print will look coarse.
  bool LowResolution() const;
  std::string StatusText() const;
  const std::string& LblProp() const { return lblProp_; }

  int ImageW() const { return imageW_; }
  int ImageH() const { return imageH_; }
  double ImageRatio() const { return imageRatio_; }
  int PageW() const { return pageW_; }
  int PageH() const { return pageH_; }
  double PageWUnits() const { return pageWUnits_; }
  double PageHUnits() const { return pageHUnits_; }
  int PreviewW() const { return previewW_; }
  int PreviewH() const { return previewH_; }
  double PreviewScale() const { return previewScale_; }
  double PrintScale() const { return printScale_; }
  bool SyncSizes() const { return syncSizes_; }
  bool SizeEdited() const { return sizeEdited_; }
  bool PositionEdited() const { return positionEdited_; }
  const TImageZoom& PrinterZoom() const { return printerZoom_; }
  const TImageZoom& PreviewZoom() const { return previewZoom_; }

  double PixelsToUnits(double pixels, bool horizontal) const;
  int UnitsToPixels(double value, bool horizontal) const;

  // ---- what is printed
  // Rebuilt from the four length boxes, in printer pixels (right/bottom exclusive).
  TRect PrintRect() const;
  // 7 mm crop marks starting 1 mm from the edge lines, in printer pixels.
  int CropFar() const;
  int CropNear() const;
  std::vector<TMarkLine> CropMarks() const;

  // ---- the preview
  // The page rectangle in dialog coordinates.
  TRect PreviewPageRect() const;
  // Paints the preview area (cleared to dialogColor), the page with its shadow and
  // frame and the image on it, onto canvas, a 24- or 32-bit bitmap in dialog
  // coordinates at least PreviewCanvasSize square.
  void RenderPreview(TBitmap& canvas, TColor dialogColor) const;

 private:
  const TNumberField& Field(TPrintField f) const { return fields_[static_cast<int>(f)]; }
  TNumberField& Field(TPrintField f) { return fields_[static_cast<int>(f)]; }
  void SetFieldValue(TPrintField f, double v);  // Value := v, change event if needed
  void FieldChanged(TPrintField f);             // SELChange, SEHChange, SEXYChange

  void ReadPageMetrics(int pageW, int pageH, int dpiX);
  void LayoutPreview();
  void ResetLayout();
  void SyncSlider();
  void ApplyScale();
  void ApplyPosition();
  void CBCentrerClick();
  void CBAjusterClick();
  double LengthUpperLimit(double limit) const;

  bool unitIsInch_;
  const TBitmap* image_ = nullptr;
  int imageW_ = 0, imageH_ = 0;
  double imageRatio_ = 1.0;
  int pageW_ = 0, pageH_ = 0;
  double pageWUnits_ = 0, pageHUnits_ = 0;
  int previewW_ = 0, previewH_ = 0;
  double previewScale_ = 0;
  double dpiX_ = 0;  // the resolution the page was converted with
  double printScale_ = 1.0;
  bool syncSizes_ = true;
  bool sizeEdited_ = false;
  bool positionEdited_ = false;
  bool centrer_ = true;
  bool ajuster_ = false;
  bool contours_ = false;
  bool traits_ = false;
  int sliderMax_ = 1;
  int sliderPos_ = 10;
  bool sliderDegenerate_ = false;
  std::string labelZoom_ = "Scale";
  std::string lblProp_;
  TImageZoom previewZoom_;
  TImageZoom printerZoom_;
  std::array<TNumberField, PrintFieldCount> fields_;
};

}  // namespace velinor
