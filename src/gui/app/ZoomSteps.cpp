#include "gui/app/ZoomSteps.h"

#include <cmath>

#include "core/base/Arith.h"

namespace velinor {

bool SameZoom(double a, double b) { return std::fabs(a - b) < 0.0001; }

double PresetZoom(int index) {
  switch (index) {
    case 1: return 1.0 / 3.0;
    case 2: return 0.5;
    case 3: return 0.75;
    case 4: return 1;
    case 5: return 2;
    case 6: return 4;
    case 7: return 8;
    case 8: return 16;
    case 9: return 32;
    default: return 0;
  }
}

double LimitAutoZoom(double z) {
  if (z > 1) return 1;
  if (z < 0.1) return 0.1;
  return z;
}

int ZoomToIndex(double factor) {
  for (int i = 1; i <= kZoomLastIndex; ++i)
    if (SameZoom(kZoomLevels[i], factor)) return i;
  return 0;
}

TZoomStep StepZoomDecision(double viewZoom, int mode) {
  // Rounded to thousandths so that one third compares as 0.333.
  const double z = static_cast<double>(Round(viewZoom * 1000)) / 1000;
  int i = kZoomLastIndex;
  while (i > 0 && kZoomLevels[i] > z) --i;
  TZoomStep r;
  if (mode == 0 || mode == 1) {
    r.Possible = i < kZoomLastIndex;
    if (r.Possible) r.NewZoom = kZoomLevels[i + 1];
  } else {
    if (z == kZoomLevels[i]) --i;
    r.Possible = i >= 1;
    if (r.Possible) r.NewZoom = kZoomLevels[i];
  }
  return r;
}

int InitialZoomIndex(int imageWidth, int imageHeight, int viewWidth, int viewHeight, int marge,
                     int shadowSize) {
  const bool fits = imageWidth <= viewWidth - 2 * marge - shadowSize - 2 &&
                    imageHeight <= viewHeight - 2 * marge - shadowSize - 2;
  return fits ? kZoom100Index : kZoomAutoIndex;
}

QString ZoomDisplayText(int index, const QString& caption, bool documentOpen, double zoom) {
  if (index > 0) {
    const int p = caption.indexOf('%');
    return p >= 0 ? caption.left(p + 1) : caption;
  }
  if (index == 0 && documentOpen) return QString("%1%").arg(Round(zoom * 100));
  return caption;
}

}  // namespace velinor
