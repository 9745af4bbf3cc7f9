#pragma once
// The zoom presets and steps of the main window, free of any window so that the
// rules can be checked on their own.
#include <QString>

namespace velinor {

// Item indexes of the zoom box (separators not counted).
inline constexpr int kZoomAutoIndex = 0;
inline constexpr int kZoom100Index = 4;

// The stepping levels; level 0 is a floor that is never chosen. The levels above
// 4 let the mask be read pixel by pixel.
inline constexpr int kZoomLevelCount = 10;
inline constexpr double kZoomLevels[kZoomLevelCount] = {0, 0.333, 0.5, 0.75, 1, 2, 4, 8, 16, 32};
// The largest preset index (32 : 1).
inline constexpr int kZoomLastIndex = kZoomLevelCount - 1;

// |a - b| < 0.0001.
bool SameZoom(double a, double b);

// The preset factor of an item index 1..kZoomLastIndex; 0 for any other index (automatic).
double PresetZoom(int index);

// The automatic zoom kept within 0.1 .. 1.
double LimitAutoZoom(double fitted);

// The first preset index whose value is the same zoom; 0 when none.
int ZoomToIndex(double factor);

// StepZoom's decision. mode 0/1: zoom in (ask/do); 2/3: zoom out (ask/do).
struct TZoomStep {
  bool Possible = false;
  double NewZoom = 0;  // meaningful when Possible
};
TZoomStep StepZoomDecision(double viewZoom, int mode);

// 4 (100 %) when the image fits the view's outer size less margins, shadow and
// 2 pixels; otherwise 0 (automatic).
int InitialZoomIndex(int imageWidth, int imageHeight, int viewWidth, int viewHeight,
                     int marge, int shadowSize);

// The zoom box's text: a preset's caption cut after its first '%'; for the
// automatic item with a document open, the zoom as a whole percent.
QString ZoomDisplayText(int index, const QString& caption, bool documentOpen, double zoom);

// The captions of the zoom menu, separators as "-".
inline constexpr const char* kZoomMenuCaptions[13] = {
    "<Auto>", "-", "33%  (1:3)", "50%  (1:2)", "75%  (3:4)", "-", "100%  (1:1)", "-",
    "200%  (2:1)", "400%  (4:1)", "800%  (8:1)", "1600%  (16:1)", "3200%  (32:1)"};

}  // namespace velinor
