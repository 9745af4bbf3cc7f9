// The layout dialog's geometry and handlers, without a window.
#include <gtest/gtest.h>

#include "core/base/Arith.h"
#include "core/print/PrintLayout.h"

namespace velinor {
namespace {

using F = TPrintField;

TBitmap Image(int w, int h) {
  TBitmap b(w, h);
  b.FillBytes(0x80);
  return b;
}

// The worked example: landscape page 6800 x 4800 at 600 dpi, 1600 x 1200 image, cm.
struct WorkedExample : ::testing::Test {
  TBitmap image = Image(1600, 1200);
  TPrintLayout layout{false};
  void SetUp() override { layout.Show(&image, 6800, 4800, 600); }
};

TEST_F(WorkedExample, InitialLayout) {
  EXPECT_NEAR(layout.PageWUnits(), 28.787, 0.001);
  EXPECT_NEAR(layout.PageHUnits(), 20.32, 1e-9);
  EXPECT_EQ(layout.SliderMin(), 1);
  EXPECT_EQ(layout.SliderMax(), 40);
  EXPECT_EQ(layout.SliderPosition(), 32);
  EXPECT_EQ(layout.LabelZoom(), "Scale : 320%");
  EXPECT_DOUBLE_EQ(layout.PrintScale(), 3.2);
  EXPECT_EQ(layout.PrinterZoom().ZoomedWidth(), 5120);
  EXPECT_EQ(layout.PrinterZoom().ZoomedHeight(), 3840);
  EXPECT_EQ(layout.FieldText(F::Width), "21.67");
  EXPECT_EQ(layout.FieldText(F::Height), "16.26");
  EXPECT_EQ(layout.PrinterZoom().Left(), 840);
  EXPECT_EQ(layout.PrinterZoom().Top(), 480);
  EXPECT_EQ(layout.FieldText(F::Left), "3.56");
  EXPECT_EQ(layout.FieldText(F::Top), "2.03");
  EXPECT_EQ(layout.FieldText(F::Copies), "1");
  EXPECT_EQ(layout.PreviewW(), 225);
  EXPECT_EQ(layout.PreviewH(), 159);
  EXPECT_DOUBLE_EQ(layout.PreviewScale(), 225.0 / 6800);
  EXPECT_EQ(layout.PreviewZoom().FrameRect(), (TRect{17, 17, 17 + 223, 17 + 157}));
  EXPECT_TRUE(layout.Centrer());
  EXPECT_FALSE(layout.Ajuster());
  EXPECT_FALSE(layout.PositionGroupEnabled());
  EXPECT_TRUE(layout.SizeGroupEnabled());
  EXPECT_TRUE(layout.SliderEnabled());
  EXPECT_EQ(layout.LblProp(), "1600 x 1200 pixels");
  EXPECT_EQ(layout.SizeCaption(), " Image size (cm) ");
  EXPECT_EQ(layout.PositionCaption(), " Position (cm) ");
  // The printed rectangle comes back from the two-decimal fields.
  const TRect r = layout.PrintRect();
  EXPECT_EQ(r.Left, static_cast<int>(Round(3.56 * 6800 / layout.PageWUnits())));
  EXPECT_NEAR(r.Left, 840, 1);
  EXPECT_NEAR(r.Top, 480, 1);
  EXPECT_NEAR(r.Width(), 5120, 1);
  EXPECT_NEAR(r.Height(), 3840, 1);
}

TEST_F(WorkedExample, SliderMovesScaleSizeAndCentre) {
  layout.ScrollBarZoomScroll(20);
  EXPECT_EQ(layout.LabelZoom(), "Scale : 200%");
  EXPECT_DOUBLE_EQ(layout.PrintScale(), 2.0);
  EXPECT_EQ(layout.PrinterZoom().ZoomedWidth(), 3200);
  EXPECT_EQ(layout.FieldText(F::Width), "13.55");  // 3200 px at 600 dpi
  EXPECT_EQ(layout.FieldText(F::Height), "10.16");
  EXPECT_EQ(layout.PrinterZoom().Left(), 1800);
  EXPECT_EQ(layout.FieldText(F::Left), "7.62");
  EXPECT_DOUBLE_EQ(layout.PreviewZoom().Zoom(), 225.0 / 6800 * 2.0);
  // Programmatic writes of the sizes do not count as the user's edits.
  EXPECT_FALSE(layout.SizeEdited());
}

TEST_F(WorkedExample, TypingWidthSyncsHeightAndEnterApplies) {
  layout.TypeText(F::Width, "10");
  EXPECT_EQ(layout.FieldText(F::Height), "7.50");
  EXPECT_TRUE(layout.SizeEdited());
  const TLayoutCheck r = layout.PressEnter(F::Width);
  EXPECT_TRUE(r.Ok);
  EXPECT_EQ(layout.FieldText(F::Width), "10.00");  // normalised by Enter
  const double expected = 10.0 / layout.PixelsToUnits(1600, true);
  EXPECT_DOUBLE_EQ(layout.PrintScale(), expected);
  EXPECT_EQ(layout.SliderPosition(), static_cast<int>(Round(expected * 10)));
  EXPECT_EQ(layout.LabelZoom(), "Scale : " + std::to_string(layout.SliderPosition() * 10) + "%");
  EXPECT_FALSE(layout.SizeEdited());
  EXPECT_TRUE(layout.SyncSizes());
  EXPECT_EQ(layout.PrinterZoom().ZoomedWidth(), layout.UnitsToPixels(10.0, true));
  // Still centred: the margins follow the new size.
  EXPECT_EQ(layout.PrinterZoom().Left(), (6800 - layout.PrinterZoom().ZoomedWidth()) / 2);
  EXPECT_EQ(layout.PrintRect().Width(), layout.UnitsToPixels(10.0, true));
}

TEST_F(WorkedExample, TypingHeightSyncsWidth) {
  layout.TypeText(F::Height, "9");
  EXPECT_EQ(layout.FieldText(F::Width), "12.00");
  EXPECT_TRUE(layout.SizeEdited());
}

TEST_F(WorkedExample, FitToPageDisablesControlsAndForcesCentring) {
  layout.SetCentrer(false);
  EXPECT_TRUE(layout.PositionGroupEnabled());
  layout.SetAjuster(true);
  EXPECT_TRUE(layout.Centrer());
  EXPECT_FALSE(layout.CentrerEnabled());
  EXPECT_FALSE(layout.SliderEnabled());
  EXPECT_FALSE(layout.LabelZoomEnabled());
  EXPECT_FALSE(layout.SizeGroupEnabled());
  EXPECT_FALSE(layout.PositionGroupEnabled());
  EXPECT_DOUBLE_EQ(layout.PrintScale(), 4.0);
  EXPECT_EQ(layout.LabelZoom(), "Scale : 400%");
  EXPECT_EQ(layout.PrinterZoom().ZoomedHeight(), 4800);
  EXPECT_EQ(layout.FieldText(F::Top), "0.00");
  // No field checks while fitting, even with nonsense in the boxes.
  layout.TypeText(F::Copies, "");
  layout.TypeText(F::Left, "999");
  EXPECT_TRUE(layout.CheckFieldsFilled().Ok);
  EXPECT_TRUE(layout.CheckRanges().Ok);
  // Unchecking keeps the fitted scale and enables the controls again.
  layout.SetAjuster(false);
  EXPECT_DOUBLE_EQ(layout.PrintScale(), 4.0);
  EXPECT_TRUE(layout.SliderEnabled());
  EXPECT_TRUE(layout.CentrerEnabled());
}

TEST_F(WorkedExample, FittedSizeStillPassesAfterUncheckingFit) {
  // A tall page whose fitted width reads back rounded up must not be refused.
  TBitmap tall = Image(1000, 1000);
  TPrintLayout l(false);
  l.Show(&tall, 4970, 7016, 600);  // 21.0397 cm wide: the fitted width shows 21.04
  l.SetAjuster(true);
  EXPECT_EQ(l.FieldText(F::Width), "21.04");
  EXPECT_GT(l.FieldValue(F::Width), l.PageWUnits());
  l.SetAjuster(false);
  EXPECT_TRUE(l.BImprimerClick().Ok);
}

TEST_F(WorkedExample, ManualMarginsAndRecentring) {
  layout.SetCentrer(false);
  EXPECT_EQ(layout.PrinterZoom().Position(), ipManual);
  EXPECT_EQ(layout.PrinterZoom().Left(), 840);  // keeps its origin
  layout.TypeText(F::Left, "1");
  layout.TypeText(F::Top, "2");
  EXPECT_TRUE(layout.PositionEdited());
  EXPECT_TRUE(layout.PressEnter(F::Top).Ok);
  EXPECT_FALSE(layout.PositionEdited());
  EXPECT_EQ(layout.PrinterZoom().Left(), layout.UnitsToPixels(1.0, true));
  EXPECT_EQ(layout.PrinterZoom().Top(), layout.UnitsToPixels(2.0, false));
  EXPECT_EQ(layout.PreviewZoom().Left(),
            Round(layout.PrinterZoom().Left() * layout.PreviewScale()) + 16);
  EXPECT_EQ(layout.PrintRect().Left, 236);
  // Checking "Page center" again moves the image back and rewrites the margins.
  layout.SetCentrer(true);
  EXPECT_EQ(layout.PrinterZoom().Left(), 840);
  EXPECT_EQ(layout.FieldText(F::Left), "3.56");
  EXPECT_EQ(layout.FieldText(F::Top), "2.03");
}

TEST_F(WorkedExample, PrintAppliesPendingEdits) {
  layout.TypeText(F::Width, "14");
  EXPECT_TRUE(layout.SizeEdited());
  EXPECT_TRUE(layout.BImprimerClick().Ok);
  EXPECT_FALSE(layout.SizeEdited());
  EXPECT_EQ(layout.PrinterZoom().ZoomedWidth(), layout.UnitsToPixels(14.0, true));
  // Centred on the applied size.
  EXPECT_EQ(layout.FieldText(F::Left),
            FormatFixed(layout.PixelsToUnits((6800 - layout.PrinterZoom().ZoomedWidth()) / 2, true), 2));
}

TEST_F(WorkedExample, PrintRechecksMarginsAfterApplyingASize) {
  layout.SetCentrer(false);
  layout.TypeText(F::Left, "7");
  EXPECT_TRUE(layout.BOkMargesClick().Ok);
  layout.TypeText(F::Width, "25");  // 7 + 25 cm no longer fits on 28.79 cm
  const TLayoutCheck r = layout.BImprimerClick();
  EXPECT_FALSE(r.Ok);
  EXPECT_EQ(r.Focus, F::Left);
}

TEST_F(WorkedExample, SetupRecomputesEverything) {
  layout.ScrollBarZoomScroll(10);
  layout.SetCentrer(false);
  layout.ChangePage(4800, 6800, 600);  // portrait now
  EXPECT_EQ(layout.PreviewH(), 225);
  EXPECT_EQ(layout.PreviewW(), 159);
  // Fit = min(4800/1600, 6800/1200) = 3: slider 1..30, scale 2.4.
  EXPECT_EQ(layout.SliderMax(), 30);
  EXPECT_DOUBLE_EQ(layout.PrintScale(), 2.4);
  EXPECT_TRUE(layout.Centrer());
}

TEST_F(WorkedExample, ShowResetsContoursButKeepsCropMarks) {
  layout.SetContours(true);
  layout.SetTraits(true);
  layout.Show(&image, 6800, 4800, 600);
  EXPECT_FALSE(layout.Contours());
  EXPECT_TRUE(layout.Traits());
}

TEST(PrintLayout, InchUnits) {
  TBitmap image = Image(1600, 1200);
  TPrintLayout layout(true);
  layout.Show(&image, 6800, 4800, 600);
  EXPECT_NEAR(layout.PageWUnits(), 6800 / 600.0, 1e-9);
  EXPECT_EQ(layout.FieldText(F::Width), "8.53");  // 5120 / 600
  EXPECT_EQ(layout.SizeCaption(), " Image size (inch) ");
  EXPECT_EQ(layout.CropFar(), 189);
  EXPECT_EQ(layout.CropNear(), 24);
}

TEST(PrintLayout, SquareAndWideImagesPrintLandscape) {
  EXPECT_TRUE(TPrintLayout::PrintsLandscape(1000, 1000));
  EXPECT_TRUE(TPrintLayout::PrintsLandscape(1600, 1200));
  EXPECT_FALSE(TPrintLayout::PrintsLandscape(1200, 1600));
}

TEST(PrintLayout, ScaleCappedAtFiveTimes) {
  TBitmap image = Image(100, 100);
  TPrintLayout layout(false);
  layout.Show(&image, 6800, 4800, 600);
  EXPECT_EQ(layout.SliderMax(), 480);
  EXPECT_DOUBLE_EQ(layout.PrintScale(), 5.0);
  EXPECT_EQ(layout.SliderPosition(), 50);
}

TEST(PrintLayout, FitBelowTenPercentPinsTheSlider) {
  // Fit factor 0.05: no 10 % step fits on the page.
  TBitmap image = Image(2000, 100);
  TPrintLayout layout(false);
  layout.Show(&image, 100, 80, 600);
  EXPECT_TRUE(layout.SliderDegenerate());
  EXPECT_FALSE(layout.SliderEnabled());
  EXPECT_EQ(layout.SliderMax(), 1);
  EXPECT_EQ(layout.SliderPosition(), 1);
  EXPECT_DOUBLE_EQ(layout.PrintScale(), 0.04);
  EXPECT_EQ(layout.LabelZoom(), "Scale : 4%");  // the real scale, not the pinned step
  EXPECT_EQ(layout.PrinterZoom().ZoomedWidth(), 80);
  // The image fits on the page; fitting reaches the exact page width.
  layout.SetAjuster(true);
  EXPECT_EQ(layout.PrinterZoom().ZoomedWidth(), 100);
  EXPECT_EQ(layout.LabelZoom(), "Scale : 5%");
  layout.SetAjuster(false);
  EXPECT_FALSE(layout.SliderEnabled());
}

// The scale read as a print resolution: printer dots per inch over printer dots
// per image pixel, truncated; below 150 dpi the status warns.
TEST_F(WorkedExample, ResolutionFollowsTheScale) {
  EXPECT_EQ(layout.PrintResolution(), 187);  // 600 / 3.2 = 187.5
  EXPECT_EQ(layout.ResolutionText(), "187 dpi");
  EXPECT_FALSE(layout.LowResolution());
  EXPECT_EQ(layout.StatusText(), "");
  layout.SetAjuster(true);  // fit: 4.0 printer dots per pixel, exactly 150 dpi
  EXPECT_EQ(layout.ResolutionText(), "150 dpi");
  EXPECT_FALSE(layout.LowResolution());
  layout.SetAjuster(false);
  layout.ScrollBarZoomScroll(10);
  EXPECT_EQ(layout.ResolutionText(), "600 dpi");
  layout.TypeText(F::Width, "25");  // 25 cm for 1600 pixels: 162.56 dpi
  EXPECT_EQ(layout.ResolutionText(), "600 dpi");  // not applied yet
  ASSERT_TRUE(layout.BOkTailleClick().Ok);
  EXPECT_EQ(layout.ResolutionText(), "162 dpi");
  EXPECT_EQ(layout.LabelZoom(), "Scale : 370%");  // the scale text is unchanged
}

TEST(PrintLayout, SmallImageOnAFinePageIsLowResolution) {
  // A 600 x 400 picture fitted on a 1200-dpi page 10 x 6.67 inches: 24 dots per
  // pixel, 50 pixels per inch.
  TBitmap image = Image(600, 400);
  TPrintLayout layout(false);
  layout.Show(&image, 14400, 9600, 1200);
  EXPECT_EQ(layout.ResolutionText(), "240 dpi");  // 0.8 x fit, capped at 5 times
  EXPECT_FALSE(layout.LowResolution());
  layout.SetAjuster(true);
  EXPECT_EQ(layout.LabelZoom(), "Scale : 2400%");
  EXPECT_EQ(layout.ResolutionText(), "50 dpi");
  EXPECT_TRUE(layout.LowResolution());
  EXPECT_EQ(layout.StatusText(), "Low resolution: below 150 dpi the print may look coarse.");
  // No page yet: nothing to say.
  TPrintLayout blank(false);
  EXPECT_EQ(blank.ResolutionText(), "");
  EXPECT_FALSE(blank.LowResolution());
}

TEST(PrintLayout, SpinBoxRules) {
  TBitmap image = Image(1600, 1200);
  TPrintLayout layout(false);
  layout.Show(&image, 6800, 4800, 600);
  layout.TypeText(F::Copies, "007");
  EXPECT_EQ(layout.Copies(), 7);
  layout.LeaveField(F::Copies);
  EXPECT_EQ(layout.FieldText(F::Copies), "7");
  layout.TypeText(F::Copies, "500");
  EXPECT_EQ(layout.Copies(), 100);
  layout.TypeText(F::Copies, "x");
  EXPECT_EQ(layout.Copies(), 1);
  layout.TypeText(F::Width, "2000");
  EXPECT_DOUBLE_EQ(layout.FieldValue(F::Width), 1000.0);
  layout.TypeText(F::Width, "abc");
  EXPECT_DOUBLE_EQ(layout.FieldValue(F::Width), 0.0);
  layout.TypeText(F::Width, "3");
  layout.StepField(F::Width, +1);
  EXPECT_EQ(layout.FieldText(F::Width), "4.00");
  EXPECT_EQ(layout.FieldText(F::Height), "3.00");
  layout.TypeText(F::Left, "2.5");
  layout.LeaveField(F::Left);
  EXPECT_EQ(layout.FieldText(F::Left), "2.50");
}

TEST(PrintLayout, ReleaseImageForgetsTheBitmap) {
  TBitmap image = Image(1600, 1200);
  TPrintLayout layout(false);
  layout.Show(&image, 6800, 4800, 600);
  layout.ReleaseImage();
  EXPECT_EQ(layout.PreviewZoom().Bitmap(), nullptr);
  EXPECT_EQ(layout.PrinterZoom().Bitmap(), nullptr);
}

TEST_F(WorkedExample, PreviewPageDrawing) {
  TBitmap canvas(PreviewCanvasSize, PreviewCanvasSize);
  canvas.FillBytes(0);
  for (int y = 0; y < image.Height(); ++y)
    for (int x = 0; x < image.Width(); ++x) image.SetPixel(x, y, 0x2040C0);
  const TColor face = 0xD0D0D0;
  layout.RenderPreview(canvas, face);
  const TRect p = layout.PreviewPageRect();
  EXPECT_EQ(p, (TRect{16, 16, 241, 175}));
  EXPECT_EQ(canvas.Pixel(16, 100), 0xCCCCCCu);   // left edge
  EXPECT_EQ(canvas.Pixel(100, 16), 0xCCCCCCu);   // top edge
  EXPECT_EQ(canvas.Pixel(240, 100), 0x555555u);  // right edge
  EXPECT_EQ(canvas.Pixel(100, 174), 0x555555u);  // bottom edge
  EXPECT_EQ(canvas.Pixel(20, 20), clWhite);      // page margin
  EXPECT_EQ(canvas.Pixel(128, 95), 0x2040C0u);   // the image, centred
  EXPECT_EQ(canvas.Pixel(241, 16), face);        // corner fill beside the shadow
  EXPECT_EQ(canvas.Pixel(244, 240), face);       // cleared area below
  // The shadow under the page is darker than the dialog colour.
  EXPECT_LT(canvas.Pixel(100, 175) & 0xFF, face & 0xFF);
  // Image edges in the preview: Round(5120 * 225/6800) = 169 wide, centred in the frame.
  const TRect ir = layout.PreviewZoom().ImageRect();
  EXPECT_EQ(ir.Width(), 169);
  EXPECT_EQ(canvas.Pixel(ir.Left - 1, 95), clWhite);
  EXPECT_EQ(canvas.Pixel(ir.Left, 95), 0x2040C0u);
  EXPECT_EQ(canvas.Pixel(ir.Right - 1, 95), 0x2040C0u);
  EXPECT_EQ(canvas.Pixel(ir.Right, 95), clWhite);
}

}  // namespace
}  // namespace velinor
