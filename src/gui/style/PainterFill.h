#pragma once
// A painter seen as the fill surface of the core's drawing formulas.
#include <QPainter>

#include "core/base/Color.h"
#include "core/view/DropShadow.h"

namespace velinor {

inline QColor ToQColor(TColor c) {
  c = ResolveSystemColor(c);
  return QColor(GetRValue(c), GetGValue(c), GetBValue(c));
}

inline TRect ToTRect(const QRect& r) { return TRect{r.left(), r.top(), r.right() + 1, r.bottom() + 1}; }
inline QRect ToQRect(const TRect& r) { return QRect(r.Left, r.Top, r.Width(), r.Height()); }

class TPainterFillCanvas : public IFillCanvas {
 public:
  explicit TPainterFillCanvas(QPainter& painter) : painter_(painter) {}
  void FillRect(const TRect& rect, TColor color) override {
    painter_.fillRect(ToQRect(rect), ToQColor(color));
  }

 private:
  QPainter& painter_;
};

}  // namespace velinor
