#pragma once
// The progressive contour in one pass over bands of rows: each band of the mask
// (and of the result) is computed from the source rows around it, through small
// rolling buffers that stay in the cache, so that the picture is read and written
// once and every thread works on its own band without waiting for the others.
// Internal to KeepColors; gives exactly what the reference gives.
#include "core/engine/ColorMatch.h"
#include "core/engine/detail/KeepRows.h"
#include "core/base/Bitmap.h"
#include "core/base/Parallel.h"

namespace velinor::detail {

// The mask (24-bit, the source's size, every pixel rewritten) of the 24-bit
// source with the progressive contour and, when result is given, the result (the
// source's size, 24-bit, not the source itself): the pixels of `toned` (the result
// itself or the source) toned and moved toward the source through the mask.
// done receives the rows finished so far, as ParallelRows reports them.
void ProgressiveStream(const TBitmap& source, const TColorMatcher& matcher, TBitmap& mask,
                       TBitmap* result, const TBitmap* toned, const TToneTable* tone, const TRowsDone& done);

}  // namespace velinor::detail
