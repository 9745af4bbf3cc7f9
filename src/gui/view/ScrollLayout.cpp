#include "gui/view/ScrollLayout.h"

#include <algorithm>

namespace velinor {

TScrollLayout ComputeScrollLayout(int areaWidth, int areaHeight, int rangeX, int rangeY,
                                  int barWidth, int barHeight) {
  TScrollLayout l;
  bool h = rangeX > areaWidth;
  bool v = rangeY > areaHeight;
  // One bar may make room for the other necessary; two rounds settle it.
  for (int round = 0; round < 2; ++round) {
    if (h && !v) v = rangeY > areaHeight - barHeight;
    if (v && !h) h = rangeX > areaWidth - barWidth;
  }
  l.HorzVisible = h;
  l.VertVisible = v;
  l.ClientWidth = std::max(0, areaWidth - (v ? barWidth : 0));
  l.ClientHeight = std::max(0, areaHeight - (h ? barHeight : 0));
  l.HorzMax = h ? std::max(0, rangeX - l.ClientWidth) : 0;
  l.VertMax = v ? std::max(0, rangeY - l.ClientHeight) : 0;
  return l;
}

}  // namespace velinor
