#pragma once
// The open dialog's preview of a camera raw file that carries no embedded
// preview: the half-size picture LibRaw's own processing would make, built in
// a few parallel passes straight from the sensor's mosaic instead of through
// LibRaw's four-channel working image.
#include <libraw/libraw.h>

#include "core/base/Bitmap.h"

namespace velinor {

// LibRaw, opening to the quick half-size picture the steps of LibRaw's
// processing it shares with it, so that both agree on black levels and on the
// output curve whatever LibRaw's version does there.
class TLibRaw : public LibRaw {
 public:
  TLibRaw() : LibRaw(LIBRAW_OPTIONS_NONE) {}
  // Black levels folded as LibRaw folds them before its processing: per
  // channel in color.cblack[0..3] (the common part included), the common part
  // in color.black.
  void FoldBlackLevels() { adjust_bl(); }
  // color.curve: the output curve (the gamm[] options) reaching white at imax.
  void MakeOutputCurve(int imax) { gamma_curve(imgdata.params.gamm[0], imgdata.params.gamm[1], 2, imax); }
  // Loaders whose data LibRaw corrects on the way to its working image.
  bool CorrectedLoader() { return is_phaseone_compressed() || is_canon_600(); }
};

// The options this program decodes with: the camera's white balance, sRGB
// output on the sRGB curve, 8 bits per channel; half size for previews.
void SetRawOutputOptions(LibRaw& raw, bool halfSize);

// After unpack(), with SetRawOutputOptions(raw, true): out := the upright B,G,R
// picture that dcraw_process() and dcraw_make_mem_image() would make, for a
// plain 2x2 Bayer sensor whose file gives the camera's white balance. Returns
// false, with out untouched, for anything else (X-Trans, Foveon, linear DNG,
// four-colour or odd layouts, no camera white balance...): LibRaw's own
// processing then still runs as if this had not been called.
bool QuickHalfSize(TLibRaw& raw, TBitmap& out);

}  // namespace velinor
