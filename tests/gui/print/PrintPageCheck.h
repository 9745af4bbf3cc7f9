#pragma once
// Checks of a rasterised page against the layout that printed it.
#include <QImage>

#include "core/print/PrintLayout.h"

namespace velinor::test {

// The image fills the print rectangle (red left half, blue right half) within a
// pixel, with white around it.
void CheckImage(const QImage& page, const TPrintLayout& layout);
// A one-pixel black outline on the rectangle's edge, nothing inside.
void CheckOutline(const QImage& page, const TPrintLayout& layout);
// Every crop mark is black over its length and white just beyond both ends.
void CheckMarks(const QImage& page, const TPrintLayout& layout, size_t count);

}  // namespace velinor::test
