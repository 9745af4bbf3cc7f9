#include "core/view/Thumbnail.h"

#include "core/view/Checkerboard.h"
#include "core/view/DropShadow.h"
#include "core/base/Arith.h"
#include "core/engine/ToneCompositing.h"
#include "core/resize/StretchEx.h"

namespace velinor {

namespace {

constexpr int kThumbnailShadowStrength = 70;

// Raster operations normalise reversed rects; a rect squeezed inside out by the
// frame and margins must draw nothing instead.
void Fill(TBitmap& b, const TRect& r, TColor c) {
  if (!r.IsEmpty()) TintRect(b, c, 100, r);
}

// A picture with alpha shows its see-through parts over the board, never the
// colours hidden there.
void PlaceOverCheckerboard(const TBitmap& source, TBitmap& thumbnail, const TRect& place) {
  TBitmap premultiplied, alpha;
  SplitAlpha(source, premultiplied, alpha);
  TBitmap coverage(thumbnail.Width(), thumbnail.Height());
  StretchInterpolated(premultiplied, BitmapBounds(premultiplied), thumbnail, place, place);
  StretchInterpolated(alpha, BitmapBounds(alpha), coverage, place, place);
  ComposeOverCheckerboard(thumbnail, coverage, place, -place.Left, -place.Top);
}

}  // namespace

bool FitThumbnailSize(int w, int h, int rw, int rh, int& fitW, int& fitH) {
  if (w <= 0 || h <= 0 || rw <= 0 || rh <= 0) return false;
  const double sh = double(h) / rh, sw = double(w) / rw;
  const double s = sh > sw ? sh : sw;
  int64_t fw = Round(w / s), fh = Round(h / s);
  fw = Clamp<int64_t>(fw, 1, rw);
  fh = Clamp<int64_t>(fh, 1, rh);
  if (w < fw || h < fh) {
    fw = w;
    fh = h;
  }
  fitW = static_cast<int>(fw);
  fitH = static_cast<int>(fh);
  return true;
}

TRect MakeThumbnail(const TBitmap& source, TBitmap& thumbnail, TColor background,
                    TColor frameColor, int shadow, int margin) {
  TRect r = BitmapBounds(thumbnail);
  if (shadow > 0) {
    Fill(thumbnail, r, frameColor);
    r.Right -= shadow;
    r.Bottom -= shadow;
    DrawBitmapShadow(thumbnail, r, shadow, true, kThumbnailShadowStrength);
  }
  Fill(thumbnail, r, background);
  if (shadow > 0 && !r.IsEmpty()) {
    Fill(thumbnail, TRect{r.Left, r.Top, r.Right, r.Top + 1}, ThumbnailFrameLight);
    Fill(thumbnail, TRect{r.Left, r.Top, r.Left + 1, r.Bottom}, ThumbnailFrameLight);
    Fill(thumbnail, TRect{r.Left, r.Bottom - 1, r.Right, r.Bottom}, ThumbnailFrameDark);
    Fill(thumbnail, TRect{r.Right - 1, r.Top, r.Right, r.Bottom}, ThumbnailFrameDark);
    r = TRect{r.Left + 1, r.Top + 1, r.Right - 1, r.Bottom - 1};
  }
  if (margin > 0) r = TRect{r.Left + margin, r.Top + margin, r.Right - margin, r.Bottom - margin};

  int w = 0, h = 0;
  if (!FitThumbnailSize(source.Width(), source.Height(), r.Width(), r.Height(), w, h)) return TRect{};
  const int left = r.Left + static_cast<int>(Div(r.Width() - w, 2));
  const int top = r.Top + static_cast<int>(Div(r.Height() - h, 2));
  const TRect place{left, top, left + w, top + h};
  if (source.PixelFormat() == TPixelFormat::pf32bit) {
    PlaceOverCheckerboard(source, thumbnail, place);
    return place;
  }
  StretchInterpolated(source, BitmapBounds(source), thumbnail, place, place);
  return place;
}

}  // namespace velinor
