#pragma once
// The arithmetic behind the "Image size" dialog, kept apart from the window: the
// conversion of a field's value between pixels and percent of the original size,
// the linking of width and height through the aspect ratio, and the final size.
namespace velinor {

// Units of a size field (the item index of its unit list).
constexpr int suPixels = 0;
constexpr int suPercent = 1;

// Values the dialog's fields accept.
constexpr double RedimMinValue = 1;
constexpr double RedimMaxValue = 5000;
// No side of a resized image is smaller than this.
constexpr int RedimMinSide = 2;

struct TResizeGeometry {
  int OrigWidth = 0;
  int OrigHeight = 0;
  double AspectRatio = 1;  // OrigWidth / OrigHeight
  int WidthUnit = suPixels;
  int HeightUnit = suPixels;

  // Takes the size of the image the dialog is shown for. A zero height keeps
  // the ratio at 1 rather than dividing by zero.
  void SetOriginal(int width, int height);

  // The pixels a field's value stands for: Round(value) in pixels,
  // Round(value * original / 100) in percent (ties to even).
  int WidthPixels(double value) const { return ToPixels(value, WidthUnit, OrigWidth); }
  int HeightPixels(double value) const { return ToPixels(value, HeightUnit, OrigHeight); }

  // The value a field shows for a number of pixels (before the field clamps it).
  double WidthValue(int pixels) const { return ToValue(pixels, WidthUnit, OrigWidth); }
  double HeightValue(int pixels) const { return ToValue(pixels, HeightUnit, OrigHeight); }

  // With the ratio kept: the height that goes with a width, and the reverse.
  int LinkedHeight(int widthPixels) const;
  int LinkedWidth(int heightPixels) const;

  static int ToPixels(double value, int unit, int original);
  static double ToValue(int pixels, int unit, int original);
};

// The largest value a field accepts for an image of this size: RedimMaxValue,
// or the image's larger side when it is above that, so that the fields can
// show the size the image already has.
double RedimFieldMaximum(int origWidth, int origHeight);

// The size "Ok" resizes to: each side at least RedimMinSide.
int FinalSide(int pixels);

}  // namespace velinor
