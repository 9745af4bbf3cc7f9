#include "core/view/BarPainting.h"

#include "core/engine/ToneCompositing.h"

namespace velinor {

TMenuColors MenuColorsNow() {
  TMenuColors c;
  c.Gutter = MixColors(clMenu, 0x110033, 19);
  c.Selection1 = MixColors(clMenu, clHighlight, 77);
  c.Selection2 = MixColors(clMenu, clHighlight, 33);
  return c;
}

TColor GradientColumnColor(TColor c1, TColor c2, int k, int w) {
  c1 = ResolveSystemColor(c1);
  c2 = ResolveSystemColor(c2);
  auto step = [k, w](int a, int b) { return a + k * (b - a) / w; };
  return RGB(step(GetRValue(c1), GetRValue(c2)), step(GetGValue(c1), GetGValue(c2)),
             step(GetBValue(c1), GetBValue(c2)));
}

void HorizontalGradient(IFillCanvas& canvas, const TRect& rect, TColor c1, TColor c2) {
  const int w = rect.Width();
  if (w <= 0 || rect.Height() <= 0) return;
  c1 = ResolveSystemColor(c1);
  c2 = ResolveSystemColor(c2);
  for (int k = 0; k < w; ++k)
    canvas.FillRect(TRect{rect.Left + k, rect.Top, rect.Left + k + 1, rect.Bottom},
                    GradientColumnColor(c1, c2, k, w));
}

TBandColors BandColorsNow() {
  TBandColors c;
  c.A = MixColors(clBtnFace, clBtnShadow, 17);
  c.B = MixColors(clBtnFace, clBtnHighlight, 77);
  c.D = MixColors(clBtnShadow, clBtnFace, 33);
  c.Shadow = ResolveSystemColor(clBtnShadow);
  c.Highlight = ResolveSystemColor(clBtnHighlight);
  return c;
}

TColor BandRowColor(const TBandColors& colors, int k) {
  return GradientColumnColor(colors.A, colors.B, k, kBandPeriod);
}

void BandGradient(IFillCanvas& canvas, const TRect& clip, const TRect& rect, int phase,
                  const TBandColors& colors) {
  const TRect c = IntersectRect(NormalizeRect(rect), NormalizeRect(clip));
  if (c.IsEmpty()) return;
  if (c.Top > rect.Top) phase += c.Top - rect.Top;
  for (int y = c.Top, n = 0; y < c.Bottom; ++y, ++n) {
    // The phase may be negative for a toolbar above its panel's top.
    const int k = ((n + phase) % kBandPeriod + kBandPeriod) % kBandPeriod;
    canvas.FillRect(TRect{c.Left, y, c.Right, y + 1}, BandRowColor(colors, k));
  }
}

void DrawGrip(IFillCanvas& canvas, const TRect& clip, int x, int y, int bottom,
              const TBandColors& colors) {
  if (IntersectRect(TRect{x, y, x + 3, bottom}, NormalizeRect(clip)).IsEmpty()) return;
  auto dot = [&canvas](int px, int py, TColor c) { canvas.FillRect(TRect{px, py, px + 1, py + 1}, c); };
  for (int yy = y + 3; yy + 3 < bottom; yy += 4) {
    dot(x + 2, yy + 1, colors.Highlight);
    dot(x + 2, yy + 2, colors.Highlight);
    dot(x + 1, yy + 2, colors.Highlight);
    dot(x, yy, colors.D);
    dot(x + 1, yy + 1, colors.D);
    dot(x + 1, yy, colors.Shadow);
    dot(x, yy + 1, colors.Shadow);
  }
}

void PaintToolPanel(IFillCanvas& canvas, const TRect& clip, int width, int height,
                    int secondGripX, const TBandColors& colors) {
  BandGradient(canvas, clip, TRect{0, 0, width, height}, 0, colors);
  const TRect line0 = IntersectRect(TRect{0, 0, width, 1}, clip);
  const TRect line1 = IntersectRect(TRect{0, 1, width, 2}, clip);
  if (!line0.IsEmpty()) canvas.FillRect(line0, colors.Shadow);
  if (!line1.IsEmpty()) canvas.FillRect(line1, colors.Highlight);
  DrawGrip(canvas, clip, 3, 2, height, colors);
  DrawGrip(canvas, clip, secondGripX, 2, height, colors);
}

}  // namespace velinor
