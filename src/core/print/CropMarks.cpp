#include "core/print/CropMarks.h"

#include <algorithm>

namespace velinor {

std::vector<TMarkLine> CropMarkLines(const TRect& r, int imageW, int imageH, int farDist,
                                     int nearDist) {
  const int L = r.Left, T = r.Top, R = r.Right, B = r.Bottom;
  const int F = farDist, N = nearDist;
  std::vector<TMarkLine> m = {
      {{L - F, T}, {L - N, T}}, {{L, T - F}, {L, T - N}},  // top left
      {{R + F, T}, {R + N, T}}, {{R, T - F}, {R, T - N}},  // top right
      {{R + F, B}, {R + N, B}}, {{R, B + F}, {R, B + N}},  // bottom right
      {{L - F, B}, {L - N, B}}, {{L, B + F}, {L, B + N}},  // bottom left
  };
  if (imageW <= 0 || imageH <= 0) return m;
  double ratio = double(imageW) / imageH;
  if (ratio < 1.0) ratio = 1.0 / ratio;
  if (ratio < 1.5) return m;
  if (imageH < imageW) {
    const int x = L + (R - L) / 2;
    m.push_back({{x, T - F}, {x, T - N}});
    m.push_back({{x, B + F}, {x, B + N}});
  } else {
    const int y = T + (B - T) / 2;
    m.push_back({{L - F, y}, {L - N, y}});
    m.push_back({{R + F, y}, {R + N, y}});
  }
  return m;
}

TRect MarkPixels(const TMarkLine& l) {
  if (l.From == l.To) return {};
  if (l.From.Y == l.To.Y) {
    // Horizontal: every x from From up to, not including, To.
    if (l.From.X < l.To.X) return {l.From.X, l.From.Y, l.To.X, l.From.Y + 1};
    return {l.To.X + 1, l.From.Y, l.From.X + 1, l.From.Y + 1};
  }
  if (l.From.Y < l.To.Y) return {l.From.X, l.From.Y, l.From.X + 1, l.To.Y};
  return {l.From.X, l.To.Y + 1, l.From.X + 1, l.From.Y + 1};
}

}  // namespace velinor
