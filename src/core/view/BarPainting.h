#pragma once
// The drawing formulas of the program's own menu and toolbar look: the left-to-
// right gradient of menu gutters and selection boxes, the repeating vertical band
// gradient of the tool panel and toolbars, and the dotted grips. They draw on
// anything that fills rectangles (IFillCanvas): the GUI passes its painter, the
// tests a TBitmap.
#include "core/base/Color.h"
#include "core/base/Geometry.h"
#include "core/view/DropShadow.h"

namespace velinor {

// ---- menus ---------------------------------------------------------------------------

constexpr int kMenuGutterWidth = 77;
constexpr TColor kMenuShortcutColor = 0x000080;  // dark red

// Colours derived from the system colours, resolved when asked.
struct TMenuColors {
  TColor Gutter = 0;      // menu colour moved 19 % toward 0x110033
  TColor Selection1 = 0;  // menu colour moved 77 % toward the highlight colour
  TColor Selection2 = 0;  // menu colour moved 33 % toward the highlight colour
};
TMenuColors MenuColorsNow();

// Colour of column k of a w-wide gradient: c1 + k*(c2 - c1) div w per channel.
TColor GradientColumnColor(TColor c1, TColor c2, int k, int w);

// One-pixel columns over the rect's height from c1 toward c2; the last column is
// one step short of c2. Nothing when the rect has no width.
void HorizontalGradient(IFillCanvas& canvas, const TRect& rect, TColor c1, TColor c2);

// ---- tool panel and toolbars ---------------------------------------------------------

constexpr int kBandPeriod = 47;

struct TBandColors {
  TColor A = 0;  // top of a period: button face 17 % toward button shadow
  TColor B = 0;  // end of a period: button face 77 % toward button highlight
  TColor D = 0;  // grip dots: button shadow 33 % toward button face
  TColor Shadow = 0;
  TColor Highlight = 0;
};
TBandColors BandColorsNow();

// Colour of row k (0..46) of a period.
TColor BandRowColor(const TBandColors& colors, int k);

// Rows of the rect inside clip, each row k of its period coloured A + k*(B - A) div 47,
// with the period starting phase rows above the rect's top.
void BandGradient(IFillCanvas& canvas, const TRect& clip, const TRect& rect, int phase,
                  const TBandColors& colors);

// A column of shaded dots from (x, y + 3) every 4 rows while the dot's top + 3 is
// above bottom. Nothing when (x, y, x + 3, bottom) lies outside clip.
void DrawGrip(IFillCanvas& canvas, const TRect& clip, int x, int y, int bottom,
              const TBandColors& colors);

// The etched line on the tool panel's top two rows and both grips: the band, the
// line, a grip at x = 3 and one at secondGripX, the panel being width x height.
void PaintToolPanel(IFillCanvas& canvas, const TRect& clip, int width, int height,
                    int secondGripX, const TBandColors& colors);

}  // namespace velinor
